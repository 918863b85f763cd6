// kernel32: threads, synchronisation, time, files, modules, strings, memory.
#pragma once

#include "platform/posix/types.h"
#include <cstdarg>

// Threads.
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);
#define CREATE_SUSPENDED 0x00000004u
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define STILL_ACTIVE 259u

QJ_PLATFORM_API HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                                           LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                                           DWORD dwCreationFlags, LPDWORD lpThreadId);
QJ_PLATFORM_API DWORD WINAPI ResumeThread(HANDLE hThread);
QJ_PLATFORM_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
QJ_PLATFORM_API BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
QJ_PLATFORM_API BOOL WINAPI CloseHandle(HANDLE hObject);
QJ_PLATFORM_API DWORD WINAPI GetCurrentThreadId(void);
QJ_PLATFORM_API DWORD WINAPI GetCurrentProcessId(void);
QJ_PLATFORM_API void WINAPI Sleep(DWORD dwMilliseconds);
QJ_PLATFORM_API DWORD WINAPI GetTickCount(void);

// Events (used by hosts and tests).
QJ_PLATFORM_API HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                                           BOOL bInitialState, LPCSTR lpName);
QJ_PLATFORM_API BOOL WINAPI SetEvent(HANDLE hEvent);
QJ_PLATFORM_API BOOL WINAPI ResetEvent(HANDLE hEvent);

// Critical sections: recursive, as on Windows. The structure is opaque here;
// its storage holds the layer's own mutex.
struct CRITICAL_SECTION {
  alignas(8) unsigned char Opaque[64];
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;
typedef CRITICAL_SECTION* PCRITICAL_SECTION;
QJ_PLATFORM_API void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
QJ_PLATFORM_API void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
QJ_PLATFORM_API BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
QJ_PLATFORM_API void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
QJ_PLATFORM_API void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

// Interlocked operations on 32-bit values; all are full barriers.
inline LONG InterlockedIncrement(LONG volatile* p) { return __atomic_add_fetch(p, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(LONG volatile* p) { return __atomic_sub_fetch(p, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedExchange(LONG volatile* p, LONG v) { return __atomic_exchange_n(p, v, __ATOMIC_SEQ_CST); }
inline LONG InterlockedExchangeAdd(LONG volatile* p, LONG v) { return __atomic_fetch_add(p, v, __ATOMIC_SEQ_CST); }
inline LONG InterlockedCompareExchange(LONG volatile* p, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(p, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}

// Errors.
QJ_PLATFORM_API DWORD WINAPI GetLastError(void);
QJ_PLATFORM_API void WINAPI SetLastError(DWORD dwErrCode);

// Files. Paths are Windows paths: C: is the simulated machine's drive, Z: the
// Linux root; "\\?\hid#..." device paths open the simulated HID devices.
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u
#define FILE_FLAG_OVERLAPPED 0x40000000u

struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;

QJ_PLATFORM_API HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
QJ_PLATFORM_API BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
QJ_PLATFORM_API BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
QJ_PLATFORM_API DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
QJ_PLATFORM_API DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                            DWORD dwMoveMethod);
QJ_PLATFORM_API BOOL WINAPI SetEndOfFile(HANDLE hFile);
QJ_PLATFORM_API BOOL WINAPI FlushFileBuffers(HANDLE hFile);
QJ_PLATFORM_API BOOL WINAPI DeleteFileA(LPCSTR lpFileName);
QJ_PLATFORM_API BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
QJ_PLATFORM_API BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName);
QJ_PLATFORM_API DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName);
QJ_PLATFORM_API UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize);
QJ_PLATFORM_API UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize);
QJ_PLATFORM_API DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer);

// Modules. On Linux a module is a shared object with the same exports; its
// DllMain is called on load and on the last unload.
#define DLL_PROCESS_DETACH 0u
#define DLL_PROCESS_ATTACH 1u
#define DLL_THREAD_ATTACH 2u
#define DLL_THREAD_DETACH 3u
QJ_PLATFORM_API HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName);
QJ_PLATFORM_API BOOL WINAPI FreeLibrary(HMODULE hLibModule);
QJ_PLATFORM_API FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
QJ_PLATFORM_API DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
QJ_PLATFORM_API HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);

// Code pages.
#define CP_ACP 0u
#define CP_OEMCP 1u
#define CP_UTF8 65001u
#define MB_PRECOMPOSED 0x00000001u
#define MB_ERR_INVALID_CHARS 0x00000008u
#define WC_NO_BEST_FIT_CHARS 0x00000400u
QJ_PLATFORM_API int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                               LPWSTR lpWideCharStr, int cchWideChar);
QJ_PLATFORM_API int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                               LPBOOL lpUsedDefaultChar);

// Strings and debug output.
QJ_PLATFORM_API void WINAPI OutputDebugStringA(LPCSTR lpOutputString);
QJ_PLATFORM_API int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...);
QJ_PLATFORM_API int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arglist);
QJ_PLATFORM_API int WINAPI lstrlenA(LPCSTR lpString);
QJ_PLATFORM_API LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2);
QJ_PLATFORM_API LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength);
QJ_PLATFORM_API LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2);
QJ_PLATFORM_API int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2);
QJ_PLATFORM_API int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2);

// INI files.
QJ_PLATFORM_API DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                                      LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
QJ_PLATFORM_API UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault,
                                                  LPCSTR lpFileName);

// Memory.
#define LMEM_FIXED 0x0000u
#define LMEM_ZEROINIT 0x0040u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
QJ_PLATFORM_API HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes);
QJ_PLATFORM_API HLOCAL WINAPI LocalFree(HLOCAL hMem);
// Probes whether a range can be read or written without a fault; a NULL
// pointer with a non-zero size is bad, a zero size is always good.
QJ_PLATFORM_API BOOL WINAPI IsBadReadPtr(const void* lp, UINT_PTR ucb);
QJ_PLATFORM_API BOOL WINAPI IsBadWritePtr(LPVOID lp, UINT_PTR ucb);

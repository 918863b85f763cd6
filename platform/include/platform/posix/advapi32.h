// advapi32: the registry.
#pragma once

#include "platform/posix/types.h"

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u
#define REG_DWORD_LITTLE_ENDIAN 4u
#define REG_DWORD_BIG_ENDIAN 5u
#define REG_LINK 6u
#define REG_MULTI_SZ 7u
#define REG_QWORD 11u

// Result of RegSetValueExA for NULL data with a non-zero size.
#ifndef ERROR_NOACCESS
#define ERROR_NOACCESS 998L
#endif

#define REG_OPTION_NON_VOLATILE 0x00000000u
#define REG_OPTION_VOLATILE 0x00000001u
#define REG_CREATED_NEW_KEY 0x00000001u
#define REG_OPENED_EXISTING_KEY 0x00000002u

#define DELETE 0x00010000u
#define READ_CONTROL 0x00020000u
#define WRITE_DAC 0x00040000u
#define WRITE_OWNER 0x00080000u
#define SYNCHRONIZE 0x00100000u
#define ACCESS_SYSTEM_SECURITY 0x01000000u
#define MAXIMUM_ALLOWED 0x02000000u
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_ALL 0x001F0000u
#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define KEY_CREATE_LINK 0x0020u
#define KEY_WOW64_64KEY 0x0100u
#define KEY_WOW64_32KEY 0x0200u
#define KEY_READ 0x20019u
#define KEY_WRITE 0x20006u
#define KEY_EXECUTE 0x20019u
#define KEY_ALL_ACCESS 0xF003Fu

QJ_PLATFORM_API LSTATUS WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
QJ_PLATFORM_API LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                                               DWORD dwOptions, REGSAM samDesired,
                                               LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                                               LPDWORD lpdwDisposition);
QJ_PLATFORM_API LSTATUS WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
QJ_PLATFORM_API LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                             PHKEY phkResult);
QJ_PLATFORM_API LSTATUS WINAPI RegCloseKey(HKEY hKey);
QJ_PLATFORM_API LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                                              const BYTE* lpData, DWORD cbData);
QJ_PLATFORM_API LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                                LPBYTE lpData, LPDWORD lpcbData);
QJ_PLATFORM_API LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
QJ_PLATFORM_API LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
QJ_PLATFORM_API LSTATUS WINAPI RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName);
QJ_PLATFORM_API LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                                             LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                                             PFILETIME lpftLastWriteTime);
QJ_PLATFORM_API LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                                             LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
QJ_PLATFORM_API LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime);
QJ_PLATFORM_API LSTATUS WINAPI RegFlushKey(HKEY hKey);

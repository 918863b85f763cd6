// Shared internals of the platform layer's pieces (never seen by product code).
#pragma once

#include "platform/win32.h"

#include <functional>
#include <memory>
#include <string>

namespace qjplat {

// A kernel object behind a HANDLE. Each kind overrides what it supports; the
// defaults fail with ERROR_INVALID_HANDLE.
class KernelObject {
 public:
  virtual ~KernelObject() = default;
  virtual DWORD Wait(DWORD dwMilliseconds);
  virtual BOOL Read(void* pBuffer, DWORD cbToRead, DWORD* pcbRead);
  virtual BOOL Write(const void* pBuffer, DWORD cbToWrite, DWORD* pcbWritten);
};

// The handle table: CloseHandle drops the table's reference; an operation in
// progress keeps the object alive through its own shared_ptr.
HANDLE AddHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

// Device interface paths ("\\?\..."): the provider returns the opened object,
// or NULL with *pdwError set. It holds its devices to the share rule below
// as files are held to it. Installed by the simulated HID devices.
using DeviceOpener = std::function<std::shared_ptr<KernelObject>(const std::string& path, DWORD dwAccess,
                                                                 DWORD dwShareMode, DWORD* pdwError)>;
void SetDeviceOpener(DeviceOpener opener);

// Maps a Windows path to the Linux file system as Wine does: "C:\..." below
// the simulated machine's root, "Z:\..." from "/". Returns false for a path
// that names neither (another drive, a relative path is taken below the
// current directory).
bool MapWindowsPath(const char* pszWindowsPath, std::string* pLinuxPath);

// The simulated machine's root folder (holds drive C and the registry file).
std::string MachineRoot();

// ---- Additions for the layer's own pieces -------------------------------

// Drops the table's reference to a handle; false for an unknown handle.
bool RemoveHandle(HANDLE handle);

// The installed device opener (empty when none is installed).
DeviceOpener GetDeviceOpener();

// Whether an access mask of CreateFileA asks to read, or to write, the data
// (the generic rights and the specific data rights alike).
bool AccessReadsData(DWORD dwAccess);
bool AccessWritesData(DWORD dwAccess);

// The share rule of files and devices: true when an open with dwAccess and
// dwShareMode clashes with a handle open with dwHeldAccess and
// dwHeldShareMode (CreateFileA then fails with ERROR_SHARING_VIOLATION).
bool ShareModesClash(DWORD dwHeldAccess, DWORD dwHeldShareMode, DWORD dwAccess, DWORD dwShareMode);

// Maps a Windows path like MapWindowsPath and also reports the error a file
// call gives for a path that cannot be mapped (ERROR_PATH_NOT_FOUND,
// ERROR_INVALID_NAME or ERROR_FILE_NOT_FOUND for a device path).
bool MapWindowsPathOrError(const char* pszWindowsPath, std::string* pLinuxPath, DWORD* pdwError);

// The Windows form of a Linux path: "Z:" followed by the path with
// backslashes (relative paths are first made absolute).
std::string LinuxToWindowsPath(const std::string& linuxPath);

// Windows error for a failed errno of a file call on linuxPath: ENOENT gives
// ERROR_PATH_NOT_FOUND when the containing folder is missing, otherwise
// ERROR_FILE_NOT_FOUND.
DWORD ErrorFromErrno(int err, const std::string& linuxPath);

// The Linux path of a module handle (LoadLibraryA, GetModuleHandleA, or any
// address inside a loaded shared object); empty when unknown.
std::string ModuleLinuxPath(HMODULE hModule);

// Tick count of the simulated clock in milliseconds (wraps at 2^32), and
// whether it is frozen.
DWORD ClockTick();
bool ClockFrozen();

// Appends one OutputDebugStringA text to the captured debug output.
void AppendDebugOutput(const char* pszText);

// Windows-1252 <-> UTF-16 of one unit; CodePage1252FromUnicode returns -1 for
// a character the code page lacks.
WCHAR CodePage1252ToUnicode(unsigned char ch);
int CodePage1252FromUnicode(WCHAR wch);

}  // namespace qjplat

namespace sim {
// Registers a callback run after the simulated machine's root changes
// (sim::SetMachineRoot); pieces that cache state below the root use it.
void OnMachineRootChanged(std::function<void()> callback);
}  // namespace sim

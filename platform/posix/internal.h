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
// or NULL with *pdwError set. Installed by the simulated HID devices.
using DeviceOpener = std::function<std::shared_ptr<KernelObject>(const std::string& path, DWORD dwAccess,
                                                                 DWORD* pdwError)>;
void SetDeviceOpener(DeviceOpener opener);

// Maps a Windows path to the Linux file system as Wine does: "C:\..." below
// the simulated machine's root, "Z:\..." from "/". Returns false for a path
// that names neither (another drive, a relative path is taken below the
// current directory).
bool MapWindowsPath(const char* pszWindowsPath, std::string* pLinuxPath);

// The simulated machine's root folder (holds drive C and the registry file).
std::string MachineRoot();

}  // namespace qjplat

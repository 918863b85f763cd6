// CloseHandle and WaitForSingleObject over the handle table.
#include "posix/internal.h"

// Closes the table's reference; FALSE with ERROR_INVALID_HANDLE for a handle
// that is not open.
QJ_PLATFORM_API BOOL WINAPI CloseHandle(HANDLE hObject) {
  if (!qjplat::RemoveHandle(hObject)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

// WAIT_OBJECT_0 when signalled, WAIT_TIMEOUT after dwMilliseconds, WAIT_FAILED
// with ERROR_INVALID_HANDLE for a handle that is not open or not waitable.
QJ_PLATFORM_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  std::shared_ptr<qjplat::KernelObject> object = qjplat::LookupHandle(hHandle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return object->Wait(dwMilliseconds);
}

// Per-thread last-error value.
#include "posix/internal.h"

namespace {
thread_local DWORD t_dwLastError = ERROR_SUCCESS;
}

QJ_PLATFORM_API DWORD WINAPI GetLastError(void) { return t_dwLastError; }

QJ_PLATFORM_API void WINAPI SetLastError(DWORD dwErrCode) { t_dwLastError = dwErrCode; }

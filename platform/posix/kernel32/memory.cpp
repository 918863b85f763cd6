// LocalAlloc/LocalFree and the pointer probes.
#include "posix/internal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

// LMEM_FIXED memory (LMEM_ZEROINIT clears it); a zero size still gives a
// distinct block. NULL with ERROR_NOT_ENOUGH_MEMORY when none is left.
QJ_PLATFORM_API HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  size_t cb = uBytes ? uBytes : 1;
  void* pv = (uFlags & LMEM_ZEROINIT) ? std::calloc(1, cb) : std::malloc(cb);
  if (!pv) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return pv;
}

// NULL on success, as on Windows.
QJ_PLATFORM_API HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  std::free(hMem);
  return nullptr;
}

namespace {

// Whether [p, p + cb) lies in mappings that all grant chPermission ('r' or
// 'w'), read from the process's own map list so that nothing is touched.
bool RangeIsMapped(uintptr_t p, uintptr_t cb, char chPermission) {
  uintptr_t end = p + cb;
  if (end < p) return false;  // wraps around the address space
  int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string maps;
  char buffer[8192];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    maps.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  uintptr_t covered = p;  // everything below has been found accessible
  size_t pos = 0;
  while (pos < maps.size() && covered < end) {
    size_t eol = maps.find('\n', pos);
    if (eol == std::string::npos) eol = maps.size();
    const char* line = maps.c_str() + pos;
    char* pszNext = nullptr;
    uintptr_t start = std::strtoull(line, &pszNext, 16);
    uintptr_t stop = (*pszNext == '-') ? std::strtoull(pszNext + 1, &pszNext, 16) : 0;
    const char* perms = pszNext + 1;
    pos = eol + 1;
    if (stop <= covered) continue;
    if (start > covered) return false;  // a hole
    bool bAllowed = chPermission == 'r' ? perms[0] == 'r' : perms[1] == 'w';
    if (!bAllowed) return false;
    covered = stop;
  }
  return covered >= end;
}

}  // namespace

// TRUE when any byte of the range cannot be read. NULL with a size is bad; a
// zero size is always good.
QJ_PLATFORM_API BOOL WINAPI IsBadReadPtr(const void* lp, UINT_PTR ucb) {
  if (ucb == 0) return FALSE;
  if (!lp) return TRUE;
  return RangeIsMapped(reinterpret_cast<uintptr_t>(lp), ucb, 'r') ? FALSE : TRUE;
}

// TRUE when any byte of the range cannot be written.
QJ_PLATFORM_API BOOL WINAPI IsBadWritePtr(LPVOID lp, UINT_PTR ucb) {
  if (ucb == 0) return FALSE;
  if (!lp) return TRUE;
  return RangeIsMapped(reinterpret_cast<uintptr_t>(lp), ucb, 'w') ? FALSE : TRUE;
}

// ole32: GUID text and the apartment calls.
#include "posix/internal.h"

namespace {

void PutHex(LPWSTR* ppwsz, uint32_t value, int nDigits) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int i = nDigits - 1; i >= 0; --i) *(*ppwsz)++ = static_cast<WCHAR>(kDigits[(value >> (i * 4)) & 0xF]);
}

}  // namespace

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": 39 characters with the
// terminator, or 0 (nothing written) when cchMax is smaller.
QJ_PLATFORM_API int WINAPI StringFromGUID2(REFGUID rguid, LPWSTR lpsz, int cchMax) {
  constexpr int kChars = 39;
  if (!lpsz || cchMax < kChars) return 0;
  LPWSTR p = lpsz;
  *p++ = u'{';
  PutHex(&p, rguid.Data1, 8);
  *p++ = u'-';
  PutHex(&p, rguid.Data2, 4);
  *p++ = u'-';
  PutHex(&p, rguid.Data3, 4);
  *p++ = u'-';
  PutHex(&p, rguid.Data4[0], 2);
  PutHex(&p, rguid.Data4[1], 2);
  *p++ = u'-';
  for (int i = 2; i < 8; ++i) PutHex(&p, rguid.Data4[i], 2);
  *p++ = u'}';
  *p = 0;
  return kChars;
}

// The layer has no apartments: both calls only succeed.
QJ_PLATFORM_API HRESULT WINAPI CoInitialize(LPVOID) { return S_OK; }

QJ_PLATFORM_API void WINAPI CoUninitialize(void) {}

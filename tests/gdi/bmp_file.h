// Test helper: BMP file images built in memory and written through the
// Win32 file API (usable by native and Windows builds alike).
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace bmptest {

inline void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = uint8_t(x);
  v[at + 1] = uint8_t(x >> 8);
}
inline void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

// A BMP image: nBits 1, 4 or 8 take pixels as palette indexes, 24 and 32 as
// COLORREF values. Pixels are given top row first; bTopDown stores them
// top-down (negative height), else bottom-up.
inline std::vector<uint8_t> MakeBmp(int nWidth, int nHeight, int nBits, const std::vector<uint32_t>& pixels,
                                    bool bTopDown = false, const std::vector<COLORREF>& palette = {}) {
  const size_t cbStride = ((size_t(nWidth) * nBits + 31) / 32) * 4;
  const size_t cbPalette = palette.size() * 4;
  const size_t cbOff = 14 + 40 + cbPalette;
  std::vector<uint8_t> v(cbOff + cbStride * size_t(nHeight), 0);
  v[0] = 'B';
  v[1] = 'M';
  Put32(v, 2, uint32_t(v.size()));
  Put32(v, 10, uint32_t(cbOff));
  Put32(v, 14, 40);
  Put32(v, 18, uint32_t(nWidth));
  Put32(v, 22, uint32_t(bTopDown ? -nHeight : nHeight));
  Put16(v, 26, 1);
  Put16(v, 28, uint32_t(nBits));
  Put32(v, 30, BI_RGB);
  Put32(v, 34, uint32_t(cbStride * size_t(nHeight)));
  Put32(v, 46, uint32_t(palette.size()));
  for (size_t i = 0; i < palette.size(); ++i) {
    v[54 + 4 * i] = GetBValue(palette[i]);
    v[54 + 4 * i + 1] = GetGValue(palette[i]);
    v[54 + 4 * i + 2] = GetRValue(palette[i]);
  }
  for (int y = 0; y < nHeight; ++y) {
    const int fileRow = bTopDown ? y : nHeight - 1 - y;
    uint8_t* row = v.data() + cbOff + cbStride * size_t(fileRow);
    for (int x = 0; x < nWidth; ++x) {
      uint32_t p = pixels[size_t(y) * nWidth + x];
      switch (nBits) {
        case 1: row[x / 8] |= uint8_t((p & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= uint8_t((p & 15) << ((x % 2) ? 0 : 4)); break;
        case 8: row[x] = uint8_t(p); break;
        case 24:
          row[3 * x] = GetBValue(p);
          row[3 * x + 1] = GetGValue(p);
          row[3 * x + 2] = GetRValue(p);
          break;
        case 32:
          row[4 * x] = GetBValue(p);
          row[4 * x + 1] = GetGValue(p);
          row[4 * x + 2] = GetRValue(p);
          break;
      }
    }
  }
  return v;
}

// A 24-bit image of one colour.
inline std::vector<uint8_t> SolidBmp(int nWidth, int nHeight, COLORREF color) {
  return MakeBmp(nWidth, nHeight, 24, std::vector<uint32_t>(size_t(nWidth) * nHeight, color));
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hFile == INVALID_HANDLE_VALUE) return false;
  DWORD dwWritten = 0;
  BOOL bOk = bytes.empty() || WriteFile(hFile, bytes.data(), DWORD(bytes.size()), &dwWritten, nullptr);
  CloseHandle(hFile);
  return bOk && dwWritten == bytes.size();
}

// A file path below the temporary folder, unique to this process.
inline std::string TempPath(const char* pszName) {
  char szTemp[MAX_PATH];
  DWORD cch = GetTempPathA(MAX_PATH, szTemp);
  if (cch == 0 || cch >= MAX_PATH) return std::string();
  char szPrefix[64];
  wsprintfA(szPrefix, "qjbmp-%lu-", GetCurrentProcessId());
  return std::string(szTemp) + szPrefix + pszName;
}

}  // namespace bmptest

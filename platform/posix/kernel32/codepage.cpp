// MultiByteToWideChar and WideCharToMultiByte for the ANSI code page
// (Windows-1252) and UTF-8.
#include "posix/internal.h"

#include <string>
#include <vector>

namespace {

// Windows-1252 0x80..0x9F; the five unassigned bytes map to the C1 controls
// of the same value.
constexpr WCHAR k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsAnsi(UINT CodePage) { return CodePage == CP_ACP || CodePage == CP_OEMCP || CodePage == 1252; }

// Decodes UTF-8 into UTF-16; an invalid sequence becomes U+FFFD, or fails
// when bStrict.
bool DecodeUtf8(const unsigned char* p, size_t cb, bool bStrict, std::u16string* pOut) {
  for (size_t i = 0; i < cb;) {
    unsigned char ch = p[i];
    if (ch < 0x80) {
      pOut->push_back(ch);
      ++i;
      continue;
    }
    int extra = 0;
    uint32_t cp = 0, minimum = 0;
    if (ch >= 0xC2 && ch <= 0xDF) {
      extra = 1, cp = ch & 0x1F, minimum = 0x80;
    } else if (ch >= 0xE0 && ch <= 0xEF) {
      extra = 2, cp = ch & 0x0F, minimum = 0x800;
    } else if (ch >= 0xF0 && ch <= 0xF4) {
      extra = 3, cp = ch & 0x07, minimum = 0x10000;
    } else {
      if (bStrict) return false;
      pOut->push_back(0xFFFD);
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool bValid = true;
    for (int k = 0; k < extra; ++k, ++j) {
      if (j >= cb || (p[j] & 0xC0) != 0x80) {
        bValid = false;
        break;
      }
      cp = (cp << 6) | (p[j] & 0x3F);
    }
    if (bValid && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) bValid = false;
    if (!bValid) {
      if (bStrict) return false;
      pOut->push_back(0xFFFD);
      i = j > i + 1 ? j : i + 1;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      pOut->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      pOut->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      pOut->push_back(static_cast<char16_t>(cp));
    }
    i = j;
  }
  return true;
}

// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD. Each
// character's bytes are recorded in pEnds by the offset where it ends.
void EncodeUtf8(const WCHAR* p, size_t cch, std::string* pOut, std::vector<size_t>* pEnds) {
  for (size_t i = 0; i < cch; ++i) {
    uint32_t cp = p[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < cch && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (p[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      pOut->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      pOut->push_back(static_cast<char>(0xC0 | (cp >> 6)));
      pOut->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      pOut->push_back(static_cast<char>(0xE0 | (cp >> 12)));
      pOut->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      pOut->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      pOut->push_back(static_cast<char>(0xF0 | (cp >> 18)));
      pOut->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      pOut->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      pOut->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    pEnds->push_back(pOut->size());
  }
}

size_t WideLength(LPCWSTR p) {
  size_t n = 0;
  while (p[n]) ++n;
  return n;
}

}  // namespace

namespace qjplat {

WCHAR CodePage1252ToUnicode(unsigned char ch) {
  if (ch >= 0x80 && ch <= 0x9F) return k1252High[ch - 0x80];
  return ch;
}

int CodePage1252FromUnicode(WCHAR wch) {
  if (wch < 0x80 || (wch >= 0xA0 && wch <= 0xFF)) return wch;
  for (int i = 0; i < 32; ++i)
    if (k1252High[i] == wch) return 0x80 + i;
  return -1;
}

}  // namespace qjplat

// Converts cbMultiByte bytes (-1: up to and with the terminator). With
// cchWideChar 0 returns the size needed; a buffer too short fails with
// ERROR_INSUFFICIENT_BUFFER after filling it. ERROR_INVALID_PARAMETER for bad
// arguments, ERROR_NO_UNICODE_TRANSLATION for invalid UTF-8 under
// MB_ERR_INVALID_CHARS.
QJ_PLATFORM_API int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                               LPWSTR lpWideCharStr, int cchWideChar) {
  if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
      (cchWideChar > 0 && !lpWideCharStr) ||
      (cchWideChar > 0 && static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!IsAnsi(CodePage) && CodePage != CP_UTF8) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (CodePage == CP_UTF8 && (dwFlags & ~MB_ERR_INVALID_CHARS) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  size_t cb = cbMultiByte == -1 ? std::char_traits<char>::length(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
  std::u16string wide;
  if (CodePage == CP_UTF8) {
    if (!DecodeUtf8(p, cb, (dwFlags & MB_ERR_INVALID_CHARS) != 0, &wide)) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
  } else {
    for (size_t i = 0; i < cb; ++i) wide.push_back(qjplat::CodePage1252ToUnicode(p[i]));
  }
  if (cchWideChar == 0) return static_cast<int>(wide.size());
  if (wide.size() > static_cast<size_t>(cchWideChar)) {
    wide.copy(lpWideCharStr, static_cast<size_t>(cchWideChar));
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  wide.copy(lpWideCharStr, wide.size());
  return static_cast<int>(wide.size());
}

// Converts cchWideChar characters (-1: up to and with the terminator). With
// cbMultiByte 0 returns the size needed. For the ANSI code page a character
// it lacks becomes lpDefaultChar's first byte (else '?') and sets
// *lpUsedDefaultChar; UTF-8 takes neither (ERROR_INVALID_PARAMETER). A buffer
// too short fails with ERROR_INSUFFICIENT_BUFFER after filling it with whole
// characters.
QJ_PLATFORM_API int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                               LPBOOL lpUsedDefaultChar) {
  if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
      (cbMultiByte > 0 && !lpMultiByteStr) ||
      (cbMultiByte > 0 && static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!IsAnsi(CodePage) && CodePage != CP_UTF8) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t cch = cchWideChar == -1 ? WideLength(lpWideCharStr) + 1 : static_cast<size_t>(cchWideChar);
  std::string bytes;
  std::vector<size_t> ends;  // end offset of each character's bytes
  if (CodePage == CP_UTF8) {
    if (lpDefaultChar || lpUsedDefaultChar) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    if (dwFlags != 0) {
      SetLastError(ERROR_INVALID_FLAGS);
      return 0;
    }
    EncodeUtf8(lpWideCharStr, cch, &bytes, &ends);
  } else {
    char chDefault = lpDefaultChar ? *lpDefaultChar : '?';
    bool bUsedDefault = false;
    for (size_t i = 0; i < cch; ++i) {
      int ch = qjplat::CodePage1252FromUnicode(lpWideCharStr[i]);
      if (ch < 0) {
        bUsedDefault = true;
        bytes.push_back(chDefault);
        // A surrogate pair is one character.
        if (lpWideCharStr[i] >= 0xD800 && lpWideCharStr[i] <= 0xDBFF && i + 1 < cch &&
            lpWideCharStr[i + 1] >= 0xDC00 && lpWideCharStr[i + 1] <= 0xDFFF)
          ++i;
      } else {
        bytes.push_back(static_cast<char>(ch));
      }
      ends.push_back(bytes.size());
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = bUsedDefault ? TRUE : FALSE;
  }
  if (cbMultiByte == 0) return static_cast<int>(bytes.size());
  if (bytes.size() > static_cast<size_t>(cbMultiByte)) {
    size_t cbFit = 0;
    for (size_t end : ends) {
      if (end > static_cast<size_t>(cbMultiByte)) break;
      cbFit = end;
    }
    bytes.copy(lpMultiByteStr, cbFit);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  bytes.copy(lpMultiByteStr, bytes.size());
  return static_cast<int>(bytes.size());
}

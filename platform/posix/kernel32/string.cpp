// Debug output, wsprintfA and the lstr*A string calls.
#include "posix/internal.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

// Appends the text to the captured debug output (echoed to stderr when
// QJ_DEBUG_OUTPUT is set). NULL writes nothing.
QJ_PLATFORM_API void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
  if (!lpOutputString) return;
  qjplat::AppendDebugOutput(lpOutputString);
}

namespace {

// wsprintf writes at most this many characters, the terminator included.
constexpr size_t kMaxOutput = 1024;

struct Spec {
  bool bLeft = false;
  bool bZero = false;
  bool bPrefix = false;
  size_t width = 0;
  bool bHasPrecision = false;
  size_t precision = 0;
};

void Pad(std::string* pOut, const std::string& body, const Spec& spec, const std::string& prefix) {
  size_t len = body.size() + prefix.size();
  size_t fill = spec.width > len ? spec.width - len : 0;
  if (spec.bLeft) {
    *pOut += prefix + body;
    pOut->append(fill, ' ');
  } else if (spec.bZero) {
    *pOut += prefix;
    pOut->append(fill, '0');
    *pOut += body;
  } else {
    pOut->append(fill, ' ');
    *pOut += prefix + body;
  }
}

std::string Digits(uint32_t value, unsigned base, bool bUpper) {
  const char* pszDigits = bUpper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), pszDigits[value % base]);
    value /= base;
  } while (value);
  return text;
}

char WideToAnsi(WCHAR wch) {
  int ch = qjplat::CodePage1252FromUnicode(wch);
  return ch < 0 ? '?' : static_cast<char>(ch);
}

// Formats as Windows' wsprintf: flags '-', '0', '#', a width, a precision,
// the size prefixes 'h' and 'l' (32-bit on every host), and the types c C d
// i u x X s S; another type character stands for itself.
std::string Format(LPCSTR format, va_list args) {
  std::string out;
  for (const char* p = format; *p && out.size() < kMaxOutput; ++p) {
    if (*p != '%') {
      out += *p;
      continue;
    }
    ++p;
    if (*p == '%') {
      out += '%';
      continue;
    }
    Spec spec;
    for (;; ++p) {
      if (*p == '-')
        spec.bLeft = true;
      else if (*p == '0')
        spec.bZero = true;
      else if (*p == '#')
        spec.bPrefix = true;
      else
        break;
    }
    while (*p >= '0' && *p <= '9') spec.width = spec.width * 10 + static_cast<size_t>(*p++ - '0');
    if (*p == '.') {
      spec.bHasPrecision = true;
      ++p;
      while (*p >= '0' && *p <= '9') spec.precision = spec.precision * 10 + static_cast<size_t>(*p++ - '0');
    }
    if (spec.width > kMaxOutput) spec.width = kMaxOutput;
    bool bWide = false, bNarrow = false;
    if (*p == 'l') {
      bWide = true;
      ++p;
    } else if (*p == 'h') {
      bNarrow = true;
      ++p;
    }
    if (!*p) break;
    switch (*p) {
      case 'c':
      case 'C': {
        bool bWideChar = bWide || (*p == 'C' && !bNarrow);
        int value = va_arg(args, int);
        char ch = bWideChar ? WideToAnsi(static_cast<WCHAR>(value)) : static_cast<char>(value);
        Spec charSpec = spec;
        charSpec.bZero = false;
        Pad(&out, std::string(1, ch), charSpec, "");
        break;
      }
      case 's':
      case 'S': {
        bool bWideString = bWide || (*p == 'S' && !bNarrow);
        std::string text;
        if (bWideString) {
          const WCHAR* pwsz = va_arg(args, const WCHAR*);
          if (!pwsz) pwsz = u"(null)";
          for (size_t i = 0; pwsz[i] && (!spec.bHasPrecision || i < spec.precision); ++i) text += WideToAnsi(pwsz[i]);
        } else {
          const char* psz = va_arg(args, const char*);
          if (!psz) psz = "(null)";
          size_t n = 0;
          while (psz[n] && (!spec.bHasPrecision || n < spec.precision)) ++n;
          text.assign(psz, n);
        }
        Spec textSpec = spec;
        textSpec.bZero = false;
        Pad(&out, text, textSpec, "");
        break;
      }
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X': {
        // 'h' is accepted but the promoted int is printed whole.
        uint32_t raw = va_arg(args, unsigned int);
        std::string sign, digits;
        if (*p == 'd' || *p == 'i') {
          int32_t value = static_cast<int32_t>(raw);
          if (value < 0) sign = "-";
          digits = Digits(value < 0 ? 0u - raw : raw, 10, false);
        } else {
          digits = Digits(raw, *p == 'u' ? 10 : 16, *p == 'X');
          if (spec.bPrefix && (*p == 'x' || *p == 'X') && raw != 0) sign = *p == 'x' ? "0x" : "0X";
        }
        if (spec.bHasPrecision) {
          if (spec.precision == 0 && raw == 0) digits.clear();
          if (digits.size() < spec.precision) digits.insert(0, std::min(spec.precision, kMaxOutput) - digits.size(), '0');
        }
        Pad(&out, digits, spec, sign);
        break;
      }
      default:
        out += *p;
        break;
    }
  }
  if (out.size() > kMaxOutput - 1) out.resize(kMaxOutput - 1);
  return out;
}

}  // namespace

// Writes at most 1023 characters and the terminator; returns the count
// written without the terminator.
QJ_PLATFORM_API int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arglist) {
  if (!buffer || !format) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  va_list args;
  va_copy(args, arglist);
  std::string text = Format(format, args);
  va_end(args);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<int>(text.size());
}

QJ_PLATFORM_API int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  va_list args;
  va_start(args, format);
  int result = wvsprintfA(buffer, format, args);
  va_end(args);
  return result;
}

// A NULL string has length 0.
QJ_PLATFORM_API int WINAPI lstrlenA(LPCSTR lpString) {
  return lpString ? static_cast<int>(std::strlen(lpString)) : 0;
}

QJ_PLATFORM_API LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
  if (!lpString1 || !lpString2) return nullptr;
  std::memmove(lpString1, lpString2, std::strlen(lpString2) + 1);
  return lpString1;
}

// Copies at most iMaxLength - 1 characters and always terminates.
QJ_PLATFORM_API LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
  if (!lpString1 || !lpString2) return nullptr;
  if (iMaxLength <= 0) return lpString1;
  size_t n = 0;
  while (n + 1 < static_cast<size_t>(iMaxLength) && lpString2[n]) ++n;
  std::memmove(lpString1, lpString2, n);
  lpString1[n] = '\0';
  return lpString1;
}

QJ_PLATFORM_API LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) {
  if (!lpString1 || !lpString2) return nullptr;
  std::memmove(lpString1 + std::strlen(lpString1), lpString2, std::strlen(lpString2) + 1);
  return lpString1;
}

namespace {

int Sign(int value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

// Case-blind order first; with bCase a tie is broken with the lower-case
// letter first, as the word sort of the user locale orders "a" < "A" < "b".
int CompareStrings(LPCSTR a, LPCSTR b, bool bCase) {
  if (!a) a = "";
  if (!b) b = "";
  int tie = 0;
  for (size_t i = 0;; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    int la = std::tolower(ca), lb = std::tolower(cb);
    if (la != lb) return Sign(la - lb);
    if (ca == 0) return bCase ? tie : 0;
    if (bCase && tie == 0 && ca != cb) tie = std::islower(ca) ? -1 : 1;
  }
}

}  // namespace

// -1, 0 or 1; letters compare case-blind before case decides.
QJ_PLATFORM_API int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
  return CompareStrings(lpString1, lpString2, true);
}

QJ_PLATFORM_API int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
  return CompareStrings(lpString1, lpString2, false);
}

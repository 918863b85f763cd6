// wsprintfA formats and the lstr*A calls.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct FormatCase {
  const char* pszExpected;
  int nResult;
  std::string text;
};

template <class... Args>
FormatCase Formatted(const char* pszExpected, const char* pszFormat, Args... args) {
  char buffer[256];
  std::memset(buffer, 0xcd, sizeof buffer);
  int n = wsprintfA(buffer, pszFormat, args...);
  return FormatCase{pszExpected, n, std::string(buffer)};
}

TEST(Kernel32Wsprintf, FormatsAsWindows) {
  const LONG lMinusOne = -1;
  const DWORD dwBig = 3000000000u;
  const FormatCase cases[] = {
      Formatted("-42", "%d", -42),
      Formatted("7", "%i", 7),
      Formatted("4294967295", "%u", 0xFFFFFFFFu),
      Formatted("beef BEEF", "%x %X", 0xBEEFu, 0xBEEFu),
      Formatted("0x1f 0X1F", "%#x %#X", 0x1Fu, 0x1Fu),
      Formatted("00001234", "%08lX", 0x1234u),
      Formatted("   42|42   |-0042", "%5d|%-5d|%05d", 42, 42, -42),
      Formatted("-1 3000000000 ffffffff", "%ld %lu %lx", lMinusOne, dwBig, lMinusOne),
      Formatted("-5 65535", "%hd %hu", -5, 0xFFFF),
      Formatted("A|  A|B  |", "%c|%3c|%-3c|", 'A', 'A', 'B'),
      Formatted("abc|ab|abc   |   abc", "%s|%.2s|%-6s|%6s", "abc", "abc", "abc", "abc"),
      Formatted("narrow wide", "%hs %ls", "narrow", QJ_W("wide")),
      Formatted("100%", "100%%"),
      Formatted("(null)", "%s", static_cast<const char*>(nullptr)),
      Formatted("{5B2E91C7}", "{%08lX}", 0x5B2E91C7u),
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.pszExpected);
    EXPECT_EQ(c.text, c.pszExpected);
    EXPECT_EQ(c.nResult, static_cast<int>(std::strlen(c.pszExpected)));
  }
}

TEST(Kernel32Wsprintf, NeverWritesBeyond1024Bytes) {
  std::string longText(2000, 'x');
  char buffer[2048];
  std::memset(buffer, 0xcd, sizeof buffer);
  int n = wsprintfA(buffer, "%s", longText.c_str());
  EXPECT_GE(n, 1023);
  EXPECT_LE(n, 1024);
  for (size_t i = 1024; i < sizeof buffer; ++i) ASSERT_EQ(static_cast<unsigned char>(buffer[i]), 0xcdu) << i;
}

TEST(Kernel32Lstr, CopyConcatenateAndMeasure) {
  char buffer[16];
  std::memset(buffer, 0xcd, sizeof buffer);
  EXPECT_EQ(lstrcpyA(buffer, "abc"), buffer);
  EXPECT_EQ(lstrcatA(buffer, "def"), buffer);
  EXPECT_STREQ(buffer, "abcdef");
  EXPECT_EQ(lstrlenA(buffer), 6);
  EXPECT_EQ(lstrlenA(nullptr), 0);

  // lstrcpyn copies iMaxLength - 1 characters and terminates.
  std::memset(buffer, 0xcd, sizeof buffer);
  EXPECT_EQ(lstrcpynA(buffer, "abcdef", 4), buffer);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(static_cast<unsigned char>(buffer[4]), 0xcdu);
  lstrcpynA(buffer, "ab", 10);
  EXPECT_STREQ(buffer, "ab");
}

TEST(Kernel32Lstr, Comparisons) {
  struct Case {
    const char* a;
    const char* b;
    int nCase;    // sign of lstrcmpA
    int nNoCase;  // sign of lstrcmpiA
  };
  const Case cases[] = {
      {"abc", "abc", 0, 0},   {"abc", "ABC", -1, 0}, {"abc", "abd", -1, -1},
      {"b", "A", 1, 1},       {"ab", "abc", -1, -1}, {"Setup.ini", "SETUP.INI", -1, 0},
  };
  auto sign = [](int n) { return n < 0 ? -1 : n > 0 ? 1 : 0; };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(sign(lstrcmpA(c.a, c.b)), c.nCase);
    EXPECT_EQ(sign(lstrcmpiA(c.a, c.b)), c.nNoCase);
    EXPECT_EQ(sign(lstrcmpA(c.b, c.a)), -c.nCase);
  }
}

}  // namespace

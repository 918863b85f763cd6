// MultiByteToWideChar and WideCharToMultiByte: sizes, contents, short
// buffers and the default character.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct ToWideCase {
  const char* pszName;
  UINT uCodePage;
  const char* pszInput;
  int cbInput;
  int nNeeded;
};

TEST(Kernel32CodePage, MultiByteToWideCharSizes) {
  const ToWideCase cases[] = {
      {"ansi terminated", CP_ACP, "abc", -1, 4},
      {"ansi counted", CP_ACP, "abc", 3, 3},
      {"ansi empty terminated", CP_ACP, "", -1, 1},
      {"utf8 two-byte", CP_UTF8, "\xC3\xA9", -1, 2},
      {"utf8 outside the BMP", CP_UTF8, "\xF0\x9F\x98\x80", 4, 2},
  };
  for (const ToWideCase& c : cases) {
    SCOPED_TRACE(c.pszName);
    EXPECT_EQ(MultiByteToWideChar(c.uCodePage, 0, c.pszInput, c.cbInput, nullptr, 0), c.nNeeded);
    WCHAR buffer[16];
    std::memset(buffer, 0xcd, sizeof buffer);
    EXPECT_EQ(MultiByteToWideChar(c.uCodePage, 0, c.pszInput, c.cbInput, buffer, 16), c.nNeeded);
    EXPECT_EQ(buffer[c.nNeeded], 0xcdcd);  // nothing written past the result
  }
}

TEST(Kernel32CodePage, AnsiIsWindows1252) {
  WCHAR wsz[4];
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x80\xE9", 2, wsz, 4), 2);
  EXPECT_EQ(wsz[0], 0x20AC);
  EXPECT_EQ(wsz[1], 0x00E9);
  char sz[4];
  std::memset(sz, 0xcd, sizeof sz);
  const WCHAR wszBack[] = {0x00E9, 0x20AC, 0};
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wszBack, -1, sz, 4, nullptr, nullptr), 3);
  EXPECT_EQ(std::string(sz), "\xE9\x80");
}

struct ToMultiCase {
  const char* pszName;
  UINT uCodePage;
  const WCHAR* pwszInput;
  int cchInput;
  int nNeeded;
  const char* pszBytes;
};

TEST(Kernel32CodePage, WideCharToMultiByteSizes) {
  const WCHAR wszEuro[] = {0x20AC, 0};
  const WCHAR wszAccent[] = {0x00E9, 0};
  const ToMultiCase cases[] = {
      {"ansi terminated", CP_ACP, QJ_W("abc"), -1, 4, "abc"},
      {"ansi counted", CP_ACP, QJ_W("abc"), 3, 3, "abc"},
      {"utf8 two-byte", CP_UTF8, wszAccent, -1, 3, "\xC3\xA9"},
      {"utf8 three-byte", CP_UTF8, wszEuro, -1, 4, "\xE2\x82\xAC"},
  };
  for (const ToMultiCase& c : cases) {
    SCOPED_TRACE(c.pszName);
    EXPECT_EQ(WideCharToMultiByte(c.uCodePage, 0, c.pwszInput, c.cchInput, nullptr, 0, nullptr, nullptr), c.nNeeded);
    char buffer[16];
    std::memset(buffer, 0xcd, sizeof buffer);
    ASSERT_EQ(WideCharToMultiByte(c.uCodePage, 0, c.pwszInput, c.cchInput, buffer, 16, nullptr, nullptr), c.nNeeded);
    EXPECT_EQ(std::string(buffer, std::strlen(c.pszBytes)), c.pszBytes);
    EXPECT_EQ(static_cast<unsigned char>(buffer[c.nNeeded]), 0xcdu);
  }
}

TEST(Kernel32CodePage, ShortBuffersFailWithInsufficientBuffer) {
  WCHAR wsz[3];
  SetLastError(0xdeadbeef);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wsz, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  char sz[8];
  SetLastError(0xdeadbeef);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, QJ_W("abc"), -1, sz, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  // An exact fit succeeds.
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, QJ_W("abc"), -1, sz, 4, nullptr, nullptr), 4);
  EXPECT_STREQ(sz, "abc");
}

TEST(Kernel32CodePage, InvalidArguments) {
  WCHAR wsz[4];
  SetLastError(0xdeadbeef);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, wsz, 4), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, -1, wsz, 4), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  char sz[4];
  SetLastError(0xdeadbeef);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, QJ_W("abc"), 0, sz, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  BOOL bUsed = FALSE;
  SetLastError(0xdeadbeef);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, QJ_W("abc"), -1, sz, 4, nullptr, &bUsed), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Kernel32CodePage, UnmappableCharactersUseTheDefault) {
  const WCHAR wsz[] = {'a', 0x4E2D, 'b', 0};
  char sz[8];
  BOOL bUsed = 0xdead;
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wsz, -1, sz, 8, nullptr, &bUsed), 4);
  EXPECT_STREQ(sz, "a?b");
  EXPECT_TRUE(bUsed);
  bUsed = 0xdead;
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wsz, -1, sz, 8, "*", &bUsed), 4);
  EXPECT_STREQ(sz, "a*b");
  EXPECT_TRUE(bUsed);
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, QJ_W("ab"), -1, sz, 8, nullptr, &bUsed), 3);
  EXPECT_FALSE(bUsed);
}

}  // namespace

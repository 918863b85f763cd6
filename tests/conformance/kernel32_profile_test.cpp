// GetPrivateProfileStringA and GetPrivateProfileIntA on an INI file in the
// temporary folder.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kIni[] =
    "[Layout]\r\n"
    "Title =  Hello World  \r\n"
    "Quoted=\"  spaced  \"\r\n"
    "Single='x'\r\n"
    "Number=42\r\n"
    "Negative=-7\r\n"
    "Empty=\r\n"
    "Long=0123456789\r\n"
    "\r\n"
    "[Second]\r\n"
    "a=1\r\n"
    "b=2\r\n";

class Kernel32Profile : public ::testing::Test {
 protected:
  void SetUp() override {
    char szTemp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, szTemp), 0u);
    char szName[64];
    wsprintfA(szName, "qjconf-%lu-%lu.ini", GetCurrentProcessId(), GetTickCount());
    m_path = std::string(szTemp) + szName;
    HANDLE hFile = CreateFileA(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    DWORD cb = 0;
    ASSERT_TRUE(WriteFile(hFile, kIni, sizeof kIni - 1, &cb, nullptr));
    CloseHandle(hFile);
  }
  void TearDown() override { DeleteFileA(m_path.c_str()); }

  std::string m_path;
};

struct ProfileCase {
  const char* pszSection;
  const char* pszKey;
  const char* pszDefault;
  DWORD nSize;
  const char* pszExpected;
};

TEST_F(Kernel32Profile, ValuesDefaultsTrimmingAndTruncation) {
  const ProfileCase cases[] = {
      {"Layout", "Title", "d", 64, "Hello World"},
      {"layout", "TITLE", "d", 64, "Hello World"},
      {"Layout", "Quoted", "d", 64, "  spaced  "},
      {"Layout", "Single", "d", 64, "x"},
      {"Layout", "Empty", "d", 64, ""},
      {"Layout", "Missing", "dflt", 64, "dflt"},
      {"Layout", "Missing", "dflt   ", 64, "dflt"},
      {"Layout", "Missing", nullptr, 64, ""},
      {"NoSection", "Title", "other", 64, "other"},
      {"Layout", "Long", "d", 5, "0123"},
      {"Layout", "Missing", "default", 4, "def"},
      {"Second", "b", "d", 64, "2"},
  };
  for (const ProfileCase& c : cases) {
    SCOPED_TRACE(std::string(c.pszSection) + "/" + c.pszKey + " size " + std::to_string(c.nSize));
    char buffer[80];
    std::memset(buffer, 0xcd, sizeof buffer);
    DWORD n = GetPrivateProfileStringA(c.pszSection, c.pszKey, c.pszDefault, buffer, c.nSize, m_path.c_str());
    EXPECT_EQ(std::string(buffer), c.pszExpected);
    EXPECT_EQ(n, std::strlen(c.pszExpected));
  }
}

TEST_F(Kernel32Profile, MissingFileGivesTheDefault) {
  char buffer[16];
  std::string missing = m_path + ".none";
  EXPECT_EQ(GetPrivateProfileStringA("Layout", "Title", "none", buffer, sizeof buffer, missing.c_str()), 4u);
  EXPECT_STREQ(buffer, "none");
  EXPECT_EQ(GetPrivateProfileIntA("Layout", "Number", 9, missing.c_str()), 9u);
}

TEST_F(Kernel32Profile, NullSectionOrKeyListsNames) {
  char buffer[64];
  std::memset(buffer, 0xcd, sizeof buffer);
  DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "d", buffer, sizeof buffer, m_path.c_str());
  EXPECT_EQ(n, 14u);
  EXPECT_EQ(std::string(buffer, 15), std::string("Layout\0Second\0\0", 15));

  std::memset(buffer, 0xcd, sizeof buffer);
  n = GetPrivateProfileStringA("second", nullptr, "d", buffer, sizeof buffer, m_path.c_str());
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(std::string(buffer, 5), std::string("a\0b\0\0", 5));

  // Too short: cut to nSize - 2 characters, two terminators.
  std::memset(buffer, 0xcd, sizeof buffer);
  n = GetPrivateProfileStringA(nullptr, nullptr, "d", buffer, 10, m_path.c_str());
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(std::string(buffer, 10), std::string("Layout\0S\0\0", 10));
  EXPECT_EQ(static_cast<unsigned char>(buffer[10]), 0xcdu);
}

TEST_F(Kernel32Profile, IntegerValues) {
  EXPECT_EQ(GetPrivateProfileIntA("Layout", "Number", 5, m_path.c_str()), 42u);
  EXPECT_EQ(GetPrivateProfileIntA("LAYOUT", "negative", 5, m_path.c_str()), static_cast<UINT>(-7));
  EXPECT_EQ(GetPrivateProfileIntA("Layout", "Missing", 5, m_path.c_str()), 5u);
  EXPECT_EQ(GetPrivateProfileIntA("Layout", "Title", 5, m_path.c_str()), 0u);  // not a number
}

}  // namespace

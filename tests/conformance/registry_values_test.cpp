// Registry values through the Win32 API only: sizes and short buffers,
// default values, replacing, deleting and enumerating values.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

// Each test works in its own key HKCU\Software\QjConformance\values.<test>.
class RegistryValues : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_strPath = std::string("Software\\QjConformance\\values.") + info->name();
    RegDeleteKeyA(HKEY_CURRENT_USER, m_strPath.c_str());  // a leftover of an aborted run
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, m_strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &m_hKey, nullptr));
  }
  void TearDown() override {
    if (m_hKey) RegCloseKey(m_hKey);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, m_strPath.c_str()));
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QjConformance");  // only once it is empty
  }

  void Set(const char* pszName, DWORD dwType, const void* pData, DWORD cb) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(m_hKey, pszName, 0, dwType, static_cast<const BYTE*>(pData), cb));
  }

  std::string m_strPath;
  HKEY m_hKey = nullptr;
};

struct QueryCase {
  const char* pszLabel;
  DWORD dwType;
  const char* pData;
  DWORD cbData;
  DWORD cbBuffer;  // the size the caller claims
  bool bNullData;  // lpData NULL: ask for the size only
  LONG lExpected;
};

const QueryCase kQueryCases[] = {
    {"binary, size only", REG_BINARY, "\x01\x02\x03\x04\x05\x06\x07\x08", 8, 0, true, ERROR_SUCCESS},
    {"binary, zero buffer", REG_BINARY, "\x01\x02\x03\x04\x05\x06\x07\x08", 8, 0, false, ERROR_MORE_DATA},
    {"binary, one short", REG_BINARY, "\x01\x02\x03\x04\x05\x06\x07\x08", 8, 7, false, ERROR_MORE_DATA},
    {"binary, exact", REG_BINARY, "\x01\x02\x03\x04\x05\x06\x07\x08", 8, 8, false, ERROR_SUCCESS},
    {"binary, larger", REG_BINARY, "\x01\x02\x03\x04\x05\x06\x07\x08", 8, 32, false, ERROR_SUCCESS},
    {"text, no room for NUL", REG_SZ, "abc", 4, 3, false, ERROR_MORE_DATA},
    {"text, exact", REG_SZ, "abc", 4, 4, false, ERROR_SUCCESS},
    {"text, size only", REG_SZ, "abc", 4, 0, true, ERROR_SUCCESS},
    {"two NULs kept", REG_SZ, "PdFx31.sys\0", 12, 12, false, ERROR_SUCCESS},
    {"dword, short", REG_DWORD, "\x2a\x00\x00\x00", 4, 2, false, ERROR_MORE_DATA},
    {"dword, exact", REG_DWORD, "\x2a\x00\x00\x00", 4, 4, false, ERROR_SUCCESS},
    {"empty binary", REG_BINARY, "", 0, 4, false, ERROR_SUCCESS},
};

TEST_F(RegistryValues, QueryReportsSizesAndShortBuffers) {
  for (const QueryCase& c : kQueryCases) {
    SCOPED_TRACE(c.pszLabel);
    Set("v", c.dwType, c.pData, c.cbData);
    BYTE buffer[40];
    std::memset(buffer, 0xcd, sizeof buffer);
    DWORD dwType = 0xdeadbeef;
    DWORD cb = c.cbBuffer;
    const LONG lErr = RegQueryValueExA(m_hKey, "v", nullptr, &dwType, c.bNullData ? nullptr : buffer, &cb);
    ASSERT_EQ(c.lExpected, lErr);
    // Success and ERROR_MORE_DATA both report the size the data needs.
    EXPECT_EQ(c.cbData, cb);
    if (lErr == ERROR_SUCCESS) {
      EXPECT_EQ(c.dwType, dwType);
      if (!c.bNullData) {
        EXPECT_EQ(0, std::memcmp(buffer, c.pData, c.cbData));
        EXPECT_EQ(0xcd, buffer[c.cbData]) << "wrote past the data";
      }
    }
  }
}

TEST_F(RegistryValues, QueryWithoutSizePointer) {
  Set("v", REG_BINARY, "\x01", 1);
  DWORD dwType = 0xdeadbeef;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(m_hKey, "v", nullptr, &dwType, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), dwType);
}

TEST_F(RegistryValues, MissingValues) {
  DWORD dwType = 0xdeadbeef;
  DWORD cb = 0xdeadbeef;
  BYTE buffer[4];
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(m_hKey, "absent", nullptr, &dwType, buffer, &cb));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(m_hKey, "absent"));
  // A key that has no default value.
  for (const char* pszName : {static_cast<const char*>(nullptr), ""}) {
    cb = sizeof buffer;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(m_hKey, pszName, nullptr, &dwType, buffer, &cb));
  }
}

TEST_F(RegistryValues, DefaultValueByNullOrEmptyName) {
  Set(nullptr, REG_SZ, "deflt", 6);
  char szData[16] = {0};
  DWORD cb = sizeof szData;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(m_hKey, "", nullptr, nullptr, reinterpret_cast<BYTE*>(szData), &cb));
  EXPECT_EQ(6u, cb);
  EXPECT_STREQ("deflt", szData);

  Set("", REG_SZ, "other", 6);
  DWORD cValues = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(m_hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &cValues,
                                            nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(1u, cValues);

  char szName[8];
  std::memset(szName, 'x', sizeof szName);
  DWORD cchName = sizeof szName;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(m_hKey, 0, szName, &cchName, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(0u, cchName);
  EXPECT_STREQ("", szName);

  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(m_hKey, nullptr));
  cb = sizeof szData;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            RegQueryValueExA(m_hKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(szData), &cb));
}

TEST_F(RegistryValues, ReplacingWithAnotherType) {
  Set("v", REG_SZ, "some text", 10);
  const DWORD dw = 7;
  Set("v", REG_DWORD, &dw, sizeof dw);
  DWORD dwType = 0xdeadbeef;
  DWORD dwRead = 0;
  DWORD cb = sizeof dwRead;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(m_hKey, "v", nullptr, &dwType, reinterpret_cast<BYTE*>(&dwRead), &cb));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), dwType);
  EXPECT_EQ(4u, cb);
  EXPECT_EQ(7u, dwRead);

  Set("v", REG_BINARY, nullptr, 0);
  cb = 0xdeadbeef;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(m_hKey, "v", nullptr, &dwType, nullptr, &cb));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), dwType);
  EXPECT_EQ(0u, cb);

  DWORD cValues = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(m_hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &cValues,
                                            nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(1u, cValues);
}

TEST_F(RegistryValues, EnumerationReturnsEveryValueAndEnds) {
  Set("zeta", REG_BINARY, "\x01", 1);
  Set("alpha", REG_BINARY, "\x02\x02", 2);
  Set("mid", REG_DWORD, "\x03\x00\x00\x00", 4);
  std::set<std::string> seen;
  for (DWORD i = 0; i < 3; ++i) {
    char szName[16];
    DWORD cchName = sizeof szName;
    DWORD dwType = 0xdeadbeef;
    BYTE data[8];
    DWORD cb = sizeof data;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(m_hKey, i, szName, &cchName, nullptr, &dwType, data, &cb));
    EXPECT_EQ(std::strlen(szName), cchName);
    const std::string name(szName);
    seen.insert(name);
    if (name == "alpha") {
      EXPECT_EQ(static_cast<DWORD>(REG_BINARY), dwType);
      EXPECT_EQ(2u, cb);
    } else if (name == "mid") {
      EXPECT_EQ(static_cast<DWORD>(REG_DWORD), dwType);
      EXPECT_EQ(4u, cb);
    }
  }
  EXPECT_EQ((std::set<std::string>{"alpha", "mid", "zeta"}), seen);

  char szName[16];
  DWORD cchName = sizeof szName;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueA(m_hKey, 3, szName, &cchName, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(RegistryValues, EnumerationShortBuffers) {
  Set("fivec", REG_BINARY, "\x01\x02\x03\x04\x05\x06", 6);
  char szName[16];
  DWORD cchName = 5;  // no room for the NUL
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(m_hKey, 0, szName, &cchName, nullptr, nullptr, nullptr, nullptr));

  BYTE data[8];
  cchName = sizeof szName;
  DWORD cb = 5;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(m_hKey, 0, szName, &cchName, nullptr, nullptr, data, &cb));
  EXPECT_EQ(6u, cb);

  cchName = sizeof szName;
  cb = 0xdeadbeef;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(m_hKey, 0, szName, &cchName, nullptr, nullptr, nullptr, &cb));
  EXPECT_EQ(6u, cb);
  EXPECT_STREQ("fivec", szName);
}

TEST_F(RegistryValues, DeleteValue) {
  Set("gone", REG_BINARY, "\x01", 1);
  Set("kept", REG_BINARY, "\x02", 1);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(m_hKey, "GONE"));
  DWORD cb = 0;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(m_hKey, "gone", nullptr, nullptr, nullptr, &cb));
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(m_hKey, "kept", nullptr, nullptr, nullptr, &cb));
}

}  // namespace

// Registry keys through the Win32 API only: creation, opening, names without
// case, deletion, enumeration and key information.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Deletes a key and everything below it; ERROR_SUCCESS also when it is absent.
LONG DeleteTree(HKEY hRoot, const std::string& path) {
  HKEY hKey = nullptr;
  LONG lErr = RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_ALL_ACCESS, &hKey);
  if (lErr == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (lErr != ERROR_SUCCESS) return lErr;
  char szName[256];
  while (RegEnumKeyA(hKey, 0, szName, sizeof szName) == ERROR_SUCCESS) {
    lErr = DeleteTree(hKey, szName);
    if (lErr != ERROR_SUCCESS) break;
  }
  RegCloseKey(hKey);
  return lErr == ERROR_SUCCESS ? RegDeleteKeyA(hRoot, path.c_str()) : lErr;
}

// Each test works below its own key HKCU\Software\QjConformance\<test> and
// removes it afterwards.
class RegistryKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_strPath = std::string("Software\\QjConformance\\keys.") + info->name();
    ASSERT_EQ(ERROR_SUCCESS, DeleteTree(HKEY_CURRENT_USER, m_strPath));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, m_strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &m_hKey, nullptr));
  }
  void TearDown() override {
    if (m_hKey) RegCloseKey(m_hKey);
    EXPECT_EQ(ERROR_SUCCESS, DeleteTree(HKEY_CURRENT_USER, m_strPath));
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QjConformance");  // only once it is empty
  }

  LONG Create(const char* pszSub, HKEY* phKey, DWORD* pdwDisposition = nullptr) {
    return RegCreateKeyExA(m_hKey, pszSub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, phKey, pdwDisposition);
  }
  void MakeKey(const char* pszSub) {
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Create(pszSub, &h)) << pszSub;
    RegCloseKey(h);
  }
  std::vector<std::string> SubkeyNames(HKEY hKey) {
    std::vector<std::string> names;
    char szName[256];
    for (DWORD i = 0;; ++i) {
      const LONG lErr = RegEnumKeyA(hKey, i, szName, sizeof szName);
      if (lErr == ERROR_NO_MORE_ITEMS) break;
      EXPECT_EQ(ERROR_SUCCESS, lErr);
      if (lErr != ERROR_SUCCESS) break;
      names.push_back(szName);
    }
    return names;
  }

  std::string m_strPath;
  HKEY m_hKey = nullptr;
};

TEST_F(RegistryKeys, CreateReportsDispositionAndMakesMissingParents) {
  HKEY hDeep = nullptr;
  DWORD dwDisposition = 0xdeadbeef;
  ASSERT_EQ(ERROR_SUCCESS, Create("a\\b\\c", &hDeep, &dwDisposition));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), dwDisposition);
  RegCloseKey(hDeep);

  HKEY hMid = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(m_hKey, "a\\b", 0, KEY_READ, &hMid));
  EXPECT_EQ(std::vector<std::string>{"c"}, SubkeyNames(hMid));
  RegCloseKey(hMid);

  dwDisposition = 0xdeadbeef;
  ASSERT_EQ(ERROR_SUCCESS, Create("a\\b\\c", &hDeep, &dwDisposition));
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), dwDisposition);
  RegCloseKey(hDeep);
}

TEST_F(RegistryKeys, NamesCompareWithoutCaseAndKeepTheirCase) {
  MakeKey("MixedCase\\Inner");
  HKEY h = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(m_hKey, "mixedcase\\INNER", 0, KEY_READ, &h));
  RegCloseKey(h);
  DWORD dwDisposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, Create("MIXEDCASE", &h, &dwDisposition));
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), dwDisposition);
  EXPECT_EQ(std::vector<std::string>{"Inner"}, SubkeyNames(h));
  RegCloseKey(h);
  EXPECT_EQ(std::vector<std::string>{"MixedCase"}, SubkeyNames(m_hKey));

  const BYTE one[] = {1};
  const BYTE two[] = {2, 2};
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(m_hKey, "Value", 0, REG_BINARY, one, sizeof one));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(m_hKey, "VALUE", 0, REG_BINARY, two, sizeof two));
  DWORD cValues = 0xdeadbeef;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(m_hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &cValues,
                                            nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(1u, cValues);
  BYTE data[4] = {0};
  DWORD cb = sizeof data;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(m_hKey, "value", nullptr, nullptr, data, &cb));
  EXPECT_EQ(2u, cb);
  EXPECT_EQ(2, data[1]);
}

TEST_F(RegistryKeys, OpenMissingKeyFails) {
  HKEY h = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(m_hKey, "absent", 0, KEY_READ, &h));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyA(m_hKey, "absent\\deeper", &h));
  // Opening does not create.
  EXPECT_TRUE(SubkeyNames(m_hKey).empty());
}

TEST_F(RegistryKeys, EmptySubkeyOpensTheKeyItself) {
  for (const char* pszSub : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(pszSub ? "empty" : "NULL");
    HKEY h = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0xdeadbeef));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_CURRENT_USER, pszSub, &h));
    EXPECT_EQ(HKEY_CURRENT_USER, h);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, pszSub, &h));
    EXPECT_EQ(HKEY_CURRENT_USER, h);

    // The Ex forms give a new handle to the same key.
    HKEY hSame = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(m_hKey, pszSub, 0, KEY_ALL_ACCESS, &hSame));
    const BYTE b = 7;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(hSame, "through", 0, REG_BINARY, &b, 1));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hSame));
    DWORD cb = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(m_hKey, "through", nullptr, nullptr, nullptr, &cb));
    EXPECT_EQ(1u, cb);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(m_hKey, "through"));
  }
}

TEST_F(RegistryKeys, CloseKeyResults) {
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(nullptr));
  HKEY h = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Create("closing", &h));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(h));
  // The predefined key still works after being "closed".
  HKEY hAgain = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, m_strPath.c_str(), 0, KEY_READ, &hAgain));
  RegCloseKey(hAgain);
}

TEST_F(RegistryKeys, DeleteKeyWithSubkeysIsRefused) {
  MakeKey("parent\\child");
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(m_hKey, "parent"));
  HKEY h = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(m_hKey, "parent\\child", 0, KEY_READ, &h));
  RegCloseKey(h);

  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(m_hKey, "PARENT\\Child"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(m_hKey, "parent"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(m_hKey, "parent"));
  EXPECT_TRUE(SubkeyNames(m_hKey).empty());
}

TEST_F(RegistryKeys, HandleToDeletedKeyFails) {
  HKEY hDoomed = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Create("doomed", &hDoomed));
  const BYTE b = 1;
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(hDoomed, "v", 0, REG_BINARY, &b, 1));
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(m_hKey, "doomed"));

  DWORD cb = sizeof b;
  BYTE data = 0;
  EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(hDoomed, "v", nullptr, nullptr, &data, &cb));
  EXPECT_EQ(ERROR_KEY_DELETED, RegSetValueExA(hDoomed, "v", 0, REG_BINARY, &b, 1));
  char szName[16];
  EXPECT_EQ(ERROR_KEY_DELETED, RegEnumKeyA(hDoomed, 0, szName, sizeof szName));
  HKEY hChild = nullptr;
  EXPECT_EQ(ERROR_KEY_DELETED,
            RegCreateKeyExA(hDoomed, "child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hChild, nullptr));

  // A key made again under the same name is a new key: the old handle stays dead.
  MakeKey("doomed");
  EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(hDoomed, "v", nullptr, nullptr, &data, &cb));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hDoomed));
}

TEST_F(RegistryKeys, EnumerationIsSortedWithoutCaseAndEnds) {
  for (const char* pszName : {"beta", "Alpha", "gamma", "_under", "ALPHA2", "a"}) MakeKey(pszName);
  const std::vector<std::string> expected = {"a", "Alpha", "ALPHA2", "beta", "gamma", "_under"};
  EXPECT_EQ(expected, SubkeyNames(m_hKey));

  char szName[16];
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyA(m_hKey, 6, szName, sizeof szName));
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyA(m_hKey, 1000, szName, sizeof szName));

  // "Alpha" needs 6 characters with its NUL.
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyA(m_hKey, 1, szName, 5));
  std::memset(szName, 0xcd, sizeof szName);
  EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyA(m_hKey, 1, szName, 6));
  EXPECT_STREQ("Alpha", szName);

  DWORD cch = 5;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(m_hKey, 1, szName, &cch, nullptr, nullptr, nullptr, nullptr));
  cch = 6;
  FILETIME ft = {0, 0};
  ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExA(m_hKey, 1, szName, &cch, nullptr, nullptr, nullptr, &ft));
  EXPECT_EQ(5u, cch);
  EXPECT_STREQ("Alpha", szName);
  EXPECT_NE(0u, ft.dwHighDateTime);
}

TEST_F(RegistryKeys, QueryInfoKeyFigures) {
  MakeKey("s1");
  MakeKey("longersub");
  BYTE big[20];
  std::memset(big, 0x5a, sizeof big);
  const BYTE small[3] = {1, 2, 3};
  const DWORD dw = 42;
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(m_hKey, "v", 0, REG_BINARY, big, sizeof big));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(m_hKey, "longvaluename", 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&dw), sizeof dw));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(m_hKey, nullptr, 0, REG_BINARY, small, sizeof small));

  DWORD cSubKeys = 0xdeadbeef, cchMaxSubKey = 0xdeadbeef, cValues = 0xdeadbeef;
  DWORD cchMaxValueName = 0xdeadbeef, cbMaxValue = 0xdeadbeef;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(m_hKey, nullptr, nullptr, nullptr, &cSubKeys, &cchMaxSubKey, nullptr,
                                            &cValues, &cchMaxValueName, &cbMaxValue, nullptr, nullptr));
  EXPECT_EQ(2u, cSubKeys);
  EXPECT_EQ(9u, cchMaxSubKey);
  EXPECT_EQ(3u, cValues);
  EXPECT_EQ(13u, cchMaxValueName);
  EXPECT_EQ(20u, cbMaxValue);

  EXPECT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(m_hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr));

  HKEY hEmpty = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(m_hKey, "s1", 0, KEY_READ, &hEmpty));
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(hEmpty, nullptr, nullptr, nullptr, &cSubKeys, &cchMaxSubKey, nullptr,
                                            &cValues, &cchMaxValueName, &cbMaxValue, nullptr, nullptr));
  EXPECT_EQ(0u, cSubKeys);
  EXPECT_EQ(0u, cchMaxSubKey);
  EXPECT_EQ(0u, cValues);
  EXPECT_EQ(0u, cchMaxValueName);
  EXPECT_EQ(0u, cbMaxValue);
  RegCloseKey(hEmpty);
}

TEST_F(RegistryKeys, FlushKey) {
  EXPECT_EQ(ERROR_SUCCESS, RegFlushKey(m_hKey));
  EXPECT_EQ(ERROR_SUCCESS, RegFlushKey(HKEY_CURRENT_USER));
}

}  // namespace

// Registry access rights through the Win32 API only: a handle may do what it
// was opened for and nothing more, creating and deleting keys are checked
// against the key rather than the handle, and no key can be created directly
// below HKEY_LOCAL_MACHINE or HKEY_USERS.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Each test works in its own key HKCU\Software\QjConformance\access.<test>,
// which holds the value "v" and the subkey "sub" when the test starts.
class RegistryAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_strPath = std::string("Software\\QjConformance\\access.") + info->name();
    RemoveKeys();  // a leftover of an aborted run
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, m_strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &hKey, nullptr));
    const DWORD dw = 7;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(hKey, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dw), 4));
    HKEY hSub = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(hKey, "sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hSub, nullptr));
    RegCloseKey(hSub);
    RegCloseKey(hKey);
  }
  void TearDown() override {
    RemoveKeys();
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QjConformance");  // only once it is empty
  }
  void RemoveKeys() {
    for (const char* pszSub : {"\\sub", "\\new", ""}) RegDeleteKeyA(HKEY_CURRENT_USER, (m_strPath + pszSub).c_str());
  }

  HKEY Open(REGSAM samDesired) {
    HKEY hKey = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, m_strPath.c_str(), 0, samDesired, &hKey));
    return hKey;
  }
  // "v" as the full-access handle of the test sees it; 0 when it cannot be read.
  DWORD StoredValue() {
    HKEY hKey = Open(KEY_ALL_ACCESS);
    DWORD dw = 0, cb = sizeof dw;
    if (RegQueryValueExA(hKey, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(&dw), &cb) != ERROR_SUCCESS) dw = 0;
    RegCloseKey(hKey);
    return dw;
  }

  std::string m_strPath;
};

TEST_F(RegistryAccess, KeyOpenedForReadingRefusesChangesToItsValues) {
  for (REGSAM sam : {REGSAM(KEY_READ), REGSAM(GENERIC_READ), REGSAM(KEY_QUERY_VALUE)}) {
    SCOPED_TRACE(sam);
    HKEY hKey = Open(sam);
    const DWORD dwNew = 8;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(hKey, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwNew), 4));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(hKey, "w", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwNew), 4));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueA(hKey, "v"));
    DWORD dw = 0, cb = sizeof dw;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(hKey, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(&dw), &cb));
    EXPECT_EQ(7u, dw);
    RegCloseKey(hKey);
  }
  EXPECT_EQ(7u, StoredValue());
}

TEST_F(RegistryAccess, KeyOpenedForSettingRefusesReadsAndEnumeration) {
  for (REGSAM sam : {REGSAM(KEY_SET_VALUE), REGSAM(KEY_WRITE)}) {
    SCOPED_TRACE(sam);
    HKEY hKey = Open(sam);
    DWORD dw = 0xdeadbeef, cb = sizeof dw;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryValueExA(hKey, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(&dw), &cb));
    EXPECT_EQ(0xdeadbeefu, dw);
    char szName[32];
    DWORD cchName = sizeof szName;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegEnumValueA(hKey, 0, szName, &cchName, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegEnumKeyA(hKey, 0, szName, sizeof szName));
    const DWORD dwNew = 9;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(hKey, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwNew), 4));
    RegCloseKey(hKey);
  }
  EXPECT_EQ(9u, StoredValue());
}

// "The key must have been opened with the KEY_QUERY_VALUE access right"
// (RegQueryInfoKey).
TEST_F(RegistryAccess, KeyInformationNeedsTheQueryRight) {
  HKEY hKey = Open(KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS);
  DWORD cSubKeys = 0xdeadbeef;
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &cSubKeys, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(0xdeadbeefu, cSubKeys);
  RegCloseKey(hKey);
}

TEST_F(RegistryAccess, SubkeysAreListedOnlyWithTheirOwnRight) {
  HKEY hKey = Open(KEY_QUERY_VALUE);
  char szName[32];
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegEnumKeyA(hKey, 0, szName, sizeof szName));
  DWORD cSubKeys = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &cSubKeys, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(1u, cSubKeys);
  RegCloseKey(hKey);

  hKey = Open(KEY_ENUMERATE_SUB_KEYS);
  EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyA(hKey, 0, szName, sizeof szName));
  EXPECT_STREQ("sub", szName);
  RegCloseKey(hKey);
}

// "Access for key creation is checked against the security descriptor of
// the registry key, not the access mask specified when the handle was
// obtained"; "the access rights of this key do not affect the delete
// operation".
TEST_F(RegistryAccess, CreatingAndDeletingSubkeysDoNotNeedTheHandlesRights) {
  HKEY hKey = Open(KEY_READ);
  HKEY hNew = nullptr;
  DWORD dwDisposition = 0;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(hKey, "new", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hNew, &dwDisposition));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), dwDisposition);
  const DWORD dw = 1;
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(hNew, "x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dw), 4));
  RegCloseKey(hNew);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(hKey, "new"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(hKey, "sub"));
  RegCloseKey(hKey);
}

// RegOpenKeyA and RegCreateKeyA open for all the access the key allows; the
// current user may do everything in a key of its own.
TEST_F(RegistryAccess, OldStyleCallsOpenForEverythingTheKeyAllows) {
  const DWORD dwNew = 11;
  HKEY hKey = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_CURRENT_USER, m_strPath.c_str(), &hKey));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(hKey, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwNew), 4));
  RegCloseKey(hKey);
  EXPECT_EQ(11u, StoredValue());

  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, m_strPath.c_str(), &hKey));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(hKey, "v"));
  char szName[32];
  EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyA(hKey, 0, szName, sizeof szName));
  RegCloseKey(hKey);
  EXPECT_EQ(0u, StoredValue());
}

// "An application cannot create a key that is a direct child of HKEY_USERS
// or HKEY_LOCAL_MACHINE" (RegCreateKeyEx, remarks).
TEST_F(RegistryAccess, NoKeyCanBeCreatedDirectlyBelowTheMachineOrTheUsers) {
  for (HKEY hRoot : {HKEY_LOCAL_MACHINE, HKEY_USERS}) {
    SCOPED_TRACE(hRoot == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_USERS");
    HKEY hKey = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyA(hRoot, "QjConformanceRoot\\below", &hKey));
    if (hKey) RegCloseKey(hKey);
    hKey = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegCreateKeyExA(hRoot, "QjConformanceRoot", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
    if (hKey) RegCloseKey(hKey);
    // Nothing is left behind; a key an implementation made anyway goes.
    RegDeleteKeyA(hRoot, "QjConformanceRoot\\below");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(hRoot, "QjConformanceRoot"));
  }
}

}  // namespace

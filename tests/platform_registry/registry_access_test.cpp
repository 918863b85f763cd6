// Access rights that sim grants on keys, as access-control lists would: what
// each kind of open, create, value call and delete then does.
#include "reg_test_util.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using regtest::Query;
using regtest::SetValue;

const char kKey[] = "SOFTWARE\\QjAccess";

class RegistryAccessSim : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ClearRegistryFailures();
    sim::ResetRegistry();
    const DWORD dw = 1;
    ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, kKey, "v", REG_DWORD, &dw, 4));
  }
  void TearDown() override { sim::ClearRegistryFailures(); }

  static LONG OpenEx(const char* pszKey, REGSAM sam, HKEY* phKey) {
    *phKey = nullptr;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, pszKey, 0, sam, phKey);
  }
  static LONG SetOn(HKEY hKey, DWORD dw) {
    return RegSetValueExA(hKey, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dw), 4);
  }
};

TEST_F(RegistryAccessSim, OpenIsRefusedWhenTheGrantLacksARequestedRight) {
  struct Case {
    REGSAM grant;
    REGSAM requested;
    LONG lExpected;
  };
  const Case cases[] = {
      {KEY_READ, KEY_READ, ERROR_SUCCESS},
      {KEY_READ, GENERIC_READ, ERROR_SUCCESS},
      {KEY_READ, KEY_ALL_ACCESS, ERROR_ACCESS_DENIED},
      {KEY_READ, KEY_SET_VALUE, ERROR_ACCESS_DENIED},
      {KEY_READ, GENERIC_WRITE, ERROR_ACCESS_DENIED},
      {KEY_READ | KEY_WRITE, KEY_ALL_ACCESS, ERROR_ACCESS_DENIED},  // no DELETE, WRITE_DAC, ...
      {KEY_ALL_ACCESS, KEY_ALL_ACCESS, ERROR_SUCCESS},
      {KEY_ALL_ACCESS, GENERIC_ALL, ERROR_SUCCESS},
      {KEY_READ, KEY_READ | KEY_WOW64_64KEY, ERROR_SUCCESS},  // a view, not a right
      {0, KEY_QUERY_VALUE, ERROR_ACCESS_DENIED},
      {0, MAXIMUM_ALLOWED, ERROR_ACCESS_DENIED},
      {KEY_QUERY_VALUE, MAXIMUM_ALLOWED, ERROR_SUCCESS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << "grant " << c.grant << ", requested " << c.requested);
    sim::SetKeyAccess(HKEY_LOCAL_MACHINE, kKey, c.grant);
    HKEY hKey = nullptr;
    EXPECT_EQ(c.lExpected, OpenEx(kKey, c.requested, &hKey));
    EXPECT_EQ(c.lExpected == ERROR_SUCCESS, hKey != nullptr);
    if (hKey) RegCloseKey(hKey);
  }
}

TEST_F(RegistryAccessSim, OldStyleOpensGetWhatTheKeyAllows) {
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, kKey, KEY_READ);
  for (bool bCreate : {false, true}) {
    SCOPED_TRACE(bCreate ? "RegCreateKeyA" : "RegOpenKeyA");
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, bCreate ? RegCreateKeyA(HKEY_LOCAL_MACHINE, kKey, &hKey)
                                     : RegOpenKeyA(HKEY_LOCAL_MACHINE, kKey, &hKey));
    EXPECT_EQ(ERROR_ACCESS_DENIED, SetOn(hKey, 2));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueA(hKey, "v"));
    DWORD dw = 0, cb = 4;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(hKey, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(&dw), &cb));
    EXPECT_EQ(1u, dw);
    RegCloseKey(hKey);
  }
  // A key that allows nothing cannot be opened at all.
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, kKey, 0);
  HKEY hKey = reinterpret_cast<HKEY>(0x1);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyA(HKEY_LOCAL_MACHINE, kKey, &hKey));
  EXPECT_EQ(nullptr, hKey);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyA(HKEY_LOCAL_MACHINE, kKey, &hKey));
}

TEST_F(RegistryAccessSim, GrantReachesEveryKeyBelowUntilOneHasItsOwn) {
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, "", KEY_READ);
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, "software\\qjaccess\\open", KEY_ALL_ACCESS);  // names without case
  const DWORD dw = 3;
  // Below the read-only machine nothing can be made or changed ...
  EXPECT_EQ(ERROR_ACCESS_DENIED, SetValue(HKEY_LOCAL_MACHINE, kKey, "v", REG_DWORD, &dw, 4));
  EXPECT_EQ(ERROR_ACCESS_DENIED, SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\new", "v", REG_DWORD, &dw, 4));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\new", "v").lErr);
  EXPECT_EQ(ERROR_ACCESS_DENIED, SetOn(HKEY_LOCAL_MACHINE, 3));  // the predefined key holds the grant too
  // ... and a key with a grant of its own cannot be made below it either, but
  // once it exists it may be changed.
  EXPECT_EQ(ERROR_ACCESS_DENIED, SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\Open", "v", REG_DWORD, &dw, 4));
  sim::ClearRegistryFailures();
  ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\Open\\deeper", "v", REG_DWORD, &dw, 4));
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, "", KEY_READ);
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\Open", KEY_ALL_ACCESS);
  const DWORD dw4 = 4;
  EXPECT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\Open\\deeper", "v", REG_DWORD, &dw4, 4));
  EXPECT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\Open\\made", "v", REG_DWORD, &dw4, 4));
  // The user's own hive is not the machine's.
  EXPECT_EQ(ERROR_SUCCESS, SetValue(HKEY_CURRENT_USER, "Software\\QjAccess", "v", REG_DWORD, &dw4, 4));

  sim::ClearRegistryFailures();
  EXPECT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, kKey, "v", REG_DWORD, &dw, 4));
  EXPECT_EQ(regtest::Bytes("\x04\0\0\0", 4), Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\Open\\made", "v").data);
}

TEST_F(RegistryAccessSim, HandleKeepsTheRightsItWasOpenedWith) {
  HKEY hFull = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, OpenEx(kKey, KEY_ALL_ACCESS, &hFull));
  HKEY hRead = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, OpenEx(kKey, KEY_READ, &hRead));
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, kKey, KEY_READ);
  EXPECT_EQ(ERROR_SUCCESS, SetOn(hFull, 5));  // checked when it was opened
  sim::ClearRegistryFailures();
  EXPECT_EQ(ERROR_ACCESS_DENIED, SetOn(hRead, 6));
  RegCloseKey(hFull);
  RegCloseKey(hRead);
  EXPECT_EQ(regtest::Bytes("\x05\0\0\0", 4), Query(HKEY_LOCAL_MACHINE, kKey, "v").data);
}

TEST_F(RegistryAccessSim, DeletingNeedsTheKeysDeleteRight) {
  const DWORD dw = 1;
  ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\child", "v", REG_DWORD, &dw, 4));
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\child", KEY_ALL_ACCESS & ~DELETE);
  HKEY hParent = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, OpenEx(kKey, KEY_ALL_ACCESS, &hParent));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(hParent, "child"));
  EXPECT_EQ(ERROR_SUCCESS, Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\child", "v").lErr);
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, "SOFTWARE\\QjAccess\\child", DELETE);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(hParent, "child"));
  RegCloseKey(hParent);
}

// The machine's hives are fixed: nothing new directly below
// HKEY_LOCAL_MACHINE or HKEY_USERS, and the hives cannot be deleted.
TEST_F(RegistryAccessSim, HivesCanBeNeitherAddedNorDeleted) {
  for (HKEY hRoot : {HKEY_LOCAL_MACHINE, HKEY_USERS}) {
    HKEY hKey = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyA(hRoot, "Enum\\HID", &hKey));
    EXPECT_EQ(nullptr, hKey);
  }
  EXPECT_EQ("", sim::ExportRegistry("HKEY_LOCAL_MACHINE\\Enum"));
  for (const char* pszHive : {"SOFTWARE", "SYSTEM"}) {
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, OpenEx(pszHive, KEY_ALL_ACCESS, &hKey)) << pszHive;
    RegCloseKey(hKey);
  }
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM"));
  // Keys further down are made as before, and a key that a machine's file
  // holds directly below HKEY_LOCAL_MACHINE opens as any other.
  const DWORD dw = 1;
  EXPECT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\x", "v", REG_DWORD, &dw, 4));
  ASSERT_TRUE(sim::ImportRegistry("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Enum]\r\n", nullptr));
  EXPECT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "Enum\\HID", "v", REG_DWORD, &dw, 4));
}

}  // namespace

// The joystick OEM entries and the device-tree "UpperFilters" pass.
#include "padsetup_support.h"

#include <cstring>

namespace padsetup_test {
namespace {

using PadSetupOemTest = PadSetupTest;

TEST_F(PadSetupOemTest, WritesTheNineOemValuesInOrderWithTheirTypeBytesAndLength) {
  ASSERT_TRUE(GiveMachineEnumKey());
  sim::ClearRegistryWrites();
  EXPECT_EQ(ERROR_SUCCESS, WriteOemJoystickEntries(kProductByte));

  const std::vector<OemValue>& expected = ExpectedOemValues();
  const std::vector<OemValue> writes = OemWrites();
  EXPECT_EQ(expected.size(), sim::RegistryWrites().size()) << "nothing but the OEM values";
  ASSERT_EQ(expected.size(), writes.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("write " + std::to_string(i) + ": " + expected[i].strSubKey + " " + expected[i].strName);
    EXPECT_EQ(Upper(expected[i].strSubKey), writes[i].strSubKey);
    EXPECT_EQ(expected[i].strName, writes[i].strName);
    EXPECT_EQ(expected[i].dwType, writes[i].dwType);
    EXPECT_EQ(expected[i].data, writes[i].data);
  }
  ExpectOemValues("after one run");
}

TEST_F(PadSetupOemTest, DeviceTreeKeyCannotBeMadeDirectlyBelowTheMachine) {
  // HKEY_LOCAL_MACHINE takes no new key of its own, and a machine has no
  // "Enum" there: the device-tree pass ends where it starts.
  EXPECT_EQ(ERROR_ACCESS_DENIED, WriteOemJoystickEntries(kProductByte));
  ExpectOemValues("device tree refused");
  EXPECT_FALSE(KeyExists("Enum"));
}

TEST_F(PadSetupOemTest, TypeKeyNameEndsInLowerCaseProductByte) {
  WriteOemJoystickEntries(kProductByte);
  HKEY hOem = NULL;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                          "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM", 0,
                          KEY_READ, &hOem));
  char szName[256];
  std::memset(szName, 0xcd, sizeof(szName));
  ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyA(hOem, 0, szName, sizeof(szName)));
  EXPECT_STREQ("VID_7C3A&PID_A02f", szName);
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyA(hOem, 1, szName, sizeof(szName)));
  RegCloseKey(hOem);
}

TEST_F(PadSetupOemTest, ReplacesExistingUpperFiltersAndLeavesMissingOnesMissing) {
  ASSERT_TRUE(GiveMachineEnumKey());
  struct Instance {
    const char* pszName;
    bool bHasValue;
    DWORD dwType;
    std::vector<BYTE> data;
  };
  const std::vector<Instance> instances = {
      {"7&aa&0&0000", true, REG_MULTI_SZ, Bytes({'o', 'l', 'd', 0, 0})},
      {"7&bb&0&0000", false, 0, {}},
      {"7&cc&0&0000", true, REG_SZ, {}},                                // empty value
      {"7&dd&0&0000", true, REG_BINARY, std::vector<BYTE>(600, 0x41)},  // longer than the read buffer
  };
  for (const Instance& instance : instances) {
    std::string strKey = kDeviceTreeKey + "\\" + instance.pszName;
    ASSERT_EQ(ERROR_SUCCESS, WriteValue(strKey, "Service", REG_SZ, Sz("HidUsb")));
    if (instance.bHasValue) {
      ASSERT_EQ(ERROR_SUCCESS, WriteValue(strKey, "UpperFilters", instance.dwType, instance.data));
    }
  }

  EXPECT_EQ(ERROR_SUCCESS, WriteOemJoystickEntries(kProductByte));

  for (const Instance& instance : instances) {
    SCOPED_TRACE(instance.pszName);
    std::string strKey = kDeviceTreeKey + "\\" + instance.pszName;
    RegData filters = ReadValue(strKey, "UpperFilters");
    if (instance.bHasValue) {
      ASSERT_EQ(ERROR_SUCCESS, filters.lResult);
      EXPECT_EQ(static_cast<DWORD>(REG_SZ), filters.dwType);
      EXPECT_EQ(UpperFilterData(), filters.data);
    } else {
      EXPECT_EQ(ERROR_FILE_NOT_FOUND, filters.lResult);
    }
    RegData service = ReadValue(strKey, "Service");
    EXPECT_EQ(Sz("HidUsb"), service.data);
  }
}

TEST_F(PadSetupOemTest, MissingDeviceTreeKeyIsCreatedEmpty) {
  ASSERT_TRUE(GiveMachineEnumKey());
  ASSERT_FALSE(KeyExists(kDeviceTreeKey));
  EXPECT_EQ(ERROR_SUCCESS, WriteOemJoystickEntries(kProductByte));

  HKEY hKey = NULL;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceTreeKey.c_str(), 0, KEY_READ, &hKey));
  DWORD cSubKeys = 0xdeadbeef;
  DWORD cValues = 0xdeadbeef;
  EXPECT_EQ(ERROR_SUCCESS,
            RegQueryInfoKeyA(hKey, NULL, NULL, NULL, &cSubKeys, NULL, NULL, &cValues, NULL, NULL, NULL, NULL));
  EXPECT_EQ(0u, cSubKeys);
  EXPECT_EQ(0u, cValues);
  RegCloseKey(hKey);
}

TEST_F(PadSetupOemTest, KeyThatCannotBeCreatedIsSkippedWithItsValues) {
  ASSERT_TRUE(GiveMachineEnumKey());
  sim::FailKeyCreation(HKEY_LOCAL_MACHINE, OemPath("Axes\\0").c_str(), true);

  EXPECT_EQ(ERROR_SUCCESS, WriteOemJoystickEntries(kProductByte));

  EXPECT_FALSE(KeyExists(OemPath("Axes\\0")));
  for (const OemValue& expected : ExpectedOemValues()) {
    if (expected.strSubKey == "Axes\\0") continue;
    SCOPED_TRACE(OemPath(expected.strSubKey) + " " + expected.strName);
    RegData actual = ReadValue(OemPath(expected.strSubKey), expected.strName.c_str());
    ASSERT_EQ(ERROR_SUCCESS, actual.lResult);
    EXPECT_EQ(expected.data, actual.data);
  }
}

TEST_F(PadSetupOemTest, RefusedDeviceTreeKeyEndsThePassWithItsError) {
  ASSERT_TRUE(GiveMachineEnumKey());
  const std::string strInstance = kDeviceTreeKey + "\\7&aa&0&0000";
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(strInstance, "UpperFilters", REG_MULTI_SZ, Bytes({'o', 0, 0})));
  sim::FailKeyCreation(HKEY_LOCAL_MACHINE, kDeviceTreeKey.c_str(), true);
  HKEY hProbe = NULL;
  const LONG lRefused = RegCreateKeyA(HKEY_LOCAL_MACHINE, kDeviceTreeKey.c_str(), &hProbe);
  ASSERT_NE(ERROR_SUCCESS, lRefused);

  EXPECT_EQ(lRefused, WriteOemJoystickEntries(kProductByte));

  ExpectOemValues("device tree refused");
  sim::ClearRegistryFailures();
  RegData filters = ReadValue(strInstance, "UpperFilters");
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), filters.dwType);
  EXPECT_EQ(Bytes({'o', 0, 0}), filters.data);
}

TEST_F(PadSetupOemTest, TypeKeyThatGrantsNoSubkeysKeepsItsOwnValuesOnly) {
  ASSERT_TRUE(GiveMachineEnumKey());
  // As an access-control list on the type key would: its values may be
  // set, but no key may be made below it.
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, kOemKey.c_str(), KEY_READ | KEY_SET_VALUE);

  EXPECT_EQ(ERROR_SUCCESS, WriteOemJoystickEntries(kProductByte));

  for (const OemValue& expected : ExpectedOemValues()) {
    SCOPED_TRACE(OemPath(expected.strSubKey) + " " + expected.strName);
    RegData actual = ReadValue(OemPath(expected.strSubKey), expected.strName.c_str());
    if (expected.strSubKey.empty()) {
      ASSERT_EQ(ERROR_SUCCESS, actual.lResult);
      EXPECT_EQ(expected.data, actual.data);
    } else {
      EXPECT_EQ(ERROR_FILE_NOT_FOUND, actual.lResult);
    }
  }
  EXPECT_FALSE(KeyExists(OemPath("Axes")));
  EXPECT_FALSE(KeyExists(OemPath("OEMForceFeedback")));
}

TEST_F(PadSetupOemTest, InstanceKeysThatRefuseAccessArePassedOver) {
  ASSERT_TRUE(GiveMachineEnumKey());
  struct Instance {
    const char* pszName;
    REGSAM grant;
    bool bReplaced;
  };
  // In enumeration order: a key that cannot be opened at all, one that can
  // only be read, then one the pass may change.
  const Instance instances[] = {
      {"7&aa&0&0000", 0, false},
      {"7&bb&0&0000", KEY_READ, false},
      {"7&cc&0&0000", KEY_ALL_ACCESS, true},
  };
  const std::vector<BYTE> oldFilters = Bytes({'o', 'l', 'd', 0, 0});
  for (const Instance& instance : instances) {
    const std::string strKey = kDeviceTreeKey + "\\" + instance.pszName;
    ASSERT_EQ(ERROR_SUCCESS, WriteValue(strKey, "UpperFilters", REG_MULTI_SZ, oldFilters));
    sim::SetKeyAccess(HKEY_LOCAL_MACHINE, strKey.c_str(), instance.grant);
  }

  EXPECT_EQ(ERROR_SUCCESS, WriteOemJoystickEntries(kProductByte));

  sim::ClearRegistryFailures();
  for (const Instance& instance : instances) {
    SCOPED_TRACE(instance.pszName);
    RegData filters = ReadValue(kDeviceTreeKey + "\\" + instance.pszName, "UpperFilters");
    ASSERT_EQ(ERROR_SUCCESS, filters.lResult);
    if (instance.bReplaced) {
      EXPECT_EQ(static_cast<DWORD>(REG_SZ), filters.dwType);
      EXPECT_EQ(UpperFilterData(), filters.data);
    } else {
      EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), filters.dwType);
      EXPECT_EQ(oldFilters, filters.data);
    }
  }
}

// The count of instance keys comes from RegQueryInfoKeyA; a device-tree key
// that may be listed but not queried counts none, and none is changed.
TEST_F(PadSetupOemTest, DeviceTreeKeyThatCannotBeQueriedCountsNoInstance) {
  ASSERT_TRUE(GiveMachineEnumKey());
  const std::string strInstance = kDeviceTreeKey + "\\7&aa&0&0000";
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(strInstance, "UpperFilters", REG_MULTI_SZ, Bytes({'o', 0, 0})));
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, kDeviceTreeKey.c_str(), KEY_ALL_ACCESS & ~KEY_QUERY_VALUE);
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, strInstance.c_str(), KEY_ALL_ACCESS);

  EXPECT_EQ(ERROR_SUCCESS, WriteOemJoystickEntries(kProductByte));

  EXPECT_EQ(Bytes({'o', 0, 0}), ReadValue(strInstance, "UpperFilters").data);
}

TEST_F(PadSetupOemTest, UserWithoutAdministratorRightsChangesNothing) {
  // An earlier run by an administrator left the entries; this user may only
  // read the machine's keys.
  ASSERT_TRUE(GiveMachineEnumKey());
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(kDeviceTreeKey + "\\7&aa&0&0000", "UpperFilters", REG_MULTI_SZ,
                                      Bytes({'o', 0, 0})));
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(OemPath(""), "OEMName", REG_SZ, Sz("old name")));
  const std::string before = sim::ExportRegistry("HKEY_LOCAL_MACHINE");
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, "", KEY_READ);
  sim::ClearRegistryWrites();

  EXPECT_EQ(ERROR_SUCCESS, WriteOemJoystickEntries(kProductByte));

  EXPECT_TRUE(sim::RegistryWrites().empty());
  EXPECT_EQ(before, sim::ExportRegistry("HKEY_LOCAL_MACHINE"));
}

}  // namespace
}  // namespace padsetup_test

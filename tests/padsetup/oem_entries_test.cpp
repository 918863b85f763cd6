// The joystick OEM entries and the device-tree "UpperFilters" pass.
#include "padsetup_support.h"

#include <cstring>

namespace padsetup_test {
namespace {

using PadSetupOemTest = PadSetupTest;

TEST_F(PadSetupOemTest, WritesEveryOemValueWithItsTypeBytesAndLength) {
  EXPECT_EQ(ERROR_SUCCESS, WriteOemJoystickEntries(kProductByte));
  ExpectOemValues("after one run");
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

}  // namespace
}  // namespace padsetup_test

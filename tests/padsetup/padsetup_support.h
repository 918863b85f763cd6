// Shared pieces of the setup program's tests: the expected OEM entries, a
// registry reader and a fixture that starts every test on an empty machine.
#pragma once

#include "padsetup.h"
#include "platform/sim/sim.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace padsetup_test {

// Registry names compare without case: both sides of a comparison go
// through this.
inline std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

inline const std::string kOemKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\VID_7C3A&PID_A02f";
inline const std::string kDeviceTreeKey = "Enum\\HID\\VID_7C3A&PID_A02F";
inline const std::string kControllerId = "HID\\VID_7C3A&PID_A02F";

inline std::vector<BYTE> Bytes(std::initializer_list<int> bytes) {
  std::vector<BYTE> data;
  for (int b : bytes) data.push_back(static_cast<BYTE>(b));
  return data;
}

// Text with its terminating NUL, as REG_SZ data.
inline std::vector<BYTE> Sz(const std::string& text) {
  const BYTE* pb = reinterpret_cast<const BYTE*>(text.c_str());
  return std::vector<BYTE>(pb, pb + text.size() + 1);
}

// "PdFx31.sys", the name's NUL and the list's NUL: 12 bytes.
inline std::vector<BYTE> UpperFilterData() {
  static const char kData[] = "PdFx31.sys\0";
  return std::vector<BYTE>(kData, kData + sizeof(kData));
}

struct OemValue {
  std::string strSubKey;  // below the OEM type key; "" for the key itself
  std::string strName;
  DWORD dwType;
  std::vector<BYTE> data;
};

// Every joystick OEM value, in the order the program writes them.
inline const std::vector<OemValue>& ExpectedOemValues() {
  static const std::vector<OemValue> values = {
      {"", "ConfigCLSID", REG_SZ, Sz("{2F64d0A8-7C3A-A02F-C5B1-6E93A0D4172B}")},
      {"", "OEMData", REG_BINARY, Bytes({0x0A, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00})},
      {"", "OEMName", REG_SZ, Sz("USB trivalo game controller")},
      {"Axes\\0", "Attributes", REG_BINARY, Bytes({0x01, 0x81, 0x00, 0x00})},
      {"Axes\\0", "FFAttributes", REG_BINARY, Bytes({0x03, 0x00, 0x80, 0x10, 0x0C, 0x00, 0x00, 0x00})},
      {"Axes\\1", "Attributes", REG_BINARY, Bytes({0x01, 0x81, 0x00, 0x00})},
      {"Axes\\1", "FFAttributes", REG_BINARY, Bytes({0x03, 0x00, 0x80, 0x10, 0x0C, 0x00, 0x00, 0x00})},
      {"OEMForceFeedback", "CLSID", REG_SZ, Sz("{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}")},
      {"OEMForceFeedback", "Attributes", REG_BINARY,
       Bytes({0x00, 0x00, 0x00, 0x00, 0xE8, 0x03, 0x00, 0x00, 0xE8, 0x03, 0x00, 0x00})},
  };
  return values;
}

inline std::string OemPath(const std::string& strSubKey) {
  return strSubKey.empty() ? kOemKey : kOemKey + "\\" + strSubKey;
}

struct RegData {
  LONG lResult = ERROR_SUCCESS;
  DWORD dwType = 0;
  std::vector<BYTE> data;
};

// One value under HKEY_LOCAL_MACHINE; lResult is the first failure.
inline RegData ReadValue(const std::string& strKey, const char* pszName) {
  RegData result;
  HKEY hKey = NULL;
  result.lResult = RegOpenKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, KEY_READ, &hKey);
  if (result.lResult != ERROR_SUCCESS) return result;
  DWORD cbData = 0;
  result.lResult = RegQueryValueExA(hKey, pszName, NULL, &result.dwType, NULL, &cbData);
  if (result.lResult == ERROR_SUCCESS) {
    result.data.assign(cbData, 0xcd);
    result.lResult = RegQueryValueExA(hKey, pszName, NULL, &result.dwType, result.data.data(), &cbData);
    result.data.resize(cbData);
  }
  RegCloseKey(hKey);
  return result;
}

inline LONG WriteValue(const std::string& strKey, const char* pszName, DWORD dwType, const std::vector<BYTE>& data) {
  HKEY hKey = NULL;
  LONG lResult = RegCreateKeyA(HKEY_LOCAL_MACHINE, strKey.c_str(), &hKey);
  if (lResult != ERROR_SUCCESS) return lResult;
  lResult = RegSetValueExA(hKey, pszName, 0, dwType, data.data(), static_cast<DWORD>(data.size()));
  RegCloseKey(hKey);
  return lResult;
}

// Gives the machine the key HKEY_LOCAL_MACHINE\Enum, which no program can
// create: no key can be made directly below HKEY_LOCAL_MACHINE. With it the
// device-tree key can be created and its pass runs.
inline bool GiveMachineEnumKey() {
  return sim::ImportRegistry("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Enum]\r\n", nullptr);
}

inline bool KeyExists(const std::string& strKey) {
  HKEY hKey = NULL;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
  RegCloseKey(hKey);
  return true;
}

// The OEM value writes in sim's write log, in call order; strSubKey in upper
// case ("" for the OEM type key itself).
inline std::vector<OemValue> OemWrites() {
  const std::string strPrefix = Upper("HKEY_LOCAL_MACHINE\\" + kOemKey);
  std::vector<OemValue> writes;
  for (const sim::RegistryWrite& write : sim::RegistryWrites()) {
    const std::string strKey = Upper(write.strKey);
    if (strKey.compare(0, strPrefix.size(), strPrefix) != 0) continue;
    std::string strSubKey = strKey.substr(strPrefix.size());
    if (!strSubKey.empty()) strSubKey.erase(0, 1);  // the backslash
    writes.push_back({strSubKey, write.strName, write.dwType, write.data});
  }
  return writes;
}

// Checks every OEM value for type, bytes and length.
inline void ExpectOemValues(const char* pszWhen) {
  for (const OemValue& expected : ExpectedOemValues()) {
    SCOPED_TRACE(std::string(pszWhen) + ": " + OemPath(expected.strSubKey) + " " + expected.strName);
    RegData actual = ReadValue(OemPath(expected.strSubKey), expected.strName.c_str());
    ASSERT_EQ(ERROR_SUCCESS, actual.lResult);
    EXPECT_EQ(expected.dwType, actual.dwType);
    EXPECT_EQ(expected.data, actual.data);
  }
}

// Deletes every OEM value, keeping the keys.
inline void DeleteOemValues() {
  for (const OemValue& value : ExpectedOemValues()) {
    HKEY hKey = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, OemPath(value.strSubKey).c_str(), 0, KEY_ALL_ACCESS, &hKey) !=
        ERROR_SUCCESS)
      continue;
    RegDeleteValueA(hKey, value.strName.c_str());
    RegCloseKey(hKey);
  }
}

class PadSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetRegistry();
    sim::ResetDevices();
  }
  void TearDown() override {
    sim::ClearRegistryFailures();
    sim::ResetDevices();
  }
};

}  // namespace padsetup_test

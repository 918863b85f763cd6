// The SetupAPI subset over the simulated present devices.
#include "platform/sim/sim.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const GUID kOtherClass = {0x4d36e96f, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

class SetupApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetDevices();
    m_dwHid1 = sim::AddDevice("HID\\VID_7C3A&PID_A02F\\7&1&0&0000", {"HID\\VID_7C3A&PID_A02F"});
    m_dwUsb = sim::AddDevice("USB\\VID_1234&PID_0001\\5&0", {"USB\\VID_1234&PID_0001", "USB\\Class_03"}, kOtherClass);
    m_dwHid2 = sim::AddDevice("HID\\VID_1111&PID_2222\\7&2&0&0000", {});
  }
  void TearDown() override {
    for (HDEVINFO hSet : m_sets) SetupDiDestroyDeviceInfoList(hSet);
    sim::ResetDevices();
  }

  HDEVINFO Open(const GUID* pClass, const char* pszEnumerator, DWORD dwFlags) {
    HDEVINFO hSet = SetupDiGetClassDevsA(pClass, pszEnumerator, NULL, dwFlags);
    if (hSet != INVALID_HANDLE_VALUE) m_sets.push_back(hSet);
    return hSet;
  }

  static SP_DEVINFO_DATA Sentinel() {
    SP_DEVINFO_DATA data;
    std::memset(&data, 0xcd, sizeof(data));
    data.cbSize = sizeof(SP_DEVINFO_DATA);
    return data;
  }

  // The devnode numbers a set enumerates, in order; the last error after
  // the enumeration ended.
  static std::vector<DWORD> Enumerate(HDEVINFO hSet, DWORD* pdwEndError) {
    std::vector<DWORD> devices;
    SP_DEVINFO_DATA data = Sentinel();
    for (DWORD i = 0; SetupDiEnumDeviceInfo(hSet, i, &data); ++i) devices.push_back(data.DevInst);
    *pdwEndError = GetLastError();
    return devices;
  }

  SP_DEVINFO_DATA Element(HDEVINFO hSet, DWORD dwDevInst) {
    SP_DEVINFO_DATA data = Sentinel();
    for (DWORD i = 0; SetupDiEnumDeviceInfo(hSet, i, &data); ++i)
      if (data.DevInst == dwDevInst) return data;
    ADD_FAILURE() << "device " << dwDevInst << " not in the set";
    return data;
  }

  DWORD m_dwHid1 = 0, m_dwUsb = 0, m_dwHid2 = 0;
  std::vector<HDEVINFO> m_sets;
};

TEST_F(SetupApiTest, SetsListTheDevicesOfTheirClassAndEnumerator) {
  struct Case {
    const char* pszName;
    const GUID* pClass;
    const char* pszEnumerator;
    DWORD dwFlags;
    std::vector<DWORD> expected;
  };
  const std::vector<Case> cases = {
      {"all classes", NULL, NULL, DIGCF_PRESENT | DIGCF_ALLCLASSES, {m_dwHid1, m_dwUsb, m_dwHid2}},
      {"HID class", &sim::kHidClassGuid, NULL, DIGCF_PRESENT, {m_dwHid1, m_dwHid2}},
      {"class ignored with all classes", &kOtherClass, NULL, DIGCF_ALLCLASSES, {m_dwHid1, m_dwUsb, m_dwHid2}},
      {"enumerator without case", NULL, "usb", DIGCF_PRESENT | DIGCF_ALLCLASSES, {m_dwUsb}},
      {"class and enumerator", &kOtherClass, "HID", DIGCF_PRESENT, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszName);
    HDEVINFO hSet = Open(c.pClass, c.pszEnumerator, c.dwFlags);
    ASSERT_NE(INVALID_HANDLE_VALUE, hSet);
    DWORD dwEnd = 0;
    EXPECT_EQ(c.expected, Enumerate(hSet, &dwEnd));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), dwEnd);
  }
}

TEST_F(SetupApiTest, EnumerationFillsTheElementAndLeavesItAloneAtTheEnd) {
  HDEVINFO hSet = Open(NULL, NULL, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  SP_DEVINFO_DATA data = Sentinel();
  SetLastError(0xdeadbeef);
  ASSERT_TRUE(SetupDiEnumDeviceInfo(hSet, 1, &data));
  EXPECT_EQ(0u, GetLastError());
  EXPECT_EQ(m_dwUsb, data.DevInst);
  EXPECT_TRUE(data.ClassGuid == kOtherClass);

  SP_DEVINFO_DATA end = Sentinel();
  EXPECT_FALSE(SetupDiEnumDeviceInfo(hSet, 3, &end));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
  SP_DEVINFO_DATA untouched = Sentinel();
  EXPECT_EQ(0, std::memcmp(&untouched, &end, sizeof(end)));
}

TEST_F(SetupApiTest, BadCallsFailWithTheirErrors) {
  HDEVINFO hSet = Open(NULL, NULL, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  HDEVINFO hHidOnly = Open(&sim::kHidClassGuid, NULL, DIGCF_PRESENT);
  SP_DEVINFO_DATA usb = Element(hSet, m_dwUsb);
  BYTE byBuffer[64];
  DWORD cbRequired = 0;

  EXPECT_EQ(INVALID_HANDLE_VALUE, SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_PRESENT));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_ALLCLASSES | 0x100));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FLAGS), GetLastError());

  for (DWORD cbSize : {0u, static_cast<DWORD>(sizeof(SP_DEVINFO_DATA) - 4), static_cast<DWORD>(sizeof(SP_DEVINFO_DATA) + 4)}) {
    SCOPED_TRACE(cbSize);
    SP_DEVINFO_DATA data = Sentinel();
    data.cbSize = cbSize;
    EXPECT_FALSE(SetupDiEnumDeviceInfo(hSet, 0, &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_USER_BUFFER), GetLastError());
    EXPECT_EQ(0xcdcdcdcdu, data.DevInst);
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(hSet, &data, SPDRP_HARDWAREID, NULL, byBuffer, sizeof(byBuffer),
                                                   &cbRequired));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  }

  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(hHidOnly, &usb, SPDRP_HARDWAREID, NULL, byBuffer, sizeof(byBuffer),
                                                 &cbRequired));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << "element of another set";
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(hSet, &usb, SPDRP_MAXIMUM_PROPERTY, NULL, byBuffer,
                                                 sizeof(byBuffer), &cbRequired));
  EXPECT_EQ(ERROR_INVALID_REG_PROPERTY, GetLastError());
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(hSet, &usb, SPDRP_HARDWAREID, NULL, NULL, 8, &cbRequired));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_FALSE(SetupDiSetDeviceRegistryPropertyA(hSet, &usb, SPDRP_CLASS, byBuffer, 4));
  EXPECT_EQ(ERROR_INVALID_REG_PROPERTY, GetLastError());

  SP_DEVINFO_DATA data = Sentinel();
  for (HDEVINFO hBad : {static_cast<HDEVINFO>(INVALID_HANDLE_VALUE), static_cast<HDEVINFO>(NULL)}) {
    EXPECT_FALSE(SetupDiEnumDeviceInfo(hBad, 0, &data));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(hBad, &usb, SPDRP_HARDWAREID, NULL, byBuffer, sizeof(byBuffer),
                                                   &cbRequired));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(SetupDiSetDeviceRegistryPropertyA(hBad, &usb, SPDRP_UPPERFILTERS, byBuffer, 4));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(hBad));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  }
}

TEST_F(SetupApiTest, DestroyedSetIsAnInvalidHandle) {
  HDEVINFO hSet = SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_ALLCLASSES);
  ASSERT_NE(INVALID_HANDLE_VALUE, hSet);
  SetLastError(0xdeadbeef);
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(hSet));
  EXPECT_EQ(0u, GetLastError());
  SP_DEVINFO_DATA data = Sentinel();
  EXPECT_FALSE(SetupDiEnumDeviceInfo(hSet, 0, &data));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_FALSE(SetupDiDestroyDeviceInfoList(hSet));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(SetupApiTest, PropertyReadReportsSizeTypeAndMissingProperties) {
  HDEVINFO hSet = Open(NULL, NULL, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  SP_DEVINFO_DATA usb = Element(hSet, m_dwUsb);
  const std::vector<BYTE> expected = sim::MultiSz({"USB\\VID_1234&PID_0001", "USB\\Class_03"});
  const DWORD cbExpected = static_cast<DWORD>(expected.size());

  // Too small, also with no buffer at all: required size and type, buffer untouched.
  for (DWORD cbBuffer : {0u, cbExpected - 1}) {
    SCOPED_TRACE(cbBuffer);
    std::vector<BYTE> buffer(64, 0xcd);
    DWORD dwType = 0xdeadbeef;
    DWORD cbRequired = 0xdeadbeef;
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(hSet, &usb, SPDRP_HARDWAREID, &dwType,
                                                   cbBuffer != 0 ? buffer.data() : NULL, cbBuffer, &cbRequired));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(cbExpected, cbRequired);
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), dwType);
    EXPECT_EQ(std::vector<BYTE>(64, 0xcd), buffer);
  }

  std::vector<BYTE> buffer(64, 0xcd);
  DWORD dwType = 0xdeadbeef;
  DWORD cbRequired = 0xdeadbeef;
  SetLastError(0xdeadbeef);
  ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(hSet, &usb, SPDRP_HARDWAREID, &dwType, buffer.data(), cbExpected,
                                                &cbRequired));
  EXPECT_EQ(0u, GetLastError());
  EXPECT_EQ(cbExpected, cbRequired);
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), dwType);
  EXPECT_EQ(expected, std::vector<BYTE>(buffer.begin(), buffer.begin() + cbExpected));
  EXPECT_EQ(0xcd, buffer[cbExpected]);

  SP_DEVINFO_DATA noIds = Element(hSet, m_dwHid2);
  cbRequired = 0xdeadbeef;
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(hSet, &noIds, SPDRP_HARDWAREID, &dwType, buffer.data(), 64,
                                                 &cbRequired));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(hSet, &usb, SPDRP_UPPERFILTERS, &dwType, buffer.data(), 64,
                                                 &cbRequired));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
}

TEST_F(SetupApiTest, InjectedFailuresAndRemovedDevices) {
  HDEVINFO hSet = Open(NULL, NULL, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  SP_DEVINFO_DATA hid1 = Element(hSet, m_dwHid1);
  SP_DEVINFO_DATA usb = Element(hSet, m_dwUsb);
  BYTE byBuffer[64];
  DWORD cbRequired = 0;

  ASSERT_TRUE(sim::FailPropertyRead(m_dwHid1, SPDRP_HARDWAREID, ERROR_NOT_READY));
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(hSet, &hid1, SPDRP_HARDWAREID, NULL, byBuffer, sizeof(byBuffer),
                                                 &cbRequired));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_READY), GetLastError());
  ASSERT_TRUE(sim::FailPropertyRead(m_dwHid1, SPDRP_HARDWAREID, 0));
  EXPECT_TRUE(SetupDiGetDeviceRegistryPropertyA(hSet, &hid1, SPDRP_HARDWAREID, NULL, byBuffer, sizeof(byBuffer),
                                                &cbRequired));

  // A set keeps listing a device taken away after it was made.
  ASSERT_TRUE(sim::RemoveDevice(m_dwUsb));
  EXPECT_FALSE(sim::RemoveDevice(m_dwUsb));
  DWORD dwEnd = 0;
  EXPECT_EQ((std::vector<DWORD>{m_dwHid1, m_dwUsb, m_dwHid2}), Enumerate(hSet, &dwEnd));
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(hSet, &usb, SPDRP_HARDWAREID, NULL, byBuffer, sizeof(byBuffer),
                                                 &cbRequired));
  EXPECT_EQ(ERROR_NO_SUCH_DEVINST, GetLastError());
  HDEVINFO hLater = Open(NULL, NULL, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  EXPECT_EQ((std::vector<DWORD>{m_dwHid1, m_dwHid2}), Enumerate(hLater, &dwEnd));

  sim::FailDeviceSetCreation(ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(INVALID_HANDLE_VALUE, SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_PRESENT | DIGCF_ALLCLASSES));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
}

TEST_F(SetupApiTest, PropertyWriteStoresReadsBackAndDeletes) {
  HDEVINFO hSet = Open(NULL, NULL, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  SP_DEVINFO_DATA hid2 = Element(hSet, m_dwHid2);
  const std::vector<BYTE> filters = sim::MultiSz({"PdFx31.sys"});
  std::vector<std::pair<DWORD, DWORD>> writes;
  sim::SetPropertyWriteHook([&](DWORD dwDevInst, DWORD dwProperty) { writes.emplace_back(dwDevInst, dwProperty); });

  SetLastError(0xdeadbeef);
  ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(hSet, &hid2, SPDRP_UPPERFILTERS, filters.data(),
                                                static_cast<DWORD>(filters.size())));
  EXPECT_EQ(0u, GetLastError());
  DWORD dwType = 0;
  std::vector<BYTE> stored;
  ASSERT_TRUE(sim::GetDeviceProperty(m_dwHid2, SPDRP_UPPERFILTERS, &dwType, &stored));
  EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), dwType);
  EXPECT_EQ(filters, stored);
  EXPECT_FALSE(sim::GetDeviceProperty(m_dwHid1, SPDRP_UPPERFILTERS, NULL, NULL));

  BYTE byBuffer[64];
  DWORD cbRequired = 0;
  ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(hSet, &hid2, SPDRP_UPPERFILTERS, &dwType, byBuffer, sizeof(byBuffer),
                                                &cbRequired));
  EXPECT_EQ(filters, std::vector<BYTE>(byBuffer, byBuffer + cbRequired));

  ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(hSet, &hid2, SPDRP_UPPERFILTERS, NULL, 0));
  EXPECT_FALSE(sim::GetDeviceProperty(m_dwHid2, SPDRP_UPPERFILTERS, NULL, NULL));
  EXPECT_FALSE(SetupDiSetDeviceRegistryPropertyA(hSet, &hid2, SPDRP_UPPERFILTERS, NULL, 4));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());

  EXPECT_EQ((std::vector<std::pair<DWORD, DWORD>>{{m_dwHid2, SPDRP_UPPERFILTERS}, {m_dwHid2, SPDRP_UPPERFILTERS}}),
            writes);
}

}  // namespace

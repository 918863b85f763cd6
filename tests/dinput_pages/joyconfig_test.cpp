// DirectInputCreateA, the DirectInput object's interfaces and the joystick
// configuration (GetConfig, GetTypeInfo).
#include <cstring>
#include <string>

#include "dinput_fixture.h"

namespace {

using ditest::DirectInputTest;
using ditest::kSentinel;

std::string Narrow(const WCHAR* pwsz) {
  std::string s;
  while (*pwsz) s.push_back(static_cast<char>(*pwsz++));
  return s;
}

TEST(DirectInputCreate, VersionsAndArguments) {
  struct Case {
    DWORD dwVersion;
    bool bInstance;
    HRESULT hr;
  };
  const Case cases[] = {
      {0x0700, true, DI_OK},
      {0x0500, true, DI_OK},
      {0x0300, true, DI_OK},
      {0x0800, true, DIERR_OLDDIRECTINPUTVERSION},
      {0x0400, true, DIERR_BETADIRECTINPUTVERSION},
      {0x0700, false, DIERR_INVALIDPARAM},
  };
  long lBefore = sim::LiveDirectInputObjects();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "version 0x" << std::hex << c.dwVersion << " instance " << c.bInstance);
    IDirectInputA* pdi = reinterpret_cast<IDirectInputA*>(static_cast<uintptr_t>(kSentinel));
    HINSTANCE hinst = c.bInstance ? GetModuleHandleA(nullptr) : nullptr;
    EXPECT_EQ(DirectInputCreateA(hinst, c.dwVersion, &pdi, nullptr), c.hr);
    if (SUCCEEDED(c.hr)) {
      ASSERT_NE(pdi, nullptr);
      EXPECT_EQ(sim::LiveDirectInputObjects(), lBefore + 1);
      EXPECT_EQ(pdi->Release(), 0u);
    } else {
      EXPECT_EQ(pdi, nullptr);
    }
    EXPECT_EQ(sim::LiveDirectInputObjects(), lBefore);
  }
  EXPECT_EQ(DirectInputCreateA(GetModuleHandleA(nullptr), 0x0700, nullptr, nullptr), DIERR_INVALIDPARAM);
  IDirectInputA* pdi = nullptr;
  IUnknown* pOuter = reinterpret_cast<IUnknown*>(&pdi);
  EXPECT_EQ(DirectInputCreateA(GetModuleHandleA(nullptr), 0x0700, &pdi, pOuter), DIERR_NOAGGREGATION);
  EXPECT_EQ(pdi, nullptr);
}

TEST(DirectInputCreate, InjectedFailure) {
  sim::FailDirectInput(sim::DiCall::kDirectInputCreate, E_OUTOFMEMORY);
  IDirectInputA* pdi = nullptr;
  EXPECT_EQ(DirectInputCreateA(GetModuleHandleA(nullptr), 0x0700, &pdi, nullptr), E_OUTOFMEMORY);
  EXPECT_EQ(pdi, nullptr);
  sim::ResetJoysticks();  // clears the failure
  ASSERT_EQ(DirectInputCreateA(GetModuleHandleA(nullptr), 0x0700, &pdi, nullptr), DI_OK);
  pdi->Release();
}

TEST_F(DirectInputTest, JoyConfigIsAnInterfaceOfTheSameObject) {
  // The fixture holds one reference through each interface.
  IUnknown* pFromConfig = nullptr;
  ASSERT_EQ(m_pJoyConfig->QueryInterface(IID_IDirectInputA, reinterpret_cast<void**>(&pFromConfig)), S_OK);
  EXPECT_EQ(static_cast<void*>(pFromConfig), static_cast<void*>(m_pdi));
  EXPECT_EQ(pFromConfig->Release(), 2u);

  void* pv = &pv;
  EXPECT_EQ(m_pdi->QueryInterface(IID_IDirectInputDevice2A, &pv), E_NOINTERFACE);
  EXPECT_EQ(pv, nullptr);

  // The configuration outlives the DirectInput interface it came from, as
  // the property sheet keeps it.
  EXPECT_EQ(m_pdi->Release(), 1u);
  m_pdi = nullptr;
  DIJOYCONFIG dijc{};
  dijc.dwSize = sizeof dijc;
  EXPECT_EQ(m_pJoyConfig->GetConfig(0, &dijc, DIJC_GUIDINSTANCE), DI_OK);
  EXPECT_EQ(m_pJoyConfig->Release(), 0u);
  m_pJoyConfig = nullptr;
}

TEST_F(DirectInputTest, QueryForJoyConfigCanBeMadeToFail) {
  sim::FailDirectInput(sim::DiCall::kQueryJoyConfig, DIERR_NOINTERFACE);
  void* pv = &pv;
  EXPECT_EQ(m_pdi->QueryInterface(IID_IDirectInputJoyConfig, &pv), DIERR_NOINTERFACE);
  EXPECT_EQ(pv, nullptr);
}

TEST_F(DirectInputTest, GetConfigReportsTypeNameAndInstance) {
  DIJOYCONFIG dijc;
  std::memset(&dijc, 0xcd, sizeof dijc);
  dijc.dwSize = sizeof dijc;
  dijc.dwGain = kSentinel;
  ASSERT_EQ(m_pJoyConfig->GetConfig(0, &dijc, DIJC_GUIDINSTANCE | DIJC_REGHWCONFIGTYPE), DI_OK);
  EXPECT_EQ(Narrow(dijc.wszType), "VID_7C3A&PID_A02F");
  EXPECT_NE(dijc.guidInstance, GUID_NULL);
  EXPECT_EQ(dijc.dwGain, kSentinel) << "members not asked for are left alone";
  EXPECT_EQ(dijc.hwc.hws.dwNumButtons, 12u);

  // Each joystick ID has its own instance; a set type name is reported.
  sim::SetJoystick(3, ditest::kVendor, 0xA030);
  sim::SetJoystickTypeName(3, "VID_7C3A&PID_A030&Custom");
  DIJOYCONFIG other{};
  other.dwSize = sizeof other;
  ASSERT_EQ(m_pJoyConfig->GetConfig(3, &other, DIJC_GUIDINSTANCE | DIJC_REGHWCONFIGTYPE), DI_OK);
  EXPECT_EQ(Narrow(other.wszType), "VID_7C3A&PID_A030&Custom");
  EXPECT_NE(other.guidInstance, dijc.guidInstance);

  // The DirectX 3 form has no gameport member and is filled up to its end.
  DIJOYCONFIG_DX3 dx3;
  std::memset(&dx3, 0, sizeof dx3);
  dx3.dwSize = sizeof dx3;
  EXPECT_EQ(m_pJoyConfig->GetConfig(0, reinterpret_cast<LPDIJOYCONFIG>(&dx3), DIJC_REGHWCONFIGTYPE), DI_OK);
  EXPECT_EQ(Narrow(dx3.wszType), "VID_7C3A&PID_A02F");
  EXPECT_EQ(m_pJoyConfig->GetConfig(0, reinterpret_cast<LPDIJOYCONFIG>(&dx3), DIJC_WDMGAMEPORT),
            DIERR_INVALIDPARAM);
}

TEST_F(DirectInputTest, GetConfigRefusals) {
  struct Case {
    UINT uiJoy;
    DWORD dwSize;
    DWORD dwFlags;
    HRESULT hr;
  };
  const Case cases[] = {
      {0, sizeof(DIJOYCONFIG) - 4, DIJC_GUIDINSTANCE, DIERR_INVALIDPARAM},
      {0, 0, DIJC_GUIDINSTANCE, DIERR_INVALIDPARAM},
      {0, sizeof(DIJOYCONFIG), 0x100, DIERR_INVALIDPARAM},
      {16, sizeof(DIJOYCONFIG), DIJC_GUIDINSTANCE, DIERR_NOMOREITEMS},
      {0xFFFFFFFFu, sizeof(DIJOYCONFIG), DIJC_REGHWCONFIGTYPE, DIERR_NOMOREITEMS},  // ID -1 widened
      {5, sizeof(DIJOYCONFIG), DIJC_GUIDINSTANCE | DIJC_REGHWCONFIGTYPE, S_FALSE},   // nothing attached
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "joystick " << c.uiJoy << " size " << c.dwSize << " flags " << c.dwFlags);
    DIJOYCONFIG dijc;
    std::memset(&dijc, 0xcd, sizeof dijc);
    dijc.dwSize = c.dwSize;
    EXPECT_EQ(m_pJoyConfig->GetConfig(c.uiJoy, &dijc, c.dwFlags), c.hr);
    if (c.hr == S_FALSE) {
      EXPECT_EQ(dijc.guidInstance, GUID_NULL);
      EXPECT_EQ(dijc.wszType[0], 0);
    }
  }
  EXPECT_EQ(m_pJoyConfig->GetConfig(0, nullptr, DIJC_GUIDINSTANCE), DIERR_INVALIDPARAM);

  sim::FailDirectInput(sim::DiCall::kGetConfig, DIERR_NOTFOUND);
  DIJOYCONFIG dijc{};
  dijc.dwSize = sizeof dijc;
  EXPECT_EQ(m_pJoyConfig->GetConfig(0, &dijc, DIJC_GUIDINSTANCE), DIERR_NOTFOUND);
  EXPECT_EQ(dijc.guidInstance, GUID_NULL);
}

TEST_F(DirectInputTest, GetTypeInfoReadsTheOemKey) {
  const char kKey[] =
      "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\VID_7C3A&PID_A02F";
  HKEY hKey = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kKey, &hKey), ERROR_SUCCESS);
  const char kName[] = "USB game controller";
  const char kClsid[] = "{2F64D0A8-7C3A-A02F-C5B1-6E93A0D4172B}";
  const BYTE kData[8] = {0x01, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00};
  RegSetValueExA(hKey, "OEMName", 0, REG_SZ, reinterpret_cast<const BYTE*>(kName), sizeof kName);
  RegSetValueExA(hKey, "ConfigCLSID", 0, REG_SZ, reinterpret_cast<const BYTE*>(kClsid), sizeof kClsid);
  RegSetValueExA(hKey, "OEMData", 0, REG_BINARY, kData, sizeof kData);
  RegCloseKey(hKey);

  DIJOYTYPEINFO info;
  std::memset(&info, 0xcd, sizeof info);
  info.dwSize = sizeof info;
  ASSERT_EQ(m_pJoyConfig->GetTypeInfo(QJ_W("vid_7c3a&pid_a02f"), &info,
                                      DITC_REGHWSETTINGS | DITC_CLSIDCONFIG | DITC_DISPLAYNAME),
            DI_OK);
  EXPECT_EQ(Narrow(info.wszDisplayName), kName);
  const GUID clsid = {0x2F64D0A8, 0x7C3A, 0xA02F, {0xC5, 0xB1, 0x6E, 0x93, 0xA0, 0xD4, 0x17, 0x2B}};
  EXPECT_EQ(info.clsidConfig, clsid);
  EXPECT_EQ(info.hws.dwFlags, 1u);
  EXPECT_EQ(info.hws.dwNumButtons, 12u);

  DIJOYTYPEINFO_DX5 dx5{};
  dx5.dwSize = sizeof dx5;
  EXPECT_EQ(m_pJoyConfig->GetTypeInfo(QJ_W("VID_7C3A&PID_A02F"), reinterpret_cast<LPDIJOYTYPEINFO>(&dx5),
                                      DITC_HARDWAREID),
            DIERR_INVALIDPARAM)
      << "the DirectX 5 form has no hardware ID";
  EXPECT_EQ(m_pJoyConfig->GetTypeInfo(QJ_W("VID_0000&PID_0000"), &info, DITC_DISPLAYNAME), DIERR_NOTFOUND);
  EXPECT_EQ(m_pJoyConfig->GetTypeInfo(nullptr, &info, DITC_DISPLAYNAME), DIERR_INVALIDPARAM);
}

}  // namespace

// The joystick device: creation, data format, cooperative level,
// acquisition, the polled state, a lost and an unplugged joystick, and the
// device path.
#include <cstring>
#include <string>

#include "dinput_fixture.h"

namespace {

using ditest::DirectInputTest;
using DeviceTest = DirectInputTest;

DIJOYSTATE ScriptedState() {
  DIJOYSTATE state = sim::RestingJoystickState();
  state.lX = 10;
  state.lY = 65535;
  state.lZ = 32896;
  state.lRx = 1;
  state.lRy = 2;
  state.lRz = 40000;
  state.rglSlider[1] = 77;
  state.rgdwPOV[0] = 9000;
  state.rgbButtons[0] = 0x80;
  state.rgbButtons[11] = 0x80;
  return state;
}

TEST_F(DeviceTest, CreateDeviceNeedsAnAttachedJoystick) {
  IDirectInputDeviceA* pDevice = reinterpret_cast<IDirectInputDeviceA*>(&m_pdi);
  const GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  EXPECT_EQ(m_pdi->CreateDevice(unknown, &pDevice, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(pDevice, nullptr);
  EXPECT_EQ(m_pdi->CreateDevice(GUID_NULL, &pDevice, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(m_pdi->CreateDevice(InstanceOf(0), nullptr, nullptr), DIERR_INVALIDPARAM);

  GUID guid = InstanceOf(0);
  sim::UnplugJoystick(0);
  EXPECT_EQ(m_pdi->CreateDevice(guid, &pDevice, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(m_pdi->GetDeviceStatus(guid), DI_NOTATTACHED);
  sim::PlugJoystick(0);
  EXPECT_EQ(m_pdi->GetDeviceStatus(guid), DI_OK);

  sim::FailDirectInput(sim::DiCall::kCreateDevice, E_OUTOFMEMORY);
  EXPECT_EQ(m_pdi->CreateDevice(guid, &pDevice, nullptr), E_OUTOFMEMORY);
  EXPECT_EQ(pDevice, nullptr);
  sim::FailDirectInput(sim::DiCall::kCreateDevice, S_OK);

  ASSERT_EQ(m_pdi->CreateDevice(guid, &pDevice, nullptr), DI_OK);
  sim::FailDirectInput(sim::DiCall::kQueryDevice2, E_NOINTERFACE);
  void* pv = &pv;
  EXPECT_EQ(pDevice->QueryInterface(IID_IDirectInputDevice2A, &pv), E_NOINTERFACE);
  EXPECT_EQ(pv, nullptr);
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(DeviceTest, PollsTheScriptedStateThroughTheJoystickFormat) {
  IDirectInputDevice2A* pDevice = MakeDevice(0, true);
  ASSERT_NE(pDevice, nullptr);
  const DIJOYSTATE expected = ScriptedState();
  sim::SetJoystickState(0, expected);

  DIJOYSTATE state;
  std::memset(&state, 0xcd, sizeof state);
  EXPECT_EQ(pDevice->Poll(), DI_OK);
  ASSERT_EQ(pDevice->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(std::memcmp(&state, &expected, sizeof state), 0);

  EXPECT_EQ(pDevice->GetDeviceState(sizeof state - 4, &state), DIERR_INVALIDPARAM);
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, nullptr), DIERR_INVALIDPARAM);
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(DeviceTest, StateLandsWhereTheFormatPutsIt) {
  // Rz first, then the second button, in an 8-byte state.
  DIOBJECTDATAFORMAT objects[] = {
      {&GUID_RzAxis, 0, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
      {nullptr, 4, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
      {nullptr, 5, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
  };
  DIDATAFORMAT format = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS, 8, 3, objects};
  IDirectInputDevice2A* pDevice = MakeDevice(0, false);
  ASSERT_NE(pDevice, nullptr);
  ASSERT_EQ(pDevice->SetDataFormat(&format), DI_OK);
  ASSERT_EQ(pDevice->Acquire(), DI_OK);
  DIJOYSTATE scripted = ScriptedState();
  scripted.rgbButtons[0] = 0;
  scripted.rgbButtons[1] = 0x80;
  sim::SetJoystickState(0, scripted);
  BYTE rgb[8];
  std::memset(rgb, 0xcd, sizeof rgb);
  ASSERT_EQ(pDevice->Poll(), DI_OK);
  ASSERT_EQ(pDevice->GetDeviceState(sizeof rgb, rgb), DI_OK);
  LONG lRz = 0;
  std::memcpy(&lRz, rgb, 4);
  EXPECT_EQ(lRz, 40000);
  EXPECT_EQ(rgb[4], 0);
  EXPECT_EQ(rgb[5], 0x80);
  EXPECT_EQ(rgb[6], 0);
  EXPECT_EQ(rgb[7], 0);

  // A format whose object does not fit its data is refused; so is one while
  // acquired.
  objects[0].dwOfs = 6;
  EXPECT_EQ(pDevice->SetDataFormat(&c_dfDIJoystick), DIERR_ACQUIRED);
  pDevice->Unacquire();
  EXPECT_EQ(pDevice->SetDataFormat(&format), DIERR_INVALIDPARAM);
  EXPECT_EQ(pDevice->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(DeviceTest, AcquisitionRules) {
  IDirectInputDevice2A* pDevice = MakeDevice(0, false);
  ASSERT_NE(pDevice, nullptr);
  DIJOYSTATE state;
  EXPECT_EQ(pDevice->Acquire(), DIERR_INVALIDPARAM) << "no data format yet";
  ASSERT_EQ(pDevice->SetDataFormat(&c_dfDIJoystick), DI_OK);
  EXPECT_EQ(pDevice->Poll(), DIERR_NOTACQUIRED);
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
  EXPECT_EQ(pDevice->Unacquire(), DI_NOEFFECT);
  EXPECT_EQ(pDevice->Acquire(), DI_OK);
  EXPECT_EQ(pDevice->Acquire(), DI_NOEFFECT);
  EXPECT_EQ(pDevice->SetCooperativeLevel(m_hWnd, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DIERR_ACQUIRED);
  EXPECT_EQ(pDevice->Unacquire(), DI_OK);
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(DeviceTest, ExclusiveDevicesOfOneJoystick) {
  IDirectInputDevice2A* pFirst = MakeDevice(0, true);
  IDirectInputDevice2A* pSecond = MakeDevice(0, false);
  ASSERT_TRUE(pFirst && pSecond);
  ASSERT_EQ(pSecond->SetDataFormat(&c_dfDIJoystick), DI_OK);
  ASSERT_EQ(pSecond->SetCooperativeLevel(m_hWnd, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  EXPECT_EQ(pSecond->Acquire(), DIERR_OTHERAPPHASPRIO);
  EXPECT_EQ(pFirst->Unacquire(), DI_OK);
  EXPECT_EQ(pSecond->Acquire(), DI_OK);
  EXPECT_EQ(pFirst->Acquire(), DIERR_OTHERAPPHASPRIO);
  EXPECT_EQ(pSecond->Release(), 0u) << "releasing an acquired device frees the joystick";
  EXPECT_EQ(pFirst->Acquire(), DI_OK);
  EXPECT_EQ(pFirst->Release(), 0u);
}

TEST_F(DeviceTest, CooperativeLevels) {
  struct Case {
    DWORD dwFlags;
    bool bWindow;
    HRESULT hr;
  };
  const Case cases[] = {
      {DISCL_EXCLUSIVE | DISCL_BACKGROUND, true, DI_OK},
      {DISCL_NONEXCLUSIVE | DISCL_FOREGROUND, true, DI_OK},
      {DISCL_NONEXCLUSIVE | DISCL_BACKGROUND, false, DI_OK},
      {DISCL_EXCLUSIVE | DISCL_BACKGROUND, false, E_HANDLE},
      {0, true, DIERR_INVALIDPARAM},
      {DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_BACKGROUND, true, DIERR_INVALIDPARAM},
      {DISCL_EXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND, true, DIERR_INVALIDPARAM},
      {DISCL_EXCLUSIVE | DISCL_BACKGROUND | 0x100, true, DIERR_INVALIDPARAM},
  };
  IDirectInputDevice2A* pDevice = MakeDevice(0, false);
  ASSERT_NE(pDevice, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags " << c.dwFlags << " window " << c.bWindow);
    EXPECT_EQ(pDevice->SetCooperativeLevel(c.bWindow ? m_hWnd : nullptr, c.dwFlags), c.hr);
  }
  EXPECT_EQ(pDevice->Release(), 0u);
}

// A lost joystick fails every poll until the device is acquired again.
TEST_F(DeviceTest, LostInputNeedsAcquireAgain) {
  IDirectInputDevice2A* pDevice = MakeDevice(0, true);
  ASSERT_NE(pDevice, nullptr);
  DIJOYSTATE state;
  sim::LoseJoystick(0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pDevice->Poll(), DIERR_INPUTLOST);
    EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DIERR_INPUTLOST);
  }
  EXPECT_EQ(pDevice->Acquire(), DI_OK) << "the lost device is not acquired any more";
  EXPECT_EQ(pDevice->Poll(), DI_OK);
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DI_OK);

  // A device that was not acquired when the input was lost is unaffected.
  pDevice->Unacquire();
  sim::LoseJoystick(0);
  EXPECT_EQ(pDevice->Acquire(), DI_OK);
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(DeviceTest, UnpluggedJoystickCannotBeAcquired) {
  IDirectInputDevice2A* pDevice = MakeDevice(0, true);
  ASSERT_NE(pDevice, nullptr);
  DIJOYSTATE state;
  sim::UnplugJoystick(0);
  EXPECT_EQ(pDevice->Poll(), DIERR_INPUTLOST);
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DIERR_INPUTLOST);
  EXPECT_EQ(pDevice->Acquire(), DIERR_INPUTLOST);
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DIERR_INPUTLOST);

  // The configuration stays readable while unplugged.
  DIJOYCONFIG dijc{};
  dijc.dwSize = sizeof dijc;
  EXPECT_EQ(m_pJoyConfig->GetConfig(0, &dijc, DIJC_REGHWCONFIGTYPE), DI_OK);

  sim::PlugJoystick(0);
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DIERR_INPUTLOST) << "still needs Acquire";
  EXPECT_EQ(pDevice->Acquire(), DI_OK);
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DI_OK);

  // A detached joystick fails the same way and stays lost when it returns.
  sim::RemoveJoystick(0);
  EXPECT_EQ(pDevice->Poll(), DIERR_INPUTLOST);
  sim::SetJoystick(0, ditest::kVendor, ditest::kProduct);
  EXPECT_EQ(pDevice->Poll(), DIERR_INPUTLOST);
  EXPECT_EQ(pDevice->Acquire(), DI_OK);
  EXPECT_EQ(pDevice->Poll(), DI_OK);
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(DeviceTest, InjectedPollFailures) {
  IDirectInputDevice2A* pDevice = MakeDevice(0, true);
  ASSERT_NE(pDevice, nullptr);
  DIJOYSTATE state;
  sim::FailDirectInput(sim::DiCall::kPoll, DIERR_INPUTLOST);
  sim::FailDirectInput(sim::DiCall::kGetDeviceState, DIERR_NOTACQUIRED);
  EXPECT_EQ(pDevice->Poll(), DIERR_INPUTLOST);
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
  sim::FailDirectInput(sim::DiCall::kPoll, S_OK);
  sim::FailDirectInput(sim::DiCall::kGetDeviceState, S_OK);
  EXPECT_EQ(pDevice->Poll(), DI_OK);
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(DeviceTest, GuidAndPathNamesTheHidInterface) {
  IDirectInputDevice2A* pDevice = MakeDevice(0, false);
  ASSERT_NE(pDevice, nullptr);
  DIPROPGUIDANDPATH prop;
  std::memset(&prop, 0xcd, sizeof prop);
  prop.diph.dwSize = sizeof prop;
  prop.diph.dwHeaderSize = sizeof prop.diph;
  prop.diph.dwObj = 0;
  prop.diph.dwHow = DIPH_DEVICE;
  ASSERT_EQ(pDevice->GetProperty(DIPROP_GUIDANDPATH, &prop.diph), DI_OK);
  std::string path;
  for (const WCHAR* p = prop.wszPath; *p; ++p) path.push_back(static_cast<char>(*p));
  EXPECT_EQ(path, sim::JoystickPath(0));
  EXPECT_EQ(path.rfind("\\\\?\\hid#vid_7c3a&pid_a02f#", 0), 0u) << path;

  sim::SetJoystickPath(0, "\\\\?\\hid#custom");
  ASSERT_EQ(pDevice->GetProperty(DIPROP_GUIDANDPATH, &prop.diph), DI_OK);
  path.clear();
  for (const WCHAR* p = prop.wszPath; *p; ++p) path.push_back(static_cast<char>(*p));
  EXPECT_EQ(path, "\\\\?\\hid#custom");

  prop.diph.dwSize = sizeof prop - 2;
  EXPECT_EQ(pDevice->GetProperty(DIPROP_GUIDANDPATH, &prop.diph), DIERR_INVALIDPARAM);
  prop.diph.dwSize = sizeof prop;
  prop.diph.dwHow = DIPH_BYOFFSET;
  EXPECT_EQ(pDevice->GetProperty(DIPROP_GUIDANDPATH, &prop.diph), DIERR_INVALIDPARAM);
  prop.diph.dwHow = DIPH_DEVICE;
  EXPECT_EQ(pDevice->GetProperty(DIPROP_RANGE, &prop.diph), DIERR_UNSUPPORTED);
  sim::FailDirectInput(sim::DiCall::kGetProperty, DIERR_INPUTLOST);
  EXPECT_EQ(pDevice->GetProperty(DIPROP_GUIDANDPATH, &prop.diph), DIERR_INPUTLOST);
  EXPECT_EQ(pDevice->Release(), 0u);
}

}  // namespace

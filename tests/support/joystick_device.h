// The DirectInput device of a joystick ID as the pages make it: through the
// joystick configuration's instance GUID and the DirectX 5 device interface.
// For page tests over the platform layer's DirectInput and sim's joysticks.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"

namespace pagetest {

// *ppDevice receives the device (the caller releases it). Use with
// ASSERT_NO_FATAL_FAILURE.
inline void MakeJoystickDevice(UINT uJoystick, IDirectInputDevice2** ppDevice) {
  *ppDevice = nullptr;
  IDirectInput* pdi = nullptr;
  ASSERT_EQ(DirectInputCreateA(GetModuleHandleA(nullptr), 0x0700, &pdi, nullptr), DI_OK);
  IDirectInputJoyConfig* pConfig = nullptr;
  ASSERT_EQ(pdi->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&pConfig)), S_OK);
  DIJOYCONFIG config;
  std::memset(&config, 0, sizeof config);
  config.dwSize = sizeof config;
  const HRESULT hrConfig = pConfig->GetConfig(uJoystick, &config, DIJC_GUIDINSTANCE);
  pConfig->Release();
  IDirectInputDevice* pBase = nullptr;
  const HRESULT hrCreate = SUCCEEDED(hrConfig) ? pdi->CreateDevice(config.guidInstance, &pBase, nullptr) : hrConfig;
  pdi->Release();
  ASSERT_EQ(hrCreate, DI_OK);
  const HRESULT hrQuery = pBase->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(ppDevice));
  pBase->Release();
  ASSERT_EQ(hrQuery, S_OK);
}

}  // namespace pagetest

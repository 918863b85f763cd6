// A simulated machine with the controller attached as joystick 0 and a
// DirectInput object with its joystick configuration.
#pragma once

#include <gtest/gtest.h>

#include "platform/sim/sim.h"
#include "platform/win32.h"

namespace ditest {

constexpr WORD kVendor = 0x7C3A;
constexpr WORD kProduct = 0xA02F;
constexpr DWORD kSentinel = 0xDEADBEEF;

class DirectInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetJoysticks();
    sim::SetJoystick(0, kVendor, kProduct);
    m_lLiveBefore = sim::LiveDirectInputObjects();
    ASSERT_EQ(DirectInputCreateA(GetModuleHandleA(nullptr), 0x0700, &m_pdi, nullptr), DI_OK);
    ASSERT_EQ(m_pdi->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&m_pJoyConfig)), S_OK);
    m_hWnd = sim::CreateTestWindow(64, 64);
    ASSERT_NE(m_hWnd, nullptr);
  }

  void TearDown() override {
    if (m_pJoyConfig) m_pJoyConfig->Release();
    if (m_pdi) {
      EXPECT_EQ(m_pdi->Release(), 0u);
    }
    EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore) << "every DirectInput object is released";
    DestroyWindow(m_hWnd);
    sim::ResetJoysticks();
  }

  GUID InstanceOf(UINT uJoyID) {
    DIJOYCONFIG dijc{};
    dijc.dwSize = sizeof dijc;
    EXPECT_EQ(m_pJoyConfig->GetConfig(uJoyID, &dijc, DIJC_GUIDINSTANCE), DI_OK);
    return dijc.guidInstance;
  }

  // A device of joystick uJoyID through its instance GUID, as the pages make
  // it; with bReady it is also set to the joystick format and acquired.
  IDirectInputDevice2A* MakeDevice(UINT uJoyID, bool bReady) {
    IDirectInputDeviceA* pDevice = nullptr;
    EXPECT_EQ(m_pdi->CreateDevice(InstanceOf(uJoyID), &pDevice, nullptr), DI_OK);
    if (!pDevice) return nullptr;
    IDirectInputDevice2A* pDevice2 = nullptr;
    EXPECT_EQ(pDevice->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&pDevice2)), S_OK);
    pDevice->Release();
    if (pDevice2 && bReady) {
      EXPECT_EQ(pDevice2->SetDataFormat(&c_dfDIJoystick), DI_OK);
      EXPECT_EQ(pDevice2->SetCooperativeLevel(m_hWnd, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
      EXPECT_EQ(pDevice2->Acquire(), DI_OK);
    }
    return pDevice2;
  }

  IDirectInputA* m_pdi = nullptr;
  IDirectInputJoyConfig* m_pJoyConfig = nullptr;
  HWND m_hWnd = nullptr;
  long m_lLiveBefore = 0;
};

}  // namespace ditest

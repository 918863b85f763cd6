// The pages over the layer's DirectInput as the real property sheet holds
// them: each page a child window of the sheet. DirectInput takes only a
// top-level window for the device's cooperative level, so the pages must
// hand it the sheet; and the controller is a polled device, so what a page
// reads is what its own poll fetched.
#include "child_page_fixture.h"

namespace {

using procstest::kAbout;
using procstest::kPages;
using procstest::kTest;

using SheetWindowTest = pagesheet::ChildPageSheet;

TEST_F(SheetWindowTest, ChildPagesHandTheSheetToDirectInput) {
  sim::ClearDebugOutput();
  for (int n = 0; n < kPages; ++n) {
    SCOPED_TRACE(n);
    HWND hPage = CreateChildPage(n);
    ASSERT_NE(hPage, nullptr);
    ASSERT_NE(GetWindowLongA(hPage, GWL_STYLE) & WS_CHILD, 0) << "a page is a child of the sheet";
    ASSERT_EQ(GetParent(hPage), m_hSheet);
    ASSERT_NE(SheetDevice(), nullptr) << "the device was made with the sheet's window";
    if (n == kTest) {
      EXPECT_NE(g_PageEngine.m_pTestBack, nullptr) << "the test page went on to build the pages";
    }
  }
  EXPECT_TRUE(sim::DebugOutput().empty()) << sim::DebugOutput();
  // Every page, shown, acquires the device and polls it.
  for (int n = 0; n < kPages; ++n) {
    SCOPED_TRACE(n);
    Show(n);
    EXPECT_EQ(SheetDevice()->Acquire(), DI_NOEFFECT) << "acquired already";
    g_dwLostTick = 99;
    sim::RunMessages(n == procstest::kKeyboard ? 500 : 100);
    EXPECT_EQ(g_dwLostTick, 0u) << "a poll succeeded";
  }
}

// What a page would get if it handed DirectInput its own window.
TEST_F(SheetWindowTest, APageWindowIsNoWindowForTheDevice) {
  HWND hPage = CreateChildPage(kAbout);
  ASSERT_NE(hPage, nullptr);
  IDirectInput* pdi = nullptr;
  ASSERT_EQ(DirectInputCreateA(g_hInstance, 0x0700, &pdi, nullptr), DI_OK);
  IDirectInputJoyConfig* pConfig = nullptr;
  ASSERT_EQ(pdi->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&pConfig)), S_OK);
  IDirectInputDevice2* pDevice = nullptr;
  sim::ClearDebugOutput();
  EXPECT_EQ(DIUtilCreateDeviceFromJoyConfig(0, hPage, pdi, pConfig, &pDevice), E_HANDLE);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilCreateDeviceFromJoyConfig() - SetCooperativeLevel() failed\n");
  if (pDevice) pDevice->Release();
  EXPECT_EQ(DIUtilCreateDeviceFromJoyConfig(0, m_hSheet, pdi, pConfig, &pDevice), DI_OK);
  if (pDevice) pDevice->Release();
  pConfig->Release();
  pdi->Release();
}

// The test page lights a lamp for a button pressed after the device was
// acquired: the page polled before it read the state.
TEST_F(SheetWindowTest, TheTestPageReadsWhatItsPollFetched) {
  ASSERT_NE(CreateChildPage(kTest), nullptr);
  Show(kTest);
  ASSERT_NE(g_PageEngine.m_pButtonLamp[4], nullptr);
  sim::RunMessages(30);
  EXPECT_EQ(g_PageEngine.m_pButtonLamp[4]->GetState(), 0u);
  DIJOYSTATE state = sim::RestingJoystickState();
  state.rgbButtons[4] = 0x80;
  sim::SetJoystickState(0, state);
  sim::RunMessages(10);
  EXPECT_EQ(g_PageEngine.m_pButtonLamp[4]->GetState(), 0x80u);
}

}  // namespace

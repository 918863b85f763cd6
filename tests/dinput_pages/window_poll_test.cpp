// The window that a cooperative level names, and the controller as a polled
// device: what GetDeviceState reports between polls.
#include <cstdint>
#include <cstring>

#include "dinput_fixture.h"

namespace {

using ditest::DirectInputTest;

constexpr char kClass[] = "QjDinputWindowTest";

LRESULT CALLBACK PlainProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

class CooperativeWindowTest : public DirectInputTest {
 protected:
  void SetUp() override {
    DirectInputTest::SetUp();
    if (HasFatalFailure()) return;
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);  // a second test finds it registered
    m_hChild = CreateWindowExA(0, kClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, m_hWnd, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    m_hPopup = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 10, 10, m_hWnd, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
    ASSERT_NE(m_hChild, nullptr);
    ASSERT_NE(m_hPopup, nullptr);
  }
  void TearDown() override {
    if (m_hPopup) DestroyWindow(m_hPopup);
    if (m_hChild) DestroyWindow(m_hChild);
    DirectInputTest::TearDown();
  }

  HWND m_hChild = nullptr;
  HWND m_hPopup = nullptr;  // owned by the test window, still top-level
};

TEST_F(CooperativeWindowTest, OnlyATopLevelWindowOfTheProcessIsTaken) {
  HWND hGone = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
  ASSERT_NE(hGone, nullptr);
  DestroyWindow(hGone);
  const struct {
    const char* pszWindow;
    HWND hWnd;
    HRESULT hr;
  } windows[] = {
      {"top-level", m_hWnd, DI_OK},
      {"owned popup", m_hPopup, DI_OK},
      {"child", m_hChild, E_HANDLE},
      {"destroyed", hGone, E_HANDLE},
      {"not a window", reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4242)), E_HANDLE},
  };
  const DWORD levels[] = {DISCL_EXCLUSIVE | DISCL_BACKGROUND, DISCL_EXCLUSIVE | DISCL_FOREGROUND,
                          DISCL_NONEXCLUSIVE | DISCL_FOREGROUND, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND};
  IDirectInputDevice2A* pDevice = MakeDevice(0, false);
  ASSERT_NE(pDevice, nullptr);
  for (const auto& w : windows) {
    for (DWORD dwLevel : levels) {
      SCOPED_TRACE(testing::Message() << w.pszWindow << ", level " << dwLevel);
      EXPECT_EQ(pDevice->SetCooperativeLevel(w.hWnd, dwLevel), w.hr);
      // Flags that break the pairs are refused before the window is looked at.
      EXPECT_EQ(pDevice->SetCooperativeLevel(w.hWnd, dwLevel | DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE),
                DIERR_INVALIDPARAM);
      EXPECT_EQ(pDevice->SetCooperativeLevel(w.hWnd, dwLevel & ~(DISCL_FOREGROUND | DISCL_BACKGROUND)),
                DIERR_INVALIDPARAM);
    }
  }
  // A refused window leaves the level set before: exclusive, so a second
  // exclusive device of the joystick cannot be acquired beside it.
  ASSERT_EQ(pDevice->SetCooperativeLevel(m_hWnd, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  EXPECT_EQ(pDevice->SetCooperativeLevel(m_hChild, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), E_HANDLE);
  ASSERT_EQ(pDevice->SetDataFormat(&c_dfDIJoystick), DI_OK);
  ASSERT_EQ(pDevice->Acquire(), DI_OK);
  IDirectInputDevice2A* pOther = MakeDevice(0, false);
  ASSERT_NE(pOther, nullptr);
  ASSERT_EQ(pOther->SetDataFormat(&c_dfDIJoystick), DI_OK);
  ASSERT_EQ(pOther->SetCooperativeLevel(m_hWnd, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  EXPECT_EQ(pOther->Acquire(), DIERR_OTHERAPPHASPRIO);
  EXPECT_EQ(pOther->Release(), 0u);
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(CooperativeWindowTest, JoystickConfigurationTakesOnlyATopLevelWindow) {
  EXPECT_EQ(m_pJoyConfig->SetCooperativeLevel(m_hWnd, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  EXPECT_EQ(m_pJoyConfig->SetCooperativeLevel(m_hPopup, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  EXPECT_EQ(m_pJoyConfig->SetCooperativeLevel(m_hChild, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DIERR_INVALIDPARAM);
  EXPECT_EQ(m_pJoyConfig->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DIERR_INVALIDPARAM);
  EXPECT_EQ(m_pJoyConfig->SetCooperativeLevel(m_hWnd, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DIERR_INVALIDPARAM);
}

DIJOYSTATE Pressed(BYTE byButton, LONG lX) {
  DIJOYSTATE state = sim::RestingJoystickState();
  state.rgbButtons[byButton] = 0x80;
  state.lX = lX;
  return state;
}

bool SameState(const DIJOYSTATE& a, const DIJOYSTATE& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

using PolledDeviceTest = DirectInputTest;

// The controller answers only when it is polled: GetDeviceState repeats the
// state of Acquire or of the last Poll, however the joystick moved since.
TEST_F(PolledDeviceTest, StateChangesOnlyAtAcquireAndPoll) {
  const DIJOYSTATE first = Pressed(0, 100);
  const DIJOYSTATE second = Pressed(5, 60000);
  sim::SetJoystickState(0, first);
  IDirectInputDevice2A* pDevice = MakeDevice(0, true);
  ASSERT_NE(pDevice, nullptr);
  sim::SetJoystickState(0, second);

  DIJOYSTATE state;
  ASSERT_EQ(pDevice->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_TRUE(SameState(state, first)) << "the state as of Acquire";
  ASSERT_EQ(pDevice->Poll(), DI_OK);
  ASSERT_EQ(pDevice->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_TRUE(SameState(state, second)) << "the state as of the poll";

  // Acquired again, the device starts from the joystick's state then.
  sim::SetJoystickState(0, first);
  ASSERT_EQ(pDevice->Unacquire(), DI_OK);
  ASSERT_EQ(pDevice->Acquire(), DI_OK);
  ASSERT_EQ(pDevice->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_TRUE(SameState(state, first));

  // A failed poll keeps the state it had.
  sim::SetJoystickState(0, second);
  sim::FailDirectInput(sim::DiCall::kPoll, DIERR_INPUTLOST);
  EXPECT_EQ(pDevice->Poll(), DIERR_INPUTLOST);
  sim::FailDirectInput(sim::DiCall::kPoll, S_OK);
  ASSERT_EQ(pDevice->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_TRUE(SameState(state, first));
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(PolledDeviceTest, AJoystickThatNeedsNoPollingReportsAtOnce) {
  sim::SetJoystickPolled(0, false);
  IDirectInputDevice2A* pDevice = MakeDevice(0, true);
  ASSERT_NE(pDevice, nullptr);
  const DIJOYSTATE moved = Pressed(11, 12345);
  sim::SetJoystickState(0, moved);
  DIJOYSTATE state;
  ASSERT_EQ(pDevice->GetDeviceState(sizeof state, &state), DI_OK);
  EXPECT_TRUE(SameState(state, moved));
  EXPECT_EQ(pDevice->Poll(), DI_NOEFFECT);

  // Not acquired or lost, it fails as a polled one does.
  sim::LoseJoystick(0);
  EXPECT_EQ(pDevice->Poll(), DIERR_INPUTLOST);
  ASSERT_EQ(pDevice->Acquire(), DI_OK);
  ASSERT_EQ(pDevice->Unacquire(), DI_OK);
  EXPECT_EQ(pDevice->Poll(), DIERR_NOTACQUIRED);
  EXPECT_EQ(pDevice->Release(), 0u);
}

}  // namespace

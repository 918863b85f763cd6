// AcquireDevice on the property-sheet object: what it makes, what a second
// call does, and what each failure leaves behind.
#include "device_fixture.h"

namespace {

using pagetest::DeviceAccessTest;
using pagetest::GuardedPage;

class AcquireTest : public DeviceAccessTest {
 protected:
  void SetUp() override {
    DeviceAccessTest::SetUp();
    m_pSheet = new PropSheet;
    m_pSheet->SetID(0);
  }
  void TearDown() override {
    if (m_pSheet) m_pSheet->Release();  // releases what the sheet was handed
    DeviceAccessTest::TearDown();
  }

  IDirectInputDevice2* Device() {
    IDirectInputDevice2* pDevice = nullptr;
    m_pSheet->FetchDevice(&pDevice);
    return pDevice;
  }
  IDirectInputJoyConfig* JoyConfig() {
    IDirectInputJoyConfig* pJoyConfig = nullptr;
    m_pSheet->FetchJoyConfig(&pJoyConfig);
    return pJoyConfig;
  }

  PropSheet* m_pSheet = nullptr;
};

TEST_F(AcquireTest, MakesTheObjectsOnceThenAnswersSFalse) {
  ASSERT_EQ(AcquireDevice(m_hSheet, m_pSheet), DI_OK);
  IDirectInputDevice2* pDevice = Device();
  IDirectInputJoyConfig* pJoyConfig = JoyConfig();
  ASSERT_NE(pDevice, nullptr);
  ASSERT_NE(pJoyConfig, nullptr);
  // The device and the configuration; the DirectInput object itself was
  // released, its configuration interface keeps it.
  EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore + 1 + 2);
  EXPECT_EQ(sim::DebugOutput(), "");

  // Every further page finds them made.
  EXPECT_EQ(AcquireDevice(m_hSheet, m_pSheet), S_FALSE);
  EXPECT_EQ(Device(), pDevice);
  EXPECT_EQ(JoyConfig(), pJoyConfig);
  EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore + 1 + 2);

  // The device reads the sheet's joystick in the joystick format.
  DIJOYSTATE scripted = sim::RestingJoystickState();
  scripted.lX = 321;
  sim::SetJoystickState(0, scripted);
  ASSERT_EQ(pDevice->Acquire(), DI_OK);
  DIJOYSTATE state;
  ASSERT_EQ(DIUtilPollJoystick(pDevice, &state), DI_OK);
  EXPECT_EQ(state.lX, 321);
}

TEST_F(AcquireTest, SheetWithADeviceOnlyGetsItsConfiguration) {
  IDirectInputDevice2* pDevice = nullptr;
  ASSERT_EQ(DIUtilCreateDeviceFromJoyConfig(0, m_hSheet, m_pdi, m_pJoyConfig, &pDevice), DI_OK);
  m_pSheet->PutDevice(pDevice);
  EXPECT_EQ(AcquireDevice(m_hSheet, m_pSheet), S_FALSE);
  EXPECT_EQ(Device(), pDevice);
  EXPECT_NE(JoyConfig(), nullptr);
  EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore + 1 + 2) << "no second device";
}

TEST_F(AcquireTest, FailuresLeaveNothingBehind) {
  struct Case {
    sim::DiCall call;
    HRESULT hr;
    bool bJoyConfigKept;
  };
  const Case cases[] = {
      {sim::DiCall::kDirectInputCreate, E_OUTOFMEMORY, false},
      {sim::DiCall::kQueryJoyConfig, E_NOINTERFACE, false},
      {sim::DiCall::kCreateDevice, DIERR_DEVICENOTREG, true},
      {sim::DiCall::kSetDataFormat, DIERR_INVALIDPARAM, true},
      {sim::DiCall::kSetCooperativeLevel, E_HANDLE, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.call));
    m_pSheet->Release();
    m_pSheet = new PropSheet;
    m_pSheet->SetID(0);
    sim::FailDirectInput(c.call, c.hr);
    EXPECT_EQ(AcquireDevice(m_hSheet, m_pSheet), c.hr);
    EXPECT_EQ(Device(), nullptr) << "a device left by a failure is released, not handed over";
    EXPECT_EQ(JoyConfig() != nullptr, c.bJoyConfigKept);
    EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore + 1 + (c.bJoyConfigKept ? 1 : 0));

    // The next page tries again with what the sheet kept.
    sim::FailDirectInput(c.call, S_OK);
    IDirectInputJoyConfig* pKept = JoyConfig();
    EXPECT_EQ(AcquireDevice(m_hSheet, m_pSheet), DI_OK);
    EXPECT_NE(Device(), nullptr);
    if (pKept) {
      EXPECT_EQ(JoyConfig(), pKept);
    }
    EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore + 1 + 2);
  }
}

struct AcquireCall {
  HWND hSheet;
  PropSheet* pSheet;
  HRESULT hr;
};

DWORD WINAPI AcquireOnThread(LPVOID pv) {
  auto* pCall = static_cast<AcquireCall*>(pv);
  pCall->hr = AcquireDevice(pCall->hSheet, pCall->pSheet);
  return 0;
}

DWORD WINAPI HoldModuleLock(LPVOID pv) {
  HANDLE* pEvents = static_cast<HANDLE*>(pv);  // [0] held, [1] let go
  EnterCriticalSection(&g_csModule);
  SetEvent(pEvents[0]);
  WaitForSingleObject(pEvents[1], INFINITE);
  LeaveCriticalSection(&g_csModule);
  return 0;
}

// AcquireDevice makes the objects under g_csModule, so two pages (or two
// sheets) never make them twice: while another thread holds the lock it
// waits and makes nothing; it gives the lock back on every return.
TEST_F(AcquireTest, MakesTheObjectsUnderTheModuleLock) {
  HANDLE events[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  HANDLE hHolder = CreateThread(nullptr, 0, HoldModuleLock, events, 0, nullptr);
  ASSERT_NE(hHolder, nullptr);
  ASSERT_EQ(WaitForSingleObject(events[0], 5000), WAIT_OBJECT_0);

  AcquireCall call{m_hSheet, m_pSheet, E_UNEXPECTED};
  HANDLE hCaller = CreateThread(nullptr, 0, AcquireOnThread, &call, 0, nullptr);
  ASSERT_NE(hCaller, nullptr);
  EXPECT_EQ(WaitForSingleObject(hCaller, 200), DWORD(WAIT_TIMEOUT)) << "it waits for the lock";
  EXPECT_EQ(Device(), nullptr);
  EXPECT_EQ(JoyConfig(), nullptr);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForSingleObject(hCaller, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(call.hr, DI_OK);
  EXPECT_NE(Device(), nullptr);
  WaitForSingleObject(hHolder, 5000);

  // Given back after success (above), after S_FALSE, after a failure and
  // after a bad pointer: another thread takes it at once.
  ASSERT_TRUE(TryEnterCriticalSection(&g_csModule));
  LeaveCriticalSection(&g_csModule);
  GuardedPage page;
  PropSheet* pFresh = new PropSheet;
  pFresh->SetID(0);
  const struct {
    PropSheet* pSheet;
    HRESULT hr;
  } cases[] = {{m_pSheet, S_FALSE},
               {pFresh, E_OUTOFMEMORY},
               {nullptr, E_POINTER},
               {static_cast<PropSheet*>(page.Last(8)), E_POINTER}};
  sim::FailDirectInput(sim::DiCall::kDirectInputCreate, E_OUTOFMEMORY);
  for (const auto& c : cases) {
    call = AcquireCall{m_hSheet, c.pSheet, E_UNEXPECTED};
    HANDLE hThread = CreateThread(nullptr, 0, AcquireOnThread, &call, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(hThread, 5000), WAIT_OBJECT_0);
    CloseHandle(hThread);
    EXPECT_EQ(call.hr, c.hr);
    ASSERT_TRUE(TryEnterCriticalSection(&g_csModule)) << "after " << std::hex << c.hr;
    LeaveCriticalSection(&g_csModule);
  }
  sim::FailDirectInput(sim::DiCall::kDirectInputCreate, S_OK);
  pFresh->Release();
  CloseHandle(hCaller);
  CloseHandle(hHolder);
  CloseHandle(events[0]);
  CloseHandle(events[1]);
}

TEST_F(AcquireTest, SheetWithoutJoystickId) {
  m_pSheet->Release();
  m_pSheet = new PropSheet;  // joystick ID 0xFFFF, read as -1
  EXPECT_EQ(AcquireDevice(m_hSheet, m_pSheet), DIERR_NOMOREITEMS);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilCreateDeviceFromJoyConfig() - GetConfig() failed\n");
  EXPECT_EQ(Device(), nullptr);
}

TEST_F(AcquireTest, BadSheetPointer) {
  GuardedPage page;
  EXPECT_EQ(AcquireDevice(m_hSheet, nullptr), E_POINTER);
  EXPECT_EQ(AcquireDevice(m_hSheet, static_cast<PropSheet*>(page.Last(sizeof(PropSheet) - 1))), E_POINTER);
  // A readable copy of a real sheet that cannot be written.
  pagetest::ReadOnlyPage readOnly(m_pSheet, sizeof(PropSheet));
  EXPECT_EQ(AcquireDevice(m_hSheet, static_cast<PropSheet*>(readOnly.Get())), E_POINTER);
  EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore + 1) << "nothing was made";
}

}  // namespace

// The lost-device watchdog on the frozen clock: when it gives up for a
// page's timer period, and what it does then.
#include <cstdio>
#include <string>
#include <vector>

#include "device_fixture.h"

namespace {

constexpr DWORD kStart = 100000;

LRESULT CALLBACK PageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

// A sheet window with one page (a child) whose timer 30 polls, and the
// [ErrorInfo] texts of the layout file.
class LostDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::FreezeClock(kStart);
    sim::ClearDialogRecord();
    g_dwLostTick = 0;
    g_nLostCount = 0;
    WriteLayout();
    m_hSheet = sim::CreateTestWindow(64, 64);
    ASSERT_NE(m_hSheet, nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = PageProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QjLostDevicePage";
    RegisterClassA(&wc);
    m_hPage = CreateWindowExA(0, "QjLostDevicePage", "", WS_CHILD, 0, 0, 32, 32, m_hSheet, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(m_hPage, nullptr);
  }
  void TearDown() override {
    DestroyWindow(m_hPage);
    DestroyWindow(m_hSheet);
    sim::ThawClock();
  }

  static void WriteLayout() {
    char szDir[MAX_PATH];
    GetSystemDirectoryA(szDir, sizeof szDir);
    std::string dir = std::string(szDir) + "\\VQ6100";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string text =
        "[ErrorInfo]\r\nError=0,0,0,0,Controller\r\nLoseDevice=0,0,0,0,The controller stopped answering, sorry.\r\n";
    HANDLE hFile = CreateFileA((dir + "\\Setup.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    DWORD cbWritten = 0;
    WriteFile(hFile, text.data(), static_cast<DWORD>(text.size()), &cbWritten, nullptr);
    CloseHandle(hFile);
  }

  // Fails one poll per period until the watchdog gives up (or nMax polls);
  // returns the number of failed polls, the last one included.
  int FailUntilGivenUp(DWORD dwPeriod, int nMax) {
    for (int n = 1; n <= nMax; ++n) {
      if (CheckLostDevice(m_hPage)) return n;
      sim::StepClock(dwPeriod);
    }
    return -1;
  }

  // A successful poll, as every page handles it.
  static void Succeed() {
    g_dwLostTick = 0;
    g_nLostCount = 0;
  }

  bool TakeClose() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_CLOSE, WM_CLOSE, PM_REMOVE)) return false;
    EXPECT_EQ(msg.hwnd, m_hSheet) << "the close goes to the sheet, the page's parent";
    return true;
  }

  HWND m_hSheet = nullptr;
  HWND m_hPage = nullptr;
};

TEST_F(LostDeviceTest, GivesUpAtTheFourthFailureFrom500Ms) {
  struct Case {
    DWORD dwPeriod;
    int nFailures;   // the failed poll that gives up
    DWORD dwAfter;   // its time after the first failure
  };
  const Case cases[] = {{10, 54, 530}, {100, 9, 800}, {500, 5, 2000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dwPeriod);
    Succeed();
    ASSERT_NE(SetTimer(m_hPage, 30, c.dwPeriod, nullptr), 0u);
    sim::StepClock(c.dwPeriod);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, m_hPage, WM_TIMER, WM_TIMER, PM_REMOVE)) << "the page's timer runs";
    const DWORD dwFirst = GetTickCount();
    EXPECT_EQ(FailUntilGivenUp(c.dwPeriod, 1000), c.nFailures);
    EXPECT_EQ(GetTickCount() - dwFirst, c.dwAfter);
    EXPECT_TRUE(TakeClose());
    EXPECT_FALSE(TakeClose()) << "one close";
    EXPECT_EQ(g_dwLostTick, GetTickCount());
    std::vector<sim::MessageBoxRun> boxes = sim::MessageBoxRuns();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].hWnd, m_hPage);
    EXPECT_EQ(boxes[0].text, "The controller stopped answering, sorry.");
    EXPECT_EQ(boxes[0].caption, "Controller");
    EXPECT_EQ(boxes[0].uType, static_cast<UINT>(MB_OK));
    sim::ClearDialogRecord();

    // Timer 30 of the page is stopped.
    sim::StepClock(5 * c.dwPeriod);
    EXPECT_FALSE(PeekMessageA(&msg, m_hPage, WM_TIMER, WM_TIMER, PM_REMOVE));
  }
}

TEST_F(LostDeviceTest, OneGoodPollStartsTheRunAfresh) {
  ASSERT_EQ(FailUntilGivenUp(10, 53), -1) << "one failure short of giving up";
  Succeed();
  DWORD dwRestart = GetTickCount();
  EXPECT_EQ(FailUntilGivenUp(10, 1000), 54);
  EXPECT_EQ(GetTickCount() - dwRestart, 530u);
  EXPECT_TRUE(TakeClose());
}

TEST_F(LostDeviceTest, EarlyFailuresAreNotCounted) {
  // However many failures come within the first 500 ms, the count starts
  // only after them.
  for (int i = 0; i < 499; ++i) {
    ASSERT_FALSE(CheckLostDevice(m_hPage));
    sim::StepClock(1);
  }
  EXPECT_EQ(g_nLostCount, 0u);
  sim::StepClock(1);
  EXPECT_FALSE(CheckLostDevice(m_hPage));
  EXPECT_FALSE(CheckLostDevice(m_hPage));
  EXPECT_FALSE(CheckLostDevice(m_hPage));
  EXPECT_EQ(g_nLostCount, 3u);
  EXPECT_FALSE(TakeClose());
  EXPECT_TRUE(sim::MessageBoxRuns().empty());
  EXPECT_TRUE(CheckLostDevice(m_hPage));
  EXPECT_TRUE(TakeClose());
  EXPECT_EQ(sim::MessageBoxRuns().size(), 1u);
}

}  // namespace

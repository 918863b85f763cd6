// Messages and timers: posted before painting before timers, timers on the
// frozen clock, timer procedures, WM_QUIT.
#include "user32_fixture.h"

namespace u32test {
namespace {

std::vector<UINT_PTR> TimerIds(HWND hWnd) {
  std::vector<UINT_PTR> ids;
  for (const Seen& s : Record())
    if (s.hWnd == hWnd && s.uMsg == WM_TIMER) ids.push_back(s.wParam);
  return ids;
}

TEST_F(User32Test, PostedMessagesComeBeforePaintingAndTimers) {
  HWND h = Make(WS_POPUP | WS_VISIBLE, 0, 0, 20, 20);
  sim::PumpMessages();
  Record().clear();
  ASSERT_EQ(SetTimer(h, 30, 10, nullptr), UINT_PTR(30));
  sim::StepClock(10);
  InvalidateRect(h, nullptr, FALSE);
  PostMessageA(h, WM_USER + 1, 5, 6);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_USER + 1));
  EXPECT_EQ(msg.hwnd, h);
  EXPECT_EQ(msg.wParam, WPARAM(5));
  EXPECT_EQ(msg.lParam, LPARAM(6));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_PAINT));
  DispatchMessageA(&msg);  // the default procedure validates
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_TIMER));
  EXPECT_EQ(msg.wParam, WPARAM(30));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(User32Test, PeekWithoutRemoveLeavesTheMessage) {
  HWND h = Make(WS_POPUP, 0, 0, 20, 20);
  sim::PumpMessages();
  PostMessageA(h, WM_USER, 0, 0);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(User32Test, TimersFireOnTheFrozenClockOnlyWhenItSteps) {
  HWND h = Make(WS_POPUP, 0, 0, 20, 20);
  SetTimer(h, 30, 10, nullptr);
  sim::PumpMessages();
  EXPECT_TRUE(TimerIds(h).empty());
  sim::RunMessages(35);
  EXPECT_EQ(TimerIds(h), (std::vector<UINT_PTR>{30, 30, 30}));
  EXPECT_TRUE(KillTimer(h, 30));
  Record().clear();
  sim::RunMessages(50);
  EXPECT_TRUE(TimerIds(h).empty());
  EXPECT_FALSE(KillTimer(h, 30));
}

TEST_F(User32Test, ATimerThatFellBehindFiresOnce) {
  HWND h = Make(WS_POPUP, 0, 0, 20, 20);
  SetTimer(h, 1, 10, nullptr);
  sim::StepClock(100);
  sim::PumpMessages();
  EXPECT_EQ(TimerIds(h).size(), 1u);
  sim::StepClock(9);
  sim::PumpMessages();
  EXPECT_EQ(TimerIds(h).size(), 1u);
  sim::StepClock(1);
  sim::PumpMessages();
  EXPECT_EQ(TimerIds(h).size(), 2u);
}

TEST_F(User32Test, ShortPeriodsAreRaisedToTheMinimum) {
  HWND h = Make(WS_POPUP, 0, 0, 20, 20);
  SetTimer(h, 2, 1, nullptr);
  sim::RunMessages(25);
  EXPECT_EQ(TimerIds(h).size(), 2u);
}

TEST_F(User32Test, SettingATimerAgainRestartsIt) {
  HWND h = Make(WS_POPUP, 0, 0, 20, 20);
  SetTimer(h, 30, 100, nullptr);
  sim::RunMessages(60);
  SetTimer(h, 30, 100, nullptr);
  sim::RunMessages(60);
  EXPECT_TRUE(TimerIds(h).empty());
  sim::RunMessages(40);
  EXPECT_EQ(TimerIds(h).size(), 1u);
}

std::vector<DWORD>& ProcTicks() {
  static std::vector<DWORD> ticks;
  return ticks;
}

void CALLBACK TickProc(HWND, UINT uMsg, UINT_PTR, DWORD dwTime) {
  EXPECT_EQ(uMsg, UINT(WM_TIMER));
  ProcTicks().push_back(dwTime);
}

TEST_F(User32Test, ATimerProcedureGetsTheTickInsteadOfTheWindow) {
  HWND h = Make(WS_POPUP, 0, 0, 20, 20);
  ProcTicks().clear();
  SetTimer(h, 4, 20, TickProc);
  sim::RunMessages(40);
  EXPECT_EQ(ProcTicks(), (std::vector<DWORD>{1020, 1040}));
  EXPECT_TRUE(TimerIds(h).empty());
}

TEST_F(User32Test, DestroyingAWindowEndsItsTimersAndMessages) {
  HWND h = Make(WS_POPUP, 0, 0, 20, 20);
  SetTimer(h, 30, 10, nullptr);
  PostMessageA(h, WM_USER, 0, 0);
  DestroyWindow(h);
  sim::StepClock(20);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(User32Test, GetMessageReturnsFalseForQuit) {
  HWND h = Make(WS_POPUP, 0, 0, 20, 20);
  sim::PumpMessages();
  PostMessageA(h, WM_USER, 0, 0);
  PostQuitMessage(3);
  MSG msg;
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, UINT(WM_USER));
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, WPARAM(3));
}

TEST_F(User32Test, GetMessageWaitsForAMessageOfAnotherThread) {
  HWND h = Make(WS_POPUP, 0, 0, 20, 20);
  sim::PumpMessages();
  struct Arg {
    HWND h;
  } arg{h};
  HANDLE hThread = CreateThread(
      nullptr, 0,
      [](LPVOID pv) -> DWORD {
        PostMessageA(static_cast<Arg*>(pv)->h, WM_USER + 9, 0, 0);
        return 0;
      },
      &arg, 0, nullptr);
  MSG msg;
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, UINT(WM_USER + 9));
  WaitForSingleObject(hThread, INFINITE);
  CloseHandle(hThread);
}

TEST_F(User32Test, HiddenWindowsGetNoPaint) {
  HWND hHidden = Make(WS_POPUP, 0, 0, 20, 20);
  HWND hChild = Make(WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, hHidden, 1);
  Record().clear();
  sim::PumpMessages();
  EXPECT_TRUE(MessagesOf(nullptr, false).empty());
  EXPECT_FALSE(IsWindowVisible(hChild));
  ShowWindow(hHidden, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(hChild));
  sim::PumpMessages();
  // Showing tells the window first (WM_SHOWWINDOW and the position change);
  // it paints once the messages are pumped.
  EXPECT_EQ(MessagesOf(hHidden, false),
            (std::vector<UINT>{WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_PAINT, WM_ERASEBKGND}));
  EXPECT_EQ(MessagesOf(hChild, false), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
}

TEST_F(User32Test, SendMessageCallsTheProcedureAtOnce) {
  HWND h = Make(WS_POPUP, 0, 0, 20, 20);
  Record().clear();
  SendMessageA(h, WM_USER + 3, 1, 2);
  ASSERT_EQ(Record().size(), 1u);
  EXPECT_EQ(Record()[0].uMsg, UINT(WM_USER + 3));
}

TEST_F(User32Test, TranslateMessagePostsCharacters) {
  HWND h = Make(WS_POPUP, 0, 0, 20, 20);
  sim::PumpMessages();
  Record().clear();
  sim::PostKey(h, 'A', true);
  sim::PostKey(h, 'A', false);
  sim::PumpMessages();
  EXPECT_EQ(MessagesOf(h), (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  ASSERT_EQ(Record().size(), 3u);
  EXPECT_EQ(Record()[1].wParam, WPARAM('a'));
  // The keyboard's lParam: repeat 1, scan code 0x1E, and on release the
  // previous-state and transition bits.
  EXPECT_EQ(DWORD(Record()[0].lParam), 0x001E0001u);
  EXPECT_EQ(DWORD(Record()[2].lParam), 0xC01E0001u);
  EXPECT_EQ(GetKeyState('A') & 0x8000, 0);
}

}  // namespace
}  // namespace u32test

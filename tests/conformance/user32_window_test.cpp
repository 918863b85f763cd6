// user32 windows as Windows publishes them: class registration, creation
// messages, window longs, texts, parents and positions, timers and the
// posted-message queue. Win32 API only.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

std::vector<UINT>& Seen() {
  static std::vector<UINT> seen;
  return seen;
}

LPVOID g_pvCreateParams = nullptr;

// What the window saw of its showing and placing, in order.
struct PlaceEvent {
  HWND hWnd;
  UINT uMsg;
  WPARAM wParam;
  WINDOWPOS pos;   // for the WM_WINDOWPOS* messages
  BOOL bVisible;   // IsWindowVisible while the message was handled
};

std::vector<PlaceEvent>& Placed() {
  static std::vector<PlaceEvent> placed;
  return placed;
}

// The events of one window.
std::vector<PlaceEvent> PlacedOf(HWND hWnd) {
  std::vector<PlaceEvent> v;
  for (const PlaceEvent& e : Placed())
    if (e.hWnd == hWnd) v.push_back(e);
  return v;
}

LRESULT CALLBACK ConformanceProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_NCCREATE || uMsg == WM_CREATE || uMsg == WM_DESTROY) Seen().push_back(uMsg);
  if (uMsg == WM_SHOWWINDOW || uMsg == WM_WINDOWPOSCHANGING || uMsg == WM_WINDOWPOSCHANGED || uMsg == WM_MOVE ||
      uMsg == WM_SIZE) {
    PlaceEvent event{hWnd, uMsg, wParam, WINDOWPOS{}, IsWindowVisible(hWnd)};
    if (uMsg == WM_WINDOWPOSCHANGING || uMsg == WM_WINDOWPOSCHANGED) event.pos = *reinterpret_cast<WINDOWPOS*>(lParam);
    Placed().push_back(event);
  }
  if (uMsg == WM_CREATE) g_pvCreateParams = reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams;
  return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

const char kClass[] = "QjConformance";

class User32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    Seen().clear();
    WNDCLASSEXA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ConformanceProc;
    wc.cbWndExtra = 8;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    ASSERT_NE(RegisterClassExA(&wc), 0);
  }
  void TearDown() override {
    for (HWND h : m_windows)
      if (IsWindow(h)) DestroyWindow(h);
    UnregisterClassA(kClass, GetModuleHandleA(nullptr));
    Placed().clear();
  }
  HWND Make(DWORD dwStyle, int x, int y, int cx, int cy, HWND hParent = nullptr, UINT_PTR id = 0,
            LPCSTR pszText = "", LPVOID pv = nullptr) {
    HWND h = CreateWindowExA(0, kClass, pszText, dwStyle, x, y, cx, cy, hParent, reinterpret_cast<HMENU>(id),
                             GetModuleHandleA(nullptr), pv);
    if (h) m_windows.push_back(h);
    return h;
  }
  std::vector<HWND> m_windows;
};

TEST_F(User32Window, SecondRegistrationFailsWithClassAlreadyExists) {
  WNDCLASSEXA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kClass;
  SetLastError(0);
  EXPECT_EQ(RegisterClassExA(&wc), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
}

TEST_F(User32Window, UnregisteringTwiceFailsWithClassDoesNotExist) {
  EXPECT_TRUE(UnregisterClassA(kClass, GetModuleHandleA(nullptr)));
  SetLastError(0);
  EXPECT_FALSE(UnregisterClassA(kClass, GetModuleHandleA(nullptr)));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));
}

TEST_F(User32Window, CreationSendsNcCreateBeforeCreateAndDestroyAtTheEnd) {
  int param = 0;
  HWND h = Make(WS_POPUP, 0, 0, 50, 50, nullptr, 0, "", &param);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(g_pvCreateParams, &param);
  EXPECT_TRUE(DestroyWindow(h));
  EXPECT_EQ(Seen(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY}));
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(User32Window, WindowLongsReturnThePreviousValue) {
  HWND h = Make(WS_POPUP, 0, 0, 10, 10);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 0);
  EXPECT_EQ(SetWindowLongPtrA(h, GWLP_USERDATA, 1), 0);
  EXPECT_EQ(SetWindowLongPtrA(h, GWLP_USERDATA, 5), 1);
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 5);
  EXPECT_EQ(SetWindowLongA(h, 4, 0x12345678), 0);
  EXPECT_EQ(GetWindowLongA(h, 4), 0x12345678);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongA(h, 6), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));
}

TEST_F(User32Window, WindowTextIsCutToTheBuffer) {
  HWND h = Make(WS_POPUP, 0, 0, 10, 10, nullptr, 0, "ABCDE");
  ASSERT_NE(h, nullptr);
  char sz[8];
  std::memset(sz, 'x', sizeof sz);
  EXPECT_EQ(GetWindowTextA(h, sz, 3), 2);
  EXPECT_STREQ(sz, "AB");
  EXPECT_EQ(GetWindowTextLengthA(h), 5);
  EXPECT_TRUE(SetWindowTextA(h, "Z"));
  EXPECT_EQ(GetWindowTextA(h, sz, sizeof sz), 1);
  EXPECT_STREQ(sz, "Z");
}

TEST_F(User32Window, AChildHasItsParentAndSitsInItsClientArea) {
  HWND hParent = Make(WS_POPUP, 100, 50, 300, 200);
  HWND hChild = Make(WS_CHILD, 10, 20, 30, 40, hParent, 77);
  ASSERT_NE(hChild, nullptr);
  EXPECT_EQ(GetParent(hChild), hParent);
  EXPECT_EQ(GetDlgCtrlID(hChild), 77);
  EXPECT_EQ(GetDlgItem(hParent, 77), hChild);
  RECT rc;
  ASSERT_TRUE(GetWindowRect(hChild, &rc));
  EXPECT_EQ(rc.left, 110);
  EXPECT_EQ(rc.top, 70);
  EXPECT_EQ(rc.right, 140);
  EXPECT_EQ(rc.bottom, 110);
  ASSERT_TRUE(GetClientRect(hChild, &rc));
  EXPECT_EQ(rc.left, 0);
  EXPECT_EQ(rc.right, 30);
  EXPECT_EQ(rc.bottom, 40);
}

TEST_F(User32Window, MoveWindowGivesTheNewRectangle) {
  HWND h = Make(WS_POPUP, 0, 0, 50, 40);
  ASSERT_TRUE(MoveWindow(h, 30, 20, 80, 60, FALSE));
  RECT rc;
  GetWindowRect(h, &rc);
  EXPECT_EQ(rc.left, 30);
  EXPECT_EQ(rc.top, 20);
  EXPECT_EQ(rc.right, 110);
  EXPECT_EQ(rc.bottom, 80);
  GetClientRect(h, &rc);
  EXPECT_EQ(rc.right, 80);
  EXPECT_EQ(rc.bottom, 60);
}

// "The WM_SHOWWINDOW message is sent to a window when the window is about to
// be hidden or shown"; the change itself comes as a position change with
// SWP_SHOWWINDOW or SWP_HIDEWINDOW, neither moving nor sizing the window,
// except for a child of a hidden parent, which gets WM_SHOWWINDOW alone.
// Showing a window that is shown already tells it nothing.
TEST_F(User32Window, ShowWindowTellsTheWindowBeforeItChanges) {
  HWND hParent = Make(WS_POPUP, 0, 0, 300, 200);
  HWND h = Make(WS_CHILD, 10, 20, 30, 40, hParent);
  ASSERT_NE(h, nullptr);
  Placed().clear();
  EXPECT_EQ(ShowWindow(h, SW_SHOW), FALSE);
  ASSERT_EQ(PlacedOf(h).size(), 1u);
  EXPECT_EQ(PlacedOf(h)[0].uMsg, UINT(WM_SHOWWINDOW));
  EXPECT_EQ(PlacedOf(h)[0].wParam, WPARAM(TRUE));
  EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE, LONG(WS_VISIBLE));
  ShowWindow(h, SW_HIDE);
  ShowWindow(hParent, SW_SHOW);
  for (const BOOL bShow : {TRUE, FALSE}) {
    SCOPED_TRACE(bShow);
    Placed().clear();
    EXPECT_EQ(ShowWindow(h, bShow ? SW_SHOW : SW_HIDE), !bShow);
    const std::vector<PlaceEvent> placed = PlacedOf(h);
    std::vector<UINT> order;
    for (const PlaceEvent& e : placed) order.push_back(e.uMsg);
    ASSERT_EQ(order, (std::vector<UINT>{WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
    EXPECT_EQ(placed[0].wParam, WPARAM(bShow));
    EXPECT_EQ(placed[0].bVisible, !bShow) << "WM_SHOWWINDOW comes before the change";
    for (int i = 1; i <= 2; ++i) {
      const UINT flags = placed[size_t(i)].pos.flags;
      EXPECT_EQ(flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW), UINT(bShow ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
      EXPECT_EQ(flags & (SWP_NOMOVE | SWP_NOSIZE), UINT(SWP_NOMOVE | SWP_NOSIZE));
      EXPECT_EQ(placed[size_t(i)].pos.hwnd, h);
    }
    Placed().clear();
    ShowWindow(h, bShow ? SW_SHOW : SW_HIDE);
    EXPECT_TRUE(PlacedOf(h).empty()) << "no change, no message";
  }
}

// MoveWindow and SetWindowPos: WM_WINDOWPOSCHANGING with the rectangle asked
// for (a child's in its parent's client coordinates), WM_WINDOWPOSCHANGED,
// and then, from DefWindowProc's handling of WM_WINDOWPOSCHANGED, WM_MOVE and
// WM_SIZE.
TEST_F(User32Window, MovingSendsThePositionChangeBeforeMoveAndSize) {
  HWND hParent = Make(WS_POPUP, 0, 0, 300, 200);
  HWND h = Make(WS_CHILD | WS_VISIBLE, 10, 20, 30, 40, hParent);
  ASSERT_NE(h, nullptr);
  for (int nWay = 0; nWay < 2; ++nWay) {
    SCOPED_TRACE(nWay);
    Placed().clear();
    const int d = 5 * (nWay + 1);
    if (nWay == 0)
      ASSERT_TRUE(MoveWindow(h, 10 + d, 20 + d, 30 + d, 40 + d, FALSE));
    else
      ASSERT_TRUE(SetWindowPos(h, nullptr, 10 + d, 20 + d, 30 + d, 40 + d, SWP_NOZORDER | SWP_NOACTIVATE));
    const std::vector<PlaceEvent> placed = PlacedOf(h);
    std::vector<UINT> order;
    for (const PlaceEvent& e : placed) order.push_back(e.uMsg);
    ASSERT_GE(order.size(), 4u);
    EXPECT_EQ(order[0], UINT(WM_WINDOWPOSCHANGING));
    EXPECT_EQ(order[1], UINT(WM_WINDOWPOSCHANGED));
    EXPECT_EQ(std::count(order.begin() + 2, order.end(), UINT(WM_MOVE)), 1);
    EXPECT_EQ(std::count(order.begin() + 2, order.end(), UINT(WM_SIZE)), 1);
    const WINDOWPOS& asked = placed[0].pos;
    EXPECT_EQ(asked.hwnd, h);
    EXPECT_EQ(asked.x, 10 + d);
    EXPECT_EQ(asked.y, 20 + d);
    EXPECT_EQ(asked.cx, 30 + d);
    EXPECT_EQ(asked.cy, 40 + d);
  }
}

TEST_F(User32Window, TimersAreKilledOnce) {
  HWND h = Make(WS_POPUP, 0, 0, 10, 10);
  EXPECT_EQ(SetTimer(h, 30, 10, nullptr), UINT_PTR(30));
  EXPECT_TRUE(KillTimer(h, 30));
  EXPECT_FALSE(KillTimer(h, 30));
}

TEST_F(User32Window, PostedMessagesComeBeforeTimers) {
  HWND h = Make(WS_POPUP, 0, 0, 10, 10);
  SetTimer(h, 7, 10, nullptr);
  Sleep(40);
  PostMessageA(h, WM_USER + 5, 1, 2);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, h, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_USER + 5));
  EXPECT_EQ(msg.wParam, WPARAM(1));
  EXPECT_EQ(msg.lParam, LPARAM(2));
  bool bTimer = false;
  while (PeekMessageA(&msg, h, 0, 0, PM_REMOVE))
    if (msg.message == WM_TIMER && msg.wParam == 7) bTimer = true;
  EXPECT_TRUE(bTimer);
  KillTimer(h, 7);
}

TEST_F(User32Window, QuitEndsGetMessage) {
  PostQuitMessage(5);
  MSG msg;
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, UINT(WM_QUIT));
  EXPECT_EQ(msg.wParam, WPARAM(5));
}

TEST(User32Keyboard, VirtualKeysToCharacters) {
  EXPECT_EQ(MapVirtualKeyA('A', MAPVK_VK_TO_CHAR), UINT('A'));
  EXPECT_EQ(MapVirtualKeyA('7', MAPVK_VK_TO_CHAR), UINT('7'));
  EXPECT_EQ(MapVirtualKeyA(VK_SPACE, MAPVK_VK_TO_CHAR), UINT(' '));
  EXPECT_EQ(MapVirtualKeyA(VK_F1, MAPVK_VK_TO_CHAR), 0u);
}

TEST(User32Metrics, IconSize) {
  EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
  EXPECT_EQ(GetSystemMetrics(SM_CYICON), 32);
  EXPECT_GT(GetSystemMetrics(SM_CYFULLSCREEN), 0);
}

}  // namespace

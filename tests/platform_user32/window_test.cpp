// Window classes, creating and destroying windows, longs, texts and
// positions.
#include "user32_fixture.h"

#include <cstring>

namespace u32test {
namespace {

TEST_F(User32Test, ASecondRegistrationOfAClassFails) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = Self();
  wc.lpszClassName = "qjrecorder";  // names compare without case
  SetLastError(0);
  EXPECT_EQ(RegisterClassExA(&wc), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
}

TEST_F(User32Test, RegistrationChecksItsArguments) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc - 1;
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "QjOther";
  EXPECT_EQ(RegisterClassExA(&wc), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  wc.cbSize = sizeof wc;
  ATOM atom = RegisterClassExA(&wc);
  EXPECT_NE(atom, 0);
  // The atom names the class as well as its name.
  HWND h = CreateWindowExA(0, MAKEINTATOM(atom), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(h, nullptr);
  DestroyWindow(h);
  EXPECT_TRUE(UnregisterClassA("QjOther", nullptr));
  EXPECT_FALSE(UnregisterClassA("QjOther", nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));
}

TEST_F(User32Test, AClassWithWindowsStaysRegistered) {
  HWND h = Make(WS_POPUP, 0, 0, 10, 10);
  ASSERT_NE(h, nullptr);
  EXPECT_FALSE(UnregisterClassA(kClass, Self()));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_HAS_WINDOWS));
  DestroyWindow(h);
  EXPECT_TRUE(UnregisterClassA(kClass, Self()));
}

TEST_F(User32Test, UnknownClassGivesNoWindow) {
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, Self(), nullptr), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));
}

bool pcsFail(LPARAM lParam) {
  auto* pcs = reinterpret_cast<CREATESTRUCTA*>(lParam);
  return pcs->lpCreateParams && *static_cast<int*>(pcs->lpCreateParams) == 1;
}

LRESULT CALLBACK CreateCheckProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_NCCREATE || uMsg == WM_CREATE) {
    auto* pcs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    Record().push_back(Seen{hWnd, uMsg, 0, reinterpret_cast<LPARAM>(pcs->lpCreateParams)});
    EXPECT_EQ(pcs->cx, 120);
    EXPECT_EQ(pcs->cy, 90);
    EXPECT_EQ(pcs->x, 5);
    EXPECT_EQ(pcs->y, 7);
    EXPECT_STREQ(pcs->lpszName, "Hello");
    if (uMsg == WM_CREATE) {
      char szText[16] = "";
      GetWindowTextA(hWnd, szText, sizeof szText);
      EXPECT_STREQ(szText, "Hello");  // WM_NCCREATE's default set the text
    }
  }
  if (uMsg == WM_CREATE && pcsFail(lParam)) return -1;
  return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

TEST_F(User32Test, CreationSendsNcCreateThenCreateWithTheCreateStruct) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = CreateCheckProc;
  wc.lpszClassName = "QjCreate";
  ASSERT_NE(RegisterClassExA(&wc), 0);
  int param = 0;
  HWND h = CreateWindowExA(0, "QjCreate", "Hello", WS_POPUP, 5, 7, 120, 90, nullptr, nullptr, nullptr, &param);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(Record().size(), 2u);
  EXPECT_EQ(Record()[0].uMsg, UINT(WM_NCCREATE));
  EXPECT_EQ(Record()[1].uMsg, UINT(WM_CREATE));
  EXPECT_EQ(Record()[1].lParam, reinterpret_cast<LPARAM>(&param));
  DestroyWindow(h);
  // -1 from WM_CREATE destroys the window.
  int fail = 1;
  EXPECT_EQ(CreateWindowExA(0, "QjCreate", "Hello", WS_POPUP, 5, 7, 120, 90, nullptr, nullptr, nullptr, &fail),
            nullptr);
  UnregisterClassA("QjCreate", nullptr);
}

TEST_F(User32Test, ChildWindowsHaveTheirParentAndPosition) {
  HWND hParent = Make(WS_POPUP, 100, 50, 300, 200);
  HWND hChild = Make(WS_CHILD | WS_VISIBLE, 10, 20, 30, 40, hParent, 77);
  ASSERT_NE(hChild, nullptr);
  EXPECT_EQ(GetParent(hChild), hParent);
  EXPECT_EQ(GetParent(hParent), nullptr);
  EXPECT_EQ(GetDlgCtrlID(hChild), 77);
  EXPECT_EQ(GetDlgItem(hParent, 77), hChild);
  RECT rc;
  ASSERT_TRUE(GetWindowRect(hChild, &rc));
  EXPECT_EQ(rc.left, 110);
  EXPECT_EQ(rc.top, 70);
  EXPECT_EQ(rc.right, 140);
  EXPECT_EQ(rc.bottom, 110);
  // A child needs a parent.
  EXPECT_EQ(Make(WS_CHILD, 0, 0, 5, 5), nullptr);
}

TEST_F(User32Test, DestroyingSendsDestroyToTheWindowThenItsChildren) {
  HWND hParent = Make(WS_POPUP, 0, 0, 100, 100);
  HWND hChild = Make(WS_CHILD, 0, 0, 10, 10, hParent, 1);
  Record().clear();
  EXPECT_TRUE(DestroyWindow(hParent));
  ASSERT_GE(Record().size(), 2u);
  EXPECT_EQ(Record()[0].hWnd, hParent);
  EXPECT_EQ(Record()[0].uMsg, UINT(WM_DESTROY));
  EXPECT_EQ(Record()[1].hWnd, hChild);
  EXPECT_EQ(Record()[1].uMsg, UINT(WM_DESTROY));
  EXPECT_FALSE(IsWindow(hChild));
  EXPECT_FALSE(DestroyWindow(hParent));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(User32Test, WindowLongsKeepTheirValuesAndReturnThePreviousOne) {
  HWND h = Make(WS_POPUP, 0, 0, 10, 10);
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 0);
  EXPECT_EQ(SetWindowLongPtrA(h, GWLP_USERDATA, 0x1234), 0);
  EXPECT_EQ(SetWindowLongA(h, GWL_USERDATA, 7), 0x1234);
  EXPECT_EQ(GetWindowLongA(h, GWL_USERDATA), 7);
  // Extra bytes: 16 were asked for.
  EXPECT_EQ(SetWindowLongA(h, 12, -5), 0);
  EXPECT_EQ(GetWindowLongA(h, 12), -5);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongA(h, 13), 0);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_INDEX));
  EXPECT_EQ(DWORD(GetWindowLongA(h, GWL_STYLE)) & WS_POPUP, DWORD(WS_POPUP));
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC)), &RecordingProc);
}

TEST_F(User32Test, WindowTextIsCutToTheBuffer) {
  HWND h = Make(WS_POPUP, 0, 0, 10, 10, nullptr, 0, "ABCDE");
  char sz[8];
  std::memset(sz, 0xcd, sizeof sz);
  EXPECT_EQ(GetWindowTextA(h, sz, 3), 2);
  EXPECT_STREQ(sz, "AB");
  EXPECT_EQ(sz[3], char(0xcd));
  EXPECT_EQ(GetWindowTextLengthA(h), 5);
  EXPECT_TRUE(SetWindowTextA(h, "xy"));
  EXPECT_EQ(GetWindowTextA(h, sz, sizeof sz), 2);
  EXPECT_STREQ(sz, "xy");
  EXPECT_EQ(GetWindowTextA(h, sz, 0), 0);
}

TEST_F(User32Test, FramesLieOutsideTheClientArea) {
  HWND h = Make(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 10, 10, 200, 100);
  RECT rc;
  GetClientRect(h, &rc);
  const int nFrame = GetSystemMetrics(SM_CXDLGFRAME);
  EXPECT_EQ(rc.right, 200 - 2 * nFrame);
  EXPECT_EQ(rc.bottom, 100 - 2 * nFrame - GetSystemMetrics(SM_CYCAPTION));
}

TEST_F(User32Test, MoveWindowMovesAndResizes) {
  HWND h = Make(WS_POPUP, 0, 0, 50, 40);
  Record().clear();
  EXPECT_TRUE(MoveWindow(h, 30, 20, 80, 60, TRUE));
  RECT rc;
  GetWindowRect(h, &rc);
  EXPECT_EQ(rc.left, 30);
  EXPECT_EQ(rc.top, 20);
  EXPECT_EQ(rc.right, 110);
  EXPECT_EQ(rc.bottom, 80);
  GetClientRect(h, &rc);
  EXPECT_EQ(rc.right, 80);
  EXPECT_EQ(rc.bottom, 60);
  EXPECT_EQ(MessagesOf(h), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}));
  EXPECT_TRUE(GetUpdateRect(h, &rc, FALSE));
  EXPECT_EQ(sim::GetWindowPixel(h, 79, 59), 0xFFFFFFu);
}

}  // namespace
}  // namespace u32test

// Dialogs from the test module's templates: dialog units, the modal loop,
// WM_INITDIALOG, the dialog longs and the dialog manager's keys.
#include "user32_fixture.h"

namespace u32test {
namespace {

struct DialogLog {
  LPARAM lInit = 0;
  HWND hFocusArg = nullptr;
  std::vector<UINT> commands;
  INT_PTR nEndWith = -1;
};

DialogLog& Log() {
  static DialogLog log;
  return log;
}

INT_PTR CALLBACK LoggingProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_INITDIALOG:
      Log().lInit = lParam;
      Log().hFocusArg = reinterpret_cast<HWND>(wParam);
      SetWindowLongPtrA(hDlg, int(DWLP_USER), lParam);
      if (Log().nEndWith >= 0) EndDialog(hDlg, Log().nEndWith);
      return TRUE;
    case WM_COMMAND:
      Log().commands.push_back(LOWORD(wParam));
      EndDialog(hDlg, LOWORD(wParam) + 1000);
      return TRUE;
    default:
      return FALSE;
  }
}

class DialogTest : public User32Test {
 protected:
  void SetUp() override {
    User32Test::SetUp();
    Log() = DialogLog();
    m_hOwner = Make(WS_POPUP, 200, 100, 400, 300);
  }
  HWND m_hOwner = nullptr;
};

TEST_F(DialogTest, InitDialogGetsTheParameterAndEndDialogGivesTheResult) {
  Log().nEndWith = 42;
  EXPECT_EQ(DialogBoxParamA(Self(), MAKEINTRESOURCEA(100), m_hOwner, LoggingProc, 0x5150), 42);
  EXPECT_EQ(Log().lInit, LPARAM(0x5150));
  // The first control with WS_TABSTOP is offered the focus.
  EXPECT_NE(Log().hFocusArg, nullptr);
}

TEST_F(DialogTest, TheScriptedButtonEndsTheModalLoop) {
  sim::ScriptNextDialog(sim::DialogScript{{}, 7});
  EXPECT_EQ(DialogBoxParamA(Self(), MAKEINTRESOURCEA(100), m_hOwner, LoggingProc, 0), 1007);
  EXPECT_EQ(Log().commands, (std::vector<UINT>{7}));
  const sim::DialogRun run = sim::LastDialogRun();
  ASSERT_TRUE(run.bRan);
  EXPECT_FALSE(IsWindow(run.hDlg));
  EXPECT_EQ(run.caption, "Test dialog");
}

// 100 x 50 dialog units of MS Shell Dlg 8 (6 x 13): 150 x 81 pixels; the
// position (10, 20) is 15, 33 pixels from the owner's client origin.
TEST_F(DialogTest, DialogUnitsFollowTheTemplateFont) {
  sim::ScriptNextDialog(sim::DialogScript{{}, IDOK});
  DialogBoxParamA(Self(), MAKEINTRESOURCEA(100), m_hOwner, LoggingProc, 0);
  const sim::DialogRun run = sim::LastDialogRun();
  EXPECT_EQ(run.cxClient, 150);
  EXPECT_EQ(run.cyClient, 81);
  EXPECT_EQ(run.rcWindow.left, 200 + 15);
  EXPECT_EQ(run.rcWindow.top, 100 + 33);
  // Without a font, the System font's 8 x 16 base units.
  sim::ScriptNextDialog(sim::DialogScript{{}, IDOK});
  DialogBoxParamA(Self(), MAKEINTRESOURCEA(101), m_hOwner, LoggingProc, 0);
  EXPECT_EQ(sim::LastDialogRun().cxClient, 80);
  EXPECT_EQ(sim::LastDialogRun().cyClient, 40);
}

TEST_F(DialogTest, ControlsOfTheTemplateAreChildWindows) {
  HWND hDlg = CreateDialogParamA(Self(), MAKEINTRESOURCEA(100), m_hOwner, LoggingProc, 9);
  ASSERT_NE(hDlg, nullptr);
  HWND hOk = GetDlgItem(hDlg, 1);
  HWND hText = GetDlgItem(hDlg, 200);
  ASSERT_NE(hOk, nullptr);
  ASSERT_NE(hText, nullptr);
  char sz[16];
  GetWindowTextA(hText, sz, sizeof sz);
  EXPECT_STREQ(sz, "Text");
  RECT rc;
  GetClientRect(hOk, &rc);
  EXPECT_EQ(rc.right, 60);   // 40 dlu
  EXPECT_EQ(rc.bottom, 23);  // 14 dlu
  EXPECT_EQ(GetWindowLongPtrA(hDlg, int(DWLP_USER)), 9);
  EXPECT_EQ(reinterpret_cast<DLGPROC>(GetWindowLongPtrA(hDlg, int(DWLP_DLGPROC))), &LoggingProc);
  RECT rcDlu{0, 0, 4, 8};
  ASSERT_TRUE(MapDialogRect(hDlg, &rcDlu));
  EXPECT_EQ(rcDlu.right, 6);
  EXPECT_EQ(rcDlu.bottom, 13);
  DestroyWindow(hDlg);
  EXPECT_FALSE(IsWindow(hOk));
}

TEST_F(DialogTest, ReturnAndEscapeAreOkAndCancel) {
  sim::ScriptNextDialog(sim::DialogScript{{{VK_RETURN, true}}, 0});
  EXPECT_EQ(DialogBoxParamA(Self(), MAKEINTRESOURCEA(100), m_hOwner, LoggingProc, 0), 1000 + IDOK);
  sim::ScriptNextDialog(sim::DialogScript{{{VK_ESCAPE, true}}, 0});
  EXPECT_EQ(DialogBoxParamA(Self(), MAKEINTRESOURCEA(100), m_hOwner, LoggingProc, 0), 1000 + IDCANCEL);
}

TEST_F(DialogTest, CloseIsCancel) {
  struct Closer {
    static INT_PTR CALLBACK Proc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
      if (uMsg == WM_INITDIALOG) PostMessageA(hDlg, WM_CLOSE, 0, 0);
      return LoggingProc(hDlg, uMsg, wParam, lParam);
    }
  };
  EXPECT_EQ(DialogBoxParamA(Self(), MAKEINTRESOURCEA(101), m_hOwner, Closer::Proc, 0), 1000 + IDCANCEL);
}

TEST_F(DialogTest, AHandledMessageAnswersWithMsgResult) {
  struct Answer {
    static INT_PTR CALLBACK Proc(HWND hDlg, UINT uMsg, WPARAM, LPARAM) {
      if (uMsg == WM_USER) {
        SetWindowLongPtrA(hDlg, int(DWLP_MSGRESULT), 77);
        return TRUE;
      }
      return uMsg == WM_INITDIALOG;
    }
  };
  HWND hDlg = CreateDialogParamA(Self(), MAKEINTRESOURCEA(101), nullptr, Answer::Proc, 0);
  ASSERT_NE(hDlg, nullptr);
  EXPECT_EQ(SendMessageA(hDlg, WM_USER, 0, 0), 77);
  DestroyWindow(hDlg);
}

TEST_F(DialogTest, MissingTemplateGivesMinusOne) {
  EXPECT_EQ(DialogBoxParamA(Self(), MAKEINTRESOURCEA(999), m_hOwner, LoggingProc, 0), -1);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(DialogTest, TimersRunInsideTheModalLoop) {
  struct Ticker {
    static INT_PTR CALLBACK Proc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM) {
      static int s_nTicks = 0;
      if (uMsg == WM_INITDIALOG) {
        s_nTicks = 0;
        SetTimer(hDlg, 30, 10, nullptr);
        return TRUE;
      }
      if (uMsg == WM_TIMER && wParam == 30) {
        // The clock runs on while the loop waits; three ticks end it.
        if (++s_nTicks == 3) EndDialog(hDlg, 3);
        return TRUE;
      }
      return FALSE;
    }
  };
  sim::ThawClock();
  const DWORD dwStart = GetTickCount();
  EXPECT_EQ(DialogBoxParamA(Self(), MAKEINTRESOURCEA(101), m_hOwner, Ticker::Proc, 0), 3);
  EXPECT_GE(GetTickCount() - dwStart, 25u);
}

TEST_F(DialogTest, TheLanguageOfATemplateIsFoundWithoutAsking) {
  HWND hDlg = CreateDialogParamA(Self(), MAKEINTRESOURCEA(102), nullptr, LoggingProc, 0);
  ASSERT_NE(hDlg, nullptr);
  EXPECT_TRUE(IsWindowVisible(hDlg));
  EXPECT_NE(FindResourceExA(reinterpret_cast<HMODULE>(Self()), RT_DIALOG, MAKEINTRESOURCEA(102), 0x0404), nullptr);
  EXPECT_EQ(FindResourceExA(reinterpret_cast<HMODULE>(Self()), RT_DIALOG, MAKEINTRESOURCEA(102), 0x0407), nullptr);
  DestroyWindow(hDlg);
}

}  // namespace
}  // namespace u32test

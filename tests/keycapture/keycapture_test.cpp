// The key-capture dialog: modifiers count while held, the last other key
// stays; the dialog's template, ending and painting.
#include "keycapture_fixture.h"

#include <vector>

namespace keytest {
namespace {

struct Case {
  const char* name;
  std::vector<sim::KeyEvent> keys;
  DWORD dwExpected;
  INT_PTR nResult = IDOK;  // the script ends the dialog with OK unless a key ends it first
};

const Case kCases[] = {
    {"CtrlThenA", {Down(VK_CONTROL), Down('A')}, 0x10004},
    {"ReleasingAWhileCtrlHeld", {Down(VK_CONTROL), Down('A'), Up('A')}, 0x10004},
    {"ReleasingCtrlLeavesTheKey", {Down(VK_CONTROL), Down('A'), Up('A'), Up(VK_CONTROL)}, 0x00004},
    {"ShiftAltF1", {Down(VK_SHIFT), Down(VK_MENU), Down(VK_F1)}, 0x6003A},
    {"AllThreeModifiersAlone", {Down(VK_SHIFT), Down(VK_MENU), Down(VK_CONTROL)}, 0x70000},
    {"SnapshotHasNoUsageButKeepsModifiers", {Down(VK_CONTROL), Down('B'), Down(VK_SNAPSHOT)}, 0x10000},
    {"PrintHasItsUsage", {Down(VK_PRINT)}, 0x46},
    {"Oem3IsGraveAccent", {Down(VK_OEM_3)}, 0x32},
    {"VirtualKeyZero", {Down(0)}, 0x64},
    {"LastKeyWins", {Down('A'), Down('Z'), Up('Z')}, 0x1D},
    {"ReleaseOfAnotherKeyReplaces", {Down('A'), Up('C')}, 0x06},
    // Alt+F4 closes the dialog through the default procedures (SC_CLOSE,
    // WM_CLOSE, IDCANCEL) before the releases, which never reach it: the
    // capture keeps Alt and F4.
    {"AltF4ClosesBeforeTheReleases", {Down(VK_MENU), Down(VK_F4), Up(VK_F4), Up(VK_MENU)}, 0x4003D, IDCANCEL},
    {"EscapeClosesWithoutReachingTheProcedure", {Down(VK_SHIFT), Down(VK_ESCAPE), Up(VK_ESCAPE)}, 0x20000, IDCANCEL},
    // The dialog manager takes the press of Tab; its release is an ordinary
    // key message.
    {"TabPressGoesToTheDialogManager", {Down('B'), Down(VK_TAB)}, 0x05},
    {"TabReleaseReachesTheProcedure", {Down('B'), Down(VK_TAB), Up(VK_TAB)}, 0x2B},
    {"NoKeys", {}, 0},
};

class KeyCaptureCases : public KeyCaptureTest, public ::testing::WithParamInterface<Case> {};

TEST_P(KeyCaptureCases, CapturedKeyCode) {
  const Case& c = GetParam();
  g_PageEngine.m_dwCapturedKey = 0xdeadbeef;  // WM_INITDIALOG starts from 0
  EXPECT_EQ(RunKeyCapture(sim::DialogScript{c.keys, IDOK}), c.nResult);
  EXPECT_EQ(g_PageEngine.m_dwCapturedKey, c.dwExpected);
  EXPECT_TRUE(sim::LastDialogRun().bRan);
  EXPECT_FALSE(IsWindow(sim::LastDialogRun().hDlg));
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyCaptureCases, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

TEST_F(KeyCaptureTest, AltKeysArriveAsSystemKeys) {
  sim::StartMessageLog();
  RunKeyCapture(sim::DialogScript{{Down(VK_SHIFT), Down(VK_MENU), Down(VK_F1), Up(VK_F1), Up(VK_MENU), Up(VK_SHIFT)},
                                  IDOK});
  sim::StopMessageLog();
  std::vector<UINT> keys;
  for (const sim::Message& m : sim::MessageLog())
    if (m.hWnd == sim::LastDialogRun().hDlg && m.uMsg >= WM_KEYDOWN && m.uMsg <= WM_SYSKEYUP && m.uMsg != WM_CHAR &&
        m.uMsg != WM_SYSCHAR)
      keys.push_back(m.uMsg);
  const std::vector<UINT> expected = {WM_KEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSKEYUP, WM_KEYUP};
  EXPECT_EQ(keys, expected);
}

TEST_F(KeyCaptureTest, CancelEndsWithIdCancelAndLeavesTheCapture) {
  EXPECT_EQ(RunKeyCapture(sim::DialogScript{{Down('Q')}, IDCANCEL}), IDCANCEL);
  EXPECT_EQ(g_PageEngine.m_dwCapturedKey, 0x14u);
}

TEST_F(KeyCaptureTest, EscapeEndsTheDialogThroughTheDialogManager) {
  EXPECT_EQ(RunKeyCapture(sim::DialogScript{{Down(VK_ESCAPE)}, 0}), IDCANCEL);
  EXPECT_EQ(g_PageEngine.m_dwCapturedKey, 0u);
}

// Return is the OK button's: the script's Cancel never comes.
TEST_F(KeyCaptureTest, ReturnEndsTheDialogWithOkThroughTheDialogManager) {
  EXPECT_EQ(RunKeyCapture(sim::DialogScript{{Down('B'), Down(VK_RETURN), Up(VK_RETURN)}, IDCANCEL}), IDOK);
  EXPECT_EQ(g_PageEngine.m_dwCapturedKey, 0x05u);
}

TEST_F(KeyCaptureTest, OtherCommandsDoNotEndIt) {
  sim::ScriptNextDialog(sim::DialogScript{{Down('A')}, 0});
  // A command that is neither IDOK nor IDCANCEL is refused; then OK ends it.
  struct Poster {
    static INT_PTR CALLBACK Proc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
      if (uMsg == WM_INITDIALOG) {
        PostMessageA(hDlg, WM_COMMAND, 1000, 0);
        PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
      }
      if (uMsg == WM_COMMAND && LOWORD(wParam) == 1000) {
        EXPECT_FALSE(KeyCaptureProc(hDlg, uMsg, wParam, lParam));
      }
      return KeyCaptureProc(hDlg, uMsg, wParam, lParam);
    }
  };
  EXPECT_EQ(DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_KEYCAPTURE), m_hPage, Poster::Proc, 0), IDOK);
  EXPECT_EQ(g_PageEngine.m_dwCapturedKey, 0x04u);
}

// Template 175: 170 x 49 dialog units in the System font (8 x 16 base
// units) give a 340 x 98 client area inside a caption and a dialog frame.
TEST_F(KeyCaptureTest, TemplateGivesTheDialogItsSizeAndCaption) {
  RunKeyCapture(sim::DialogScript{{}, IDOK});
  const sim::DialogRun run = sim::LastDialogRun();
  ASSERT_TRUE(run.bRan);
  EXPECT_EQ(run.caption, "Dialog");
  EXPECT_EQ(run.cxClient, 340);
  EXPECT_EQ(run.cyClient, 98);
  const int cxFrame = GetSystemMetrics(SM_CXDLGFRAME), cyCaption = GetSystemMetrics(SM_CYCAPTION);
  EXPECT_EQ(run.rcWindow.right - run.rcWindow.left, 340 + 2 * cxFrame);
  EXPECT_EQ(run.rcWindow.bottom - run.rcWindow.top, 98 + 2 * cxFrame + cyCaption);
}

TEST_F(KeyCaptureTest, PaintsTheFrameTheTitleAndTheKeyText) {
  RunKeyCapture(sim::DialogScript{{}, IDOK});
  const sim::DialogRun empty = sim::LastDialogRun();
  RunKeyCapture(sim::DialogScript{{Down(VK_CONTROL), Down('A')}, IDOK});
  const sim::DialogRun withKey = sim::LastDialogRun();
  ASSERT_TRUE(withKey.bRan);
  // A black one-pixel frame at the client's top left; white inside it.
  EXPECT_EQ(withKey.Pixel(0, 0), 0x000000u);
  EXPECT_EQ(withKey.Pixel(0, 40), 0x000000u);
  EXPECT_EQ(withKey.Pixel(5, 40), 0xFFFFFFu);
  EXPECT_GT(DarkPixels(withKey, kTitleRect), 20);
  EXPECT_EQ(DarkPixels(empty, kKeyRect), 0);
  EXPECT_GT(DarkPixels(withKey, kKeyRect), 20);
}

// The key line follows every key, releases too: a modifier let go after the
// key leaves the dialog showing the key alone.
TEST_F(KeyCaptureTest, TheKeyLineFollowsReleases) {
  auto KeyLine = [](const sim::DialogRun& run) {
    std::vector<COLORREF> pixels;
    for (int y = kKeyRect.top; y < kKeyRect.bottom; ++y)
      for (int x = kKeyRect.left; x < kKeyRect.right; ++x) pixels.push_back(run.Pixel(x, y));
    return pixels;
  };
  RunKeyCapture(sim::DialogScript{{Down('A'), Up('A')}, IDOK});
  const sim::DialogRun plain = sim::LastDialogRun();
  RunKeyCapture(sim::DialogScript{{Down(VK_CONTROL), Down('A'), Up('A'), Up(VK_CONTROL)}, IDOK});
  const sim::DialogRun released = sim::LastDialogRun();
  RunKeyCapture(sim::DialogScript{{Down(VK_CONTROL), Down('A'), Up('A')}, IDOK});
  const sim::DialogRun held = sim::LastDialogRun();
  EXPECT_EQ(KeyLine(released), KeyLine(plain));
  EXPECT_NE(KeyLine(held), KeyLine(plain)) << "with Ctrl still held the line reads Ctl+A";
}

TEST_F(KeyCaptureTest, VkToUsageHasNinetySixKeysAndNoModifiers) {
  int n = 0;
  for (DWORD usage : VK_TO_USAGE) n += usage != 0;
  EXPECT_EQ(n, 96);
  EXPECT_EQ(VK_TO_USAGE[VK_SHIFT], 0u);
  EXPECT_EQ(VK_TO_USAGE[VK_CONTROL], 0u);
  EXPECT_EQ(VK_TO_USAGE[VK_MENU], 0u);
  EXPECT_EQ(VK_TO_USAGE[VK_SNAPSHOT], 0u);
  EXPECT_EQ(VK_TO_USAGE['0'], 0x27u);
  EXPECT_EQ(VK_TO_USAGE['1'], 0x1Eu);
  EXPECT_EQ(VK_TO_USAGE[VK_NUMPAD0], 0x62u);
  EXPECT_EQ(VK_TO_USAGE[VK_F12], 0x45u);
  EXPECT_EQ(VK_TO_USAGE[VK_OEM_7], 0x34u);
}

// Every usage that VK_TO_USAGE gives leads back to its key through the page
// engine's USAGE_TO_VK, where that table names the key.
TEST_F(KeyCaptureTest, UsagesLeadBackToTheirKeys) {
  for (int vk = 1; vk < kVkToUsageCount; ++vk) {
    const DWORD usage = VK_TO_USAGE[vk];
    if (!usage || usage >= kUsageToVkCount || !USAGE_TO_VK[usage]) continue;
    SCOPED_TRACE(vk);
    EXPECT_EQ(USAGE_TO_VK[usage], DWORD(vk));
  }
}

}  // namespace
}  // namespace keytest

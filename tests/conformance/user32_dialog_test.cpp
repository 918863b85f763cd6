// Dialogs from in-memory templates as Windows publishes them: WM_INITDIALOG
// with its parameter, EndDialog's result, the dialog's user slot, dialog
// units of the template's font. Win32 API only.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A DLGTEMPLATE with no controls, WORD-aligned, with an optional font.
class Template {
 public:
  Template(DWORD dwStyle, short cx, short cy, const char* pszFace, WORD wPoints) {
    if (pszFace) dwStyle |= DS_SETFONT;
    Put32(dwStyle);
    Put32(0);
    Put16(0);  // no controls
    Put16(0);
    Put16(0);
    Put16(WORD(cx));
    Put16(WORD(cy));
    Put16(0);  // menu
    Put16(0);  // class
    PutText("Conformance");
    if (pszFace) {
      Put16(wPoints);
      PutText(pszFace);
    }
  }
  LPCDLGTEMPLATEA Get() const { return reinterpret_cast<LPCDLGTEMPLATEA>(m_words.data()); }

 private:
  void Put16(WORD w) { m_words.push_back(w); }
  void Put32(DWORD dw) {
    Put16(WORD(dw & 0xFFFF));
    Put16(WORD(dw >> 16));
  }
  void PutText(const char* psz) {
    while (*psz) Put16(WORD(static_cast<unsigned char>(*psz++)));
    Put16(0);
  }
  std::vector<WORD> m_words;
};

LPARAM g_lInit = 0;
RECT g_rcMapped{0, 0, 0, 0};

INT_PTR CALLBACK EndAtOnce(HWND hDlg, UINT uMsg, WPARAM, LPARAM lParam) {
  if (uMsg == WM_INITDIALOG) {
    g_lInit = lParam;
    SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
    g_rcMapped = RECT{0, 0, 4, 8};
    MapDialogRect(hDlg, &g_rcMapped);
    EndDialog(hDlg, GetWindowLongPtrA(hDlg, DWLP_USER) + 1);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK EndOnCommand(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM) {
  if (uMsg == WM_INITDIALOG) {
    PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    return TRUE;
  }
  if (uMsg == WM_COMMAND) {
    EndDialog(hDlg, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

TEST(User32Dialog, InitDialogGetsTheParameterAndEndDialogGivesTheResult) {
  Template t(WS_POPUP, 40, 20, nullptr, 0);
  EXPECT_EQ(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, EndAtOnce, 41), 42);
  EXPECT_EQ(g_lInit, LPARAM(41));
}

TEST(User32Dialog, APostedCommandEndsTheModalLoop) {
  Template t(WS_POPUP, 40, 20, nullptr, 0);
  EXPECT_EQ(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, EndOnCommand, 0), IDCANCEL);
}

// Windows maps "MS Shell Dlg" to its shell font, "typically Microsoft Sans
// Serif, 8 point"; at 96 dots per inch that face is 13 pixels high and its
// letters a..z, A..Z are 6 pixels wide on average, so the base units are
// 6 x 13 (the 20 x 20 dialog-unit TESTBUTTON draws its caption in 30 x 33
// pixels).
TEST(User32Dialog, DialogUnitsOfMsShellDlg8) {
  Template t(WS_POPUP, 40, 20, "MS Shell Dlg", 8);
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, EndAtOnce, 0);
  EXPECT_EQ(g_rcMapped.right, 6);
  EXPECT_EQ(g_rcMapped.bottom, 13);
}

std::vector<UINT> g_dialogMessages;
WPARAM g_wFont = 0;

INT_PTR CALLBACK RecordFontAndEnd(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM) {
  if (uMsg == WM_SETFONT) g_wFont = wParam;
  if (uMsg == WM_SETFONT || uMsg == WM_INITDIALOG) g_dialogMessages.push_back(uMsg);
  if (uMsg == WM_INITDIALOG) {
    EndDialog(hDlg, 1);
    return TRUE;
  }
  return FALSE;
}

RECT g_rcClient{0, 0, 0, 0};

INT_PTR CALLBACK MeasureClient(HWND hDlg, UINT uMsg, WPARAM, LPARAM) {
  if (uMsg == WM_INITDIALOG) {
    GetClientRect(hDlg, &g_rcClient);
    EndDialog(hDlg, 1);
    return TRUE;
  }
  return FALSE;
}

// "When a dialog box uses the DS_SETFONT style ..., the system sends the
// WM_SETFONT message to the dialog box procedure before it creates the
// controls" (WM_SETFONT reference), so before WM_INITDIALOG, with the font;
// a dialog without the style gets none.
TEST(User32Dialog, SetFontComesBeforeInitDialogWithDsSetFont) {
  for (const bool bFont : {true, false}) {
    SCOPED_TRACE(bFont);
    g_dialogMessages.clear();
    g_wFont = 0;
    Template t(WS_POPUP, 40, 20, bFont ? "MS Shell Dlg" : nullptr, 8);
    EXPECT_EQ(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, RecordFontAndEnd, 0), 1);
    if (bFont) {
      EXPECT_EQ(g_dialogMessages, (std::vector<UINT>{WM_SETFONT, WM_INITDIALOG}));
      EXPECT_NE(g_wFont, WPARAM(0));
    } else {
      EXPECT_EQ(g_dialogMessages, (std::vector<UINT>{WM_INITDIALOG}));
    }
  }
}

// The property pages' templates: 327 x 281 dialog units in "MS Shell Dlg" 8
// are 327 * 6 / 4 x 281 * 13 / 8 pixels, each rounded as MulDiv rounds.
TEST(User32Dialog, PageTemplateIs491By457Pixels) {
  Template t(WS_POPUP, 327, 281, "MS Shell Dlg", 8);
  g_rcClient = RECT{0, 0, 0, 0};
  ASSERT_EQ(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, MeasureClient, 0), 1);
  EXPECT_EQ(g_rcClient.right, 491);
  EXPECT_EQ(g_rcClient.bottom, 457);
}

// The dialog manager's keyboard interface in a modal dialog with no
// controls. The procedure records what reaches it; IDCANCEL ends the dialog
// with IDCANCEL, else it ends with 77 once the messages that the keys post
// in turn have had their place in the queue (WM_APP posts itself again
// until its count runs out).
struct KeySeen {
  std::vector<UINT> messages;  // key messages, WM_SYSCOMMAND, WM_CLOSE, WM_COMMAND in order
  std::vector<WPARAM> params;  // their wParam (WM_SYSCOMMAND: & 0xFFF0; WM_COMMAND: LOWORD)
};
KeySeen g_keys;
std::vector<MSG> g_toPost;

INT_PTR CALLBACK RecordKeys(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_INITDIALOG:
      for (const MSG& msg : g_toPost) PostMessageA(hDlg, msg.message, msg.wParam, msg.lParam);
      PostMessageA(hDlg, WM_APP, 0, 8);
      return TRUE;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_CLOSE:
      g_keys.messages.push_back(uMsg);
      g_keys.params.push_back(wParam);
      return FALSE;
    case WM_SYSCOMMAND:
      g_keys.messages.push_back(uMsg);
      g_keys.params.push_back(wParam & 0xFFF0);
      return FALSE;
    case WM_COMMAND:
      g_keys.messages.push_back(uMsg);
      g_keys.params.push_back(LOWORD(wParam));
      if (LOWORD(wParam) == IDCANCEL) EndDialog(hDlg, IDCANCEL);
      return TRUE;
    case WM_APP:
      if (lParam > 0)
        PostMessageA(hDlg, WM_APP, 0, lParam - 1);
      else
        EndDialog(hDlg, 77);
      return TRUE;
    default:
      return FALSE;
  }
}

// A key message as the keyboard posts it: repeat count 1, the scan code,
// the Alt context bit for a system key pressed with Alt.
MSG Key(UINT uMsg, UINT vk, bool bAlt) {
  MSG msg;
  std::memset(&msg, 0, sizeof msg);
  msg.message = uMsg;
  msg.wParam = vk;
  DWORD dwParam = 1 | DWORD(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) & 0xFF) << 16;
  if (bAlt) dwParam |= 1u << 29;
  if (uMsg == WM_KEYUP || uMsg == WM_SYSKEYUP) dwParam |= 3u << 30;
  msg.lParam = LPARAM(dwParam);
  return msg;
}

INT_PTR RunKeys(const std::vector<MSG>& keys) {
  g_keys = KeySeen();
  g_toPost = keys;
  Template t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 170, 49, nullptr, 0);
  return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, RecordKeys, 0);
}

// "ENTER: Sends a WM_COMMAND message to the dialog box procedure. The
// wParam parameter is set to IDOK or control identifier of the default push
// button. ESC: ... set to IDCANCEL. TAB: Moves the input focus to the next
// control that has the WS_TABSTOP style." None of the three presses reaches
// the procedure as a key; other keys and every release do.
TEST(User32DialogKeys, ReturnEscapeAndTabGoToTheDialogManager) {
  const INT_PTR nResult = RunKeys({Key(WM_KEYDOWN, 'A', false), Key(WM_KEYDOWN, VK_TAB, false),
                                   Key(WM_KEYUP, VK_TAB, false), Key(WM_KEYDOWN, VK_RETURN, false)});
  EXPECT_EQ(nResult, 77);
  EXPECT_EQ(g_keys.messages, (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP, WM_COMMAND}));
  EXPECT_EQ(g_keys.params, (std::vector<WPARAM>{'A', VK_TAB, IDOK}));

  EXPECT_EQ(RunKeys({Key(WM_KEYDOWN, VK_ESCAPE, false), Key(WM_KEYDOWN, 'B', false)}), IDCANCEL);
  EXPECT_EQ(g_keys.messages, (std::vector<UINT>{WM_COMMAND}));
  EXPECT_EQ(g_keys.params, (std::vector<WPARAM>{IDCANCEL}));
}

// Alt+F4: DefWindowProc turns the system key into WM_SYSCOMMAND SC_CLOSE,
// SC_CLOSE into WM_CLOSE, and the dialog's default procedure WM_CLOSE into
// the Cancel button's WM_COMMAND; the messages behind it in the queue come
// after the dialog has ended and never reach it.
TEST(User32DialogKeys, AltF4EndsTheDialogWithCancel) {
  const INT_PTR nResult = RunKeys({Key(WM_SYSKEYDOWN, VK_MENU, true), Key(WM_SYSKEYDOWN, VK_F4, true)});
  EXPECT_EQ(nResult, IDCANCEL);
  EXPECT_EQ(g_keys.messages,
            (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE, WM_COMMAND}));
  EXPECT_EQ(g_keys.params, (std::vector<WPARAM>{VK_MENU, VK_F4, SC_CLOSE, 0, IDCANCEL}));
}

// In a child window, Alt+F4 closes the top-level window above it.
TEST(User32DialogKeys, AltF4InAChildPostsSysCommandToItsTopLevelWindow) {
  HWND hTop = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 60, 40, nullptr, nullptr, GetModuleHandleA(nullptr),
                              nullptr);
  ASSERT_NE(hTop, nullptr);
  HWND hChild = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 20, 20, hTop, nullptr, GetModuleHandleA(nullptr),
                                nullptr);
  ASSERT_NE(hChild, nullptr);
  const MSG key = Key(WM_SYSKEYDOWN, VK_F4, true);
  SendMessageA(hChild, key.message, key.wParam, key.lParam);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, hTop);
  EXPECT_EQ(msg.wParam & 0xFFF0, WPARAM(SC_CLOSE));
  DestroyWindow(hTop);
}

// F4 without the Alt context bit closes nothing.
TEST(User32DialogKeys, F4WithoutAltClosesNothing) {
  EXPECT_EQ(RunKeys({Key(WM_SYSKEYDOWN, VK_F4, false), Key(WM_KEYDOWN, VK_F4, false)}), 77);
  EXPECT_EQ(g_keys.messages, (std::vector<UINT>{WM_SYSKEYDOWN, WM_KEYDOWN}));
}

TEST(User32Dialog, EndDialogRefusesAWindowThatIsNoDialog) {
  EXPECT_FALSE(EndDialog(nullptr, 1));
}

}  // namespace

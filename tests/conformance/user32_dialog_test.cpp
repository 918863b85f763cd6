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

// MS Shell Dlg 8 at 96 dots per inch: base units 6 x 13 (the 20 x 20
// dialog-unit TESTBUTTON draws its caption in 30 x 33 pixels).
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

TEST(User32Dialog, EndDialogRefusesAWindowThatIsNoDialog) {
  EXPECT_FALSE(EndDialog(nullptr, 1));
}

}  // namespace

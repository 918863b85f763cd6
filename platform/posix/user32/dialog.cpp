// Dialogs from templates: creation with dialog units, the dialog window
// procedure, the modal loop and EndDialog.
#include "posix/user32/window.h"

#include <strings.h>

#include <cstring>

namespace qjplat {
namespace user32 {
namespace {

// Reads the template's variable parts: a name or an ordinal (0xFFFF and a
// WORD), or a NUL-terminated UTF-16 string, as ANSI.
struct Reader {
  const uint8_t* pStart;
  const uint8_t* p;
  const uint8_t* pEnd;  // a bound for a resource, null for an in-memory template

  bool Has(size_t cb) const { return !pEnd || size_t(pEnd - p) >= cb; }
  WORD Word() {
    if (!Has(2)) {
      p = pEnd;
      return 0;
    }
    WORD w = WORD(p[0] | p[1] << 8);
    p += 2;
    return w;
  }
  DWORD Dword() {
    DWORD lo = Word();
    return lo | DWORD(Word()) << 16;
  }
  std::string String() {
    std::u16string wide;
    while (Has(2)) {
      WORD w = Word();
      if (!w) break;
      wide.push_back(char16_t(w));
    }
    if (wide.empty()) return std::string();
    int cb = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(wide.data()), int(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
    std::string s(size_t(cb > 0 ? cb : 0), '\0');
    if (cb > 0)
      WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(wide.data()), int(wide.size()), &s[0], cb, nullptr,
                          nullptr);
    return s;
  }
  // An ordinal (bOrdinal set, nOrdinal) or a string.
  void NameOrOrdinal(bool* pbOrdinal, WORD* pnOrdinal, std::string* pName) {
    *pbOrdinal = false;
    *pnOrdinal = 0;
    pName->clear();
    if (!Has(2)) return;
    WORD first = WORD(p[0] | p[1] << 8);
    if (first == 0xFFFF) {
      Word();
      *pbOrdinal = true;
      *pnOrdinal = Word();
    } else {
      *pName = String();
    }
  }
  void AlignDword() {
    size_t off = size_t(p - pStart);
    if (off % 4) p += 4 - off % 4;
    if (pEnd && p > pEnd) p = pEnd;
  }
};

struct ItemSpec {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  bool bClassOrdinal = false;
  WORD classOrdinal = 0;
  std::string className;
  std::string text;
  const uint8_t* pCreateData = nullptr;
};

struct DialogSpec {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::string className;
  std::string caption;
  WORD pointSize = 0;
  std::string face;
  std::vector<ItemSpec> items;
};

// DLGTEMPLATE or DLGTEMPLATEEX; false for one that ends early.
bool ParseTemplate(const uint8_t* pData, size_t cbData, DialogSpec* pSpec) {
  Reader r{pData, pData, cbData ? pData + cbData : nullptr};
  if (!r.Has(18)) return false;
  const bool bEx = WORD(pData[0] | pData[1] << 8) == 1 && WORD(pData[2] | pData[3] << 8) == 0xFFFF;
  WORD cdit;
  if (bEx) {
    r.Dword();  // version and signature
    r.Dword();  // help id
    pSpec->exStyle = r.Dword();
    pSpec->style = r.Dword();
  } else {
    pSpec->style = r.Dword();
    pSpec->exStyle = r.Dword();
  }
  cdit = r.Word();
  pSpec->x = short(r.Word());
  pSpec->y = short(r.Word());
  pSpec->cx = short(r.Word());
  pSpec->cy = short(r.Word());
  bool bOrd;
  WORD nOrd;
  std::string name;
  r.NameOrOrdinal(&bOrd, &nOrd, &name);  // menu: none is kept
  r.NameOrOrdinal(&bOrd, &nOrd, &pSpec->className);
  pSpec->caption = r.String();
  if (pSpec->style & DS_SETFONT) {
    pSpec->pointSize = r.Word();
    if (bEx) {
      r.Word();  // weight
      r.Word();  // italic, charset
    }
    pSpec->face = r.String();
  }
  for (WORD i = 0; i < cdit; ++i) {
    r.AlignDword();
    ItemSpec item;
    if (bEx) {
      r.Dword();  // help id
      item.exStyle = r.Dword();
      item.style = r.Dword();
    } else {
      item.style = r.Dword();
      item.exStyle = r.Dword();
    }
    item.x = short(r.Word());
    item.y = short(r.Word());
    item.cx = short(r.Word());
    item.cy = short(r.Word());
    item.id = bEx ? r.Dword() : r.Word();
    r.NameOrOrdinal(&item.bClassOrdinal, &item.classOrdinal, &item.className);
    bool bTextOrd;
    WORD nTextOrd;
    r.NameOrOrdinal(&bTextOrd, &nTextOrd, &item.text);
    WORD cbExtra = r.Word();
    if (cbExtra) {
      item.pCreateData = r.p;
      if (!r.Has(cbExtra)) return false;
      r.p += cbExtra;
    }
    if (r.pEnd && r.p >= r.pEnd && i + 1 < cdit) return false;
    pSpec->items.push_back(item);
  }
  return true;
}

int MulDivRound(int a, int b, int c) {
  long long v = (long long)a * b;
  return int(v >= 0 ? (v + c / 2) / c : -((-v + c / 2) / c));
}

void BaseUnitsOf(const DialogSpec& spec, int* pnX, int* pnY) {
  if (!(spec.style & DS_SETFONT) || strcasecmp(spec.face.c_str(), "System") == 0 || spec.face.empty()) {
    *pnX = 8;
    *pnY = 16;
    return;
  }
  const int pt = spec.pointSize ? spec.pointSize : 8;
  *pnX = MulDivRound(6, pt, 8);
  *pnY = MulDivRound(13, pt, 8);
}

HWND CreateFromTemplate(HINSTANCE hInstance, const uint8_t* pData, size_t cbData, HWND hWndParent, DLGPROC pfnDlg,
                        LPARAM lInit, bool bModal) {
  DialogSpec spec;
  if (!pData || !ParseTemplate(pData, cbData, &spec)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  std::shared_ptr<Window> parent = hWndParent ? LookupWindow(hWndParent) : nullptr;
  if (hWndParent && !parent) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  int nBaseX, nBaseY;
  BaseUnitsOf(spec, &nBaseX, &nBaseY);
  const int cxClient = MulDivRound(spec.cx, nBaseX, 4);
  const int cyClient = MulDivRound(spec.cy, nBaseY, 8);
  // A modal dialog shows once its loop runs; the template's own flag
  // applies to a modeless one.
  DWORD dwStyle = spec.style & ~DWORD(WS_VISIBLE);
  const RECT rcFrame = FrameOf(dwStyle, spec.exStyle);
  POINT pt{MulDivRound(spec.x, nBaseX, 4), MulDivRound(spec.y, nBaseY, 8)};
  if (parent && !(spec.style & DS_ABSALIGN)) ClientToScreen(hWndParent, &pt);
  if (spec.style & DS_CENTER) {
    pt.x = (GetSystemMetrics(SM_CXSCREEN) - cxClient) / 2;
    pt.y = (GetSystemMetrics(SM_CYSCREEN) - cyClient) / 2;
  }
  const char* pszClass = spec.className.empty() ? "#32770" : spec.className.c_str();
  HWND hDlg = CreateWindowExA(spec.exStyle, pszClass, spec.caption.c_str(), dwStyle, pt.x, pt.y,
                              cxClient + rcFrame.left + rcFrame.right, cyClient + rcFrame.top + rcFrame.bottom,
                              hWndParent, nullptr, hInstance, nullptr);
  auto dialog = LookupWindow(hDlg);
  if (!dialog) return nullptr;
  if (dialog->m_extra.size() < 3 * sizeof(void*)) dialog->m_extra.resize(std::max<size_t>(DLGWINDOWEXTRA, 3 * sizeof(void*)), 0);
  dialog->m_dialog.reset(new DialogState);
  dialog->m_dialog->bModal = bModal;
  dialog->m_dialog->nBaseX = nBaseX;
  dialog->m_dialog->nBaseY = nBaseY;
  SetWindowLongPtrA(hDlg, int(DWLP_DLGPROC), reinterpret_cast<LONG_PTR>(pfnDlg));
  // The template's font goes to the dialog before its controls are made
  // (the layer draws every dialog font with its one GUI font).
  if (spec.style & DS_SETFONT) SendMessageA(hDlg, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  if (!IsWindow(hDlg)) return nullptr;
  HWND hFirst = nullptr;
  for (const ItemSpec& item : spec.items) {
    LPCSTR pszItemClass = item.bClassOrdinal ? MAKEINTRESOURCEA(item.classOrdinal) : item.className.c_str();
    HWND hItem = CreateWindowExA(item.exStyle, pszItemClass, item.text.c_str(), item.style | WS_CHILD,
                                 MulDivRound(item.x, nBaseX, 4), MulDivRound(item.y, nBaseY, 8),
                                 MulDivRound(item.cx, nBaseX, 4), MulDivRound(item.cy, nBaseY, 8), hDlg,
                                 reinterpret_cast<HMENU>(ULONG_PTR(item.id)), hInstance,
                                 const_cast<uint8_t*>(item.pCreateData));
    if (!hItem && !(spec.style & DS_NOFAILCREATE)) {
      DestroyWindow(hDlg);
      return nullptr;
    }
    if (hItem && !hFirst && (item.style & WS_TABSTOP)) hFirst = hItem;
  }
  if (SendMessageA(hDlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(hFirst), lInit)) SetFocus(hFirst ? hFirst : hDlg);
  if (!IsWindow(hDlg)) return nullptr;
  if (!bModal && (spec.style & WS_VISIBLE)) ShowWindow(hDlg, SW_SHOW);
  return hDlg;
}

const QJ_RESOURCE_ENTRY* DialogResource(HINSTANCE hInstance, LPCSTR lpTemplateName) {
  const QJ_RESOURCE_ENTRY* pEntry =
      FindModuleResource(reinterpret_cast<HMODULE>(hInstance), RT_DIALOG, lpTemplateName, 0x0409, true);
  if (!pEntry) SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return pEntry;
}

// The modal loop: runs until EndDialog, the dialog's destruction or
// WM_QUIT (which is posted again for the caller's loop).
INT_PTR RunModal(HWND hDlg) {
  if (!hDlg) return -1;
  ShowWindow(hDlg, SW_SHOW);
  RunModalHook(hDlg);
  MSG msg;
  for (;;) {
    auto dialog = LookupWindow(hDlg);
    if (!dialog || !dialog->m_dialog || dialog->m_dialog->bEnded) break;
    BOOL bGot = GetMessageA(&msg, nullptr, 0, 0);
    if (bGot == 0) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    if (bGot < 0) break;
    if (!IsDialogMessageA(hDlg, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  INT_PTR nResult = 0;
  if (auto dialog = LookupWindow(hDlg)) {
    if (dialog->m_dialog) nResult = dialog->m_dialog->nResult;
    DestroyWindow(hDlg);
  }
  return nResult;
}

bool IsOwnResult(UINT uMsg) {
  switch (uMsg) {
    case WM_INITDIALOG:
    case 0x0132:  // WM_CTLCOLORMSGBOX .. WM_CTLCOLORSTATIC
    case 0x0133:
    case 0x0134:
    case 0x0135:
    case 0x0136:
    case 0x0137:
    case 0x0138:
    case 0x0039:  // WM_COMPAREITEM
    case 0x002E:  // WM_VKEYTOITEM
    case 0x002F:  // WM_CHARTOITEM
    case 0x0037:  // WM_QUERYDRAGICON
      return true;
    default:
      return false;
  }
}

}  // namespace
}  // namespace user32
}  // namespace qjplat

using namespace qjplat::user32;

// -1 with ERROR_RESOURCE_NAME_NOT_FOUND when the module has no such template.
INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam) {
  const QJ_RESOURCE_ENTRY* pEntry = DialogResource(hInstance, lpTemplateName);
  if (!pEntry) return -1;
  HWND hDlg = CreateFromTemplate(hInstance, pEntry->pbData, pEntry->cbData, hWndParent, lpDialogFunc, dwInitParam, true);
  return RunModal(hDlg);
}

INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA hDialogTemplate, HWND hWndParent,
                                       DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  HWND hDlg = CreateFromTemplate(hInstance, reinterpret_cast<const uint8_t*>(hDialogTemplate), 0, hWndParent,
                                 lpDialogFunc, dwInitParam, true);
  return RunModal(hDlg);
}

HWND WINAPI CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam) {
  const QJ_RESOURCE_ENTRY* pEntry = DialogResource(hInstance, lpTemplateName);
  if (!pEntry) return nullptr;
  return CreateFromTemplate(hInstance, pEntry->pbData, pEntry->cbData, hWndParent, lpDialogFunc, dwInitParam, false);
}

HWND WINAPI CreateDialogIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA lpTemplate, HWND hWndParent,
                                       DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  return CreateFromTemplate(hInstance, reinterpret_cast<const uint8_t*>(lpTemplate), 0, hWndParent, lpDialogFunc,
                            dwInitParam, false);
}

// Marks the dialog ended with its result; a modal loop ends at its next
// turn, a modeless dialog is only hidden (its owner destroys it).
BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
  auto dialog = LookupWindow(hDlg);
  if (!dialog || !dialog->m_dialog) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  dialog->m_dialog->bEnded = true;
  dialog->m_dialog->nResult = nResult;
  ShowWindow(hDlg, SW_HIDE);
  WakeThread(dialog->m_dwThreadId);
  return TRUE;
}

// Calls the dialog procedure; a message it handles (TRUE) answers with
// DWLP_MSGRESULT, except those whose result the procedure gives itself. One
// it leaves gets the default: the button-face background, WM_CLOSE as
// WM_COMMAND IDCANCEL, DefWindowProcA for the rest.
LRESULT WINAPI DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
  auto dialog = LookupWindow(hDlg);
  if (!dialog) return 0;
  DLGPROC pfn = nullptr;
  if (dialog->m_extra.size() >= 3 * sizeof(void*))
    pfn = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(hDlg, int(DWLP_DLGPROC)));
  if (pfn) {
    INT_PTR nHandled = pfn(hDlg, Msg, wParam, lParam);
    if (nHandled) {
      if (IsOwnResult(Msg)) return nHandled;
      return IsWindow(hDlg) ? GetWindowLongPtrA(hDlg, int(DWLP_MSGRESULT)) : 0;
    }
    if (!IsWindow(hDlg)) return 0;
  }
  switch (Msg) {
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(hDlg, &rc);
      FillRect(reinterpret_cast<HDC>(wParam), &rc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
      return 1;
    }
    case WM_CLOSE:
      PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
      return 0;
    case WM_INITDIALOG:
      return 0;
    default:
      return DefWindowProcA(hDlg, Msg, wParam, lParam);
  }
}

// Messages for the dialog or its children. A key press that the window with
// it does not claim (WM_GETDLGCODE) goes to the dialog manager: VK_ESCAPE
// and VK_RETURN become WM_COMMAND IDCANCEL and IDOK (BN_CLICKED, with the
// button of that ID when there is one) and VK_TAB is taken (the layer moves
// no focus between controls); none of them reaches a window procedure as a
// key press. Everything else is translated and dispatched. TRUE when the
// message was the dialog's.
BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG lpMsg) {
  if (!lpMsg || !IsWindow(hDlg)) return FALSE;
  bool bOurs = lpMsg->hwnd == hDlg;
  for (HWND h = lpMsg->hwnd; h && !bOurs;) {
    h = GetParent(h);
    bOurs = h == hDlg;
  }
  if (!bOurs) return FALSE;
  if (lpMsg->message == WM_KEYDOWN) {
    const LRESULT code = SendMessageA(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam, reinterpret_cast<LPARAM>(lpMsg));
    if (!(code & DLGC_WANTMESSAGE)) {
      switch (lpMsg->wParam) {
        case VK_ESCAPE:
        case VK_RETURN: {
          const int nId = lpMsg->wParam == VK_ESCAPE ? IDCANCEL : IDOK;
          SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nId, 0), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, nId)));
          return TRUE;
        }
        case VK_TAB:
          if (code & DLGC_WANTTAB) break;
          return TRUE;
        default:
          break;
      }
    }
  }
  TranslateMessage(lpMsg);
  DispatchMessageA(lpMsg);
  return TRUE;
}

// Dialog units of the dialog's font to pixels.
BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
  auto dialog = LookupWindow(hDlg);
  if (!dialog || !dialog->m_dialog || !lpRect) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const int bx = dialog->m_dialog->nBaseX, by = dialog->m_dialog->nBaseY;
  lpRect->left = MulDivRound(lpRect->left, bx, 4);
  lpRect->right = MulDivRound(lpRect->right, bx, 4);
  lpRect->top = MulDivRound(lpRect->top, by, 8);
  lpRect->bottom = MulDivRound(lpRect->bottom, by, 8);
  return TRUE;
}

// The System font's base units: 8 wide, 16 high.
LONG WINAPI GetDialogBaseUnits(void) { return MAKELONG(8, 16); }

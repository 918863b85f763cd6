// Window classes, creating and destroying windows, the default window
// procedure, window longs, texts and positions.
#include "posix/user32/window.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace qjplat {
namespace user32 {
namespace {

constexpr ATOM kFirstAtom = 0xC000;

struct ClassTable {
  std::mutex mutex;
  std::vector<std::shared_ptr<WindowClass>> classes;
  ATOM nextAtom = kFirstAtom;
};

ClassTable& Classes() {
  static ClassTable* table = new ClassTable;  // outlives every module's unload
  return *table;
}

// NULL stands for the executable, as on Windows.
HINSTANCE NormalInstance(HINSTANCE hInstance) {
  return hInstance ? hInstance : reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr));
}

bool SameName(const std::shared_ptr<WindowClass>& wc, LPCSTR lpName) {
  if (IS_INTRESOURCE(lpName)) return wc->atom == LOWORD(reinterpret_cast<ULONG_PTR>(lpName));
  return strcasecmp(wc->name.c_str(), lpName) == 0;
}

// The class of that name registered by the instance; with bAnyInstance, any
// instance's when the instance registered none.
std::shared_ptr<WindowClass> FindClass(LPCSTR lpName, HINSTANCE hInstance, bool bAnyInstance) {
  ClassTable& table = Classes();
  std::lock_guard<std::mutex> lock(table.mutex);
  hInstance = NormalInstance(hInstance);
  std::shared_ptr<WindowClass> any;
  for (const auto& wc : table.classes) {
    if (!SameName(wc, lpName)) continue;
    if (wc->hInstance == hInstance) return wc;
    if (!any) any = wc;
  }
  return bAnyInstance ? any : nullptr;
}

// The predefined control classes of a dialog template's atoms (0x0080 BUTTON
// to 0x0085 COMBOBOX) and the dialog class: registered on first use, drawn
// by the default procedures only.
std::shared_ptr<WindowClass> SystemClass(LPCSTR lpName) {
  static const char* const kNames[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
  std::string name;
  if (IS_INTRESOURCE(lpName)) {
    WORD atom = LOWORD(reinterpret_cast<ULONG_PTR>(lpName));
    if (atom >= 0x80 && atom <= 0x85) name = kNames[atom - 0x80];
  } else {
    for (const char* known : kNames)
      if (strcasecmp(known, lpName) == 0) name = known;
    if (strcasecmp(lpName, "#32770") == 0) name = "#32770";
  }
  if (name.empty()) return nullptr;
  ClassTable& table = Classes();
  std::lock_guard<std::mutex> lock(table.mutex);
  for (const auto& wc : table.classes)
    if (!wc->hInstance && strcasecmp(wc->name.c_str(), name.c_str()) == 0) return wc;
  auto wc = std::make_shared<WindowClass>();
  wc->name = name;
  wc->atom = table.nextAtom++;
  bool bDialog = name == "#32770";
  wc->pfnWndProc = bDialog ? DefDlgProcA : DefWindowProcA;
  wc->cbWndExtra = bDialog ? std::max<int>(DLGWINDOWEXTRA, 3 * int(sizeof(void*))) : 0;
  wc->hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  table.classes.push_back(wc);
  return wc;
}

bool ValidExtraIndex(const Window& window, int nIndex, size_t cb) {
  return nIndex >= 0 && size_t(nIndex) + cb <= window.m_extra.size();
}

void SetLastErrorIndex() { SetLastError(ERROR_INVALID_INDEX); }

// Reads or writes one window long of cb bytes (4 or pointer-sized); the
// result is the previous value.
bool AccessLong(HWND hWnd, int nIndex, size_t cb, const LONG_PTR* pNew, LONG_PTR* pOld) {
  auto window = LookupWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  LONG_PTR* pField = nullptr;
  LONG_PTR idValue = window->m_id;
  switch (nIndex) {
    case GWL_USERDATA: pField = &window->m_userData; break;
    case GWL_ID: pField = &window->m_id; break;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      DWORD& dw = nIndex == GWL_STYLE ? window->m_dwStyle : window->m_dwExStyle;
      *pOld = LONG_PTR(LONG(dw));
      if (pNew) dw = DWORD(*pNew);
      return true;
    }
    case GWL_WNDPROC:
    case GWL_HINSTANCE:
    case GWL_HWNDPARENT: {
      // Pointer-sized values do not fit the 32-bit calls of a 64-bit build.
      if (cb < sizeof(void*)) {
        SetLastErrorIndex();
        return false;
      }
      if (nIndex == GWL_WNDPROC) {
        *pOld = reinterpret_cast<LONG_PTR>(window->m_pfnWndProc);
        if (pNew) window->m_pfnWndProc = reinterpret_cast<WNDPROC>(*pNew);
      } else if (nIndex == GWL_HINSTANCE) {
        *pOld = reinterpret_cast<LONG_PTR>(window->m_hInstance);
        if (pNew) window->m_hInstance = reinterpret_cast<HINSTANCE>(*pNew);
      } else {
        *pOld = reinterpret_cast<LONG_PTR>(window->m_hParent);
        if (pNew) window->m_hParent = reinterpret_cast<HWND>(*pNew);
      }
      return true;
    }
    default:
      break;
  }
  (void)idValue;
  if (pField) {
    *pOld = cb == 4 ? LONG_PTR(LONG(*pField)) : *pField;
    if (pNew) *pField = cb == 4 ? LONG_PTR(LONG(*pNew)) : *pNew;
    return true;
  }
  if (!ValidExtraIndex(*window, nIndex, cb)) {
    SetLastErrorIndex();
    return false;
  }
  uint8_t* p = window->m_extra.data() + nIndex;
  if (cb == 4) {
    LONG l;
    std::memcpy(&l, p, 4);
    *pOld = l;
    if (pNew) {
      l = LONG(*pNew);
      std::memcpy(p, &l, 4);
    }
  } else {
    LONG_PTR v;
    std::memcpy(&v, p, sizeof v);
    *pOld = v;
    if (pNew) std::memcpy(p, pNew, sizeof *pNew);
  }
  return true;
}

void DestroyTree(HWND hWnd);

}  // namespace

RECT FrameOf(DWORD dwStyle, DWORD dwExStyle) {
  int nFrame = 0;
  if (dwStyle & WS_THICKFRAME)
    nFrame = GetSystemMetrics(SM_CXFRAME);
  else if ((dwStyle & WS_DLGFRAME) || (dwExStyle & WS_EX_DLGMODALFRAME))
    nFrame = GetSystemMetrics(SM_CXDLGFRAME);
  else if (dwStyle & WS_BORDER)
    nFrame = GetSystemMetrics(SM_CXBORDER);
  int nCaption = (dwStyle & WS_CAPTION) == WS_CAPTION ? GetSystemMetrics(SM_CYCAPTION) : 0;
  return RECT{nFrame, nFrame + nCaption, nFrame, nFrame};
}

namespace {

void DestroyTree(HWND hWnd) {
  auto window = LookupWindow(hWnd);
  if (!window || window->m_bDestroying) return;
  window->m_bDestroying = true;
  window->Send(WM_DESTROY, 0, 0);
  for (HWND hChild : ChildrenOf(hWnd)) DestroyTree(hChild);
  // Owned pop-ups go with their owner.
  for (HWND hOther : WindowsOfThread(window->m_dwThreadId)) {
    auto other = LookupWindow(hOther);
    if (other && other->m_hParent == hWnd && !(other->m_dwStyle & WS_CHILD)) DestroyTree(hOther);
  }
  window->Send(WM_NCDESTROY, 0, 0);
  ForgetWindowMessages(hWnd);
  if (window->m_class) {
    ClassTable& table = Classes();
    std::lock_guard<std::mutex> lock(table.mutex);
    --window->m_class->nWindows;
  }
  RemoveWindow(hWnd);
}

// The window itself when it is top-level, else the top-level window above it.
HWND TopLevelOf(HWND hWnd) {
  for (auto window = LookupWindow(hWnd); window && (window->m_dwStyle & WS_CHILD) && window->m_hParent;
       window = LookupWindow(hWnd))
    hWnd = window->m_hParent;
  return hWnd;
}

}  // namespace
}  // namespace user32
}  // namespace qjplat

using namespace qjplat::user32;

// The class is named by lpszClassName (a string or an atom is refused), the
// module by hInstance. Fails with ERROR_INVALID_PARAMETER for a wrong cbSize
// or missing procedure or name, ERROR_CLASS_ALREADY_EXISTS for a name the
// module registered already.
ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpwcx) {
  if (!lpwcx || lpwcx->cbSize != sizeof(WNDCLASSEXA) || !lpwcx->lpfnWndProc || !lpwcx->lpszClassName ||
      IS_INTRESOURCE(lpwcx->lpszClassName) || !*lpwcx->lpszClassName || lpwcx->cbWndExtra < 0 ||
      lpwcx->cbClsExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  HINSTANCE hInstance = NormalInstance(lpwcx->hInstance);
  if (FindClass(lpwcx->lpszClassName, hInstance, false)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto wc = std::make_shared<WindowClass>();
  wc->name = lpwcx->lpszClassName;
  wc->style = lpwcx->style;
  wc->pfnWndProc = lpwcx->lpfnWndProc;
  wc->cbClsExtra = lpwcx->cbClsExtra;
  wc->cbWndExtra = lpwcx->cbWndExtra;
  wc->hInstance = hInstance;
  wc->hIcon = lpwcx->hIcon;
  wc->hIconSm = lpwcx->hIconSm;
  wc->hCursor = lpwcx->hCursor;
  wc->hbrBackground = lpwcx->hbrBackground;
  if (lpwcx->lpszMenuName && !IS_INTRESOURCE(lpwcx->lpszMenuName)) wc->menuName = lpwcx->lpszMenuName;
  ClassTable& table = Classes();
  std::lock_guard<std::mutex> lock(table.mutex);
  wc->atom = table.nextAtom++;
  table.classes.push_back(wc);
  return wc->atom;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
  if (!lpWndClass) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXA wcx;
  std::memset(&wcx, 0, sizeof wcx);
  wcx.cbSize = sizeof wcx;
  wcx.style = lpWndClass->style;
  wcx.lpfnWndProc = lpWndClass->lpfnWndProc;
  wcx.cbClsExtra = lpWndClass->cbClsExtra;
  wcx.cbWndExtra = lpWndClass->cbWndExtra;
  wcx.hInstance = lpWndClass->hInstance;
  wcx.hIcon = lpWndClass->hIcon;
  wcx.hCursor = lpWndClass->hCursor;
  wcx.hbrBackground = lpWndClass->hbrBackground;
  wcx.lpszMenuName = lpWndClass->lpszMenuName;
  wcx.lpszClassName = lpWndClass->lpszClassName;
  return RegisterClassExA(&wcx);
}

// ERROR_CLASS_DOES_NOT_EXIST for a class the module did not register,
// ERROR_CLASS_HAS_WINDOWS while windows of it exist.
BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE hInstance) {
  if (!lpClassName) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  auto wc = FindClass(lpClassName, hInstance, false);
  if (!wc) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  ClassTable& table = Classes();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (wc->nWindows > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  table.classes.erase(std::remove(table.classes.begin(), table.classes.end(), wc), table.classes.end());
  return TRUE;
}

BOOL WINAPI GetClassInfoExA(HINSTANCE hInstance, LPCSTR lpszClass, LPWNDCLASSEXA lpwcx) {
  if (!lpszClass || !lpwcx) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto wc = FindClass(lpszClass, hInstance, false);
  if (!wc) wc = SystemClass(lpszClass);
  if (!wc) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  lpwcx->style = wc->style;
  lpwcx->lpfnWndProc = wc->pfnWndProc;
  lpwcx->cbClsExtra = wc->cbClsExtra;
  lpwcx->cbWndExtra = wc->cbWndExtra;
  lpwcx->hInstance = wc->hInstance;
  lpwcx->hIcon = wc->hIcon;
  lpwcx->hCursor = wc->hCursor;
  lpwcx->hbrBackground = wc->hbrBackground;
  lpwcx->lpszMenuName = nullptr;
  lpwcx->lpszClassName = lpszClass;
  lpwcx->hIconSm = wc->hIconSm;
  return TRUE;
}

// Sends WM_NCCREATE then WM_CREATE with the CREATESTRUCTA; FALSE from the
// first or -1 from the second destroys the window and gives NULL. A child
// needs a parent (ERROR_TLW_WITH_WSCHILD); an unknown class gives
// ERROR_CANNOT_FIND_WND_CLASS. CW_USEDEFAULT places a top-level window at
// (0, 0) with a size of 320 x 240.
HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                            LPVOID lpParam) {
  if (!lpClassName) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  auto wc = FindClass(lpClassName, hInstance, true);
  if (!wc) wc = SystemClass(lpClassName);
  if (!wc) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  std::shared_ptr<Window> parent;
  if (hWndParent && hWndParent != HWND_MESSAGE) {
    parent = LookupWindow(hWndParent);
    if (!parent) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
  }
  if ((dwStyle & WS_CHILD) && !parent) {
    SetLastError(ERROR_TLW_WITH_WSCHILD);
    return nullptr;
  }
  if (X == CW_USEDEFAULT) X = Y = 0;
  if (nWidth == CW_USEDEFAULT) {
    nWidth = 320;
    nHeight = 240;
  }
  nWidth = std::max(nWidth, 0);
  nHeight = std::max(nHeight, 0);
  const RECT rcFrame = FrameOf(dwStyle, dwExStyle);
  const int cxClient = std::max(0, nWidth - int(rcFrame.left + rcFrame.right));
  const int cyClient = std::max(0, nHeight - int(rcFrame.top + rcFrame.bottom));
  if (cxClient > qjplat::gdi::kMaxBitmapSide || cyClient > qjplat::gdi::kMaxBitmapSide) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto window = std::make_shared<Window>(cxClient, cyClient);
  for (int y = 0; y < cyClient; ++y)
    for (int x = 0; x < cxClient; ++x) window->m_surface->At(x, y) = 0xFFFFFF;
  window->m_class = wc;
  window->m_pfnWndProc = wc->pfnWndProc;
  window->m_dwStyle = dwStyle;
  window->m_dwExStyle = dwExStyle;
  window->m_hParent = parent ? hWndParent : nullptr;
  window->m_hInstance = hInstance;
  window->m_id = (dwStyle & WS_CHILD) ? reinterpret_cast<LONG_PTR>(hMenu) : 0;
  window->m_extra.assign(size_t(wc->cbWndExtra), 0);
  window->m_rcWindow = RECT{X, Y, X + nWidth, Y + nHeight};
  window->m_rcFrame = rcFrame;
  {
    ClassTable& table = Classes();
    std::lock_guard<std::mutex> lock(table.mutex);
    ++wc->nWindows;
  }
  HWND hWnd = AddWindow(window);

  CREATESTRUCTA cs;
  cs.lpCreateParams = lpParam;
  cs.hInstance = hInstance;
  cs.hMenu = hMenu;
  cs.hwndParent = hWndParent;
  cs.cy = nHeight;
  cs.cx = nWidth;
  cs.y = Y;
  cs.x = X;
  cs.style = LONG(dwStyle);
  cs.lpszName = lpWindowName;
  cs.lpszClass = lpClassName;
  cs.dwExStyle = dwExStyle;
  if (!window->Send(WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) || !LookupWindow(hWnd)) {
    DestroyWindow(hWnd);
    return nullptr;
  }
  if (window->Send(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1 || !LookupWindow(hWnd)) {
    DestroyWindow(hWnd);
    return nullptr;
  }
  if (cxClient > 0 && cyClient > 0) window->Invalidate(window->ClientRect(), true);
  return hWnd;
}

// WM_DESTROY goes to the window, then to its children and owned windows;
// their timers and queued messages go with them.
BOOL WINAPI DestroyWindow(HWND hWnd) {
  if (!LookupWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  DestroyTree(hWnd);
  return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) { return LookupWindow(hWnd) ? TRUE : FALSE; }

// Texts (WM_NCCREATE, WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH), the class
// background (WM_ERASEBKGND), painting nothing but validating (WM_PAINT),
// WM_CLOSE destroys the window; Alt+F4 (WM_SYSKEYDOWN with the Alt context
// bit) posts WM_SYSCOMMAND SC_CLOSE to the top-level window, and SC_CLOSE
// becomes WM_CLOSE; everything else gives 0.
LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  auto window = LookupWindow(hWnd);
  if (!window) return 0;
  switch (Msg) {
    case WM_NCCREATE: {
      auto* pcs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      if (pcs && pcs->lpszName && !IS_INTRESOURCE(pcs->lpszName)) window->m_text = pcs->lpszName;
      return TRUE;
    }
    case WM_SETTEXT:
      window->m_text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      size_t n = std::min(window->m_text.size(), size_t(wParam) - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), window->m_text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = '\0';
      return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
      return LRESULT(window->m_text.size());
    case WM_ERASEBKGND: {
      HBRUSH hbr = window->m_class ? window->m_class->hbrBackground : nullptr;
      if (!hbr) return 0;
      RECT rc = window->ClientRect();
      FillRect(reinterpret_cast<HDC>(wParam), &rc, hbr);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hWnd, &ps);
      EndPaint(hWnd, &ps);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (HIWORD(lParam) & KF_ALTDOWN)) PostMessageA(TopLevelOf(hWnd), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hWnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_GETDLGCODE:
      return 0;
    case WM_SETCURSOR:
      return FALSE;
    default:
      return 0;
  }
}

LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
  LONG_PTR old = 0;
  return AccessLong(hWnd, nIndex, 4, nullptr, &old) ? LONG(old) : 0;
}

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
  LONG_PTR old = 0, value = dwNewLong;
  return AccessLong(hWnd, nIndex, 4, &value, &old) ? LONG(old) : 0;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
  LONG_PTR old = 0;
  return AccessLong(hWnd, nIndex, sizeof(LONG_PTR), nullptr, &old) ? old : 0;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  LONG_PTR old = 0;
  return AccessLong(hWnd, nIndex, sizeof(LONG_PTR), &dwNewLong, &old) ? old : 0;
}

// At most nMaxCount - 1 characters and the terminator; the result is the
// number of characters copied.
int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
  if (!LookupWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (!lpString || nMaxCount <= 0) return 0;
  return int(SendMessageA(hWnd, WM_GETTEXT, WPARAM(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextLengthA(HWND hWnd) {
  if (!LookupWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return int(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
  if (!LookupWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
}

// The parent of a child window, the owner of a pop-up, NULL otherwise.
HWND WINAPI GetParent(HWND hWnd) {
  auto window = LookupWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if ((window->m_dwStyle & WS_CHILD) || (window->m_dwStyle & WS_POPUP)) return window->m_hParent;
  return nullptr;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
  for (HWND hChild : ChildrenOf(hDlg)) {
    auto child = LookupWindow(hChild);
    if (child && child->m_id == nIDDlgItem) return hChild;
  }
  return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
  auto window = LookupWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return (window->m_dwStyle & WS_CHILD) ? int(window->m_id) : 0;
}

namespace {

// The screen position of a window's client origin.
POINT ClientOrigin(const Window& window) {
  POINT pt{window.m_rcWindow.left + window.m_rcFrame.left, window.m_rcWindow.top + window.m_rcFrame.top};
  if ((window.m_dwStyle & WS_CHILD) && window.m_hParent) {
    if (auto parent = LookupWindow(window.m_hParent)) {
      POINT ptParent = ClientOrigin(*parent);
      pt.x += ptParent.x;
      pt.y += ptParent.y;
    }
  }
  return pt;
}

}  // namespace

// In screen coordinates, the frame included.
BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
  auto window = LookupWindow(hWnd);
  if (!window || !lpRect) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  RECT rc = window->m_rcWindow;
  if ((window->m_dwStyle & WS_CHILD) && window->m_hParent) {
    if (auto parent = LookupWindow(window->m_hParent)) {
      POINT pt = ClientOrigin(*parent);
      OffsetRect(&rc, pt.x, pt.y);
    }
  }
  *lpRect = rc;
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  auto window = LookupWindow(hWnd);
  if (!window || !lpRect) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *lpRect = window->ClientRect();
  return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
  auto window = LookupWindow(hWnd);
  if (!window || !lpPoint) return FALSE;
  POINT pt = ClientOrigin(*window);
  lpPoint->x += pt.x;
  lpPoint->y += pt.y;
  return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
  auto window = LookupWindow(hWnd);
  if (!window || !lpPoint) return FALSE;
  POINT pt = ClientOrigin(*window);
  lpPoint->x -= pt.x;
  lpPoint->y -= pt.y;
  return TRUE;
}

namespace {

// Moves and sizes a window as SetWindowPos does: WM_WINDOWPOSCHANGING (whose
// WINDOWPOS the window may change), the new rectangle, WM_WINDOWPOSCHANGED,
// then WM_MOVE and WM_SIZE for what changed. The rectangle is in screen
// coordinates for a top-level window, in the parent's client coordinates for
// a child. The client surface follows the size; bRepaint invalidates the
// whole client area.
BOOL PositionWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, UINT uFlags, BOOL bRepaint) {
  auto window = LookupWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  WINDOWPOS wp{hWnd, nullptr, X, Y, std::max(nWidth, 0), std::max(nHeight, 0), uFlags};
  window->Send(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  if (!LookupWindow(hWnd)) return FALSE;
  nWidth = std::max(wp.cx, 0);
  nHeight = std::max(wp.cy, 0);
  X = wp.x;
  Y = wp.y;
  const int cx = std::max(0, nWidth - int(window->m_rcFrame.left + window->m_rcFrame.right));
  const int cy = std::max(0, nHeight - int(window->m_rcFrame.top + window->m_rcFrame.bottom));
  if (cx > qjplat::gdi::kMaxBitmapSide || cy > qjplat::gdi::kMaxBitmapSide) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  const bool bSized = cx != window->Width() || cy != window->Height();
  const bool bMoved = X != window->m_rcWindow.left || Y != window->m_rcWindow.top;
  {
    std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
    window->m_rcWindow = RECT{X, Y, X + nWidth, Y + nHeight};
    window->ResizeClient(cx, cy);
  }
  window->Send(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  if (bMoved) window->Send(WM_MOVE, 0, MAKELONG(X + window->m_rcFrame.left, Y + window->m_rcFrame.top));
  if (bSized) window->Send(WM_SIZE, 0, MAKELONG(cx, cy));
  if (bRepaint) InvalidateRect(hWnd, nullptr, TRUE);
  return TRUE;
}

}  // namespace

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  return PositionWindow(hWnd, X, Y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW),
                        bRepaint);
}

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
  (void)hWndInsertAfter;
  auto window = LookupWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const RECT rc = window->m_rcWindow;
  if (uFlags & SWP_NOMOVE) {
    X = rc.left;
    Y = rc.top;
  }
  if (uFlags & SWP_NOSIZE) {
    cx = rc.right - rc.left;
    cy = rc.bottom - rc.top;
  }
  return PositionWindow(hWnd, X, Y, cx, cy, uFlags, TRUE);
}

// The previous visibility. A change is told to the window first
// (WM_SHOWWINDOW, while the window still has its old visibility), then as a
// position change without a move or a size; a child of a hidden parent,
// which stays unseen either way, gets no position change.
BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  auto window = LookupWindow(hWnd);
  if (!window) return FALSE;
  const BOOL bWas = (window->m_dwStyle & WS_VISIBLE) ? TRUE : FALSE;
  const BOOL bShow = nCmdShow == SW_HIDE ? FALSE : TRUE;
  if (bShow == bWas) return bWas;
  window->Send(WM_SHOWWINDOW, WPARAM(bShow), 0);
  if (!LookupWindow(hWnd)) return bWas;
  if ((window->m_dwStyle & WS_CHILD) && window->m_hParent && !IsWindowVisible(window->m_hParent)) {
    if (bShow)
      window->m_dwStyle |= WS_VISIBLE;
    else
      window->m_dwStyle &= ~DWORD(WS_VISIBLE);
    return bWas;
  }
  const RECT rc = window->m_rcWindow;
  WINDOWPOS wp{hWnd,          nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
               UINT(SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | (bShow ? SWP_SHOWWINDOW : SWP_HIDEWINDOW))};
  window->Send(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  if (!LookupWindow(hWnd)) return bWas;
  if (bShow)
    window->m_dwStyle |= WS_VISIBLE;
  else
    window->m_dwStyle &= ~DWORD(WS_VISIBLE);
  window->Send(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  return bWas;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
  for (auto window = LookupWindow(hWnd); window; window = LookupWindow(window->m_hParent)) {
    if (!(window->m_dwStyle & WS_VISIBLE)) return FALSE;
    if (!(window->m_dwStyle & WS_CHILD)) return TRUE;
  }
  return hWnd && IsWindow(hWnd) ? TRUE : FALSE;
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
  auto window = LookupWindow(hWnd);
  if (!window) return 0;
  if (lpdwProcessId) *lpdwProcessId = GetCurrentProcessId();
  return window->m_dwThreadId;
}

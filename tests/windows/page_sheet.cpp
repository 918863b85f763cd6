#include "page_sheet.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace pagehost {
namespace {

// {2F64D0A8-7C3A-A02F-C5B1-6E93A0D4172B}, the property-sheet server's class.
const GUID kClsidPropSheet = {0x2F64D0A8, 0x7C3A, 0xA02F, {0xC5, 0xB1, 0x6E, 0x93, 0xA0, 0xD4, 0x17, 0x2B}};

typedef HRESULT(STDAPICALLTYPE* GetClassObjectProc)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDAPICALLTYPE* CanUnloadNowProc)(void);

// The one host of this process, for the hooks and the dialog timer.
PageSheet* g_pHost = nullptr;

const char kOwnerClass[] = "QjGameControllers";
constexpr UINT kMarkMessage = WM_APP + 1;
// The dialog answerer's period.
constexpr UINT kAnswerPeriodMs = 25;
// Control IDs of the file dialogs' file name field (edit, or combo box).
constexpr int kFileNameEdit = 0x480;
constexpr int kFileNameCombo = 0x47C;

std::string Narrow(LPCWSTR pwsz) {
  if (pwsz == nullptr) return std::string();
  const int cb = WideCharToMultiByte(CP_ACP, 0, pwsz, -1, nullptr, 0, nullptr, nullptr);
  if (cb <= 1) return std::string();
  std::string text(static_cast<size_t>(cb), '\0');
  WideCharToMultiByte(CP_ACP, 0, pwsz, -1, &text[0], cb, nullptr, nullptr);
  text.resize(static_cast<size_t>(cb - 1));
  return text;
}

// A resource name of the records: an integer resource stays one, a text is
// narrowed into *pKeep, which must outlive the result.
LPCSTR ResourceName(LPCWSTR pwsz, std::string* pKeep) {
  if (IS_INTRESOURCE(pwsz)) return MAKEINTRESOURCEA(LOWORD(reinterpret_cast<ULONG_PTR>(pwsz)));
  *pKeep = Narrow(pwsz);
  return pKeep->c_str();
}

std::string Format(const char* pszFormat, ...) {
  char szLine[512];
  va_list args;
  va_start(args, pszFormat);
  std::vsnprintf(szLine, sizeof szLine, pszFormat, args);
  va_end(args);
  return szLine;
}

std::string ClassOf(HWND hWnd) {
  char szClass[64] = "";
  GetClassNameA(hWnd, szClass, sizeof szClass);
  return szClass;
}

std::string TextOf(HWND hWnd) {
  char szText[512] = "";
  GetWindowTextA(hWnd, szText, sizeof szText);
  return szText;
}

const char* MessageName(UINT uMsg) {
  switch (uMsg) {
#define QJ_NAME(m) \
  case m:          \
    return #m;
    QJ_NAME(WM_CREATE) QJ_NAME(WM_DESTROY) QJ_NAME(WM_MOVE) QJ_NAME(WM_SIZE) QJ_NAME(WM_ACTIVATE)
    QJ_NAME(WM_SETFOCUS) QJ_NAME(WM_KILLFOCUS) QJ_NAME(WM_ENABLE) QJ_NAME(WM_SETTEXT) QJ_NAME(WM_GETTEXT)
    QJ_NAME(WM_GETTEXTLENGTH) QJ_NAME(WM_PAINT) QJ_NAME(WM_CLOSE) QJ_NAME(WM_ERASEBKGND) QJ_NAME(WM_SHOWWINDOW)
    QJ_NAME(WM_CTLCOLORDLG) QJ_NAME(WM_CTLCOLORSTATIC) QJ_NAME(WM_CTLCOLORBTN) QJ_NAME(WM_SETFONT)
    QJ_NAME(WM_GETFONT) QJ_NAME(WM_WINDOWPOSCHANGING) QJ_NAME(WM_WINDOWPOSCHANGED) QJ_NAME(WM_NOTIFY)
    QJ_NAME(WM_NCCREATE) QJ_NAME(WM_NCDESTROY) QJ_NAME(WM_NCCALCSIZE) QJ_NAME(WM_NCPAINT) QJ_NAME(WM_NCACTIVATE)
    QJ_NAME(WM_NCHITTEST) QJ_NAME(WM_GETDLGCODE) QJ_NAME(WM_INITDIALOG) QJ_NAME(WM_COMMAND)
    QJ_NAME(WM_SYSCOMMAND) QJ_NAME(WM_TIMER) QJ_NAME(WM_MOUSEMOVE) QJ_NAME(WM_LBUTTONDOWN) QJ_NAME(WM_LBUTTONUP)
    QJ_NAME(WM_KEYDOWN) QJ_NAME(WM_KEYUP) QJ_NAME(WM_SYSKEYDOWN) QJ_NAME(WM_SYSKEYUP) QJ_NAME(WM_CHAR)
    QJ_NAME(WM_SETCURSOR) QJ_NAME(WM_MOUSEACTIVATE) QJ_NAME(WM_CHILDACTIVATE) QJ_NAME(WM_GETMINMAXINFO)
    QJ_NAME(WM_STYLECHANGING) QJ_NAME(WM_STYLECHANGED) QJ_NAME(WM_PARENTNOTIFY) QJ_NAME(WM_ACTIVATEAPP)
    QJ_NAME(WM_GETICON) QJ_NAME(WM_SETICON) QJ_NAME(WM_CHANGEUISTATE) QJ_NAME(WM_UPDATEUISTATE)
    QJ_NAME(WM_QUERYUISTATE) QJ_NAME(WM_PRINT) QJ_NAME(WM_PRINTCLIENT) QJ_NAME(WM_NEXTDLGCTL)
    QJ_NAME(WM_ENTERIDLE) QJ_NAME(WM_CAPTURECHANGED) QJ_NAME(WM_IME_SETCONTEXT) QJ_NAME(WM_IME_NOTIFY)
    QJ_NAME(WM_GETOBJECT) QJ_NAME(WM_SYNCPAINT) QJ_NAME(WM_NCMOUSEMOVE) QJ_NAME(WM_ENTERMENULOOP)
    QJ_NAME(WM_EXITMENULOOP)
#undef QJ_NAME
    default:
      return nullptr;
  }
}

const char* NotificationName(UINT nCode) {
  switch (nCode) {
    case PSN_SETACTIVE: return "setactive";
    case PSN_KILLACTIVE: return "killactive";
    case PSN_APPLY: return "apply";
    case PSN_RESET: return "reset";
    case PSN_QUERYCANCEL: return "querycancel";
    default: return nullptr;
  }
}

// The PSN_ codes not named above, for the trace.
std::string NotificationText(UINT nCode) {
  switch (nCode) {
    case PSN_HELP: return "PSN_HELP";
    case PSN_WIZBACK: return "PSN_WIZBACK";
    case PSN_WIZNEXT: return "PSN_WIZNEXT";
    case PSN_WIZFINISH: return "PSN_WIZFINISH";
    case PSN_GETOBJECT: return "PSN_GETOBJECT";
    case PSN_TRANSLATEACCELERATOR: return "PSN_TRANSLATEACCELERATOR";
    case PSN_QUERYINITIALFOCUS: return "PSN_QUERYINITIALFOCUS";
    default: {
      const char* pszName = NotificationName(nCode);
      return pszName ? std::string("PSN_") + pszName : Format("notification %d", static_cast<int>(nCode));
    }
  }
}

// Writes rows of 24-bit pixels of hdc's (x, y, cx, cy) as a BMP file.
bool WriteBmp(HDC hdcFrom, int x, int y, int cx, int cy, const std::string& path) {
  if (cx <= 0 || cy <= 0) return false;
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = cx;
  info.bmiHeader.biHeight = cy;  // bottom-up, as the file keeps its rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* pBits = nullptr;
  HDC hdc = CreateCompatibleDC(hdcFrom);
  HBITMAP hbm = CreateDIBSection(hdcFrom, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
  if (hdc == nullptr || hbm == nullptr || pBits == nullptr) {
    if (hbm) DeleteObject(hbm);
    if (hdc) DeleteDC(hdc);
    return false;
  }
  HGDIOBJ hOld = SelectObject(hdc, hbm);
  BitBlt(hdc, 0, 0, cx, cy, hdcFrom, x, y, SRCCOPY);
  GdiFlush();
  const DWORD cbRow = ((static_cast<DWORD>(cx) * 24 + 31) / 32) * 4;
  const DWORD cbPixels = cbRow * static_cast<DWORD>(cy);
  BITMAPFILEHEADER file;
  std::memset(&file, 0, sizeof file);
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + cbPixels;
  info.bmiHeader.biSizeImage = cbPixels;
  bool bOk = false;
  if (FILE* pFile = std::fopen(path.c_str(), "wb")) {
    bOk = std::fwrite(&file, sizeof file, 1, pFile) == 1 && std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, pFile) == 1 &&
          std::fwrite(pBits, cbPixels, 1, pFile) == 1;
    bOk = std::fclose(pFile) == 0 && bOk;
  }
  SelectObject(hdc, hOld);
  DeleteObject(hbm);
  DeleteDC(hdc);
  return bOk;
}

// A key's lParam as the keyboard gives it: one repeat, the scan code, the
// context bit while Alt is down, and the previous-state and transition bits
// on release.
LPARAM KeyData(UINT vk, bool bDown, bool bAlt) {
  DWORD dwData = 1 | (MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) & 0xFF) << 16;
  if (bAlt) dwData |= 1u << 29;
  if (!bDown) dwData |= 3u << 30;
  return static_cast<LPARAM>(dwData);
}

}  // namespace

PageSheet::~PageSheet() { Unload(); }

void PageSheet::Log(const std::string& line) {
  if (m_log) m_log(line);
}

bool PageSheet::Load(const std::string& module, std::string* pError) {
  g_pHost = this;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&icc);
  m_hModule = LoadLibraryA(module.c_str());
  if (m_hModule == nullptr) {
    *pError = Format("cannot load %s (error %lu)", module.c_str(), GetLastError());
    return false;
  }
  // The module's dinput.dll must be the test double; a reference of the
  // host's own keeps it (and its counts) past the module's unloading.
  char szDouble[MAX_PATH] = "";
  HMODULE hDouble = GetModuleHandleA("dinput.dll");
  if (hDouble != nullptr) GetModuleFileNameA(hDouble, szDouble, sizeof szDouble);
  auto pfnControl = reinterpret_cast<QjDiGetControlProc>(
      hDouble ? reinterpret_cast<void*>(GetProcAddress(hDouble, "QjDiGetControl")) : nullptr);
  m_pDouble = pfnControl ? pfnControl(kDiControlVersion) : nullptr;
  if (m_pDouble == nullptr) {
    *pError = Format("the module's dinput.dll (%s) is not the DirectInput test double: run with "
                     "WINEDLLOVERRIDES=dinput=n and dinput.dll beside the host",
                     szDouble[0] ? szDouble : "not loaded");
    return false;
  }
  LoadLibraryA(szDouble);
  Log(Format("module %s, DirectInput double %s", module.c_str(), szDouble));

  WNDCLASSA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kOwnerClass;
  RegisterClassA(&wc);
  m_hOwner = CreateWindowExA(0, kOwnerClass, "Game Controllers", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                             nullptr, wc.hInstance, nullptr);
  m_hCallHook = SetWindowsHookExA(WH_CALLWNDPROC, CallWndProc, nullptr, GetCurrentThreadId());
  m_hGetHook = SetWindowsHookExA(WH_GETMESSAGE, GetMsgProc, nullptr, GetCurrentThreadId());
  m_uAnswerTimer = SetTimer(nullptr, 0, kAnswerPeriodMs, AnswerDialogs);
  if (m_hOwner == nullptr || m_hCallHook == nullptr || m_hGetHook == nullptr || m_uAnswerTimer == 0) {
    *pError = Format("cannot make the control panel's window (%p), hooks (%p, %p) or timer (%lu): error %lu",
                     static_cast<void*>(m_hOwner), static_cast<void*>(m_hCallHook), static_cast<void*>(m_hGetHook),
                     static_cast<unsigned long>(m_uAnswerTimer), GetLastError());
    return false;
  }
  return true;
}

bool PageSheet::Open(UINT uJoyId, std::string* pError) {
  if (m_hSheet != nullptr || m_pSheet != nullptr) {
    *pError = "a sheet is open already";
    return false;
  }
  auto pfnGetClassObject =
      reinterpret_cast<GetClassObjectProc>(reinterpret_cast<void*>(GetProcAddress(m_hModule, "DllGetClassObject")));
  IClassFactory* pFactory = nullptr;
  HRESULT hr = pfnGetClassObject ? pfnGetClassObject(kClsidPropSheet, IID_IClassFactory, reinterpret_cast<void**>(&pFactory))
                                 : E_FAIL;
  if (FAILED(hr) || pFactory == nullptr) {
    *pError = Format("DllGetClassObject failed (0x%08lX)", static_cast<unsigned long>(hr));
    return false;
  }
  hr = pFactory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, reinterpret_cast<void**>(&m_pSheet));
  pFactory->Release();
  if (FAILED(hr) || m_pSheet == nullptr) {
    m_pSheet = nullptr;
    *pError = Format("CreateInstance failed (0x%08lX)", static_cast<unsigned long>(hr));
    return false;
  }
  m_pSheet->SetID(static_cast<USHORT>(uJoyId));
  m_pDouble->SetJoystickId(uJoyId);

  LPDIGCSHEETINFO pSheetInfo = nullptr;
  LPDIGCPAGEINFO pPageInfo = nullptr;
  if (FAILED(m_pSheet->GetSheetInfo(&pSheetInfo)) || pSheetInfo == nullptr ||
      FAILED(m_pSheet->GetPageInfo(&pPageInfo)) || pPageInfo == nullptr || pSheetInfo->nNumPages == 0) {
    *pError = "the sheet object gives no sheet or page records";
    return false;
  }
  m_pages.assign(pSheetInfo->nNumPages, Page());
  m_psp.assign(pSheetInfo->nNumPages, PROPSHEETPAGEA());
  std::vector<std::string> icons(pSheetInfo->nNumPages);
  for (size_t i = 0; i < m_pages.size(); ++i) {
    const DIGCPAGEINFO& info = pPageInfo[i];
    Page& page = m_pages[i];
    PROPSHEETPAGEA& psp = m_psp[i];
    std::memset(&psp, 0, sizeof psp);
    psp.dwSize = sizeof psp;
    psp.hInstance = info.hInstance;
    psp.pszTemplate = ResourceName(info.lpwszTemplate, &page.templateName);
    page.title = Narrow(info.lpwszPageTitle);
    if (info.lpwszPageTitle != nullptr) {
      psp.dwFlags |= PSP_USETITLE;
      psp.pszTitle = page.title.c_str();
    }
    if (info.fIconFromHInst) {
      psp.dwFlags |= PSP_USEICONID;
      psp.pszIcon = ResourceName(info.lpwszPageIcon, &icons[i]);
    }
    page.pfnProc = info.fpPageProc;
    if (info.fProcFromHInst)
      page.pfnProc = reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(
          GetProcAddress(reinterpret_cast<HMODULE>(info.hInstance), Narrow(info.lpwszProcName).c_str())));
    psp.pfnDlgProc = page.pfnProc;
    psp.lParam = info.lParam;
  }
  m_caption = Narrow(pSheetInfo->lpwszSheetCaption);
  PROPSHEETHEADERA psh;
  std::memset(&psh, 0, sizeof psh);
  psh.dwSize = sizeof psh;
  psh.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS;
  psh.hwndParent = m_hOwner;
  psh.hInstance = pPageInfo[0].hInstance;
  if (pSheetInfo->fSheetIconFlag) {
    psh.dwFlags |= PSH_USEICONID;
    psh.pszIcon = ResourceName(pSheetInfo->lpwszSheetIcon, &m_icon);
  }
  psh.pszCaption = m_caption.c_str();
  psh.nPages = static_cast<UINT>(m_psp.size());
  psh.ppsp = m_psp.data();
  Log(Format("sheet \"%s\" for joystick %u: %u pages", m_caption.c_str(), m_pSheet->GetID(),
             static_cast<unsigned>(m_pages.size())));

  m_dwOpenTick = GetTickCount();
  const INT_PTR nResult = PropertySheetA(&psh);
  if (nResult == 0 || nResult == -1) {
    *pError = "PropertySheetA made no sheet";
    Finish();
    return false;
  }
  m_hSheet = reinterpret_cast<HWND>(nResult);
  // An opaque layered sheet: its pages draw into a surface of their own that
  // the pictures read back, also under a display driver that keeps none.
  SetWindowLongPtrA(m_hSheet, GWL_EXSTYLE, GetWindowLongPtrA(m_hSheet, GWL_EXSTYLE) | WS_EX_LAYERED);
  SetLayeredWindowAttributes(m_hSheet, 0, 255, LWA_ALPHA);
  RedrawWindow(m_hSheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  MouseDone();
  RECT rcSheet = {0, 0, 0, 0}, rcPage = {0, 0, 0, 0};
  GetWindowRect(m_hSheet, &rcSheet);
  if (HWND hPage = PropSheet_GetCurrentPageHwnd(m_hSheet)) GetClientRect(hPage, &rcPage);
  Log(Format("sheet window %ld x %ld at %ld, %ld; page area %ld x %ld", rcSheet.right - rcSheet.left,
             rcSheet.bottom - rcSheet.top, rcSheet.left, rcSheet.top, rcPage.right, rcPage.bottom));
  return true;
}

void PageSheet::Finish() {
  if (m_hSheet != nullptr) {
    DestroyWindow(m_hSheet);
    m_hSheet = nullptr;
    Log("sheet closed");
  }
  for (Page& page : m_pages) page.hWnd = nullptr;
  if (m_pSheet != nullptr) {
    const ULONG cLeft = m_pSheet->Release();
    m_pSheet = nullptr;
    Log(Format("sheet object released (%lu references left)", static_cast<unsigned long>(cLeft)));
  }
  CollectReports();
}

void PageSheet::Unload() {
  if (m_hSheet != nullptr) {
    CloseBox();
    Pump(m_dwLimitMs, [this] { return m_hSheet == nullptr; });
  }
  Finish();
  if (m_hModule != nullptr) {
    auto pfnCanUnloadNow =
        reinterpret_cast<CanUnloadNowProc>(reinterpret_cast<void*>(GetProcAddress(m_hModule, "DllCanUnloadNow")));
    const HRESULT hr = pfnCanUnloadNow ? pfnCanUnloadNow() : S_OK;
    if (hr == S_OK) {
      FreeLibrary(m_hModule);
      Log("module unloaded");
    } else {
      Log("module still in use (DllCanUnloadNow S_FALSE); left loaded");
    }
    m_hModule = nullptr;
  }
  if (m_uAnswerTimer) KillTimer(nullptr, m_uAnswerTimer);
  if (m_hCallHook) UnhookWindowsHookEx(m_hCallHook);
  if (m_hGetHook) UnhookWindowsHookEx(m_hGetHook);
  if (m_hOwner) DestroyWindow(m_hOwner);
  m_uAnswerTimer = 0;
  m_hCallHook = m_hGetHook = nullptr;
  m_hOwner = nullptr;
}

int PageSheet::CurrentPage() const {
  if (m_hSheet == nullptr) return -1;
  return PageOf(PropSheet_GetCurrentPageHwnd(m_hSheet));
}

int PageSheet::PageOf(HWND hWnd) const {
  if (hWnd == nullptr) return -1;
  for (size_t i = 0; i < m_pages.size(); ++i)
    if (m_pages[i].hWnd == hWnd) return static_cast<int>(i);
  return -1;
}

bool PageSheet::ApplyEnabled() const {
  HWND hApply = m_hSheet ? GetDlgItem(m_hSheet, 0x3021) : nullptr;  // the sheet's Apply button
  return hApply != nullptr && IsWindowEnabled(hApply) && IsWindowVisible(hApply);
}

bool PageSheet::Pump(DWORD dwMs, const std::function<bool()>& done) {
  const DWORD dwStart = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (m_hSheet == nullptr || !PropSheet_IsDialogMessage(m_hSheet, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      // A modeless sheet that the user closed has no page left; the control
      // panel destroys it and lets go of the server's object.
      if (m_hSheet != nullptr && (!IsWindow(m_hSheet) || PropSheet_GetCurrentPageHwnd(m_hSheet) == nullptr)) Finish();
      if (done && done()) return true;
    }
    if (done && done()) return true;
    const DWORD dwElapsed = GetTickCount() - dwStart;
    if (dwElapsed >= dwMs) return !done;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, dwMs - dwElapsed, QS_ALLINPUT);
  }
}

void PageSheet::MouseDone() {
  const unsigned uMark = ++m_uMarksSent;
  PostMessageA(m_hOwner, kMarkMessage, 0, 0);
  Pump(m_dwLimitMs, [this, uMark] { return m_uMarksSeen >= uMark; });
  CollectReports();
}

void PageSheet::SelectPage(int nPage) {
  // As a click on the page's tab.
  PropSheet_SetCurSel(m_hSheet, nullptr, nPage);
  MouseDone();
}

void PageSheet::Mouse(UINT uMsg, WPARAM wParam, int x, int y) {
  HWND hPage = m_hSheet ? PropSheet_GetCurrentPageHwnd(m_hSheet) : nullptr;
  if (hPage) PostMessageA(hPage, uMsg, wParam, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  if (uMsg != WM_LBUTTONUP || m_heldKeys.empty()) return;
  // Keys still held when a dialog that the click opened ended are let go
  // on the page.
  MouseDone();
  for (UINT vk : m_heldKeys) Key(vk, false);
  m_heldKeys.clear();
}

void PageSheet::Key(UINT vk, bool bDown) {
  HWND hPage = m_hSheet ? PropSheet_GetCurrentPageHwnd(m_hSheet) : nullptr;
  if (hPage == nullptr) return;
  if (vk == VK_MENU) m_bPageAlt = bDown;
  const bool bAlt = vk == VK_MENU || m_bPageAlt;
  const UINT uMsg = bAlt ? (bDown ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (bDown ? WM_KEYDOWN : WM_KEYUP);
  PostMessageA(hPage, uMsg, vk, KeyData(vk, bDown, bAlt));
  MouseDone();
}

void PageSheet::PressButton(int nButton) {
  PropSheet_PressButton(m_hSheet, nButton);
  MouseDone();
}

void PageSheet::CloseBox() {
  PostMessageA(m_hSheet, WM_SYSCOMMAND, SC_CLOSE, 0);
  MouseDone();
}

bool PageSheet::Picture(const std::string& path) {
  HWND hPage = m_hSheet ? PropSheet_GetCurrentPageHwnd(m_hSheet) : nullptr;
  if (hPage == nullptr) return false;
  // What the screen shows: the paints so far, and those still due.
  RedrawWindow(m_hSheet, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  MouseDone();
  RECT rc = {0, 0, 0, 0};
  GetClientRect(hPage, &rc);
  HDC hdcPage = GetDC(hPage);
  const bool bPage = WriteBmp(hdcPage, 0, 0, rc.right, rc.bottom, path);
  ReleaseDC(hPage, hdcPage);
  GetWindowRect(m_hSheet, &rc);
  HDC hdcSheet = GetWindowDC(m_hSheet);
  const std::string sheetPath = path.substr(0, path.size() - 4) + "-sheet.bmp";
  const bool bSheet = WriteBmp(hdcSheet, 0, 0, rc.right - rc.left, rc.bottom - rc.top, sheetPath);
  ReleaseDC(m_hSheet, hdcSheet);
  return bPage && bSheet;
}

std::vector<std::string> PageSheet::TakeNotes() { return std::move(m_notes); }
std::vector<std::string> PageSheet::TakeMessages() { return std::move(m_messages); }
std::vector<std::string> PageSheet::TakeProblems() { return std::move(m_problems); }
std::vector<MotorReport> PageSheet::TakeReports() {
  CollectReports();
  return std::move(m_reports);
}

void PageSheet::CollectReports() {
  if (m_pDouble == nullptr) return;
  DiDeviceWrite writes[64];
  for (UINT n; (n = m_pDouble->TakeWrites(writes, 64)) > 0;) {
    for (UINT i = 0; i < n; ++i) {
      const DiDeviceWrite& write = writes[i];
      std::string line = Format("[%6lu ms] motor report", static_cast<unsigned long>(write.dwTick - m_dwOpenTick));
      for (DWORD k = 0; k + 4 <= write.cb && k + 4 <= sizeof write.bytes; k += 4) {
        MotorReport report;
        report.dwTick = write.dwTick;
        report.dwPollTick = write.dwPollTick;
        std::memcpy(report.bytes, write.bytes + k, 4);
        m_reports.push_back(report);
        line += Format("%s %02x %02x %02x %02x", k ? "," : "", report.bytes[0], report.bytes[1], report.bytes[2],
                       report.bytes[3]);
      }
      if (write.cb % 4 != 0 || write.cb > sizeof write.bytes || write.cb == 0)
        m_problems.push_back(Format("the device got %lu bytes in one write (reports are 4 bytes, at most twice)",
                                    static_cast<unsigned long>(write.cb)));
      Log(line);
    }
  }
}

// ------------------------------------------------------------ the hooks

LRESULT CALLBACK PageSheet::CallWndProc(int nCode, WPARAM wParam, LPARAM lParam) {
  if (nCode == HC_ACTION && g_pHost != nullptr) {
    const CWPSTRUCT* p = reinterpret_cast<const CWPSTRUCT*>(lParam);
    g_pHost->SeeMessage(p->hwnd, p->message, p->wParam, p->lParam, false);
  }
  return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

LRESULT CALLBACK PageSheet::GetMsgProc(int nCode, WPARAM wParam, LPARAM lParam) {
  if (nCode == HC_ACTION && wParam == PM_REMOVE && g_pHost != nullptr) {
    const MSG* p = reinterpret_cast<const MSG*>(lParam);
    g_pHost->SeeMessage(p->hwnd, p->message, p->wParam, p->lParam, true);
  }
  return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

void PageSheet::SeeMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, bool bPosted) {
  if (hWnd == nullptr) return;
  if (uMsg == WM_INITDIALOG && lParam != 0 && !bPosted) {
    // A page is made: its PROPSHEETPAGE names the page's procedure.
    const PROPSHEETPAGEA* pPage = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    for (size_t i = 0; i < m_pages.size(); ++i) {
      if (m_pages[i].hWnd == nullptr && m_pages[i].pfnProc == pPage->pfnDlgProc &&
          GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD) {
        m_pages[i].hWnd = hWnd;
        m_notes.push_back(Format("%u:init", static_cast<unsigned>(i)));
        Log(Format("page %u: WM_INITDIALOG", static_cast<unsigned>(i)));
        break;
      }
    }
  }
  const int nPage = PageOf(hWnd);
  if (nPage >= 0 && uMsg == WM_NOTIFY && lParam != 0) {
    const NMHDR* pHeader = reinterpret_cast<const NMHDR*>(lParam);
    const UINT nCode = pHeader->code;
    if (const char* pszName = NotificationName(nCode)) {
      std::string note = Format("%d:%s", nPage, pszName);
      if (nCode == PSN_APPLY || nCode == PSN_RESET)
        note += Format("=%ld", static_cast<long>(reinterpret_cast<const PSHNOTIFY*>(lParam)->lParam));
      m_notes.push_back(note);
      Log(Format("page %d: %s", nPage, note.c_str() + note.find(':') + 1));
    }
  }
  if (!m_bTrace) return;
  const bool bSheet = m_hSheet ? hWnd == m_hSheet : GetWindow(hWnd, GW_OWNER) == m_hOwner && m_hOwner != nullptr;
  // A page that is being made, before its WM_INITDIALOG.
  HWND hParent = GetParent(hWnd);
  const bool bNewPage = nPage < 0 && !bSheet && hParent != nullptr && ClassOf(hWnd) == "#32770" &&
                        (hParent == m_hSheet || (m_hSheet == nullptr && GetWindow(hParent, GW_OWNER) == m_hOwner));
  if (nPage < 0 && !bSheet && !bNewPage) return;
  if (uMsg == PSM_GETCURRENTPAGEHWND || uMsg == PSM_ISDIALOGMESSAGE) return;  // the host's own queries
  std::string name;
  if (const char* pszName = MessageName(uMsg)) name = pszName;
  else name = Format("message 0x%04X", uMsg);
  if (uMsg == WM_NOTIFY && lParam != 0) {
    const NMHDR* pHeader = reinterpret_cast<const NMHDR*>(lParam);
    name += " " + (nPage >= 0 ? NotificationText(pHeader->code)
                              : Format("code %d from %s", static_cast<int>(pHeader->code), ClassOf(pHeader->hwndFrom).c_str()));
  }
  std::string what = nPage >= 0 ? Format("page %d", nPage) : bNewPage ? std::string("new page") : std::string("sheet");
  std::string args = Format("wParam 0x%lX lParam 0x%lX", static_cast<unsigned long>(wParam),
                            static_cast<unsigned long>(lParam));
  if ((uMsg == WM_WINDOWPOSCHANGING || uMsg == WM_WINDOWPOSCHANGED) && lParam != 0) {
    const WINDOWPOS* pPos = reinterpret_cast<const WINDOWPOS*>(lParam);
    args = Format("%d, %d, %d x %d, flags 0x%X", pPos->x, pPos->y, pPos->cx, pPos->cy, pPos->flags);
  } else if (uMsg == WM_SETFONT && wParam != 0) {
    LOGFONTA font;
    std::memset(&font, 0, sizeof font);
    GetObjectA(reinterpret_cast<HFONT>(wParam), sizeof font, &font);
    args = Format("\"%s\" height %ld weight %ld, redraw %ld", font.lfFaceName, font.lfHeight, font.lfWeight,
                  static_cast<long>(lParam));
  } else if (uMsg == WM_SIZE) {
    args = Format("%d x %d", LOWORD(lParam), HIWORD(lParam));
  } else if (uMsg == WM_SHOWWINDOW) {
    args = Format("%s, status %ld", wParam ? "show" : "hide", static_cast<long>(lParam));
  }
  Log(Format("trace: %s %s %s%s", what.c_str(), name.c_str(), args.c_str(), bPosted ? " (posted)" : ""));
}

LRESULT CALLBACK PageSheet::OwnerProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == kMarkMessage && g_pHost != nullptr) {
    ++g_pHost->m_uMarksSeen;
    return 0;
  }
  return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

// ------------------------------------------------------ answering dialogs

void CALLBACK PageSheet::AnswerDialogs(HWND, UINT, UINT_PTR, DWORD) {
  if (g_pHost == nullptr || g_pHost->m_bAnswering) return;
  g_pHost->m_bAnswering = true;
  EnumThreadWindows(GetCurrentThreadId(), AnswerOne, 0);
  g_pHost->m_bAnswering = false;
}

BOOL CALLBACK PageSheet::AnswerOne(HWND hWnd, LPARAM) {
  PageSheet* p = g_pHost;
  if (hWnd == p->m_hSheet || hWnd == p->m_hOwner || !IsWindowVisible(hWnd) || !IsWindowEnabled(hWnd) ||
      ClassOf(hWnd) != "#32770")
    return TRUE;
  p->Answer(hWnd);
  return TRUE;
}

// A dialog on top of the sheet, answered once: a file dialog with the
// path or Cancel of a "file" line, the key-capture dialog (a dialog without
// controls) with the keys of a "keycapture" line, a message box with OK.
// The answer is posted; the dialog's own loop carries it out.
bool PageSheet::Answer(HWND hDialog) {
  if (GetPropA(hDialog, "QjAnswered") != nullptr) return false;
  SetPropA(hDialog, "QjAnswered", reinterpret_cast<HANDLE>(1));
  const std::string title = TextOf(hDialog);
  HWND hFileName = GetDlgItem(hDialog, kFileNameEdit);
  if (hFileName == nullptr) hFileName = GetDlgItem(hDialog, kFileNameCombo);
  if (hFileName != nullptr) {
    if (!m_answers.bFile) {
      m_problems.push_back("a file dialog (\"" + title + "\") that no file line answers; cancelled");
      PostMessageA(hDialog, WM_COMMAND, IDCANCEL, 0);
      return true;
    }
    m_answers.bFile = false;
    if (m_answers.bFileCancel) {
      Log("file dialog \"" + title + "\": Cancel");
      PostMessageA(hDialog, WM_COMMAND, IDCANCEL, 0);
      return true;
    }
    SetWindowTextA(hFileName, m_answers.file.c_str());
    Log("file dialog \"" + title + "\": " + m_answers.file);
    PostMessageA(hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDialog, IDOK)));
    return true;
  }
  if (GetWindow(hDialog, GW_CHILD) == nullptr) {
    if (!m_answers.bKeys) {
      m_problems.push_back("a dialog without controls (\"" + title + "\") that no keycapture line answers; cancelled");
      PostMessageA(hDialog, WM_COMMAND, IDCANCEL, 0);
      return true;
    }
    m_answers.bKeys = false;
    bool bAlt = false;
    for (const KeyStroke& key : m_answers.keys) {
      if (key.vk == VK_MENU) bAlt = key.bDown;
      const bool bSys = bAlt || key.vk == VK_MENU;
      const UINT uMsg = bSys ? (key.bDown ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (key.bDown ? WM_KEYDOWN : WM_KEYUP);
      PostMessageA(hDialog, uMsg, key.vk, KeyData(key.vk, key.bDown, bAlt));
      bool bHeld = false;
      for (UINT vk : m_heldKeys) bHeld = bHeld || vk == key.vk;
      if (key.bDown && !bHeld) m_heldKeys.push_back(key.vk);
      if (!key.bDown)
        for (size_t i = 0; i < m_heldKeys.size(); ++i)
          if (m_heldKeys[i] == key.vk) m_heldKeys.erase(m_heldKeys.begin() + static_cast<long>(i--));
    }
    Log(Format("key-capture dialog \"%s\": %u keys, then %s", title.c_str(), static_cast<unsigned>(m_answers.keys.size()),
               m_answers.bKeysOk ? "OK" : "Cancel"));
    PostMessageA(hDialog, WM_COMMAND, m_answers.bKeysOk ? IDOK : IDCANCEL, 0);
    return true;
  }
  std::string text;
  for (HWND hChild = GetWindow(hDialog, GW_CHILD); hChild != nullptr; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
    if (ClassOf(hChild) == "Static" && !TextOf(hChild).empty()) text += (text.empty() ? "" : " ") + TextOf(hChild);
  }
  m_messages.push_back(title + ": " + text);
  Log("message box \"" + title + "\": " + text + " -> OK");
  PostMessageA(hDialog, WM_COMMAND, IDOK, 0);
  return true;
}

}  // namespace pagehost

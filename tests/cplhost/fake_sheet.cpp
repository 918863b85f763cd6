// A test-only property-sheet server: two blank pages whose dialog
// procedures write down every part of the property-sheet protocol they see,
// so that the stand-in's side of the protocol is tested apart from the real
// pages. Page 0 (template 300) and page 1 (template 301) each run timer 30
// every 10 ms while active, paint their client area in their own colour with
// a 5 x 5 blue mark at the last button-down point, and on page 0 a click in
// the top row (y < 10) opens a file dialog and one in the next row
// (10 <= y < 20) the modal dialog 302, which writes down its keys (F9 there
// posts WM_CLOSE to the sheet). On both
// pages a click in the row 20 <= y < 30 reports a change to the sheet
// (PSM_CHANGED) and one in the row 30 <= y < 40 takes it back
// (PSM_UNCHANGED).
//
// Extra exports for the tests: FakeSheetEvents (the record, one event a
// line), FakeSheetClear, FakeSheetWatchWindow (non-zero: the pages also
// write down WM_SETFONT, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING/CHANGED and
// WM_ERASEBKGND), FakeSheetRefuse (bit 0: page 0 refuses
// PSN_KILLACTIVE; bit 1: PSN_QUERYCANCEL is refused; bit 2: page 1 refuses
// PSN_APPLY with PSNRET_INVALID).
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/dicpl.h"
#include "platform/win32.h"

namespace {

// {6E0A51C3-2B7D-4F18-9C40-1D5E7A3B9F62}
const GUID kClsidFakeSheet = {0x6E0A51C3, 0x2B7D, 0x4F18, {0x9C, 0x40, 0x1D, 0x5E, 0x7A, 0x3B, 0x9F, 0x62}};

HINSTANCE g_hInstance = nullptr;
std::atomic<long> g_cObjects{0};
std::string g_events;
int g_nRefuse = 0;
bool g_bWatchWindow = false;
HWND g_hSheet = nullptr;  // the parent of the pages
POINT g_ptMark[2] = {{-10, -10}, {-10, -10}};
LPARAM g_lPageParam[2] = {0, 0};

void Event(const std::string& text) { g_events += text + "\n"; }

void Event(int nPage, const std::string& text) { Event("page " + std::to_string(nPage) + " " + text); }

const char* CodeName(UINT code) {
  switch (code) {
    case PSN_SETACTIVE: return "setactive";
    case PSN_KILLACTIVE: return "killactive";
    case PSN_APPLY: return "apply";
    case PSN_RESET: return "reset";
    case PSN_QUERYCANCEL: return "querycancel";
    default: return "other";
  }
}

INT_PTR CALLBACK CaptureProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM) {
  switch (uMsg) {
    case WM_INITDIALOG:
      Event("capture open");
      return TRUE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      const bool bDown = uMsg == WM_KEYDOWN || uMsg == WM_SYSKEYDOWN;
      char sz[64];
      std::snprintf(sz, sizeof sz, "capture key %02X %s", unsigned(wParam), bDown ? "down" : "up");
      Event(sz);
      // F9 asks the sheet to close while the dialog runs, as a page that
      // lost its device does from its timer.
      if (bDown && wParam == VK_F9) PostMessageA(g_hSheet, WM_CLOSE, 0, 0);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        Event("capture end " + std::to_string(LOWORD(wParam)));
        EndDialog(hDlg, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void OpenFileDialog(HWND hPage) {
  char szFile[MAX_PATH] = "";
  OPENFILENAMEA ofn;
  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hPage;
  ofn.lpstrFile = szFile;
  ofn.nMaxFile = sizeof szFile;
  if (GetOpenFileNameA(&ofn))
    Event(std::string("file ") + szFile);
  else
    Event("file none " + std::to_string(CommDlgExtendedError()));
}

INT_PTR PageProc(int nPage, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_INITDIALOG: {
      g_hSheet = GetParent(hWnd);
      const auto* pPsp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
      const bool bRecord = pPsp && pPsp->lParam == g_lPageParam[nPage];
      const bool bSize = pPsp && pPsp->dwSize >= PROPSHEETPAGEA_V1_SIZE;
      const LONG lStyle = GetWindowLongA(hWnd, GWL_STYLE);
      Event(nPage, std::string("init") + (bRecord ? " lparam" : " wrong-lparam") + (bSize ? " size" : " short") +
                       ((lStyle & WS_CHILD) && !(lStyle & WS_CAPTION) ? " child" : " popup") +
                       (GetParent(hWnd) ? " parent" : " no-parent"));
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* pHdr = reinterpret_cast<const NMHDR*>(lParam);
      const LPARAM lNotify = reinterpret_cast<const LPARAM*>(pHdr + 1)[0];
      std::string text = CodeName(pHdr->code);
      if (pHdr->code == PSN_APPLY || pHdr->code == PSN_RESET) text += " " + std::to_string(lNotify);
      if (pHdr->hwndFrom != GetParent(hWnd)) text += " not-from-sheet";
      Event(nPage, text);
      LRESULT lResult = 0;
      switch (pHdr->code) {
        case PSN_SETACTIVE:
          SetTimer(hWnd, 30, 10, nullptr);
          break;
        case PSN_KILLACTIVE:
          lResult = nPage == 0 && (g_nRefuse & 1) ? TRUE : FALSE;
          if (!lResult) KillTimer(hWnd, 30);
          break;
        case PSN_QUERYCANCEL:
          lResult = (g_nRefuse & 2) ? TRUE : FALSE;
          break;
        case PSN_APPLY:
          lResult = nPage == 1 && (g_nRefuse & 4) ? PSNRET_INVALID : PSNRET_NOERROR;
          break;
        case PSN_RESET:
          KillTimer(hWnd, 30);
          break;
        default:
          break;
      }
      SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, lResult);
      return TRUE;
    }
    case WM_TIMER:
      Event(nPage, "timer " + std::to_string(GetTickCount()));
      return FALSE;
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP: {
      const int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
      const char* pszWhat = uMsg == WM_LBUTTONDOWN ? "down" : uMsg == WM_MOUSEMOVE ? "move" : "up";
      Event(nPage, std::string(pszWhat) + " " + std::to_string(x) + " " + std::to_string(y) +
                       ((wParam & MK_LBUTTON) ? " held" : ""));
      if (uMsg == WM_LBUTTONDOWN) {
        g_ptMark[nPage] = POINT{x, y};
        InvalidateRect(hWnd, nullptr, FALSE);
        if (nPage == 0 && y < 10) OpenFileDialog(hWnd);
        if (nPage == 0 && y >= 10 && y < 20)
          Event("capture result " +
                std::to_string(DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(302), hWnd, CaptureProc, 0)));
        if (y >= 20 && y < 30) SendMessageA(GetParent(hWnd), WM_USER + 104, reinterpret_cast<WPARAM>(hWnd), 0);
        if (y >= 30 && y < 40) SendMessageA(GetParent(hWnd), WM_USER + 109, reinterpret_cast<WPARAM>(hWnd), 0);
      }
      return FALSE;
    }
    case WM_KEYDOWN:
    case WM_KEYUP: {
      char sz[64];
      std::snprintf(sz, sizeof sz, "key %02X %s", unsigned(wParam), uMsg == WM_KEYDOWN ? "down" : "up");
      Event(nPage, sz);
      return FALSE;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hWnd, &ps);
      RECT rc;
      GetClientRect(hWnd, &rc);
      HBRUSH hPage = CreateSolidBrush(nPage == 0 ? RGB(255, 0, 0) : RGB(0, 255, 0));
      FillRect(hdc, &rc, hPage);
      DeleteObject(hPage);
      const RECT rcMark = {g_ptMark[nPage].x, g_ptMark[nPage].y, g_ptMark[nPage].x + 5, g_ptMark[nPage].y + 5};
      HBRUSH hMark = CreateSolidBrush(RGB(0, 0, 255));
      FillRect(hdc, &rcMark, hMark);
      DeleteObject(hMark);
      EndPaint(hWnd, &ps);
      return FALSE;
    }
    case WM_DESTROY:
      Event(nPage, "destroy");
      return FALSE;
    case WM_SETFONT:
    case WM_SHOWWINDOW:
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED:
    case WM_ERASEBKGND:
      if (g_bWatchWindow) {
        const char* pszWhat = uMsg == WM_SETFONT             ? "setfont"
                              : uMsg == WM_SHOWWINDOW        ? (wParam ? "showwindow 1" : "showwindow 0")
                              : uMsg == WM_WINDOWPOSCHANGING ? "poschanging"
                              : uMsg == WM_WINDOWPOSCHANGED  ? "poschanged"
                                                             : "erasebkgnd";
        Event(nPage, pszWhat);
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK Page0Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return PageProc(0, hWnd, uMsg, wParam, lParam);
}
INT_PTR CALLBACK Page1Proc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return PageProc(1, hWnd, uMsg, wParam, lParam);
}

WCHAR* Wide(const char* psz, WCHAR* pwsz) {
  size_t i = 0;
  for (; psz[i]; ++i) pwsz[i] = WCHAR(psz[i]);
  pwsz[i] = 0;
  return pwsz;
}

class FakeSheet final : public IDIGameCntrlPropSheet {
 public:
  FakeSheet() {
    ++g_cObjects;
    static const WORD kTemplates[2] = {300, 301};
    static const DLGPROC kProcs[2] = {Page0Proc, Page1Proc};
    static const char* const kTitles[2] = {"First", "Second"};
    for (int i = 0; i < 2; ++i) {
      DIGCPAGEINFO& page = m_pages[i];
      std::memset(&page, 0, sizeof page);
      page.dwSize = sizeof page;
      page.lpwszPageTitle = Wide(kTitles[i], m_wszTitles[i]);
      page.fpPageProc = kProcs[i];
      page.lpwszTemplate = MAKEINTRESOURCEW(kTemplates[i]);
      page.lParam = reinterpret_cast<LPARAM>(this) + i;
      page.hInstance = g_hInstance;
      g_lPageParam[i] = page.lParam;
    }
    std::memset(&m_sheet, 0, sizeof m_sheet);
    m_sheet.dwSize = sizeof m_sheet;
    m_sheet.nNumPages = 2;
    m_sheet.lpwszSheetCaption = Wide("Fake sheet", m_wszCaption);
  }
  ~FakeSheet() { --g_cObjects; }

  STDMETHOD(QueryInterface)(REFIID riid, LPVOID* ppv) override {
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDIGameCntrlPropSheet)) return E_NOINTERFACE;
    *ppv = static_cast<IDIGameCntrlPropSheet*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ULONG(++m_cRef); }
  STDMETHOD_(ULONG, Release)() override {
    const long n = --m_cRef;
    if (n == 0) {
      Event("sheet released");
      delete this;
    }
    return ULONG(n);
  }
  STDMETHOD(GetSheetInfo)(LPDIGCSHEETINFO* ppSheetInfo) override {
    *ppSheetInfo = &m_sheet;
    return S_OK;
  }
  STDMETHOD(GetPageInfo)(LPDIGCPAGEINFO* ppPageInfo) override {
    *ppPageInfo = m_pages;
    return S_OK;
  }
  STDMETHOD(SetID)(USHORT nID) override {
    Event("setid " + std::to_string(nID));
    m_wId = nID;
    return S_OK;
  }
  STDMETHOD_(USHORT, GetID)() override { return m_wId; }

 private:
  std::atomic<long> m_cRef{1};
  USHORT m_wId = 0xFFFF;
  DIGCSHEETINFO m_sheet;
  DIGCPAGEINFO m_pages[2];
  WCHAR m_wszTitles[2][16];
  WCHAR m_wszCaption[16];
};

class FakeFactory final : public IClassFactory {
 public:
  FakeFactory() { ++g_cObjects; }
  ~FakeFactory() { --g_cObjects; }
  STDMETHOD(QueryInterface)(REFIID riid, LPVOID* ppv) override {
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ULONG(++m_cRef); }
  STDMETHOD_(ULONG, Release)() override {
    const long n = --m_cRef;
    if (n == 0) delete this;
    return ULONG(n);
  }
  STDMETHOD(CreateInstance)(LPUNKNOWN pUnkOuter, REFIID riid, LPVOID* ppv) override {
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    FakeSheet* pSheet = new (std::nothrow) FakeSheet;
    if (!pSheet) return E_OUTOFMEMORY;
    const HRESULT hr = pSheet->QueryInterface(riid, ppv);
    pSheet->Release();
    return hr;
  }
  STDMETHOD(LockServer)(BOOL fLock) override {
    g_cObjects += fLock ? 1 : -1;
    return S_OK;
  }

 private:
  std::atomic<long> m_cRef{1};
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID) {
  if (fdwReason == DLL_PROCESS_ATTACH) g_hInstance = hinstDLL;
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  *ppv = nullptr;
  if (!IsEqualCLSID(rclsid, kClsidFakeSheet)) return CLASS_E_CLASSNOTAVAILABLE;
  FakeFactory* pFactory = new (std::nothrow) FakeFactory;
  if (!pFactory) return E_OUTOFMEMORY;
  const HRESULT hr = pFactory->QueryInterface(riid, ppv);
  pFactory->Release();
  return hr;
}

STDAPI DllCanUnloadNow(void) { return g_cObjects ? S_FALSE : S_OK; }

extern "C" __attribute__((visibility("default"))) const char* FakeSheetEvents() { return g_events.c_str(); }

extern "C" __attribute__((visibility("default"))) void FakeSheetClear() {
  g_events.clear();
  g_ptMark[0] = g_ptMark[1] = POINT{-10, -10};
}

extern "C" __attribute__((visibility("default"))) void FakeSheetRefuse(int nRefuse) { g_nRefuse = nRefuse; }

extern "C" __attribute__((visibility("default"))) void FakeSheetWatchWindow(int nOn) { g_bWatchWindow = nOn != 0; }

#include "sheet_host.h"

#include "platform/sim/sim.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace cplhost {
namespace {

typedef HRESULT(STDAPICALLTYPE* CanUnloadNowProc)(void);

// The notification record a property sheet sends its pages (PSHNOTIFY).
struct SheetNotify {
  NMHDR hdr;
  LPARAM lParam;
};

// Property-sheet messages a page sends its sheet (published values).
#ifndef PSM_CHANGED
#define PSM_CHANGED (WM_USER + 104)
#endif
#ifndef PSM_UNCHANGED
#define PSM_UNCHANGED (WM_USER + 109)
#endif

const char kOemKey[] = "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\";
const char kSheetClass[] = "CplHostPropertySheet";

// Page placement inside the sheet's client area, in pixels: the tab row
// above, the margins around and the row of OK, Cancel and Apply below.
constexpr int kPageLeft = 10;
constexpr int kPageTop = 32;
constexpr int kPageRight = 10;
constexpr int kPageBottom = 46;

std::ostream g_nullLog(nullptr);

std::string Narrow(LPCWSTR pwsz) {
  if (!pwsz) return std::string();
  const int cb = WideCharToMultiByte(CP_ACP, 0, pwsz, -1, nullptr, 0, nullptr, nullptr);
  if (cb <= 1) return std::string();
  std::string s(size_t(cb), '\0');
  WideCharToMultiByte(CP_ACP, 0, pwsz, -1, &s[0], cb, nullptr, nullptr);
  s.resize(size_t(cb - 1));
  return s;
}

// A Linux path as a Windows host names it ("Z:\..."); others stay.
std::string WindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string windows = "Z:" + path;
  for (char& c : windows)
    if (c == '/') c = '\\';
  return windows;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in either case.
bool ParseGuid(const std::string& text, GUID* pGuid) {
  if (text.size() != 38 || text[0] != '{' || text[37] != '}') return false;
  static const int kGroups[5] = {8, 4, 4, 4, 12};
  unsigned char bytes[16];
  size_t pos = 1;
  int nByte = 0;
  for (int g = 0; g < 5; ++g) {
    if (g && text[pos++] != '-') return false;
    for (int i = 0; i < kGroups[g]; i += 2) {
      unsigned value = 0;
      for (int k = 0; k < 2; ++k) {
        const char c = text[pos++];
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        value = value * 16 + unsigned(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10));
      }
      bytes[nByte++] = static_cast<unsigned char>(value);
    }
  }
  pGuid->Data1 = DWORD(bytes[0]) << 24 | DWORD(bytes[1]) << 16 | DWORD(bytes[2]) << 8 | bytes[3];
  pGuid->Data2 = WORD(bytes[4] << 8 | bytes[5]);
  pGuid->Data3 = WORD(bytes[6] << 8 | bytes[7]);
  std::memcpy(pGuid->Data4, bytes + 8, 8);
  return true;
}

bool ReadString(HKEY hRoot, const std::string& key, const char* pszValue, std::string* pText) {
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(hRoot, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
  char szText[1024] = "";
  DWORD dwType = 0, cb = sizeof szText - 1;
  const LONG lResult = RegQueryValueExA(hKey, pszValue, nullptr, &dwType, reinterpret_cast<BYTE*>(szText), &cb);
  RegCloseKey(hKey);
  if (lResult != ERROR_SUCCESS || (dwType != REG_SZ && dwType != REG_EXPAND_SZ)) return false;
  szText[std::min<DWORD>(cb, sizeof szText - 1)] = '\0';
  *pText = szText;
  return true;
}

// The joystick's type name (the name of its OEM key) as DirectInput's
// joystick configuration reports it.
bool JoystickTypeName(UINT uJoyId, std::string* pName, std::string* pError) {
  IDirectInputA* pDI = nullptr;
  HRESULT hr = DirectInputCreateA(GetModuleHandleA(nullptr), 0x0700, &pDI, nullptr);
  if (FAILED(hr) || !pDI) {
    *pError = "DirectInputCreateA failed";
    return false;
  }
  IDirectInputJoyConfig* pConfig = nullptr;
  hr = pDI->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&pConfig));
  if (SUCCEEDED(hr) && pConfig) {
    DIJOYCONFIG config;
    std::memset(&config, 0, sizeof config);
    config.dwSize = sizeof config;
    hr = pConfig->GetConfig(uJoyId, &config, DIJC_REGHWCONFIGTYPE);
    if (SUCCEEDED(hr)) *pName = Narrow(config.wszType);
    pConfig->Release();
  }
  pDI->Release();
  if (FAILED(hr) || pName->empty()) {
    *pError = "no joystick type for joystick " + std::to_string(uJoyId);
    return false;
  }
  return true;
}

// Reads a dialog template's header: its client size in dialog units and its
// font; false for a template too short to hold them.
struct TemplateInfo {
  bool bEx = false;
  size_t styleOffset = 0;
  DWORD dwStyle = 0;
  int cx = 0, cy = 0;
  int nPointSize = 0;
  std::string face;
};

bool ReadTemplate(const std::vector<BYTE>& data, TemplateInfo* pInfo) {
  size_t pos = 0;
  auto word = [&](WORD* pw) {
    if (pos + 2 > data.size()) return false;
    *pw = WORD(data[pos] | data[pos + 1] << 8);
    pos += 2;
    return true;
  };
  auto dword = [&](DWORD* pdw) {
    WORD lo = 0, hi = 0;
    if (!word(&lo) || !word(&hi)) return false;
    *pdw = DWORD(lo) | DWORD(hi) << 16;
    return true;
  };
  auto skipNameOrOrdinal = [&]() {
    WORD w = 0;
    if (!word(&w)) return false;
    if (w == 0xFFFF) return word(&w);
    while (w)
      if (!word(&w)) return false;
    return true;
  };
  auto readString = [&](std::string* pText) {
    WORD w = 0;
    pText->clear();
    for (;;) {
      if (!word(&w)) return false;
      if (!w) return true;
      pText->push_back(w < 0x80 ? char(w) : '?');
    }
  };
  if (data.size() < 18) return false;
  pInfo->bEx = data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
  DWORD dwExStyle = 0, dwHelp = 0;
  WORD cdit = 0, x = 0, y = 0, cx = 0, cy = 0;
  if (pInfo->bEx) {
    pos = 4;
    if (!dword(&dwHelp) || !dword(&dwExStyle)) return false;
    pInfo->styleOffset = pos;
    if (!dword(&pInfo->dwStyle)) return false;
  } else {
    pInfo->styleOffset = 0;
    if (!dword(&pInfo->dwStyle) || !dword(&dwExStyle)) return false;
  }
  if (!word(&cdit) || !word(&x) || !word(&y) || !word(&cx) || !word(&cy)) return false;
  pInfo->cx = short(cx);
  pInfo->cy = short(cy);
  std::string caption;
  if (!skipNameOrOrdinal() || !skipNameOrOrdinal() || !readString(&caption)) return false;
  if (pInfo->dwStyle & DS_SETFONT) {
    WORD pt = 0, skip = 0;
    if (!word(&pt)) return false;
    if (pInfo->bEx && (!word(&skip) || !word(&skip))) return false;
    pInfo->nPointSize = pt;
    if (!readString(&pInfo->face)) return false;
  }
  return true;
}

std::string HexResult(HRESULT hr) {
  char szHr[16];
  std::snprintf(szHr, sizeof szHr, "0x%08X", unsigned(hr));
  return szHr;
}

int MulDivRound(int a, int b, int c) { return (a * b + c / 2) / c; }

// Dialog units to pixels by the font's average character size (the System
// font, 8 x 16, when the template names none; 6 x 13 for 8 points).
void PixelsOf(const TemplateInfo& info, int* pcx, int* pcy) {
  int nBaseX = 8, nBaseY = 16;
  std::string face = info.face;
  for (char& c : face) c = char(std::tolower(static_cast<unsigned char>(c)));
  if ((info.dwStyle & DS_SETFONT) && !face.empty() && face != "system") {
    const int pt = info.nPointSize ? info.nPointSize : 8;
    nBaseX = MulDivRound(6, pt, 8);
    nBaseY = MulDivRound(13, pt, 8);
  }
  *pcx = MulDivRound(info.cx, nBaseX, 4);
  *pcy = MulDivRound(info.cy, nBaseY, 8);
}

const char* NotificationName(UINT code) {
  switch (code) {
    case PSN_SETACTIVE: return "PSN_SETACTIVE";
    case PSN_KILLACTIVE: return "PSN_KILLACTIVE";
    case PSN_APPLY: return "PSN_APPLY";
    case PSN_RESET: return "PSN_RESET";
    case PSN_QUERYCANCEL: return "PSN_QUERYCANCEL";
    default: return "PSN_?";
  }
}

}  // namespace

SheetHost::~SheetHost() { Shutdown(); }

std::ostream& SheetHost::Log() {
  std::ostream& log = m_options.pLog ? *m_options.pLog : g_nullLog;
  char szStamp[32];
  std::snprintf(szStamp, sizeof szStamp, "[%6u ms] ", unsigned(GetTickCount() - m_dwStartTick));
  log << szStamp;
  return log;
}

HWND SheetHost::PageWindow(int nPage) const {
  return nPage >= 0 && nPage < int(m_pages.size()) ? m_pages[size_t(nPage)].hWnd : nullptr;
}

bool SheetHost::Open(const HostOptions& options, std::string* pError) {
  if (m_hModule || m_hSheet) {
    *pError = "the sheet is open already";
    return false;
  }
  m_options = options;
  m_dwStartTick = GetTickCount();
  sim::SetJoystick(m_options.uJoyId, kVendorId, kProductId);
  m_devicePath = sim::JoystickPath(m_options.uJoyId);
  sim::AddHidDevice(m_devicePath);
  m_state = sim::RestingJoystickState();
  SetJoystick();

  std::string clsid, module;
  return FindServer(&clsid, &module, pError) && LoadServer(clsid, module, pError) && CreateSheet(pError);
}

// Properties: a new class factory of the server, a new sheet object for the
// joystick, its pages, the sheet window on page 0.
bool SheetHost::CreateSheet(std::string* pError) {
  IClassFactory* pFactory = nullptr;
  HRESULT hr = m_pfnGetClassObject(m_clsid, IID_IClassFactory, reinterpret_cast<void**>(&pFactory));
  if (FAILED(hr) || !pFactory) {
    *pError = "DllGetClassObject failed with " + HexResult(hr);
    return false;
  }
  hr = pFactory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, reinterpret_cast<void**>(&m_pSheet));
  pFactory->Release();
  if (FAILED(hr) || !m_pSheet) {
    *pError = "CreateInstance failed with " + HexResult(hr);
    m_pSheet = nullptr;
    return false;
  }
  m_pSheet->SetID(USHORT(m_options.uJoyId));
  if (!ReadPages(pError) || !CreateSheetWindow(pError)) return false;
  m_changedPages.clear();
  m_ptMouse = kPointerAway;
  if (!SelectPage(0)) {
    *pError = "page 0 could not be made from its template";
    return false;
  }
  ShowWindow(m_hSheet, SW_SHOW);
  Pump();
  LogReports();
  return true;
}

bool SheetHost::Reopen(std::string* pError) {
  if (!m_pfnGetClassObject) {
    *pError = "no server is loaded";
    return false;
  }
  if (m_hSheet) CloseBox();
  if (m_hSheet) DestroySheet();  // a page refused; the user closes the sheet anyway
  ReleaseSheet();
  Log() << "Properties pressed again\n";
  return CreateSheet(pError);
}

void SheetHost::ReleaseSheet() {
  if (!m_pSheet) return;
  const ULONG nLeft = m_pSheet->Release();
  m_pSheet = nullptr;
  m_pages.clear();
  Log() << "sheet object released (" << nLeft << " references left)\n";
}

bool SheetHost::FindServer(std::string* pClsid, std::string* pModule, std::string* pError) {
  std::string typeName;
  if (!JoystickTypeName(m_options.uJoyId, &typeName, pError)) return false;
  const std::string oemKey = std::string(kOemKey) + typeName;
  if (!ReadString(HKEY_LOCAL_MACHINE, oemKey, "ConfigCLSID", pClsid)) {
    *pError = "no ConfigCLSID under HKEY_LOCAL_MACHINE\\" + oemKey + " (has the setup tool run?)";
    return false;
  }
  if (!m_options.modulePath.empty()) {
    *pModule = WindowsPath(m_options.modulePath);
    return true;
  }
  const std::string serverKey = "CLSID\\" + *pClsid + "\\InProcServer32";
  if (!ReadString(HKEY_CLASSES_ROOT, serverKey, nullptr, pModule) || pModule->empty()) {
    *pError = "no HKEY_CLASSES_ROOT\\" + serverKey + "; name the module with --module";
    return false;
  }
  return true;
}

bool SheetHost::LoadServer(const std::string& clsid, const std::string& module, std::string* pError) {
  GUID guid;
  if (!ParseGuid(clsid, &guid)) {
    *pError = "ConfigCLSID \"" + clsid + "\" is not a class ID";
    return false;
  }
  m_hModule = LoadLibraryA(module.c_str());
  if (!m_hModule) {
    *pError = "cannot load " + module;
    return false;
  }
  auto pfnGetClassObject =
      reinterpret_cast<GetClassObjectProc>(reinterpret_cast<void*>(GetProcAddress(m_hModule, "DllGetClassObject")));
  if (!pfnGetClassObject) {
    *pError = module + " does not export DllGetClassObject";
    return false;
  }
  m_pfnGetClassObject = pfnGetClassObject;
  m_clsid = guid;
  Log() << "server " << clsid << " in " << module << "\n";
  return true;
}

bool SheetHost::ReadPages(std::string* pError) {
  LPDIGCSHEETINFO pSheetInfo = nullptr;
  LPDIGCPAGEINFO pPageInfo = nullptr;
  if (FAILED(m_pSheet->GetSheetInfo(&pSheetInfo)) || !pSheetInfo || FAILED(m_pSheet->GetPageInfo(&pPageInfo)) ||
      !pPageInfo) {
    *pError = "the sheet gives no sheet or page records";
    return false;
  }
  if (pSheetInfo->nNumPages == 0) {
    *pError = "the sheet has no pages";
    return false;
  }
  Log() << "sheet \"" << Narrow(pSheetInfo->lpwszSheetCaption) << "\", joystick " << m_pSheet->GetID() << ", "
        << pSheetInfo->nNumPages << " pages\n";
  m_pages.assign(pSheetInfo->nNumPages, Page());
  for (size_t i = 0; i < m_pages.size(); ++i) {
    const DIGCPAGEINFO& info = pPageInfo[i];
    Page& page = m_pages[i];
    page.title = Narrow(info.lpwszPageTitle);
    page.hInstance = info.hInstance;
    page.lParam = info.lParam;
    page.pfnProc = info.fpPageProc;
    if (info.fProcFromHInst)
      page.pfnProc = reinterpret_cast<DLGPROC>(
          reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(info.hInstance), Narrow(info.lpwszProcName).c_str())));
    const std::string templateName = IS_INTRESOURCE(info.lpwszTemplate) ? std::string() : Narrow(info.lpwszTemplate);
    LPCSTR pszTemplate = IS_INTRESOURCE(info.lpwszTemplate)
                             ? MAKEINTRESOURCEA(LOWORD(reinterpret_cast<ULONG_PTR>(info.lpwszTemplate)))
                             : templateName.c_str();
    const std::string shownName =
        IS_INTRESOURCE(info.lpwszTemplate)
            ? std::to_string(LOWORD(reinterpret_cast<ULONG_PTR>(info.lpwszTemplate)))
            : "\"" + templateName + "\"";
    HMODULE hResModule = reinterpret_cast<HMODULE>(info.hInstance);
    HRSRC hRes = FindResourceA(hResModule, pszTemplate, RT_DIALOG);
    HGLOBAL hData = hRes ? LoadResource(hResModule, hRes) : nullptr;
    const BYTE* pData = hData ? static_cast<const BYTE*>(LockResource(hData)) : nullptr;
    const DWORD cbData = hRes ? SizeofResource(hResModule, hRes) : 0;
    TemplateInfo tmpl;
    if (!pData || !cbData) {
      *pError = "page " + std::to_string(i) + ": no dialog template " + shownName + " in the module";
      return false;
    }
    page.dialogTemplate.assign(pData, pData + cbData);
    if (!ReadTemplate(page.dialogTemplate, &tmpl)) {
      *pError = "page " + std::to_string(i) + ": dialog template " + shownName + " is cut short";
      return false;
    }
    if (!page.pfnProc) {
      *pError = "page " + std::to_string(i) + " has no dialog procedure";
      return false;
    }
    // A page is a child of the sheet, whatever its template says.
    DWORD dwStyle = tmpl.dwStyle;
    dwStyle &= ~DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VISIBLE | DS_MODALFRAME | DS_CENTER |
                      DS_SYSMODAL | DS_ABSALIGN);
    dwStyle |= WS_CHILD | DS_CONTROL | DS_3DLOOK;
    for (int k = 0; k < 4; ++k) page.dialogTemplate[tmpl.styleOffset + size_t(k)] = BYTE(dwStyle >> (8 * k));
    PixelsOf(tmpl, &page.cx, &page.cy);
    std::memset(&page.psp, 0, sizeof page.psp);
    page.psp.dwSize = sizeof page.psp;
    page.psp.dwFlags = PSP_DLGINDIRECT | (page.title.empty() ? 0 : PSP_USETITLE);
    page.psp.hInstance = page.hInstance;
    page.psp.pResource = reinterpret_cast<const DLGTEMPLATE*>(page.dialogTemplate.data());
    page.psp.pszTitle = page.title.c_str();
    page.psp.pfnDlgProc = page.pfnProc;
    page.psp.lParam = page.lParam;
    Log() << "page " << i << " \"" << page.title << "\": template " << shownName << ", " << tmpl.cx << " x " << tmpl.cy
          << " dialog units, " << page.cx << " x " << page.cy << " pixels\n";
  }
  return true;
}

bool SheetHost::CreateSheetWindow(std::string* pError) {
  WNDCLASSEXA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = SheetProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kSheetClass;
  WNDCLASSEXA existing;
  if (!GetClassInfoExA(wc.hInstance, kSheetClass, &existing)) RegisterClassExA(&wc);
  m_cxPage = m_cyPage = 0;
  for (const Page& page : m_pages) {
    m_cxPage = std::max(m_cxPage, page.cx);
    m_cyPage = std::max(m_cyPage, page.cy);
  }
  const int cxClient = kPageLeft + m_cxPage + kPageRight, cyClient = kPageTop + m_cyPage + kPageBottom;
  m_hSheet = CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kSheetClass, "",
                             WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, cxClient, cyClient, nullptr, nullptr,
                             wc.hInstance, nullptr);
  if (!m_hSheet) {
    *pError = "cannot create the sheet window";
    return false;
  }
  SetWindowLongPtrA(m_hSheet, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  LPDIGCSHEETINFO pSheetInfo = nullptr;
  m_pSheet->GetSheetInfo(&pSheetInfo);
  SetWindowTextA(m_hSheet, pSheetInfo ? Narrow(pSheetInfo->lpwszSheetCaption).c_str() : "");
  // The window around that client area, centred on the screen.
  RECT rcWindow, rcClient;
  GetWindowRect(m_hSheet, &rcWindow);
  GetClientRect(m_hSheet, &rcClient);
  const int cx = cxClient + (rcWindow.right - rcWindow.left) - rcClient.right;
  const int cy = cyClient + (rcWindow.bottom - rcWindow.top) - rcClient.bottom;
  const int x = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - cx) / 2);
  const int y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - cy) / 2);
  MoveWindow(m_hSheet, x, y, cx, cy, FALSE);
  Log() << "sheet window " << cx << " x " << cy << " at " << x << ", " << y << "\n";
  return true;
}

LRESULT CALLBACK SheetHost::SheetProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  auto* pHost = reinterpret_cast<SheetHost*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
  switch (uMsg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hWnd, &ps);
      EndPaint(hWnd, &ps);
      return 0;
    }
    case WM_CLOSE:
      // The close box, or a page asking the sheet to close.
      if (pHost && pHost->m_hSheet == hWnd) pHost->CloseByMessage();
      return 0;
    case PSM_CHANGED:
    case PSM_UNCHANGED:
      if (pHost && pHost->m_hSheet == hWnd) pHost->PageChanged(reinterpret_cast<HWND>(wParam), uMsg == PSM_CHANGED);
      return 0;
    default:
      return DefWindowProcA(hWnd, uMsg, wParam, lParam);
  }
}

bool SheetHost::MakePage(int nPage) {
  Page& page = m_pages[size_t(nPage)];
  if (page.hWnd) return true;
  Log() << "page " << nPage << ": WM_INITDIALOG\n";
  // The page keeps its PROPSHEETPAGE for the sheet's life; WM_INITDIALOG
  // hands it over by address.
  page.hWnd = CreateDialogIndirectParamA(page.hInstance, reinterpret_cast<LPCDLGTEMPLATEA>(page.dialogTemplate.data()),
                                         m_hSheet, page.pfnProc, reinterpret_cast<LPARAM>(&page.psp));
  if (!page.hWnd) {
    Log() << "page " << nPage << ": not made\n";
    return false;
  }
  // Every page fills the sheet's page area, the size of the largest page,
  // and stays hidden until it is shown.
  SetWindowPos(page.hWnd, nullptr /* HWND_TOP */, kPageLeft, kPageTop, m_cxPage, m_cyPage, SWP_NOACTIVATE);
  return true;
}

LRESULT SheetHost::Notify(int nPage, UINT code, LPARAM lParam) {
  HWND hPage = PageWindow(nPage);
  if (!hPage) return 0;
  SheetNotify notify;
  notify.hdr.hwndFrom = m_hSheet;
  notify.hdr.idFrom = 0;
  notify.hdr.code = code;
  notify.lParam = lParam;
  const LRESULT lResult = SendMessageA(hPage, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
  Log() << "page " << nPage << ": " << NotificationName(code) << (lParam ? " (lParam 1)" : "") << " -> " << lResult
        << "\n";
  LogReports();
  return lResult;
}

// The user picks a tab: the page shown may refuse to be left; the new page
// is made on its first showing.
bool SheetHost::SelectPage(int nPage) {
  if (nPage == m_nCurrent) return true;
  m_ptMouse = kPointerAway;  // on the tab
  const int nOld = m_nCurrent;
  if (nOld >= 0 && Notify(nOld, PSN_KILLACTIVE, 0)) {
    Log() << "page " << nOld << " stays\n";
    return true;
  }
  if (!MakePage(nPage)) return false;
  if (!m_hSheet) return true;  // the page closed the sheet while it was made
  Notify(nPage, PSN_SETACTIVE, 0);
  if (!m_hSheet) return true;
  // The old page is hidden before the new one is shown, which then paints
  // on an erased background.
  HWND hPage = PageWindow(nPage);
  if (nOld >= 0) ShowWindow(PageWindow(nOld), SW_HIDE);
  ShowWindow(hPage, SW_SHOW);
  InvalidateRect(hPage, nullptr, TRUE);
  m_nCurrent = nPage;
  return true;
}

// PSM_CHANGED enables Apply for the page; PSM_UNCHANGED takes the page back,
// and Apply is disabled again once no page reports a change.
void SheetHost::PageChanged(HWND hPage, bool bChanged) {
  int nPage = -1;
  for (int i = 0; i < PageCount(); ++i)
    if (PageWindow(i) == hPage) nPage = i;
  if (nPage < 0) return;
  const auto it = std::find(m_changedPages.begin(), m_changedPages.end(), hPage);
  if (bChanged && it == m_changedPages.end()) m_changedPages.push_back(hPage);
  if (!bChanged && it != m_changedPages.end()) m_changedPages.erase(it);
  Log() << "page " << nPage << (bChanged ? ": PSM_CHANGED" : ": PSM_UNCHANGED") << "; Apply "
        << (m_changedPages.empty() ? "disabled" : "enabled") << "\n";
}

// OK and Apply: the page shown may refuse to be left; then every page made
// applies (lParam TRUE for OK), and the first that refuses stops the rest.
// After Apply the page shown is activated again and Apply is disabled until
// a page reports a change again; OK closes the sheet. Apply is disabled
// until a page reports a change (PSM_CHANGED): pressing it then does
// nothing.
void SheetHost::ApplyPages(bool bOk) {
  m_ptMouse = kPointerAway;
  if (!bOk && m_changedPages.empty()) {
    Log() << "Apply is disabled (no page reported a change); nothing happens\n";
    return;
  }
  const int nShown = m_nCurrent;
  if (Notify(nShown, PSN_KILLACTIVE, 0)) {
    Log() << "page " << nShown << " stays\n";
    return;
  }
  for (int i = 0; i < PageCount() && m_hSheet; ++i) {
    if (!PageWindow(i)) continue;
    if (Notify(i, PSN_APPLY, bOk ? TRUE : FALSE) != PSNRET_NOERROR) {
      Log() << "page " << i << " refuses the changes\n";
      Notify(nShown, PSN_SETACTIVE, 0);
      return;
    }
  }
  if (!m_hSheet) return;
  m_changedPages.clear();
  if (bOk)
    DestroySheet();
  else
    Notify(nShown, PSN_SETACTIVE, 0);
}

// Cancel and the close box: the page shown may refuse; then every page made
// is reset (lParam TRUE for the close box) and the sheet is destroyed, at
// once or (bWhenIdle) once the message handling under way has returned to
// the sheet's own loop.
void SheetHost::CancelSheet(bool bCloseBox, bool bWhenIdle) {
  if (!m_hSheet || m_bClosing || m_bEnded) return;
  m_ptMouse = kPointerAway;
  m_bClosing = true;
  if (Notify(m_nCurrent, PSN_QUERYCANCEL, 0)) {
    Log() << "page " << m_nCurrent << " keeps the sheet open\n";
    m_bClosing = false;
    return;
  }
  for (int i = 0; i < PageCount(); ++i)
    if (PageWindow(i)) Notify(i, PSN_RESET, bCloseBox ? TRUE : FALSE);
  m_bClosing = false;
  if (bWhenIdle)
    m_bEnded = true;
  else
    DestroySheet();
}

void SheetHost::CloseBox() {
  if (!m_hSheet) return;
  Log() << "close box\n";
  CancelSheet(true, false);
}

// WM_CLOSE reached the sheet (the close box, or a page asking it to close),
// maybe inside a modal loop that a page runs: as the real sheet does, the
// cancel sequence is sent now and the sheet is destroyed once its own loop
// runs again, after that modal loop has ended.
void SheetHost::CloseByMessage() {
  if (!m_hSheet) return;
  Log() << "close box\n";
  CancelSheet(true, true);
}

void SheetHost::DestroyIfEnded() {
  if (m_bEnded) DestroySheet();
}

void SheetHost::DestroySheet() {
  m_bEnded = false;
  if (!m_hSheet) return;
  for (Page& page : m_pages) {
    if (page.hWnd) DestroyWindow(page.hWnd);
    page.hWnd = nullptr;
  }
  HWND hSheet = m_hSheet;
  m_hSheet = nullptr;
  m_nCurrent = -1;
  DestroyWindow(hSheet);
  Log() << "sheet closed\n";
  LogReports();
}

void SheetHost::Shutdown() {
  if (m_hSheet) CloseBox();
  if (m_hSheet) DestroySheet();  // a page refused; the control panel goes away anyway
  ReleaseSheet();
  if (m_hModule) {
    auto pfnCanUnloadNow =
        reinterpret_cast<CanUnloadNowProc>(reinterpret_cast<void*>(GetProcAddress(m_hModule, "DllCanUnloadNow")));
    const HRESULT hr = pfnCanUnloadNow ? pfnCanUnloadNow() : S_OK;
    if (hr == S_OK) {
      FreeLibrary(m_hModule);
      Log() << "module unloaded\n";
    } else {
      Log() << "module still in use; left loaded\n";
    }
    m_hModule = nullptr;
    m_pfnGetClassObject = nullptr;
  }
}

void SheetHost::SetJoystick() { sim::SetJoystickState(m_options.uJoyId, m_state); }

void SheetHost::Pump() {
  sim::PumpMessages();
  DestroyIfEnded();
}

void SheetHost::PostMouse(UINT uMsg, WPARAM wParam, long x, long y) {
  const WORD wX = static_cast<WORD>(x), wY = static_cast<WORD>(y);
  m_ptMouse = POINT{LONG(x), LONG(y)};
  PostMessageA(PageWindow(m_nCurrent), uMsg, wParam, MAKELPARAM(wX, wY));
  Pump();
}

// The pointer comes over the page shown to (x, y) before a press there: a
// WM_MOUSEMOVE without a button, unless it is there already.
void SheetHost::PointerTo(long x, long y) {
  if (m_ptMouse.x == x && m_ptMouse.y == y) return;
  PostMouse(WM_MOUSEMOVE, 0, x, y);
}

// The user lets go of the keys a key-capture line left held once its dialog
// has gone; the releases reach the page.
void SheetHost::ReleaseHeldKeys() {
  if (m_heldKeys.empty() || !m_hSheet) return;
  for (UINT vk : m_heldKeys) sim::PostKey(PageWindow(m_nCurrent), vk, false);
  m_heldKeys.clear();
  Pump();
}

void SheetHost::LogReports() {
  std::shared_ptr<sim::HidDevice> device = sim::FindHidDevice(m_devicePath);
  if (!device) return;
  const std::vector<sim::HidReport> reports = device->Reports();
  for (; m_nReportsLogged < reports.size(); ++m_nReportsLogged) {
    const sim::HidReport& report = reports[m_nReportsLogged];
    std::ostream& log = m_options.pLog ? *m_options.pLog : g_nullLog;
    char szLine[96];
    std::snprintf(szLine, sizeof szLine, "[%6u ms] motor report", unsigned(report.dwTick - m_dwStartTick));
    log << szLine;
    for (BYTE b : report.bytes) {
      std::snprintf(szLine, sizeof szLine, " %02x", b);
      log << szLine;
    }
    log << "\n";
  }
}

bool SheetHost::WriteReports(const std::string& path) const {
  std::ofstream out(path);
  if (!out) return false;
  std::shared_ptr<sim::HidDevice> device = sim::FindHidDevice(m_devicePath);
  out << "ms,report_id,left,right,reserved\n";
  if (device) {
    for (const sim::HidReport& report : device->Reports()) {
      out << (report.dwTick - m_dwStartTick);
      for (BYTE b : report.bytes) out << ',' << unsigned(b);
      out << '\n';
    }
  }
  return bool(out);
}

bool SheetHost::Run(const Step& step, std::string* pError) {
  auto fail = [&](const std::string& text) {
    *pError = "line " + std::to_string(step.nLine) + ": " + text;
    return false;
  };
  if (!m_hSheet && NeedsOpenSheet(step.verb)) return fail("the sheet is closed");
  Log() << "line " << step.nLine << ": " << step.source << "\n";
  switch (step.verb) {
    case Verb::kPage:
      if (step.n[0] >= PageCount()) return fail("the sheet has " + std::to_string(PageCount()) + " pages");
      if (!SelectPage(int(step.n[0]))) return fail("page " + std::to_string(step.n[0]) + " could not be made");
      Pump();
      break;
    case Verb::kClick:
      PointerTo(step.n[0], step.n[1]);
      if (m_hSheet) PostMouse(WM_LBUTTONDOWN, MK_LBUTTON, step.n[0], step.n[1]);
      if (m_hSheet) PostMouse(WM_LBUTTONUP, 0, step.n[0], step.n[1]);
      ReleaseHeldKeys();
      break;
    case Verb::kDrag: {
      PointerTo(step.n[0], step.n[1]);
      if (m_hSheet) PostMouse(WM_LBUTTONDOWN, MK_LBUTTON, step.n[0], step.n[1]);
      const long dx = step.n[2] - step.n[0], dy = step.n[3] - step.n[1];
      const long nSteps = std::max(std::labs(dx), std::labs(dy));
      for (long i = 1; i <= nSteps && m_hSheet; ++i)
        PostMouse(WM_MOUSEMOVE, MK_LBUTTON, step.n[0] + dx * i / nSteps, step.n[1] + dy * i / nSteps);
      if (m_hSheet) PostMouse(WM_LBUTTONUP, 0, step.n[2], step.n[3]);
      ReleaseHeldKeys();
      break;
    }
    case Verb::kButtons:
      for (int i = 0; i < 32; ++i) m_state.rgbButtons[i] = (step.dwMask >> i) & 1 ? 0x80 : 0;
      SetJoystick();
      Pump();
      break;
    case Verb::kPress:
    case Verb::kRelease:
      m_state.rgbButtons[step.n[0] - 1] = step.verb == Verb::kPress ? 0x80 : 0;
      SetJoystick();
      Pump();
      break;
    case Verb::kStick:
      m_state.lX = LONG(step.n[0]);
      m_state.lY = LONG(step.n[1]);
      if (step.nCount == 4) {
        m_state.lZ = LONG(step.n[2]);
        m_state.lRz = LONG(step.n[3]);
      }
      SetJoystick();
      Pump();
      break;
    case Verb::kPov:
      m_state.rgdwPOV[0] = step.dwMask;
      SetJoystick();
      Pump();
      break;
    case Verb::kWait: {
      // Step by step, so that the motor reports are logged near their time
      // and a sheet that closes itself ends the wait.
      const bool bOpen = m_hSheet != nullptr;
      for (long ms = 0; ms < step.n[0] && (m_hSheet || !bOpen); ms += 10) {
        sim::RunMessages(DWORD(std::min<long>(10, step.n[0] - ms)));
        DestroyIfEnded();
        LogReports();
      }
      break;
    }
    case Verb::kKey:
      sim::PostKey(PageWindow(m_nCurrent), UINT(step.n[0]), step.bFlag);
      Pump();
      break;
    case Verb::kKeyCapture: {
      sim::DialogScript script;
      for (const KeyStroke& stroke : step.keys) {
        script.keys.push_back(sim::KeyEvent{stroke.vk, stroke.bDown});
        auto held = std::find(m_heldKeys.begin(), m_heldKeys.end(), stroke.vk);
        if (stroke.bDown && held == m_heldKeys.end()) m_heldKeys.push_back(stroke.vk);
        if (!stroke.bDown && held != m_heldKeys.end()) m_heldKeys.erase(held);
      }
      script.nEndCommand = step.bFlag ? IDOK : IDCANCEL;
      sim::ScriptNextDialog(script);
      break;
    }
    case Verb::kFile:
      if (step.bFlag)
        sim::ScriptFileCancel();
      else
        sim::ScriptFileChoice(WindowsPath(step.text));
      break;
    case Verb::kApply:
      ApplyPages(false);
      Pump();
      break;
    case Verb::kOk:
      ApplyPages(true);
      Pump();
      break;
    case Verb::kCancel:
      CancelSheet(false, false);
      Pump();
      break;
    case Verb::kClose:
      CloseBox();
      Pump();
      break;
    case Verb::kReopen: {
      std::string error;
      if (!Reopen(&error)) return fail(error);
      break;
    }
    case Verb::kMove:
      PostMouse(WM_MOUSEMOVE, 0, step.n[0], step.n[1]);
      break;
    case Verb::kUnplug:
    case Verb::kPlug: {
      const bool bPlug = step.verb == Verb::kPlug;
      if (bPlug)
        sim::PlugJoystick(m_options.uJoyId);
      else
        sim::UnplugJoystick(m_options.uJoyId);
      if (std::shared_ptr<sim::HidDevice> device = sim::FindHidDevice(m_devicePath)) {
        if (bPlug)
          device->Plug();
        else
          device->Unplug();
      }
      Pump();
      break;
    }
    case Verb::kPng: {
      HWND hPage = PageWindow(m_nCurrent);
      UpdateWindow(hPage);
      Pump();
      const std::string path = m_options.outDir + "/" + step.text + ".png";
      if (!sim::WriteWindowPng(hPage, path.c_str())) return fail("cannot write " + path);
      Log() << "page " << m_nCurrent << " pictured in " << path << "\n";
      break;
    }
  }
  LogReports();
  return true;
}

}  // namespace cplhost

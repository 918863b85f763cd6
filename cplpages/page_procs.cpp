// The dialog procedures of the six property pages. Each page is an empty
// dialog: the procedure ties the property-sheet protocol to g_PageEngine
// and to the controller. It takes the sheet object at WM_INITDIALOG,
// acquires the device and runs timer 30 while the page is shown, polls the
// device on each tick and hands the state to the engine, forwards painting
// and the mouse, and has the settings record written when the page is
// shown, applied, cancelled or loses its device.
//
// Every procedure keeps its own set of statics; only the current device,
// the lost-device clock (device_access.cpp) and whether the open sheet has
// its settings are shared. The control panel may open one sheet after
// another in one process: what a sheet leaves in these statics is forgotten
// when its pages are destroyed. Everything runs on the property sheet's
// window thread.
#include <cstring>

#include "device_access.h"
#include "pageengine.h"
#include "pageprocs.h"
#include "propsheet.h"

namespace {

constexpr UINT_PTR kPageTimer = 30;
constexpr int kTypeNameSize = 260;

// Activate codes beyond the page numbers.
constexpr int kActivateApply = -1;
constexpr int kActivateRestore = -2;

// What differs between the pages.
struct PageTraits {
  int nPage;          // page number of the engine
  UINT uPeriod;       // timer 30, ms
  bool bActivate;     // PSN_SETACTIVE writes the page's test record
  bool bCurrent;      // the page's device is the current device while shown
  bool bTick;         // polled states go to PageEngine::Tick
  bool bClick;        // WM_LBUTTONDOWN goes to PageEngine::Click
};

constexpr PageTraits kTestPage = {0, 10, true, true, true, true};
constexpr PageTraits kKeyMapPage = {1, 100, true, false, true, true};
constexpr PageTraits kKeyboardPage = {2, 500, true, true, true, true};
constexpr PageTraits kPowerPage = {3, 10, true, true, true, true};
constexpr PageTraits kCheckPage = {4, 10, true, false, true, true};
constexpr PageTraits kAboutPage = {5, 100, false, false, false, false};

// The statics of one procedure, by reference.
struct PageStatics {
  PropSheet*& pSheet;
  IDirectInputDevice2*& pDevice;
  BYTE& bAcquired;
};

namespace test_page {
PropSheet* g_pSheet = NULL;
IDirectInputDevice2* g_pDevice = NULL;
BYTE g_bAcquired = 0;
}  // namespace test_page

namespace keymap_page {
PropSheet* g_pSheet = NULL;
IDirectInputDevice2* g_pDevice = NULL;
BYTE g_bAcquired = 0;
}  // namespace keymap_page

namespace keyboard_page {
PropSheet* g_pSheet = NULL;
IDirectInputDevice2* g_pDevice = NULL;
BYTE g_bAcquired = 0;
}  // namespace keyboard_page

namespace power_page {
PropSheet* g_pSheet = NULL;
IDirectInputDevice2* g_pDevice = NULL;
BYTE g_bAcquired = 0;
// Every second WM_MOUSEMOVE reaches the engine; the first one is dropped.
BYTE g_bMoveToggle = 0;
}  // namespace power_page

namespace check_page {
PropSheet* g_pSheet = NULL;
IDirectInputDevice2* g_pDevice = NULL;
BYTE g_bAcquired = 0;
}  // namespace check_page

namespace about_page {
PropSheet* g_pSheet = NULL;
IDirectInputDevice2* g_pDevice = NULL;
BYTE g_bAcquired = 0;
}  // namespace about_page

// Set while the open sheet has its settings: the test page's WM_INITDIALOG
// loaded them, and its WM_DESTROY ends them with the sheet. A sheet whose
// device could not be made has none, and its pages write no record: the
// engine's records would be those of an earlier sheet.
bool g_bSheetLoaded = false;

int MouseX(LPARAM lParam) { return static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))); }
int MouseY(LPARAM lParam) { return static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam))); }

// A sheet taller than the full-screen client area moves up by half of the
// difference.
void FitSheetToScreen(HWND hWnd) {
  HWND hSheet = GetParent(hWnd);
  RECT rc = {0, 0, 0, 0};
  if (!GetWindowRect(hSheet, &rc)) return;
  const int h = rc.bottom - rc.top;
  const int cy = GetSystemMetrics(SM_CYFULLSCREEN);
  if (cy < h) MoveWindow(hSheet, rc.left, rc.top - (h - cy) / 2, rc.right - rc.left, h, TRUE);
}

// The setting number of the sheet's joystick: the two hexadecimal digits
// that end its type name ("VID_7C3A&PID_A02F" gives 0x2F). The buffer
// starts zeroed, so characters past the end of a shorter name count as 0.
int SettingNumberOf(PropSheet* pSheet) {
  IDirectInputJoyConfig* pJoyConfig = NULL;
  pSheet->FetchJoyConfig(&pJoyConfig);
  char szTypeName[kTypeNameSize];
  std::memset(szTypeName, 0, sizeof szTypeName);
  DIUtilGetJoystickTypeName(static_cast<short>(pSheet->GetID()), pJoyConfig, szTypeName, kTypeNameSize);
  szTypeName[kTypeNameSize - 1] = '\0';
  return 16 * ParseHexDigit(static_cast<unsigned char>(szTypeName[15])) +
         ParseHexDigit(static_cast<unsigned char>(szTypeName[16]));
}

// WM_INITDIALOG: TRUE when the sheet's device could not be made (the rest of
// the page's initialisation is then skipped).
bool InitPage(const PageStatics& s, HWND hWnd, LPARAM lParam) {
  const PROPSHEETPAGEA* pPage = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
  s.pSheet = pPage ? reinterpret_cast<PropSheet*>(pPage->lParam) : NULL;
  SetWindowLongPtrA(hWnd, static_cast<int>(DWLP_USER), reinterpret_cast<LONG_PTR>(s.pSheet));
  return FAILED(AcquireDevice(GetParent(hWnd), s.pSheet));
}

// Has the settings record written (PageEngine::Activate) when the sheet has
// its settings.
void WriteRecord(HWND hWnd, int nCode) {
  if (g_bSheetLoaded) g_PageEngine.Activate(hWnd, nCode);
}

void StopPolling(const PageStatics& s, HWND hWnd) {
  s.bAcquired = 0;
  KillTimer(hWnd, kPageTimer);
}

void Unacquire(const PageStatics& s) {
  if (s.pDevice) s.pDevice->Unacquire();
}

void SetActive(const PageStatics& s, const PageTraits& t, HWND hWnd) {
  if (t.bActivate) WriteRecord(hWnd, t.nPage);
  s.pDevice = NULL;
  if (s.pSheet) s.pSheet->FetchDevice(&s.pDevice);
  // A sheet without a device (its making failed at WM_INITDIALOG) is shown
  // as one whose device cannot be acquired.
  if (s.pDevice && SUCCEEDED(s.pDevice->Acquire()))
    SetTimer(hWnd, kPageTimer, t.uPeriod, NULL);
  else
    KillTimer(hWnd, kPageTimer);
  if (t.bCurrent) g_pCurDevice = s.pDevice;
  s.bAcquired = 1;
}

void Apply(const PageStatics& s, HWND hWnd) {
  StopPolling(s, hWnd);
  WriteRecord(hWnd, kActivateApply);
}

// The sheet ends while this page is shown (Cancel, the close box, a device
// that stopped answering): polling stops, the vibration page stops the
// motors as when it is left, and the page's device is no longer current, as
// the sheet object releases it once the sheet is gone.
void EndShowing(const PageStatics& s, const PageTraits& t, HWND hWnd) {
  StopPolling(s, hWnd);
  if (t.nPage == kPowerPage.nPage) g_PageEngine.SendMotorReport(0, 0, 0, 0);
  if (t.bCurrent) g_pCurDevice = NULL;
}

// WM_DESTROY: the page goes with its sheet, and so do the sheet object and
// its device that the statics name, and a run of failed polls of that
// device. Nothing of them may reach the next sheet the control panel opens
// in this process.
void ForgetSheet(const PageStatics& s) {
  if (s.pDevice != NULL && g_pCurDevice == s.pDevice) g_pCurDevice = NULL;
  s.bAcquired = 0;
  s.pDevice = NULL;
  s.pSheet = NULL;
  g_dwLostTick = 0;
  g_nLostCount = 0;
}

void KillActive(const PageStatics& s, const PageTraits& t, HWND hWnd) {
  StopPolling(s, hWnd);
  if (t.nPage == kPowerPage.nPage) {
    // Leaving the vibration page stops the motors and keeps what was edited.
    g_PageEngine.SendMotorReport(0, 0, 0, 0);
    Unacquire(s);
    g_pCurDevice = NULL;
    Apply(s, hWnd);
    return;
  }
  Unacquire(s);
  if (t.bCurrent) g_pCurDevice = NULL;
}

void Notify(const PageStatics& s, const PageTraits& t, HWND hWnd, LPARAM lParam) {
  const NMHDR* pHeader = reinterpret_cast<const NMHDR*>(lParam);
  if (pHeader == NULL) return;
  switch (pHeader->code) {
    case PSN_SETACTIVE:
      SetActive(s, t, hWnd);
      break;
    case PSN_KILLACTIVE:
      KillActive(s, t, hWnd);
      break;
    case PSN_APPLY:
    case PSN_WIZFINISH:
      Apply(s, hWnd);
      break;
    case PSN_QUERYCANCEL:
      EndShowing(s, t, hWnd);
      WriteRecord(hWnd, kActivateRestore);
      break;
    default:
      break;
  }
}

void Timer(const PageStatics& s, const PageTraits& t, HWND hWnd) {
  if (!s.bAcquired) return;
  DIJOYSTATE state;
  std::memset(&state, 0, sizeof state);
  if (SUCCEEDED(DIUtilPollJoystick(s.pDevice, &state))) {
    if (t.bTick) g_PageEngine.Tick(hWnd, t.nPage, &state);
    g_nLostCount = 0;
    g_dwLostTick = 0;
    return;
  }
  if (CheckLostDevice(hWnd)) {
    EndShowing(s, t, hWnd);
    Unacquire(s);
    WriteRecord(hWnd, kActivateRestore);
  }
}

void PaintPage(const PageTraits& t, HWND hWnd) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hWnd, &ps);
  g_PageEngine.Paint(hWnd, t.nPage, hdc);
  EndPaint(hWnd, &ps);
}

// The procedure of every page but the test page's painting and the
// vibration page's mouse.
INT_PTR PageProc(const PageStatics& s, const PageTraits& t, HWND hWnd, UINT uMsg, LPARAM lParam) {
  switch (uMsg) {
    case WM_INITDIALOG:
      return InitPage(s, hWnd, lParam) ? TRUE : FALSE;
    case WM_NOTIFY:
      Notify(s, t, hWnd, lParam);
      return FALSE;
    case WM_TIMER:
      Timer(s, t, hWnd);
      return FALSE;
    case WM_LBUTTONDOWN:
      if (t.bClick) g_PageEngine.Click(hWnd, t.nPage, MouseX(lParam), MouseY(lParam));
      return FALSE;
    case WM_PAINT:
      PaintPage(t, hWnd);
      return FALSE;
    case WM_DESTROY:
      ForgetSheet(s);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK TestPageProc(HWND hWnd, UINT uMsg, WPARAM /*wParam*/, LPARAM lParam) {
  const PageStatics s = {test_page::g_pSheet, test_page::g_pDevice, test_page::g_bAcquired};
  switch (uMsg) {
    case WM_INITDIALOG:
      FitSheetToScreen(hWnd);
      if (InitPage(s, hWnd, lParam)) {
        // A sheet without its device shows no controls, not those of the
        // sheet before.
        g_PageEngine.DestroyControls();
        return TRUE;
      }
      g_PageEngine.LoadSettings(hWnd, SettingNumberOf(s.pSheet));
      g_PageEngine.BuildPages(hWnd);
      g_bSheetLoaded = true;
      return FALSE;
    case WM_DESTROY:
      // The settings were the sheet's. The controls stay until the next
      // sheet builds its own (or the module unloads): a click handled in a
      // modal loop may still use them while the sheet goes away.
      g_bSheetLoaded = false;
      return PageProc(s, kTestPage, hWnd, uMsg, lParam);
    case WM_PAINT: {
      // The page shows the live state: nothing is drawn while the device
      // does not answer.
      DIJOYSTATE state;
      std::memset(&state, 0, sizeof state);
      if (FAILED(DIUtilPollJoystick(s.pDevice, &state))) return FALSE;
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hWnd, &ps);
      SetBkMode(hdc, TRANSPARENT);
      const COLORREF crOld = SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      g_PageEngine.Paint(hWnd, kTestPage.nPage, hdc);
      SetTextColor(hdc, crOld);
      EndPaint(hWnd, &ps);
      return FALSE;
    }
    default:
      return PageProc(s, kTestPage, hWnd, uMsg, lParam);
  }
}

INT_PTR CALLBACK KeyMapPageProc(HWND hWnd, UINT uMsg, WPARAM /*wParam*/, LPARAM lParam) {
  const PageStatics s = {keymap_page::g_pSheet, keymap_page::g_pDevice, keymap_page::g_bAcquired};
  return PageProc(s, kKeyMapPage, hWnd, uMsg, lParam);
}

INT_PTR CALLBACK KeyboardPageProc(HWND hWnd, UINT uMsg, WPARAM /*wParam*/, LPARAM lParam) {
  const PageStatics s = {keyboard_page::g_pSheet, keyboard_page::g_pDevice, keyboard_page::g_bAcquired};
  return PageProc(s, kKeyboardPage, hWnd, uMsg, lParam);
}

INT_PTR CALLBACK PowerPageProc(HWND hWnd, UINT uMsg, WPARAM /*wParam*/, LPARAM lParam) {
  const PageStatics s = {power_page::g_pSheet, power_page::g_pDevice, power_page::g_bAcquired};
  switch (uMsg) {
    case WM_MOUSEMOVE:
      if (power_page::g_bMoveToggle) {
        g_PageEngine.MouseMove(hWnd, kPowerPage.nPage, MouseX(lParam), MouseY(lParam));
        power_page::g_bMoveToggle = 0;
      } else {
        power_page::g_bMoveToggle = 1;
      }
      return FALSE;
    case WM_LBUTTONUP:
      g_PageEngine.MouseUp(hWnd, kPowerPage.nPage, MouseX(lParam), MouseY(lParam));
      return FALSE;
    default:
      return PageProc(s, kPowerPage, hWnd, uMsg, lParam);
  }
}

INT_PTR CALLBACK CheckPageProc(HWND hWnd, UINT uMsg, WPARAM /*wParam*/, LPARAM lParam) {
  const PageStatics s = {check_page::g_pSheet, check_page::g_pDevice, check_page::g_bAcquired};
  return PageProc(s, kCheckPage, hWnd, uMsg, lParam);
}

INT_PTR CALLBACK AboutPageProc(HWND hWnd, UINT uMsg, WPARAM /*wParam*/, LPARAM lParam) {
  const PageStatics s = {about_page::g_pSheet, about_page::g_pDevice, about_page::g_bAcquired};
  return PageProc(s, kAboutPage, hWnd, uMsg, lParam);
}

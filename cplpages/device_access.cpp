// DirectInput device access of the property pages.
#include "device_access.h"

#include <cstring>

#include "pageengine.h"
#include "propsheet.h"

DWORD g_dwLostTick = 0;
DWORD g_nLostCount = 0;

namespace {

// Size of a COM interface pointer's target that the checks probe.
constexpr UINT_PTR kInterfaceProbe = 4;
// The DirectInput version the pages are written for.
constexpr DWORD kDirectInputVersion = 0x0700;
// The page timer that polls the device.
constexpr UINT_PTR kPollTimer = 30;
// Failures are counted once this many milliseconds have passed since the
// first of a run; the count that gives up.
constexpr DWORD kLostGraceMs = 500;
constexpr DWORD kLostCountLimit = 3;
// The string-table entry shown in place of a type name GetConfig refused.
constexpr UINT kErrorTypeNameString = 2;
// The type name is converted into at most this many bytes, NUL included.
constexpr int kTypeNameBytes = 256;

bool IsBadPointer(void* pv, UINT_PTR cb) { return IsBadReadPtr(pv, cb) || IsBadWritePtr(pv, cb); }

// Holds g_csModule for a scope.
class ModuleLock {
 public:
  ModuleLock() { EnterCriticalSection(&g_csModule); }
  ~ModuleLock() { LeaveCriticalSection(&g_csModule); }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;
};

// Releases the DirectInput object at the end of AcquireDevice.
class ReleaseOnExit {
 public:
  explicit ReleaseOnExit(IUnknown* pUnknown) : m_pUnknown(pUnknown) {}
  ~ReleaseOnExit() {
    if (m_pUnknown != nullptr) m_pUnknown->Release();
  }
  ReleaseOnExit(const ReleaseOnExit&) = delete;
  ReleaseOnExit& operator=(const ReleaseOnExit&) = delete;

 private:
  IUnknown* m_pUnknown;
};

// GetConfig takes the joystick ID widened with its sign.
UINT JoystickIndex(short nID) { return static_cast<UINT>(static_cast<int>(nID)); }

}  // namespace

HRESULT AcquireDevice(HWND hWndSheet, PropSheet* pSheet) {
  ModuleLock lock;
  if (IsBadPointer(pSheet, sizeof(PropSheet))) return E_POINTER;

  IDirectInputDevice2* pDevice = nullptr;
  IDirectInputJoyConfig* pJoyConfig = nullptr;
  pSheet->FetchDevice(&pDevice);
  pSheet->FetchJoyConfig(&pJoyConfig);
  if (pDevice != nullptr && pJoyConfig != nullptr) return S_FALSE;

  IDirectInput* pdi = nullptr;
  HRESULT hr = DirectInputCreateA(g_hInstance, kDirectInputVersion, &pdi, nullptr);
  if (FAILED(hr)) return hr;
  ReleaseOnExit releaseDirectInput(pdi);

  if (pJoyConfig == nullptr) {
    hr = pdi->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&pJoyConfig));
    if (FAILED(hr)) return hr;
    pSheet->PutJoyConfig(pJoyConfig);
  }

  if (pDevice != nullptr) return S_FALSE;
  if (pJoyConfig == nullptr) return E_FAIL;
  hr = DIUtilCreateDeviceFromJoyConfig(static_cast<short>(pSheet->GetID()), hWndSheet, pdi, pJoyConfig, &pDevice);
  if (FAILED(hr)) {
    if (pDevice != nullptr) pDevice->Release();
    return hr;
  }
  pSheet->PutDevice(pDevice);
  return hr;
}

HRESULT DIUtilCreateDeviceFromJoyConfig(short nID, HWND hWnd, IDirectInput* pdi, IDirectInputJoyConfig* pdiJoyCfg,
                                        IDirectInputDevice2** ppdiDevice2) {
  if (IsBadPointer(pdi, kInterfaceProbe)) {
    OutputDebugStringA("DIUtilCreateDeviceFromJoyConfig() - invalid pdi\n");
    return E_POINTER;
  }
  if (IsBadPointer(pdiJoyCfg, kInterfaceProbe)) {
    OutputDebugStringA("DIUtilCreateDeviceFromJoyConfig() - invalid pdiJoyCfg\n");
    return E_POINTER;
  }
  if (IsBadPointer(ppdiDevice2, kInterfaceProbe)) {
    OutputDebugStringA("DIUtilCreateDeviceFromJoyConfig() - invalid ppdiDevice2\n");
    return E_POINTER;
  }

  DIJOYCONFIG dijc;
  std::memset(&dijc, 0, sizeof dijc);
  dijc.dwSize = sizeof dijc;
  HRESULT hr = pdiJoyCfg->GetConfig(JoystickIndex(nID), &dijc, DIJC_GUIDINSTANCE);
  if (FAILED(hr)) {
    OutputDebugStringA("DIUtilCreateDeviceFromJoyConfig() - GetConfig() failed\n");
    return hr;
  }

  IDirectInputDevice* pdiDevTemp = nullptr;
  hr = pdi->CreateDevice(dijc.guidInstance, &pdiDevTemp, nullptr);
  if (FAILED(hr)) {
    OutputDebugStringA("DIUtilCreateDeviceFromJoyConfig() - CreateDevice() failed\n");
    return hr;
  }

  hr = pdiDevTemp->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(ppdiDevice2));
  pdiDevTemp->Release();
  if (FAILED(hr)) {
    OutputDebugStringA("DIUtilCreateDeviceFromJoyConfig() - QueryInterface(IDirectInputDevice2) failed\n");
    return hr;
  }

  hr = (*ppdiDevice2)->SetDataFormat(&c_dfDIJoystick);
  if (FAILED(hr)) {
    OutputDebugStringA("DIUtilCreateDeviceFromJoyConfig() - SetDataFormat(Joystick) failed\n");
    return hr;
  }

  hr = (*ppdiDevice2)->SetCooperativeLevel(hWnd, DISCL_EXCLUSIVE | DISCL_BACKGROUND);
  if (FAILED(hr)) OutputDebugStringA("DIUtilCreateDeviceFromJoyConfig() - SetCooperativeLevel() failed\n");
  return hr;
}

HRESULT DIUtilGetJoystickTypeName(short nID, IDirectInputJoyConfig* pdiJoyCfg, char* tszTypeName, int cch) {
  if (IsBadPointer(pdiJoyCfg, kInterfaceProbe)) {
    OutputDebugStringA("DIUtilGetJoystickTypeName() - invalid pdiJoyCfg\n");
    return E_POINTER;
  }
  if (IsBadPointer(tszTypeName, 1)) {
    OutputDebugStringA("DIUtilGetJoystickTypeName() - invalid tszTypeName\n");
    return E_POINTER;
  }

  DIJOYCONFIG dijc;
  std::memset(&dijc, 0, sizeof dijc);
  dijc.dwSize = sizeof dijc;
  HRESULT hr = pdiJoyCfg->GetConfig(JoystickIndex(nID), &dijc, DIJC_REGHWCONFIGTYPE);
  if (FAILED(hr)) {
    // Loaded into a local buffer first: the caller's may be shorter than
    // the text, or (cch < 1) hold nothing at all.
    char szError[kPageTextSize] = "";
    LoadStringA(g_hInstance, kErrorTypeNameString, szError, sizeof szError);
    if (cch > 0) lstrcpynA(tszTypeName, szError, cch);
    OutputDebugStringA(szError);
    return hr;
  }

  // Never more than the caller's buffer, and always terminated, also for a
  // name that fills wszType or does not fit.
  int cbOut = cch < kTypeNameBytes ? cch : kTypeNameBytes;
  if (cbOut < 1) return hr;
  dijc.wszType[MAX_JOYSTRING - 1] = 0;
  if (WideCharToMultiByte(CP_ACP, 0, dijc.wszType, -1, tszTypeName, cbOut, nullptr, nullptr) == 0)
    tszTypeName[cbOut - 1] = '\0';
  return hr;
}

HRESULT DIUtilPollJoystick(IDirectInputDevice2* pdiDevice2, DIJOYSTATE* pdijs) {
  if (IsBadPointer(pdiDevice2, kInterfaceProbe)) {
    OutputDebugStringA("DIUtilPollJoystick() - invalid pdiDevice2\n");
    return E_POINTER;
  }
  if (IsBadPointer(pdijs, sizeof(DIJOYSTATE))) {
    OutputDebugStringA("DIUtilPollJoystick() - invalid pdijs\n");
    return E_POINTER;
  }

  std::memset(pdijs, 0, sizeof(DIJOYSTATE));
  pdiDevice2->Poll();
  HRESULT hr = pdiDevice2->GetDeviceState(sizeof(DIJOYSTATE), pdijs);
  if (FAILED(hr)) OutputDebugStringA("DIUtilPollJoystick() - GetDeviceState() failed\n");
  return hr;
}

int ParseHexDigit(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c;
}

BOOL CheckLostDevice(HWND hWndPage) {
  if (g_dwLostTick == 0) {
    g_nLostCount = 0;
    g_dwLostTick = GetTickCount();
    return FALSE;
  }
  if (GetTickCount() - g_dwLostTick < kLostGraceMs) return FALSE;
  if (g_nLostCount < kLostCountLimit) {
    ++g_nLostCount;
    return FALSE;
  }

  g_dwLostTick = GetTickCount();
  KillTimer(hWndPage, kPollTimer);
  char szCaption[kPageTextSize] = "";
  char szMessage[kPageTextSize] = "";
  RECT rc;
  g_PageEngine.ReadLayoutEntry("ErrorInfo", "Error", &rc, szCaption);
  g_PageEngine.ReadLayoutEntry("ErrorInfo", "LoseDevice", &rc, szMessage);
  MessageBoxA(hWndPage, szMessage, szCaption, MB_OK);
  PostMessageA(GetParent(hWndPage), WM_CLOSE, 0, 0);
  return TRUE;
}

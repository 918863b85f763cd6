// DirectInputCreateA and the DirectInput object: device creation and the
// joystick configuration (IDirectInputJoyConfig) over the simulated joysticks
// and the OEM type keys of the registry.
#include <atomic>
#include <cstring>
#include <new>
#include <string>

#include "posix/dinput/objects.h"

namespace qjplat {

namespace {

// Instance GUIDs of joystick IDs: this base with the ID in the last byte.
constexpr GUID kJoystickInstanceBase = {0x51A7D0C2, 0x8F14, 0x11D3, {0x9E, 0x6B, 0x00, 0x50, 0x4A, 0x37, 0xC1, 0x00}};

// Where DirectInput keeps the joystick types (one key per type name).
constexpr char kOemKey[] = "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\";

constexpr DWORD kKnownConfigFlags =
    DIJC_GUIDINSTANCE | DIJC_REGHWCONFIGTYPE | DIJC_GAIN | DIJC_CALLOUT | DIJC_WDMGAMEPORT;
constexpr DWORD kKnownTypeFlags =
    DITC_REGHWSETTINGS | DITC_CLSIDCONFIG | DITC_DISPLAYNAME | DITC_CALLOUT | DITC_HARDWAREID | DITC_FLAGS1;

constexpr DWORD kButtons = 12;

// Narrow form of a type name (the registry key names are ANSI); false for
// characters outside Latin-1 or a name longer than MAX_JOYSTRING.
bool NarrowTypeName(LPCWSTR pwsz, std::string* pName) {
  pName->clear();
  for (size_t i = 0; pwsz[i] != 0; ++i) {
    if (i >= MAX_JOYSTRING || pwsz[i] > 0xFF) return false;
    pName->push_back(static_cast<char>(pwsz[i]));
  }
  return true;
}

int HexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; false for any other text.
bool ParseGuid(const char* psz, GUID* pGuid) {
  static const char kPattern[] = "{________-____-____-____-____________}";
  if (std::strlen(psz) != sizeof kPattern - 1) return false;
  BYTE rgb[16];
  int nDigit = 0;
  for (size_t i = 0; kPattern[i] != 0; ++i) {
    if (kPattern[i] != '_') {
      if (psz[i] != kPattern[i]) return false;
      continue;
    }
    int v = HexValue(psz[i]);
    if (v < 0) return false;
    if (nDigit % 2 == 0) rgb[nDigit / 2] = static_cast<BYTE>(v << 4);
    else rgb[nDigit / 2] = static_cast<BYTE>(rgb[nDigit / 2] | v);
    ++nDigit;
  }
  pGuid->Data1 = (DWORD(rgb[0]) << 24) | (DWORD(rgb[1]) << 16) | (DWORD(rgb[2]) << 8) | rgb[3];
  pGuid->Data2 = static_cast<WORD>((rgb[4] << 8) | rgb[5]);
  pGuid->Data3 = static_cast<WORD>((rgb[6] << 8) | rgb[7]);
  std::memcpy(pGuid->Data4, rgb + 8, 8);
  return true;
}

// One value of an open key into a buffer; false when it is missing or
// longer than the buffer.
bool QueryValue(HKEY hKey, const char* pszName, void* pv, DWORD cb, DWORD* pcbRead) {
  DWORD cbData = cb;
  if (RegQueryValueExA(hKey, pszName, nullptr, nullptr, static_cast<BYTE*>(pv), &cbData) != ERROR_SUCCESS)
    return false;
  if (pcbRead) *pcbRead = cbData;
  return true;
}

void QueryText(HKEY hKey, const char* pszName, WCHAR* pwsz, size_t cch) {
  char sz[MAX_JOYSTICKOEMVXDNAME + 1] = {};
  if (!QueryValue(hKey, pszName, sz, sizeof sz - 1, nullptr)) sz[0] = 0;
  CopyToWide(sz, pwsz, cch);
}

class DirectInput final : public IDirectInputA, public IDirectInputJoyConfig {
 public:
  DirectInput() { sim::CountDirectInputObject(+1); }

  // IUnknown (shared by both interfaces).
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDirectInputA) {
      *ppv = static_cast<IDirectInputA*>(this);
    } else if (riid == IID_IDirectInputJoyConfig) {
      HRESULT hr = sim::DirectInputFailure(sim::DiCall::kQueryJoyConfig);
      if (FAILED(hr)) return hr;
      *ppv = static_cast<IDirectInputJoyConfig*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(++m_cRef); }
  STDMETHOD_(ULONG, Release)() override {
    long cRef = --m_cRef;
    if (cRef == 0) delete this;
    return static_cast<ULONG>(cRef);
  }

  // IDirectInputA.
  STDMETHOD(CreateDevice)(REFGUID rguid, IDirectInputDeviceA** ppDevice, LPUNKNOWN pUnkOuter) override {
    if (ppDevice == nullptr) return DIERR_INVALIDPARAM;
    *ppDevice = nullptr;
    if (pUnkOuter != nullptr) return DIERR_NOAGGREGATION;
    HRESULT hr = sim::DirectInputFailure(sim::DiCall::kCreateDevice);
    if (FAILED(hr)) return hr;
    UINT uJoyID = 0;
    sim::JoystickSnapshot snapshot;
    if (!JoystickIdFromGuid(rguid, &uJoyID) || !sim::GetJoystickSnapshot(uJoyID, &snapshot) ||
        !snapshot.bPlugged)
      return DIERR_DEVICENOTREG;
    IDirectInputDevice2A* pDevice = NewJoystickDevice(uJoyID);
    if (pDevice == nullptr) return DIERR_OUTOFMEMORY;
    *ppDevice = pDevice;
    return DI_OK;
  }
  STDMETHOD(EnumDevices)(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(GetDeviceStatus)(REFGUID rguidInstance) override {
    UINT uJoyID = 0;
    if (!JoystickIdFromGuid(rguidInstance, &uJoyID)) return DIERR_DEVICENOTREG;
    sim::JoystickSnapshot snapshot;
    return sim::GetJoystickSnapshot(uJoyID, &snapshot) && snapshot.bPlugged ? DI_OK : DI_NOTATTACHED;
  }
  STDMETHOD(RunControlPanel)(HWND, DWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(Initialize)(HINSTANCE, DWORD) override { return DIERR_ALREADYINITIALIZED; }

  // IDirectInputJoyConfig. Configuration mode is a flag of this object; the
  // layer keeps no configuration that it could guard.
  STDMETHOD(Acquire)() override {
    m_bConfigAcquired = true;
    return DI_OK;
  }
  STDMETHOD(Unacquire)() override {
    m_bConfigAcquired = false;
    return DI_OK;
  }
  // Only DISCL_EXCLUSIVE | DISCL_BACKGROUND with a top-level window;
  // anything else is DIERR_INVALIDPARAM.
  STDMETHOD(SetCooperativeLevel)(HWND hwnd, DWORD dwFlags) override {
    if (dwFlags != (DISCL_EXCLUSIVE | DISCL_BACKGROUND) || !IsTopLevelWindowOfProcess(hwnd))
      return DIERR_INVALIDPARAM;
    return DI_OK;
  }
  STDMETHOD(SendNotify)() override { return DI_OK; }
  STDMETHOD(EnumTypes)(LPDIJOYTYPECALLBACK, LPVOID) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(GetTypeInfo)(LPCWSTR pwszTypeName, LPDIJOYTYPEINFO pjti, DWORD dwFlags) override;
  STDMETHOD(SetTypeInfo)(LPCWSTR, LPCDIJOYTYPEINFO, DWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(DeleteType)(LPCWSTR) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(GetConfig)(UINT uiJoy, LPDIJOYCONFIG pjc, DWORD dwFlags) override;
  STDMETHOD(SetConfig)(UINT, LPCDIJOYCONFIG, DWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(DeleteConfig)(UINT) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(GetUserValues)(LPDIJOYUSERVALUES, DWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(SetUserValues)(LPCDIJOYUSERVALUES, DWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(AddNewHardware)(HWND, REFGUID) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(OpenTypeKey)(LPCWSTR, DWORD, PHKEY) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(OpenConfigKey)(UINT, DWORD, PHKEY) override { return DIERR_UNSUPPORTED; }

 private:
  ~DirectInput() { sim::CountDirectInputObject(-1); }

  std::atomic<long> m_cRef{1};
  bool m_bConfigAcquired = false;
};

// Fills the members that dwFlags names. An ID below 16 without a joystick
// is "not configured": S_FALSE with the named members zeroed.
HRESULT DirectInput::GetConfig(UINT uiJoy, LPDIJOYCONFIG pjc, DWORD dwFlags) {
  if (pjc == nullptr || IsBadWritePtr(pjc, sizeof(DIJOYCONFIG_DX3))) return DIERR_INVALIDPARAM;
  bool bDx5 = pjc->dwSize == sizeof(DIJOYCONFIG);
  if (!bDx5 && pjc->dwSize != sizeof(DIJOYCONFIG_DX3)) return DIERR_INVALIDPARAM;
  if ((dwFlags & ~kKnownConfigFlags) != 0 || (!bDx5 && (dwFlags & DIJC_WDMGAMEPORT))) return DIERR_INVALIDPARAM;
  HRESULT hr = sim::DirectInputFailure(sim::DiCall::kGetConfig);
  if (FAILED(hr)) return hr;
  if (uiJoy >= sim::kJoystickIds) return DIERR_NOMOREITEMS;
  sim::JoystickSnapshot snapshot;
  bool bAttached = sim::GetJoystickSnapshot(uiJoy, &snapshot);
  if (dwFlags & DIJC_GUIDINSTANCE) pjc->guidInstance = bAttached ? JoystickInstanceGuid(uiJoy) : GUID_NULL;
  if (dwFlags & DIJC_REGHWCONFIGTYPE) {
    std::memset(&pjc->hwc, 0, sizeof pjc->hwc);
    std::memset(pjc->wszType, 0, sizeof pjc->wszType);
    if (bAttached) {
      pjc->hwc.hws.dwNumButtons = kButtons;
      pjc->hwc.dwUsageSettings = 1;  // JOY_US_PRESENT
      pjc->hwc.dwType = JOY_HW_CUSTOM;
      CopyToWide(snapshot.typeName.c_str(), pjc->wszType, MAX_JOYSTRING);
    }
  }
  if (dwFlags & DIJC_GAIN) pjc->dwGain = bAttached ? DI_FFNOMINALMAX : 0;
  if (dwFlags & DIJC_CALLOUT) std::memset(pjc->wszCallout, 0, sizeof pjc->wszCallout);
  if (dwFlags & DIJC_WDMGAMEPORT) pjc->guidGameport = GUID_NULL;
  return bAttached ? DI_OK : S_FALSE;
}

// Reads the type's OEM key under HKEY_LOCAL_MACHINE: "OEMData" (the 8-byte
// hardware settings), "ConfigCLSID", "OEMName" and "OEMCallout".
HRESULT DirectInput::GetTypeInfo(LPCWSTR pwszTypeName, LPDIJOYTYPEINFO pjti, DWORD dwFlags) {
  if (pwszTypeName == nullptr || pjti == nullptr || IsBadWritePtr(pjti, 4)) return DIERR_INVALIDPARAM;
  DWORD cb = pjti->dwSize;
  if (cb != offsetof(DIJOYTYPEINFO, wszCallout) && cb != sizeof(DIJOYTYPEINFO_DX5) && cb != sizeof(DIJOYTYPEINFO))
    return DIERR_INVALIDPARAM;
  if (IsBadWritePtr(pjti, cb) || (dwFlags & ~kKnownTypeFlags) != 0) return DIERR_INVALIDPARAM;
  if ((dwFlags & DITC_CALLOUT) && cb < sizeof(DIJOYTYPEINFO_DX5)) return DIERR_INVALIDPARAM;
  if ((dwFlags & (DITC_HARDWAREID | DITC_FLAGS1)) && cb < sizeof(DIJOYTYPEINFO)) return DIERR_INVALIDPARAM;
  std::string name;
  if (!NarrowTypeName(pwszTypeName, &name) || name.empty()) return DIERR_NOTFOUND;
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kOemKey + name).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
    return DIERR_NOTFOUND;
  if (dwFlags & DITC_REGHWSETTINGS) {
    BYTE rgb[sizeof(JOYREGHWSETTINGS)] = {};
    DWORD cbRead = 0;
    if (!QueryValue(hKey, "OEMData", rgb, sizeof rgb, &cbRead) || cbRead != sizeof rgb) std::memset(rgb, 0, sizeof rgb);
    std::memcpy(&pjti->hws, rgb, sizeof rgb);
  }
  if (dwFlags & DITC_CLSIDCONFIG) {
    char sz[64] = {};
    if (!QueryValue(hKey, "ConfigCLSID", sz, sizeof sz - 1, nullptr) || !ParseGuid(sz, &pjti->clsidConfig))
      pjti->clsidConfig = GUID_NULL;
  }
  if (dwFlags & DITC_DISPLAYNAME) QueryText(hKey, "OEMName", pjti->wszDisplayName, MAX_JOYSTRING);
  if (dwFlags & DITC_CALLOUT) QueryText(hKey, "OEMCallout", pjti->wszCallout, MAX_JOYSTICKOEMVXDNAME);
  if (dwFlags & DITC_HARDWAREID) std::memset(pjti->wszHardwareId, 0, sizeof pjti->wszHardwareId);
  if (dwFlags & DITC_FLAGS1) pjti->dwFlags1 = 0;
  RegCloseKey(hKey);
  return DI_OK;
}

}  // namespace

GUID JoystickInstanceGuid(UINT uJoyID) {
  GUID guid = kJoystickInstanceBase;
  guid.Data4[7] = static_cast<BYTE>(uJoyID);
  return guid;
}

bool JoystickIdFromGuid(REFGUID rguid, UINT* puJoyID) {
  GUID base = rguid;
  UINT uJoyID = base.Data4[7];
  base.Data4[7] = 0;
  if (base != kJoystickInstanceBase || uJoyID >= sim::kJoystickIds) return false;
  *puJoyID = uJoyID;
  return true;
}

void CopyToWide(const char* psz, WCHAR* pwsz, size_t cch) {
  if (cch == 0) return;
  size_t i = 0;
  for (; i + 1 < cch && psz[i] != 0; ++i) pwsz[i] = static_cast<WCHAR>(static_cast<unsigned char>(psz[i]));
  pwsz[i] = 0;
}

}  // namespace qjplat

// Accepts the published versions up to DirectX 7.
QJ_PLATFORM_API HRESULT WINAPI DirectInputCreateA(HINSTANCE hinst, DWORD dwVersion, LPDIRECTINPUTA* ppDI,
                                                  LPUNKNOWN punkOuter) {
  if (ppDI == nullptr) return DIERR_INVALIDPARAM;
  *ppDI = nullptr;
  if (hinst == nullptr) return DIERR_INVALIDPARAM;
  if (dwVersion > 0x0700) return DIERR_OLDDIRECTINPUTVERSION;
  switch (dwVersion) {
    case 0x0300: case 0x0500: case 0x050A: case 0x05B2: case 0x0600: case 0x061A: case 0x0700: break;
    default: return DIERR_BETADIRECTINPUTVERSION;
  }
  if (punkOuter != nullptr) return DIERR_NOAGGREGATION;
  HRESULT hr = sim::DirectInputFailure(sim::DiCall::kDirectInputCreate);
  if (FAILED(hr)) return hr;
  *ppDI = new (std::nothrow) qjplat::DirectInput;
  return *ppDI ? DI_OK : DIERR_OUTOFMEMORY;
}

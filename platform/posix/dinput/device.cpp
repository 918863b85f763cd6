// The joystick device of the DirectInput object (IDirectInputDevice2A): data
// format, cooperative level, acquisition and the polled state, read from the
// simulated joystick behind its ID.
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "posix/dinput/objects.h"

namespace qjplat {

namespace {

// {745A17A0-74D3-11D0-B6FE-00A0C90F57DA}, the HID device setup class.
constexpr GUID kHidClassGuid = {0x745A17A0, 0x74D3, 0x11D0, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}};

constexpr DWORD kCooperativeFlags =
    DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY;

// Where one object of the data format takes its value from.
enum class Source { kNone, kAxis, kSlider, kPov, kButton };
struct Mapping {
  Source source = Source::kNone;
  DWORD dwIndex = 0;  // axis 0..5 (X, Y, Z, Rx, Ry, Rz), slider, POV or button number
  DWORD dwOfs = 0;
};

// The exclusive owner of each joystick ID among acquired devices.
struct ExclusiveTable {
  std::mutex mutex;
  std::array<const void*, sim::kJoystickIds> owners{};
};
ExclusiveTable& Exclusive() {
  static ExclusiveTable* table = new ExclusiveTable;
  return *table;
}

class JoystickDevice final : public IDirectInputDevice2A {
 public:
  explicit JoystickDevice(UINT uJoyID) : m_uJoyID(uJoyID) { sim::CountDirectInputObject(+1); }

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IDirectInputDevice2A) {
      HRESULT hr = sim::DirectInputFailure(sim::DiCall::kQueryDevice2);
      if (FAILED(hr)) return hr;
    } else if (riid != IID_IUnknown && riid != IID_IDirectInputDeviceA) {
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IDirectInputDevice2A*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(++m_cRef); }
  STDMETHOD_(ULONG, Release)() override {
    long cRef = --m_cRef;
    if (cRef == 0) delete this;
    return static_cast<ULONG>(cRef);
  }

  STDMETHOD(GetCapabilities)(LPDIDEVCAPS) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(EnumObjects)(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(GetProperty)(REFGUID rguidProp, LPDIPROPHEADER pdiph) override;
  STDMETHOD(SetProperty)(REFGUID, LPCDIPROPHEADER) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(Acquire)() override;
  STDMETHOD(Unacquire)() override;
  STDMETHOD(GetDeviceState)(DWORD cbData, LPVOID lpvData) override;
  STDMETHOD(GetDeviceData)(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override { return DIERR_NOTBUFFERED; }
  STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT lpdf) override;
  STDMETHOD(SetEventNotification)(HANDLE) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(SetCooperativeLevel)(HWND hwnd, DWORD dwFlags) override;
  STDMETHOD(GetObjectInfo)(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(GetDeviceInfo)(LPDIDEVICEINSTANCEA) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(RunControlPanel)(HWND, DWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(Initialize)(HINSTANCE, DWORD, REFGUID) override { return DIERR_ALREADYINITIALIZED; }

  STDMETHOD(CreateEffect)(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT* ppdeff, LPUNKNOWN) override {
    if (ppdeff) *ppdeff = nullptr;
    return DIERR_UNSUPPORTED;
  }
  STDMETHOD(EnumEffects)(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(GetEffectInfo)(LPDIEFFECTINFOA, REFGUID) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(GetForceFeedbackState)(LPDWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(SendForceFeedbackCommand)(DWORD) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(EnumCreatedEffectObjects)(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD) override {
    return DIERR_UNSUPPORTED;
  }
  STDMETHOD(Escape)(LPDIEFFESCAPE) override { return DIERR_UNSUPPORTED; }
  STDMETHOD(Poll)() override;
  STDMETHOD(SendDeviceData)(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override { return DIERR_UNSUPPORTED; }

 private:
  ~JoystickDevice() {
    ReleaseExclusive();
    sim::CountDirectInputObject(-1);
  }

  // DI_OK while acquired and not lost; DIERR_NOTACQUIRED or DIERR_INPUTLOST.
  HRESULT CheckAcquired(sim::JoystickSnapshot* pSnapshot) const;
  void ReleaseExclusive();

  const UINT m_uJoyID;
  std::atomic<long> m_cRef{1};
  bool m_bFormatSet = false;
  DWORD m_cbFormat = 0;
  std::vector<Mapping> m_mappings;
  DWORD m_dwCooperative = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
  bool m_bAcquired = false;
  DWORD m_dwLossAtAcquire = 0;
  DIJOYSTATE m_polledState{};  // a polled joystick's state as of Acquire or the last Poll
};

bool IsOneOf(DWORD dwFlags, DWORD dwA, DWORD dwB) { return ((dwFlags & dwA) != 0) != ((dwFlags & dwB) != 0); }

}  // namespace

bool IsTopLevelWindowOfProcess(HWND hwnd) {
  if (hwnd == nullptr || !IsWindow(hwnd)) return false;
  if (static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & WS_CHILD) return false;
  DWORD dwProcessId = 0;
  GetWindowThreadProcessId(hwnd, &dwProcessId);
  return dwProcessId == GetCurrentProcessId();
}

namespace {

// Maps one object of a data format to a source, numbering each kind in the
// order the format names it; false for an object the format cannot hold.
bool MapObject(const DIOBJECTDATAFORMAT& odf, DWORD cbData, std::array<DWORD, 5>* pNext, Mapping* pMapping) {
  static const GUID* const kAxes[] = {&GUID_XAxis, &GUID_YAxis, &GUID_ZAxis, &GUID_RxAxis, &GUID_RyAxis, &GUID_RzAxis};
  Mapping mapping;
  mapping.dwOfs = odf.dwOfs;
  DWORD cbObject = 4;
  if (odf.pguid != nullptr) {
    for (DWORD i = 0; i < 6; ++i)
      if (*odf.pguid == *kAxes[i]) mapping = {Source::kAxis, i, odf.dwOfs};
    if (*odf.pguid == GUID_Slider) mapping = {Source::kSlider, (*pNext)[0]++, odf.dwOfs};
    if (*odf.pguid == GUID_POV) mapping = {Source::kPov, (*pNext)[1]++, odf.dwOfs};
    if (*odf.pguid == GUID_Button) mapping = {Source::kButton, (*pNext)[2]++, odf.dwOfs};
  } else if (odf.dwType & DIDFT_BUTTON) {
    mapping = {Source::kButton, (*pNext)[2]++, odf.dwOfs};
  } else if (odf.dwType & DIDFT_POV) {
    mapping = {Source::kPov, (*pNext)[1]++, odf.dwOfs};
  } else if (odf.dwType & DIDFT_AXIS) {
    mapping = {Source::kAxis, (*pNext)[3]++, odf.dwOfs};
  }
  if (mapping.source == Source::kButton) cbObject = 1;
  if (cbObject == 4 && odf.dwOfs % 4 != 0) return false;
  if (odf.dwOfs > cbData || cbData - odf.dwOfs < cbObject) return false;
  *pMapping = mapping;
  return true;
}

HRESULT JoystickDevice::SetDataFormat(LPCDIDATAFORMAT lpdf) {
  if (lpdf == nullptr || IsBadReadPtr(lpdf, sizeof *lpdf)) return DIERR_INVALIDPARAM;
  if (m_bAcquired) return DIERR_ACQUIRED;
  if (lpdf->dwSize != sizeof(DIDATAFORMAT) || lpdf->dwObjSize != sizeof(DIOBJECTDATAFORMAT) ||
      lpdf->dwDataSize == 0 || lpdf->dwDataSize % 4 != 0 || (lpdf->dwFlags & ~(DIDF_ABSAXIS | DIDF_RELAXIS)) != 0)
    return DIERR_INVALIDPARAM;
  if (lpdf->dwNumObjs != 0 && (lpdf->rgodf == nullptr ||
                               IsBadReadPtr(lpdf->rgodf, sizeof(DIOBJECTDATAFORMAT) * lpdf->dwNumObjs)))
    return DIERR_INVALIDPARAM;
  std::vector<Mapping> mappings;
  std::array<DWORD, 5> next{};
  for (DWORD i = 0; i < lpdf->dwNumObjs; ++i) {
    Mapping mapping;
    if (!MapObject(lpdf->rgodf[i], lpdf->dwDataSize, &next, &mapping)) return DIERR_INVALIDPARAM;
    mappings.push_back(mapping);
  }
  HRESULT hr = sim::DirectInputFailure(sim::DiCall::kSetDataFormat);
  if (FAILED(hr)) return hr;
  m_mappings.swap(mappings);
  m_cbFormat = lpdf->dwDataSize;
  m_bFormatSet = true;
  return DI_OK;
}

// Exactly one of DISCL_EXCLUSIVE and DISCL_NONEXCLUSIVE and one of
// DISCL_FOREGROUND and DISCL_BACKGROUND, else DIERR_INVALIDPARAM. The window
// must be a top-level window of this process, else E_HANDLE; only a
// non-exclusive background device may name none.
HRESULT JoystickDevice::SetCooperativeLevel(HWND hwnd, DWORD dwFlags) {
  if ((dwFlags & ~kCooperativeFlags) != 0 || !IsOneOf(dwFlags, DISCL_EXCLUSIVE, DISCL_NONEXCLUSIVE) ||
      !IsOneOf(dwFlags, DISCL_FOREGROUND, DISCL_BACKGROUND))
    return DIERR_INVALIDPARAM;
  bool bNeedsWindow = (dwFlags & (DISCL_EXCLUSIVE | DISCL_FOREGROUND)) != 0;
  if ((bNeedsWindow || hwnd != nullptr) && !IsTopLevelWindowOfProcess(hwnd)) return E_HANDLE;
  if (m_bAcquired) return DIERR_ACQUIRED;
  HRESULT hr = sim::DirectInputFailure(sim::DiCall::kSetCooperativeLevel);
  if (FAILED(hr)) return hr;
  m_dwCooperative = dwFlags;
  return DI_OK;
}

HRESULT JoystickDevice::Acquire() {
  if (!m_bFormatSet) return DIERR_INVALIDPARAM;
  HRESULT hr = sim::DirectInputFailure(sim::DiCall::kAcquire);
  if (FAILED(hr)) return hr;
  sim::JoystickSnapshot snapshot;
  if (!sim::GetJoystickSnapshot(m_uJoyID, &snapshot) || !snapshot.bPlugged) return DIERR_INPUTLOST;
  if (m_bAcquired && snapshot.dwLossCount == m_dwLossAtAcquire) return DI_NOEFFECT;
  if (m_dwCooperative & DISCL_EXCLUSIVE) {
    ExclusiveTable& table = Exclusive();
    std::lock_guard<std::mutex> lock(table.mutex);
    const void*& owner = table.owners[m_uJoyID];
    if (owner != nullptr && owner != this) return DIERR_OTHERAPPHASPRIO;
    owner = this;
  }
  m_bAcquired = true;
  m_dwLossAtAcquire = snapshot.dwLossCount;
  m_polledState = snapshot.state;
  return DI_OK;
}

HRESULT JoystickDevice::Unacquire() {
  if (!m_bAcquired) return DI_NOEFFECT;
  m_bAcquired = false;
  ReleaseExclusive();
  return DI_OK;
}

void JoystickDevice::ReleaseExclusive() {
  ExclusiveTable& table = Exclusive();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (table.owners[m_uJoyID] == this) table.owners[m_uJoyID] = nullptr;
}

HRESULT JoystickDevice::CheckAcquired(sim::JoystickSnapshot* pSnapshot) const {
  if (!m_bAcquired) return DIERR_NOTACQUIRED;
  if (!sim::GetJoystickSnapshot(m_uJoyID, pSnapshot) || !pSnapshot->bPlugged ||
      pSnapshot->dwLossCount != m_dwLossAtAcquire)
    return DIERR_INPUTLOST;
  return DI_OK;
}

// A polled joystick's state reaches the device here: DI_OK. A joystick
// that needs no polling: DI_NOEFFECT.
HRESULT JoystickDevice::Poll() {
  sim::JoystickSnapshot snapshot;
  HRESULT hr = CheckAcquired(&snapshot);
  if (FAILED(hr)) return hr;
  hr = sim::DirectInputFailure(sim::DiCall::kPoll);
  if (FAILED(hr)) return hr;
  if (!snapshot.bPolled) return DI_NOEFFECT;
  m_polledState = snapshot.state;
  return DI_OK;
}

// Writes each object of the data format at its offset; bytes that no object
// names are zeroed. A polled joystick reports its state as of the last Poll
// (or Acquire), one that needs no polling its state now.
HRESULT JoystickDevice::GetDeviceState(DWORD cbData, LPVOID lpvData) {
  if (lpvData == nullptr) return DIERR_INVALIDPARAM;
  if (!m_bFormatSet) return DIERR_NOTINITIALIZED;
  if (cbData != m_cbFormat || IsBadWritePtr(lpvData, cbData)) return DIERR_INVALIDPARAM;
  sim::JoystickSnapshot snapshot;
  HRESULT hr = CheckAcquired(&snapshot);
  if (FAILED(hr)) return hr;
  hr = sim::DirectInputFailure(sim::DiCall::kGetDeviceState);
  if (FAILED(hr)) return hr;
  const DIJOYSTATE& state = snapshot.bPolled ? m_polledState : snapshot.state;
  const LONG axes[6] = {state.lX, state.lY, state.lZ, state.lRx, state.lRy, state.lRz};
  BYTE* pb = static_cast<BYTE*>(lpvData);
  std::memset(pb, 0, cbData);
  for (const Mapping& mapping : m_mappings) {
    DWORD dwValue = 0;
    switch (mapping.source) {
      case Source::kAxis:
        dwValue = static_cast<DWORD>(mapping.dwIndex < 6 ? axes[mapping.dwIndex] : 0);
        break;
      case Source::kSlider:
        dwValue = static_cast<DWORD>(mapping.dwIndex < 2 ? state.rglSlider[mapping.dwIndex] : 0);
        break;
      case Source::kPov:
        dwValue = mapping.dwIndex < 4 ? state.rgdwPOV[mapping.dwIndex] : 0xFFFFFFFFu;
        break;
      case Source::kButton:
        pb[mapping.dwOfs] = mapping.dwIndex < 32 ? state.rgbButtons[mapping.dwIndex] : 0;
        continue;
      case Source::kNone:
        continue;
    }
    std::memcpy(pb + mapping.dwOfs, &dwValue, sizeof dwValue);
  }
  return DI_OK;
}

// DIPROP_GUIDANDPATH only: the HID class and the joystick's interface path.
HRESULT JoystickDevice::GetProperty(REFGUID rguidProp, LPDIPROPHEADER pdiph) {
  if (pdiph == nullptr || IsBadWritePtr(pdiph, sizeof *pdiph)) return DIERR_INVALIDPARAM;
  if (&rguidProp != &DIPROP_GUIDANDPATH) return DIERR_UNSUPPORTED;
  if (pdiph->dwSize != sizeof(DIPROPGUIDANDPATH) || pdiph->dwHeaderSize != sizeof(DIPROPHEADER) ||
      pdiph->dwHow != DIPH_DEVICE || pdiph->dwObj != 0 || IsBadWritePtr(pdiph, sizeof(DIPROPGUIDANDPATH)))
    return DIERR_INVALIDPARAM;
  HRESULT hr = sim::DirectInputFailure(sim::DiCall::kGetProperty);
  if (FAILED(hr)) return hr;
  sim::JoystickSnapshot snapshot;
  if (!sim::GetJoystickSnapshot(m_uJoyID, &snapshot)) return DIERR_INPUTLOST;  // the joystick is gone
  DIPROPGUIDANDPATH* pProp = reinterpret_cast<DIPROPGUIDANDPATH*>(pdiph);
  pProp->guidClass = kHidClassGuid;
  CopyToWide(snapshot.path.c_str(), pProp->wszPath, MAX_PATH);
  return DI_OK;
}

}  // namespace

IDirectInputDevice2A* NewJoystickDevice(UINT uJoyID) { return new (std::nothrow) JoystickDevice(uJoyID); }

}  // namespace qjplat

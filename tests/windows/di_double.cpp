// The DirectInput test double: dinput.dll, loaded in place of the system's
// (a DLL override, the DLL beside the host) by the property-sheet module
// under test. It presents one joystick of the controller and implements the
// calls the pages make (DirectInputCreateA; IDirectInputA QueryInterface for
// the joystick configuration and CreateDevice; IDirectInputJoyConfig
// GetConfig and Unacquire; IDirectInputDevice2A SetDataFormat,
// SetCooperativeLevel, Acquire, Unacquire, Poll, GetDeviceState and
// GetProperty(DIPROP_GUIDANDPATH)) with DirectInput's published checks of
// arguments and state. Every other method answers E_NOTIMPL and is counted
// as unexpected.
//
// Released objects: each object lives alone in a page of its own; its last
// Release fills the page and decommits it (the address range stays
// reserved, so it is never handed out again), so that any later touch
// faults at once, as under a page heap. The double's exception handler
// catches such a fault, counts it, brings the page back as a dead object
// that counts and refuses every further call, and lets the program go on,
// so one run counts every use after release instead of ending at the first.
// Where a 32-bit Wine process cannot go on after an exception (under
// user-mode emulation, QJ_WINE32_EMULATED=1 in the environment), a released
// object becomes the dead object at once, in its page that stays committed:
// every call through it is still counted, a plain read of it no longer
// faults.
//
// The device path that GetProperty(DIPROP_GUIDANDPATH) hands out is a fresh
// named pipe of this process on every call; what the module writes through
// it (CreateFileA, WriteFile, CloseHandle) is collected in order, with the
// tick of the GetProperty call, and handed to the host by TakeWrites.
//
// Everything but the exception handler runs on the thread that made the
// objects (the property sheet's); each notable event prints one line,
// "dinput double: ...", on standard output.
#include "di_double.h"

#include <dinputd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace {

// The joystick's instance GUID, as GetConfig reports it and CreateDevice takes it.
const GUID kInstanceGuid = {0x51A7E0C2, 0x7C3A, 0xA02F, {0x9D, 0x30, 0x44, 0x52, 0x56, 0x4F, 0x55, 0x42}};
// The HID device class, reported with the device path.
const GUID kHidClassGuid = {0x745A17A0, 0x74D3, 0x11D0, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}};
const WCHAR kTypeNameW[] = L"VID_7C3A&PID_A02F";

// Joystick slots DirectInput knows: IDs 0 to 15.
constexpr UINT kJoystickSlots = 16;
// DirectInputCreateA's versions: DirectX 3 up to 7.
constexpr DWORD kOldestVersion = 0x0300;
constexpr DWORD kNewestVersion = 0x0700;
// Every object takes one page; a released one keeps its address range.
constexpr SIZE_T kObjectBytes = 4096;
constexpr BYTE kReleasedFill = 0xDD;
constexpr UINT kMaxRetired = 8192;

// ------------------------------------------------------------------ state

UINT g_uJoyId = 0;
DIJOYSTATE g_state;
DWORD g_dwPollTick = 0;  // of the last successful GetDeviceState
LONG g_nState = 1;
bool g_bLost = false;
DiCounters g_counters;

void Say(const char* pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  std::fputs("dinput double: ", stdout);
  std::vprintf(pszFormat, args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  va_end(args);
}

HRESULT Refuse(const char* pszKind, UINT uId, const char* pszCall, const char* pszWhy, HRESULT hr) {
  InterlockedIncrement(&g_counters.cRefused);
  Say("%s #%u %s refused: %s (0x%08lX)", pszKind, uId, pszCall, pszWhy, static_cast<unsigned long>(hr));
  return hr;
}

HRESULT Unexpected(const char* pszKind, UINT uId, const char* pszCall) {
  InterlockedIncrement(&g_counters.cUnexpected);
  Say("%s #%u %s: a call the pages are not expected to make (E_NOTIMPL)", pszKind, uId, pszCall);
  return E_NOTIMPL;
}

void UseAfterRelease(const char* pszKind, UINT uId, const char* pszCall) {
  InterlockedIncrement(&g_counters.cUsesAfterRelease);
  Say("USE AFTER RELEASE: %s on the released %s #%u", pszCall, pszKind, uId);
}

bool Readable(const void* pv, UINT_PTR cb) { return pv != nullptr && !IsBadReadPtr(pv, cb); }
bool Writable(void* pv, UINT_PTR cb) { return pv != nullptr && !IsBadWritePtr(pv, cb); }

// ----------------------------------------------------------- the device

// The HID device stand-in: one named pipe instance per handed-out path.
class Device {
 public:
  // Collects the session of the last path and makes a new one; the path
  // (a wide string of the pipe's name) or an empty string when no pipe can
  // be made.
  void NewSession(WCHAR (&wszPath)[MAX_PATH]) {
    Collect();
    wszPath[0] = 0;
    char szName[64];
    std::snprintf(szName, sizeof szName, "\\\\.\\pipe\\qj-hid-7c3a-a02f-%lu-%u",
                  static_cast<unsigned long>(GetCurrentProcessId()), ++m_uSessions);
    m_hPipe = CreateNamedPipeA(szName, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                               4096, 4096, 0, nullptr);
    if (m_hPipe == INVALID_HANDLE_VALUE) {
      Say("cannot make the device pipe %s (error %lu)", szName, GetLastError());
      m_hPipe = nullptr;
      return;
    }
    std::memset(&m_ov, 0, sizeof m_ov);
    m_ov.hEvent = m_hEvent;
    ResetEvent(m_hEvent);
    if (!ConnectNamedPipe(m_hPipe, &m_ov)) {
      const DWORD dwError = GetLastError();
      if (dwError == ERROR_PIPE_CONNECTED) SetEvent(m_hEvent);
      else if (dwError != ERROR_IO_PENDING) Say("ConnectNamedPipe failed (error %lu)", dwError);
    }
    m_dwTick = GetTickCount();
    m_dwPollTick = g_dwPollTick;
    MultiByteToWideChar(CP_ACP, 0, szName, -1, wszPath, MAX_PATH);
  }

  // Reads what the module wrote in the last session (it has closed its
  // handle by now: every write of the pages opens, writes and closes) and
  // ends the session.
  void Collect() {
    if (m_hPipe == nullptr) return;
    DWORD cbIgnored = 0;
    const bool bConnected = WaitForSingleObject(m_hEvent, 0) == WAIT_OBJECT_0 &&
                            GetOverlappedResult(m_hPipe, &m_ov, &cbIgnored, FALSE);
    if (!bConnected) {
      // No one opened the path.
      CancelIo(m_hPipe);
      CloseHandle(m_hPipe);
      m_hPipe = nullptr;
      return;
    }
    DiDeviceWrite write;
    std::memset(&write, 0, sizeof write);
    write.dwTick = m_dwTick;
    write.dwPollTick = m_dwPollTick;
    for (;;) {
      BYTE buffer[256];
      DWORD cbAvailable = 0;
      if (!PeekNamedPipe(m_hPipe, nullptr, 0, nullptr, &cbAvailable, nullptr) || cbAvailable == 0) break;
      OVERLAPPED ov;
      std::memset(&ov, 0, sizeof ov);
      ov.hEvent = m_hEvent;
      ResetEvent(m_hEvent);
      DWORD cbRead = 0;
      const DWORD cbWant = cbAvailable < sizeof buffer ? cbAvailable : sizeof buffer;
      if (!ReadFile(m_hPipe, buffer, cbWant, &cbRead, &ov) && GetLastError() != ERROR_IO_PENDING) break;
      if (!GetOverlappedResult(m_hPipe, &ov, &cbRead, TRUE) || cbRead == 0) break;
      for (DWORD i = 0; i < cbRead; ++i, ++write.cb)
        if (write.cb < sizeof write.bytes) write.bytes[write.cb] = buffer[i];
    }
    DisconnectNamedPipe(m_hPipe);
    CloseHandle(m_hPipe);
    m_hPipe = nullptr;
    m_writes.push_back(write);
  }

  UINT Take(DiDeviceWrite* pWrites, UINT cMax) {
    Collect();
    UINT n = 0;
    for (; n < cMax && n < m_writes.size(); ++n) pWrites[n] = m_writes[n];
    m_writes.erase(m_writes.begin(), m_writes.begin() + n);
    return n;
  }

  Device() : m_hEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

 private:
  HANDLE m_hEvent;
  HANDLE m_hPipe = nullptr;  // the server end of the session handed out last
  OVERLAPPED m_ov{};
  DWORD m_dwTick = 0;      // of the GetProperty that handed out the session's path
  DWORD m_dwPollTick = 0;  // of the last GetDeviceState before it
  UINT m_uSessions = 0;
  std::vector<DiDeviceWrite> m_writes;
};

Device* g_pDevice = nullptr;  // made at process attach

// --------------------------------------------------- objects in own pages

struct DeadTag {};

// Where a released object lay and how to bring it back as a dead object.
struct Retired {
  BYTE* pBase;
  const char* pszKind;
  UINT uId;
  void (*pfnRevive)(void* pv, UINT uId);
  bool bRevived;
};
Retired g_retired[kMaxRetired];
UINT g_cRetired = 0;
UINT g_uNextId = 1;
bool g_bNoFaults = false;  // released objects become dead ones at once, without a fault

template <class T>
T* MakeObject() {
  static_assert(sizeof(T) <= kObjectBytes, "an object fits its page");
  void* pv = VirtualAlloc(nullptr, kObjectBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (pv == nullptr) return nullptr;
  InterlockedIncrement(&g_counters.cObjectsMade);
  InterlockedIncrement(&g_counters.cObjectsLive);
  T* p = new (pv) T(g_uNextId++);
  Say("%s #%u made at %p", T::kKind, p->Id(), pv);
  return p;
}

template <class T>
void Revive(void* pv, UINT uId) {
  new (pv) T(DeadTag{}, uId);
}

template <class T>
void FreeObject(T* p) {
  const UINT uId = p->Id();
  p->~T();
  BYTE* pBase = reinterpret_cast<BYTE*>(p);
  std::memset(pBase, kReleasedFill, kObjectBytes);
  InterlockedDecrement(&g_counters.cObjectsLive);
  if (g_bNoFaults) {
    Revive<T>(pBase, uId);
    Say("%s #%u released (a dead object from now on)", T::kKind, uId);
    return;
  }
  VirtualFree(pBase, kObjectBytes, MEM_DECOMMIT);
  if (g_cRetired < kMaxRetired) g_retired[g_cRetired++] = Retired{pBase, T::kKind, uId, &Revive<T>, false};
  Say("%s #%u released", T::kKind, uId);
}

// A fault on a released object's page: counted; the page comes back holding
// a dead object, and the faulting access runs again against it.
LONG CALLBACK OnFault(EXCEPTION_POINTERS* pInfo) {
  const EXCEPTION_RECORD* pRecord = pInfo->ExceptionRecord;
  if (pRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || pRecord->NumberParameters < 2)
    return EXCEPTION_CONTINUE_SEARCH;
  const BYTE* pAddress = reinterpret_cast<const BYTE*>(pRecord->ExceptionInformation[1]);
  for (UINT i = 0; i < g_cRetired; ++i) {
    Retired& retired = g_retired[i];
    if (retired.bRevived || pAddress < retired.pBase || pAddress >= retired.pBase + kObjectBytes) continue;
    if (VirtualAlloc(retired.pBase, kObjectBytes, MEM_COMMIT, PAGE_READWRITE) == nullptr)
      return EXCEPTION_CONTINUE_SEARCH;
    retired.pfnRevive(retired.pBase, retired.uId);
    retired.bRevived = true;
    InterlockedIncrement(&g_counters.cUsesAfterRelease);
    Say("USE AFTER RELEASE: the released %s #%u was touched at %p (code at %p)", retired.pszKind, retired.uId,
        static_cast<const void*>(pAddress), pRecord->ExceptionAddress);
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

// The reference count of a live object, or the dead object's refusal.
class Counted {
 public:
  explicit Counted(UINT uId) : m_uId(uId), m_cRef(1), m_bDead(false) {}
  Counted(DeadTag, UINT uId) : m_uId(uId), m_cRef(0), m_bDead(true) {}
  UINT Id() const { return m_uId; }

 protected:
  UINT m_uId;
  LONG m_cRef;
  bool m_bDead;
};

// The first statement of every method: a dead object counts the call and
// answers hrDead.
#define QJ_ALIVE_OR(hrDead)                    \
  do {                                         \
    if (m_bDead) {                             \
      UseAfterRelease(kKind, m_uId, __func__); \
      return hrDead;                           \
    }                                          \
  } while (0)
#define QJ_UNEXPECTED()                      \
  do {                                       \
    QJ_ALIVE_OR(E_NOTIMPL);                  \
    return Unexpected(kKind, m_uId, __func__); \
  } while (0)

// ------------------------------------------------------------ the device

class JoystickDevice;
JoystickDevice* g_pExclusiveOwner = nullptr;  // the device acquired exclusively, if any

class JoystickDevice final : public IDirectInputDevice2A, public Counted {
 public:
  static constexpr const char* kKind = "device";
  explicit JoystickDevice(UINT uId) : Counted(uId) {}
  JoystickDevice(DeadTag tag, UINT uId) : Counted(tag, uId) {}

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    QJ_ALIVE_OR(E_NOINTERFACE);
    if (!Writable(ppv, sizeof *ppv)) return Refuse(kKind, m_uId, __func__, "no place for the interface", E_POINTER);
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDirectInputDeviceA) &&
        !IsEqualIID(riid, IID_IDirectInputDevice2A))
      return E_NOINTERFACE;
    *ppv = static_cast<IDirectInputDevice2A*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override {
    QJ_ALIVE_OR(0);
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
  }
  STDMETHOD_(ULONG, Release)() override {
    QJ_ALIVE_OR(0);
    const LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef != 0) return static_cast<ULONG>(cRef);
    // The last Release unacquires the device.
    if (g_pExclusiveOwner == this) g_pExclusiveOwner = nullptr;
    FreeObject(this);
    return 0;
  }

  STDMETHOD(GetCapabilities)(LPDIDEVCAPS) override { QJ_UNEXPECTED(); }
  STDMETHOD(EnumObjects)(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override { QJ_UNEXPECTED(); }

  STDMETHOD(GetProperty)(REFGUID rguidProp, LPDIPROPHEADER pdiph) override {
    QJ_ALIVE_OR(DIERR_INPUTLOST);
    if (!Readable(pdiph, sizeof(DIPROPHEADER)) || !Writable(pdiph, sizeof(DIPROPHEADER)))
      return Refuse(kKind, m_uId, __func__, "no property header", DIERR_INVALIDPARAM);
    if (pdiph->dwHeaderSize != sizeof(DIPROPHEADER))
      return Refuse(kKind, m_uId, __func__, "dwHeaderSize is not sizeof(DIPROPHEADER)", DIERR_INVALIDPARAM);
    // The predefined properties are small integers in place of a GUID's address.
    if (reinterpret_cast<ULONG_PTR>(&rguidProp) != reinterpret_cast<ULONG_PTR>(&DIPROP_GUIDANDPATH))
      return Unexpected(kKind, m_uId, "GetProperty of a property other than DIPROP_GUIDANDPATH");
    if (pdiph->dwSize != sizeof(DIPROPGUIDANDPATH) || !Writable(pdiph, sizeof(DIPROPGUIDANDPATH)))
      return Refuse(kKind, m_uId, __func__, "dwSize is not sizeof(DIPROPGUIDANDPATH)", DIERR_INVALIDPARAM);
    if (pdiph->dwHow != DIPH_DEVICE || pdiph->dwObj != 0)
      return Refuse(kKind, m_uId, __func__, "a device property needs DIPH_DEVICE and object 0", DIERR_INVALIDPARAM);
    DIPROPGUIDANDPATH* pProp = reinterpret_cast<DIPROPGUIDANDPATH*>(pdiph);
    pProp->guidClass = kHidClassGuid;
    g_pDevice->NewSession(pProp->wszPath);
    return DI_OK;
  }
  STDMETHOD(SetProperty)(REFGUID, LPCDIPROPHEADER) override { QJ_UNEXPECTED(); }

  STDMETHOD(Acquire)() override {
    QJ_ALIVE_OR(DIERR_INPUTLOST);
    if (!m_bFormat) return Refuse(kKind, m_uId, __func__, "no data format set", DIERR_INVALIDPARAM);
    if (m_bAcquired) return S_FALSE;
    if (m_dwLevel & DISCL_EXCLUSIVE) {
      if (!IsWindow(m_hWnd))
        return Refuse(kKind, m_uId, __func__, "the cooperative level's window was destroyed", DIERR_INVALIDPARAM);
      if (g_pExclusiveOwner != nullptr && g_pExclusiveOwner != this)
        return Refuse(kKind, m_uId, __func__, "another device object holds the joystick exclusively",
                      DIERR_OTHERAPPHASPRIO);
      g_pExclusiveOwner = this;
    }
    m_bAcquired = true;
    return DI_OK;
  }
  STDMETHOD(Unacquire)() override {
    QJ_ALIVE_OR(DI_NOEFFECT);
    if (!m_bAcquired) return DI_NOEFFECT;
    Drop();
    return DI_OK;
  }

  STDMETHOD(GetDeviceState)(DWORD cbData, LPVOID lpvData) override {
    QJ_ALIVE_OR(DIERR_INPUTLOST);
    const HRESULT hr = CheckReading();
    if (FAILED(hr)) return hr;
    if (cbData != sizeof(DIJOYSTATE))
      return Refuse(kKind, m_uId, __func__, "cbData is not the data format's 80 bytes", DIERR_INVALIDPARAM);
    if (!Writable(lpvData, cbData)) return Refuse(kKind, m_uId, __func__, "no room for the state", DIERR_INVALIDPARAM);
    std::memcpy(lpvData, &g_state, sizeof g_state);
    g_dwPollTick = GetTickCount();
    InterlockedIncrement(&g_counters.cStatesRead);
    g_counters.nStateRead = g_nState;
    return DI_OK;
  }
  STDMETHOD(GetDeviceData)(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override { QJ_UNEXPECTED(); }

  STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT lpdf) override {
    QJ_ALIVE_OR(DIERR_INPUTLOST);
    if (m_bAcquired) return Refuse(kKind, m_uId, __func__, "the device is acquired", DIERR_ACQUIRED);
    if (!Readable(lpdf, sizeof(DIDATAFORMAT)))
      return Refuse(kKind, m_uId, __func__, "no data format", DIERR_INVALIDPARAM);
    if (lpdf->dwSize != sizeof(DIDATAFORMAT) || lpdf->dwObjSize != sizeof(DIOBJECTDATAFORMAT) ||
        lpdf->dwDataSize % 4 != 0 || (lpdf->dwNumObjs != 0 && !Readable(lpdf->rgodf, lpdf->dwNumObjs * lpdf->dwObjSize)))
      return Refuse(kKind, m_uId, __func__, "a malformed DIDATAFORMAT", DIERR_INVALIDPARAM);
    if ((lpdf->dwFlags & (DIDF_ABSAXIS | DIDF_RELAXIS)) == (DIDF_ABSAXIS | DIDF_RELAXIS))
      return Refuse(kKind, m_uId, __func__, "both absolute and relative axes", DIERR_INVALIDPARAM);
    // The joystick format of the pages: 80 bytes of 44 objects, absolute axes.
    if (lpdf->dwDataSize != sizeof(DIJOYSTATE) || lpdf->dwNumObjs != 44 || !(lpdf->dwFlags & DIDF_ABSAXIS))
      return Unexpected(kKind, m_uId, "SetDataFormat of a format other than the joystick's");
    m_bFormat = true;
    return DI_OK;
  }
  STDMETHOD(SetEventNotification)(HANDLE) override { QJ_UNEXPECTED(); }

  STDMETHOD(SetCooperativeLevel)(HWND hwnd, DWORD dwFlags) override {
    QJ_ALIVE_OR(DIERR_INPUTLOST);
    if (m_bAcquired) return Refuse(kKind, m_uId, __func__, "the device is acquired", DIERR_ACQUIRED);
    const DWORD dwKnown = DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY;
    const bool bOneAccess = !(dwFlags & DISCL_EXCLUSIVE) != !(dwFlags & DISCL_NONEXCLUSIVE);
    const bool bOneGround = !(dwFlags & DISCL_FOREGROUND) != !(dwFlags & DISCL_BACKGROUND);
    if ((dwFlags & ~dwKnown) || !bOneAccess || !bOneGround)
      return Refuse(kKind, m_uId, __func__, "flags need one of EXCLUSIVE/NONEXCLUSIVE and one of FOREGROUND/BACKGROUND",
                    DIERR_INVALIDPARAM);
    // Only a non-exclusive background device may do without a window; any
    // window given must be a top-level window of this process.
    const bool bNeedWindow = (dwFlags & (DISCL_EXCLUSIVE | DISCL_FOREGROUND)) != 0;
    if (hwnd != nullptr || bNeedWindow) {
      DWORD dwProcess = 0;
      if (!IsWindow(hwnd)) return Refuse(kKind, m_uId, __func__, "not a window", E_HANDLE);
      if (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD)
        return Refuse(kKind, m_uId, __func__, "a child window, not a top-level one", E_HANDLE);
      GetWindowThreadProcessId(hwnd, &dwProcess);
      if (dwProcess != GetCurrentProcessId())
        return Refuse(kKind, m_uId, __func__, "a window of another process", E_HANDLE);
    }
    m_hWnd = hwnd;
    m_dwLevel = dwFlags;
    return DI_OK;
  }

  STDMETHOD(GetObjectInfo)(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(GetDeviceInfo)(LPDIDEVICEINSTANCEA) override { QJ_UNEXPECTED(); }
  STDMETHOD(RunControlPanel)(HWND, DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(Initialize)(HINSTANCE, DWORD, REFGUID) override { QJ_UNEXPECTED(); }
  STDMETHOD(CreateEffect)(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT*, LPUNKNOWN) override { QJ_UNEXPECTED(); }
  STDMETHOD(EnumEffects)(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(GetEffectInfo)(LPDIEFFECTINFOA, REFGUID) override { QJ_UNEXPECTED(); }
  STDMETHOD(GetForceFeedbackState)(LPDWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(SendForceFeedbackCommand)(DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(EnumCreatedEffectObjects)(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD) override {
    QJ_UNEXPECTED();
  }
  STDMETHOD(Escape)(LPDIEFFESCAPE) override { QJ_UNEXPECTED(); }

  STDMETHOD(Poll)() override {
    QJ_ALIVE_OR(DIERR_INPUTLOST);
    return CheckReading();
  }
  STDMETHOD(SendDeviceData)(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override { QJ_UNEXPECTED(); }

 private:
  // Poll and GetDeviceState need an acquired device that answers; a device
  // that stops answering reports the loss once and is unacquired.
  HRESULT CheckReading() {
    if (!m_bAcquired) return DIERR_NOTACQUIRED;
    if (g_bLost) {
      Drop();
      return DIERR_INPUTLOST;
    }
    return DI_OK;
  }
  void Drop() {
    m_bAcquired = false;
    if (g_pExclusiveOwner == this) g_pExclusiveOwner = nullptr;
  }

  bool m_bFormat = false;
  bool m_bAcquired = false;
  HWND m_hWnd = nullptr;
  DWORD m_dwLevel = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
};

// --------------------------------------------- the joystick configuration

class JoyConfig final : public IDirectInputJoyConfig, public Counted {
 public:
  static constexpr const char* kKind = "joystick configuration";
  explicit JoyConfig(UINT uId) : Counted(uId) {}
  JoyConfig(DeadTag tag, UINT uId) : Counted(tag, uId) {}

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    QJ_ALIVE_OR(E_NOINTERFACE);
    if (!Writable(ppv, sizeof *ppv)) return Refuse(kKind, m_uId, __func__, "no place for the interface", E_POINTER);
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDirectInputJoyConfig)) return E_NOINTERFACE;
    *ppv = static_cast<IDirectInputJoyConfig*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override {
    QJ_ALIVE_OR(0);
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
  }
  STDMETHOD_(ULONG, Release)() override {
    QJ_ALIVE_OR(0);
    const LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef != 0) return static_cast<ULONG>(cRef);
    FreeObject(this);
    return 0;
  }

  STDMETHOD(Acquire)() override { QJ_UNEXPECTED(); }
  // Nothing was acquired for configuration writes.
  STDMETHOD(Unacquire)() override {
    QJ_ALIVE_OR(DI_NOEFFECT);
    return DI_NOEFFECT;
  }
  STDMETHOD(SetCooperativeLevel)(HWND, DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(SendNotify)() override { QJ_UNEXPECTED(); }
  STDMETHOD(EnumTypes)(LPVOID, LPVOID) override { QJ_UNEXPECTED(); }
  STDMETHOD(GetTypeInfo)(LPCWSTR, LPDIJOYTYPEINFO, DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(SetTypeInfo)(LPCWSTR, LPCDIJOYTYPEINFO, DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(DeleteType)(LPCWSTR) override { QJ_UNEXPECTED(); }

  STDMETHOD(GetConfig)(UINT uiJoy, LPDIJOYCONFIG pjc, DWORD dwFlags) override {
    QJ_ALIVE_OR(DIERR_INPUTLOST);
    if (!Writable(pjc, sizeof(DWORD)))
      return Refuse(kKind, m_uId, __func__, "no configuration record", DIERR_INVALIDPARAM);
    if ((pjc->dwSize != sizeof(DIJOYCONFIG) && pjc->dwSize != sizeof(DIJOYCONFIG_DX5)) || !Writable(pjc, pjc->dwSize))
      return Refuse(kKind, m_uId, __func__, "dwSize is not the size of a DIJOYCONFIG", DIERR_INVALIDPARAM);
    const DWORD dwKnown = DIJC_GUIDINSTANCE | DIJC_REGHWCONFIGTYPE | DIJC_GAIN | DIJC_CALLOUT;
    if (dwFlags & ~dwKnown) return Refuse(kKind, m_uId, __func__, "unknown DIJC_ flags", DIERR_INVALIDPARAM);
    if (uiJoy >= kJoystickSlots || uiJoy > g_uJoyId) return DIERR_NOMOREITEMS;
    if (uiJoy != g_uJoyId) return S_FALSE;  // a slot with no joystick configured
    if (dwFlags & DIJC_GUIDINSTANCE) pjc->guidInstance = kInstanceGuid;
    if (dwFlags & DIJC_REGHWCONFIGTYPE) {
      std::memset(&pjc->hwc, 0, sizeof pjc->hwc);
      pjc->hwc.hws.dwNumButtons = 12;
      pjc->hwc.dwUsageSettings = JOY_US_PRESENT;
      pjc->hwc.dwType = JOY_HW_CUSTOM;
      std::memset(pjc->wszType, 0, sizeof pjc->wszType);
      std::memcpy(pjc->wszType, kTypeNameW, sizeof kTypeNameW);
    }
    if (dwFlags & DIJC_GAIN) pjc->dwGain = DI_FFNOMINALMAX;
    if (dwFlags & DIJC_CALLOUT) std::memset(pjc->wszCallout, 0, sizeof pjc->wszCallout);
    return DI_OK;
  }
  STDMETHOD(SetConfig)(UINT, LPCDIJOYCONFIG, DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(DeleteConfig)(UINT) override { QJ_UNEXPECTED(); }
  STDMETHOD(GetUserValues)(LPDIJOYUSERVALUES, DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(SetUserValues)(LPCDIJOYUSERVALUES, DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(AddNewHardware)(HWND, REFGUID) override { QJ_UNEXPECTED(); }
  STDMETHOD(OpenTypeKey)(LPCWSTR, DWORD, PHKEY) override { QJ_UNEXPECTED(); }
  STDMETHOD(OpenConfigKey)(UINT, DWORD, PHKEY) override { QJ_UNEXPECTED(); }
};

// ------------------------------------------------ the DirectInput object

class DirectInput final : public IDirectInputA, public Counted {
 public:
  static constexpr const char* kKind = "DirectInput object";
  explicit DirectInput(UINT uId) : Counted(uId) {}
  DirectInput(DeadTag tag, UINT uId) : Counted(tag, uId) {}

  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    QJ_ALIVE_OR(E_NOINTERFACE);
    if (!Writable(ppv, sizeof *ppv)) return Refuse(kKind, m_uId, __func__, "no place for the interface", E_POINTER);
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectInputA)) {
      *ppv = static_cast<IDirectInputA*>(this);
      AddRef();
      return S_OK;
    }
    if (!IsEqualIID(riid, IID_IDirectInputJoyConfig)) return E_NOINTERFACE;
    JoyConfig* pConfig = MakeObject<JoyConfig>();
    if (pConfig == nullptr) return E_OUTOFMEMORY;
    *ppv = static_cast<IDirectInputJoyConfig*>(pConfig);
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override {
    QJ_ALIVE_OR(0);
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
  }
  STDMETHOD_(ULONG, Release)() override {
    QJ_ALIVE_OR(0);
    const LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef != 0) return static_cast<ULONG>(cRef);
    FreeObject(this);
    return 0;
  }

  STDMETHOD(CreateDevice)(REFGUID rguid, LPDIRECTINPUTDEVICEA* ppDevice, LPUNKNOWN pUnkOuter) override {
    QJ_ALIVE_OR(DIERR_INPUTLOST);
    if (!Writable(ppDevice, sizeof *ppDevice))
      return Refuse(kKind, m_uId, __func__, "no place for the device", DIERR_INVALIDPARAM);
    *ppDevice = nullptr;
    if (pUnkOuter != nullptr) return Refuse(kKind, m_uId, __func__, "aggregation", DIERR_NOAGGREGATION);
    if (!IsEqualGUID(rguid, kInstanceGuid))
      return Refuse(kKind, m_uId, __func__, "not the instance GUID of an attached device", DIERR_DEVICENOTREG);
    JoystickDevice* pDevice = MakeObject<JoystickDevice>();
    if (pDevice == nullptr) return DIERR_OUTOFMEMORY;
    *ppDevice = reinterpret_cast<LPDIRECTINPUTDEVICEA>(static_cast<IDirectInputDevice2A*>(pDevice));
    return DI_OK;
  }
  STDMETHOD(EnumDevices)(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(GetDeviceStatus)(REFGUID) override { QJ_UNEXPECTED(); }
  STDMETHOD(RunControlPanel)(HWND, DWORD) override { QJ_UNEXPECTED(); }
  STDMETHOD(Initialize)(HINSTANCE, DWORD) override { QJ_UNEXPECTED(); }
};

// ------------------------------------------------------------ the control

class Control final : public DiControl {
 public:
  void SetJoystickId(UINT uId) override { g_uJoyId = uId; }
  void SetState(const DIJOYSTATE& state) override {
    g_state = state;
    g_counters.nState = InterlockedIncrement(&g_nState);
  }
  void SetLost(BOOL bLost) override { g_bLost = bLost != FALSE; }
  void GetCounters(DiCounters* pCounters) override { *pCounters = g_counters; }
  UINT TakeWrites(DiDeviceWrite* pWrites, UINT cMax) override { return g_pDevice->Take(pWrites, cMax); }
};
Control g_control;

PVOID g_pHandler = nullptr;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID) {
  if (dwReason == DLL_PROCESS_ATTACH) {
    std::memset(&g_counters, 0, sizeof g_counters);
    std::memset(&g_state, 0, sizeof g_state);
    // A controller at rest: centred axes and hat, no button.
    g_state.lX = g_state.lY = g_state.lZ = g_state.lRz = 32767;
    for (DWORD& dwPov : g_state.rgdwPOV) dwPov = 0xFFFFFFFF;
    g_counters.nState = g_nState;
    g_pDevice = new (std::nothrow) Device;
    char szEmulated[8] = "";
    g_bNoFaults = GetEnvironmentVariableA("QJ_WINE32_EMULATED", szEmulated, sizeof szEmulated) == 1 &&
                  szEmulated[0] == '1';
    if (!g_bNoFaults) g_pHandler = AddVectoredExceptionHandler(1, OnFault);
  } else if (dwReason == DLL_PROCESS_DETACH) {
    if (g_pHandler != nullptr) RemoveVectoredExceptionHandler(g_pHandler);
  }
  return g_pDevice != nullptr;
}

// A new DirectInput object. DIERR_INVALIDPARAM without a place for it or
// without a module instance, DIERR_OLDDIRECTINPUTVERSION and
// DIERR_BETADIRECTINPUTVERSION for versions outside 0x0300..0x0700,
// DIERR_NOAGGREGATION for an outer object, DIERR_OUTOFMEMORY.
extern "C" HRESULT WINAPI DirectInputCreateA(HINSTANCE hinst, DWORD dwVersion, LPDIRECTINPUTA* ppDI,
                                             LPUNKNOWN punkOuter) {
  if (!Writable(ppDI, sizeof *ppDI))
    return Refuse("DirectInputCreateA", 0, "call", "no place for the object", DIERR_INVALIDPARAM);
  *ppDI = nullptr;
  char szModule[MAX_PATH];
  if (hinst == nullptr || GetModuleFileNameA(hinst, szModule, sizeof szModule) == 0)
    return Refuse("DirectInputCreateA", 0, "call", "hinst is not a module instance", DIERR_INVALIDPARAM);
  if (dwVersion < kOldestVersion)
    return Refuse("DirectInputCreateA", 0, "call", "version older than DirectX 3", DIERR_OLDDIRECTINPUTVERSION);
  if (dwVersion > kNewestVersion)
    return Refuse("DirectInputCreateA", 0, "call", "version newer than this entry point", DIERR_BETADIRECTINPUTVERSION);
  if (punkOuter != nullptr) return Refuse("DirectInputCreateA", 0, "call", "aggregation", DIERR_NOAGGREGATION);
  DirectInput* pDI = MakeObject<DirectInput>();
  if (pDI == nullptr) return DIERR_OUTOFMEMORY;
  *ppDI = pDI;
  return DI_OK;
}

extern "C" DiControl* WINAPI QjDiGetControl(DWORD dwVersion) {
  return dwVersion == kDiControlVersion ? &g_control : nullptr;
}

// DirectInput: the force-feedback effect-driver interface and the effect
// structures, constants and result codes that an effect driver receives,
// with their published layouts (the DirectX 6 form of DIEFFECT, which ends
// with dwStartDelay); then the application side that the property pages use
// (DirectInputCreateA, IDirectInputA, IDirectInputDevice2A, the standard
// joystick data format and DIJOYSTATE) and the joystick-configuration
// interface IDirectInputJoyConfig with DIJOYCONFIG and DIJOYTYPEINFO, which
// the SDK keeps in its driver-side header.
#pragma once

#include "platform/posix/types.h"
#include "platform/posix/ole32.h"

// Result codes. DirectInput's success and error names alias the generic
// HRESULTs where the published values coincide.
#define DI_OK S_OK
#define DI_NOEFFECT S_FALSE
#define DI_DOWNLOADSKIPPED ((HRESULT)0x00000003)
#define DI_EFFECTRESTARTED ((HRESULT)0x00000004)
#define DI_TRUNCATED ((HRESULT)0x00000008)
#define DIERR_GENERIC E_FAIL
#define DIERR_INVALIDPARAM E_INVALIDARG
#define DIERR_NOINTERFACE E_NOINTERFACE
#define DIERR_OUTOFMEMORY E_OUTOFMEMORY
#define DIERR_UNSUPPORTED E_NOTIMPL

// Nominal full scale of magnitudes and gains, and the unit of effect times
// (microseconds per second).
#define DI_FFNOMINALMAX 10000
#define DI_SECONDS 1000000
#define DI_DEGREES 100

// DIEFFECT.dwFlags: how axes are named and how directions are expressed.
#define DIEFF_OBJECTIDS 0x00000001u
#define DIEFF_OBJECTOFFSETS 0x00000002u
#define DIEFF_CARTESIAN 0x00000010u
#define DIEFF_POLAR 0x00000020u
#define DIEFF_SPHERICAL 0x00000040u

// Parameter flags of a download: which members of DIEFFECT are valid.
#define DIEP_DURATION 0x00000001u
#define DIEP_SAMPLEPERIOD 0x00000002u
#define DIEP_GAIN 0x00000004u
#define DIEP_TRIGGERBUTTON 0x00000008u
#define DIEP_TRIGGERREPEATINTERVAL 0x00000010u
#define DIEP_AXES 0x00000020u
#define DIEP_DIRECTION 0x00000040u
#define DIEP_ENVELOPE 0x00000080u
#define DIEP_TYPESPECIFICPARAMS 0x00000100u
#define DIEP_STARTDELAY 0x00000200u
#define DIEP_ALLPARAMS_DX5 0x000001FFu
#define DIEP_ALLPARAMS 0x000003FFu
#define DIEP_START 0x20000000u
#define DIEP_NORESTART 0x40000000u
#define DIEP_NODOWNLOAD 0x80000000u

// Start flags of IDirectInputEffect::Start, passed on as StartEffect's mode.
#define DIES_SOLO 0x00000001u
#define DIES_NODOWNLOAD 0x80000000u

// Device commands of SendForceFeedbackCommand.
#define DISFFC_RESET 0x00000001u
#define DISFFC_STOPALL 0x00000002u
#define DISFFC_PAUSE 0x00000004u
#define DISFFC_CONTINUE 0x00000008u
#define DISFFC_SETACTUATORSON 0x00000010u
#define DISFFC_SETACTUATORSOFF 0x00000020u

// DIDEVICESTATE.dwState bits of GetForceFeedbackState.
#define DIGFFS_EMPTY 0x00000001u
#define DIGFFS_STOPPED 0x00000002u
#define DIGFFS_PAUSED 0x00000004u
#define DIGFFS_ACTUATORSON 0x00000010u
#define DIGFFS_ACTUATORSOFF 0x00000020u
#define DIGFFS_POWERON 0x00000040u
#define DIGFFS_POWEROFF 0x00000080u
#define DIGFFS_SAFETYSWITCHON 0x00000100u
#define DIGFFS_SAFETYSWITCHOFF 0x00000200u
#define DIGFFS_USERFFSWITCHON 0x00000400u
#define DIGFFS_USERFFSWITCHOFF 0x00000800u
#define DIGFFS_DEVICELOST 0x80000000u

// Effect status bits of GetEffectStatus.
#define DIEGES_PLAYING 0x00000001u
#define DIEGES_EMULATED 0x00000002u

// Attack and fade of an effect; levels 0..10000, times in microseconds.
struct DIENVELOPE {
  DWORD dwSize;
  DWORD dwAttackLevel;
  DWORD dwAttackTime;
  DWORD dwFadeLevel;
  DWORD dwFadeTime;
};
typedef DIENVELOPE* LPDIENVELOPE;
typedef const DIENVELOPE* LPCDIENVELOPE;

// Type-specific block of a constant force.
struct DICONSTANTFORCE {
  LONG lMagnitude;
};
typedef DICONSTANTFORCE* LPDICONSTANTFORCE;
typedef const DICONSTANTFORCE* LPCDICONSTANTFORCE;

// Type-specific block of a ramp force: the levels at start and at end.
struct DIRAMPFORCE {
  LONG lStart;
  LONG lEnd;
};
typedef DIRAMPFORCE* LPDIRAMPFORCE;
typedef const DIRAMPFORCE* LPCDIRAMPFORCE;

// Type-specific block of the periodic forces; dwPhase in hundredths of a
// degree, dwPeriod in microseconds.
struct DIPERIODIC {
  DWORD dwMagnitude;
  LONG lOffset;
  DWORD dwPhase;
  DWORD dwPeriod;
};
typedef DIPERIODIC* LPDIPERIODIC;
typedef const DIPERIODIC* LPCDIPERIODIC;

// Description of an effect (DirectX 6 and later layout). Times are in
// microseconds; INFINITE marks an endless duration.
struct DIEFFECT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwDuration;
  DWORD dwSamplePeriod;
  DWORD dwGain;
  DWORD dwTriggerButton;
  DWORD dwTriggerRepeatInterval;
  DWORD cAxes;
  LPDWORD rgdwAxes;
  LPLONG rglDirection;
  LPDIENVELOPE lpEnvelope;
  DWORD cbTypeSpecificParams;
  LPVOID lpvTypeSpecificParams;
  DWORD dwStartDelay;
};
typedef DIEFFECT DIEFFECT_DX6;
typedef DIEFFECT* LPDIEFFECT;
typedef const DIEFFECT* LPCDIEFFECT;

// Hardware-specific command passed through Escape.
struct DIEFFESCAPE {
  DWORD dwSize;
  DWORD dwCommand;
  LPVOID lpvInBuffer;
  DWORD cbInBuffer;
  LPVOID lpvOutBuffer;
  DWORD cbOutBuffer;
};
typedef DIEFFESCAPE* LPDIEFFESCAPE;

// Versions reported by GetVersions.
struct DIDRIVERVERSIONS {
  DWORD dwSize;
  DWORD dwFirmwareRevision;
  DWORD dwHardwareRevision;
  DWORD dwFFDriverVersion;
};
typedef DIDRIVERVERSIONS* LPDIDRIVERVERSIONS;

// Force-feedback state reported by GetForceFeedbackState.
struct DIDEVICESTATE {
  DWORD dwSize;
  DWORD dwState;
  DWORD dwLoad;
};
typedef DIDEVICESTATE* LPDIDEVICESTATE;

// Passed to DeviceID for a HID device: its device interface path.
struct DIHIDFFINITINFO {
  DWORD dwSize;
  LPWSTR pwszDeviceInterface;
  GUID GuidInstance;
};
typedef DIHIDFFINITINFO* LPDIHIDFFINITINFO;

// Sizes of the published layouts; the pointer-carrying ones differ between
// 32-bit and 64-bit builds by their pointers and the padding before them.
static_assert(sizeof(DIENVELOPE) == 20, "DIENVELOPE is 20 bytes");
static_assert(sizeof(DICONSTANTFORCE) == 4, "DICONSTANTFORCE is 4 bytes");
static_assert(sizeof(DIRAMPFORCE) == 8, "DIRAMPFORCE is 8 bytes");
static_assert(sizeof(DIPERIODIC) == 16, "DIPERIODIC is 16 bytes");
static_assert(sizeof(DIDRIVERVERSIONS) == 16, "DIDRIVERVERSIONS is 16 bytes");
static_assert(sizeof(DIDEVICESTATE) == 12, "DIDEVICESTATE is 12 bytes");
static_assert(sizeof(DIEFFECT) == (sizeof(void*) == 8 ? 80 : 56), "DIEFFECT is 56 (32-bit) or 80 (64-bit) bytes");
static_assert(offsetof(DIEFFECT, dwStartDelay) == (sizeof(void*) == 8 ? 72 : 52),
              "DIEFFECT.dwStartDelay ends the DirectX 6 layout");
static_assert(sizeof(DIEFFESCAPE) == (sizeof(void*) == 8 ? 40 : 24), "DIEFFESCAPE is 24 or 40 bytes");
static_assert(sizeof(DIHIDFFINITINFO) == (sizeof(void*) == 8 ? 32 : 24), "DIHIDFFINITINFO is 24 or 32 bytes");

// {02538130-898F-11D0-9AD0-00A0C9A06E35}
QJ_DEFINE_GUID(IID_IDirectInputEffectDriver, 0x02538130, 0x898F, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0,
               0xC9, 0xA0, 0x6E, 0x35);

// The interface that DirectInput calls on a force-feedback effect driver.
// dwID is DirectInput's external joystick ID throughout; effect times in
// the descriptions are microseconds.
interface IDirectInputEffectDriver : public IUnknown {
  STDMETHOD(DeviceID)(DWORD dwDirectInputVersion, DWORD dwExternalID, DWORD fBegin,
                      DWORD dwInternalId, LPVOID lpReserved) PURE;
  STDMETHOD(GetVersions)(LPDIDRIVERVERSIONS pvers) PURE;
  STDMETHOD(Escape)(DWORD dwID, DWORD dwEffect, LPDIEFFESCAPE pesc) PURE;
  STDMETHOD(SetGain)(DWORD dwID, DWORD dwGain) PURE;
  STDMETHOD(SendForceFeedbackCommand)(DWORD dwID, DWORD dwCommand) PURE;
  STDMETHOD(GetForceFeedbackState)(DWORD dwID, LPDIDEVICESTATE pds) PURE;
  STDMETHOD(DownloadEffect)(DWORD dwID, DWORD dwEffectID, LPDWORD pdwEffect, LPCDIEFFECT peff,
                            DWORD dwFlags) PURE;
  STDMETHOD(DestroyEffect)(DWORD dwID, DWORD dwEffect) PURE;
  STDMETHOD(StartEffect)(DWORD dwID, DWORD dwEffect, DWORD dwMode, DWORD dwCount) PURE;
  STDMETHOD(StopEffect)(DWORD dwID, DWORD dwEffect) PURE;
  STDMETHOD(GetEffectStatus)(DWORD dwID, DWORD dwEffect, LPDWORD pdwStatus) PURE;

 protected:
  ~IDirectInputEffectDriver() = default;
};
typedef IDirectInputEffectDriver* LPDIRECTINPUTEFFECTDRIVER;

// ---------------------------------------------------------------------------
// Application side: the DirectInput object, devices and joystick configuration
// ---------------------------------------------------------------------------

#ifndef DIRECTINPUT_VERSION
#  define DIRECTINPUT_VERSION 0x0700
#endif

// Further result codes of the device and configuration interfaces, with
// their published values.
#define DI_POLLEDDEVICE ((HRESULT)0x00000002)
#define DI_PROPNOEFFECT S_FALSE
#define DI_NOTATTACHED S_FALSE
#define DI_BUFFEROVERFLOW S_FALSE
#define DIERR_OLDDIRECTINPUTVERSION ((HRESULT)0x8007047E)
#define DIERR_BETADIRECTINPUTVERSION ((HRESULT)0x80070481)
#define DIERR_BADDRIVERVER ((HRESULT)0x80070077)
#define DIERR_DEVICENOTREG REGDB_E_CLASSNOTREG
#define DIERR_NOTFOUND ((HRESULT)0x80070002)
#define DIERR_OBJECTNOTFOUND ((HRESULT)0x80070002)
#define DIERR_NOAGGREGATION CLASS_E_NOAGGREGATION
#define DIERR_OTHERAPPHASPRIO E_ACCESSDENIED
#define DIERR_READONLY E_ACCESSDENIED
#define DIERR_HANDLEEXISTS E_ACCESSDENIED
#define DIERR_ALREADYINITIALIZED ((HRESULT)0x800704DF)
#define DIERR_NOTINITIALIZED ((HRESULT)0x80070015)
#define DIERR_INPUTLOST ((HRESULT)0x8007001E)
#define DIERR_ACQUIRED ((HRESULT)0x800700AA)
#define DIERR_NOTACQUIRED ((HRESULT)0x8007000C)
#define DIERR_NOMOREITEMS ((HRESULT)0x80070103)
#define DIERR_INSUFFICIENTPRIVS ((HRESULT)0x80040200)
#define DIERR_DEVICEFULL ((HRESULT)0x80040201)
#define DIERR_MOREDATA ((HRESULT)0x80040202)
#define DIERR_NOTDOWNLOADED ((HRESULT)0x80040203)
#define DIERR_HASEFFECTS ((HRESULT)0x80040204)
#define DIERR_NOTEXCLUSIVEACQUIRED ((HRESULT)0x80040205)
#define DIERR_INCOMPLETEEFFECT ((HRESULT)0x80040206)
#define DIERR_NOTBUFFERED ((HRESULT)0x80040207)
#define DIERR_EFFECTPLAYING ((HRESULT)0x80040208)

// SetCooperativeLevel flags.
#define DISCL_EXCLUSIVE 0x00000001u
#define DISCL_NONEXCLUSIVE 0x00000002u
#define DISCL_FOREGROUND 0x00000004u
#define DISCL_BACKGROUND 0x00000008u
#define DISCL_NOWINKEY 0x00000010u

// Data formats: the axis mode of a format and the object types it names.
#define DIDF_ABSAXIS 0x00000001u
#define DIDF_RELAXIS 0x00000002u
#define DIDFT_ALL 0x00000000u
#define DIDFT_RELAXIS 0x00000001u
#define DIDFT_ABSAXIS 0x00000002u
#define DIDFT_AXIS 0x00000003u
#define DIDFT_PSHBUTTON 0x00000004u
#define DIDFT_TGLBUTTON 0x00000008u
#define DIDFT_BUTTON 0x0000000Cu
#define DIDFT_POV 0x00000010u
#define DIDFT_COLLECTION 0x00000040u
#define DIDFT_NODATA 0x00000080u
#define DIDFT_ANYINSTANCE 0x00FFFF00u
#define DIDFT_INSTANCEMASK DIDFT_ANYINSTANCE
#define DIDFT_FFACTUATOR 0x01000000u
#define DIDFT_FFEFFECTTRIGGER 0x02000000u
#define DIDFT_OPTIONAL 0x80000000u
#define DIDOI_ASPECTPOSITION 0x00000100u

// Instance and product GUIDs of devices, and the object GUIDs of data formats.
QJ_DEFINE_GUID(GUID_XAxis, 0xA36D02E0, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
QJ_DEFINE_GUID(GUID_YAxis, 0xA36D02E1, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
QJ_DEFINE_GUID(GUID_ZAxis, 0xA36D02E2, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
QJ_DEFINE_GUID(GUID_RxAxis, 0xA36D02F4, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
QJ_DEFINE_GUID(GUID_RyAxis, 0xA36D02F5, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
QJ_DEFINE_GUID(GUID_RzAxis, 0xA36D02E3, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
QJ_DEFINE_GUID(GUID_Slider, 0xA36D02E4, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
QJ_DEFINE_GUID(GUID_Button, 0xA36D02F0, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
QJ_DEFINE_GUID(GUID_Key, 0x55728220, 0xD33C, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
QJ_DEFINE_GUID(GUID_POV, 0xA36D02F2, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
QJ_DEFINE_GUID(GUID_Joystick, 0x6F1D2B70, 0xD5A0, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);

// Interface IDs.
QJ_DEFINE_GUID(IID_IDirectInputA, 0x89521360, 0xAA8A, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
QJ_DEFINE_GUID(IID_IDirectInputDeviceA, 0x5944E680, 0xC92E, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00,
               0x00);
QJ_DEFINE_GUID(IID_IDirectInputDevice2A, 0x5944E682, 0xC92E, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00,
               0x00);
QJ_DEFINE_GUID(IID_IDirectInputJoyConfig, 0x1DE12AB1, 0xC9F5, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00,
               0x00);

// One object of a data format: which object (by GUID and type) lands at
// which byte offset of the device state.
struct DIOBJECTDATAFORMAT {
  const GUID* pguid;  // NULL: any object of dwType
  DWORD dwOfs;
  DWORD dwType;
  DWORD dwFlags;
};
typedef DIOBJECTDATAFORMAT* LPDIOBJECTDATAFORMAT;
typedef const DIOBJECTDATAFORMAT* LPCDIOBJECTDATAFORMAT;

struct DIDATAFORMAT {
  DWORD dwSize;      // sizeof(DIDATAFORMAT)
  DWORD dwObjSize;   // sizeof(DIOBJECTDATAFORMAT)
  DWORD dwFlags;     // DIDF_ABSAXIS or DIDF_RELAXIS
  DWORD dwDataSize;  // bytes of device state, a multiple of 4
  DWORD dwNumObjs;
  LPDIOBJECTDATAFORMAT rgodf;
};
typedef DIDATAFORMAT* LPDIDATAFORMAT;
typedef const DIDATAFORMAT* LPCDIDATAFORMAT;

// The standard joystick state of c_dfDIJoystick: axes 0..65535 (absolute),
// POV in hundredths of a degree clockwise from north or 0xFFFFFFFF when
// centred, buttons down when the high bit is set.
struct DIJOYSTATE {
  LONG lX;
  LONG lY;
  LONG lZ;
  LONG lRx;
  LONG lRy;
  LONG lRz;
  LONG rglSlider[2];
  DWORD rgdwPOV[4];
  BYTE rgbButtons[32];
};
typedef DIJOYSTATE* LPDIJOYSTATE;

// The predefined joystick format: 44 objects (6 axes, 2 sliders, 4 POVs, 32
// buttons), 80 bytes of DIJOYSTATE, absolute axes.
QJ_PLATFORM_API const DIDATAFORMAT c_dfDIJoystick;

// Device properties. A property is named by a small integer posing as the
// address of a GUID, as published.
struct DIPROPHEADER {
  DWORD dwSize;        // size of the whole property structure
  DWORD dwHeaderSize;  // sizeof(DIPROPHEADER)
  DWORD dwObj;
  DWORD dwHow;
};
typedef DIPROPHEADER* LPDIPROPHEADER;
typedef const DIPROPHEADER* LPCDIPROPHEADER;

#define DIPH_DEVICE 0u
#define DIPH_BYOFFSET 1u
#define DIPH_BYID 2u
#define MAKEDIPROP(prop) (*reinterpret_cast<const GUID*>(static_cast<uintptr_t>(prop)))
#define DIPROP_BUFFERSIZE MAKEDIPROP(1)
#define DIPROP_RANGE MAKEDIPROP(4)
#define DIPROP_GUIDANDPATH MAKEDIPROP(12)

// The device's class GUID and its device interface path (what CreateFile
// opens for HID output reports).
struct DIPROPGUIDANDPATH {
  DIPROPHEADER diph;
  GUID guidClass;
  WCHAR wszPath[MAX_PATH];
};
typedef DIPROPGUIDANDPATH* LPDIPROPGUIDANDPATH;

// Published structures that the layer's devices do not fill; declared so
// that the interfaces keep their published method tables.
struct DIDEVCAPS;
struct DIDEVICEOBJECTDATA;
struct DIDEVICEOBJECTINSTANCEA;
struct DIDEVICEINSTANCEA;
struct DIEFFECTINFOA;
struct DIJOYUSERVALUES;
interface IDirectInputEffect;
typedef DIDEVCAPS* LPDIDEVCAPS;
typedef DIDEVICEOBJECTDATA* LPDIDEVICEOBJECTDATA;
typedef const DIDEVICEOBJECTDATA* LPCDIDEVICEOBJECTDATA;
typedef DIDEVICEOBJECTINSTANCEA* LPDIDEVICEOBJECTINSTANCEA;
typedef const DIDEVICEOBJECTINSTANCEA* LPCDIDEVICEOBJECTINSTANCEA;
typedef DIDEVICEINSTANCEA* LPDIDEVICEINSTANCEA;
typedef const DIDEVICEINSTANCEA* LPCDIDEVICEINSTANCEA;
typedef DIEFFECTINFOA* LPDIEFFECTINFOA;
typedef const DIEFFECTINFOA* LPCDIEFFECTINFOA;
typedef DIJOYUSERVALUES* LPDIJOYUSERVALUES;
typedef const DIJOYUSERVALUES* LPCDIJOYUSERVALUES;
typedef IDirectInputEffect* LPDIRECTINPUTEFFECT;
typedef BOOL(CALLBACK* LPDIENUMDEVICEOBJECTSCALLBACKA)(LPCDIDEVICEOBJECTINSTANCEA, LPVOID);
typedef BOOL(CALLBACK* LPDIENUMDEVICESCALLBACKA)(LPCDIDEVICEINSTANCEA, LPVOID);
typedef BOOL(CALLBACK* LPDIENUMEFFECTSCALLBACKA)(LPCDIEFFECTINFOA, LPVOID);
typedef BOOL(CALLBACK* LPDIENUMCREATEDEFFECTOBJECTSCALLBACK)(LPDIRECTINPUTEFFECT, LPVOID);

// A device of the DirectInput object (the DirectX 3 interface).
interface IDirectInputDeviceA : public IUnknown {
  STDMETHOD(GetCapabilities)(LPDIDEVCAPS lpDIDevCaps) PURE;
  STDMETHOD(EnumObjects)(LPDIENUMDEVICEOBJECTSCALLBACKA lpCallback, LPVOID pvRef, DWORD dwFlags) PURE;
  STDMETHOD(GetProperty)(REFGUID rguidProp, LPDIPROPHEADER pdiph) PURE;
  STDMETHOD(SetProperty)(REFGUID rguidProp, LPCDIPROPHEADER pdiph) PURE;
  STDMETHOD(Acquire)() PURE;
  STDMETHOD(Unacquire)() PURE;
  STDMETHOD(GetDeviceState)(DWORD cbData, LPVOID lpvData) PURE;
  STDMETHOD(GetDeviceData)(DWORD cbObjectData, LPDIDEVICEOBJECTDATA rgdod, LPDWORD pdwInOut, DWORD dwFlags) PURE;
  STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT lpdf) PURE;
  STDMETHOD(SetEventNotification)(HANDLE hEvent) PURE;
  STDMETHOD(SetCooperativeLevel)(HWND hwnd, DWORD dwFlags) PURE;
  STDMETHOD(GetObjectInfo)(LPDIDEVICEOBJECTINSTANCEA pdidoi, DWORD dwObj, DWORD dwHow) PURE;
  STDMETHOD(GetDeviceInfo)(LPDIDEVICEINSTANCEA pdidi) PURE;
  STDMETHOD(RunControlPanel)(HWND hwndOwner, DWORD dwFlags) PURE;
  STDMETHOD(Initialize)(HINSTANCE hinst, DWORD dwVersion, REFGUID rguid) PURE;

 protected:
  ~IDirectInputDeviceA() = default;
};

// The DirectX 5 device interface: force feedback and polling.
interface IDirectInputDevice2A : public IDirectInputDeviceA {
  STDMETHOD(CreateEffect)(REFGUID rguid, LPCDIEFFECT lpeff, LPDIRECTINPUTEFFECT* ppdeff, LPUNKNOWN punkOuter) PURE;
  STDMETHOD(EnumEffects)(LPDIENUMEFFECTSCALLBACKA lpCallback, LPVOID pvRef, DWORD dwEffType) PURE;
  STDMETHOD(GetEffectInfo)(LPDIEFFECTINFOA pdei, REFGUID rguid) PURE;
  STDMETHOD(GetForceFeedbackState)(LPDWORD pdwOut) PURE;
  STDMETHOD(SendForceFeedbackCommand)(DWORD dwFlags) PURE;
  STDMETHOD(EnumCreatedEffectObjects)(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK lpCallback, LPVOID pvRef,
                                      DWORD fl) PURE;
  STDMETHOD(Escape)(LPDIEFFESCAPE pesc) PURE;
  STDMETHOD(Poll)() PURE;
  STDMETHOD(SendDeviceData)(DWORD cbObjectData, LPCDIDEVICEOBJECTDATA rgdod, LPDWORD pdwInOut, DWORD fl) PURE;

 protected:
  ~IDirectInputDevice2A() = default;
};

// The DirectInput object (the DirectX 3 interface).
interface IDirectInputA : public IUnknown {
  STDMETHOD(CreateDevice)(REFGUID rguid, IDirectInputDeviceA** lplpDirectInputDevice, LPUNKNOWN pUnkOuter) PURE;
  STDMETHOD(EnumDevices)(DWORD dwDevType, LPDIENUMDEVICESCALLBACKA lpCallback, LPVOID pvRef, DWORD dwFlags) PURE;
  STDMETHOD(GetDeviceStatus)(REFGUID rguidInstance) PURE;
  STDMETHOD(RunControlPanel)(HWND hwndOwner, DWORD dwFlags) PURE;
  STDMETHOD(Initialize)(HINSTANCE hinst, DWORD dwVersion) PURE;

 protected:
  ~IDirectInputA() = default;
};

// The ANSI interfaces under their generic names, as the SDK maps them for a
// build without UNICODE.
typedef IDirectInputA IDirectInput;
typedef IDirectInputDeviceA IDirectInputDevice;
typedef IDirectInputDevice2A IDirectInputDevice2;
typedef IDirectInputA* LPDIRECTINPUTA;
typedef IDirectInputA* LPDIRECTINPUT;
typedef IDirectInputDeviceA* LPDIRECTINPUTDEVICEA;
typedef IDirectInputDeviceA* LPDIRECTINPUTDEVICE;
typedef IDirectInputDevice2A* LPDIRECTINPUTDEVICE2A;
typedef IDirectInputDevice2A* LPDIRECTINPUTDEVICE2;

// Creates a DirectInput object. dwVersion is the DIRECTINPUT_VERSION the
// caller was built for (0x0300 to 0x0700). Results: DI_OK;
// DIERR_INVALIDPARAM for a NULL out pointer or instance handle;
// DIERR_OLDDIRECTINPUTVERSION for a version above 0x0700;
// DIERR_BETADIRECTINPUTVERSION for an unknown version below it;
// DIERR_NOAGGREGATION for an outer object.
QJ_PLATFORM_API HRESULT WINAPI DirectInputCreateA(HINSTANCE hinst, DWORD dwVersion, LPDIRECTINPUTA* ppDI,
                                                  LPUNKNOWN punkOuter);

// --- Joystick configuration -------------------------------------------------

// The multimedia joystick driver's registry records that DIJOYCONFIG and
// DIJOYTYPEINFO embed.
struct JOYPOS {
  DWORD dwX;
  DWORD dwY;
  DWORD dwZ;
  DWORD dwR;
  DWORD dwU;
  DWORD dwV;
};
struct JOYRANGE {
  JOYPOS jpMin;
  JOYPOS jpMax;
  JOYPOS jpCenter;
};
struct JOYREGHWSETTINGS {
  DWORD dwFlags;
  DWORD dwNumButtons;
};
struct JOYREGHWVALUES {
  JOYRANGE jrvHardware;
  DWORD dwPOVValues[4];
  DWORD dwCalFlags;
};
struct JOYREGHWCONFIG {
  JOYREGHWSETTINGS hws;
  DWORD dwUsageSettings;
  JOYREGHWVALUES hwv;
  DWORD dwType;
  DWORD dwReserved;
};
typedef JOYREGHWSETTINGS* LPJOYREGHWSETTINGS;
typedef JOYREGHWCONFIG* LPJOYREGHWCONFIG;

#define MAX_JOYSTRING 256
#define MAX_JOYSTICKOEMVXDNAME 260

// JOYREGHWCONFIG.dwType of a device that the OEM type key describes.
#define JOY_HW_CUSTOM 1u

// GetConfig flags: which members to fill.
#define DIJC_GUIDINSTANCE 0x00000001u
#define DIJC_REGHWCONFIGTYPE 0x00000002u
#define DIJC_GAIN 0x00000004u
#define DIJC_CALLOUT 0x00000008u
#define DIJC_WDMGAMEPORT 0x00000010u

// GetTypeInfo flags.
#define DITC_REGHWSETTINGS 0x00000001u
#define DITC_CLSIDCONFIG 0x00000002u
#define DITC_DISPLAYNAME 0x00000004u
#define DITC_CALLOUT 0x00000008u
#define DITC_HARDWAREID 0x00000010u
#define DITC_FLAGS1 0x00000020u

// The configuration of one joystick ID (DirectX 5 form, 1176 bytes; the
// DirectX 3 form ends before guidGameport, 1160 bytes).
struct DIJOYCONFIG_DX3 {
  DWORD dwSize;
  GUID guidInstance;
  JOYREGHWCONFIG hwc;
  DWORD dwGain;
  WCHAR wszType[MAX_JOYSTRING];  // the joystick type: the name of its OEM key
  WCHAR wszCallout[MAX_JOYSTRING];
};
struct DIJOYCONFIG {
  DWORD dwSize;
  GUID guidInstance;
  JOYREGHWCONFIG hwc;
  DWORD dwGain;
  WCHAR wszType[MAX_JOYSTRING];
  WCHAR wszCallout[MAX_JOYSTRING];
  GUID guidGameport;
};
typedef DIJOYCONFIG DIJOYCONFIG_DX5;
typedef DIJOYCONFIG* LPDIJOYCONFIG;
typedef const DIJOYCONFIG* LPCDIJOYCONFIG;

// A joystick type, read from its OEM key (DirectX 5 form 1060 bytes, DirectX
// 6.1 form 1576 bytes; the DirectX 3 form ends after wszDisplayName, 540).
struct DIJOYTYPEINFO_DX5 {
  DWORD dwSize;
  JOYREGHWSETTINGS hws;
  CLSID clsidConfig;
  WCHAR wszDisplayName[MAX_JOYSTRING];
  WCHAR wszCallout[MAX_JOYSTICKOEMVXDNAME];
};
struct DIJOYTYPEINFO {
  DWORD dwSize;
  JOYREGHWSETTINGS hws;
  CLSID clsidConfig;
  WCHAR wszDisplayName[MAX_JOYSTRING];
  WCHAR wszCallout[MAX_JOYSTICKOEMVXDNAME];
  WCHAR wszHardwareId[MAX_JOYSTRING];
  DWORD dwFlags1;
};
typedef DIJOYTYPEINFO* LPDIJOYTYPEINFO;
typedef const DIJOYTYPEINFO* LPCDIJOYTYPEINFO;
typedef BOOL(CALLBACK* LPDIJOYTYPECALLBACK)(LPCWSTR pwszTypeName, LPVOID pvRef);

static_assert(sizeof(JOYREGHWCONFIG) == 112, "JOYREGHWCONFIG is 112 bytes");
static_assert(sizeof(DIJOYCONFIG_DX3) == 1160, "DIJOYCONFIG_DX3 is 1160 bytes");
static_assert(sizeof(DIJOYCONFIG) == 1176, "DIJOYCONFIG is 1176 bytes");
static_assert(offsetof(DIJOYCONFIG, wszType) == 136, "DIJOYCONFIG.wszType at 136");
static_assert(sizeof(DIJOYTYPEINFO_DX5) == 1060, "DIJOYTYPEINFO_DX5 is 1060 bytes");
static_assert(sizeof(DIJOYTYPEINFO) == 1576, "DIJOYTYPEINFO is 1576 bytes");
static_assert(sizeof(DIJOYSTATE) == 80, "DIJOYSTATE is 80 bytes");
static_assert(sizeof(DIPROPHEADER) == 16, "DIPROPHEADER is 16 bytes");
static_assert(sizeof(DIPROPGUIDANDPATH) == 552, "DIPROPGUIDANDPATH is 552 bytes");
static_assert(sizeof(DIOBJECTDATAFORMAT) == (sizeof(void*) == 8 ? 24 : 16), "DIOBJECTDATAFORMAT is 16 or 24 bytes");
static_assert(sizeof(DIDATAFORMAT) == (sizeof(void*) == 8 ? 32 : 24), "DIDATAFORMAT is 24 or 32 bytes");

// The joystick configuration of the DirectInput object (QueryInterface of
// IDirectInputA for IID_IDirectInputJoyConfig).
interface IDirectInputJoyConfig : public IUnknown {
  STDMETHOD(Acquire)() PURE;
  STDMETHOD(Unacquire)() PURE;
  STDMETHOD(SetCooperativeLevel)(HWND hwnd, DWORD dwFlags) PURE;
  STDMETHOD(SendNotify)() PURE;
  STDMETHOD(EnumTypes)(LPDIJOYTYPECALLBACK lpCallback, LPVOID pvRef) PURE;
  STDMETHOD(GetTypeInfo)(LPCWSTR pwszTypeName, LPDIJOYTYPEINFO pjti, DWORD dwFlags) PURE;
  STDMETHOD(SetTypeInfo)(LPCWSTR pwszTypeName, LPCDIJOYTYPEINFO pjti, DWORD dwFlags) PURE;
  STDMETHOD(DeleteType)(LPCWSTR pwszTypeName) PURE;
  STDMETHOD(GetConfig)(UINT uiJoy, LPDIJOYCONFIG pjc, DWORD dwFlags) PURE;
  STDMETHOD(SetConfig)(UINT uiJoy, LPCDIJOYCONFIG pjc, DWORD dwFlags) PURE;
  STDMETHOD(DeleteConfig)(UINT uiJoy) PURE;
  STDMETHOD(GetUserValues)(LPDIJOYUSERVALUES pjuv, DWORD dwFlags) PURE;
  STDMETHOD(SetUserValues)(LPCDIJOYUSERVALUES pjuv, DWORD dwFlags) PURE;
  STDMETHOD(AddNewHardware)(HWND hwndOwner, REFGUID rguidClass) PURE;
  STDMETHOD(OpenTypeKey)(LPCWSTR pwszType, DWORD regsam, PHKEY phk) PURE;
  STDMETHOD(OpenConfigKey)(UINT uiJoy, DWORD regsam, PHKEY phk) PURE;

 protected:
  ~IDirectInputJoyConfig() = default;
};
typedef IDirectInputJoyConfig* LPDIRECTINPUTJOYCONFIG;

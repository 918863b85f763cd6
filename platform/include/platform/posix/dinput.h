// DirectInput: the force-feedback effect-driver interface and the effect
// structures, constants and result codes that an effect driver receives,
// with their published layouts (the DirectX 6 form of DIEFFECT, which ends
// with dwStartDelay).
//
// A later step adds the device interfaces (IDirectInputA,
// IDirectInputDevice2A, IDirectInputJoyConfig, DIJOYSTATE) to this same
// header.
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

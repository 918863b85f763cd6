// The DirectInput test double (dinput.dll beside the Windows page host):
// what the host sees of it. The double exports DirectInputCreateA for the
// property-sheet module and QjDiGetControl for the host; both live in the
// host's process, so the host steers the presented joystick and reads what
// the module did through this interface.
#pragma once

#include <windows.h>
#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

// The controller the double presents.
constexpr char kDiTypeName[] = "VID_7C3A&PID_A02F";

// Counts since the double was loaded.
struct DiCounters {
  LONG cObjectsMade;       // DirectInput, joystick-configuration and device objects made
  LONG cObjectsLive;       // of those, not yet released
  LONG cUsesAfterRelease;  // touches of released objects: faults and calls through them
  LONG cRefused;           // calls refused by DirectInput's checks of arguments and state
  LONG cUnexpected;        // calls of methods the pages are not expected to make
  LONG cStatesRead;        // successful GetDeviceState calls
  LONG nStateRead;         // the generation of the joystick state that GetDeviceState last handed out
  LONG nState;             // the generation of the current joystick state (SetState adds 1)
};

// One write session on the device path: the bytes one CreateFileA ...
// CloseHandle of the module delivered (a motor report, or two), the tick of
// the GetProperty call that handed out the path, and the tick of the last
// GetDeviceState before it (0 when there was none).
struct DiDeviceWrite {
  DWORD dwTick;
  DWORD dwPollTick;
  DWORD cb;        // bytes delivered; only the first 8 are kept
  BYTE bytes[8];
};

class DiControl {
 public:
  // The joystick ID at which the controller is presented (default 0).
  virtual void SetJoystickId(UINT uId) = 0;
  // What GetDeviceState hands out from now on.
  virtual void SetState(const DIJOYSTATE& state) = 0;
  // TRUE: the controller stops answering; an acquired device reports
  // DIERR_INPUTLOST once and is unacquired, as DirectInput does.
  virtual void SetLost(BOOL bLost) = 0;
  virtual void GetCounters(DiCounters* pCounters) = 0;
  // Collects the sessions finished on the device since the last call, in
  // order, up to cMax; their number.
  virtual UINT TakeWrites(DiDeviceWrite* pWrites, UINT cMax) = 0;

 protected:
  ~DiControl() = default;
};

// The export that hands out the control; dwVersion must be kDiControlVersion.
constexpr DWORD kDiControlVersion = 1;
typedef DiControl*(WINAPI* QjDiGetControlProc)(DWORD dwVersion);

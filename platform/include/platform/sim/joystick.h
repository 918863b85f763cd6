// Simulated joysticks behind the joystick IDs 0 to 15 (test and host
// control). winmm reports their capabilities; DirectInput's joystick
// configuration and devices read their type name, state and path here.
#pragma once

#include "platform/win32.h"

#include <string>

#ifndef QJ_SIM_API
#  define QJ_SIM_API __attribute__((visibility("default")))
#endif

namespace sim {

// What the simulated machine knows of one attached joystick.
struct Joystick {
  WORD wMid = 0;  // USB vendor ID
  WORD wPid = 0;  // USB product ID
};

// Attaches (or replaces) the joystick behind uJoyID (0 to 15; others are
// ignored). A new joystick is plugged in, reads its default type name and
// path, and rests: axes at 0x7FFF, POVs centred, no button down; it is a
// polled device. Replacing a joystick keeps its type name, path, state and
// polling.
QJ_SIM_API void SetJoystick(UINT uJoyID, WORD wMid, WORD wPid);
// Detaches the joystick behind uJoyID; nothing happens when none is attached.
// DirectInput devices made for it fail as for an unplugged joystick.
QJ_SIM_API void RemoveJoystick(UINT uJoyID);
// Detaches every joystick and clears the DirectInput failures below.
QJ_SIM_API void ResetJoysticks();
// Copies the joystick behind uJoyID into *pJoystick; false when none is
// attached (pJoystick is then left alone).
QJ_SIM_API bool GetJoystick(UINT uJoyID, Joystick* pJoystick);

// Number of joystick IDs (0 to 15).
constexpr UINT kJoystickIds = 16;

// The joystick type name that DirectInput's GetConfig reports in wszType
// (the name of the joystick's OEM registry key). An empty name restores the
// default, "VID_%04X&PID_%04X" of the vendor and product IDs. Ignored for a
// joystick that is not attached.
QJ_SIM_API void SetJoystickTypeName(UINT uJoyID, const std::string& typeName);
// The device interface path that DIPROP_GUIDANDPATH reports. An empty path
// restores the default "\\?\hid#vid_%04x&pid_%04x#<id>&0&0000#{...}" (the
// HID interface class), which a test can register with sim::AddHidDevice.
QJ_SIM_API void SetJoystickPath(UINT uJoyID, const std::string& path);
QJ_SIM_API std::string JoystickPath(UINT uJoyID);

// The joystick's state from now on (axes, POVs, buttons). A polled joystick
// (the default, as a HID joystick is) hands it to a DirectInput device at
// Acquire and at each Poll, and GetDeviceState reports the state as of the
// last of them; a joystick that needs no polling reports it at once, and
// Poll on its devices returns DI_NOEFFECT.
QJ_SIM_API void SetJoystickState(UINT uJoyID, const DIJOYSTATE& state);
// Whether the joystick behind uJoyID is a polled device (a new joystick is).
// Ignored for a joystick that is not attached.
QJ_SIM_API void SetJoystickPolled(UINT uJoyID, bool bPolled);
// The resting state of a new joystick.
QJ_SIM_API DIJOYSTATE RestingJoystickState();

// Input lost: every DirectInput device of the joystick that is acquired now
// fails Poll and GetDeviceState with DIERR_INPUTLOST until it is acquired
// again. The joystick stays plugged in, so Acquire succeeds.
QJ_SIM_API void LoseJoystick(UINT uJoyID);
// Unplugged: acquired devices are lost as above, and Acquire fails with
// DIERR_INPUTLOST until the joystick is plugged in again. Its configuration
// (type name, IDs) stays readable, as the registry keeps it.
QJ_SIM_API void UnplugJoystick(UINT uJoyID);
QJ_SIM_API void PlugJoystick(UINT uJoyID);

// DirectInput calls a test can make fail with a chosen result.
enum class DiCall {
  kDirectInputCreate,
  kQueryJoyConfig,   // IDirectInputA::QueryInterface for IID_IDirectInputJoyConfig
  kGetConfig,
  kCreateDevice,
  kQueryDevice2,     // IDirectInputDeviceA::QueryInterface for IID_IDirectInputDevice2A
  kSetDataFormat,
  kSetCooperativeLevel,
  kAcquire,
  kPoll,
  kGetDeviceState,
  kGetProperty,
  kCount
};
// From now on the call returns hr (after its argument checks, without any
// effect); S_OK lets it work again. ResetJoysticks clears every failure.
QJ_SIM_API void FailDirectInput(DiCall call, HRESULT hr);
QJ_SIM_API HRESULT DirectInputFailure(DiCall call);

// DirectInput objects alive now (DirectInput objects, joystick-configuration
// objects and devices), to check that callers release what they make.
QJ_SIM_API long LiveDirectInputObjects();

// ---- For the layer's DirectInput (not for tests) ---------------------------

// What a DirectInput device reads of its joystick in one call.
struct JoystickSnapshot {
  bool bAttached = false;
  bool bPlugged = false;
  bool bPolled = false;
  Joystick joystick;
  std::string typeName;
  std::string path;
  DIJOYSTATE state{};
  DWORD dwLossCount = 0;  // counts LoseJoystick and UnplugJoystick calls
};
QJ_SIM_API bool GetJoystickSnapshot(UINT uJoyID, JoystickSnapshot* pSnapshot);
QJ_SIM_API void CountDirectInputObject(int nDelta);

}  // namespace sim

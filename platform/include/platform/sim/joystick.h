// Simulated joysticks behind the joystick IDs 0 to 15 (test and host control).
#pragma once

#include "platform/win32.h"

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
// ignored).
QJ_SIM_API void SetJoystick(UINT uJoyID, WORD wMid, WORD wPid);
// Detaches the joystick behind uJoyID; nothing happens when none is attached.
QJ_SIM_API void RemoveJoystick(UINT uJoyID);
// Detaches every joystick.
QJ_SIM_API void ResetJoysticks();
// Copies the joystick behind uJoyID into *pJoystick; false when none is
// attached (pJoystick is then left alone).
QJ_SIM_API bool GetJoystick(UINT uJoyID, Joystick* pJoystick);

// Number of joystick IDs (0 to 15).
constexpr UINT kJoystickIds = 16;

}  // namespace sim

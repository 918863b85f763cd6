// The layer's DirectInput objects: one object per DirectInputCreateA that
// answers both IDirectInputA and IDirectInputJoyConfig, and the joystick
// devices it creates. Both read the simulated joysticks (sim/joystick.h).
#pragma once

#include "platform/sim/joystick.h"
#include "platform/win32.h"

namespace qjplat {

// The instance GUID of the joystick behind uJoyID, and the reverse (false
// for a GUID that names no joystick ID).
GUID JoystickInstanceGuid(UINT uJoyID);
bool JoystickIdFromGuid(REFGUID rguid, UINT* puJoyID);

// A new device for the joystick ID, with one reference; NULL when memory
// runs out.
IDirectInputDevice2A* NewJoystickDevice(UINT uJoyID);

// Whether hwnd is a window of this process that is not a child window, as
// the cooperative levels ask.
bool IsTopLevelWindowOfProcess(HWND hwnd);

// Copies a narrow string into a WCHAR buffer of cch units (Latin-1 units),
// always terminated when cch > 0.
void CopyToWide(const char* psz, WCHAR* pwsz, size_t cch);

}  // namespace qjplat

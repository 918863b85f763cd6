// The simulated machine around the platform layer: for tests and host tools
// only, never included by product code.
#pragma once

#include "platform/win32.h"

#if __has_include("platform/sim/machine.h")
#  include "platform/sim/machine.h"
#endif
#if __has_include("platform/sim/registry.h")
#  include "platform/sim/registry.h"
#endif
#if __has_include("platform/sim/hid.h")
#  include "platform/sim/hid.h"
#endif
#if __has_include("platform/sim/joystick.h")
#  include "platform/sim/joystick.h"
#endif
#if __has_include("platform/sim/devices.h")
#  include "platform/sim/devices.h"
#endif
#if __has_include("platform/sim/screen.h")
#  include "platform/sim/screen.h"
#endif
#if __has_include("platform/sim/dialogs.h")
#  include "platform/sim/dialogs.h"
#endif
#if __has_include("platform/sim/ui.h")
#  include "platform/sim/ui.h"
#endif
#if __has_include("platform/sim/sound.h")
#  include "platform/sim/sound.h"
#endif

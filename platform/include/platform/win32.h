// The one header product code includes for the Win32 API.
//
// On Windows it is the SDK (mingw-w64's headers, as installed) plus the few
// published declarations the SDK lacks. Everywhere else it is the project's
// own platform layer, which keeps the Windows sizes and semantics.
#pragma once

#ifdef _WIN32
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  ifndef DIRECTINPUT_VERSION
#    define DIRECTINPUT_VERSION 0x0700
#  endif
#  include <windows.h>
#  include <objbase.h>
#  include <olectl.h>  // SELFREG_E_CLASS
#  include <mmsystem.h>
#  include <setupapi.h>
#  include <dinput.h>
// The effect-driver interface and its structures (DIEFFESCAPE,
// DIHIDFFINITINFO, ...) live in the driver-side header.
#  include <dinputd.h>
#  include <commdlg.h>
#  define QJ_W(s) L##s
#else
#  include "platform/posix/types.h"
#  include "platform/posix/kernel32.h"
#  include "platform/posix/advapi32.h"
#  include "platform/posix/ole32.h"
#  if __has_include("platform/posix/user32.h")
#    include "platform/posix/user32.h"
#  endif
#  if __has_include("platform/posix/gdi32.h")
#    include "platform/posix/gdi32.h"
#  endif
#  if __has_include("platform/posix/winmm.h")
#    include "platform/posix/winmm.h"
#  endif
#  if __has_include("platform/posix/setupapi.h")
#    include "platform/posix/setupapi.h"
#  endif
#  if __has_include("platform/posix/dinput.h")
#    include "platform/posix/dinput.h"
#  endif
#  if __has_include("platform/posix/comdlg32.h")
#    include "platform/posix/comdlg32.h"
#  endif
#endif

// Published declarations that neither the SDK headers nor the layer carry
// elsewhere (shared by both builds).
#if __has_include("platform/extra.h")
#  include "platform/extra.h"
#endif

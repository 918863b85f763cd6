// Controls of the simulated machine: clock, root folder, debug output.
// For tests and host tools only.
#pragma once

#include "platform/win32.h"

#include <string>

#define QJ_SIM_API __attribute__((visibility("default")))

namespace sim {

// Freezes GetTickCount at tick (milliseconds). While frozen, Sleep yields the
// processor and returns at once without moving the clock.
QJ_SIM_API void FreezeClock(DWORD tick);
// Moves the clock forward by ms (wrapping at 2^32); on a running clock it
// shifts the tick count by ms.
QJ_SIM_API void StepClock(DWORD ms);
// Sets the tick count, frozen or running (a running clock goes on from tick).
QJ_SIM_API void SetTick(DWORD tick);
// Lets the clock run again on real time, going on from the frozen tick.
QJ_SIM_API void ThawClock();
QJ_SIM_API bool IsClockFrozen();

// The machine's root folder: drive C is <root>/drive_c, the registry file
// lies in the root. Setting it creates the root, drive_c, C:\windows,
// C:\windows\system32 and C:\windows\temp, and tells the layer's pieces that
// cache state below the root.
QJ_SIM_API void SetMachineRoot(const std::string& root);
QJ_SIM_API std::string MachineRoot();

// Everything OutputDebugStringA wrote since the last clear, in order. The
// capture is bounded for long runs: it keeps the most recent 1 MiB, dropping
// the oldest text first (from a line start where one lies within the last
// 1 MiB).
QJ_SIM_API std::string DebugOutput();
QJ_SIM_API void ClearDebugOutput();

}  // namespace sim

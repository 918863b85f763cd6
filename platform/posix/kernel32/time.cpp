// Tick count and Sleep on the simulated clock.
#include "posix/internal.h"

#include <sched.h>

#include <chrono>
#include <thread>

// Milliseconds of the simulated clock, wrapping at 2^32.
QJ_PLATFORM_API DWORD WINAPI GetTickCount(void) { return qjplat::ClockTick(); }

// Sleeps dwMilliseconds of real time; on a frozen clock it only yields, so a
// polling loop keeps running while the test steps time.
QJ_PLATFORM_API void WINAPI Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == 0 || qjplat::ClockFrozen()) {
    sched_yield();
    return;
  }
  if (dwMilliseconds == INFINITE) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

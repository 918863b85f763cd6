// Makes a chosen non-throwing allocation fail, for the tests of code that
// allocates with new (std::nothrow) and must survive a NULL. A test program
// replaces its non-throwing operator new with QJ_NOTHROW_NEW_CAN_FAIL(),
// written once, at namespace scope, in one of its sources.
#pragma once

#include <cstddef>
#include <new>

namespace qjtest {

// Non-throwing allocations from now that succeed before one fails;
// negative: none fails.
inline int g_nAllocsBeforeFailure = -1;

inline void* AllocateOrFail(std::size_t cb, bool bArray) noexcept {
  if (g_nAllocsBeforeFailure == 0) {
    g_nAllocsBeforeFailure = -1;
    return nullptr;
  }
  if (g_nAllocsBeforeFailure > 0) --g_nAllocsBeforeFailure;
  try {
    return bArray ? ::operator new[](cb) : ::operator new(cb);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace qjtest

#define QJ_NOTHROW_NEW_CAN_FAIL()                                                     \
  void* operator new(std::size_t cb, const std::nothrow_t&) noexcept {                \
    return qjtest::AllocateOrFail(cb, false);                                         \
  }                                                                                   \
  void* operator new[](std::size_t cb, const std::nothrow_t&) noexcept {              \
    return qjtest::AllocateOrFail(cb, true);                                          \
  }

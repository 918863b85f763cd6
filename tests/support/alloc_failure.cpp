#include "alloc_failure.h"

#include <atomic>
#include <cstddef>
#include <new>

namespace {

// Safe from any thread: a product's worker may allocate while a test arms
// the failure.
std::atomic<int> g_nAllocsBeforeFailure{-1};

void* AllocateOrFail(std::size_t cb, bool bArray) noexcept {
  int n = g_nAllocsBeforeFailure.load();
  while (n >= 0 && !g_nAllocsBeforeFailure.compare_exchange_weak(n, n - 1)) {
  }
  if (n == 0) return nullptr;
  try {
    return bArray ? ::operator new[](cb) : ::operator new(cb);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

void* operator new(std::size_t cb, const std::nothrow_t&) noexcept { return AllocateOrFail(cb, false); }
void* operator new[](std::size_t cb, const std::nothrow_t&) noexcept { return AllocateOrFail(cb, true); }

namespace qjtest {

void FailNothrowAllocation(int nAfter) { g_nAllocsBeforeFailure = nAfter < 0 ? -1 : nAfter; }

int NothrowAllocationsBeforeFailure() { return g_nAllocsBeforeFailure.load(); }

}  // namespace qjtest

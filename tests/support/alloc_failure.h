// Allocation failures on demand: a program that links qj_alloc_failure gets
// a replaced non-throwing operator new (single and array) that fails the
// allocation a test chooses. Products allocate with new (std::nothrow) where
// they handle a failure, so this reaches exactly those paths.
#pragma once

namespace qjtest {

// Makes the non-throwing allocation nAfter from now fail (0: the next one);
// a negative nAfter makes none fail.
void FailNothrowAllocation(int nAfter);
// How many non-throwing allocations still succeed before the chosen one
// fails; -1 once it has failed, or when none is chosen.
int NothrowAllocationsBeforeFailure();

}  // namespace qjtest

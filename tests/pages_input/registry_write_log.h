// Every "CurrentValue" write of the test program, in order, from the
// simulated registry's write log: a test sees the intermediate writes of a
// click (the edited record, then the page's test record) and not only the
// value left at the end.
#pragma once

#include <vector>

#include "platform/sim/sim.h"

namespace inputtest {

using Bytes = std::vector<BYTE>;

std::vector<Bytes> RecordWrites();
void ClearRecordWrites();

}  // namespace inputtest

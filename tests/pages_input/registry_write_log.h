// Every "CurrentValue" write of the test program, in order: the program's own
// RegSetValueExA records the data and hands the call on to the platform
// layer's, so a test sees the intermediate writes of a click (the edited
// record, then the page's test record) and not only the value left at the
// end.
#pragma once

#include <vector>

#include "platform/win32.h"

namespace inputtest {

using Bytes = std::vector<BYTE>;

std::vector<Bytes> RecordWrites();
void ClearRecordWrites();

}  // namespace inputtest

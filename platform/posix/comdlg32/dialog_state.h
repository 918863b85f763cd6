// The simulated user's side of the file dialogs and message boxes: the
// answers queued for them and the record of what each was shown with.
// Shared by the dialogs (posix/comdlg32) and their controls (sim/dialogs).
#pragma once

#include "platform/sim/dialogs.h"

#include <deque>
#include <mutex>
#include <vector>

namespace qjplat {
namespace comdlg32 {

struct DialogState {
  std::mutex mutex;  // guards every member
  std::deque<sim::FileDialogScript> fileAnswers;
  std::vector<sim::FileDialogRun> fileRuns;
  std::deque<int> boxAnswers;
  std::vector<sim::MessageBoxRun> boxRuns;
};

// The one state of the process; it outlives every module's unload.
DialogState& State();

}  // namespace comdlg32
}  // namespace qjplat

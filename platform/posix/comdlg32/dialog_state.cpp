// The simulated user's answers to the file dialogs and message boxes, and
// the record of every dialog shown (read through platform/sim/dialogs.h).
#include "posix/comdlg32/dialog_state.h"

namespace qjplat {
namespace comdlg32 {

DialogState& State() {
  static DialogState* state = new DialogState;
  return *state;
}

}  // namespace comdlg32
}  // namespace qjplat

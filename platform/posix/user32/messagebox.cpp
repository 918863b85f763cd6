// MessageBoxA, answered by the simulated user from the script it shares
// with the file dialogs (platform/sim/dialogs.h).
#include "platform/posix/user32.h"

#include "posix/comdlg32/dialog_state.h"

namespace {

// The button a user who reads and confirms presses: the first of the type.
int FirstButton(UINT uType) {
  switch (uType & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
      return IDYES;
    case MB_RETRYCANCEL:
      return IDRETRY;
    default:
      return IDOK;
  }
}

}  // namespace

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  sim::MessageBoxRun run;
  run.hWnd = hWnd;
  run.text = lpText ? lpText : "";
  // The system's caption when none is given.
  run.caption = lpCaption ? lpCaption : "Error";
  run.uType = uType;
  qjplat::comdlg32::DialogState& state = qjplat::comdlg32::State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.boxAnswers.empty()) {
    run.nResult = FirstButton(uType);
  } else {
    run.nResult = state.boxAnswers.front();
    state.boxAnswers.pop_front();
  }
  state.boxRuns.push_back(run);
  return run.nResult;
}

// Controls of the simulated user at the file dialogs and message boxes.
#include "platform/sim/dialogs.h"

#include "posix/comdlg32/dialog_state.h"

namespace {

qjplat::comdlg32::DialogState& State() { return qjplat::comdlg32::State(); }

}  // namespace

namespace sim {

void ScriptNextFileDialog(const FileDialogScript& script) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().fileAnswers.push_back(script);
}

void ScriptFileChoice(const std::string& path) {
  FileDialogScript script;
  script.path = path;
  ScriptNextFileDialog(script);
}

void ScriptFileCancel() {
  FileDialogScript script;
  script.bCancel = true;
  ScriptNextFileDialog(script);
}

void ClearDialogRecord() {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().fileAnswers.clear();
  State().fileRuns.clear();
  State().boxAnswers.clear();
  State().boxRuns.clear();
}

size_t PendingFileDialogScripts() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().fileAnswers.size();
}

std::vector<FileDialogRun> FileDialogRuns() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().fileRuns;
}

void ScriptNextMessageBox(int nResult) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().boxAnswers.push_back(nResult);
}

std::vector<MessageBoxRun> MessageBoxRuns() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().boxRuns;
}

}  // namespace sim

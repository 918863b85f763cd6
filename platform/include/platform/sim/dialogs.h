// The simulated user at the common file dialogs and at message boxes: a test
// or host scripts the answer to the next Open or Save As dialog and reads
// back what each dialog and message box was shown with. For tests and host
// tools only.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

#ifndef QJ_SIM_API
#  define QJ_SIM_API __attribute__((visibility("default")))
#endif

namespace sim {

// What the user does in a file dialog: confirm the Windows path in path
// (written into lpstrFile as the dialog would, the default extension
// appended when the name has none), or cancel. The dialog checks the path
// against its flags as the system dialog checks a typed name: with
// OFN_FILEMUSTEXIST (in the Open and the Save As dialog alike) the file
// must exist, with it or OFN_PATHMUSTEXIST its folder must. A path that
// fails gets the system's warning in a message box (MB_OK |
// MB_ICONWARNING, owned by the dialog's owner, captioned with the dialog's
// title), and the dialog stays open for the next queued answer; with none
// queued the user closes it (cancel).
struct FileDialogScript {
  bool bCancel = false;
  std::string path;
};

// Queues the answer to the next file dialog of the process (answers are
// taken in the order queued). A dialog that finds no answer queued fails
// with CDERR_DIALOGFAILURE, as a dialog that could not be shown.
QJ_SIM_API void ScriptNextFileDialog(const FileDialogScript& script);
// Shorthands: confirm a path, cancel.
QJ_SIM_API void ScriptFileChoice(const std::string& path);
QJ_SIM_API void ScriptFileCancel();
// Drops the queued answers and the record of dialogs and message boxes.
QJ_SIM_API void ClearDialogRecord();
// Answers still queued.
QJ_SIM_API size_t PendingFileDialogScripts();

// What one file dialog was opened with, as GetOpenFileNameA or
// GetSaveFileNameA found it in OPENFILENAMEA.
struct FileDialogRun {
  bool bSave = false;                // GetSaveFileNameA
  DWORD lStructSize = 0;
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;
  bool bHasFilter = false;
  std::vector<std::string> filter;   // description, pattern, description, pattern, ...
  DWORD nFilterIndex = 0;
  bool bHasFile = false;
  std::string initialFile;           // lpstrFile as it came in
  DWORD nMaxFile = 0;
  bool bHasFileTitle = false;
  DWORD nMaxFileTitle = 0;
  bool bHasInitialDir = false;
  std::string initialDir;
  bool bHasTitle = false;
  std::string title;
  DWORD dwFlags = 0;
  bool bHasDefExt = false;
  std::string defExt;
  bool bAnswered = false;            // a queued answer was taken
  bool bCancelled = false;
  std::vector<std::string> refusedPaths;  // paths the dialog warned about, in order
  std::string chosenPath;            // the path confirmed (also when it did not fit)
};

// Every file dialog since the last ClearDialogRecord, oldest first.
QJ_SIM_API std::vector<FileDialogRun> FileDialogRuns();

// One message box that MessageBoxA showed; it is answered at once with the
// first button of its type (IDOK for MB_OK and MB_OKCANCEL, IDABORT,
// IDYES, IDRETRY) unless an answer is queued.
struct MessageBoxRun {
  HWND hWnd = nullptr;
  std::string text;
  std::string caption;
  UINT uType = 0;
  int nResult = 0;
};

// Queues the button ID that the next message box returns.
QJ_SIM_API void ScriptNextMessageBox(int nResult);
// Every message box since the last ClearDialogRecord, oldest first.
QJ_SIM_API std::vector<MessageBoxRun> MessageBoxRuns();

}  // namespace sim

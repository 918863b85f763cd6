// The simulated user (test and host control): scripted modal dialogs, key
// presses, pumping a thread's messages and timers on the frozen or the real
// clock, a record of the messages that reach window procedures, and the
// screen's system metrics.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

#ifndef QJ_SIM_API
#  define QJ_SIM_API __attribute__((visibility("default")))
#endif

namespace sim {

// One key of a script: pressed (bDown) or released.
struct KeyEvent {
  UINT vk = 0;
  bool bDown = true;
};

// What the user does in the next modal dialog: the keys in order, then the
// button whose WM_COMMAND (BN_CLICKED) ends it. nEndCommand 0 sends none,
// so the dialog stays until it ends itself.
struct DialogScript {
  std::vector<KeyEvent> keys;
  int nEndCommand = IDOK;
};

// What a scripted dialog showed just before its end command: its caption,
// window rectangle, client size and client pixels (0x00BBGGRR, rows
// top-down) after every key was handled and the dialog painted.
struct DialogRun {
  bool bRan = false;
  HWND hDlg = nullptr;
  std::string caption;
  RECT rcWindow{0, 0, 0, 0};
  int cxClient = 0;
  int cyClient = 0;
  std::vector<COLORREF> pixels;
  COLORREF Pixel(int x, int y) const {
    return x < 0 || y < 0 || x >= cxClient || y >= cyClient ? CLR_INVALID : pixels[size_t(y) * size_t(cxClient) + size_t(x)];
  }
};

// Queues a script for the next modal dialog that starts on the calling
// thread (scripts run in the order queued). When the dialog's modal loop
// starts, each key is posted as the keyboard would post it (WM_KEYDOWN /
// WM_KEYUP, or WM_SYSKEYDOWN / WM_SYSKEYUP while Alt is held without Ctrl,
// with the repeat count, scan code, context and transition bits) and handled
// through the loop's own path (IsDialogMessageA, TranslateMessage,
// DispatchMessageA); then the dialog is painted and recorded, and the end
// command is posted. A dialog that ends itself on a key (Escape, Alt+F4)
// gets none of the keys after it, as the focus has left it; it is recorded
// as it stands and gets no end command. Keys the script leaves held are let
// go when it ends (GetKeyState reads them up; no message is posted).
QJ_SIM_API void ScriptNextDialog(const DialogScript& script);
QJ_SIM_API void ClearDialogScripts();
// The record of the last scripted dialog of the thread.
QJ_SIM_API DialogRun LastDialogRun();

// Posts one key press or release to a window as the keyboard would, and
// keeps the key state that GetKeyState reads.
QJ_SIM_API void PostKey(HWND hWnd, UINT vk, bool bDown);

// Dispatches every message of the calling thread that is ready now
// (posted, WM_PAINT, due WM_TIMER), through IsDialogMessageA for dialogs;
// returns how many. At most 100000 in one call, so that a window that never
// validates cannot hold it.
QJ_SIM_API int PumpMessages();
// Runs the thread's messages for ms milliseconds: on a frozen clock the
// clock is stepped 1 ms at a time with a pump after each step (timers fire
// exactly on their ticks); on a running clock it pumps for ms of real time.
// Returns the number of messages dispatched.
QJ_SIM_API int RunMessages(DWORD ms);

// The record of messages that reached window procedures (sent or
// dispatched), with their results, while recording is on.
struct Message {
  HWND hWnd;
  UINT uMsg;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT lResult;
};
QJ_SIM_API void StartMessageLog();
QJ_SIM_API void StopMessageLog();
QJ_SIM_API std::vector<Message> MessageLog();

// Overrides one GetSystemMetrics value (SM_CYFULLSCREEN, SM_CXSCREEN, ...);
// a negative value restores the default.
QJ_SIM_API void SetSystemMetric(int nIndex, int nValue);

}  // namespace sim

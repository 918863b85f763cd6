// The simulated user: scripted modal dialogs, keys, pumping and the message
// record.
#include "platform/sim/ui.h"

#include "platform/sim/machine.h"
#include "posix/user32/window.h"

#include <deque>
#include <map>
#include <mutex>

namespace {

struct Scripts {
  std::mutex mutex;
  std::map<DWORD, std::deque<sim::DialogScript>> byThread;
  std::map<DWORD, sim::DialogRun> lastRun;
};

Scripts& AllScripts() {
  static Scripts* scripts = new Scripts;  // outlives every module's unload
  return *scripts;
}

struct Log {
  std::mutex mutex;
  bool bOn = false;
  std::vector<sim::Message> messages;
};

Log& TheLog() {
  static Log* log = new Log;
  return *log;
}

// Dispatches one message as a modal loop would for the dialog it belongs to.
void DispatchOne(MSG& msg) {
  if (msg.hwnd) {
    for (HWND h = msg.hwnd; h; h = GetParent(h)) {
      auto window = qjplat::user32::LookupWindow(h);
      if (window && window->m_dialog) {
        if (IsDialogMessageA(h, &msg)) return;
        break;
      }
    }
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

sim::DialogRun Snapshot(HWND hDlg) {
  sim::DialogRun run;
  run.bRan = true;
  run.hDlg = hDlg;
  char szCaption[256] = "";
  GetWindowTextA(hDlg, szCaption, sizeof szCaption);
  run.caption = szCaption;
  GetWindowRect(hDlg, &run.rcWindow);
  auto window = qjplat::user32::LookupWindow(hDlg);
  if (!window) return run;
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  run.cxClient = window->Width();
  run.cyClient = window->Height();
  run.pixels.resize(size_t(run.cxClient) * size_t(run.cyClient));
  for (int y = 0; y < run.cyClient; ++y)
    for (int x = 0; x < run.cxClient; ++x) run.pixels[size_t(y) * size_t(run.cxClient) + size_t(x)] = window->m_surface->At(x, y);
  return run;
}

// Whether EndDialog has ended the dialog's modal run.
bool Ended(HWND hDlg) {
  auto window = qjplat::user32::LookupWindow(hDlg);
  return !window || !window->m_dialog || window->m_dialog->bEnded;
}

void RunScript(HWND hDlg) {
  sim::DialogScript script;
  const DWORD dwThread = GetCurrentThreadId();
  {
    Scripts& scripts = AllScripts();
    std::lock_guard<std::mutex> lock(scripts.mutex);
    auto it = scripts.byThread.find(dwThread);
    if (it == scripts.byThread.end() || it->second.empty()) return;
    script = it->second.front();
    it->second.pop_front();
  }
  // Keys after the dialog has ended do not reach it (the focus has left it).
  // Whatever the script leaves held is let go when it ends, without a
  // message: the dialog has the focus no more.
  std::vector<UINT> held;
  struct LetGo {
    std::vector<UINT>& keys;
    ~LetGo() {
      for (UINT vk : keys) qjplat::user32::SetKeyDown(int(vk), false);
    }
  } letGo{held};
  for (const sim::KeyEvent& key : script.keys) {
    if (Ended(hDlg)) break;
    sim::PostKey(hDlg, key.vk, key.bDown);
    if (key.bDown) held.push_back(key.vk);
    sim::PumpMessages();
    if (!IsWindow(hDlg)) return;
  }
  const bool bEnded = Ended(hDlg);
  if (!bEnded) {
    UpdateWindow(hDlg);
    sim::PumpMessages();
  }
  sim::DialogRun run = Snapshot(hDlg);
  {
    Scripts& scripts = AllScripts();
    std::lock_guard<std::mutex> lock(scripts.mutex);
    scripts.lastRun[dwThread] = run;
  }
  if (script.nEndCommand && !bEnded)
    PostMessageA(hDlg, WM_COMMAND, MAKELONG(script.nEndCommand, 0),
                 reinterpret_cast<LPARAM>(GetDlgItem(hDlg, script.nEndCommand)));
}

// Installs the hooks on first use of the sim.
void InstallHooks() {
  static std::once_flag once;
  std::call_once(once, [] {
    qjplat::user32::SetModalHook(RunScript);
    qjplat::user32::SetMessageHook([](HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT lResult) {
      Log& log = TheLog();
      std::lock_guard<std::mutex> lock(log.mutex);
      if (log.bOn) log.messages.push_back(sim::Message{hWnd, uMsg, wParam, lParam, lResult});
    });
  });
}

}  // namespace

namespace sim {

void ScriptNextDialog(const DialogScript& script) {
  InstallHooks();
  Scripts& scripts = AllScripts();
  std::lock_guard<std::mutex> lock(scripts.mutex);
  scripts.byThread[GetCurrentThreadId()].push_back(script);
}

void ClearDialogScripts() {
  Scripts& scripts = AllScripts();
  std::lock_guard<std::mutex> lock(scripts.mutex);
  scripts.byThread.erase(GetCurrentThreadId());
  scripts.lastRun.erase(GetCurrentThreadId());
}

DialogRun LastDialogRun() {
  Scripts& scripts = AllScripts();
  std::lock_guard<std::mutex> lock(scripts.mutex);
  auto it = scripts.lastRun.find(GetCurrentThreadId());
  return it == scripts.lastRun.end() ? DialogRun() : it->second;
}

void PostKey(HWND hWnd, UINT vk, bool bDown) {
  const bool bWasDown = (GetKeyState(int(vk)) & 0x8000) != 0;
  qjplat::user32::SetKeyDown(int(vk), bDown);
  const bool bAlt = (GetKeyState(VK_MENU) & 0x8000) != 0 || (!bDown && vk == VK_MENU);
  const bool bCtrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  const bool bSys = (bAlt && !bCtrl) || vk == VK_F10;
  UINT uMsg = bDown ? (bSys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (bSys ? WM_SYSKEYUP : WM_KEYUP);
  DWORD lParam = 1 | (MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) & 0xFF) << 16;
  if (bAlt) lParam |= 1u << 29;
  if (bDown ? bWasDown : true) lParam |= 1u << 30;
  if (!bDown) lParam |= 1u << 31;
  PostMessageA(hWnd, uMsg, vk, LPARAM(lParam));
}

int PumpMessages() {
  InstallHooks();
  int n = 0;
  MSG msg;
  while (n < 100000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    DispatchOne(msg);
    ++n;
  }
  return n;
}

int RunMessages(DWORD ms) {
  int n = PumpMessages();
  if (IsClockFrozen()) {
    for (DWORD i = 0; i < ms; ++i) {
      StepClock(1);
      n += PumpMessages();
    }
    return n;
  }
  const DWORD dwStart = GetTickCount();
  while (GetTickCount() - dwStart < ms) {
    n += PumpMessages();
    Sleep(1);
  }
  return n + PumpMessages();
}

void StartMessageLog() {
  InstallHooks();
  Log& log = TheLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  log.messages.clear();
  log.bOn = true;
}

void StopMessageLog() {
  Log& log = TheLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  log.bOn = false;
}

std::vector<Message> MessageLog() {
  Log& log = TheLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  return log.messages;
}

void SetSystemMetric(int nIndex, int nValue) { qjplat::user32::SetMetricOverride(nIndex, nValue); }

}  // namespace sim

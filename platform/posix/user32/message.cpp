// Per-thread message queues: posted messages, WM_PAINT from the update
// regions and WM_TIMER from the timers, on the simulated clock.
#include "posix/user32/window.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <list>
#include <mutex>
#include <unordered_map>

namespace qjplat {
namespace user32 {
namespace {

struct Timer {
  HWND hWnd;
  UINT_PTR id;
  UINT uElapse;
  DWORD dwDue;  // tick at which it fires next
  TIMERPROC pfn;
};

struct Queue {
  std::deque<MSG> posted;
  std::list<Timer> timers;
  bool bQuit = false;
  int nQuitCode = 0;
  HWND hFocus = nullptr;
  BYTE keys[256] = {};
};

// All queues under one lock; a condition variable wakes waiting threads.
struct Queues {
  std::mutex mutex;
  std::condition_variable wake;
  std::unordered_map<DWORD, Queue> byThread;
  UINT_PTR nextThreadTimer = 1;
};

Queues& AllQueues() {
  static Queues* queues = new Queues;  // outlives every module's unload
  return *queues;
}

struct Hooks {
  std::mutex mutex;
  ModalHook modal;
  MessageHook message;
};

Hooks& AllHooks() {
  static Hooks* hooks = new Hooks;
  return *hooks;
}

// Signed distance from now to a tick, with the 2^32 wrap.
int32_t TicksUntil(DWORD dwDue, DWORD dwNow) { return int32_t(dwDue - dwNow); }

bool InFilter(const MSG& msg, HWND hWnd, UINT wMin, UINT wMax) {
  if (hWnd && msg.hwnd != hWnd) return false;
  if (wMin == 0 && wMax == 0) return true;
  return msg.message >= wMin && msg.message <= wMax;
}

MSG MakeMsg(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  MSG msg;
  std::memset(&msg, 0, sizeof msg);
  msg.hwnd = hWnd;
  msg.message = uMsg;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = GetTickCount();
  return msg;
}

// One message for the thread by the rules of GetMessageA, or false.
bool TakeMessage(DWORD dwThread, MSG* pMsg, HWND hWnd, UINT wMin, UINT wMax, bool bRemove) {
  Queues& queues = AllQueues();
  {
    std::lock_guard<std::mutex> lock(queues.mutex);
    Queue& queue = queues.byThread[dwThread];
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
      if (!InFilter(*it, hWnd, wMin, wMax)) continue;
      *pMsg = *it;
      if (bRemove) queue.posted.erase(it);
      return true;
    }
    if (queue.bQuit && !hWnd) {
      *pMsg = MakeMsg(nullptr, WM_QUIT, WPARAM(queue.nQuitCode), 0);
      if (bRemove) queue.bQuit = false;
      return true;
    }
  }
  // Painting before timers, as Windows orders them.
  if (wMin == 0 && wMax == 0 ? true : (WM_PAINT >= wMin && WM_PAINT <= wMax)) {
    for (HWND hCandidate : WindowsOfThread(dwThread)) {
      if (hWnd && hCandidate != hWnd) continue;
      auto window = LookupWindow(hCandidate);
      if (!window || !window->m_pfnWndProc || !ShowsOnScreen(*window)) continue;
      bool bUpdate;
      {
        std::lock_guard<std::recursive_mutex> lock(gdi::Lock());
        bUpdate = window->HasUpdate();
      }
      if (!bUpdate) continue;
      *pMsg = MakeMsg(hCandidate, WM_PAINT, 0, 0);
      return true;
    }
  }
  if (wMin == 0 && wMax == 0 ? true : (WM_TIMER >= wMin && WM_TIMER <= wMax)) {
    const DWORD dwNow = GetTickCount();
    std::lock_guard<std::mutex> lock(queues.mutex);
    Queue& queue = queues.byThread[dwThread];
    for (Timer& timer : queue.timers) {
      if (hWnd && timer.hWnd != hWnd) continue;
      if (TicksUntil(timer.dwDue, dwNow) > 0) continue;
      *pMsg = MakeMsg(timer.hWnd, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.pfn));
      if (bRemove) timer.dwDue = dwNow + timer.uElapse;
      return true;
    }
  }
  return false;
}

}  // namespace

void WakeThread(DWORD dwThreadId) {
  (void)dwThreadId;
  AllQueues().wake.notify_all();
}

void ForgetWindowMessages(HWND hWnd) {
  Queues& queues = AllQueues();
  std::lock_guard<std::mutex> lock(queues.mutex);
  for (auto& entry : queues.byThread) {
    Queue& queue = entry.second;
    queue.posted.erase(std::remove_if(queue.posted.begin(), queue.posted.end(),
                                      [hWnd](const MSG& m) { return m.hwnd == hWnd; }),
                       queue.posted.end());
    queue.timers.remove_if([hWnd](const Timer& t) { return t.hWnd == hWnd; });
    if (queue.hFocus == hWnd) queue.hFocus = nullptr;
  }
}

void SetModalHook(ModalHook hook) {
  std::lock_guard<std::mutex> lock(AllHooks().mutex);
  AllHooks().modal = std::move(hook);
}

void RunModalHook(HWND hDlg) {
  ModalHook hook;
  {
    std::lock_guard<std::mutex> lock(AllHooks().mutex);
    hook = AllHooks().modal;
  }
  if (hook) hook(hDlg);
}

void SetMessageHook(MessageHook hook) {
  std::lock_guard<std::mutex> lock(AllHooks().mutex);
  AllHooks().message = std::move(hook);
}

void NotifyMessageHook(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT lResult) {
  MessageHook hook;
  {
    std::lock_guard<std::mutex> lock(AllHooks().mutex);
    if (!AllHooks().message) return;
    hook = AllHooks().message;
  }
  hook(hWnd, uMsg, wParam, lParam, lResult);
}

void SetKeyDown(int vk, bool bDown) {
  Queues& queues = AllQueues();
  std::lock_guard<std::mutex> lock(queues.mutex);
  BYTE& state = queues.byThread[GetCurrentThreadId()].keys[vk & 0xFF];
  if (bDown) {
    if (!(state & 0x80)) state ^= 0x01;  // the toggle bit flips on each press
    state |= 0x80;
  } else {
    state &= ~0x80;
  }
}

}  // namespace user32
}  // namespace qjplat

using namespace qjplat::user32;

// Calls the window procedure on the calling thread (a window of another
// thread included: the layer has no cross-thread send).
LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  auto window = LookupWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return window->Send(Msg, wParam, lParam);
}

// Queues for the window's thread; NULL posts to the calling thread.
BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  DWORD dwThread = GetCurrentThreadId();
  if (hWnd) {
    auto window = LookupWindow(hWnd);
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    dwThread = window->m_dwThreadId;
  }
  Queues& queues = AllQueues();
  {
    std::lock_guard<std::mutex> lock(queues.mutex);
    queues.byThread[dwThread].posted.push_back(MakeMsg(hWnd, Msg, wParam, lParam));
  }
  queues.wake.notify_all();
  return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
  Queues& queues = AllQueues();
  {
    std::lock_guard<std::mutex> lock(queues.mutex);
    Queue& queue = queues.byThread[GetCurrentThreadId()];
    queue.bQuit = true;
    queue.nQuitCode = nExitCode;
  }
  queues.wake.notify_all();
}

// Waits for a message; FALSE for WM_QUIT, -1 for a bad window handle. The
// wait looks again every millisecond, so that a clock stepped on another
// thread makes a timer due.
BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (!lpMsg) return -1;
  if (hWnd && !LookupWindow(hWnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  const DWORD dwThread = GetCurrentThreadId();
  Queues& queues = AllQueues();
  for (;;) {
    if (TakeMessage(dwThread, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true))
      return lpMsg->message == WM_QUIT ? FALSE : TRUE;
    std::unique_lock<std::mutex> lock(queues.mutex);
    queues.wake.wait_for(lock, std::chrono::milliseconds(1));
  }
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  if (!lpMsg) return FALSE;
  return TakeMessage(GetCurrentThreadId(), lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0)
             ? TRUE
             : FALSE;
}

// A WM_TIMER with a timer procedure in lParam goes to the procedure with the
// current tick; everything else to the window procedure.
LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
  if (!lpMsg) return 0;
  if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
    auto pfn = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
    pfn(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
    return 0;
  }
  auto window = LookupWindow(lpMsg->hwnd);
  if (!window) return 0;
  return window->Send(lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

// A key press with a character in the US layout posts WM_CHAR (WM_SYSCHAR
// for WM_SYSKEYDOWN) ahead of the queue: letters lower case unless Shift or
// Caps Lock is active.
BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
  if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) return FALSE;
  UINT ch = MapVirtualKeyA(UINT(lpMsg->wParam), MAPVK_VK_TO_CHAR) & 0x7FFFFFFF;
  if (!ch) return FALSE;
  const bool bShift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  const bool bCaps = (GetKeyState(VK_CAPITAL) & 1) != 0;
  if (ch >= 'A' && ch <= 'Z' && bShift == bCaps) ch = ch - 'A' + 'a';
  // The character comes next, ahead of the keys that follow: Windows keeps
  // those in the input queue, behind the posted messages.
  Queues& queues = AllQueues();
  {
    std::lock_guard<std::mutex> lock(queues.mutex);
    queues.byThread[GetCurrentThreadId()].posted.push_front(
        MakeMsg(lpMsg->hwnd, lpMsg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, ch, lpMsg->lParam));
  }
  return TRUE;
}

// A window timer is replaced when it exists; a thread timer (hWnd NULL)
// gets a new id. Periods below USER_TIMER_MINIMUM are raised to it. The
// first WM_TIMER is due uElapse milliseconds from now.
UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  DWORD dwThread = GetCurrentThreadId();
  if (hWnd) {
    auto window = LookupWindow(hWnd);
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    dwThread = window->m_dwThreadId;
  }
  uElapse = std::min<UINT>(std::max<UINT>(uElapse, USER_TIMER_MINIMUM), USER_TIMER_MAXIMUM);
  const DWORD dwDue = GetTickCount() + uElapse;
  Queues& queues = AllQueues();
  std::lock_guard<std::mutex> lock(queues.mutex);
  Queue& queue = queues.byThread[dwThread];
  if (hWnd) {
    for (Timer& timer : queue.timers) {
      if (timer.hWnd == hWnd && timer.id == nIDEvent) {
        timer.uElapse = uElapse;
        timer.dwDue = dwDue;
        timer.pfn = lpTimerFunc;
        return nIDEvent ? nIDEvent : 1;
      }
    }
    queue.timers.push_back(Timer{hWnd, nIDEvent, uElapse, dwDue, lpTimerFunc});
    return nIDEvent ? nIDEvent : 1;
  }
  UINT_PTR id = queues.nextThreadTimer++;
  queue.timers.push_back(Timer{nullptr, id, uElapse, dwDue, lpTimerFunc});
  return id;
}

// FALSE when there is no such timer. A WM_TIMER already handed out is not
// taken back.
BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  Queues& queues = AllQueues();
  std::lock_guard<std::mutex> lock(queues.mutex);
  for (auto& entry : queues.byThread) {
    auto& timers = entry.second.timers;
    for (auto it = timers.begin(); it != timers.end(); ++it) {
      if (it->hWnd == hWnd && it->id == uIDEvent) {
        timers.erase(it);
        return TRUE;
      }
    }
  }
  SetLastError(hWnd && !LookupWindow(hWnd) ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
  return FALSE;
}

HWND WINAPI SetFocus(HWND hWnd) {
  Queues& queues = AllQueues();
  HWND hOld;
  {
    std::lock_guard<std::mutex> lock(queues.mutex);
    Queue& queue = queues.byThread[GetCurrentThreadId()];
    hOld = queue.hFocus;
    queue.hFocus = hWnd;
  }
  if (hOld && hOld != hWnd && LookupWindow(hOld)) SendMessageA(hOld, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
  if (hWnd && hOld != hWnd) SendMessageA(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(hOld), 0);
  return hOld;
}

HWND WINAPI GetFocus(void) {
  Queues& queues = AllQueues();
  std::lock_guard<std::mutex> lock(queues.mutex);
  return queues.byThread[GetCurrentThreadId()].hFocus;
}

// Bit 15: the key is down; bit 0: its toggle (Caps Lock on).
SHORT WINAPI GetKeyState(int nVirtKey) {
  Queues& queues = AllQueues();
  std::lock_guard<std::mutex> lock(queues.mutex);
  BYTE state = queues.byThread[GetCurrentThreadId()].keys[nVirtKey & 0xFF];
  return SHORT(((state & 0x80) ? 0x8000 : 0) | (state & 0x01));
}

SHORT WINAPI GetAsyncKeyState(int vKey) { return SHORT(GetKeyState(vKey) & 0x8000); }

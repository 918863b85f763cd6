// Service-thread doubles and bounded waits shared by the service-thread tests.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "qj_srvthread.h"

namespace srvtest {

// Generous bound for conditions that real threads reach; sanitizer builds run
// far slower than plain ones.
constexpr int kWaitMs = 30000;

// Polls pred until it holds or kWaitMs pass; true when it held.
inline bool WaitFor(const std::function<bool()>& pred) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Runs fn on a helper thread; true when it returned within kWaitMs. A call
// that hangs is left behind (its objects must then be leaked by the caller).
inline bool FinishesInTime(std::function<void()> fn) {
  auto task = std::make_shared<std::packaged_task<void()>>(std::move(fn));
  std::future<void> done = task->get_future();
  std::thread runner([task] { (*task)(); });
  if (done.wait_for(std::chrono::milliseconds(kWaitMs)) != std::future_status::ready) {
    runner.detach();
    return false;
  }
  runner.join();
  return true;
}

// True when op, run on a thread of its own while another thread holds
// pThread's lock, does not return before that lock is released, and returns
// once it is. An op that never returns hangs the test.
inline bool WaitsForTheLock(CQJ_SrvThread* pThread, const std::function<void()>& op) {
  std::atomic<bool> bHeld{false};
  std::atomic<bool> bRelease{false};
  std::atomic<bool> bDone{false};
  std::thread holder([&] {
    pThread->Lock();
    bHeld = true;
    while (!bRelease) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    pThread->Unlock();
  });
  while (!bHeld) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::thread caller([&] {
    op();
    bDone = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const bool bWaited = !bDone;
  bRelease = true;
  holder.join();
  caller.join();
  return bWaited && bDone;
}

// What a test client did; outlives the client.
struct ClientLog {
  std::atomic<int> nOnStart{0};
  std::atomic<int> nSteps{0};
  std::atomic<int> nIdleSteps{0};
  std::atomic<int> nOnPause{0};
  std::atomic<int> nOnResume{0};
  std::atomic<int> nOnError{0};
  std::atomic<DWORD> dwStepThread{0};
  std::atomic<DWORD> dwErrorThread{0};
  std::atomic<bool> bInStep{false};
  std::atomic<int> nEndState{-1};  // state seen once the worker had ended
  std::atomic<int> nDeleted{0};
  std::function<void()> fnOnDelete;  // runs in the destructor, before the worker is stopped
};

struct ClientOptions {
  BOOL bAllowStart = TRUE;
  int nFailAtStep = 0;  // RunStep returns FALSE on this step (1-based); 0 never
  BOOL bCanPause = FALSE;
};

class TestClient : public CQJ_SrvClient {
 public:
  explicit TestClient(ClientLog* pLog, ClientOptions options = ClientOptions())
      : CQJ_SrvClient(0, 0, NULL, NULL), m_pClientLog(pLog), m_options(options) {}
  ~TestClient() override {
    if (m_pClientLog->fnOnDelete) m_pClientLog->fnOnDelete();
    StopAndWait();
    m_pClientLog->nEndState = GetState();
    ++m_pClientLog->nDeleted;
  }

  BOOL CanPause() override { return m_options.bCanPause; }
  BOOL OnStart() override {
    ++m_pClientLog->nOnStart;
    return m_options.bAllowStart;
  }
  BOOL RunStep() override {
    m_pClientLog->bInStep = true;
    m_pClientLog->dwStepThread = GetCurrentThreadId();
    const int n = ++m_pClientLog->nSteps;
    std::this_thread::yield();
    m_pClientLog->bInStep = false;
    return n == m_options.nFailAtStep ? FALSE : TRUE;
  }
  BOOL IdleStep() override {
    ++m_pClientLog->nIdleSteps;
    Sleep(1);
    return TRUE;
  }
  BOOL OnPause() override {
    ++m_pClientLog->nOnPause;
    return TRUE;
  }
  BOOL OnResume() override {
    ++m_pClientLog->nOnResume;
    return TRUE;
  }
  BOOL OnError() override {
    ++m_pClientLog->nOnError;
    m_pClientLog->dwErrorThread = GetCurrentThreadId();
    return TRUE;
  }

  void SetOptions(ClientOptions options) { m_options = options; }
  HANDLE ThreadHandle() { return m_hThread; }
  void ForceState(SrvState s) { m_nState = s; }

 private:
  ClientLog* m_pClientLog;
  ClientOptions m_options;
};

}  // namespace srvtest

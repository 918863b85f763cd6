// Threads: creation (optionally suspended), resume, exit code, thread IDs.
#include "posix/internal.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Thread IDs are multiples of 4 and never 0, as on Windows.
std::atomic<DWORD> g_dwNextThreadId{0x100};
thread_local DWORD t_dwThreadId = 0;

DWORD NewThreadId() { return g_dwNextThreadId.fetch_add(4); }

class ThreadObject : public qjplat::KernelObject {
 public:
  ThreadObject(LPTHREAD_START_ROUTINE pfnStart, LPVOID pvParameter, DWORD dwSuspendCount)
      : m_pfnStart(pfnStart), m_pvParameter(pvParameter), m_dwSuspendCount(dwSuspendCount), m_dwId(NewThreadId()) {}

  DWORD Id() const { return m_dwId; }

  // Body of the worker: waits while suspended, runs the routine, signals.
  void Run() {
    t_dwThreadId = m_dwId;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_cv.wait(lock, [this] { return m_dwSuspendCount == 0; });
    }
    DWORD dwExit = m_pfnStart(m_pvParameter);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dwExitCode = dwExit;
    m_bFinished = true;
    m_cv.notify_all();
  }

  // Returns the previous suspend count.
  DWORD Resume() {
    std::lock_guard<std::mutex> lock(m_mutex);
    DWORD dwPrevious = m_dwSuspendCount;
    if (m_dwSuspendCount > 0 && --m_dwSuspendCount == 0) m_cv.notify_all();
    return dwPrevious;
  }

  DWORD ExitCode() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bFinished ? m_dwExitCode : STILL_ACTIVE;
  }

  DWORD Wait(DWORD dwMilliseconds) override {
    std::unique_lock<std::mutex> lock(m_mutex);
    auto done = [this] { return m_bFinished; };
    if (dwMilliseconds == INFINITE) {
      m_cv.wait(lock, done);
      return WAIT_OBJECT_0;
    }
    return m_cv.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), done) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
  }

 private:
  LPTHREAD_START_ROUTINE m_pfnStart;
  LPVOID m_pvParameter;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  DWORD m_dwSuspendCount;
  DWORD m_dwId;
  DWORD m_dwExitCode = STILL_ACTIVE;
  bool m_bFinished = false;
};

}  // namespace

// Starts lpStartAddress(lpParameter) on a new thread, held before its first
// instruction when dwCreationFlags has CREATE_SUSPENDED. NULL with
// ERROR_INVALID_PARAMETER for a NULL routine, ERROR_NOT_ENOUGH_MEMORY when no
// thread can be created.
QJ_PLATFORM_API HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress,
                                           LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
  if (!lpStartAddress) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto thread = std::make_shared<ThreadObject>(lpStartAddress, lpParameter,
                                               (dwCreationFlags & CREATE_SUSPENDED) ? 1u : 0u);
  try {
    std::thread([thread] { thread->Run(); }).detach();
  } catch (const std::system_error&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (lpThreadId) *lpThreadId = thread->Id();
  return qjplat::AddHandle(thread);
}

// Returns the previous suspend count, or (DWORD)-1 with ERROR_INVALID_HANDLE.
QJ_PLATFORM_API DWORD WINAPI ResumeThread(HANDLE hThread) {
  auto thread = qjplat::LookupHandleAs<ThreadObject>(hThread);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  return thread->Resume();
}

// STILL_ACTIVE while the thread runs, then its routine's result.
QJ_PLATFORM_API BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  auto thread = qjplat::LookupHandleAs<ThreadObject>(hThread);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!lpExitCode) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpExitCode = thread->ExitCode();
  return TRUE;
}

QJ_PLATFORM_API DWORD WINAPI GetCurrentThreadId(void) {
  if (t_dwThreadId == 0) t_dwThreadId = NewThreadId();
  return t_dwThreadId;
}

QJ_PLATFORM_API DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

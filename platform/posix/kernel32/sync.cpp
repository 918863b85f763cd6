// Critical sections and events.
#include "posix/internal.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <string>

static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::Opaque),
              "the critical section's storage holds a recursive mutex");
static_assert(alignof(std::recursive_mutex) <= alignof(CRITICAL_SECTION),
              "the critical section's storage is aligned for a recursive mutex");

namespace {

std::recursive_mutex* MutexOf(LPCRITICAL_SECTION lpCriticalSection) {
  return std::launder(reinterpret_cast<std::recursive_mutex*>(lpCriticalSection->Opaque));
}

}  // namespace

QJ_PLATFORM_API void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  new (lpCriticalSection->Opaque) std::recursive_mutex;
}

// The owning thread may enter again; each entry needs its own leave.
QJ_PLATFORM_API void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  MutexOf(lpCriticalSection)->lock();
}

QJ_PLATFORM_API BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  return MutexOf(lpCriticalSection)->try_lock() ? TRUE : FALSE;
}

QJ_PLATFORM_API void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  MutexOf(lpCriticalSection)->unlock();
}

QJ_PLATFORM_API void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
  MutexOf(lpCriticalSection)->~recursive_mutex();
}

namespace {

class EventObject : public qjplat::KernelObject {
 public:
  EventObject(bool bManualReset, bool bInitialState) : m_bManualReset(bManualReset), m_bSignalled(bInitialState) {}

  void Set() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bSignalled = true;
    if (m_bManualReset)
      m_cv.notify_all();
    else
      m_cv.notify_one();
  }

  void Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bSignalled = false;
  }

  // An auto-reset event releases one waiter and returns to non-signalled.
  DWORD Wait(DWORD dwMilliseconds) override {
    std::unique_lock<std::mutex> lock(m_mutex);
    auto signalled = [this] { return m_bSignalled; };
    if (dwMilliseconds == INFINITE)
      m_cv.wait(lock, signalled);
    else if (!m_cv.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), signalled))
      return WAIT_TIMEOUT;
    if (!m_bManualReset) m_bSignalled = false;
    return WAIT_OBJECT_0;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  const bool m_bManualReset;
  bool m_bSignalled;
};

// Named events of this process: opening an existing name returns the same
// event with ERROR_ALREADY_EXISTS.
struct NamedEvents {
  std::mutex mutex;
  std::map<std::string, std::weak_ptr<EventObject>> byName;
};

NamedEvents& TheNamedEvents() {
  static NamedEvents* events = new NamedEvents;
  return *events;
}

}  // namespace

QJ_PLATFORM_API HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                                           LPCSTR lpName) {
  if (!lpName || !*lpName) {
    SetLastError(ERROR_SUCCESS);
    return qjplat::AddHandle(std::make_shared<EventObject>(bManualReset != FALSE, bInitialState != FALSE));
  }
  NamedEvents& named = TheNamedEvents();
  std::lock_guard<std::mutex> lock(named.mutex);
  std::shared_ptr<EventObject> event = named.byName[lpName].lock();
  if (event) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return qjplat::AddHandle(event);
  }
  event = std::make_shared<EventObject>(bManualReset != FALSE, bInitialState != FALSE);
  named.byName[lpName] = event;
  SetLastError(ERROR_SUCCESS);
  return qjplat::AddHandle(event);
}

QJ_PLATFORM_API BOOL WINAPI SetEvent(HANDLE hEvent) {
  auto event = qjplat::LookupHandleAs<EventObject>(hEvent);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  event->Set();
  return TRUE;
}

QJ_PLATFORM_API BOOL WINAPI ResetEvent(HANDLE hEvent) {
  auto event = qjplat::LookupHandleAs<EventObject>(hEvent);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  event->Reset();
  return TRUE;
}

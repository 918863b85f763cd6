// The simulated machine's clock, root folder and captured debug output.
#include "platform/sim/machine.h"

#include "posix/internal.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

#ifndef QJ_DEFAULT_MACHINE_ROOT
#define QJ_DEFAULT_MACHINE_ROOT "/tmp/qj-machine"
#endif

namespace {

// Tick count = steady milliseconds + offset while running; the stored tick
// while frozen. Both are read and written under the one lock.
struct Clock {
  std::mutex mutex;
  bool bFrozen = false;
  DWORD dwFrozenTick = 0;
  int64_t llOffset = 0;
};

Clock& TheClock() {
  static Clock* clock = new Clock;
  return *clock;
}

int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct Root {
  std::mutex mutex;
  bool bKnown = false;
  std::string path;
};

Root& TheRoot() {
  static Root* root = new Root;
  return *root;
}

struct Callbacks {
  std::mutex mutex;
  std::vector<std::function<void()>> list;
};

Callbacks& RootCallbacks() {
  static Callbacks* callbacks = new Callbacks;
  return *callbacks;
}

// The captured debug output gives the most recent kMaxDebugText bytes: the
// oldest text is dropped from the front, whole lines where they fit, so a
// long run keeps its latest output in bounded memory. The capture holds up
// to twice that, so that dropping costs nothing per line written.
constexpr size_t kMaxDebugText = size_t(1) << 20;

struct DebugCapture {
  std::mutex mutex;
  std::string text;
};

void TrimDebugText(std::string* pText) {
  if (pText->size() <= kMaxDebugText) return;
  size_t cut = pText->size() - kMaxDebugText;
  const size_t eol = pText->find('\n', cut - 1);
  if (eol != std::string::npos && eol + 1 < pText->size()) cut = eol + 1;
  pText->erase(0, cut);
}

DebugCapture& TheDebugCapture() {
  static DebugCapture* capture = new DebugCapture;
  return *capture;
}

std::string NormalizeRoot(const std::string& root) {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(root, ec);
  if (ec) path = root;
  std::string text = path.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

void CreateMachineFolders(const std::string& root) {
  std::error_code ec;
  std::filesystem::create_directories(root + "/drive_c/windows/system32", ec);
  std::filesystem::create_directories(root + "/drive_c/windows/temp", ec);
}

}  // namespace

namespace qjplat {

DWORD ClockTick() {
  Clock& clock = TheClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  if (clock.bFrozen) return clock.dwFrozenTick;
  return static_cast<DWORD>(static_cast<uint64_t>(SteadyMilliseconds() + clock.llOffset));
}

bool ClockFrozen() {
  Clock& clock = TheClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  return clock.bFrozen;
}

std::string MachineRoot() {
  Root& root = TheRoot();
  std::lock_guard<std::mutex> lock(root.mutex);
  if (!root.bKnown) {
    const char* pszEnv = std::getenv("QJ_MACHINE_ROOT");
    root.path = NormalizeRoot(pszEnv && *pszEnv ? pszEnv : QJ_DEFAULT_MACHINE_ROOT);
    CreateMachineFolders(root.path);
    root.bKnown = true;
  }
  return root.path;
}

void AppendDebugOutput(const char* pszText) {
  static const bool bEcho = std::getenv("QJ_DEBUG_OUTPUT") != nullptr;
  DebugCapture& capture = TheDebugCapture();
  std::lock_guard<std::mutex> lock(capture.mutex);
  capture.text += pszText;
  if (capture.text.size() > 2 * kMaxDebugText) TrimDebugText(&capture.text);
  if (bEcho) {
    std::fputs(pszText, stderr);
    std::fflush(stderr);
  }
}

}  // namespace qjplat

namespace sim {

void OnMachineRootChanged(std::function<void()> callback) {
  if (!callback) return;
  Callbacks& callbacks = RootCallbacks();
  std::lock_guard<std::mutex> lock(callbacks.mutex);
  callbacks.list.push_back(std::move(callback));
}

void FreezeClock(DWORD tick) {
  Clock& clock = TheClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  clock.bFrozen = true;
  clock.dwFrozenTick = tick;
}

void StepClock(DWORD ms) {
  Clock& clock = TheClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  if (clock.bFrozen)
    clock.dwFrozenTick += ms;
  else
    clock.llOffset += ms;
}

void SetTick(DWORD tick) {
  Clock& clock = TheClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  if (clock.bFrozen)
    clock.dwFrozenTick = tick;
  else
    clock.llOffset = static_cast<int64_t>(tick) - SteadyMilliseconds();
}

void ThawClock() {
  Clock& clock = TheClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  if (!clock.bFrozen) return;
  clock.llOffset = static_cast<int64_t>(clock.dwFrozenTick) - SteadyMilliseconds();
  clock.bFrozen = false;
}

bool IsClockFrozen() { return qjplat::ClockFrozen(); }

void SetMachineRoot(const std::string& root) {
  std::string path = NormalizeRoot(root);
  CreateMachineFolders(path);
  {
    Root& state = TheRoot();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.path = path;
    state.bKnown = true;
  }
  // Run outside both locks: a callback may read the new root or register.
  std::vector<std::function<void()>> list;
  {
    Callbacks& callbacks = RootCallbacks();
    std::lock_guard<std::mutex> lock(callbacks.mutex);
    list = callbacks.list;
  }
  for (auto& callback : list) callback();
}

std::string MachineRoot() { return qjplat::MachineRoot(); }

std::string DebugOutput() {
  DebugCapture& capture = TheDebugCapture();
  std::lock_guard<std::mutex> lock(capture.mutex);
  TrimDebugText(&capture.text);
  return capture.text;
}

void ClearDebugOutput() {
  DebugCapture& capture = TheDebugCapture();
  std::lock_guard<std::mutex> lock(capture.mutex);
  capture.text.clear();
}

}  // namespace sim

// Simulated HID devices and their opener for "\\?\" device paths.
#include "platform/sim/hid.h"

#include "posix/internal.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <thread>

namespace sim {

struct HidDevice::State {
  std::string path;
  DWORD cbOutputReport = kDefaultOutputReportLength;
  mutable std::mutex mutex;
  std::vector<HidReport> reports;
  bool bPlugged = true;
  bool bRemoved = false;  // dropped from the registry of devices for good
  std::size_t cOpens = 0;
  std::atomic<std::size_t> cHandles{0};
  // Access and share mode of every handle open now, under mutex.
  struct OpenMode {
    DWORD dwAccess;
    DWORD dwShareMode;
  };
  std::list<OpenMode> openModes;
};

namespace {

std::string FoldCase(const std::string& s) {
  std::string folded(s);
  std::transform(folded.begin(), folded.end(), folded.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return folded;
}

// An open handle on a device; it keeps the device's state alive after the
// device is removed so that late writes fail cleanly. Its open mode enters
// the device's list in the opener (under the device's lock, with the share
// check) and leaves it when the handle goes.
class HidHandle : public qjplat::KernelObject {
 public:
  HidHandle(std::shared_ptr<HidDevice::State> state, std::list<HidDevice::State::OpenMode>::iterator mode)
      : m_state(std::move(state)), m_dwAccess(mode->dwAccess), m_mode(mode) {
    ++m_state->cHandles;
  }
  ~HidHandle() override {
    {
      std::lock_guard<std::mutex> lock(m_state->mutex);
      m_state->openModes.erase(m_mode);
    }
    --m_state->cHandles;
  }

  BOOL Write(const void* pBuffer, DWORD cbToWrite, DWORD* pcbWritten) override {
    if (pcbWritten != nullptr) *pcbWritten = 0;
    if (!qjplat::AccessWritesData(m_dwAccess)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (!m_state->bPlugged || m_state->bRemoved) {
      SetLastError(ERROR_DEVICE_NOT_CONNECTED);
      return FALSE;
    }
    if (pBuffer == nullptr || cbToWrite != m_state->cbOutputReport) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    HidReport report;
    const BYTE* pBytes = static_cast<const BYTE*>(pBuffer);
    report.bytes.assign(pBytes, pBytes + cbToWrite);
    report.dwTick = GetTickCount();
    m_state->reports.push_back(std::move(report));
    if (pcbWritten != nullptr) *pcbWritten = cbToWrite;
    return TRUE;
  }

 private:
  std::shared_ptr<HidDevice::State> m_state;
  const DWORD m_dwAccess;
  const std::list<HidDevice::State::OpenMode>::iterator m_mode;
};

struct HidRegistry {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<HidDevice>> devices;  // key: folded path
};

HidRegistry& Registry() {
  static HidRegistry* registry = new HidRegistry;  // outlives every module's unload
  return *registry;
}

std::shared_ptr<qjplat::KernelObject> OpenDevice(const std::string& path, DWORD dwAccess, DWORD dwShareMode,
                                                 DWORD* pdwError);

void InstallOpener() {
  static std::once_flag once;
  std::call_once(once, [] { qjplat::SetDeviceOpener(&OpenDevice); });
}

std::shared_ptr<HidDevice::State> FindState(const std::string& path);

// A HID collection is shared as a file is: an open whose access or share
// mode clashes with a handle open now fails with ERROR_SHARING_VIOLATION.
std::shared_ptr<qjplat::KernelObject> OpenDevice(const std::string& path, DWORD dwAccess, DWORD dwShareMode,
                                                 DWORD* pdwError) {
  auto fail = [pdwError](DWORD dwError) -> std::shared_ptr<qjplat::KernelObject> {
    if (pdwError != nullptr) *pdwError = dwError;
    return nullptr;
  };
  std::shared_ptr<HidDevice::State> state = FindState(path);
  if (!state) return fail(ERROR_FILE_NOT_FOUND);
  std::lock_guard<std::mutex> lock(state->mutex);
  if (!state->bPlugged) return fail(ERROR_FILE_NOT_FOUND);
  for (const HidDevice::State::OpenMode& held : state->openModes)
    if (qjplat::ShareModesClash(held.dwAccess, held.dwShareMode, dwAccess, dwShareMode))
      return fail(ERROR_SHARING_VIOLATION);
  auto mode = state->openModes.insert(state->openModes.end(), HidDevice::State::OpenMode{dwAccess, dwShareMode});
  ++state->cOpens;
  return std::make_shared<HidHandle>(state, mode);
}

}  // namespace

// Reaches the state behind a registered device (file-local helper).
class HidDeviceAccess {
 public:
  static std::shared_ptr<HidDevice::State> StateOf(const HidDevice& device) { return device.m_state; }
};

namespace {

std::shared_ptr<HidDevice::State> FindState(const std::string& path) {
  HidRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto it = registry.devices.find(FoldCase(path));
  if (it == registry.devices.end()) return nullptr;
  return HidDeviceAccess::StateOf(*it->second);
}

}  // namespace

HidDevice::HidDevice(std::shared_ptr<State> state) : m_state(std::move(state)) {}

const std::string& HidDevice::Path() const { return m_state->path; }

std::vector<HidReport> HidDevice::Reports() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->reports;
}

std::size_t HidDevice::ReportCount() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->reports.size();
}

void HidDevice::Clear() {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  m_state->reports.clear();
}

bool HidDevice::WaitForReports(std::size_t n, DWORD dwTimeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwTimeoutMs);
  for (;;) {
    if (ReportCount() >= n) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void HidDevice::Unplug() {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  m_state->bPlugged = false;
}

void HidDevice::Plug() {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  m_state->bPlugged = true;
}

bool HidDevice::IsPlugged() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->bPlugged;
}

std::size_t HidDevice::OpenCount() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->cOpens;
}

std::size_t HidDevice::OpenHandles() const { return m_state->cHandles.load(); }

std::shared_ptr<HidDevice> AddHidDevice(const std::string& path, DWORD cbOutputReport) {
  InstallOpener();
  HidRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::shared_ptr<HidDevice>& slot = registry.devices[FoldCase(path)];
  if (!slot) {
    auto state = std::make_shared<HidDevice::State>();
    state->path = path;
    state->cbOutputReport = cbOutputReport;
    slot = std::make_shared<HidDevice>(state);
  }
  return slot;
}

std::shared_ptr<HidDevice> FindHidDevice(const std::string& path) {
  HidRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto it = registry.devices.find(FoldCase(path));
  return it == registry.devices.end() ? nullptr : it->second;
}

void RemoveHidDevices() {
  HidRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (auto& entry : registry.devices) {
    std::shared_ptr<HidDevice::State> state = HidDeviceAccess::StateOf(*entry.second);
    std::lock_guard<std::mutex> stateLock(state->mutex);
    state->bRemoved = true;
  }
  registry.devices.clear();
}

}  // namespace sim

// Simulated HID devices behind device interface paths ("\\?\hid#..."), for
// tests and host tools. CreateFileA on a registered path opens the device
// under the share rule of files: an open whose access or share mode clashes
// with a handle open now fails with ERROR_SHARING_VIOLATION. WriteFile on a
// handle opened for writing delivers one output report, which the device
// records with the tick count at the write; a handle without write access
// fails with ERROR_ACCESS_DENIED.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#ifndef QJ_SIM_API
#  define QJ_SIM_API __attribute__((visibility("default")))
#endif

namespace sim {

// One output report as the device received it.
struct HidReport {
  std::vector<BYTE> bytes;
  DWORD dwTick = 0;  // GetTickCount at the write
};

// Length of the output report a device takes by default (report ID + 3
// bytes); a write of any other length fails with ERROR_INVALID_PARAMETER and
// is not recorded, as the HID class driver refuses it.
constexpr DWORD kDefaultOutputReportLength = 4;

class QJ_SIM_API HidDevice {
 public:
  struct State;
  explicit HidDevice(std::shared_ptr<State> state);

  const std::string& Path() const;
  // Every accepted output report since creation or the last Clear, in order.
  std::vector<HidReport> Reports() const;
  std::size_t ReportCount() const;
  void Clear();
  // Waits (real time, polling) until at least n reports were recorded or
  // dwTimeoutMs ran out; true when they were.
  bool WaitForReports(std::size_t n, DWORD dwTimeoutMs) const;

  // While unplugged, opening fails with ERROR_FILE_NOT_FOUND and writes on
  // handles opened before fail with ERROR_DEVICE_NOT_CONNECTED. Plugging in
  // again makes both work again, the old handles included.
  void Unplug();
  void Plug();
  bool IsPlugged() const;

  // Successful opens since creation (not reset by Clear) and handles open now.
  std::size_t OpenCount() const;
  std::size_t OpenHandles() const;

 private:
  friend class HidDeviceAccess;
  std::shared_ptr<State> m_state;
};

// Registers a plugged device under path (compared without case) and returns
// it; a device already registered under that path is returned as it is.
QJ_SIM_API std::shared_ptr<HidDevice> AddHidDevice(const std::string& path,
                                                   DWORD cbOutputReport = kDefaultOutputReportLength);
// The device under path, or null.
QJ_SIM_API std::shared_ptr<HidDevice> FindHidDevice(const std::string& path);
// Forgets every device: later opens fail with ERROR_FILE_NOT_FOUND, handles
// opened before fail their writes with ERROR_DEVICE_NOT_CONNECTED.
QJ_SIM_API void RemoveHidDevices();

}  // namespace sim

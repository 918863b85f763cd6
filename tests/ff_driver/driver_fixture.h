// Shared fixture of the driver tests: a simulated controller on joystick 0
// and a HID device for its path, with the module's singletons checked to be
// gone after every test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ffdriver.h"
#include "ffserver.h"
#include "platform/sim/sim.h"
#include "qj_ff.h"

namespace fftest {

inline const char kDevicePath[] = "\\\\?\\hid#vid_7c3a&pid_a02f#7&1&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

inline std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

inline std::string DevicePath(DWORD dwID) {
  std::string path(kDevicePath);
  path[path.find("7&1&0000") + 7] = static_cast<char>('0' + dwID % 10);
  return path;
}

// DIHIDFFINITINFO naming one path; keeps the wide text alive.
struct InitInfo {
  explicit InitInfo(const std::string& path) : wide(Widen(path)) {
    info.dwSize = sizeof info;
    info.pwszDeviceInterface = &wide[0];
    info.GuidInstance = GUID_NULL;
  }
  std::u16string wide;
  DIHIDFFINITINFO info;
};

// A constant force on one axis (times in microseconds).
struct ConstantEffect {
  ConstantEffect(LONG lMagnitude, DWORD dwDurationUs) {
    force.lMagnitude = lMagnitude;
    eff = DIEFFECT{};
    eff.dwSize = sizeof eff;
    eff.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    eff.dwDuration = dwDurationUs;
    eff.dwGain = 10000;
    eff.dwTriggerButton = 0xFFFFFFFF;
    eff.cAxes = 1;
    eff.rgdwAxes = &axis;
    eff.rglDirection = &direction;
    eff.cbTypeSpecificParams = sizeof force;
    eff.lpvTypeSpecificParams = &force;
  }
  DICONSTANTFORCE force;
  DWORD axis = 0;
  LONG direction = 0;
  DIEFFECT eff;
};

// Polls cond every millisecond of real time for up to dwTimeoutMs.
template <class Cond>
bool WaitFor(Cond cond, DWORD dwTimeoutMs = 3000) {
  for (DWORD i = 0; i < dwTimeoutMs; ++i) {
    if (cond()) return true;
    Sleep(1);
  }
  return cond();
}

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::SetJoystick(0, 0x7C3A, 0xA02F);
    device = sim::AddHidDevice(kDevicePath);
  }

  void TearDown() override {
    EXPECT_EQ(g_pDriver, nullptr) << "a test left the driver alive";
    EXPECT_EQ(g_pFactory, nullptr) << "a test left the factory alive";
    EXPECT_EQ(g_cLocks, 0);
    sim::RemoveHidDevices();
    sim::ResetJoysticks();
  }

  // The driver as DirectInput gets it: factory, CreateInstance, factory
  // released.
  IDirectInputEffectDriver* CreateDriver() {
    IClassFactory* pFactory = nullptr;
    EXPECT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
    if (pFactory == nullptr) return nullptr;
    IDirectInputEffectDriver* pDriver = nullptr;
    EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&pDriver)),
              S_OK);
    EXPECT_EQ(pFactory->Release(), 0u);
    return pDriver;
  }

  // A driver with joystick 0 bound to the simulated device.
  IDirectInputEffectDriver* CreateBoundDriver() {
    IDirectInputEffectDriver* pDriver = CreateDriver();
    if (pDriver == nullptr) return nullptr;
    InitInfo init(kDevicePath);
    EXPECT_EQ(pDriver->DeviceID(0x0700, 0, 1, 0, &init.info), S_OK);
    return pDriver;
  }

  std::shared_ptr<sim::HidDevice> device;
};

}  // namespace fftest

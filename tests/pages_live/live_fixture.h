// Shared by the live-test tests: the engine built over the installed page
// data with 4 axes and 12 buttons and a default record, the clock frozen,
// joystick 0 attached with the layer's DirectInput device as the current
// device, and the simulated HID device behind its path recording the motor
// reports.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../support/joystick_device.h"
#include "../support/page_fixture.h"
#include "pageengine.h"

namespace livetest {

constexpr WORD kVendor = 0x7C3A;
constexpr WORD kProduct = 0xA02F;
constexpr DWORD kStartTick = 100000;
constexpr BYTE kDown = 0x80;  // a pressed button in DIJOYSTATE

using Bytes = std::vector<BYTE>;

// A joystick state: the stick at rest (0x7FFF on every axis), hat centred, no
// button down.
inline DIJOYSTATE Resting() {
  DIJOYSTATE state;
  std::memset(&state, 0, sizeof state);
  state.lX = state.lY = state.lZ = state.lRx = state.lRy = state.lRz = 0x7FFF;
  for (DWORD& pov : state.rgdwPOV) pov = 0xFFFFFFFFu;
  return state;
}

// The raw axis value whose 8-bit position is b (low byte 0, no rounding up).
inline LONG RawFor(LONG b) { return b * 256; }

inline bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// "<system>\VQ6100\Wav\<pszFile>".
inline std::string WavPath(const char* pszFile) { return skingen::PageDataFolder() + "\\Wav\\" + pszFile; }

class LiveFixture : public pagetest::PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    if (HasFatalFailure()) return;
    sim::FreezeClock(kStartTick);
    sim::ResetJoysticks();
    sim::RemoveHidDevices();
    sim::SetJoystick(0, kVendor, kProduct);
    m_pHid = sim::AddHidDevice(sim::JoystickPath(0));
    ASSERT_NE(m_pHid, nullptr);
    ASSERT_NO_FATAL_FAILURE(pagetest::MakeJoystickDevice(0, &m_pDevice));
    g_pCurDevice = m_pDevice;

    PageEngine& e = Engine();
    e.m_dwAxisCount = 4;
    e.m_dwButtonCount = 12;
    std::memset(&e.m_Settings, 0, sizeof e.m_Settings);
    FillSettingsDefaults(&e.m_Settings);
    e.m_Settings.dwAxisCalib[2] = e.m_Settings.dwAxisCalib[3] = e.m_Settings.dwAxisCalib[4] = AXIS_CALIB_DEFAULT;
    e.m_dwLeftRunTime = e.m_dwRightRunTime = 0;
    e.m_dwLeftStartTick = e.m_dwRightStartTick = 0;
    e.m_bPausePhase = 0;
    e.m_dwCheckStep = 0;
    e.m_bCheckCentre = 0;
    for (DWORD& tick : g_dwTurboTick) tick = 0;
    e.BuildPages(m_hWnd);
    sim::ClearInvalidations();
    sim::ClearSoundPlays();
  }

  void TearDown() override {
    Engine().DestroyControls();
    g_pCurDevice = nullptr;
    if (m_pDevice) m_pDevice->Release();
    m_pDevice = nullptr;
    sim::RemoveHidDevices();
    sim::ResetJoysticks();
    sim::ThawClock();
    PageFixture::TearDown();
  }

  static PageEngine& Engine() { return g_PageEngine; }

  // One poll of page nPage with state, then the clock moves on by dwStepMs.
  void Tick(int nPage, const DIJOYSTATE& state, DWORD dwStepMs = 0) {
    Engine().Tick(m_hWnd, nPage, &state);
    if (dwStepMs) sim::StepClock(dwStepMs);
  }

  // Every motor report the device received since the last clear, as bytes.
  std::vector<Bytes> Reports() const {
    std::vector<Bytes> v;
    for (const sim::HidReport& r : m_pHid->Reports()) v.push_back(r.bytes);
    return v;
  }

  static Bytes Report(BYTE byLeft, BYTE byRight) { return Bytes{0, byLeft, byRight, 0}; }
  // What one call writes for a pair of levels: an all-zero report twice.
  static std::vector<Bytes> Written(BYTE byLeft, BYTE byRight) {
    if (byLeft == 0 && byRight == 0) return {Report(0, 0), Report(0, 0)};
    return {Report(byLeft, byRight)};
  }

  // The invalidations since the last clear that fall inside rc.
  static std::vector<sim::Invalidation> InvalidationsWithin(const RECT& rc) {
    std::vector<sim::Invalidation> v;
    for (const sim::Invalidation& inv : sim::GetInvalidations())
      if (!inv.bWholeWindow && inv.rc.left >= rc.left && inv.rc.top >= rc.top && inv.rc.right <= rc.right &&
          inv.rc.bottom <= rc.bottom)
        v.push_back(inv);
    return v;
  }

  static RECT RectOf(SkinControl* pControl) {
    RECT rc{0, 0, 0, 0};
    pControl->GetRect(&rc);
    return rc;
  }

  std::shared_ptr<sim::HidDevice> m_pHid;
  IDirectInputDevice2* m_pDevice = nullptr;
};

}  // namespace livetest

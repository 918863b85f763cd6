// Shared by the page-input tests: the engine built over the installed page
// data with 4 axes, 12 buttons and the full default record of setting 47, an
// empty registry, the clock frozen, joystick 0 with the layer's DirectInput
// device as the current device and a simulated HID device behind its path
// that records the motor reports, and the record of "CurrentValue" writes.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../support/joystick_device.h"
#include "../support/page_fixture.h"
#include "pageengine.h"
#include "registry_write_log.h"

namespace inputtest {

constexpr int kSetting = 47;
constexpr WORD kVendor = 0x7C3A;
constexpr WORD kProduct = 0xA02F;
constexpr DWORD kStartTick = 200000;

constexpr int kTestPage = 0;
constexpr int kKeyMapPage = 1;
constexpr int kKeyboardPage = 2;
constexpr int kPowerPage = 3;
constexpr int kCheckPage = 4;
constexpr int kAboutPage = 5;

constexpr RECT kCurveArea{80, 108, 422, 159};

inline Bytes BytesOf(const SettingsRecord& record) {
  const BYTE* p = reinterpret_cast<const BYTE*>(&record);
  return Bytes(p, p + sizeof record);
}

inline bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline RECT RectOf(SkinControl* pControl) {
  RECT rc{0, 0, 0, 0};
  pControl->GetRect(&rc);
  return rc;
}

inline PageEngine& Engine() { return g_PageEngine; }

class InputFixture : public pagetest::PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    if (HasFatalFailure()) return;
    sim::ResetRegistry();
    sim::ClearDialogRecord();
    sim::ClearDialogScripts();
    sim::FreezeClock(kStartTick);
    sim::ResetJoysticks();
    sim::RemoveHidDevices();
    sim::SetJoystick(0, kVendor, kProduct);
    m_pHid = sim::AddHidDevice(sim::JoystickPath(0));
    ASSERT_NE(m_pHid, nullptr);
    ASSERT_NO_FATAL_FAILURE(pagetest::MakeJoystickDevice(0, &m_pDevice));
    g_pCurDevice = m_pDevice;
    // The key-capture dialog's template is the test program's own resource.
    g_hInstance = GetModuleHandleA(nullptr);

    PageEngine& e = Engine();
    e.DestroyControls();
    e.m_nSetting = kSetting;
    e.m_dwAxisCount = 4;
    e.m_dwButtonCount = 12;
    e.m_Settings = FullDefaults();
    e.m_SavedSettings = e.m_Settings;
    e.m_dwCapturedKey = 0;
    e.m_bPowerDrag = e.m_bTimeDrag = 0;
    e.m_dwLeftRunTime = e.m_dwRightRunTime = 0;
    e.m_dwLeftStartTick = e.m_dwRightStartTick = 0;
    e.m_bPausePhase = 0;
    e.m_dwCheckStep = 0;
    e.m_bCheckCentre = 0;
    e.BuildPages(m_hWnd);
    Forget();
  }

  void TearDown() override {
    Engine().DestroyControls();
    g_pCurDevice = nullptr;
    if (m_pDevice) m_pDevice->Release();
    m_pDevice = nullptr;
    sim::RemoveHidDevices();
    sim::ResetJoysticks();
    sim::ThawClock();
    sim::ClearDialogScripts();
    sim::ClearDialogRecord();
    PageFixture::TearDown();
  }

  // Shows page nPage as its PSN_SETACTIVE does, and forgets what that did.
  void Show(int nPage) {
    Engine().Activate(m_hWnd, nPage);
    Forget();
  }

  // Drops the record of invalidations, record writes and motor reports.
  void Forget() {
    sim::ClearInvalidations();
    ClearRecordWrites();
    m_pHid->Clear();
  }

  void Click(int nPage, int x, int y) { Engine().Click(m_hWnd, nPage, x, y); }

  // The full default record of setting 47 (dwReserved 0), as the engine
  // writes it while pages 1 to 4 are shown.
  static SettingsRecord FullDefaults() {
    SettingsRecord r;
    std::memset(&r, 0, sizeof r);
    Engine().MakeDefaultSettings(&r, false);
    return r;
  }

  // The test page's record for the edited record: turbo flags and keys
  // cleared, vibration 63, 63, manual.
  static SettingsRecord TestPageRecord(const SettingsRecord& edited) {
    SettingsRecord r = edited;
    Engine().MakeDefaultSettings(&r, true);
    return r;
  }

  // The two writes of a click that passes an edit on: the edited record,
  // then the page's test record.
  static std::vector<Bytes> PassedOn(int nPage) {
    const SettingsRecord& edited = Engine().m_Settings;
    const SettingsRecord test = nPage == kTestPage ? TestPageRecord(edited) : FullDefaults();
    return {BytesOf(edited), BytesOf(test)};
  }

  // Every motor report since the last Forget, as bytes.
  std::vector<Bytes> Reports() const {
    std::vector<Bytes> v;
    for (const sim::HidReport& r : m_pHid->Reports()) v.push_back(r.bytes);
    return v;
  }

  // The invalidations since the last Forget of exactly rc.
  static std::vector<sim::Invalidation> InvalidationsOf(const RECT& rc) {
    std::vector<sim::Invalidation> v;
    for (const sim::Invalidation& inv : sim::GetInvalidations())
      if (!inv.bWholeWindow && SameRect(inv.rc, rc)) v.push_back(inv);
    return v;
  }

  static bool WholePageErased() {
    for (const sim::Invalidation& inv : sim::GetInvalidations())
      if (inv.bWholeWindow && inv.bErase) return true;
    return false;
  }

  std::shared_ptr<sim::HidDevice> m_pHid;
  IDirectInputDevice2* m_pDevice = nullptr;
};

}  // namespace inputtest

// Shared by the page-procedure tests: a stand-in for the property sheet that
// the control panel builds. The real PropSheet object (joystick 0) hands out
// its page records; each page is made as a dialog from the record's template
// under a sheet window, with the record's procedure and a PROPSHEETPAGE whose
// lParam is the object, and is shown and left with the notifications the
// sheet sends. The clock is frozen; joystick 0 is the controller, with a
// simulated HID device behind its path that records the motor reports.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../support/joystick_device.h"
#include "../support/page_fixture.h"
#include "device_access.h"
#include "pageengine.h"
#include "pageprocs.h"
#include "propsheet.h"
#include "settings.h"

namespace procstest {

constexpr WORD kVendor = 0x7C3A;
constexpr WORD kProduct = 0xA02F;
constexpr int kSetting = 0x2F;  // the low byte of the product ID
constexpr DWORD kStartTick = 200000;
constexpr UINT_PTR kPageTimer = 30;

enum PageNumber { kTest = 0, kKeyMap = 1, kKeyboard = 2, kPower = 3, kCheck = 4, kAbout = 5 };
constexpr int kPages = 6;

using Bytes = std::vector<BYTE>;

inline bool SameRecord(const SettingsRecord& a, const SettingsRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A record unlike every default: remapped buttons, turbo, keys, calibrated
// axes and vibration settings.
inline SettingsRecord StartRecord() {
  SettingsRecord r;
  std::memset(&r, 0, sizeof r);
  for (int i = 0; i < 12; ++i) r.byButtonMap[i] = static_cast<BYTE>(12 - i);
  r.byTurbo[3] = 1;
  r.dwKeyCode[5] = 0x04 | KEYCODE_SHIFT;
  for (DWORD& w : r.dwAxisCalib) w = 0x00107FEF;
  r.dwSensitivity = 1;
  r.dwTimeCycle = 90;
  r.dwMotorPower = 200;
  r.dwAutoMode = 1;
  r.dwReserved = 0x5A5A5A5A;
  return r;
}

// How the user leaves a sheet, and what the property sheet then sends.
enum class Leave {
  kOk,        // PSN_KILLACTIVE to the page shown, PSN_APPLY (lParam TRUE) to every page made
  kCancel,    // PSN_QUERYCANCEL to the page shown, PSN_RESET (lParam FALSE) to every page made
  kCloseBox,  // the same with PSN_RESET lParam TRUE
};

// The ways a user's sheet ends: its buttons, and a controller that stops
// answering (the page asks the sheet to close, which the sheet does as for
// its close box).
enum class Way { kOk, kCancel, kCloseBox, kLostDevice };

// The notification record a property sheet sends its pages (PSHNOTIFY).
struct SheetNotify {
  NMHDR hdr;
  LPARAM lParam;
};

// The test program stands in as the module: the suite starts with its
// load (DllMain's process attach). Tests are isolated as the control panel
// isolates two sheets in one process: each test opens its own sheet and
// TearDown closes it with the close box and releases the object; the
// module's own state (the page engine, the current device, the lost-device
// clock) is left as the previous sheet left it.
class ProcsFixture : public pagetest::PageFixture {
 protected:
  static void SetUpTestSuite() {
    PageFixture::SetUpTestSuite();
    g_hInstance = GetModuleHandleA(nullptr);
    InitializeCriticalSection(&g_csModule);
  }
  static void TearDownTestSuite() {
    DeleteCriticalSection(&g_csModule);
    g_hInstance = nullptr;
  }

  void SetUp() override {
    PageFixture::SetUp();
    if (HasFatalFailure()) return;
    sim::FreezeClock(kStartTick);
    sim::ResetRegistry();
    sim::ResetJoysticks();
    sim::RemoveHidDevices();
    sim::ClearDialogRecord();
    sim::SetJoystick(0, kVendor, kProduct);
    m_pHid = sim::AddHidDevice(sim::JoystickPath(0));
    ASSERT_NE(m_pHid, nullptr);
    s_nSheetCloses = 0;
    m_lLiveBefore = sim::LiveDirectInputObjects();
    ASSERT_NO_FATAL_FAILURE(NewSheet());
  }

  void TearDown() override {
    CloseSheet(Leave::kCloseBox);
    EXPECT_EQ(g_pCurDevice, nullptr) << "no device stays current after its sheet";
    EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore) << "the sheet released its DirectInput objects";
    sim::SetSystemMetric(SM_CYFULLSCREEN, -1);
    sim::RemoveHidDevices();
    sim::ResetJoysticks();
    sim::ThawClock();
    PageFixture::TearDown();
  }

  // The control panel's Properties: a sheet window and a new sheet object
  // for joystick 0 with its records prepared; no page is made yet.
  void NewSheet() {
    m_hSheet = sim::CreateTestWindow(520, 520, SheetProc);
    ASSERT_NE(m_hSheet, nullptr);
    m_pSheet = new PropSheet();
    m_pSheet->SetID(0);
    ASSERT_EQ(m_pSheet->PreparePages(), S_OK);
    ASSERT_EQ(m_pSheet->GetPageInfo(&m_pInfo), S_OK);
    ASSERT_NE(m_pInfo, nullptr);
  }

  // The user leaves the sheet: the notifications of that way of leaving,
  // then the pages and the sheet window are destroyed and the control
  // panel releases the sheet object. Nothing is sent for a sheet without a
  // page shown.
  void CloseSheet(Leave how) {
    if (m_nActive >= 0) {
      if (how == Leave::kOk) {
        EXPECT_EQ(Notify(m_nActive, PSN_KILLACTIVE), 0);
        for (int n = 0; n < kPages; ++n) {
          if (m_hPage[n]) {
            EXPECT_EQ(Notify(n, PSN_APPLY, TRUE), PSNRET_NOERROR);
          }
        }
      } else {
        EXPECT_EQ(Notify(m_nActive, PSN_QUERYCANCEL), 0) << "cancel is allowed";
        for (int n = 0; n < kPages; ++n)
          if (m_hPage[n]) Notify(n, PSN_RESET, how == Leave::kCloseBox ? TRUE : FALSE);
      }
    }
    for (HWND& hPage : m_hPage) {
      if (hPage) DestroyWindow(hPage);
      hPage = nullptr;
    }
    m_nActive = -1;
    if (m_hSheet) DestroyWindow(m_hSheet);
    m_hSheet = nullptr;
    if (m_pSheet) m_pSheet->Release();
    m_pSheet = nullptr;
    m_pInfo = nullptr;
  }

  // The sheet shown ends in one of the user's ways.
  void EndSheet(Way way) {
    switch (way) {
      case Way::kOk:
        CloseSheet(Leave::kOk);
        break;
      case Way::kCancel:
        CloseSheet(Leave::kCancel);
        break;
      case Way::kCloseBox:
        CloseSheet(Leave::kCloseBox);
        break;
      case Way::kLostDevice:
        sim::LoseJoystick(0);
        sim::RunMessages(3000);
        EXPECT_EQ(s_nSheetCloses, 1) << "the page asked the sheet to close";
        CloseSheet(Leave::kCloseBox);
        break;
    }
  }

  // Properties pressed again in the same process, after the sheet was left.
  void ReopenSheet(Leave how) {
    CloseSheet(how);
    ASSERT_NO_FATAL_FAILURE(NewSheet());
  }

  // Makes page n from its record, as the sheet does when it first shows it.
  HWND CreatePage(int n) {
    if (m_hPage[n]) return m_hPage[n];
    const DIGCPAGEINFO& info = m_pInfo[n];
    PROPSHEETPAGE& psp = m_psp[n];
    std::memset(&psp, 0, sizeof psp);
    psp.dwSize = sizeof psp;
    psp.hInstance = info.hInstance;
    psp.pszTemplate = MAKEINTRESOURCEA(LOWORD(reinterpret_cast<ULONG_PTR>(info.lpwszTemplate)));
    psp.pfnDlgProc = info.fpPageProc;
    psp.lParam = info.lParam;
    m_hPage[n] = CreateDialogParamA(info.hInstance, psp.pszTemplate, m_hSheet, info.fpPageProc,
                                    reinterpret_cast<LPARAM>(&psp));
    EXPECT_NE(m_hPage[n], nullptr) << "page " << n;
    return m_hPage[n];
  }

  // The sheet's answer to a notification is the page's.
  LRESULT Notify(int n, UINT uCode, LPARAM lParam = 0) {
    SheetNotify notify;
    notify.hdr.hwndFrom = m_hSheet;
    notify.hdr.idFrom = 0;
    notify.hdr.code = uCode;
    notify.lParam = lParam;
    return SendMessageA(m_hPage[n], WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
  }

  // A page change: the shown page is left, then page n is made when new and
  // shown.
  void Show(int n) {
    if (m_nActive >= 0) {
      EXPECT_EQ(Notify(m_nActive, PSN_KILLACTIVE), 0) << "the page may be left";
      ShowWindow(m_hPage[m_nActive], SW_HIDE);
    }
    if (!CreatePage(n)) return;
    EXPECT_EQ(Notify(n, PSN_SETACTIVE), 0);
    ShowWindow(m_hPage[n], SW_SHOW);
    m_nActive = n;
  }

  // The sheet opens on the test page.
  void OpenSheet() { Show(kTest); }

  // "CurrentValue" of the controller's settings key; false when there is none.
  static bool ReadCurrentValue(SettingsRecord* pRecord, int nSetting = kSetting) {
    const std::string path = std::string(SETTINGS_KEY_PATH) + "\\" + std::to_string(nSetting);
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    DWORD cb = sizeof *pRecord;
    const LONG lResult =
        RegQueryValueExA(hKey, SETTINGS_VALUE_NAME, nullptr, nullptr, reinterpret_cast<BYTE*>(pRecord), &cb);
    RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS && cb == sizeof *pRecord;
  }
  static SettingsRecord CurrentValue() {
    SettingsRecord r;
    std::memset(&r, 0xCC, sizeof r);
    EXPECT_TRUE(ReadCurrentValue(&r)) << "no CurrentValue";
    return r;
  }
  static void WriteCurrentValue(const SettingsRecord& r) {
    SettingsKey key(SETTINGS_KEY_PATH, kSetting, sizeof r);
    ASSERT_EQ(key.Write(&r, sizeof r), int(sizeof r));
  }

  // The records the pages' activation writes.
  static SettingsRecord FullDefaults() {
    SettingsRecord r{};
    g_PageEngine.MakeDefaultSettings(&r, false);
    return r;
  }
  // The test page's: the edited record without turbo and keys, vibration 63,
  // 63, manual.
  static SettingsRecord TestPageRecord(SettingsRecord r) {
    for (BYTE& b : r.byTurbo) b = 0;
    for (DWORD& w : r.dwKeyCode) w = 0;
    r.dwTimeCycle = 63;
    r.dwMotorPower = 63;
    r.dwAutoMode = 0;
    return r;
  }

  // Runs the clock for ms and counts the WM_TIMER messages of timer 30 that
  // reached page n.
  int RunAndCountTicks(int n, DWORD ms) {
    sim::StartMessageLog();
    sim::RunMessages(ms);
    sim::StopMessageLog();
    int nTicks = 0;
    for (const sim::Message& m : sim::MessageLog())
      if (m.hWnd == m_hPage[n] && m.uMsg == WM_TIMER && m.wParam == kPageTimer) ++nTicks;
    return nTicks;
  }

  std::vector<Bytes> Reports() const {
    std::vector<Bytes> v;
    for (const sim::HidReport& r : m_pHid->Reports()) v.push_back(r.bytes);
    return v;
  }

  // Another program's exclusive device of the controller tries to acquire
  // it: it can only while no page holds the controller (the pages' device
  // is exclusive too).
  HRESULT AcquireElsewhere() {
    IDirectInputDevice2* pOther = nullptr;
    pagetest::MakeJoystickDevice(0, &pOther);
    if (!pOther) return E_FAIL;
    HRESULT hr = pOther->SetDataFormat(&c_dfDIJoystick);
    if (SUCCEEDED(hr)) hr = pOther->SetCooperativeLevel(m_hWnd, DISCL_EXCLUSIVE | DISCL_BACKGROUND);
    if (SUCCEEDED(hr)) hr = pOther->Acquire();
    pOther->Unacquire();
    pOther->Release();
    return hr;
  }

  IDirectInputDevice2* SheetDevice() {
    IDirectInputDevice2* pDevice = nullptr;
    m_pSheet->FetchDevice(&pDevice);
    return pDevice;
  }

  static LRESULT CALLBACK SheetProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_CLOSE) {
      ++s_nSheetCloses;  // the stand-in sheet stays open, so the pages can be looked at
      return 0;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
  }

  static inline int s_nSheetCloses = 0;

  std::shared_ptr<sim::HidDevice> m_pHid;
  HWND m_hSheet = nullptr;
  PropSheet* m_pSheet = nullptr;
  DIGCPAGEINFO* m_pInfo = nullptr;
  PROPSHEETPAGE m_psp[kPages]{};
  HWND m_hPage[kPages]{};
  int m_nActive = -1;
  long m_lLiveBefore = 0;
};

}  // namespace procstest

// The whole control-panel road on the real property-sheet server module:
// the stand-in opens the sheet through the OEM entries, plays user scripts
// on the pages and the test checks what a user and the controller would
// see: the settings record under HKEY_LOCAL_MACHINE, the motor reports and
// key pixels of the pages.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "../support/page_fixture.h"
#include "platform/sim/sim.h"
#include "platform/win32.h"
#include "sheet_host.h"
#include "user_script.h"

namespace {

const char kOemKey[] =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\VID_7C3A&PID_A02f";
const char kConfigClsid[] = "{2F64d0A8-7C3A-A02F-C5B1-6E93A0D4172B}";

DWORD Field(const std::vector<BYTE>& record, size_t offset) {
  DWORD dw = 0;
  std::memcpy(&dw, record.data() + offset, sizeof dw);
  return dw;
}

class PagesSystemTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(pagetest::InstallPageData()); }

  void SetUp() override {
    sim::FreezeClock(100000);
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kOemKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(hKey, "ConfigCLSID", 0, REG_SZ, reinterpret_cast<const BYTE*>(kConfigClsid),
                   sizeof kConfigClsid);
    RegCloseKey(hKey);
    m_options.modulePath = QJ_CPL_MODULE;
    m_options.outDir = sim::MachineRoot();
    m_options.pLog = &m_log;
  }

  void TearDown() override { m_host.Shutdown(); }

  void Open() {
    std::string error;
    ASSERT_TRUE(m_host.Open(m_options, &error)) << error;
  }

  void Play(const std::string& script) {
    std::istringstream in(script);
    std::vector<cplhost::Step> steps;
    std::string error;
    ASSERT_TRUE(cplhost::ParseScript(in, &steps, &error)) << error;
    for (const cplhost::Step& step : steps) ASSERT_TRUE(m_host.Run(step, &error)) << error << "\n" << m_log.str();
  }

  // "CurrentValue" of the controller's settings under HKEY_LOCAL_MACHINE.
  std::vector<BYTE> Record() const {
    std::vector<BYTE> record(112, 0xCD);
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\VevOvuRivizud\\47", 0, KEY_READ, &hKey) != ERROR_SUCCESS)
      return {};
    DWORD cb = DWORD(record.size()), dwType = 0;
    const LONG lResult = RegQueryValueExA(hKey, "CurrentValue", nullptr, &dwType, record.data(), &cb);
    RegCloseKey(hKey);
    if (lResult != ERROR_SUCCESS || cb != 112) return {};
    return record;
  }

  std::vector<std::vector<BYTE>> Reports() const {
    std::vector<std::vector<BYTE>> reports;
    if (auto device = sim::FindHidDevice(m_host.DevicePath()))
      for (const sim::HidReport& report : device->Reports()) reports.push_back(report.bytes);
    return reports;
  }

  cplhost::HostOptions m_options;
  std::ostringstream m_log;
  cplhost::SheetHost m_host;
};

TEST_F(PagesSystemTest, VibrationSettingsReachTheMotorsAndTheRecord) {
  Open();
  // Default, then a time cycle by click: (250 - 75) x 255 / 356 = 125; a
  // motor power by drag on the slider 79..423: (330 - 79) x 255 / 344 = 186.
  Play("page 3\nwait 50\nclick 160 187\nclick 250 80\ndrag 200 231 330 231\nwait 50\n");
  HWND hPage = m_host.PageWindow(3);
  const COLORREF crLeftIdle = sim::GetWindowPixel(hPage, 82, 290);
  sim::FindHidDevice(m_host.DevicePath())->Clear();

  // The left motor runs at 186 x 21 / 255 + 10 = 25 for 125 x 1000 / 255 +
  // 500 = 990 ms, then stops with the zero report written twice.
  Play("click 80 310\nwait 100\n");
  EXPECT_NE(sim::GetWindowPixel(hPage, 82, 290), crLeftIdle) << "the left motor button lights";
  Play("wait 1000\n");
  const std::vector<std::vector<BYTE>> expected = {{0, 25, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
  EXPECT_EQ(Reports(), expected) << m_log.str();

  Play("ok\n");
  const std::vector<BYTE> record = Record();
  ASSERT_EQ(record.size(), 112u);
  EXPECT_EQ(Field(record, 96), 125u) << "dwTimeCycle";
  EXPECT_EQ(Field(record, 100), 186u) << "dwMotorPower";
  EXPECT_EQ(Field(record, 104), 0u) << "dwAutoMode";
  EXPECT_FALSE(m_host.IsOpen());
}

TEST_F(PagesSystemTest, KeysCapturedOnTheKeyboardPage) {
  Open();
  Play("page 2\nwait 600\nkeycapture +ctrl a ok\nclick 71 85\nkeycapture f5 cancel\nclick 71 132\n"
       "keycapture +shift +alt f1 ok\nclick 294 85\nwait 600\nok\n");
  const std::vector<BYTE> record = Record();
  ASSERT_EQ(record.size(), 112u);
  EXPECT_EQ(Field(record, 24 + 4 * 0), 0x10004u) << "button 1: Ctrl+A";
  EXPECT_EQ(Field(record, 24 + 4 * 1), 0u) << "button 2: cancelled";
  EXPECT_EQ(Field(record, 24 + 4 * 6), 0x6003Au) << "button 7: Shift+Alt+F1";
}

TEST_F(PagesSystemTest, CancelAfterApplyWritesBackTheStartRecord) {
  // The user's record before the sheet opens: buttons in order, one key,
  // vibration settings of their own.
  std::vector<BYTE> start(112, 0);
  for (int i = 0; i < 12; ++i) start[size_t(i)] = BYTE(i + 1);
  const DWORD dwKey = 0x2C, dwCycle = 77, dwPower = 99;
  std::memcpy(&start[24 + 4 * 3], &dwKey, 4);
  std::memcpy(&start[96], &dwCycle, 4);
  std::memcpy(&start[100], &dwPower, 4);
  HKEY hKey = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\VevOvuRivizud\\47", &hKey), ERROR_SUCCESS);
  RegSetValueExA(hKey, "CurrentValue", 0, REG_BINARY, start.data(), DWORD(start.size()));
  RegCloseKey(hKey);

  Open();
  EXPECT_NE(Record(), start) << "the test page shows its test record";
  Play("page 2\nwait 600\nkeycapture +ctrl a ok\nclick 71 85\npage 3\nclick 250 80\napply\n");
  EXPECT_NE(Record(), start);
  Play("cancel\n");
  EXPECT_EQ(Record(), start);
}

TEST_F(PagesSystemTest, TestPageShowsTheController) {
  Open();
  HWND hPage = m_host.PageWindow(0);
  Play("wait 50\n");
  // Lamp of button 1 (60, 58, 42 x 42) and the hat's east arrow.
  const COLORREF crLampIdle = sim::GetWindowPixel(hPage, 81, 79);
  const COLORREF crHatIdle = sim::GetWindowPixel(hPage, 214, 305);
  Play("press 1\npov 9000\nwait 50\npng test-pressed\n");
  EXPECT_NE(sim::GetWindowPixel(hPage, 81, 79), crLampIdle) << "lamp 1 lights";
  EXPECT_NE(sim::GetWindowPixel(hPage, 214, 305), crHatIdle) << "the hat points east";
  Play("release 1\npov center\nwait 50\n");
  EXPECT_EQ(sim::GetWindowPixel(hPage, 81, 79), crLampIdle);
  EXPECT_EQ(sim::GetWindowPixel(hPage, 214, 305), crHatIdle);
}

}  // namespace

namespace {

// The sheet is sized and centred before the test page's WM_INITDIALOG, which
// moves it up by half of what it is taller than the full-screen client area.
TEST_F(PagesSystemTest, TallSheetMovesUpOnASmallScreen) {
  sim::SetSystemMetric(SM_CYFULLSCREEN, 500);
  Open();
  sim::SetSystemMetric(SM_CYFULLSCREEN, -1);
  RECT rc;
  ASSERT_TRUE(GetWindowRect(m_host.SheetWindow(), &rc));
  const int h = rc.bottom - rc.top;
  ASSERT_GT(h, 500);
  EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - h) / 2 - (h - 500) / 2) << m_log.str();
}

}  // namespace

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

// No page reports a change to the sheet, so its Apply button stays disabled
// and pressing it writes nothing; Cancel writes back the start record.
TEST_F(PagesSystemTest, ApplyStaysDisabledAndCancelWritesBackTheStartRecord) {
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
  Play("page 2\nwait 600\nkeycapture +ctrl a ok\nclick 71 85\npage 3\nclick 250 80\n");
  const std::vector<BYTE> shown = Record();
  EXPECT_NE(shown, start);
  Play("apply\n");
  EXPECT_EQ(Record(), shown);
  EXPECT_NE(m_log.str().find("Apply is disabled"), std::string::npos) << m_log.str();
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

namespace {

// Properties pressed again after the sheet was left, in the same control
// panel process (the module stays loaded): for each way of leaving on each
// page, leave, reopen, show the page again and leave again. The new sheet's
// first showing writes no motor report (the old sheet's device is gone), and
// each sheet object is released whole.
enum class Leave { kOk, kCancel, kCloseBox, kLostDevice };

struct ReopenCase {
  int nPage;
  Leave leave;
};

std::string ReopenName(const ::testing::TestParamInfo<ReopenCase>& info) {
  static const char* const kNames[] = {"Ok", "Cancel", "CloseBox", "LostDevice"};
  return "Page" + std::to_string(info.param.nPage) + kNames[int(info.param.leave)];
}

// The script lines of one way of leaving. The controller that is pulled out
// makes the page close the sheet after about half a second (2.5 s on the
// keyboard page); the user plugs it in again before pressing Properties.
std::string LeaveLines(Leave leave) {
  switch (leave) {
    case Leave::kOk: return "ok\n";
    case Leave::kCancel: return "cancel\n";
    case Leave::kCloseBox: return "close\n";
    case Leave::kLostDevice: return "unplug\nwait 3000\nplug\n";
  }
  return "";
}

class ReopenSystemTest : public PagesSystemTest, public ::testing::WithParamInterface<ReopenCase> {
 protected:
  size_t ReportCount() const { return Reports().size(); }
};

TEST_P(ReopenSystemTest, LeaveReopenShowAndLeaveAgain) {
  const ReopenCase& c = GetParam();
  const std::string page = "page " + std::to_string(c.nPage) + "\n";
  Open();
  Play(page + "wait 50\n" + LeaveLines(c.leave));
  ASSERT_FALSE(m_host.IsOpen()) << m_log.str();

  for (int nSheet = 2; nSheet <= 3; ++nSheet) {
    SCOPED_TRACE(nSheet);
    const size_t nBefore = ReportCount();
    Play("reopen\n" + page);
    EXPECT_EQ(ReportCount(), nBefore) << "opening the sheet and showing the page write no report\n" << m_log.str();
    EXPECT_EQ(m_host.CurrentPage(), c.nPage);
    Play("wait 50\n" + LeaveLines(c.leave));
    ASSERT_FALSE(m_host.IsOpen()) << m_log.str();
  }
  const std::string log = m_log.str();
  size_t nReleased = 0;
  for (size_t pos = log.find("sheet object released (0 references left)"); pos != std::string::npos;
       pos = log.find("sheet object released (0 references left)", pos + 1))
    ++nReleased;
  EXPECT_EQ(nReleased, 2u) << log;
}

std::vector<ReopenCase> ReopenCases() {
  std::vector<ReopenCase> cases;
  for (int n = 0; n < 6; ++n)
    for (Leave leave : {Leave::kOk, Leave::kCancel, Leave::kCloseBox, Leave::kLostDevice})
      cases.push_back(ReopenCase{n, leave});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryPageAndWay, ReopenSystemTest, ::testing::ValuesIn(ReopenCases()), ReopenName);

}  // namespace

// The real pages in the stand-in on a machine whose HKEY_LOCAL_MACHINE the
// user may read but not change, as for a user who is not an administrator:
// what the pages show and drive, and that the registry is left exactly as
// it was.
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
const char kRecordKey[] = "Software\\VevOvuRivizud\\47";

class PagesReadOnlyRegistryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(pagetest::InstallPageData()); }

  void SetUp() override {
    sim::ResetRegistry();
    sim::FreezeClock(100000);
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kOemKey, &hKey), ERROR_SUCCESS);
    RegSetValueExA(hKey, "ConfigCLSID", 0, REG_SZ, reinterpret_cast<const BYTE*>(kConfigClsid), sizeof kConfigClsid);
    RegCloseKey(hKey);
    m_options.modulePath = QJ_CPL_MODULE;
    m_options.outDir = sim::MachineRoot();
    m_options.pLog = &m_log;
  }

  void TearDown() override {
    m_host.Shutdown();
    sim::ClearRegistryFailures();
    sim::ClearDialogRecord();
  }

  // Stores a record whose motor power is dwPower, everything else default.
  static void StoreRecord(DWORD dwPower) {
    std::vector<BYTE> record(112, 0);
    for (int i = 0; i < 12; ++i) record[size_t(i)] = BYTE(i + 1);
    const DWORD dwCalib = 0x7FFF, dwCycle = 63;
    std::memcpy(&record[72], &dwCalib, 4);
    std::memcpy(&record[76], &dwCalib, 4);
    std::memcpy(&record[96], &dwCycle, 4);
    std::memcpy(&record[100], &dwPower, 4);
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kRecordKey, &hKey), ERROR_SUCCESS);
    RegSetValueExA(hKey, "CurrentValue", 0, REG_BINARY, record.data(), DWORD(record.size()));
    RegCloseKey(hKey);
  }

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

  std::vector<std::vector<BYTE>> Reports() const {
    std::vector<std::vector<BYTE>> reports;
    if (auto device = sim::FindHidDevice(m_host.DevicePath()))
      for (const sim::HidReport& report : device->Reports()) reports.push_back(report.bytes);
    return reports;
  }

  // The left-motor test of the vibration page at the record's settings, its
  // reports from the start of the test to its end.
  std::vector<std::vector<BYTE>> LeftMotorTest() {
    Play("page 3\nwait 50\n");
    sim::FindHidDevice(m_host.DevicePath())->Clear();
    Play("click 80 310\nwait 1500\n");
    return Reports();
  }

  cplhost::HostOptions m_options;
  std::ostringstream m_log;
  cplhost::SheetHost m_host;
};

// A record an administrator stored: the pages work from it, every write of
// the sheet (the test records, Apply, OK) is refused, and nothing is shown
// about it.
TEST_F(PagesReadOnlyRegistryTest, StoredRecordDrivesThePagesAndStaysAsItWas) {
  StoreRecord(186);
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, "", KEY_READ);
  const std::string before = sim::ExportRegistry("HKEY_LOCAL_MACHINE");
  sim::ClearRegistryWrites();

  Open();
  // The left motor at the stored power: 186 x 21 / 255 + 10 = 25.
  const std::vector<std::vector<BYTE>> reports = LeftMotorTest();
  ASSERT_FALSE(reports.empty()) << m_log.str();
  EXPECT_EQ(reports.front(), (std::vector<BYTE>{0, 25, 0, 0}));
  // An edit, Apply and OK: the edit is used on the page but cannot be kept.
  Play("click 250 80\napply\nok\n");

  EXPECT_FALSE(m_host.IsOpen());
  EXPECT_TRUE(sim::RegistryWrites().empty());
  EXPECT_EQ(before, sim::ExportRegistry("HKEY_LOCAL_MACHINE"));
  EXPECT_TRUE(sim::MessageBoxRuns().empty());
}

// No record yet and no right to make its key: the pages run on the full
// default record (motor power 63) and leave no key behind.
TEST_F(PagesReadOnlyRegistryTest, MissingRecordRunsOnDefaultsAndMakesNoKey) {
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, "", KEY_READ);
  const std::string before = sim::ExportRegistry("HKEY_LOCAL_MACHINE");

  Open();
  // 63 x 21 / 255 + 10 = 15.
  const std::vector<std::vector<BYTE>> reports = LeftMotorTest();
  ASSERT_FALSE(reports.empty()) << m_log.str();
  EXPECT_EQ(reports.front(), (std::vector<BYTE>{0, 15, 0, 0}));
  Play("page 2\nwait 600\nok\n");

  EXPECT_EQ(before, sim::ExportRegistry("HKEY_LOCAL_MACHINE"));
  EXPECT_EQ("", sim::ExportRegistry("HKEY_LOCAL_MACHINE\\Software\\VevOvuRivizud"));
  EXPECT_TRUE(sim::MessageBoxRuns().empty());
}

}  // namespace

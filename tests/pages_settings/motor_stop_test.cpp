// Showing a page stops the motors: with a page's device current, the
// all-zero motor report reaches the controller (the report writer sends it
// twice), except on the vibration page when no test runs there.
#include "../support/joystick_device.h"
#include "settings_fixture.h"

namespace settingstest {
namespace {

class MotorStopTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    if (HasFatalFailure()) return;
    sim::ResetJoysticks();
    sim::RemoveHidDevices();
    sim::SetJoystick(0, 0x7C3A, 0xA02F);
    m_pHid = sim::AddHidDevice(sim::JoystickPath(0));
    ASSERT_NE(m_pHid, nullptr);
    ASSERT_NO_FATAL_FAILURE(pagetest::MakeJoystickDevice(0, &m_pDevice));
    g_pCurDevice = m_pDevice;
    Engine().m_Settings = EditedRecord();
  }

  void TearDown() override {
    RemoveProfiles({"motor.sav"});
    g_pCurDevice = nullptr;
    if (m_pDevice) m_pDevice->Release();
    m_pDevice = nullptr;
    sim::RemoveHidDevices();
    sim::ResetJoysticks();
    SettingsFixture::TearDown();
  }

  std::vector<Bytes> Reports() const {
    std::vector<Bytes> v;
    for (const sim::HidReport& r : m_pHid->Reports()) v.push_back(r.bytes);
    return v;
  }

  static std::vector<Bytes> ZeroReportTwice() { return {Bytes{0, 0, 0, 0}, Bytes{0, 0, 0, 0}}; }

  std::shared_ptr<sim::HidDevice> m_pHid;
  IDirectInputDevice2* m_pDevice = nullptr;
};

TEST_F(MotorStopTest, EveryPageButTheIdleVibrationPageWritesTheZeroReport) {
  const struct {
    int nCode;
    DWORD dwLeftRunTime;
    bool bReport;
  } cases[] = {{0, 0, true},   {1, 0, true},  {2, 0, true},   {4, 0, true}, {3, 0, false},
               {3, 800, true}, {-1, 0, false}, {-2, 0, false}, {5, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "code " << c.nCode << ", run time " << c.dwLeftRunTime);
    m_pHid->Clear();
    Engine().m_dwLeftRunTime = c.dwLeftRunTime;
    Engine().Activate(m_hWnd, c.nCode);
    EXPECT_EQ(Reports(), c.bReport ? ZeroReportTwice() : std::vector<Bytes>{});
  }
}

TEST_F(MotorStopTest, LoadingAProfileOnTheKeyboardPageStopsTheMotors) {
  const std::string path = ProfileFolder() + "\\motor.sav";
  CreateDirectoryA(ProfileFolder().c_str(), nullptr);
  ASSERT_TRUE(WriteFileBytes(path, BytesOf(EditedRecord())));
  sim::ScriptFileChoice(path);
  m_pHid->Clear();
  Engine().LoadProfile(m_hWnd);
  EXPECT_EQ(Reports(), ZeroReportTwice()) << "once, from the keyboard page's record";
}

}  // namespace
}  // namespace settingstest

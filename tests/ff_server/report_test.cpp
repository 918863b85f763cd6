// The motor output report: level mapping, the device writes, and when the
// playback step writes (on a change of the pair, plus five zero repeats
// shared by every server of the module).
#include <functional>

#include "ff_server_fixture.h"

namespace fftest {
namespace {

using FFServerReportTest = ServerTest;

TEST_F(FFServerReportTest, LevelsOfTheTwoForces) {
  struct Case {
    DWORD dwLeft, dwRight;
    BYTE byLeft, byRight;
  } cases[] = {
      {0, 0, 0x00, 0x00},         {10000, 0, 0x1F, 0x00},    {1, 10000, 0x08, 0x1F},
      {5000, 4000, 0x13, 0x11},   {434, 435, 0x08, 0x09},    {869, 870, 0x09, 0x0A},
      {4782, 4783, 0x12, 0x13},   {5217, 5218, 0x13, 0x14},  {9565, 9566, 0x1D, 0x1E},
      {9999, 10000, 0x1E, 0x1F},
      // Beyond full scale counts as full scale (no wrap of f * 23).
      {10001, 0xFFFFFFFF, 0x1F, 0x1F}, {186737709, 0, 0x1F, 0x00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dwLeft << ", " << c.dwRight);
    device->Clear();
    EXPECT_EQ(server->WriteMotorReport(c.dwLeft, c.dwRight), 0);
    const auto reports = ReportBytes(*device);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], Bytes(0x00, c.byLeft, c.byRight, 0x00));
    EXPECT_EQ(device->OpenHandles(), 0u);  // opened and closed for each report
  }
}

TEST_F(FFServerReportTest, NoDeviceNoReport) {
  // No path yet.
  std::unique_ptr<FFServer> fresh(new FFServer(0));
  EXPECT_EQ(fresh->WriteMotorReport(10000, 10000), 0);
  // A path that fills the whole buffer without a terminator.
  memset(fresh->m_szDevicePath, 'x', sizeof(fresh->m_szDevicePath));
  EXPECT_EQ(fresh->WriteMotorReport(10000, 10000), 0);
  fresh->m_szDevicePath[0] = 0;
  fresh.reset();
  EXPECT_EQ(device->ReportCount(), 0u);

  // An unplugged device; the writes resume once it is back.
  device->Unplug();
  EXPECT_EQ(server->WriteMotorReport(5000, 4000), 0);
  EXPECT_EQ(device->ReportCount(), 0u);
  device->Plug();
  EXPECT_EQ(server->WriteMotorReport(5000, 4000), 0);
  const auto reports = ReportBytes(*device);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], Bytes(0x00, 0x13, 0x11, 0x00));
}

TEST_F(FFServerReportTest, StepWritesOnAChangeThenFiveZeroRepeats) {
  const DWORD dwEffect = Play(Constant(10000, INFINITE).Polar(4500));
  for (DWORD t = 0; t < 3; ++t) PairAt(t);
  ASSERT_TRUE(server->HaltEffect(dwEffect));  // writes no report itself
  for (DWORD t = 3; t < 15; ++t) PairAt(t);
  const auto reports = ReportBytes(*device);
  ASSERT_EQ(reports.size(), 7u);
  EXPECT_EQ(reports[0], Bytes(0x00, 0x18, 0x18, 0x00));  // 7071 on both sides
  for (size_t i = 1; i < reports.size(); ++i) EXPECT_EQ(reports[i], Bytes(0, 0, 0, 0)) << i;
  EXPECT_EQ(g_nZeroReports.load(), 5u);
}

TEST_F(FFServerReportTest, AFreshServerWritesFiveZeroReports) {
  for (DWORD t = 0; t < 10; ++t) PairAt(t);
  const auto reports = ReportBytes(*device);
  ASSERT_EQ(reports.size(), 5u);
  for (const auto& r : reports) EXPECT_EQ(r, Bytes(0, 0, 0, 0));
}

TEST_F(FFServerReportTest, CommandReportsLeaveTheLastPairAlone) {
  Play(Constant(5000, INFINITE));
  PairAt(0);
  ASSERT_TRUE(server->HaltAll());  // its own zero report
  EXPECT_EQ(server->m_lLastLeft, 5000);
  for (DWORD t = 1; t < 10; ++t) PairAt(t);
  // The step still sees (0, 0) as a change, writes it and repeats it five times.
  const auto reports = ReportBytes(*device);
  ASSERT_EQ(reports.size(), 8u);
  EXPECT_EQ(reports[0], Bytes(0x00, 0x13, 0x00, 0x00));
  for (size_t i = 1; i < reports.size(); ++i) EXPECT_EQ(reports[i], Bytes(0, 0, 0, 0)) << i;
}

TEST_F(FFServerReportTest, ZeroRepeatsAreSharedByEveryServer) {
  std::shared_ptr<sim::HidDevice> second = sim::AddHidDevice(kSecondDevicePath);
  std::unique_ptr<FFServer> other(MakeServer(1, kSecondDevicePath));
  for (DWORD t = 0; t < 6; ++t) PairAt(t);
  EXPECT_EQ(device->ReportCount(), 5u);
  sim::SetTick(kStartTick + 6);
  for (int i = 0; i < 6; ++i) other->RunStep();
  EXPECT_EQ(second->ReportCount(), 0u);  // the repeats are used up

  // A change on the first joystick restarts the repeats for every joystick.
  Play(Constant(10000, INFINITE));
  PairAt(7);
  EXPECT_EQ(ReportBytes(*device).back(), Bytes(0x00, 0x1F, 0x00, 0x00));
  for (int i = 0; i < 8; ++i) other->RunStep();
  const auto reports = ReportBytes(*second);
  ASSERT_EQ(reports.size(), 5u);
  for (const auto& r : reports) EXPECT_EQ(r, Bytes(0, 0, 0, 0));
}

// A stop, pause or reset command writes its own all-off report and leaves
// the step's last pair alone. When the effect plays again before any step
// has run, the step finds its pair unchanged but the device off: it must
// send the pair again, or the motors stay off while the effect plays.
TEST_F(FFServerReportTest, ACommandThenARestartBeforeAnyStepReachesTheDevice) {
  const auto kFull = Bytes(0x00, 0x1F, 0x00, 0x00);
  const auto kOff = Bytes(0, 0, 0, 0);
  struct Case {
    const char* name;
    std::function<void(DWORD* pdwEffect)> commandThenRestart;
    std::vector<std::vector<BYTE>> reports;
  } cases[] = {
      {"stop all, start",
       [&](DWORD* pdwEffect) {
         ASSERT_TRUE(server->HaltAll());
         ASSERT_TRUE(server->PlayEffect(*pdwEffect));
       },
       {kFull, kOff, kFull}},
      {"pause, continue",
       [&](DWORD*) {
         ASSERT_TRUE(server->PauseAll());
         ASSERT_TRUE(server->ResumeAll());
       },
       {kFull, kOff, kFull}},
      {"reset, download and start",
       [&](DWORD* pdwEffect) {
         ASSERT_TRUE(server->ResetEffects());
         *pdwEffect = Play(Constant(10000, INFINITE));
       },
       {kFull, kOff, kOff, kFull}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server->ResetEffects());
    for (DWORD t = 0; t < 10; ++t) PairAt(t);  // back to (0, 0), repeats spent
    device->Clear();
    DWORD dwEffect = Play(Constant(10000, INFINITE));
    PairAt(10);
    c.commandThenRestart(&dwEffect);
    for (DWORD t = 11; t < 20; ++t) PairAt(t);
    EXPECT_EQ(ReportBytes(*device), c.reports);
    EXPECT_EQ(server->QueryEffectState(dwEffect), (DWORD)EFFECT_PLAYING);
  }
}

// A report that does not reach the device is not remembered: the next step
// sends it again, once per step, until it arrives; nothing changes in the
// stream once it has.
TEST_F(FFServerReportTest, AStopThatWasNotDeliveredIsSentWhenTheDeviceIsBack) {
  Play(Constant(10000, INFINITE));
  PairAt(0);
  sim::RemoveHidDevices();  // unplugged for a moment
  ASSERT_TRUE(server->HaltAll());
  for (DWORD t = 1; t < 10; ++t) PairAt(t);
  EXPECT_EQ(server->m_lLastLeft, 10000) << "the fall to (0, 0) has not been delivered";
  device = sim::AddHidDevice(kDevicePath);
  for (DWORD t = 10; t < 20; ++t) PairAt(t);
  // The fall to (0, 0), then its five repeats.
  EXPECT_EQ(ReportBytes(*device), std::vector<std::vector<BYTE>>(6, Bytes(0, 0, 0, 0)));
  EXPECT_EQ(server->m_lLastLeft, 0);
}

TEST_F(FFServerReportTest, ASteadyLevelReachesADeviceThatComesBack) {
  sim::RemoveHidDevices();
  Play(Constant(5000, INFINITE).Polar(9000));
  for (DWORD t = 0; t < 5; ++t) PairAt(t);
  device = sim::AddHidDevice(kDevicePath);
  for (DWORD t = 5; t < 10; ++t) PairAt(t);
  EXPECT_EQ(ReportBytes(*device), std::vector<std::vector<BYTE>>{Bytes(0x00, 0x00, 0x13, 0x00)});
}

// A device that opens but refuses the write (here: it takes reports of
// another length). One try per step, and a failing joystick never restarts
// the zero repeats that every joystick of the module shares.
TEST_F(FFServerReportTest, ARefusedWriteIsTriedOncePerStep) {
  sim::RemoveHidDevices();
  std::shared_ptr<sim::HidDevice> refusing = sim::AddHidDevice(kDevicePath, 5);
  std::shared_ptr<sim::HidDevice> second = sim::AddHidDevice(kSecondDevicePath);
  std::unique_ptr<FFServer> other(MakeServer(1, kSecondDevicePath));
  g_nZeroReports = 5;  // the module's repeats are spent: the other server stays silent
  Play(Constant(10000, INFINITE));
  for (DWORD t = 0; t < 8; ++t) {
    PairAt(t);
    EXPECT_EQ(refusing->OpenCount(), t + 1) << "one open per step";
    other->RunStep();
  }
  EXPECT_EQ(refusing->ReportCount(), 0u);
  EXPECT_EQ(second->ReportCount(), 0u) << "a failed write restarted the shared zero repeats";

  sim::RemoveHidDevices();
  device = sim::AddHidDevice(kDevicePath);
  for (DWORD t = 8; t < 12; ++t) PairAt(t);
  EXPECT_EQ(ReportBytes(*device), std::vector<std::vector<BYTE>>{Bytes(0x00, 0x1F, 0x00, 0x00)});
  EXPECT_EQ(device->OpenCount(), 1u) << "a delivered pair is not sent again";
}

// The zero repeats follow a fall to (0, 0) only: a steady pair with one
// motor off is written once.
TEST_F(FFServerReportTest, ASteadyPairWithOneMotorOffIsWrittenOnce) {
  for (LONG lDirection : {0, 9000}) {
    SCOPED_TRACE(lDirection);
    ASSERT_TRUE(server->ResetEffects());
    for (DWORD t = 0; t < 10; ++t) PairAt(t);
    device->Clear();
    Play(Constant(10000, INFINITE).Polar(lDirection));
    for (DWORD t = 10; t < 20; ++t) PairAt(t);
    EXPECT_EQ(ReportBytes(*device).size(), 1u);
  }
}

TEST_F(FFServerReportTest, IdleStepWritesAllOff) {
  EXPECT_TRUE(server->IdleStep());
  const auto reports = ReportBytes(*device);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], Bytes(0, 0, 0, 0));
}

TEST_F(FFServerReportTest, DeletingAServerFreesItsEffectsThenWritesAllOff) {
  Play(Constant(10000, INFINITE));
  Play(Ramp(0, 10000), ET_RAMP);
  Add(Periodic(10000, 0, 0, 100000));
  PairAt(0);
  device->Clear();
  server.reset();  // a sanitizer build checks that each record is freed once
  const auto reports = ReportBytes(*device);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], Bytes(0, 0, 0, 0));
}

}  // namespace
}  // namespace fftest

// PageEngine::SendMotorReport: the levels for each kind of call, the power
// cap, the all-zero report written twice, and the calls that write nothing.
#include <ostream>

#include "live_fixture.h"

namespace {

using livetest::Bytes;
using livetest::LiveFixture;

constexpr DWORD kKeep = static_cast<DWORD>(-1);

struct ReportCase {
  const char* pszWhat;
  BYTE bLeftOff, bRightOff;
  DWORD dwLeft, dwRight;
  bool bAuto, bLeftLamp, bRightLamp;
  DWORD dwPower;
  BYTE byLeft, byRight;  // expected levels
};

void PrintTo(const ReportCase& c, std::ostream* pOut) { *pOut << c.pszWhat; }

class MotorReportTest : public LiveFixture, public ::testing::WithParamInterface<ReportCase> {
 protected:
  void Press(SkinControl* pButton, bool bDown) {
    ASSERT_NE(pButton, nullptr);
    pButton->SetState(m_hWnd, bDown ? 1 : 0);
  }
};

TEST_P(MotorReportTest, WritesTheLevelsOfTheCall) {
  const ReportCase& c = GetParam();
  PageEngine& e = Engine();
  Press(e.m_pAutoButton, c.bAuto);
  Press(e.m_pLeftMotorButton, c.bLeftLamp);
  Press(e.m_pRightMotorButton, c.bRightLamp);
  e.m_Settings.dwMotorPower = c.dwPower;
  const size_t nOpensBefore = m_pHid->OpenCount();

  e.SendMotorReport(c.bLeftOff, c.bRightOff, c.dwLeft, c.dwRight);

  EXPECT_EQ(Reports(), Written(c.byLeft, c.byRight));
  EXPECT_EQ(m_pHid->OpenCount(), nOpensBefore + 1) << "the device is opened for each call";
  EXPECT_EQ(m_pHid->OpenHandles(), 0u) << "and closed again";
  EXPECT_EQ(e.m_Settings.dwMotorPower, c.dwPower > 255 ? 255u : c.dwPower);
}

// RunLevel = power * 21 / 255 + 10; power 63 runs at 15.
INSTANTIATE_TEST_SUITE_P(
    Levels, MotorReportTest,
    ::testing::Values(
        ReportCase{"all zero, lamps on", 0, 0, 0, 0, false, true, true, 63, 0, 0},
        ReportCase{"both off", 1, 1, kKeep, kKeep, true, true, true, 63, 0, 0},
        ReportCase{"left off only", 1, 0, kKeep, kKeep, false, false, false, 63, 0, 15},
        ReportCase{"right off only", 0, 1, kKeep, kKeep, false, false, false, 63, 15, 0},
        ReportCase{"auto runs both, lamps dark", 0, 0, kKeep, kKeep, true, false, false, 63, 15, 15},
        ReportCase{"left lamp", 0, 0, kKeep, kKeep, false, true, false, 63, 15, 0},
        ReportCase{"right lamp", 0, 0, kKeep, kKeep, false, false, true, 63, 0, 15},
        ReportCase{"no lamp", 0, 0, kKeep, kKeep, false, false, false, 63, 0, 0},
        ReportCase{"stick 252 on the left lamp", 0, 0, 252, 257, false, true, false, 63, 30, 0},
        ReportCase{"stick 257 capped, both lamps", 0, 0, 257, 257, false, true, true, 63, 31, 31},
        ReportCase{"stick 1 and 9", 0, 0, 1, 9, false, true, true, 63, 0, 1},
        ReportCase{"stick with lamps dark", 0, 0, 200, 200, false, false, false, 63, 0, 0},
        ReportCase{"power 0", 0, 0, kKeep, kKeep, true, false, false, 0, 10, 10},
        ReportCase{"power 12", 0, 0, kKeep, kKeep, true, false, false, 12, 10, 10},
        ReportCase{"power 13", 0, 0, kKeep, kKeep, true, false, false, 13, 11, 11},
        ReportCase{"power 255", 0, 0, kKeep, kKeep, true, false, false, 255, 31, 31},
        ReportCase{"power 300 written back as 255", 0, 0, kKeep, kKeep, true, false, false, 300, 31, 31},
        ReportCase{"power 0xFFFFFFFF", 1, 0, kKeep, kKeep, false, false, false, 0xFFFFFFFFu, 0, 31}));

// Calls that end before anything is written; each still caps the power.
struct SilentCase {
  const char* pszWhat;
  void (*pfnArrange)(LiveFixture* pFixture);
};

void PrintTo(const SilentCase& c, std::ostream* pOut) { *pOut << c.pszWhat; }

class SilentReportTest : public LiveFixture, public ::testing::WithParamInterface<SilentCase> {
 public:
  std::shared_ptr<sim::HidDevice> Hid() { return m_pHid; }
};

TEST_P(SilentReportTest, WritesNothing) {
  PageEngine& e = Engine();
  ASSERT_NE(e.m_pAutoButton, nullptr);
  e.m_pAutoButton->SetState(m_hWnd, 1);
  e.m_Settings.dwMotorPower = 1000;
  GetParam().pfnArrange(this);
  const size_t nOpensBefore = m_pHid->OpenCount();

  e.SendMotorReport(0, 0, kKeep, kKeep);
  e.SendMotorReport(0, 0, 0, 0);

  EXPECT_TRUE(Reports().empty());
  EXPECT_EQ(m_pHid->OpenCount(), nOpensBefore);
  EXPECT_EQ(m_pHid->OpenHandles(), 0u);
  EXPECT_EQ(e.m_Settings.dwMotorPower, 255u);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, SilentReportTest,
    ::testing::Values(
        SilentCase{"no current device", [](LiveFixture*) { g_pCurDevice = nullptr; }},
        SilentCase{"GetProperty fails",
                   [](LiveFixture*) { sim::FailDirectInput(sim::DiCall::kGetProperty, DIERR_INPUTLOST); }},
        SilentCase{"the path names no device",
                   [](LiveFixture*) { sim::SetJoystickPath(0, "\\\\?\\hid#vid_7c3a&pid_a02f#gone#{none}"); }},
        SilentCase{"the path names a missing file", [](LiveFixture*) { sim::SetJoystickPath(0, "C:\\no\\such"); }},
        SilentCase{"the device is unplugged",
                   [](LiveFixture* p) { static_cast<SilentReportTest*>(p)->Hid()->Unplug(); }}));

// The path of the property goes through the ANSI code page as it stands; a
// plain file standing for the device receives the same bytes.
TEST_F(LiveFixture, AFileStandingForTheDeviceReceivesTheReport) {
  const char* const pszFile = "C:\\windows\\temp\\motor.bin";
  HANDLE h = CreateFileA(pszFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  sim::SetJoystickPath(0, pszFile);
  PageEngine& e = Engine();
  e.m_pLeftMotorButton->SetState(m_hWnd, 1);

  e.SendMotorReport(0, 0, kKeep, kKeep);
  e.SendMotorReport(0, 0, 0, 0);

  h = CreateFileA(pszFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  BYTE buffer[32] = {};
  DWORD cbRead = 0;
  ReadFile(h, buffer, sizeof buffer, &cbRead, nullptr);
  CloseHandle(h);
  // OPEN_EXISTING does not truncate: the zero report overwrites the first.
  EXPECT_EQ(Bytes(buffer, buffer + cbRead), (Bytes{0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(Reports().empty());
}

}  // namespace

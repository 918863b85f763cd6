// Clicks and drags on the vibration page: the time bar and its ball, the
// motor-power slider and its arrow, the drags that follow the pointer past
// the tracks (no mouse capture), the Initial, Auto and Manual buttons and the
// two motor buttons, with the motor reports the device received.
#include <cstring>
#include <string>

#include "input_fixture.h"

namespace {

using inputtest::Bytes;
using inputtest::Engine;
using inputtest::InputFixture;
using inputtest::kCurveArea;
using inputtest::kPowerPage;
using inputtest::kStartTick;
using inputtest::kTestPage;
using inputtest::RecordWrites;
using inputtest::RectOf;

// Left edges as built: the time ball (75, 71, 96, 92), the arrow
// (79, 239, 88, 248); the slider is (79, 220, 423, 242), 344 wide.
constexpr int kBallLeft = 75;
constexpr int kArrowLeft = 79;

Bytes Report(BYTE byLeft, BYTE byRight) { return Bytes{0, byLeft, byRight, 0}; }
const std::vector<Bytes> kBothOff = {Report(0, 0), Report(0, 0)};  // an all-zero report goes out twice

BYTE RunLevel(DWORD dwPower) { return static_cast<BYTE>(dwPower * 21 / 255 + 10); }

class PowerPageInput : public InputFixture {
 protected:
  void SetUp() override {
    InputFixture::SetUp();
    if (HasFatalFailure()) return;
    Show(kPowerPage);
  }

  static int BallOffset() { return RectOf(Engine().m_pTimeBall).left - kBallLeft; }
  static int ArrowOffset() { return RectOf(Engine().m_pPowerArrow).left - kArrowLeft; }
  static DWORD TimeCycle() { return Engine().m_Settings.dwTimeCycle; }
  static DWORD Power() { return Engine().m_Settings.dwMotorPower; }

  static bool CurveRepainted() {
    for (const sim::Invalidation& inv : InvalidationsOf(kCurveArea))
      if (inv.bErase) return true;
    return false;
  }

  void Move(int x, int y) { Engine().MouseMove(m_hWnd, kPowerPage, x, y); }
  void Up(int nPage, int x, int y) { Engine().MouseUp(m_hWnd, nPage, x, y); }
};

struct TimeBarCase {
  int x, y;
  bool bHit;
  DWORD dwTimeCycle;  // when hit
  int nOffset;
};

TEST_F(PowerPageInput, TimeBarClickCentresTheBallOnThePointer) {
  PageEngine& e = Engine();
  const TimeBarCase kCases[] = {
      {80, 80, true, 7, 0},       // held at 86
      {75, 71, true, 7, 0},       // the bar's top-left corner
      {425, 92, true, 246, 333},  // held at 419; both ends are on the bar
      {300, 85, true, 161, 214},  // (300 - 75) * 255 / 356
      {74, 80, false, 0, 0},
      {426, 80, false, 0, 0},
      {200, 70, false, 0, 0},
      {200, 93, false, 0, 0},
  };
  for (const TimeBarCase& c : kCases) {
    SCOPED_TRACE("at " + std::to_string(c.x) + ", " + std::to_string(c.y));
    e.m_Settings.dwTimeCycle = 63;
    e.m_pTimeBall->MoveTo(m_hWnd, 200, 0, false);  // off the pointer: only the bar can take the click
    e.m_bTimeDrag = 0;
    Forget();
    Click(kPowerPage, c.x, c.y);
    if (!c.bHit) {
      EXPECT_EQ(TimeCycle(), 63u);
      EXPECT_EQ(BallOffset(), 200);
      EXPECT_EQ(e.m_bTimeDrag, 0);
      EXPECT_FALSE(CurveRepainted());
      continue;
    }
    EXPECT_EQ(TimeCycle(), c.dwTimeCycle);
    EXPECT_EQ(BallOffset(), c.nOffset);
    EXPECT_EQ(e.m_bTimeDrag, 1);
    EXPECT_TRUE(CurveRepainted());
  }
  EXPECT_TRUE(RecordWrites().empty()) << "the vibration settings wait for the next write of the record";
  EXPECT_TRUE(Reports().empty());
}

TEST_F(PowerPageInput, BallClickOffTheBarKeepsTheBallAndTakesItsTimeCycle) {
  PageEngine& e = Engine();
  // Time cycle 0 puts the ball at offset -11, its left 11 pixels left of
  // the bar; 255 at offset 345, its right 16 pixels right of it. A click on
  // the ball there takes the time cycle (left - 64) x 255 / 356 of its place.
  const struct {
    DWORD dwShown;
    int x;
    int nOffset;
  } cases[] = {{0, 64, -11}, {255, 430, 345}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dwShown);
    e.m_Settings.dwTimeCycle = c.dwShown;
    Show(kPowerPage);
    ASSERT_EQ(BallOffset(), c.nOffset);
    e.m_Settings.dwTimeCycle = 99;
    e.m_bTimeDrag = 0;
    Click(kPowerPage, c.x, 71);
    EXPECT_EQ(TimeCycle(), c.dwShown);
    EXPECT_EQ(BallOffset(), c.nOffset);
    EXPECT_EQ(e.m_bTimeDrag, 1);
    EXPECT_TRUE(CurveRepainted());
  }

  e.m_bTimeDrag = 0;
  Click(kPowerPage, 441, 80);  // right of the ball
  EXPECT_EQ(e.m_bTimeDrag, 0);
}

struct PowerCase {
  int x, y;
  bool bHit;
  DWORD dwPower;  // when hit
  int nArrow;
};

TEST_F(PowerPageInput, PowerSliderClickSetsThePowerFromTwoTo254) {
  PageEngine& e = Engine();
  const PowerCase kCases[] = {
      {79, 220, true, 2, -1},      // the left edge gives 0, raised to 2
      {81, 230, true, 2, -1},      // 2 * 255 / 344 = 1
      {251, 230, true, 127, 168},  // 172 * 255 / 344
      {422, 241, true, 254, 339},  // the last column; 255 is out of reach
      {423, 230, false, 0, 0},
      {78, 230, false, 0, 0},
      {300, 219, false, 0, 0},
      {300, 242, false, 0, 0},
  };
  for (const PowerCase& c : kCases) {
    SCOPED_TRACE("at " + std::to_string(c.x) + ", " + std::to_string(c.y));
    e.m_Settings.dwMotorPower = 63;
    e.m_pPowerSlider->SetState(m_hWnd, 63u << 16);
    e.m_pPowerArrow->MoveTo(m_hWnd, 81, 0, false);
    e.m_bPowerDrag = 0;
    Click(kPowerPage, c.x, c.y);
    if (!c.bHit) {
      EXPECT_EQ(Power(), 63u);
      EXPECT_EQ(ArrowOffset(), 81);
      EXPECT_EQ(e.m_bPowerDrag, 0);
      continue;
    }
    EXPECT_EQ(Power(), c.dwPower);
    EXPECT_EQ(e.m_pPowerSlider->GetState(), c.dwPower << 16);
    EXPECT_EQ(ArrowOffset(), c.nArrow);
    EXPECT_EQ(e.m_bPowerDrag, 1);
  }
  EXPECT_TRUE(Reports().empty());
}

TEST_F(PowerPageInput, ArrowClickStartsThePowerDragAlone) {
  PageEngine& e = Engine();
  const int nLeft = RectOf(e.m_pPowerArrow).left;  // below the slider at y 242..247
  Click(kPowerPage, nLeft, 247);
  EXPECT_EQ(e.m_bPowerDrag, 1);
  EXPECT_EQ(Power(), 63u);
  e.m_bPowerDrag = 0;
  Click(kPowerPage, nLeft, 248);  // the arrow's bottom edge
  EXPECT_EQ(e.m_bPowerDrag, 0);
}

TEST_F(PowerPageInput, DragsFollowThePointerPastTheTracks) {
  PageEngine& e = Engine();
  Move(300, 80);  // no drag yet
  EXPECT_EQ(TimeCycle(), 63u);

  Click(kPowerPage, 200, 80);
  ASSERT_EQ(e.m_bTimeDrag, 1);
  Move(1000, -500);  // y is not looked at
  EXPECT_EQ(TimeCycle(), 246u);
  EXPECT_EQ(BallOffset(), 333);
  EXPECT_TRUE(CurveRepainted());
  Move(-50, 5000);
  EXPECT_EQ(TimeCycle(), 7u);
  EXPECT_EQ(BallOffset(), 0);
  EXPECT_EQ(Power(), 63u) << "only the time drag is on";

  // A release on another page ends the drag without an update.
  Up(kTestPage, 300, 80);
  EXPECT_EQ(e.m_bTimeDrag, 0);
  EXPECT_EQ(TimeCycle(), 7u);
  Move(300, 80);
  EXPECT_EQ(TimeCycle(), 7u);

  Click(kPowerPage, 200, 230);
  ASSERT_EQ(e.m_bPowerDrag, 1);
  Move(2000, 0);
  EXPECT_EQ(Power(), 254u);
  EXPECT_EQ(ArrowOffset(), 339);
  Move(-100, 0);
  EXPECT_EQ(Power(), 2u);
  EXPECT_EQ(e.m_pPowerSlider->GetState(), 2u << 16);
  // The release on the page takes its place, then ends the drag.
  Up(kPowerPage, 251, 390);
  EXPECT_EQ(Power(), 127u);
  EXPECT_EQ(e.m_bPowerDrag, 0);
  Move(400, 230);
  EXPECT_EQ(Power(), 127u);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(PowerPageInput, BothDragsHoldThePointerToTheTimeBarFirst) {
  PageEngine& e = Engine();
  e.m_bTimeDrag = e.m_bPowerDrag = 1;
  Move(1000, 0);
  EXPECT_EQ(TimeCycle(), 246u);
  EXPECT_EQ(Power(), 252u) << "x held at 419: (419 - 79) * 255 / 344";
  Move(0, 0);
  EXPECT_EQ(TimeCycle(), 7u);
  EXPECT_EQ(Power(), 5u) << "x held at 86: 7 * 255 / 344";
}

TEST_F(PowerPageInput, InitialButtonRestoresTheVibrationSettings) {
  PageEngine& e = Engine();
  e.m_Settings.dwTimeCycle = 200;
  e.m_Settings.dwMotorPower = 50;
  e.m_Settings.dwAutoMode = 1;
  Click(kPowerPage, 300, 177);  // Manual first, so that the motor lamps can be lit
  e.m_pLeftMotorButton->SetState(m_hWnd, 1);
  e.m_pRightMotorButton->SetState(m_hWnd, 1);
  e.m_dwLeftRunTime = e.m_dwRightRunTime = 900;
  Forget();

  Click(kPowerPage, 126, 177);
  EXPECT_EQ(TimeCycle(), 63u);
  EXPECT_EQ(Power(), 189u);
  EXPECT_EQ(e.m_Settings.dwAutoMode, 0u);
  EXPECT_EQ(e.m_pPowerSlider->GetState(), 189u << 16);
  EXPECT_EQ(BallOffset(), 76);
  EXPECT_EQ(ArrowOffset(), 251);  // 344 * 189 / 255 - 3
  EXPECT_EQ(e.m_pManualButton->GetState(), 1u);
  EXPECT_EQ(e.m_pAutoButton->GetState(), 0u);
  EXPECT_EQ(e.m_pLeftMotorButton->GetState(), 0u);
  EXPECT_EQ(e.m_pRightMotorButton->GetState(), 0u);
  EXPECT_EQ(e.m_dwLeftRunTime, 0u);
  EXPECT_EQ(e.m_dwRightRunTime, 0u);
  EXPECT_TRUE(CurveRepainted());
  EXPECT_EQ(Reports(), kBothOff);
}

// Initial in the middle of an automatic test's burst ends the test: the
// motors stop at once and the page's timer no longer drives them.
TEST_F(PowerPageInput, InitialEndsARunningAutoTest) {
  PageEngine& e = Engine();
  DIJOYSTATE resting;
  std::memset(&resting, 0, sizeof resting);
  resting.lX = resting.lY = resting.lZ = resting.lRx = resting.lRy = resting.lRz = 0x7FFF;
  for (DWORD& dwPov : resting.rgdwPOV) dwPov = 0xFFFFFFFFu;

  Click(kPowerPage, 211, 177);  // Auto
  sim::StepClock(300);          // past the first pause: a burst starts
  e.Tick(m_hWnd, kPowerPage, &resting);
  ASSERT_EQ(e.m_bPausePhase, 0);
  ASSERT_EQ(e.m_pLeftMotorButton->GetState(), 1u);
  ASSERT_FALSE(Reports().empty());
  ASSERT_NE(Reports().back(), Report(0, 0)) << "the motors run";
  Forget();

  Click(kPowerPage, 126, 177);
  EXPECT_EQ(Reports(), kBothOff);
  EXPECT_EQ(e.m_dwLeftRunTime, 0u);
  EXPECT_EQ(e.m_dwRightRunTime, 0u);
  EXPECT_EQ(e.m_pAutoButton->GetState(), 0u);
  EXPECT_EQ(e.m_pManualButton->GetState(), 1u);
  EXPECT_EQ(e.m_pLeftMotorButton->GetState(), 0u);
  EXPECT_EQ(e.m_pRightMotorButton->GetState(), 0u);
  EXPECT_EQ(e.m_Settings.dwAutoMode, 0u);
  EXPECT_EQ(TimeCycle(), 63u);
  EXPECT_EQ(Power(), 189u);
  EXPECT_EQ(e.m_pPowerSlider->GetState(), 189u << 16);
  EXPECT_EQ(ArrowOffset(), 251);
  EXPECT_EQ(BallOffset(), 76);

  // The rest of the 15 s: no motor runs again and the settings stay.
  Forget();
  for (int i = 0; i < 20; ++i) {
    sim::StepClock(1000);
    e.Tick(m_hWnd, kPowerPage, &resting);
  }
  for (const Bytes& report : Reports()) EXPECT_EQ(report, Report(0, 0));
  EXPECT_EQ(e.m_pLeftMotorButton->GetState(), 0u);
  EXPECT_EQ(e.m_pRightMotorButton->GetState(), 0u);
  EXPECT_EQ(TimeCycle(), 63u);
  EXPECT_EQ(Power(), 189u);
}

TEST_F(PowerPageInput, AutoStartsTheTimedTestWithoutAReport) {
  PageEngine& e = Engine();
  Click(kPowerPage, 300, 177);  // Manual
  e.m_pLeftMotorButton->SetState(m_hWnd, 1);
  sim::StepClock(1234);
  Forget();

  Click(kPowerPage, 283, 197);  // bottom-right corner of Auto (211, 177, 284, 198)
  EXPECT_EQ(e.m_pAutoButton->GetState(), 1u);
  EXPECT_EQ(e.m_pManualButton->GetState(), 0u);
  EXPECT_EQ(e.m_pLeftMotorButton->GetState(), 0u);
  EXPECT_EQ(e.m_pRightMotorButton->GetState(), 0u);
  EXPECT_EQ(e.m_dwLeftRunTime, 15000u);
  EXPECT_EQ(e.m_dwRightRunTime, 15000u);
  EXPECT_EQ(e.m_dwLeftStartTick, kStartTick + 1234);
  EXPECT_EQ(e.m_bPausePhase, 1);
  EXPECT_EQ(e.m_Settings.dwAutoMode, 1u);
  EXPECT_TRUE(Reports().empty()) << "the page's timer runs the test";
}

TEST_F(PowerPageInput, ManualStopsTheAutoTest) {
  PageEngine& e = Engine();
  Click(kPowerPage, 211, 177);
  ASSERT_EQ(e.m_pAutoButton->GetState(), 1u);
  Click(kPowerPage, 284, 177);  // right edge of Auto: nothing
  ASSERT_EQ(e.m_pAutoButton->GetState(), 1u);
  Forget();

  Click(kPowerPage, 300, 177);
  EXPECT_EQ(e.m_pManualButton->GetState(), 1u);
  EXPECT_EQ(e.m_pAutoButton->GetState(), 0u);
  EXPECT_EQ(e.m_dwLeftRunTime, 0u);
  EXPECT_EQ(e.m_dwRightRunTime, 0u);
  EXPECT_EQ(e.m_Settings.dwAutoMode, 0u);
  EXPECT_EQ(Reports(), kBothOff) << "no motor lamp is lit";
}

struct MotorCase {
  const char* pszName;
  bool bLeft;
  DWORD dwTimeCycle;
  DWORD dwRunTime;
};

TEST_F(PowerPageInput, MotorButtonsRunOneMotorForTheTimeCycle) {
  PageEngine& e = Engine();
  const MotorCase kCases[] = {
      {"left, cycle 0", true, 0, 500},
      {"left, cycle 255", true, 255, 1500},
      {"right, cycle 63", false, 63, 747},
      {"right, cycle 300 counts as 255", false, 300, 1500},
  };
  for (const MotorCase& c : kCases) {
    SCOPED_TRACE(c.pszName);
    Click(kPowerPage, 300, 177);  // Manual
    e.m_Settings.dwTimeCycle = c.dwTimeCycle;
    e.m_Settings.dwMotorPower = 189;
    sim::StepClock(100);
    Forget();
    SkinControl* pButton = c.bLeft ? e.m_pLeftMotorButton : e.m_pRightMotorButton;
    const DWORD& dwRunTime = c.bLeft ? e.m_dwLeftRunTime : e.m_dwRightRunTime;
    const DWORD& dwStartTick = c.bLeft ? e.m_dwLeftStartTick : e.m_dwRightStartTick;
    const RECT rc = RectOf(pButton);

    Click(kPowerPage, rc.left, rc.top);
    EXPECT_EQ(pButton->GetState(), 1u);
    EXPECT_EQ(dwRunTime, c.dwRunTime);
    EXPECT_EQ(dwStartTick, GetTickCount());
    const BYTE byLevel = RunLevel(189);
    EXPECT_EQ(Reports(), std::vector<Bytes>{c.bLeft ? Report(byLevel, 0) : Report(0, byLevel)});

    Forget();
    Click(kPowerPage, rc.right - 1, rc.bottom - 1);
    EXPECT_EQ(pButton->GetState(), 0u);
    EXPECT_EQ(dwRunTime, 0u);
    EXPECT_EQ(Reports(), kBothOff);
  }
}

TEST_F(PowerPageInput, MotorButtonsDoNothingWhileAutoIsOnOrManualIsOff) {
  PageEngine& e = Engine();
  const RECT rcLeft = RectOf(e.m_pLeftMotorButton);
  const RECT rcRight = RectOf(e.m_pRightMotorButton);
  for (const char* pszMode : {"auto", "neither"}) {
    SCOPED_TRACE(pszMode);
    Click(kPowerPage, 211, 177);  // Auto
    if (std::string(pszMode) == "neither") e.m_pAutoButton->SetState(m_hWnd, 0);
    const DWORD dwLeftRun = e.m_dwLeftRunTime;
    Forget();
    Click(kPowerPage, rcLeft.left + 5, rcLeft.top + 5);
    Click(kPowerPage, rcRight.left + 5, rcRight.top + 5);
    EXPECT_EQ(e.m_pLeftMotorButton->GetState(), 0u);
    EXPECT_EQ(e.m_pRightMotorButton->GetState(), 0u);
    EXPECT_EQ(e.m_dwLeftRunTime, dwLeftRun);
    EXPECT_TRUE(Reports().empty());
  }
}

}  // namespace

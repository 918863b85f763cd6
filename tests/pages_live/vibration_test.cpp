// Tick on the vibration page: the Auto test's pauses and bursts over its
// 15000 ms, and the Manual test's timed motors and stick-follow, each with
// the motor reports the device received.
#include <algorithm>
#include <cstdlib>
#include <ostream>

#include "live_fixture.h"

namespace {

using livetest::Bytes;
using livetest::LiveFixture;
using livetest::RawFor;
using livetest::Resting;

constexpr int kPowerPage = 3;
constexpr DWORD kPollMs = 10;

BYTE RunLevel(DWORD dwPower) { return static_cast<BYTE>(dwPower * 21 / 255 + 10); }

class AutoTest : public LiveFixture {
 protected:
  // What a click on the Auto button does.
  void StartAuto() {
    PageEngine& e = Engine();
    e.m_pAutoButton->SetState(m_hWnd, 1);
    e.m_dwLeftRunTime = e.m_dwRightRunTime = 15000;
    e.m_bPausePhase = 1;
    e.m_dwLeftStartTick = GetTickCount();
  }
};

// One burst as the page showed it.
struct Burst {
  DWORD dwStart;  // ms after the click
  DWORD dwEnd;
  DWORD dwTimeCycle;
  DWORD dwPower;
};

TEST_F(AutoTest, RunsPausesAndBurstsForFifteenSeconds) {
  PageEngine& e = Engine();
  const RECT rcSlider = RectOf(e.m_pPowerSlider);
  const RECT rcArrow = RectOf(e.m_pPowerArrow);
  const RECT rcBall = RectOf(e.m_pTimeBall);
  StartAuto();

  // Poll every 10 ms and note each burst from the lamps.
  std::vector<Burst> bursts;
  DWORD dwEndTick = 0;
  std::vector<Bytes> expected;
  for (DWORD t = 0; t <= 16000; t += kPollMs) {
    const size_t nMarksBefore = sim::GetInvalidations().size();
    const bool bWasLit = e.m_pLeftMotorButton->GetState() != 0;
    const DWORD dwRunTimeBefore = e.m_dwLeftRunTime;
    Tick(kPowerPage, Resting());
    const bool bLit = e.m_pLeftMotorButton->GetState() != 0;
    ASSERT_EQ(bLit, e.m_pRightMotorButton->GetState() != 0) << "both lamps together, t " << t;
    if (bLit && !bWasLit) {
      SCOPED_TRACE("burst at " + std::to_string(t));
      bursts.push_back({t, 0, e.m_Settings.dwTimeCycle, e.m_Settings.dwMotorPower});
      // The draw is seeded with the tick of the burst's start: rand() over
      // 0..32767 times 255 / 32767, the power at least 2.
      std::srand(static_cast<unsigned>(GetTickCount()));
      const DWORD dwCycle = static_cast<DWORD>(std::rand() % 32768) * 255 / 32767;
      const DWORD dwPower = std::max<DWORD>(static_cast<DWORD>(std::rand() % 32768) * 255 / 32767, 2);
      EXPECT_EQ(e.m_Settings.dwTimeCycle, dwCycle);
      EXPECT_EQ(e.m_Settings.dwMotorPower, dwPower);
      EXPECT_LE(e.m_Settings.dwTimeCycle, 255u);
      EXPECT_GE(e.m_Settings.dwMotorPower, 2u);
      EXPECT_LE(e.m_Settings.dwMotorPower, 255u);
      EXPECT_EQ(e.m_pPowerSlider->GetState(), e.m_Settings.dwMotorPower << 16);
      const int nWidth = rcSlider.right - rcSlider.left;
      EXPECT_EQ(RectOf(e.m_pPowerArrow).left,
                rcArrow.left + nWidth * static_cast<int>(e.m_Settings.dwMotorPower) / 255 - 3);
      EXPECT_EQ(RectOf(e.m_pTimeBall).left, rcBall.left + static_cast<int>(e.m_Settings.dwTimeCycle) * 356 / 255 - 11);
      bool bMarksArea = false;
      const std::vector<sim::Invalidation> marks = sim::GetInvalidations();
      for (size_t k = nMarksBefore; k < marks.size(); ++k)
        bMarksArea |= livetest::SameRect(marks[k].rc, {80, 108, 422, 159}) && marks[k].bErase;
      EXPECT_TRUE(bMarksArea) << "the power and time-cycle area is repainted";
      const BYTE byLevel = RunLevel(e.m_Settings.dwMotorPower);
      expected.push_back(Report(byLevel, byLevel));
    } else if (!bLit && bWasLit) {
      bursts.back().dwEnd = t;
      expected.push_back(Report(0, 0));
      expected.push_back(Report(0, 0));
    }
    if (dwRunTimeBefore != 0 && e.m_dwLeftRunTime == 0) {
      dwEndTick = t;
      if (bLit == bWasLit) {  // ended in a pause: the both-off report
        expected.push_back(Report(0, 0));
        expected.push_back(Report(0, 0));
      }
    }
    sim::StepClock(kPollMs);
  }

  ASSERT_FALSE(bursts.empty());
  EXPECT_EQ(bursts[0].dwStart, 300u) << "the first burst starts 300 ms after the click";
  DWORD dwPauseStart = 0;
  for (size_t k = 0; k < bursts.size(); ++k) {
    SCOPED_TRACE("burst " + std::to_string(k));
    const Burst& b = bursts[k];
    EXPECT_EQ(b.dwStart - dwPauseStart, 300u) << "each pause lasts 300 ms";
    ASSERT_NE(b.dwEnd, 0u);
    if (b.dwEnd == dwEndTick) break;  // cut short by the end of the test
    const DWORD dwLength = b.dwTimeCycle * 1000 / 255 + 500;
    EXPECT_GE(b.dwEnd - b.dwStart, dwLength);
    EXPECT_LT(b.dwEnd - b.dwStart, dwLength + kPollMs) << "the first poll at or after its length ends it";
    dwPauseStart = b.dwEnd;
  }
  EXPECT_EQ(dwEndTick, 15000u) << "15000 ms of phases after the click";
  EXPECT_EQ(e.m_dwRightRunTime, 0u);
  EXPECT_EQ(e.m_pLeftMotorButton->GetState(), 0u);
  EXPECT_EQ(Reports(), expected) << "a report at each phase change and at the end, nothing after";
  const std::vector<sim::HidReport> raw = m_pHid->Reports();
  ASSERT_FALSE(raw.empty());
  EXPECT_EQ(raw.back().dwTick, livetest::kStartTick + 15000);
}

TEST_F(AutoTest, BurstLengthFollowsTheTimeCycle) {
  // A burst ends after dwTimeCycle * 1000 / 255 + 500 ms: 500 for 0, 1500
  // for 255.
  PageEngine& e = Engine();
  for (DWORD dwCycle : {0u, 63u, 255u}) {
    SCOPED_TRACE(dwCycle);
    StartAuto();
    e.m_bPausePhase = 0;  // in a burst since now
    e.m_pLeftMotorButton->SetState(m_hWnd, 1);
    e.m_pRightMotorButton->SetState(m_hWnd, 1);
    e.m_Settings.dwTimeCycle = dwCycle;
    const DWORD dwLength = dwCycle * 1000 / 255 + 500;
    sim::StepClock(dwLength - 1);
    Tick(kPowerPage, Resting());
    EXPECT_EQ(e.m_bPausePhase, 0);
    sim::StepClock(1);
    Tick(kPowerPage, Resting());
    EXPECT_EQ(e.m_bPausePhase, 1);
    EXPECT_EQ(e.m_dwLeftRunTime, 15000 - dwLength) << "the finished phase is taken off the run time";
    EXPECT_EQ(e.m_pLeftMotorButton->GetState(), 0u);
    EXPECT_EQ(e.m_dwLeftStartTick, GetTickCount());
  }
}

TEST_F(AutoTest, NothingRunsWithoutARunTimeOrWithoutTheButton) {
  PageEngine& e = Engine();
  e.m_pAutoButton->SetState(m_hWnd, 1);
  e.m_bPausePhase = 1;
  for (int k = 0; k < 100; ++k) Tick(kPowerPage, Resting(), kPollMs);
  EXPECT_TRUE(Reports().empty());

  StartAuto();
  e.m_pAutoButton->SetState(m_hWnd, 0);
  for (int k = 0; k < 100; ++k) Tick(kPowerPage, Resting(), kPollMs);
  EXPECT_TRUE(Reports().empty());
  EXPECT_EQ(e.m_dwLeftRunTime, 15000u);
}

class ManualTest : public LiveFixture {
 protected:
  void SetUp() override {
    LiveFixture::SetUp();
    if (HasFatalFailure()) return;
    Engine().m_pManualButton->SetState(m_hWnd, 1);
  }

  static DIJOYSTATE Stick(LONG x, LONG y) {
    DIJOYSTATE state = Resting();
    state.lX = RawFor(x);
    state.lY = RawFor(y);
    return state;
  }
};

struct StickCase {
  const char* pszWhat;
  LONG x, y;  // calibrated positions
  DWORD dwLeftLamp, dwRightLamp;
  BYTE byLeft, byRight;
};

void PrintTo(const StickCase& c, std::ostream* pOut) { *pOut << c.pszWhat; }

class StickFollowTest : public ManualTest, public ::testing::WithParamInterface<StickCase> {};

TEST_P(StickFollowTest, StickOutsideTheCentreDrivesTheMotors) {
  const StickCase& c = GetParam();
  PageEngine& e = Engine();

  Tick(kPowerPage, Stick(c.x, c.y), kPollMs);

  EXPECT_EQ(e.m_pPowerCursor->GetState(), DWORD(c.x) << 16 | DWORD(c.y));
  EXPECT_EQ(e.m_pLeftMotorButton->GetState(), c.dwLeftLamp);
  EXPECT_EQ(e.m_pRightMotorButton->GetState(), c.dwRightLamp);
  EXPECT_EQ(Reports(), Written(c.byLeft, c.byRight));

  // Every poll off centre writes again, the cursor staying put.
  m_pHid->Clear();
  sim::ClearInvalidations();
  Tick(kPowerPage, Stick(c.x, c.y), kPollMs);
  EXPECT_EQ(Reports(), Written(c.byLeft, c.byRight));
  EXPECT_TRUE(sim::GetInvalidations().empty());

  // Back in the centre: both lamps dark and an all-zero report.
  m_pHid->Clear();
  Tick(kPowerPage, Stick(127, 127), kPollMs);
  EXPECT_EQ(e.m_pLeftMotorButton->GetState(), 0u);
  EXPECT_EQ(e.m_pRightMotorButton->GetState(), 0u);
  EXPECT_EQ(Reports(), Written(0, 0));
}

// Amount a - 152 above the box, 101 - a below it; the value 5 * amount / 2
// is capped at 255 and written as value * 31 / 255.
INSTANTIATE_TEST_SUITE_P(Positions, StickFollowTest,
                         ::testing::Values(StickCase{"just right of the box", 152, 127, 1, 0, 0, 0},
                                           StickCase{"far left", 0, 127, 1, 0, 30, 0},
                                           StickCase{"far down", 127, 255, 0, 1, 0, 31},
                                           StickCase{"corner", 255, 255, 1, 1, 31, 31},
                                           StickCase{"just above the box", 127, 100, 0, 1, 0, 0},
                                           StickCase{"left and up", 60, 30, 1, 1, 12, 21},
                                           // Amount 3: value 7, level 0.
                                           StickCase{"a little right", 155, 127, 1, 0, 0, 0},
                                           // Amount 17: value 42, level 5 (16 would give 4).
                                           StickCase{"level 5 right", 169, 127, 1, 0, 5, 0},
                                           StickCase{"level 5 left", 84, 127, 1, 0, 5, 0},
                                           StickCase{"level 5 down", 127, 169, 0, 1, 0, 5},
                                           StickCase{"level 5 up", 127, 84, 0, 1, 0, 5},
                                           // Amount 101: value 252, level 30; 102: 255, 31.
                                           StickCase{"short of the cap", 253, 127, 1, 0, 30, 0},
                                           StickCase{"at the cap", 254, 127, 1, 0, 31, 0}));

TEST_F(ManualTest, EdgeOfTheBoxIsCentred) {
  PageEngine& e = Engine();
  e.m_pLeftMotorButton->SetState(m_hWnd, 1);

  Tick(kPowerPage, Stick(151, 151), kPollMs);

  EXPECT_EQ(e.m_pPowerCursor->GetState(), (151u << 16) | 151u);
  EXPECT_EQ(e.m_pLeftMotorButton->GetState(), 0u) << "a move within the centre stops the motors";
  EXPECT_EQ(Reports(), Written(0, 0));
  m_pHid->Clear();
  Tick(kPowerPage, Stick(151, 151), kPollMs);
  EXPECT_TRUE(Reports().empty()) << "an unmoved centred stick writes nothing";
}

TEST_F(ManualTest, TimedMotorsStopWhenTheirTimeIsUp) {
  PageEngine& e = Engine();
  const DWORD dwNow = GetTickCount();
  // As clicks on the motor lamps leave them: left for 747 ms (time cycle
  // 63), right for 1500 ms (time cycle 255).
  e.m_pLeftMotorButton->SetState(m_hWnd, 1);
  e.m_dwLeftRunTime = 63 * 1000 / 255 + 500;
  e.m_dwLeftStartTick = dwNow;
  e.m_pRightMotorButton->SetState(m_hWnd, 1);
  e.m_dwRightRunTime = 1500;
  e.m_dwRightStartTick = dwNow;
  const BYTE byLevel = RunLevel(e.m_Settings.dwMotorPower);

  std::vector<std::pair<DWORD, Bytes>> writes;
  for (DWORD t = 0; t <= 2000; t += kPollMs) {
    const size_t nBefore = m_pHid->ReportCount();
    Tick(kPowerPage, Stick(127, 127));  // the cursor's own place: not moved
    const std::vector<Bytes> all = Reports();
    for (size_t k = nBefore; k < all.size(); ++k) writes.emplace_back(t, all[k]);
    sim::StepClock(kPollMs);
  }

  const std::vector<std::pair<DWORD, Bytes>> expected = {
      {750, Report(0, byLevel)}, {1500, Report(0, 0)}, {1500, Report(0, 0)}};
  EXPECT_EQ(writes, expected);
  EXPECT_EQ(e.m_dwLeftRunTime, 0u);
  EXPECT_EQ(e.m_dwRightRunTime, 0u);
  EXPECT_EQ(e.m_pRightMotorButton->GetState(), 0u);
}

TEST_F(ManualTest, CalibrationWordsShapeTheStick) {
  PageEngine& e = Engine();
  e.m_pLeftMotorButton->SetState(m_hWnd, 1);
  // Two-point 40..200: the raw position 120 reads as 127 (centred), 40 as 0.
  e.m_Settings.dwAxisCalib[0] = AXIS_CALIB_TWO_POINT | (40u << 8) | 200u;

  Tick(kPowerPage, Stick(120, 127), kPollMs);
  EXPECT_EQ(e.m_pPowerCursor->GetState(), (127u << 16) | 127u);
  EXPECT_TRUE(Reports().empty());

  Tick(kPowerPage, Stick(40, 127), kPollMs);
  EXPECT_EQ(e.m_pPowerCursor->GetState(), 127u);
  EXPECT_EQ(Reports(), Written(30, 0)) << "position 0: amount 101, value 252, level 30";
}

TEST_F(ManualTest, AutoTakesPrecedenceOverManual) {
  PageEngine& e = Engine();
  e.m_pAutoButton->SetState(m_hWnd, 1);

  Tick(kPowerPage, Stick(0, 0), kPollMs);

  EXPECT_TRUE(Reports().empty()) << "Auto without a run time does nothing";
  EXPECT_EQ(e.m_pPowerCursor->GetState(), (127u << 16) | 127u);
}

}  // namespace

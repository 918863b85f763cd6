// Tick on the key-map page (an armed row takes the pressed physical button)
// and on the check page (the cursor and sliders through the calibration
// words).
#include <ostream>

#include "live_fixture.h"

namespace {

using livetest::kDown;
using livetest::LiveFixture;
using livetest::RawFor;
using livetest::Resting;

DWORD TwoPoint(DWORD lo, DWORD hi) { return AXIS_CALIB_TWO_POINT | (lo << 8) | hi; }
DWORD ThreePoint(DWORD lo, DWORD c, DWORD hi) { return (lo << 16) | (c << 8) | hi; }

TEST_F(LiveFixture, ArmedRowTakesTheHighestPressedButtonAndIsDisarmed) {
  PageEngine& e = Engine();
  e.m_pSetButton[4]->SetState(m_hWnd, 1);
  DIJOYSTATE state = Resting();
  state.rgbButtons[3] = kDown;
  state.rgbButtons[7] = kDown;

  Tick(1, state);

  EXPECT_EQ(e.m_Settings.byButtonMap[4], 8);
  EXPECT_EQ(e.m_pSetButton[4]->GetState(), 0u);
  // The first button image marks the row's image place, beside its row
  // button (36, 250).
  const RECT rcImage = RectOf(e.m_pButtonImage[0]);
  EXPECT_EQ(rcImage.left, 36 + 144);
  EXPECT_EQ(rcImage.top, 250);
  for (int i = 0; i < kPageButtonCount; ++i)
    if (i != 4) {
      EXPECT_EQ(e.m_Settings.byButtonMap[i], i + 1) << "row " << i << " was not armed";
    }
  EXPECT_TRUE(Reports().empty());
  EXPECT_TRUE(sim::GetSoundPlays().empty()) << "the key-map page plays no sounds";
}

TEST_F(LiveFixture, ArmedRowWaitsForAPress) {
  PageEngine& e = Engine();
  e.m_pSetButton[9]->SetState(m_hWnd, 1);

  Tick(1, Resting(), 10);
  EXPECT_EQ(e.m_pSetButton[9]->GetState(), 1u);
  EXPECT_EQ(e.m_Settings.byButtonMap[9], 10);

  DIJOYSTATE state = Resting();
  state.rgbButtons[0] = kDown;
  Tick(1, state);
  EXPECT_EQ(e.m_Settings.byButtonMap[9], 1);
  EXPECT_EQ(e.m_pSetButton[9]->GetState(), 0u);
  const RECT rcImage = RectOf(e.m_pButtonImage[0]);
  EXPECT_EQ(rcImage.left, 259 + 144) << "second column";
  EXPECT_EQ(rcImage.top, 62 + 47 * 3);

  // Disarmed: a later press changes nothing.
  state.rgbButtons[0] = 0;
  state.rgbButtons[5] = kDown;
  Tick(1, state);
  EXPECT_EQ(e.m_Settings.byButtonMap[9], 1);
}

TEST_F(LiveFixture, OnlyLoadedButtonsAreCaptured) {
  PageEngine& e = Engine();
  e.m_dwButtonCount = 6;
  e.m_pSetButton[0]->SetState(m_hWnd, 1);
  DIJOYSTATE state = Resting();
  state.rgbButtons[8] = kDown;  // beyond the count

  Tick(1, state);

  EXPECT_EQ(e.m_Settings.byButtonMap[0], 1);
  EXPECT_EQ(e.m_pSetButton[0]->GetState(), 1u);
}

// The check page reads X, Y, Z and Rz through dwAxisCalib 0, 1, 4 and 2.
struct CheckCase {
  const char* pszWhat;
  DWORD dwCalibX;
  LONG lRawX;
  DWORD dwX;  // the cursor's x byte
};

void PrintTo(const CheckCase& c, std::ostream* pOut) { *pOut << c.pszWhat; }

class CheckPageCursorTest : public LiveFixture, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckPageCursorTest, CursorShowsTheCalibratedPosition) {
  const CheckCase& c = GetParam();
  PageEngine& e = Engine();
  e.m_Settings.dwAxisCalib[0] = c.dwCalibX;
  DIJOYSTATE state = Resting();
  state.lX = c.lRawX;
  state.lY = 32768;

  Tick(4, state);

  EXPECT_EQ(e.m_pCheckCursor->GetState(), (c.dwX << 16) | 128u);
  EXPECT_EQ(e.m_pTestCursor->GetState(), (127u << 16) | 127u) << "the test page's cursor stays";
}

INSTANTIATE_TEST_SUITE_P(
    Words, CheckPageCursorTest,
    ::testing::Values(CheckCase{"default word, 0", AXIS_CALIB_DEFAULT, 0, 0},
                      CheckCase{"default word, full scale", AXIS_CALIB_DEFAULT, 65535, 255},
                      CheckCase{"default word, 32767", AXIS_CALIB_DEFAULT, 32767, 128},
                      CheckCase{"default word, negative reads as the upper end", AXIS_CALIB_DEFAULT, -300, 255},
                      CheckCase{"two-point 40..200, 40", TwoPoint(40, 200), RawFor(40), 0},
                      CheckCase{"two-point 40..200, below", TwoPoint(40, 200), RawFor(10), 0},
                      CheckCase{"two-point 40..200, 120", TwoPoint(40, 200), RawFor(120), 127},
                      CheckCase{"two-point 40..200, 200", TwoPoint(40, 200), RawFor(200), 255},
                      CheckCase{"two-point 40..200, above", TwoPoint(40, 200), RawFor(230), 255},
                      CheckCase{"three-point 20/100/200, 150", ThreePoint(20, 100, 200), RawFor(150), 191},
                      CheckCase{"two-point with equal ends", TwoPoint(90, 90), RawFor(120), 255}));

TEST_F(LiveFixture, CheckPageSlidersReadZAndRzThroughTheirWords) {
  PageEngine& e = Engine();
  e.m_Settings.dwAxisCalib[4] = TwoPoint(40, 200);  // Z
  e.m_Settings.dwAxisCalib[2] = TwoPoint(16, 240);  // Rz
  e.m_Settings.dwAxisCalib[3] = TwoPoint(100, 101);  // Ry: not used
  DIJOYSTATE state = Resting();
  state.lZ = RawFor(40);
  state.lRz = 32768;  // 128 reads as 112 * 255 / 224 = 127

  Tick(4, state);

  EXPECT_EQ(e.m_pCheckZSlider->GetState(), 255u << 16);
  EXPECT_EQ(e.m_pCheckRzSlider->GetState(), 128u << 16);
  EXPECT_EQ(e.m_pTestZSlider->GetState(), 0u) << "the test page's sliders stay";
}

// The check page's tick hands the polled state to the calibration check:
// in the X and Y step the first poll after the Check click is the centre,
// later polls widen the ends.
TEST_F(LiveFixture, CheckPageTickMeasuresTheCalibrationStep) {
  PageEngine& e = Engine();
  e.ResetCheck();
  e.NextCheckStep(m_hWnd);  // Check clicked: step 1, the centre comes next
  ASSERT_EQ(e.m_dwCheckStep, 1u);
  DIJOYSTATE state = Resting();
  state.lX = RawFor(120);
  state.lY = RawFor(90);

  Tick(4, state);
  EXPECT_EQ(e.m_bCheckCentre, 0) << "CheckTick consumed the centre flag";
  EXPECT_EQ(e.m_dwCheckCalib[0], 0x00FF7800u) << "X centre 120, ends untouched";
  EXPECT_EQ(e.m_dwCheckCalib[1], 0x00FF5A00u) << "Y centre 90";

  state.lX = RawFor(30);
  state.lY = RawFor(200);
  Tick(4, state);
  EXPECT_EQ(e.m_dwCheckCalib[0], 0x001E781Eu) << "both ends of X reach 30";
  EXPECT_EQ(e.m_dwCheckCalib[1], 0x00C85AC8u) << "both ends of Y reach 200";
}

}  // namespace

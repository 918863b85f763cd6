// Clicks on the check page, where only the current step's button advances
// the check (each hit-tested where the steps have moved it), and on the about
// page and unknown pages, which take no input at all.
#include <string>

#include "input_fixture.h"

namespace {

using inputtest::BytesOf;
using inputtest::Engine;
using inputtest::InputFixture;
using inputtest::kAboutPage;
using inputtest::kCheckPage;
using inputtest::kPowerPage;
using inputtest::RecordWrites;

// The three step buttons share (223, 142, 307, 166); the check moves the
// Check and Next buttons down by 50 pixels a step.
constexpr int kButtonLeft = 223;
constexpr int kButtonTop = 142;
constexpr int kButtonRight = 307;
constexpr int kButtonBottom = 166;

class CheckPageInput : public InputFixture {
 protected:
  void SetUp() override {
    InputFixture::SetUp();
    if (HasFatalFailure()) return;
    Show(kCheckPage);
  }
};

struct StepClick {
  int x, y;
  DWORD dwStepAfter;
};

TEST_F(CheckPageInput, OnlyTheCurrentStepsButtonAdvancesTheCheck) {
  PageEngine& e = Engine();
  ASSERT_EQ(e.m_dwCheckStep, 0u);
  const StepClick kClicks[] = {
      {kButtonRight, kButtonTop, 0},            // right edge
      {kButtonLeft, kButtonBottom, 0},          // bottom edge
      {kButtonLeft, kButtonTop, 1},             // Check; Next now at (0, 0)
      {kButtonRight - 1, kButtonBottom - 1, 2}, // Next; Check now at (0, 100)
      {kButtonLeft, kButtonTop, 2},             // where Check was: Next lies there, but it is not Next's step
      {kButtonLeft, kButtonTop + 100, 3},       // Check; Next at (0, 100)
      {kButtonLeft, kButtonTop + 100, 4},       // Next; Check at (0, 200)
      {kButtonLeft, kButtonBottom + 199, 5},    // Check; Next at (0, 200)
      {kButtonLeft, kButtonTop + 200, 6},       // Next; Save at (0, 0)
      {kButtonLeft, kButtonTop + 200, 6},       // nothing left down there
      {kButtonLeft, kButtonTop, 0},             // Save: all three lie here, one step is taken
  };
  int n = 0;
  for (const StepClick& c : kClicks) {
    SCOPED_TRACE("click " + std::to_string(n++) + " at " + std::to_string(c.x) + ", " + std::to_string(c.y));
    Click(kCheckPage, c.x, c.y);
    EXPECT_EQ(e.m_dwCheckStep, c.dwStepAfter);
  }
  EXPECT_TRUE(RecordWrites().empty()) << "the check's words wait for the next write of the record";
}

TEST_F(CheckPageInput, WithTwoAxesNextLeadsToSave) {
  PageEngine& e = Engine();
  e.m_dwAxisCount = 2;
  Click(kCheckPage, kButtonLeft, kButtonTop);
  Click(kCheckPage, kButtonLeft, kButtonTop);
  EXPECT_EQ(e.m_dwCheckStep, 6u);
  Click(kCheckPage, kButtonLeft, kButtonTop);
  EXPECT_EQ(e.m_dwCheckStep, 0u);
}

TEST_F(CheckPageInput, AMissingStepButtonTakesNoClick) {
  PageEngine& e = Engine();
  delete e.m_pCheckButton;
  e.m_pCheckButton = nullptr;
  Click(kCheckPage, kButtonLeft, kButtonTop);
  EXPECT_EQ(e.m_dwCheckStep, 0u) << "Next and Save lie there, but step 0 takes only Check";
}

// The about page, and numbers that name no page, ignore every press, move
// and release; a release still ends the vibration page's drags.
TEST_F(InputFixture, AboutAndUnknownPagesIgnoreInput) {
  PageEngine& e = Engine();
  e.m_pTurboButton->SetState(m_hWnd, 1);  // even armed turbo editing is the test page's alone
  e.m_pManualButton->SetState(m_hWnd, 1);
  Forget();
  const SettingsRecord before = e.m_Settings;
  for (int nPage : {kAboutPage, 6, -1, -2}) {
    SCOPED_TRACE("page " + std::to_string(nPage));
    e.m_bTimeDrag = e.m_bPowerDrag = 1;
    for (int y = 0; y < 400; y += 7)
      for (int x = 0; x < 500; x += 7) {
        e.Click(m_hWnd, nPage, x, y);
        e.MouseMove(m_hWnd, nPage, x, y);
      }
    EXPECT_EQ(e.m_bTimeDrag, 1);
    EXPECT_EQ(e.m_bPowerDrag, 1);
    e.MouseUp(m_hWnd, nPage, 300, 80);
    EXPECT_EQ(e.m_bTimeDrag, 0);
    EXPECT_EQ(e.m_bPowerDrag, 0);
  }
  EXPECT_EQ(BytesOf(e.m_Settings), BytesOf(before));
  EXPECT_TRUE(RecordWrites().empty());
  EXPECT_TRUE(Reports().empty());
  EXPECT_TRUE(sim::GetInvalidations().empty());
  EXPECT_TRUE(sim::FileDialogRuns().empty());
  EXPECT_EQ(e.m_dwCheckStep, 0u);
  for (int k = 0; k < kPageButtonCount; ++k) {
    EXPECT_EQ(e.m_pButtonLamp[k]->GetTag(), 0u);
    EXPECT_EQ(e.m_pSetButton[k]->GetState(), 0u);
  }
}

// Moves on other pages leave the vibration settings alone during a drag.
TEST_F(InputFixture, OnlyTheVibrationPageFollowsADrag) {
  PageEngine& e = Engine();
  e.m_bTimeDrag = e.m_bPowerDrag = 1;
  for (int nPage : {0, 1, 2, 4, 5}) e.MouseMove(m_hWnd, nPage, 300, 80);
  EXPECT_EQ(e.m_Settings.dwTimeCycle, 63u);
  EXPECT_EQ(e.m_Settings.dwMotorPower, 63u);
  e.MouseMove(m_hWnd, kPowerPage, 300, 80);
  EXPECT_EQ(e.m_Settings.dwTimeCycle, 161u);
  EXPECT_EQ(e.m_Settings.dwMotorPower, 163u);  // (300 - 79) * 255 / 344
}

}  // namespace

// The calibration-check page: per step its heading and four lines from
// Setup.ini and the step's button, all of them only when that button exists.
#include "paint_fixture.h"

namespace painttest {
namespace {

using ButtonField = SkinControl* PageEngine::*;

// The button each step shows: Check at 0, 2, 4, Next at 1, 3, 5, Save at 6.
ButtonField StepButton(int nStep) {
  if (nStep == 6) return &PageEngine::m_pCheckSaveButton;
  return nStep % 2 == 0 ? &PageEngine::m_pCheckButton : &PageEngine::m_pNextButton;
}

class CheckPagePaint : public PaintTest {
 protected:
  // The step's texts as this test names them: the heading, then lines 1..4.
  static std::vector<Entry> StepTexts(int nStep) {
    std::vector<Entry> texts;
    const std::string base = "Check_Set0_" + std::to_string(nStep);
    texts.push_back(ReadEntry("CheckPage", base.c_str()));
    for (int nLine = 1; nLine <= 4; ++nLine)
      texts.push_back(ReadEntry("CheckPage", (base + "_" + std::to_string(nLine)).c_str()));
    return texts;
  }

  // The page past the last step: the background controls alone.
  HWND PaintBare() {
    HWND hWnd = NewWindow();
    m_engine.m_dwCheckStep = 7;
    PaintPage(kCheck, hWnd);
    return hWnd;
  }
};

TEST_F(CheckPagePaint, EachStepShowsItsTextsAndThenItsButton) {
  HWND hBare = PaintBare();
  HWND hExpected = NewWindow();
  for (int nStep = 0; nStep <= 6; ++nStep) {
    SCOPED_TRACE(nStep);
    m_engine.m_dwCheckStep = DWORD(nStep);
    PaintPage(kCheck);

    // Reference: the bare page, the five texts in white, the button over them.
    m_engine.m_dwCheckStep = 7;
    PaintPage(kCheck, hExpected);
    const std::vector<Entry> texts = StepTexts(nStep);
    ASSERT_TRUE(texts[0].bFound);
    ASSERT_FALSE(texts[0].text.empty());
    EXPECT_GT(Diff(m_hWnd, hBare, texts[0].rc), 0);
    HDC hdc = GetDC(hExpected);
    SetTextColor(hdc, kWhite);
    SetBkMode(hdc, TRANSPARENT);
    for (const Entry& entry : texts) DrawText(hdc, entry.text, entry.rc);
    (m_engine.*StepButton(nStep))->Paint(hdc);
    ReleaseDC(hExpected, hdc);
    EXPECT_EQ(Diff(m_hWnd, hExpected), 0);
  }
}

TEST_F(CheckPagePaint, StepsPastTheLastShowTheBackgroundControlsOnly) {
  SkinBitmap back("BKJoyCheck");
  ASSERT_TRUE(back.Loaded());
  HWND hBare = PaintBare();
  for (DWORD dwStep : {8u, 100u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(dwStep);
    m_engine.m_dwCheckStep = dwStep;
    PaintPage(kCheck);
    EXPECT_EQ(Diff(m_hWnd, hBare), 0);
  }
  // Neither a step text nor a step button is there: the step buttons' place
  // and the texts' column show the background.
  const RECT rcButton = RectOf(m_engine.m_pCheckButton);
  EXPECT_EQ(NotBackground(back, rcButton), 0);
  EXPECT_EQ(NotBackground(back, RECT{315, 60, 498, 390}), 0);
}

TEST_F(CheckPagePaint, MissingStepButtonLeavesOutItsTexts) {
  HWND hBare = PaintBare();
  delete m_engine.m_pNextButton;
  m_engine.m_pNextButton = nullptr;
  for (int nStep = 0; nStep <= 6; ++nStep) {
    SCOPED_TRACE(nStep);
    m_engine.m_dwCheckStep = DWORD(nStep);
    PaintPage(kCheck);
    if (nStep % 2 == 1)
      EXPECT_EQ(Diff(m_hWnd, hBare), 0);
    else
      EXPECT_GT(Diff(m_hWnd, hBare), 0);
  }
}

}  // namespace
}  // namespace painttest

// PageEngine::BuildPages and PageEngine::DestroyControls over the generated
// skin and the shipped Setup.ini.
#include "pageengine.h"

#include "../support/page_fixture.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using Member = SkinControl* PageEngine::*;

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Text(const RECT& rc) {
  return "(" + std::to_string(rc.left) + ", " + std::to_string(rc.top) + ", " + std::to_string(rc.right) + ", " +
         std::to_string(rc.bottom) + ")";
}

class PageBuilderTest : public pagetest::PageFixture {
 protected:
  void TearDown() override {
    m_pEngine->DestroyControls();
    PageFixture::TearDown();
  }

  void Build(DWORD dwAxes, DWORD dwButtons) {
    m_pEngine->m_dwAxisCount = dwAxes;
    m_pEngine->m_dwButtonCount = dwButtons;
    m_pEngine->BuildPages(m_hWnd);
  }

  SkinControl* const* Controls() const { return &m_pEngine->m_pTestBack; }
  int BuiltCount() const {
    int n = 0;
    for (int i = 0; i < kPageControlCount; ++i) n += Controls()[i] != nullptr;
    return n;
  }

  // What the control's Invalidate marks (one or more rectangles).
  std::vector<RECT> Marks(SkinControl* pControl) {
    sim::ClearInvalidations();
    pControl->Invalidate(m_hWnd, false);
    std::vector<RECT> v;
    for (const sim::Invalidation& inv : sim::GetInvalidations()) v.push_back(inv.rc);
    return v;
  }

  // Paints one control over a page filled with kPaper.
  void PaintAlone(SkinControl* pControl) {
    HDC hdc = GetDC(m_hWnd);
    HBRUSH hbr = CreateSolidBrush(kPaper);
    const RECT all{0, 0, pagetest::kPageWidth, pagetest::kPageHeight};
    FillRect(hdc, &all, hbr);
    DeleteObject(hbr);
    pControl->Paint(hdc);
    ReleaseDC(m_hWnd, hdc);
  }

  static constexpr COLORREF kPaper = 0x00FF00;  // never in the skin's pages
  std::unique_ptr<PageEngine> m_pEngine = std::make_unique<PageEngine>();
};

struct CountCase {
  DWORD dwAxes;
  DWORD dwButtons;
};

std::ostream& operator<<(std::ostream& os, const CountCase& c) {
  return os << c.dwAxes << " axes, " << c.dwButtons << " buttons";
}

class PageBuilderCounts : public PageBuilderTest, public ::testing::WithParamInterface<CountCase> {};

// The Z and Rz sliders need 3 and 4 axes, the check page's cover stands in
// for its Rz slider, rows exist below the button count and both key pages
// cover the rows of the second column beyond it.
TEST_P(PageBuilderCounts, BuildsTheControlsTheCountsCallFor) {
  const CountCase& c = GetParam();
  Build(c.dwAxes, c.dwButtons);
  PageEngine& e = *m_pEngine;

  EXPECT_EQ(e.m_pTestZSlider != nullptr, c.dwAxes >= 3);
  EXPECT_EQ(e.m_pTestRzSlider != nullptr, c.dwAxes >= 4);
  EXPECT_EQ(e.m_pCheckRzSlider != nullptr, c.dwAxes >= 4);
  EXPECT_EQ(e.m_pCheckCover != nullptr, c.dwAxes < 4);
  EXPECT_NE(e.m_pCheckZSlider, nullptr);
  if (e.m_pCheckCover) {
    const std::vector<RECT> marks = Marks(e.m_pCheckCover);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_TRUE(SameRect(marks[0], RECT{27, 294, 242, 374})) << Text(marks[0]);
  }

  const DWORD dwRows = c.dwButtons < 12 ? c.dwButtons : 12;
  for (DWORD i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(e.m_pButtonLamp[i] != nullptr, i < dwRows);
    EXPECT_EQ(e.m_pSetButton[i] != nullptr, i < dwRows);
    EXPECT_EQ(e.m_pButtonImage[i] != nullptr, i < dwRows);
  }

  for (Member cover : {&PageEngine::m_pKeyMapCover, &PageEngine::m_pKeyboardCover}) {
    SkinControl* pCover = e.*cover;
    ASSERT_EQ(pCover != nullptr, c.dwButtons < 12);
    if (!pCover) continue;
    RECT rcWhole;
    pCover->GetRect(&rcWhole);
    EXPECT_TRUE(SameRect(rcWhole, RECT{0, 0, 500, 400})) << Text(rcWhole);
    // The part starts at the top of the first second-column row without a
    // button: 62 + 47 x (count - 6).
    const std::vector<RECT> marks = Marks(pCover);
    ASSERT_EQ(marks.size(), 1u);
    const LONG lTop = 47 * LONG(c.dwButtons) - 220;
    EXPECT_TRUE(SameRect(marks[0], RECT{259, lTop, 500, 344})) << Text(marks[0]);
  }

  const int nExpected = 30 + (c.dwAxes >= 3) + (c.dwAxes >= 4) * 2 + (c.dwAxes < 4) + 2 * (c.dwButtons < 12) +
                        3 * int(dwRows);
  EXPECT_EQ(BuiltCount(), nExpected);
}

INSTANTIATE_TEST_SUITE_P(Counts, PageBuilderCounts,
                         ::testing::Values(CountCase{4, 12}, CountCase{3, 12}, CountCase{2, 12}, CountCase{4, 8},
                                           CountCase{4, 6}, CountCase{4, 11}, CountCase{0, 0}, CountCase{4, 20}));

// The fixed rectangles of the pages' controls as the controls report them.
TEST_F(PageBuilderTest, PlacesEveryControlAtItsFixedRectangle) {
  Build(4, 12);
  struct Place {
    Member member;
    RECT rc;
  };
  const Place places[] = {
      {&PageEngine::m_pTestBack, {0, 0, 500, 400}},           {&PageEngine::m_pLogo, {204, 0, 292, 57}},
      {&PageEngine::m_pTurboButton, {40, 25, 110, 45}},       {&PageEngine::m_pClearButton, {120, 25, 190, 45}},
      {&PageEngine::m_pTurboMark, {0, 0, 46, 46}},            {&PageEngine::m_pTestZSlider, {28, 146, 241, 229}},
      {&PageEngine::m_pTestRzSlider, {268, 146, 481, 229}},   {&PageEngine::m_pSensitivitySlider, {280, 250, 308, 283}},
      {&PageEngine::m_pKeyboardBack, {0, 0, 500, 400}},       {&PageEngine::m_pInitialButton, {114, 358, 198, 382}},
      {&PageEngine::m_pLoadButton, {211, 358, 295, 382}},     {&PageEngine::m_pSaveButton, {312, 358, 396, 382}},
      {&PageEngine::m_pPowerBack, {0, 0, 500, 400}},          {&PageEngine::m_pPowerInitialButton, {126, 177, 199, 198}},
      {&PageEngine::m_pAutoButton, {211, 177, 284, 198}},     {&PageEngine::m_pManualButton, {300, 177, 373, 198}},
      {&PageEngine::m_pLeftMotorButton, {42, 270, 122, 351}}, {&PageEngine::m_pRightMotorButton, {377, 270, 457, 351}},
      {&PageEngine::m_pPowerSlider, {79, 220, 423, 242}},     {&PageEngine::m_pPowerArrow, {79, 239, 88, 248}},
      {&PageEngine::m_pTimeBall, {75, 71, 96, 92}},           {&PageEngine::m_pKeyMapBack, {0, 0, 500, 400}},
      {&PageEngine::m_pCheckBack, {0, 0, 500, 400}},          {&PageEngine::m_pCheckZSlider, {27, 200, 242, 284}},
      {&PageEngine::m_pCheckRzSlider, {27, 294, 242, 374}},   {&PageEngine::m_pCheckButton, {223, 142, 307, 166}},
      {&PageEngine::m_pNextButton, {223, 142, 307, 166}},     {&PageEngine::m_pCheckSaveButton, {223, 142, 307, 166}},
      {&PageEngine::m_pAboutBack, {0, 0, 500, 400}},
  };
  for (const Place& place : places) {
    SkinControl* pControl = m_pEngine.get()->*place.member;
    ASSERT_NE(pControl, nullptr) << Text(place.rc);
    RECT rc;
    pControl->GetRect(&rc);
    EXPECT_TRUE(SameRect(rc, place.rc)) << Text(rc) << " expected " << Text(place.rc);
  }

  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    RECT rc;
    const LONG x = 60 + 63 * (i % 6), y = i < 6 ? 58 : 115;
    m_pEngine->m_pButtonLamp[i]->GetRect(&rc);
    EXPECT_TRUE(SameRect(rc, RECT{x, y, x + 42, y + 42})) << Text(rc);
    const LONG xRow = i < 6 ? 36 : 259, yRow = 62 + 47 * (i % 6);
    m_pEngine->m_pSetButton[i]->GetRect(&rc);
    EXPECT_TRUE(SameRect(rc, RECT{xRow, yRow, xRow + 70, yRow + 46})) << Text(rc);
    m_pEngine->m_pButtonImage[i]->GetRect(&rc);
    EXPECT_TRUE(SameRect(rc, RECT{0, 0, 42, 42})) << Text(rc);
  }

  // The cursors sit at the centre of their ranges (position 0, 0), one
  // pixel round their 30-pixel image.
  RECT rc;
  m_pEngine->m_pTestCursor->GetRect(&rc);
  EXPECT_TRUE(SameRect(rc, RECT{361, 286, 393, 318})) << Text(rc);
  m_pEngine->m_pCheckCursor->GetRect(&rc);
  EXPECT_TRUE(SameRect(rc, RECT{117, 104, 149, 136})) << Text(rc);
  m_pEngine->m_pPowerCursor->GetRect(&rc);
  EXPECT_TRUE(SameRect(rc, RECT{235, 311, 267, 343})) << Text(rc);
}

// Every invalidation of the build goes to the given window, and the
// captions read from Setup.ini are among them.
TEST_F(PageBuilderTest, InvalidatesTheBuildWindowIncludingTheCaptions) {
  Build(4, 12);
  const std::vector<sim::Invalidation> invalidations = sim::GetInvalidations();
  ASSERT_FALSE(invalidations.empty());
  auto marked = [&](const RECT& rc, BOOL bErase) {
    for (const sim::Invalidation& inv : invalidations)
      if (SameRect(inv.rc, rc) && (inv.bErase != FALSE) == (bErase != FALSE)) return true;
    return false;
  };
  for (const sim::Invalidation& inv : invalidations) EXPECT_EQ(inv.hWnd, m_hWnd);

  RECT rcCaption;
  char szText[kPageTextSize] = "";
  ASSERT_TRUE(m_pEngine->ReadLayoutEntry("TestPage", "X_Y_0", &rcCaption, szText));
  EXPECT_TRUE(marked(rcCaption, TRUE)) << "cursor caption " << Text(rcCaption);
  ASSERT_TRUE(m_pEngine->ReadLayoutEntry("CheckPage", "Axies3_0", &rcCaption, szText));
  EXPECT_TRUE(marked(rcCaption, FALSE)) << "slider caption " << Text(rcCaption);
  EXPECT_TRUE(marked(RECT{42, 270, 122, 351}, TRUE)) << "left motor button";
  EXPECT_TRUE(marked(RECT{259, 297, 329, 343}, TRUE)) << "row button 11";
}

// Without a layout file every control is still built; the captions then have
// all-zero rectangles.
TEST_F(PageBuilderTest, BuildsEveryControlWithoutSetupIni) {
  ASSERT_TRUE(pagetest::DeletePageFile("Setup.ini"));
  Build(4, 12);
  EXPECT_EQ(BuiltCount(), kPageControlCount - 3);
  bool bZeroCaption = false;
  for (const sim::Invalidation& inv : sim::GetInvalidations())
    bZeroCaption = bZeroCaption || SameRect(inv.rc, RECT{0, 0, 0, 0});
  EXPECT_TRUE(bZeroCaption);
}

// Captions far longer than a control keeps are cut, never written past it
// (the sanitizer build sees any overrun).
TEST_F(PageBuilderTest, BuildsWithOverlongCaptions) {
  const std::string longText(240, 'M');
  std::string ini = "[TestPage]\r\n";
  for (const char* k : {"X_Y_0", "Axies2_0", "Axies3_0", "Sensitivity_0"}) ini += std::string(k) + "=1,2,3,4," + longText + "\r\n";
  ini += "[PowerPage]\r\n";
  for (const char* k : {"LeftMotor", "RightMotor", "MotorPower"}) ini += std::string(k) + "=1,2,300,40," + longText + "\r\n";
  ASSERT_TRUE(pagetest::WriteSetupIni(ini));
  Build(4, 12);
  ASSERT_NE(m_pEngine->m_pLeftMotorButton, nullptr);
  PaintAlone(m_pEngine->m_pLeftMotorButton);
  EXPECT_EQ(BuiltCount(), kPageControlCount - 3);
}

// Bitmaps come from the skin folder; a missing file leaves just that image
// undrawn.
TEST_F(PageBuilderTest, MissingBitmapGivesAnUndrawnImageOnly) {
  ASSERT_TRUE(pagetest::DeletePageFile("Image\\BKJoystick.bmp"));
  Build(4, 12);
  ASSERT_NE(m_pEngine->m_pTestBack, nullptr);
  PaintAlone(m_pEngine->m_pTestBack);
  for (POINT pt : {POINT{5, 5}, POINT{250, 200}, POINT{495, 395}})
    EXPECT_EQ(sim::GetWindowPixel(m_hWnd, pt.x, pt.y), kPaper) << pt.x << ", " << pt.y;

  PaintAlone(m_pEngine->m_pCheckBack);
  for (POINT pt : {POINT{5, 5}, POINT{250, 200}, POINT{495, 395}})
    EXPECT_NE(sim::GetWindowPixel(m_hWnd, pt.x, pt.y), kPaper) << pt.x << ", " << pt.y;
  PaintAlone(m_pEngine->m_pSetButton[0]);
  EXPECT_NE(sim::GetWindowPixel(m_hWnd, 71, 85), kPaper);
}

// Every bitmap the builder names is a generated skin file: a full build
// loads 115 bitmaps (60 of them for the 12 rows), one with 2 axes and 6
// buttons 82 (three covers, no Z or Rz sliders, 6 rows). Destroying deletes
// every control and its bitmaps; building again first destroys the old
// controls.
TEST_F(PageBuilderTest, LoadsEveryBitmapAndDestroyAndRebuildLeakNothing) {
  const size_t cBefore = sim::GdiObjectCount();
  Build(4, 12);
  const size_t cBuilt = sim::GdiObjectCount();
  EXPECT_EQ(cBuilt, cBefore + 115);
  Build(4, 12);
  EXPECT_EQ(sim::GdiObjectCount(), cBuilt);
  Build(2, 6);
  EXPECT_EQ(sim::GdiObjectCount(), cBefore + 82);

  m_pEngine->DestroyControls();
  EXPECT_EQ(BuiltCount(), 0);
  EXPECT_EQ(sim::GdiObjectCount(), cBefore);
  m_pEngine->DestroyControls();
  EXPECT_EQ(BuiltCount(), 0);
}

// The module engine's unload hook destroys what the pages built and may
// run again (DllMain may call it before the module's static teardown does).
TEST_F(PageBuilderTest, ModuleUnloadDestroysTheGlobalEnginesControls) {
  EXPECT_EQ(g_PageEngine.m_pfnKeyCapture, &KeyCaptureProc);
  const size_t cBefore = sim::GdiObjectCount();
  g_PageEngine.m_dwAxisCount = 4;
  g_PageEngine.m_dwButtonCount = 12;
  g_PageEngine.BuildPages(m_hWnd);
  ASSERT_NE(g_PageEngine.m_pSetButton[11], nullptr);
  PageEngineModuleUnload();
  SkinControl* const* apControl = &g_PageEngine.m_pTestBack;
  for (int i = 0; i < kPageControlCount; ++i) EXPECT_EQ(apControl[i], nullptr) << i;
  EXPECT_EQ(sim::GdiObjectCount(), cBefore);
  PageEngineModuleUnload();
}

}  // namespace

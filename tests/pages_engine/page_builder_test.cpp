// PageEngine::BuildPages and PageEngine::DestroyControls over the generated
// skin and the shipped Setup.ini.
#include "pageengine.h"

#include "../support/page_fixture.h"
#include "../support/skin_bitmap.h"

#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using Member = SkinControl* PageEngine::*;

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT RectOf(SkinControl* pControl) {
  RECT rc{0, 0, 0, 0};
  pControl->GetRect(&rc);
  return rc;
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

using pagetest::Inside;
using pagetest::KeyedAt;
using pagetest::OpaquePart;
using pagetest::SkinBitmap;
using pagetest::Stamp;

// The caption rectangles of the layout file, where text may show.
std::vector<RECT> CaptionRects() {
  const struct {
    const char* pszSection;
    const char* pszKey;
  } kKeys[] = {{"TestPage", "X_Y_0"},   {"TestPage", "Axies2_0"},  {"TestPage", "Axies3_0"},
               {"TestPage", "Sensitivity_0"}, {"CheckPage", "X_Y_0"}, {"CheckPage", "Axies2_0"},
               {"CheckPage", "Axies3_0"}, {"PowerPage", "LeftMotor"}, {"PowerPage", "RightMotor"},
               {"PowerPage", "MotorPower"}};
  std::vector<RECT> rcs;
  for (const auto& k : kKeys) {
    char szValue[260] = "";
    GetPrivateProfileStringA(k.pszSection, k.pszKey, "", szValue, sizeof szValue,
                             pagetest::PageFile("Setup.ini").c_str());
    RECT rc{0, 0, 0, 0};
    int l = 0, t = 0, r = 0, b = 0;
    if (std::sscanf(szValue, "%d,%d,%d,%d,", &l, &t, &r, &b) == 4) rc = RECT{l, t, r, b};
    rcs.push_back(rc);
  }
  return rcs;
}

// One skin bitmap stamped as a control draws it: keyed at rc's top-left
// corner, or (not keyed) an opaque copy of its part rc.
struct Layer {
  const char* pszName;
  RECT rc;
  bool bKeyed = true;
  COLORREF crKey = pagetest::kSkinWhite;
};

class BuiltControls : public PageBuilderTest {
 protected:
  // Paints the control alone over paper and counts the pixels, outside every
  // caption rectangle, that do not show what the layers show; looked at are
  // the control's rectangle and the layers' places, and a margin round them.
  int WrongPixels(SkinControl* pControl, const std::vector<Layer>& layers) {
    PaintAlone(pControl);
    std::vector<std::unique_ptr<SkinBitmap>> images;
    std::vector<Stamp> stamps;
    RECT rcLook{0, 0, 0, 0};
    pControl->GetRect(&rcLook);
    for (const Layer& layer : layers) {
      images.push_back(std::make_unique<SkinBitmap>(layer.pszName));
      EXPECT_TRUE(images.back()->Loaded()) << layer.pszName;
      stamps.push_back(layer.bKeyed ? KeyedAt(*images.back(), layer.rc, layer.crKey)
                                    : OpaquePart(*images.back(), layer.rc));
      UnionRect(&rcLook, &rcLook, &layer.rc);
    }
    rcLook = RECT{rcLook.left - kMargin, rcLook.top - kMargin, rcLook.right + kMargin, rcLook.bottom + kMargin};
    const RECT rcPage{0, 0, pagetest::kPageWidth, pagetest::kPageHeight};
    IntersectRect(&rcLook, &rcLook, &rcPage);
    const std::vector<RECT> captions = CaptionRects();
    const sim::Pixels page = sim::GetWindowPixels(m_hWnd);
    int nWrong = 0;
    for (int y = rcLook.top; y < rcLook.bottom; ++y)
      for (int x = rcLook.left; x < rcLook.right; ++x) {
        bool bText = false;
        for (const RECT& rc : captions) bText = bText || Inside(rc, x, y);
        if (!bText && page.At(x, y) != pagetest::Shown(x, y, kPaper, stamps)) ++nWrong;
      }
    return nWrong;
  }

  static constexpr int kMargin = 12;
};

// Each control shows the bitmaps the builder gave it: buttons their normal
// image released and their pressed image pressed, sliders their track at
// state 0 and their fill over it when full, the cursors their image keyed
// on white (black for the vibration page's), the hat one image per
// direction, images and backgrounds their own picture.
TEST_F(BuiltControls, PaintTheSkinBitmapsTheyWereBuiltWith) {
  Build(4, 12);
  PageEngine& e = *m_pEngine;
  struct Button {
    Member member;
    const char* pszNormal;
    const char* pszPressed;
    RECT rc;
  };
  const Button buttons[] = {
      {&PageEngine::m_pTurboButton, "BtnTurbo", "BtnTurbo_1", {40, 25, 110, 45}},
      {&PageEngine::m_pClearButton, nullptr, "BtnClear", {120, 25, 190, 45}},
      {&PageEngine::m_pTurboMark, "BtnWhiteBall", nullptr, {0, 0, 46, 46}},
      {&PageEngine::m_pInitialButton, "BtnInitial", "BtnInitial_1", {114, 358, 198, 382}},
      {&PageEngine::m_pLoadButton, "BtnLoad", "BtnLoad_1", {211, 358, 295, 382}},
      {&PageEngine::m_pSaveButton, "BtnSave", "BtnSave_1", {312, 358, 396, 382}},
      {&PageEngine::m_pPowerInitialButton, "BtnInitial_v", "BtnInitial_v1", {126, 177, 199, 198}},
      {&PageEngine::m_pAutoButton, "BtnAuto_v", "BtnAuto_v1", {211, 177, 284, 198}},
      {&PageEngine::m_pManualButton, "BtnManual_v", "BtnManual_v1", {300, 177, 373, 198}},
      {&PageEngine::m_pLeftMotorButton, "BtnVLeft", "BtnVLeft_1", {42, 270, 122, 351}},
      {&PageEngine::m_pRightMotorButton, "BtnVRight", "BtnVRight_1", {377, 270, 457, 351}},
      {&PageEngine::m_pCheckButton, "BtnCheck", "BtnCheck_1", {223, 142, 307, 166}},
      {&PageEngine::m_pNextButton, "BtnNext", nullptr, {223, 142, 307, 166}},
      {&PageEngine::m_pCheckSaveButton, "BtnSave", nullptr, {223, 142, 307, 166}},
  };
  std::vector<Button> rows(std::begin(buttons), std::end(buttons));
  std::vector<std::string> numbers;
  for (int i = 0; i < 12; ++i) numbers.push_back("BtnButton_" + std::to_string(i + 1));
  for (int i = 0; i < 12; ++i) {
    const LONG x = 60 + 63 * (i % 6), y = i < 6 ? 58 : 115;
    rows.push_back({nullptr, "BtnButton", numbers[i].c_str(), {x, y, x + 42, y + 42}});
    const LONG xRow = i < 6 ? 36 : 259, yRow = 62 + 47 * (i % 6);
    rows.push_back({nullptr, "BtnSet", "BtnSet_1", {xRow, yRow, xRow + 70, yRow + 46}});
  }
  for (size_t n = 0; n < rows.size(); ++n) {
    const Button& b = rows[n];
    const size_t nRow = n - std::size(buttons);
    SkinControl* pButton = b.member ? e.*b.member
                                    : (nRow % 2 == 0 ? e.m_pButtonLamp[nRow / 2] : e.m_pSetButton[nRow / 2]);
    SCOPED_TRACE(b.pszNormal ? b.pszNormal : b.pszPressed);
    ASSERT_NE(pButton, nullptr);
    EXPECT_EQ(pButton->GetState(), 0u);
    std::vector<Layer> released, pressed;
    if (b.pszNormal) released.push_back({b.pszNormal, b.rc});
    if (b.pszPressed) pressed.push_back({b.pszPressed, b.rc});
    EXPECT_EQ(WrongPixels(pButton, released), 0) << "released";
    pButton->SetState(m_hWnd, 1);
    EXPECT_EQ(WrongPixels(pButton, pressed), 0) << "pressed";
  }
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(numbers[i]);
    EXPECT_EQ(WrongPixels(e.m_pButtonImage[i], {{numbers[i].c_str(), RECT{0, 0, 42, 42}}}), 0);
  }

  const struct {
    Member member;
    const char* pszName;
    RECT rc;
    bool bKeyed;
  } pictures[] = {
      {&PageEngine::m_pTestBack, "BKJoystick", {0, 0, 500, 400}, false},
      {&PageEngine::m_pKeyboardBack, "BKKeyboardMap", {0, 0, 500, 400}, false},
      {&PageEngine::m_pPowerBack, "BKV", {0, 0, 500, 400}, false},
      {&PageEngine::m_pKeyMapBack, "BKKeyMap", {0, 0, 500, 400}, false},
      {&PageEngine::m_pCheckBack, "BKJoyCheck", {0, 0, 500, 400}, false},
      {&PageEngine::m_pAboutBack, "BKAbout", {0, 0, 500, 400}, false},
      {&PageEngine::m_pLogo, "LogoJoy", {204, 0, 292, 57}, true},
      {&PageEngine::m_pPowerArrow, "BKArrow", {79, 239, 88, 248}, true},
      {&PageEngine::m_pTimeBall, "BKTimeBall", {75, 71, 96, 92}, true},
  };
  for (const auto& p : pictures) {
    SCOPED_TRACE(p.pszName);
    EXPECT_EQ(WrongPixels(e.*p.member, {{p.pszName, p.rc, p.bKeyed}}), 0);
  }

  const struct {
    Member member;
    const char* pszTrack;
    const char* pszFill;
    RECT rc;
  } sliders[] = {
      {&PageEngine::m_pTestZSlider, "AxesSlider", "AxesSlider_1", {28, 146, 241, 229}},
      {&PageEngine::m_pTestRzSlider, "AxesSlider", "AxesSlider_1", {268, 146, 481, 229}},
      {&PageEngine::m_pSensitivitySlider, "AxesSensitive", "AxesSensitive_1", {280, 250, 308, 283}},
      {&PageEngine::m_pCheckZSlider, "AxesSlider", "AxesSlider_1", {27, 200, 242, 284}},
      {&PageEngine::m_pCheckRzSlider, "AxesSlider", "AxesSlider_1", {27, 294, 242, 374}},
      {&PageEngine::m_pPowerSlider, nullptr, "BKPowerLine", {79, 220, 423, 242}},
  };
  for (const auto& sl : sliders) {
    SCOPED_TRACE(sl.pszFill);
    SkinControl* pSlider = e.*sl.member;
    std::vector<Layer> track;
    if (sl.pszTrack) track.push_back({sl.pszTrack, sl.rc});
    EXPECT_EQ(WrongPixels(pSlider, track), 0) << "state 0";
    // A full vertical value fills the whole rectangle.
    pSlider->SetState(m_hWnd, 255);
    track.push_back({sl.pszFill, sl.rc});
    EXPECT_EQ(WrongPixels(pSlider, track), 0) << "full";
  }

  const struct {
    Member member;
    const char* pszName;
    RECT rcBox;  // 30 x 30 around the centre
    COLORREF crKey;
  } cursors[] = {
      {&PageEngine::m_pTestCursor, "BKCursor", {362, 287, 392, 317}, 0xFFFFFF},
      {&PageEngine::m_pCheckCursor, "BKCursor", {118, 105, 148, 135}, 0xFFFFFF},
      {&PageEngine::m_pPowerCursor, "BKCursor_1", {236, 312, 266, 342}, 0x000000},
  };
  for (const auto& c : cursors) {
    SCOPED_TRACE(c.pszName);
    EXPECT_EQ((e.*c.member)->GetState(), (127u << 16) + 127u);
    EXPECT_EQ(WrongPixels(e.*c.member, {{c.pszName, c.rcBox, true, c.crKey}}), 0);
  }

  const RECT kHatRects[8] = {{105, 203, 173, 271}, {151, 223, 219, 291}, {174, 271, 242, 339},
                             {153, 320, 221, 388}, {103, 341, 171, 409}, {55, 321, 123, 389},
                             {34, 272, 102, 340},  {56, 222, 124, 290}};
  EXPECT_EQ(e.m_pHat->GetState(), 0u);
  for (int k = 0; k < 8; ++k) {
    const std::string name = "BmpCoolHat_" + std::to_string(k + 1);
    SCOPED_TRACE(name);
    e.m_pHat->SetState(m_hWnd, DWORD(4500 * k));
    EXPECT_EQ(WrongPixels(e.m_pHat, {{name.c_str(), kHatRects[k]}}), 0);
  }

  // The covers, built with fewer axes and buttons, copy their part of the
  // plain background.
  Build(3, 8);
  for (Member cover : {&PageEngine::m_pCheckCover, &PageEngine::m_pKeyMapCover, &PageEngine::m_pKeyboardCover}) {
    SkinControl* pCover = e.*cover;
    ASSERT_NE(pCover, nullptr);
    const RECT rcPart = cover == &PageEngine::m_pCheckCover ? RECT{27, 294, 242, 374} : RECT{259, 156, 500, 344};
    EXPECT_EQ(WrongPixels(pCover, {{"Background", rcPart, false}}), 0) << Text(rcPart);
  }
}

// The builder's arguments beyond the rectangles, as the controls show them
// in their repaints: each slider's fill start and end margin and narrow
// repaint (a change from 0 to full h repaints from left + start to the end
// of the scale, one pixel on), no slider or cursor repaints its caption, the
// cursors' ranges, centres and size, and which buttons repaint their
// captions (the lamps below them, the motor buttons their layout entries).
TEST_F(PageBuilderTest, ControlsRepaintAsTheirBuildArgumentsSay) {
  Build(4, 12);
  PageEngine& e = *m_pEngine;
  auto Calls = [&](auto action) {
    sim::ClearInvalidations();
    action();
    std::vector<std::string> v;
    for (const sim::Invalidation& inv : sim::GetInvalidations())
      v.push_back(Text(inv.rc) + (inv.bErase ? " erase" : ""));
    return v;
  };
  using Strings = std::vector<std::string>;

  const struct {
    Member member;
    RECT rcStrip;
  } sliders[] = {
      {&PageEngine::m_pTestZSlider, {28 + 40, 146 + 26, 28 + 40 + 130 + 1, 229 - 20}},
      {&PageEngine::m_pTestRzSlider, {268 + 40, 146 + 26, 268 + 40 + 130 + 1, 229 - 20}},
      {&PageEngine::m_pSensitivitySlider, {280, 250, 308 + 1, 283}},
      {&PageEngine::m_pCheckZSlider, {27 + 40, 200 + 26, 27 + 40 + 132 + 1, 284 - 20}},
      {&PageEngine::m_pCheckRzSlider, {27 + 40, 294 + 26, 27 + 40 + 132 + 1, 374 - 20}},
      {&PageEngine::m_pPowerSlider, {79, 220, 423 + 1, 242}},
  };
  for (const auto& sl : sliders) {
    SCOPED_TRACE(Text(sl.rcStrip));
    EXPECT_EQ(Calls([&] { (e.*sl.member)->SetState(m_hWnd, 255u << 16); }), Strings{Text(sl.rcStrip)});
  }

  const struct {
    Member member;
    RECT rcCentre, rcLow, rcHigh;  // repainted at position (0, 0), state 0 and state (255, 255)
  } cursors[] = {
      {&PageEngine::m_pTestCursor, {361, 286, 393, 318}, {326, 250, 342, 266}, {412, 338, 429, 355}},
      {&PageEngine::m_pCheckCursor, {117, 104, 149, 136}, {79, 66, 95, 82}, {171, 158, 188, 175}},
      {&PageEngine::m_pPowerCursor, {235, 311, 267, 343}, {194, 270, 210, 286}, {292, 368, 309, 385}},
  };
  for (const auto& c : cursors) {
    SCOPED_TRACE(Text(c.rcCentre));
    SkinControl* pCursor = e.*c.member;
    EXPECT_EQ(Calls([&] { pCursor->SetState(m_hWnd, 0); }),
              (Strings{Text(c.rcCentre) + " erase", Text(c.rcLow) + " erase"}));
    EXPECT_EQ(Calls([&] { pCursor->SetState(m_hWnd, (255u << 16) + 255u); }),
              (Strings{Text(c.rcLow) + " erase", Text(c.rcHigh) + " erase"}));
  }

  // A 3-character caption is repainted 30 pixels wide where the flag is set.
  std::vector<std::pair<SkinControl*, RECT>> flagged;
  for (int i = 0; i < 12; ++i) {
    const LONG x = 60 + 63 * (i % 6), y = i < 6 ? 58 : 115;
    flagged.push_back({e.m_pButtonLamp[i], RECT{x, y + 43, x + 30, y + 57}});
  }
  const std::vector<RECT> captions = CaptionRects();  // LeftMotor and RightMotor are 80 wide
  flagged.push_back({e.m_pLeftMotorButton, RECT{captions[7].left, captions[7].top, captions[7].left + 30,
                                                captions[7].bottom}});
  flagged.push_back({e.m_pRightMotorButton, RECT{captions[8].left, captions[8].top, captions[8].left + 30,
                                                 captions[8].bottom}});
  for (const auto& f : flagged) {
    SCOPED_TRACE(Text(f.second));
    ASSERT_GE(captions[7].right - captions[7].left, 30);
    f.first->SetText("abc");
    EXPECT_EQ(Calls([&] { f.first->SetState(m_hWnd, 1); }),
              (Strings{Text(RectOf(f.first)), Text(f.second) + " erase"}));
  }
  std::vector<SkinControl*> plain = {e.m_pTurboButton, e.m_pClearButton,        e.m_pTurboMark,   e.m_pInitialButton,
                                     e.m_pLoadButton,  e.m_pSaveButton,         e.m_pAutoButton,  e.m_pManualButton,
                                     e.m_pCheckButton, e.m_pPowerInitialButton, e.m_pNextButton,  e.m_pCheckSaveButton};
  for (SkinControl* pRow : e.m_pSetButton) plain.push_back(pRow);
  for (SkinControl* pButton : plain) {
    SCOPED_TRACE(Text(RectOf(pButton)));
    pButton->SetText("abc");
    EXPECT_EQ(Calls([&] { pButton->SetState(m_hWnd, 1); }), Strings{Text(RectOf(pButton))});
  }
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

// Sliders: fill edges, the repainted strips and the caption.
#include "skin_fixture.h"

#include <memory>

namespace {

using namespace skintest;

constexpr COLORREF kTrack = 0x808080, kFill = 0xC08000;
// An axis bar: 213 wide, fill start 40, end margin 83, narrow repaint.
constexpr RECT kAxis{20, 100, 233, 183};
// A vertical bar 33 pixels high.
constexpr RECT kBar{280, 250, 308, 283};
constexpr RECT kCaption{20, 300, 200, 320};

class SkinSliderTest : public SkinTest {
 protected:
  std::unique_ptr<SkinSlider> Make(const RECT& rc, int nFillStart, int nFillEndMargin, BYTE bNarrow,
                                   const char* pszCaption = "", BYTE bRepaintText = 0, bool bTrack = true) {
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    const std::string track = Solid("track.bmp", cx, cy, kTrack), fill = Solid("fill.bmp", cx, cy, kFill);
    auto p = std::make_unique<SkinSlider>(m_hWnd, bTrack ? track.c_str() : nullptr, fill.c_str(), rc.left, rc.top,
                                          rc.right, rc.bottom, kCaption.left, kCaption.top, kCaption.right,
                                          kCaption.bottom, pszCaption, nFillStart, nFillEndMargin, bNarrow,
                                          bRepaintText);
    TakeCalls();
    return p;
  }
};

TEST_F(SkinSliderTest, ConstructionInvalidatesBoundsAndCaptionWithoutErasing) {
  SkinSlider slider(m_hWnd, nullptr, nullptr, kAxis.left, kAxis.top, kAxis.right, kAxis.bottom, kCaption.left,
                    kCaption.top, kCaption.right, kCaption.bottom, nullptr, 40, 83, 1, 0);
  EXPECT_EQ(TakeCalls(), (Calls{{kAxis, FALSE}, {kCaption, FALSE}}));
  EXPECT_EQ(slider.GetState(), 0u);
}

TEST_F(SkinSliderTest, StateZeroShowsTheTrackAndCaptionWithoutFill) {
  auto slider = Make(kAxis, 40, 83, 1, "Axis");
  Paint(*slider);
  EXPECT_EQ(Count(kAxis, kTrack), 213 * 83);
  EXPECT_EQ(Count(RECT{0, 0, kPageWidth, kPageHeight}, kFill), 0);
  EXPECT_TRUE(HasInk(kCaption));
}

TEST_F(SkinSliderTest, FullHorizontalValueFillsToLeftPlus170) {
  auto slider = Make(kAxis, 40, 83, 1);
  slider->SetState(m_hWnd, 255u << 16);
  Paint(*slider);
  for (int y : {int(kAxis.top), 140, int(kAxis.bottom) - 1}) {
    EXPECT_EQ(Pixel(kAxis.left, y), kFill) << y;
    EXPECT_EQ(Pixel(kAxis.left + 169, y), kFill) << y;
    EXPECT_EQ(Pixel(kAxis.left + 170, y), kTrack) << y;
  }
  EXPECT_EQ(Count(kAxis, kFill), 170 * 83);
}

TEST_F(SkinSliderTest, VerticalValuesFillFromTheBottom) {
  auto slider = Make(kBar, 0, 0, 0);
  for (const auto& c : {std::make_pair(85u, 11), std::make_pair(170u, 22), std::make_pair(255u, 33)}) {
    SCOPED_TRACE(c.first);
    slider->SetState(m_hWnd, c.first);
    ResetPage();
    Paint(*slider);
    EXPECT_EQ(Count(kBar, kFill), 28 * c.second);  // the whole width: h is 0
    EXPECT_EQ(Pixel(kBar.left, kBar.bottom - c.second), kFill);
    if (c.second < 33) {
      EXPECT_EQ(Pixel(kBar.left, kBar.bottom - c.second - 1), kTrack);
    }
  }
}

TEST_F(SkinSliderTest, NullTrackStillDrawsFillAndCaption) {
  auto slider = Make(kBar, 0, 0, 0, "Bar", 0, false);
  slider->SetState(m_hWnd, 85);
  Paint(*slider);
  EXPECT_EQ(Count(kBar, kFill), 28 * 11);
  EXPECT_EQ(Count(kBar, kPaper), 28 * 22);
  EXPECT_TRUE(HasInk(kCaption));
}

struct StripCase {
  const char* pszName;
  bool bAxis;  // the axis bar, else the vertical bar
  DWORD dwFrom, dwTo;
  BYTE bRepaintText;
  Calls expected;
};

std::ostream& operator<<(std::ostream& os, const StripCase& c) { return os << c.pszName; }

class SkinSliderStrip : public SkinSliderTest, public ::testing::WithParamInterface<StripCase> {};

TEST_P(SkinSliderStrip, InvalidatesOnlyTheStripBetweenOldAndNewEdge) {
  const StripCase& c = GetParam();
  auto slider = c.bAxis ? Make(kAxis, 40, 83, 1, "Cap", c.bRepaintText) : Make(kBar, 0, 0, 0, "Cap", c.bRepaintText);
  slider->SetState(m_hWnd, c.dwFrom);
  TakeCalls();
  slider->SetState(m_hWnd, c.dwTo);
  EXPECT_EQ(TakeCalls(), c.expected);
  EXPECT_EQ(slider->GetState(), c.dwTo);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SkinSliderStrip,
    ::testing::Values(
        StripCase{"AxisDown", true, 100u << 16, 50u << 16, 0, {{{20 + 64, 100 + 26, 20 + 91, 183 - 20}, FALSE}}},
        StripCase{"AxisUpFromZero", true, 0, 255u << 16, 0, {{{20 + 40, 126, 20 + 171, 163}, FALSE}}},
        StripCase{"AxisSame", true, 100u << 16, 100u << 16, 0, {}},
        StripCase{"VerticalUp", false, 0, 85, 0, {{{280, 283 - 11, 308, 284}, FALSE}}},
        StripCase{"VerticalDown", false, 255, 170, 0, {{{280, 250, 308, 283 - 22 + 1}, FALSE}}},
        StripCase{"BothHalves", false, 0, (255u << 16) | 85, 0, {{{280, 283 - 11, 280 + 28 + 1, 284}, FALSE}}},
        StripCase{"WithCaption", false, 0, 85, 1, {{{280, 272, 308, 284}, FALSE}, {kCaption, FALSE}}},
        StripCase{"SameWithCaption", false, 85, 85, 1, {}}),
    [](const ::testing::TestParamInfo<StripCase>& param) { return std::string(param.param.pszName); });

TEST_F(SkinSliderTest, HasNoOffsetTagOrMove) {
  auto slider = Make(kBar, 0, 0, 0, "Cap");
  slider->MoveTo(m_hWnd, 50, 50, true);
  slider->SetTag(m_hWnd, 9);
  slider->SetText("Other");
  EXPECT_TRUE(TakeCalls().empty());
  EXPECT_EQ(slider->GetTag(), 0u);
  EXPECT_TRUE(slider->HitTest(280, 250));
  EXPECT_TRUE(slider->HitTest(307, 282));
  EXPECT_FALSE(slider->HitTest(308, 260));
  EXPECT_FALSE(slider->HitTest(290, 283));
  RECT rc;
  slider->GetRect(&rc);
  EXPECT_EQ((Call{rc, FALSE}), (Call{kBar, FALSE}));
  slider->Invalidate(m_hWnd, false);
  EXPECT_EQ(TakeCalls(), (Calls{{kBar, FALSE}, {kCaption, FALSE}}));
}

}  // namespace

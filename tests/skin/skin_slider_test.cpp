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

// A fill image whose every pixel tells where in the image it lies (never
// the white key).
COLORREF FillAt(int x, int y) { return RGB(10 + x, 20 + y, 150); }

class SkinSliderTest : public SkinTest {
 protected:
  std::unique_ptr<SkinSlider> Make(const RECT& rc, int nFillStart, int nFillEndMargin, BYTE bNarrow,
                                   const char* pszCaption = "", BYTE bRepaintText = 0, bool bTrack = true,
                                   bool bPatternFill = false) {
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    std::vector<uint32_t> pattern(size_t(cx) * cy);
    for (int y = 0; y < cy; ++y)
      for (int x = 0; x < cx; ++x) pattern[size_t(y) * cx + x] = FillAt(x, y);
    const std::string track = Solid("track.bmp", cx, cy, kTrack);
    const std::string fill = bPatternFill ? File("pattern.bmp", bmptest::MakeBmp(cx, cy, 24, pattern))
                                          : Solid("fill.bmp", cx, cy, kFill);
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

struct FillCase {
  bool bAxis;  // the axis bar, else the vertical bar
  DWORD dwState;
  RECT rcFill;  // the filled part: fill right by h, fill top by v
};

// The fill is its own image shown in place: each page pixel of the filled
// part shows the image pixel at the same place within the slider, cut at
// the fill's right edge and above its top edge; the track shows elsewhere.
TEST_F(SkinSliderTest, FillShowsItsImageInPlace) {
  const FillCase cases[] = {
      {false, 85, {280, 272, 308, 283}},                     // bottom 33 x 85 / 255 = 11 rows
      {true, 255u << 16, {20, 100, 20 + 170, 183}},          // to 40 + 130
      {true, (100u << 16) | 170, {20, 128, 20 + 90, 183}},   // 40 + 130 x 100 / 255; bottom 83 x 170 / 255
      {true, 4u, {20, 182, 233, 183}},                       // v alone fills the whole width: one row
  };
  for (const FillCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.dwState);
    const RECT rc = c.bAxis ? kAxis : kBar;
    auto slider = c.bAxis ? Make(kAxis, 40, 83, 1, "", 0, true, true) : Make(kBar, 0, 0, 0, "", 0, true, true);
    slider->SetState(m_hWnd, c.dwState);
    ResetPage();
    Paint(*slider);
    const sim::Pixels page = sim::GetWindowPixels(m_hWnd);
    int nWrong = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
      for (int x = rc.left; x < rc.right; ++x) {
        const bool bFilled = x >= c.rcFill.left && x < c.rcFill.right && y >= c.rcFill.top && y < c.rcFill.bottom;
        const COLORREF expected = bFilled ? FillAt(x - rc.left, y - rc.top) : kTrack;
        if (page.At(x, y) != expected) ++nWrong;
      }
    EXPECT_EQ(nWrong, 0);
    const RECT rcNear{rc.left - 10, rc.top - 10, rc.right + 10, rc.bottom + 10};
    EXPECT_EQ(Count(rcNear, kPaper), (rcNear.right - rcNear.left) * (rcNear.bottom - rcNear.top) -
                                         (rc.right - rc.left) * (rc.bottom - rc.top));
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

// The axis bar with and without the narrow repaint, and the vertical bar.
enum SliderKind { kAxisNarrow, kAxisWide, kVertical };

struct StripCase {
  const char* pszName;
  SliderKind kind;
  DWORD dwFrom, dwTo;
  const char* pszCaption;
  BYTE bRepaintText;
  Calls expected;
};

std::ostream& operator<<(std::ostream& os, const StripCase& c) { return os << c.pszName; }

class SkinSliderStrip : public SkinSliderTest, public ::testing::WithParamInterface<StripCase> {};

TEST_P(SkinSliderStrip, InvalidatesOnlyTheStripBetweenOldAndNewEdge) {
  const StripCase& c = GetParam();
  auto slider = c.kind == kVertical ? Make(kBar, 0, 0, 0, c.pszCaption, c.bRepaintText)
                                    : Make(kAxis, 40, 83, c.kind == kAxisNarrow ? 1 : 0, c.pszCaption,
                                           c.bRepaintText);
  slider->SetState(m_hWnd, c.dwFrom);
  TakeCalls();
  slider->SetState(m_hWnd, c.dwTo);
  EXPECT_EQ(TakeCalls(), c.expected);
  EXPECT_EQ(slider->GetState(), c.dwTo);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SkinSliderStrip,
    ::testing::Values(
        StripCase{"AxisDown", kAxisNarrow, 100u << 16, 50u << 16, "Cap", 0,
                  {{{20 + 64, 100 + 26, 20 + 91, 183 - 20}, FALSE}}},
        StripCase{"AxisDownFullHeight", kAxisWide, 100u << 16, 50u << 16, "Cap", 0,
                  {{{20 + 64, 100, 20 + 91, 183}, FALSE}}},
        StripCase{"AxisUpFromZero", kAxisNarrow, 0, 255u << 16, "Cap", 0, {{{20 + 40, 126, 20 + 171, 163}, FALSE}}},
        StripCase{"AxisSame", kAxisNarrow, 100u << 16, 100u << 16, "Cap", 0, {}},
        StripCase{"VerticalUp", kVertical, 0, 85, "Cap", 0, {{{280, 283 - 11, 308, 284}, FALSE}}},
        StripCase{"VerticalDown", kVertical, 255, 170, "Cap", 0, {{{280, 250, 308, 283 - 22 + 1}, FALSE}}},
        StripCase{"BothHalves", kVertical, 0, (255u << 16) | 85, "Cap", 0,
                  {{{280, 283 - 11, 280 + 28 + 1, 284}, FALSE}}},
        // The vertical strip takes its top and bottom over the narrow band.
        StripCase{"AxisBothHalves", kAxisNarrow, 0, (100u << 16) | 170, "Cap", 0,
                  {{{20 + 40, 183 - 55, 20 + 91, 184}, FALSE}}},
        StripCase{"WithCaption", kVertical, 0, 85, "Cap", 1, {{{280, 272, 308, 284}, FALSE}, {kCaption, FALSE}}},
        StripCase{"FlagWithoutCaption", kVertical, 0, 85, "", 1, {{{280, 272, 308, 284}, FALSE}}},
        StripCase{"SameWithCaption", kVertical, 85, 85, "Cap", 1, {}}),
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

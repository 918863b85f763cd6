// Cursors: placement from the state, clipping of the repaint to the range,
// keys, and the state word.
#include "skin_fixture.h"

#include <memory>

namespace {

using namespace skintest;

constexpr RECT kRange{326, 250, 429, 355};
constexpr RECT kCaption{10, 10, 100, 30};
constexpr COLORREF kRed = 0x0000FF;

DWORD State(int x, int y) { return (DWORD(x) << 16) + DWORD(y); }

class SkinCursorTest : public SkinTest {
 protected:
  std::unique_ptr<SkinCursor> Make(const std::string& image, const char* pszCaption = "X", BYTE bRepaintText = 0,
                                   BYTE bBlackKey = 0) {
    auto p = std::make_unique<SkinCursor>(m_hWnd, image.c_str(), kRange.left, kRange.top, kRange.right, kRange.bottom,
                                          377, 302, 30, kCaption.left, kCaption.top, kCaption.right, kCaption.bottom,
                                          pszCaption, bRepaintText, bBlackKey);
    return p;
  }
  std::unique_ptr<SkinCursor> MakeRed() { return Make(Solid("cursor.bmp", 30, 30, kRed)); }
};

TEST_F(SkinCursorTest, ConstructionInvalidatesTheCentredBoxAndTheCaption) {
  auto cursor = MakeRed();
  EXPECT_EQ(TakeCalls(), (Calls{{{361, 286, 393, 318}, TRUE}, {kCaption, TRUE}}));
  EXPECT_EQ(cursor->GetState(), State(127, 127));
}

struct PlaceCase {
  DWORD dwState;
  RECT rcBox;   // GetRect: the image box grown by one
  RECT rcClip;  // what Invalidate repaints
};

TEST_F(SkinCursorTest, StatePlacesTheBoxAroundTheScaledPosition) {
  auto cursor = MakeRed();
  for (const PlaceCase& c : {PlaceCase{State(127, 127), {361, 286, 393, 318}, {361, 286, 393, 318}},
                             PlaceCase{State(0, 0), {310, 234, 342, 266}, {326, 250, 342, 266}},
                             PlaceCase{State(255, 255), {412, 338, 444, 370}, {412, 338, 429, 355}},
                             PlaceCase{State(0, 255), {310, 338, 342, 370}, {326, 338, 342, 355}}}) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.dwState);
    cursor->SetState(m_hWnd, c.dwState);
    EXPECT_EQ(cursor->GetState(), c.dwState);
    RECT rc;
    cursor->GetRect(&rc);
    EXPECT_EQ((Call{rc, FALSE}), (Call{c.rcBox, FALSE}));
    TakeCalls();
    cursor->Invalidate(m_hWnd, false);
    EXPECT_EQ(TakeCalls(), (Calls{{c.rcClip, TRUE}}));
  }
}

TEST_F(SkinCursorTest, SetStateAndMoveToRepaintOldAndNewPlaceEvenWhenUnchanged) {
  auto cursor = MakeRed();
  TakeCalls();
  const Call centre{{361, 286, 393, 318}, TRUE}, corner{{326, 250, 342, 266}, TRUE};
  cursor->SetState(m_hWnd, 0);
  EXPECT_EQ(TakeCalls(), (Calls{centre, corner}));
  cursor->SetState(m_hWnd, 0);
  EXPECT_EQ(TakeCalls(), (Calls{corner, corner}));
  cursor->MoveTo(m_hWnd, 127, 127, false);
  EXPECT_EQ(TakeCalls(), (Calls{corner, centre}));
  EXPECT_EQ(cursor->GetState(), State(127, 127));
}

TEST_F(SkinCursorTest, CaptionRepaintsWithTheFlagOrWhenAskedFor) {
  auto flagged = Make(Solid("c1.bmp", 30, 30, kRed), "X", 1);
  TakeCalls();
  flagged->Invalidate(m_hWnd, false);
  EXPECT_EQ(TakeCalls().size(), 2u);
  auto empty = Make(Solid("c2.bmp", 30, 30, kRed), nullptr, 1);
  TakeCalls();
  empty->Invalidate(m_hWnd, false);
  EXPECT_EQ(TakeCalls().size(), 1u);
  empty->Invalidate(m_hWnd, true);
  EXPECT_EQ(TakeCalls(), (Calls{{{361, 286, 393, 318}, TRUE}, {kCaption, TRUE}}));
}

TEST_F(SkinCursorTest, AtTheRangeEdgeTheImageReachesFifteenPixelsBeyondIt) {
  auto cursor = MakeRed();
  cursor->SetState(m_hWnd, State(0, 127));
  Paint(*cursor);
  // Centred on x = 326: the box runs from 311 to 340.
  EXPECT_EQ(Pixel(310, 302), kPaper);
  EXPECT_EQ(Pixel(311, 302), kRed);
  EXPECT_EQ(Pixel(325, 302), kRed);
  EXPECT_EQ(Pixel(340, 302), kRed);
  EXPECT_EQ(Pixel(341, 302), kPaper);
  EXPECT_EQ(Count(RECT{0, 0, kPageWidth, kPageHeight}, kRed) - Count(kCaption, kRed), 30 * 30);
}

TEST_F(SkinCursorTest, KeyColourFollowsTheBlackKeyFlag) {
  // A white ring around a black core, 30 x 30.
  std::vector<uint32_t> pixels(30 * 30, 0xFFFFFF);
  for (int y = 10; y < 20; ++y)
    for (int x = 10; x < 20; ++x) pixels[size_t(y) * 30 + x] = 0x000000;
  const std::string image = File("ring.bmp", bmptest::MakeBmp(30, 30, 24, pixels));
  auto black = Make(image, "", 0, 1);
  Paint(*black);
  EXPECT_EQ(Pixel(377, 302), kPaper);        // core keyed out
  EXPECT_EQ(Pixel(363, 288), 0xFFFFFFu);     // ring drawn
  ResetPage();
  auto white = Make(image, "", 0, 0);
  Paint(*white);
  EXPECT_EQ(Pixel(377, 302), 0x000000u);
  EXPECT_EQ(Pixel(363, 288), kPaper);
}

TEST_F(SkinCursorTest, NeverHitAndHoldsNoTag) {
  auto cursor = Make(Missing());
  EXPECT_FALSE(cursor->HitTest(377, 302));
  cursor->SetTag(m_hWnd, 3);
  EXPECT_EQ(cursor->GetTag(), 0u);
  Paint(*cursor);
  // No image: only the caption shows.
  EXPECT_EQ(Changed() - (kCaption.right - kCaption.left) * (kCaption.bottom - kCaption.top) +
                Count(kCaption, kPaper),
            0);
}

}  // namespace

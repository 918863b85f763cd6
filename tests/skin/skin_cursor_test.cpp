// Cursors: placement from the state, clipping of the repaint to the range,
// keys, and the state word.
#include "skin_fixture.h"

#include <memory>

namespace {

using namespace skintest;

constexpr RECT kRange{326, 250, 429, 355};
// The range and as far round it as an image box of 31 can reach.
constexpr RECT kNearRange{kRange.left - 20, kRange.top - 20, kRange.right + 20, kRange.bottom + 20};
constexpr RECT kCaption{10, 10, 100, 30};
constexpr COLORREF kRed = 0x0000FF;

DWORD State(int x, int y) { return (DWORD(x) << 16) + DWORD(y); }

class SkinCursorTest : public SkinTest {
 protected:
  std::unique_ptr<SkinCursor> Make(const std::string& image, const char* pszCaption = "X", BYTE bRepaintText = 0,
                                   BYTE bBlackKey = 0, int nSize = 30) {
    auto p = std::make_unique<SkinCursor>(m_hWnd, image.c_str(), kRange.left, kRange.top, kRange.right, kRange.bottom,
                                          377, 302, nSize, kCaption.left, kCaption.top, kCaption.right,
                                          kCaption.bottom, pszCaption, bRepaintText, bBlackKey);
    return p;
  }
  // A red image of nSize square, as large as the box it is drawn into.
  std::unique_ptr<SkinCursor> MakeRed(int nSize = 30) {
    return Make(Solid(("cursor" + std::to_string(nSize) + ".bmp").c_str(), nSize, nSize, kRed), "X", 0, 0, nSize);
  }
};

TEST_F(SkinCursorTest, ConstructionInvalidatesTheCentredBoxAndTheCaption) {
  auto cursor = MakeRed();
  EXPECT_EQ(TakeCalls(), (Calls{{{361, 286, 393, 318}, TRUE}, {kCaption, TRUE}}));
  EXPECT_EQ(cursor->GetState(), State(127, 127));
}

struct PlaceCase {
  int nSize;
  DWORD dwState;
  RECT rcBox;   // GetRect: the image box grown by one
  RECT rcClip;  // what Invalidate repaints
};

// The range is 103 x 105 with its centre at (377, 302): a position p (state
// byte - 127) lies at centre + 103 p / 255 across and 105 p / 255 down, each
// truncated towards zero; the image box is 2 (size / 2) square around it.
TEST_F(SkinCursorTest, StatePlacesTheBoxAroundTheScaledPosition) {
  const PlaceCase cases[] = {
      {30, State(127, 127), {361, 286, 393, 318}, {361, 286, 393, 318}},
      {30, State(0, 0), {310, 234, 342, 266}, {326, 250, 342, 266}},
      {30, State(255, 255), {412, 338, 444, 370}, {412, 338, 429, 355}},
      {30, State(0, 255), {310, 338, 342, 370}, {326, 338, 342, 355}},
      // -27 gives -10.9 across, -77 gives -31.7 down: 367, 271.
      {30, State(100, 50), {351, 255, 383, 287}, {351, 255, 383, 287}},
      // 73 gives 29.5 across, 93 gives 38.3 down: 406, 340.
      {30, State(200, 220), {390, 324, 422, 356}, {390, 324, 422, 355}},
      // An odd size draws and repaints the even box below it.
      {31, State(127, 127), {361, 286, 393, 318}, {361, 286, 393, 318}},
      {9, State(100, 50), {362, 266, 372, 276}, {362, 266, 372, 276}},
  };
  for (const PlaceCase& c : cases) {
    auto cursor = MakeRed(c.nSize);
    for (bool bMove : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "size " << c.nSize << ", state " << std::hex << c.dwState
                                        << (bMove ? " by MoveTo" : " by SetState"));
      if (bMove)
        cursor->MoveTo(m_hWnd, int(c.dwState >> 16), int(c.dwState & 0xFFFF), false);
      else
        cursor->SetState(m_hWnd, c.dwState);
      EXPECT_EQ(cursor->GetState(), c.dwState);
      RECT rc;
      cursor->GetRect(&rc);
      EXPECT_EQ((Call{rc, FALSE}), (Call{c.rcBox, FALSE}));
      TakeCalls();
      cursor->Invalidate(m_hWnd, false);
      EXPECT_EQ(TakeCalls(), (Calls{{c.rcClip, TRUE}}));

      // The image fills the box inside the grown rectangle and nothing else.
      ResetPage();
      Paint(*cursor);
      const RECT rcImage{c.rcBox.left + 1, c.rcBox.top + 1, c.rcBox.right - 1, c.rcBox.bottom - 1};
      const int nSide = c.nSize / 2 * 2;
      EXPECT_EQ(Count(rcImage, kRed), nSide * nSide);
      EXPECT_EQ(Count(kNearRange, kRed), nSide * nSide);
      cursor->SetState(m_hWnd, State(127, 127));  // away again, for MoveTo
    }
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

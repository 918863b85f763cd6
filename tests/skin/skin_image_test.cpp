// The hat, backgrounds, background parts and movable images.
#include "skin_fixture.h"

#include <memory>

namespace {

using namespace skintest;

constexpr DWORD kCentred = 0xFFFFFFFFu;

COLORREF DirectionColour(int k) { return RGB(20 + 25 * k, 200 - 20 * k, 60); }
RECT DirectionRect(int k) { return RECT{10 + 20 * k, 10, 25 + 20 * k, 25}; }

class SkinHatTest : public SkinTest {
 protected:
  std::unique_ptr<SkinHat> Make(DWORD dwState) {
    std::string names[SkinHat::kDirections];
    const char* apsz[SkinHat::kDirections];
    RECT arc[SkinHat::kDirections];
    for (int k = 0; k < SkinHat::kDirections; ++k) {
      names[k] = Solid(("hat" + std::to_string(k) + ".bmp").c_str(), 15, 15, DirectionColour(k));
      apsz[k] = names[k].c_str();
      arc[k] = DirectionRect(k);
    }
    return std::make_unique<SkinHat>(nullptr, apsz, arc, dwState);
  }
  // Which direction's image the part of the page round the eight
  // rectangles shows, -1 for none; fails on two.
  int Shown() {
    int shown = -1;
    for (int k = 0; k < SkinHat::kDirections; ++k)
      if (Count(RECT{0, 0, 200, 50}, DirectionColour(k)) > 0) {
        EXPECT_EQ(shown, -1) << "two images";
        shown = k;
      }
    return shown;
  }
};

TEST_F(SkinHatTest, StateSelectsItsDirectionImageByExactValue) {
  auto hat = Make(0);
  EXPECT_TRUE(TakeCalls().empty());
  const std::pair<DWORD, int> cases[] = {{0, 0},     {4500, 1},  {9000, 2},  {13500, 3}, {18000, 4}, {22500, 5},
                                         {27000, 6}, {31500, 7}, {kCentred, -1}, {1, -1},   {4499, -1}, {36000, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    hat->SetState(m_hWnd, c.first);
    ResetPage();
    Paint(*hat);
    EXPECT_EQ(Shown(), c.second);
    if (c.second >= 0) {
      EXPECT_EQ(Count(DirectionRect(c.second), DirectionColour(c.second)), 15 * 15);
    }
  }
}

TEST_F(SkinHatTest, InvalidatesOnlyTheDirectionsConcerned) {
  auto hat = Make(0);
  hat->SetState(m_hWnd, kCentred);
  EXPECT_EQ(TakeCalls(), (Calls{{DirectionRect(0), TRUE}}));
  hat->SetState(m_hWnd, 9000);
  EXPECT_EQ(TakeCalls(), (Calls{{DirectionRect(2), TRUE}}));
  hat->SetState(m_hWnd, 9000);
  EXPECT_TRUE(TakeCalls().empty());
  hat->SetState(m_hWnd, 4500);
  EXPECT_EQ(TakeCalls(), (Calls{{DirectionRect(1), TRUE}, {DirectionRect(2), TRUE}}));
  hat->SetState(m_hWnd, 12345);
  EXPECT_EQ(TakeCalls(), (Calls{{DirectionRect(1), TRUE}}));
  EXPECT_EQ(hat->GetState(), 12345u);
  hat->SetState(m_hWnd, 0);  // back to up
  EXPECT_EQ(TakeCalls(), (Calls{{DirectionRect(0), TRUE}}));
}

TEST_F(SkinHatTest, OffsetMovesTheDrawingWithoutInvalidating) {
  auto hat = Make(0);
  hat->SetTag(m_hWnd, 3);
  EXPECT_EQ(hat->GetTag(), 0u);
  hat->MoveTo(m_hWnd, 5, 7, true);
  hat->Invalidate(m_hWnd, true);
  EXPECT_TRUE(TakeCalls().empty());
  Paint(*hat);
  EXPECT_EQ(Count(RECT{15, 17, 30, 32}, DirectionColour(0)), 15 * 15);
  RECT rc;
  std::memset(&rc, 0xcd, sizeof rc);
  hat->GetRect(&rc);
  EXPECT_EQ((Call{rc, FALSE}), (Call{{0, 0, 0, 0}, FALSE}));
  EXPECT_FALSE(hat->HitTest(17, 20));
  hat->SetState(m_hWnd, 4500);  // rectangles unmoved
  EXPECT_EQ(TakeCalls(), (Calls{{DirectionRect(1), TRUE}, {DirectionRect(0), TRUE}}));
}

TEST_F(SkinTest, BackgroundCopiesOpaqueAtItsOffset) {
  std::vector<uint32_t> pixels(20 * 10, 0xFFFFFF);  // white is drawn, not keyed
  pixels[0] = 0x0000FF;
  const std::string image = File("back.bmp", bmptest::MakeBmp(20, 10, 24, pixels));
  SkinBackground back(nullptr, image.c_str(), 100, 100, 120, 110);
  EXPECT_TRUE(TakeCalls().empty());
  back.MoveTo(m_hWnd, 3, 4, true);
  EXPECT_TRUE(TakeCalls().empty());
  Paint(back);
  EXPECT_EQ(Pixel(103, 104), 0x0000FFu);
  EXPECT_EQ(Count(RECT{103, 104, 123, 114}, 0xFFFFFF), 20 * 10 - 1);
  EXPECT_EQ(Changed(), 20 * 10);
  back.SetState(m_hWnd, 5);
  back.Invalidate(m_hWnd, false);
  EXPECT_EQ(TakeCalls(), (Calls{{{100, 100, 120, 110}, TRUE}, {{103, 104, 123, 114}, TRUE}}));
  EXPECT_EQ(back.GetState(), 0u);
  back.SetTag(m_hWnd, 3);
  EXPECT_EQ(back.GetTag(), 0u);
  EXPECT_FALSE(back.HitTest(105, 105));
}

TEST_F(SkinTest, BackgroundPartCopiesOnlyItsPartFromTheSamePlaceOfTheImage) {
  std::vector<uint32_t> pixels(60 * 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) pixels[size_t(y) * 60 + x] = RGB(x, y, 7);
  const std::string image = File("whole.bmp", bmptest::MakeBmp(60, 40, 24, pixels));
  SkinBackgroundPart part(nullptr, image.c_str(), 0, 0, 60, 40, 10, 5, 30, 25);
  EXPECT_TRUE(TakeCalls().empty());
  Paint(part);
  EXPECT_EQ(Pixel(10, 5), RGB(10, 5, 7));
  EXPECT_EQ(Pixel(29, 24), RGB(29, 24, 7));
  EXPECT_EQ(Changed(), 20 * 20);
  RECT rc;
  part.GetRect(&rc);
  EXPECT_EQ((Call{rc, FALSE}), (Call{{0, 0, 60, 40}, FALSE}));
  part.Invalidate(m_hWnd, true);
  part.SetState(m_hWnd, 1);
  EXPECT_EQ(TakeCalls(), (Calls{{{10, 5, 30, 25}, TRUE}, {{0, 0, 60, 40}, TRUE}}));
  part.MoveTo(m_hWnd, 100, 100, true);
  EXPECT_TRUE(TakeCalls().empty());
  ResetPage();
  Paint(part);
  EXPECT_EQ(Pixel(110, 105), RGB(10, 5, 7));
  EXPECT_FALSE(part.HitTest(15, 10));
  part.SetTag(m_hWnd, 3);
  EXPECT_EQ(part.GetTag(), 0u);
  EXPECT_EQ(part.GetState(), 0u);
}

TEST_F(SkinTest, ImageIsKeyedMovableAndAlwaysRepaintsOnSetState) {
  std::vector<uint32_t> pixels(8 * 8, 0xFFFFFF);
  pixels[9] = 0x00FF00;  // (1, 1)
  const std::string file = File("logo.bmp", bmptest::MakeBmp(8, 8, 24, pixels));
  // A module handle does not matter: the image is always a file.
  SkinImage image(reinterpret_cast<HINSTANCE>(uintptr_t(0x400000)), file.c_str(), 50, 60, 58, 68);
  EXPECT_TRUE(TakeCalls().empty());
  image.SetState(m_hWnd, 0);
  image.SetState(m_hWnd, 0);
  EXPECT_EQ(TakeCalls(), (Calls{{{50, 60, 58, 68}, TRUE}, {{50, 60, 58, 68}, TRUE}}));
  image.MoveTo(m_hWnd, 10, 0, false);
  EXPECT_TRUE(TakeCalls().empty());
  image.MoveTo(m_hWnd, 20, 5, true);
  EXPECT_EQ(TakeCalls(), (Calls{{{60, 60, 68, 68}, TRUE}, {{70, 65, 78, 73}, TRUE}}));
  image.SetState(m_hWnd, 7);
  EXPECT_EQ(TakeCalls(), (Calls{{{50, 60, 58, 68}, TRUE}}));
  EXPECT_EQ(image.GetState(), 7u);
  image.SetTag(m_hWnd, 3);
  EXPECT_EQ(image.GetTag(), 0u);
  EXPECT_EQ(image.GetState(), 7u);
  RECT rc;
  image.GetRect(&rc);
  EXPECT_EQ((Call{rc, FALSE}), (Call{{70, 65, 78, 73}, FALSE}));
  EXPECT_TRUE(image.HitTest(70, 65));
  EXPECT_FALSE(image.HitTest(78, 70));
  EXPECT_TRUE(image.HitTest(77, 72));
  EXPECT_FALSE(image.HitTest(70, 73));
  EXPECT_FALSE(image.HitTest(60, 62));
  Paint(image);
  EXPECT_EQ(Pixel(71, 66), 0x00FF00u);
  EXPECT_EQ(Changed(), 1);
}

// A picture larger than its control shows only as much of it as the
// control's rectangle holds, from its top-left corner.
TEST_F(SkinTest, PicturesLargerThanTheirControlAreCutToItsRectangle) {
  const std::string big = Solid("big.bmp", 60, 50, 0x00C000);
  const RECT rc{100, 100, 120, 110};
  const char* apsz[SkinHat::kDirections] = {big.c_str()};
  RECT arc[SkinHat::kDirections] = {rc};
  std::vector<std::unique_ptr<SkinControl>> controls;
  controls.emplace_back(new SkinButton(nullptr, big.c_str(), big.c_str(), rc.left, rc.top, rc.right, rc.bottom, 0, 0,
                                       0, 0, nullptr, m_hWnd, 0, 0));
  controls.emplace_back(new SkinImage(nullptr, big.c_str(), rc.left, rc.top, rc.right, rc.bottom));
  controls.emplace_back(new SkinHat(nullptr, apsz, arc, 0));
  controls.emplace_back(new SkinBackground(nullptr, big.c_str(), rc.left, rc.top, rc.right, rc.bottom));
  for (auto& control : controls) {
    ResetPage();
    Paint(*control);
    EXPECT_EQ(Count(rc, 0x00C000), 20 * 10);
    EXPECT_EQ(Count(RECT{80, 80, 200, 180}, 0x00C000), 20 * 10);  // the picture reaches 60 x 50
  }
}

TEST_F(SkinTest, EveryClassWithMissingFilesDrawsNothingAndReleasesEverything) {
  const size_t nObjects = sim::GdiObjectCount();
  const std::string missing = Missing();
  const char* apsz[SkinHat::kDirections];
  RECT arc[SkinHat::kDirections];
  for (int k = 0; k < SkinHat::kDirections; ++k) {
    apsz[k] = missing.c_str();
    arc[k] = RECT{0, 0, 10, 10};
  }
  std::vector<std::unique_ptr<SkinControl>> controls;
  controls.emplace_back(new SkinButton(nullptr, missing.c_str(), missing.c_str(), 0, 0, 10, 10, 0, 0, 0, 0, nullptr,
                                       m_hWnd, 1, 0));
  controls.emplace_back(new SkinSlider(m_hWnd, missing.c_str(), missing.c_str(), 0, 0, 50, 20, 0, 0, 0, 0, nullptr,
                                       0, 0, 0, 0));
  controls.emplace_back(new SkinCursor(m_hWnd, missing.c_str(), 0, 0, 50, 50, 25, 25, 30, 0, 0, 0, 0, nullptr, 0, 0));
  controls.emplace_back(new SkinHat(nullptr, apsz, arc, 0));
  controls.emplace_back(new SkinBackground(nullptr, missing.c_str(), 0, 0, 500, 400));
  controls.emplace_back(new SkinBackgroundPart(nullptr, missing.c_str(), 0, 0, 500, 400, 0, 0, 100, 100));
  controls.emplace_back(new SkinImage(nullptr, missing.c_str(), 0, 0, 10, 10));
  controls[1]->SetState(m_hWnd, (100u << 16) | 100);
  for (auto& control : controls) Paint(*control);
  EXPECT_EQ(Changed(), 0);
  controls.clear();
  EXPECT_EQ(sim::GdiObjectCount(), nObjects);
}

}  // namespace

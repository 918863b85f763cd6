// The keyed blit: transparent colours, partial destinations, source offsets,
// and the image and GDI objects left as they were.
#include "skin_fixture.h"

namespace {

using namespace skintest;

constexpr COLORREF W = 0xFFFFFF, K = 0x000000, R = 0x0000FF, G = 0x00FF00, B = 0xFF0000, N = 0xFEFFFF;

// A 4 x 3 colour bitmap, rows top first.
const std::vector<COLORREF> kImage = {
    W, R, W, B,  //
    K, G, N, W,  //
    R, K, W, G,  //
};
constexpr int kImageWidth = 4, kImageHeight = 3;

HBITMAP MakeImage() {
  std::vector<BYTE> bits;
  for (COLORREF c : kImage) {
    bits.push_back(GetBValue(c));
    bits.push_back(GetGValue(c));
    bits.push_back(GetRValue(c));
    bits.push_back(0);
  }
  return CreateBitmap(kImageWidth, kImageHeight, 1, 32, bits.data());
}

struct KeyCase {
  const char* pszName;
  COLORREF crKey;
  int cx, cy, xSrc, ySrc;
  // What the 4 x 3 destination at (10, 20) shows, rows top first; '.' paper.
  std::vector<COLORREF> expected;
};

std::ostream& operator<<(std::ostream& os, const KeyCase& c) { return os << c.pszName; }

constexpr COLORREF P = kPaper;

class SkinDrawTransparent : public SkinTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(SkinDrawTransparent, ShowsThePageThroughTheKeyColourOnly) {
  const KeyCase& c = GetParam();
  HBITMAP hbm = MakeImage();
  ASSERT_NE(hbm, nullptr);
  const size_t nObjects = sim::GdiObjectCount();
  HDC hdc = GetDC(m_hWnd);
  DrawTransparent(hdc, hbm, 10, 20, c.cx, c.cy, c.xSrc, c.ySrc, c.crKey);
  ReleaseDC(m_hWnd, hdc);
  for (int y = 0; y < kImageHeight; ++y)
    for (int x = 0; x < kImageWidth; ++x)
      EXPECT_EQ(Pixel(10 + x, 20 + y), c.expected[size_t(y) * kImageWidth + x]) << "at " << x << "," << y;
  // Nothing outside the destination rectangle.
  const RECT rcDest{10, 20, 10 + c.cx, 20 + c.cy};
  EXPECT_EQ(Changed(), c.cx * c.cy - Count(rcDest, kPaper));
  // The image holds what it held, and every scratch DC and bitmap is gone.
  for (int y = 0; y < kImageHeight; ++y)
    for (int x = 0; x < kImageWidth; ++x)
      EXPECT_EQ(sim::GetBitmapPixel(hbm, x, y), kImage[size_t(y) * kImageWidth + x]) << "image " << x << "," << y;
  EXPECT_EQ(sim::GdiObjectCount(), nObjects);
  DeleteObject(hbm);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SkinDrawTransparent,
    ::testing::Values(KeyCase{"WhiteKey", W, 4, 3, 0, 0,
                              {P, R, P, B,  //
                               K, G, N, P,  //
                               R, K, P, G}},
                      KeyCase{"BlackKey", K, 4, 3, 0, 0,
                              {W, R, W, B,  //
                               P, G, N, W,  //
                               R, P, W, G}},
                      KeyCase{"SmallerDestination", W, 2, 2, 0, 0,
                              {P, R, P, P,  //
                               K, G, P, P,  //
                               P, P, P, P}},
                      KeyCase{"SourceRowsBelow", W, 4, 2, 0, 1,
                              {K, G, N, P,  //
                               R, K, P, G,  //
                               P, P, P, P}},
                      KeyCase{"SourceColumnsRight", W, 3, 3, 1, 0,
                              {R, P, B, P,  //
                               G, N, P, P,  //
                               K, P, G, P}},
                      KeyCase{"SourceColumnsRightBlackKey", K, 3, 2, 1, 1,
                              {G, N, W, P,  //
                               P, W, G, P,  //
                               P, P, P, P}}),
    [](const ::testing::TestParamInfo<KeyCase>& param) { return std::string(param.param.pszName); });

TEST_F(SkinTest, DrawTransparentOfNoImageDrawsNothing) {
  const size_t nObjects = sim::GdiObjectCount();
  HDC hdc = GetDC(m_hWnd);
  DrawTransparent(hdc, nullptr, 0, 0, 100, 100, 0, 0, 0xFFFFFF);
  ReleaseDC(m_hWnd, hdc);
  EXPECT_EQ(Changed(), 0);
  EXPECT_EQ(sim::GdiObjectCount(), nObjects);
}

}  // namespace

// BitBlt: raster operations on colour bitmaps, the colour and monochrome
// conversions, clipping at the bitmaps' edges; memory DCs and bitmaps.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstring>

namespace {

// A memory DC with its own bitmap selected (colour: compatible with the
// screen; monochrome: CreateBitmap with 1 plane and 1 bit).
class MemoryBitmap {
 public:
  MemoryBitmap(int cx, int cy, bool bMono) {
    HDC hdcScreen = GetDC(nullptr);
    m_hdc = CreateCompatibleDC(hdcScreen);
    m_hbm = bMono ? CreateBitmap(cx, cy, 1, 1, nullptr) : CreateCompatibleBitmap(hdcScreen, cx, cy);
    ReleaseDC(nullptr, hdcScreen);
    m_hOld = SelectObject(m_hdc, m_hbm);
  }
  ~MemoryBitmap() {
    SelectObject(m_hdc, m_hOld);
    DeleteObject(m_hbm);
    DeleteDC(m_hdc);
  }
  MemoryBitmap(const MemoryBitmap&) = delete;
  MemoryBitmap& operator=(const MemoryBitmap&) = delete;
  HDC Dc() const { return m_hdc; }
  HBITMAP Bitmap() const { return m_hbm; }
  void Fill(int cx, int cy, COLORREF color) {
    for (int y = 0; y < cy; ++y)
      for (int x = 0; x < cx; ++x) SetPixel(m_hdc, x, y, color);
  }

 private:
  HDC m_hdc = nullptr;
  HBITMAP m_hbm = nullptr;
  HGDIOBJ m_hOld = nullptr;
};

struct RopCase {
  const char* pszName;
  DWORD dwRop;
  COLORREF crExpected;  // for S = 0x123456, D = 0x0F0F0F, P = 0x3C3C3C
};
std::ostream& operator<<(std::ostream& os, const RopCase& c) { return os << c.pszName; }


class GdiRop : public ::testing::TestWithParam<RopCase> {};

TEST_P(GdiRop, CombinesSourceDestinationAndPatternBitwise) {
  const RopCase& c = GetParam();
  MemoryBitmap src(2, 2, false), dst(2, 2, false);
  src.Fill(2, 2, 0x123456);
  dst.Fill(2, 2, 0x0F0F0F);
  HBRUSH hbr = CreateSolidBrush(0x3C3C3C);
  HGDIOBJ hOldBrush = SelectObject(dst.Dc(), hbr);
  EXPECT_TRUE(BitBlt(dst.Dc(), 0, 0, 2, 2, src.Dc(), 0, 0, c.dwRop));
  SelectObject(dst.Dc(), hOldBrush);
  DeleteObject(hbr);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(GetPixel(dst.Dc(), x, y), c.crExpected) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Codes, GdiRop,
                         ::testing::Values(RopCase{"SRCCOPY", SRCCOPY, 0x123456}, RopCase{"SRCAND", SRCAND, 0x020406},
                                           RopCase{"SRCPAINT", SRCPAINT, 0x1F3F5F},
                                           RopCase{"SRCINVERT", SRCINVERT, 0x1D3B59},
                                           RopCase{"NOTSRCCOPY", NOTSRCCOPY, 0xEDCBA9},
                                           RopCase{"SRCERASE", SRCERASE, 0x103050},
                                           RopCase{"MERGEPAINT", MERGEPAINT, 0xEFCFAF},
                                           RopCase{"MERGECOPY", MERGECOPY, 0x103414},
                                           RopCase{"PATCOPY", PATCOPY, 0x3C3C3C},
                                           RopCase{"PATINVERT", PATINVERT, 0x333333},
                                           RopCase{"DSTINVERT", DSTINVERT, 0xF0F0F0},
                                           RopCase{"BLACKNESS", BLACKNESS, 0x000000},
                                           RopCase{"WHITENESS", WHITENESS, 0xFFFFFF}),
                         [](const ::testing::TestParamInfo<RopCase>& param) { return std::string(param.param.pszName); });

TEST(GdiBlit, ColourToMonochromeMarksTheSourceBackgroundColour) {
  MemoryBitmap src(3, 1, false), mask(3, 1, true);
  SetPixel(src.Dc(), 0, 0, 0xFFFFFF);
  SetPixel(src.Dc(), 1, 0, 0x00FF00);
  SetPixel(src.Dc(), 2, 0, 0xFEFFFF);
  SetBkColor(src.Dc(), 0x00FF00);
  ASSERT_TRUE(BitBlt(mask.Dc(), 0, 0, 3, 1, src.Dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(mask.Dc(), 0, 0), 0x000000u);
  EXPECT_EQ(GetPixel(mask.Dc(), 1, 0), 0xFFFFFFu);
  EXPECT_EQ(GetPixel(mask.Dc(), 2, 0), 0x000000u);
}

TEST(GdiBlit, MonochromeToColourTakesTheDestinationTextAndBackgroundColours) {
  MemoryBitmap mask(2, 1, true), dst(2, 1, false);
  SetPixel(mask.Dc(), 0, 0, 0x000000);
  SetPixel(mask.Dc(), 1, 0, 0xFFFFFF);
  SetTextColor(dst.Dc(), 0x0000FF);
  SetBkColor(dst.Dc(), 0xFF0000);
  // The source DC's own colours play no part.
  SetTextColor(mask.Dc(), 0x00FF00);
  SetBkColor(mask.Dc(), 0x00FFFF);
  ASSERT_TRUE(BitBlt(dst.Dc(), 0, 0, 2, 1, mask.Dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(dst.Dc(), 0, 0), 0x0000FFu);
  EXPECT_EQ(GetPixel(dst.Dc(), 1, 0), 0xFF0000u);
}

TEST(GdiBlit, MaskAndOverKeepsThePageUnderKeyedPixels) {
  // The keyed-blit recipe: mask 1 = white keeps the page, 0 = black clears.
  MemoryBitmap mask(2, 1, true), page(2, 1, false);
  SetPixel(mask.Dc(), 0, 0, 0xFFFFFF);
  SetPixel(mask.Dc(), 1, 0, 0x000000);
  page.Fill(2, 1, 0x336699);
  ASSERT_TRUE(BitBlt(page.Dc(), 0, 0, 2, 1, mask.Dc(), 0, 0, SRCAND));
  EXPECT_EQ(GetPixel(page.Dc(), 0, 0), 0x336699u);
  EXPECT_EQ(GetPixel(page.Dc(), 1, 0), 0x000000u);
}

TEST(GdiBlit, NotSrcCopyInvertsAMonochromeMask) {
  MemoryBitmap mask(2, 1, true), inverse(2, 1, true);
  SetPixel(mask.Dc(), 0, 0, 0xFFFFFF);
  SetPixel(mask.Dc(), 1, 0, 0x000000);
  ASSERT_TRUE(BitBlt(inverse.Dc(), 0, 0, 2, 1, mask.Dc(), 0, 0, NOTSRCCOPY));
  EXPECT_EQ(GetPixel(inverse.Dc(), 0, 0), 0x000000u);
  EXPECT_EQ(GetPixel(inverse.Dc(), 1, 0), 0xFFFFFFu);
}

struct ClipCase {
  const char* pszName;
  int x, y, cx, cy, xSrc, ySrc;
};
std::ostream& operator<<(std::ostream& os, const ClipCase& c) { return os << c.pszName; }


class GdiBlitClip : public ::testing::TestWithParam<ClipCase> {};

// Source 4 x 4 with pixel (i, j) = RGB(10 + i, 20 + j, 0); destination 6 x 6
// grey. Every destination pixel either holds the source pixel that maps onto
// it (when both lie inside their bitmaps) or stays grey.
TEST_P(GdiBlitClip, CopiesOnlyWhereSourceAndDestinationOverlapTheirBitmaps) {
  const ClipCase& c = GetParam();
  MemoryBitmap src(4, 4, false), dst(6, 6, false);
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) SetPixel(src.Dc(), i, j, RGB(10 + i, 20 + j, 0));
  dst.Fill(6, 6, 0x808080);
  BitBlt(dst.Dc(), c.x, c.y, c.cx, c.cy, src.Dc(), c.xSrc, c.ySrc, SRCCOPY);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const int i = x - c.x + c.xSrc, j = y - c.y + c.ySrc;
      const bool bInside = x >= c.x && x < c.x + c.cx && y >= c.y && y < c.y + c.cy && i >= 0 && i < 4 && j >= 0 &&
                           j < 4;
      const COLORREF crExpected = bInside ? RGB(10 + i, 20 + j, 0) : 0x808080;
      EXPECT_EQ(GetPixel(dst.Dc(), x, y), crExpected) << "at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Edges, GdiBlitClip,
                         ::testing::Values(ClipCase{"Inside", 1, 1, 4, 4, 0, 0},
                                           ClipCase{"SourceRightBottom", 0, 0, 4, 4, 2, 3},
                                           ClipCase{"SourceLeftTop", 1, 1, 4, 4, -2, -1},
                                           ClipCase{"DestinationRightBottom", 4, 5, 4, 4, 0, 0},
                                           ClipCase{"DestinationLeftTop", -2, -3, 4, 4, 0, 0},
                                           ClipCase{"Both", -1, 4, 6, 6, 1, -1},
                                           ClipCase{"NothingOverlaps", 0, 0, 3, 3, 5, 5}),
                         [](const ::testing::TestParamInfo<ClipCase>& param) { return std::string(param.param.pszName); });

TEST(GdiBitmap, CompatibleWithAFreshMemoryDcIsMonochrome) {
  HDC hdcMem = CreateCompatibleDC(nullptr);
  HBITMAP hbm = CreateCompatibleBitmap(hdcMem, 5, 3);
  ASSERT_NE(hbm, nullptr);
  BITMAP bm;
  std::memset(&bm, 0xcd, sizeof bm);
  ASSERT_EQ(GetObjectA(hbm, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 5);
  EXPECT_EQ(bm.bmHeight, 3);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmPlanes, 1);
  EXPECT_EQ(bm.bmWidthBytes, 2);
  DeleteObject(hbm);
  DeleteDC(hdcMem);
}

TEST(GdiBitmap, SelectObjectReturnsThePreviousBitmap) {
  HDC hdcScreen = GetDC(nullptr);
  HDC hdcMem = CreateCompatibleDC(hdcScreen);
  HBITMAP hbmA = CreateCompatibleBitmap(hdcScreen, 2, 2);
  HBITMAP hbmB = CreateCompatibleBitmap(hdcScreen, 3, 3);
  ReleaseDC(nullptr, hdcScreen);
  HGDIOBJ hDefault = SelectObject(hdcMem, hbmA);
  ASSERT_NE(hDefault, nullptr);
  BITMAP bm;
  ASSERT_EQ(GetObjectA(hDefault, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(SelectObject(hdcMem, hbmB), hbmA);
  EXPECT_EQ(SelectObject(hdcMem, hDefault), hbmB);
  EXPECT_TRUE(DeleteObject(hbmA));
  EXPECT_TRUE(DeleteObject(hbmB));
  EXPECT_TRUE(DeleteDC(hdcMem));
}

TEST(GdiBitmap, GetObjectWritesOnlyABitmapStructure) {
  HBITMAP hbm = CreateBitmap(17, 2, 1, 1, nullptr);
  ASSERT_NE(hbm, nullptr);
  unsigned char buffer[sizeof(BITMAP) + 8];
  std::memset(buffer, 0xcd, sizeof buffer);
  EXPECT_EQ(GetObjectA(hbm, sizeof buffer, buffer), int(sizeof(BITMAP)));
  BITMAP bm;
  std::memcpy(&bm, buffer, sizeof bm);
  EXPECT_EQ(bm.bmWidth, 17);
  EXPECT_EQ(bm.bmWidthBytes, 4);
  for (size_t i = sizeof(BITMAP); i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 0xcd) << i;
  EXPECT_EQ(GetObjectA(hbm, 0, nullptr), int(sizeof(BITMAP)));
  DeleteObject(hbm);
}

}  // namespace

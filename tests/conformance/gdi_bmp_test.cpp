// LoadImageA with LR_LOADFROMFILE: BMP files of every depth the skins use,
// written by the test to the temporary folder. (Top-down files load
// differently across Windows versions, so only bottom-up ones are compared.)
#include "platform/win32.h"

#include "../gdi/bmp_file.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

namespace {

// The pixels of a loaded bitmap, top row first.
std::vector<COLORREF> ReadPixels(HBITMAP hbm, int cx, int cy) {
  HDC hdc = CreateCompatibleDC(nullptr);
  HGDIOBJ hOld = SelectObject(hdc, hbm);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x) pixels.push_back(GetPixel(hdc, x, y));
  SelectObject(hdc, hOld);
  DeleteDC(hdc);
  return pixels;
}

struct DepthCase {
  const char* pszName;
  int nBits;
  bool bTopDown;
};
std::ostream& operator<<(std::ostream& os, const DepthCase& c) { return os << c.pszName; }


class GdiLoadBmp : public ::testing::TestWithParam<DepthCase> {};

// A 5 x 3 image (odd width: every row is padded) with a different colour in
// each corner, so a flipped or shifted image shows.
TEST_P(GdiLoadBmp, LoadsEveryPixelInPlace) {
  const DepthCase& c = GetParam();
  const int cx = 5, cy = 3;
  const std::vector<COLORREF> colours = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x808080};
  std::vector<uint32_t> indexes(cx * cy);
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x) indexes[y * cx + x] = uint32_t((x + 2 * y) % 6);
  indexes[0] = 2;                  // top left red
  indexes[cx - 1] = 3;             // top right green
  indexes[(cy - 1) * cx] = 4;      // bottom left blue
  indexes[cy * cx - 1] = 5;        // bottom right grey
  std::vector<COLORREF> palette;
  std::vector<uint32_t> pixels(cx * cy);
  std::vector<COLORREF> expected(cx * cy);
  if (c.nBits == 1) {
    palette = {0x000000, 0xFFFFFF};
    for (int i = 0; i < cx * cy; ++i) {
      pixels[i] = indexes[i] & 1;
      expected[i] = palette[pixels[i]];
    }
  } else if (c.nBits <= 8) {
    palette = colours;
    for (int i = 0; i < cx * cy; ++i) {
      pixels[i] = indexes[i];
      expected[i] = colours[indexes[i]];
    }
  } else {
    for (int i = 0; i < cx * cy; ++i) pixels[i] = expected[i] = colours[indexes[i]];
  }
  const std::string path = bmptest::TempPath((std::string(c.pszName) + ".bmp").c_str());
  ASSERT_TRUE(bmptest::WriteBytes(path, bmptest::MakeBmp(cx, cy, c.nBits, pixels, c.bTopDown, palette)));
  HBITMAP hbm = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  DeleteFileA(path.c_str());
  ASSERT_NE(hbm, nullptr);
  BITMAP bm;
  ASSERT_EQ(GetObjectA(hbm, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, cx);
  EXPECT_EQ(bm.bmHeight, cy);
  EXPECT_EQ(ReadPixels(hbm, cx, cy), expected);
  EXPECT_TRUE(DeleteObject(hbm));
}

INSTANTIATE_TEST_SUITE_P(Depths, GdiLoadBmp,
                         ::testing::Values(DepthCase{"Mono", 1, false}, DepthCase{"Four", 4, false},
                                           DepthCase{"Eight", 8, false}, DepthCase{"TwentyFour", 24, false},
                                           DepthCase{"ThirtyTwo", 32, false}),
                         [](const ::testing::TestParamInfo<DepthCase>& param) { return std::string(param.param.pszName); });

TEST(GdiLoadBmpFile, MissingFileLoadsAsNull) {
  const std::string path = bmptest::TempPath("does-not-exist.bmp");
  EXPECT_EQ(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
}

}  // namespace

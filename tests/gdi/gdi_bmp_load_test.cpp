// Top-down BMP files (negative height) load with their first row on top.
#include "platform/sim/sim.h"

#include "bmp_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(GdiTopDownBmp, FirstFileRowIsTheTopRow) {
  const std::vector<COLORREF> palette = {0x0000FF, 0x00FF00, 0xFF0000};
  struct Depth {
    int nBits;
    std::vector<uint32_t> pixels;  // 3 x 2, top row first
    std::vector<COLORREF> palette;
  };
  const std::vector<Depth> depths = {
      {8, {0, 1, 2, 2, 1, 0}, palette},
      {4, {0, 1, 2, 2, 1, 0}, palette},
      {1, {1, 0, 1, 0, 1, 0}, {0x000000, 0xFFFFFF}},
      {24, {0x0000FF, 0x00FF00, 0xFF0000, 0xFF0000, 0x00FF00, 0x0000FF}, {}},
      {32, {0x0000FF, 0x00FF00, 0xFF0000, 0xFF0000, 0x00FF00, 0x0000FF}, {}},
  };
  const std::string path = bmptest::TempPath("topdown.bmp");
  for (const Depth& d : depths) {
    SCOPED_TRACE(d.nBits);
    ASSERT_TRUE(bmptest::WriteBytes(path, bmptest::MakeBmp(3, 2, d.nBits, d.pixels, true, d.palette)));
    HBITMAP hbm = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(hbm, nullptr);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        const uint32_t p = d.pixels[size_t(y) * 3 + x];
        const COLORREF expected = d.palette.empty() ? p : d.palette[p];
        EXPECT_EQ(sim::GetBitmapPixel(hbm, x, y), expected) << x << "," << y;
      }
    DeleteObject(hbm);
  }
  DeleteFileA(path.c_str());
}

TEST(GdiTopDownBmp, BitFieldMasksPlaceEachChannel) {
  // 32 bits with red and blue swapped against the usual order (red in the
  // low byte), masks after a 40-byte header, a green of 4 bits; one pixel
  // 0x0012F356.
  std::vector<uint8_t> v = bmptest::MakeBmp(1, 1, 32, {0x56F312});
  bmptest::Put32(v, 30, BI_BITFIELDS);
  std::vector<uint8_t> masks(12, 0);
  bmptest::Put32(masks, 0, 0x000000FFu);
  bmptest::Put32(masks, 4, 0x0000F000u);
  bmptest::Put32(masks, 8, 0x00FF0000u);
  v.insert(v.begin() + 54, masks.begin(), masks.end());
  bmptest::Put32(v, 10, 54 + 12);
  const std::string path = bmptest::TempPath("fields.bmp");
  ASSERT_TRUE(bmptest::WriteBytes(path, v));
  HBITMAP hbm = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  ASSERT_NE(hbm, nullptr);
  EXPECT_EQ(sim::GetBitmapPixel(hbm, 0, 0), RGB(0x56, 0xFF, 0x12));
  DeleteObject(hbm);
  DeleteFileA(path.c_str());
}

}  // namespace

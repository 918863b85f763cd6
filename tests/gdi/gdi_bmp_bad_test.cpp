// Malformed BMP files load as NULL, whole, and never read past the file.
#include "platform/sim/sim.h"

#include "bmp_file.h"

#include <gtest/gtest.h>

#include <ostream>

#include <functional>
#include <string>
#include <vector>

namespace {

HANDLE LoadFile(const std::string& path) {
  return LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
}

std::vector<uint8_t> Good() { return bmptest::SolidBmp(6, 4, 0x123456); }

struct BadCase {
  const char* pszName;
  std::function<void(std::vector<uint8_t>&)> spoil;
};
std::ostream& operator<<(std::ostream& os, const BadCase& c) { return os << c.pszName; }


class GdiBadBmp : public ::testing::TestWithParam<BadCase> {};

TEST_P(GdiBadBmp, LoadsAsNull) {
  std::vector<uint8_t> bytes = Good();
  GetParam().spoil(bytes);
  const std::string path = bmptest::TempPath("bad.bmp");
  ASSERT_TRUE(bmptest::WriteBytes(path, bytes));
  const size_t nBefore = sim::GdiObjectCount();
  EXPECT_EQ(LoadFile(path), nullptr);
  EXPECT_EQ(sim::GdiObjectCount(), nBefore);
  DeleteFileA(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Files, GdiBadBmp,
    ::testing::Values(
        BadCase{"Empty", [](std::vector<uint8_t>& v) { v.clear(); }},
        BadCase{"WrongMagic", [](std::vector<uint8_t>& v) { v[1] = 'A'; }},
        BadCase{"LastPixelByteMissing", [](std::vector<uint8_t>& v) { v.pop_back(); }},
        BadCase{"HeaderOnly", [](std::vector<uint8_t>& v) { v.resize(54); }},
        BadCase{"InfoHeaderTooShort", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 14, 39); }},
        BadCase{"InfoHeaderPastFile", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 14, 0x7FFFFFF0); }},
        BadCase{"ZeroWidth", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 18, 0); }},
        BadCase{"NegativeWidth", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 18, uint32_t(-6)); }},
        BadCase{"ZeroHeight", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 22, 0); }},
        BadCase{"MostNegativeHeight", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 22, 0x80000000u); }},
        BadCase{"AbsurdSize", [](std::vector<uint8_t>& v) {
                  bmptest::Put32(v, 18, 100000);
                  bmptest::Put32(v, 22, 100000);
                }},
        BadCase{"WidthOverflowsStride", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 18, 0x7FFFFFFF); }},
        BadCase{"TallerThanItsData", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 22, 5); }},
        BadCase{"TwoPlanes", [](std::vector<uint8_t>& v) { bmptest::Put16(v, 26, 2); }},
        BadCase{"SixteenBits", [](std::vector<uint8_t>& v) { bmptest::Put16(v, 28, 16); }},
        BadCase{"SevenBits", [](std::vector<uint8_t>& v) { bmptest::Put16(v, 28, 7); }},
        BadCase{"RunLengthCompressed", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 30, BI_RLE8); }},
        BadCase{"BitFieldsOn24Bits", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 30, BI_BITFIELDS); }},
        BadCase{"PixelOffsetPastFile", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 10, 0xFFFFFF00u); }},
        BadCase{"PixelOffsetInsideHeader", [](std::vector<uint8_t>& v) { bmptest::Put32(v, 10, 20); }},
        BadCase{"PaletteWithoutColours", [](std::vector<uint8_t>& v) {
                  // 8 bits per pixel claiming 256 colours that the file
                  // does not hold.
                  bmptest::Put16(v, 28, 8);
                  bmptest::Put32(v, 46, 256);
                }}),
    [](const ::testing::TestParamInfo<BadCase>& param) { return std::string(param.param.pszName); });

// Every truncation of good files of each depth fails cleanly (a read past
// the end shows under the address sanitizer).
TEST(GdiBadBmpTruncated, EveryShorterFileLoadsAsNull) {
  const std::vector<std::vector<uint8_t>> goods = {
      Good(),
      bmptest::MakeBmp(9, 3, 1, std::vector<uint32_t>(27, 1), false, {0x000000, 0xFFFFFF}),
      bmptest::MakeBmp(3, 2, 4, std::vector<uint32_t>(6, 3), true, {0, 1, 2, 3}),
      bmptest::MakeBmp(3, 3, 8, std::vector<uint32_t>(9, 1), false, {0x10, 0x20}),
      bmptest::MakeBmp(2, 2, 32, std::vector<uint32_t>(4, 0xABCDEF)),
  };
  const std::string path = bmptest::TempPath("cut.bmp");
  for (size_t g = 0; g < goods.size(); ++g) {
    const std::vector<uint8_t>& good = goods[g];
    ASSERT_TRUE(bmptest::WriteBytes(path, good));
    HANDLE hbm = LoadFile(path);
    ASSERT_NE(hbm, nullptr) << "file " << g << " whole";
    DeleteObject(hbm);
    for (size_t cb = 0; cb < good.size(); ++cb) {
      SCOPED_TRACE(::testing::Message() << "file " << g << " cut to " << cb);
      ASSERT_TRUE(bmptest::WriteBytes(path, std::vector<uint8_t>(good.begin(), good.begin() + ptrdiff_t(cb))));
      EXPECT_EQ(LoadFile(path), nullptr);
    }
  }
  DeleteFileA(path.c_str());
}

TEST(GdiBadBmpTruncated, PaletteIndexBeyondTheColoursReadsBlack) {
  // Index 3 of a two-colour palette: no read past the palette.
  const std::string path = bmptest::TempPath("index.bmp");
  ASSERT_TRUE(bmptest::WriteBytes(path, bmptest::MakeBmp(2, 1, 8, {1, 3}, false, {0x0000FF, 0x00FF00})));
  HBITMAP hbm = static_cast<HBITMAP>(LoadFile(path));
  ASSERT_NE(hbm, nullptr);
  EXPECT_EQ(sim::GetBitmapPixel(hbm, 0, 0), 0x00FF00u);
  EXPECT_EQ(sim::GetBitmapPixel(hbm, 1, 0), 0x000000u);
  DeleteObject(hbm);
  DeleteFileA(path.c_str());
}

TEST(GdiBadBmpTruncated, ResourcesAndOtherImageTypesLoadAsNull) {
  EXPECT_EQ(LoadBitmapA(nullptr, "Skin"), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, "Skin", IMAGE_BITMAP, 0, 0, 0), nullptr);
  const std::string path = bmptest::TempPath("icon.bmp");
  ASSERT_TRUE(bmptest::WriteBytes(path, Good()));
  EXPECT_EQ(LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, nullptr, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
  DeleteFileA(path.c_str());
}

}  // namespace

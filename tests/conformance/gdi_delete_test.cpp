// DeleteObject as Windows publishes it: a bitmap, pen or brush that is
// selected into a DC is not deleted ("If the specified handle is not valid or
// is currently selected into a DC, the return value is zero"); once it is
// selected out, it is. Win32 API only.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct SelectedCase {
  const char* pszName;
  DWORD dwType;  // what GetObjectType reports while the object lives
  HGDIOBJ (*pfnMake)();
};
std::ostream& operator<<(std::ostream& os, const SelectedCase& c) { return os << c.pszName; }

class GdiDeleteSelected : public ::testing::TestWithParam<SelectedCase> {};

TEST_P(GdiDeleteSelected, IsRefusedAndTheObjectLivesOn) {
  const SelectedCase& c = GetParam();
  HDC hdc = CreateCompatibleDC(nullptr);
  ASSERT_NE(hdc, nullptr);
  HGDIOBJ h = c.pfnMake();
  ASSERT_NE(h, nullptr);
  HGDIOBJ hOld = SelectObject(hdc, h);
  ASSERT_NE(hOld, nullptr);

  EXPECT_FALSE(DeleteObject(h));
  EXPECT_EQ(GetObjectType(h), c.dwType);
  // Still the DC's: selecting the old object back hands it out again.
  EXPECT_EQ(SelectObject(hdc, hOld), h);

  EXPECT_TRUE(DeleteObject(h));
  EXPECT_EQ(GetObjectType(h), 0u);
  EXPECT_TRUE(DeleteDC(hdc));
}

INSTANTIATE_TEST_SUITE_P(
    Objects, GdiDeleteSelected,
    ::testing::Values(
        SelectedCase{"Bitmap", OBJ_BITMAP, [] { return static_cast<HGDIOBJ>(CreateBitmap(4, 4, 1, 1, nullptr)); }},
        SelectedCase{"Pen", OBJ_PEN, [] { return static_cast<HGDIOBJ>(CreatePen(PS_SOLID, 1, 0x123456)); }},
        SelectedCase{"Brush", OBJ_BRUSH, [] { return static_cast<HGDIOBJ>(CreateSolidBrush(0x654321)); }}),
    [](const ::testing::TestParamInfo<SelectedCase>& param) { return std::string(param.param.pszName); });

// Deleting the DC selects its objects out: then they can be deleted.
TEST(GdiDelete, ADeletedDcLetsItsObjectsGo) {
  HDC hdc = CreateCompatibleDC(nullptr);
  HBITMAP hbm = CreateBitmap(2, 2, 1, 1, nullptr);
  HPEN hPen = CreatePen(PS_SOLID, 1, 0);
  ASSERT_NE(SelectObject(hdc, hbm), nullptr);
  ASSERT_NE(SelectObject(hdc, hPen), nullptr);
  EXPECT_TRUE(DeleteDC(hdc));
  EXPECT_TRUE(DeleteObject(hbm));
  EXPECT_TRUE(DeleteObject(hPen));
  EXPECT_EQ(GetObjectType(hbm), 0u);
  EXPECT_EQ(GetObjectType(hPen), 0u);
}

// A pen selected into two DCs stays until it has left both.
TEST(GdiDelete, APenInTwoDcsStaysUntilItLeavesBoth) {
  HDC hdcA = CreateCompatibleDC(nullptr);
  HDC hdcB = CreateCompatibleDC(nullptr);
  HPEN hPen = CreatePen(PS_SOLID, 1, 0x00FF00);
  HGDIOBJ hOldA = SelectObject(hdcA, hPen);
  HGDIOBJ hOldB = SelectObject(hdcB, hPen);
  ASSERT_NE(hOldA, nullptr);
  ASSERT_NE(hOldB, nullptr);
  SelectObject(hdcA, hOldA);
  EXPECT_FALSE(DeleteObject(hPen));
  EXPECT_EQ(GetObjectType(hPen), DWORD(OBJ_PEN));
  SelectObject(hdcB, hOldB);
  EXPECT_TRUE(DeleteObject(hPen));
  DeleteDC(hdcA);
  DeleteDC(hdcB);
}

}  // namespace

// DeleteObject as Windows publishes it: a bitmap, pen or brush that is
// selected into a DC is not deleted ("If the specified handle is not valid or
// is currently selected into a DC, the return value is zero"); once it is
// selected out, it is. Win32 API only.
#include "platform/win32.h"

#include <gtest/gtest.h>


namespace {

// Selects h into a memory DC, deletes it there, then selects it out and
// deletes it again.
void ExpectRefusedWhileSelected(HGDIOBJ h, DWORD dwType) {
  HDC hdc = CreateCompatibleDC(nullptr);
  ASSERT_NE(hdc, nullptr);
  ASSERT_NE(h, nullptr);
  HGDIOBJ hOld = SelectObject(hdc, h);
  ASSERT_NE(hOld, nullptr);

  EXPECT_FALSE(DeleteObject(h));
  EXPECT_EQ(GetObjectType(h), dwType);
  // Still the DC's: selecting the old object back hands it out again.
  EXPECT_EQ(SelectObject(hdc, hOld), h);

  EXPECT_TRUE(DeleteObject(h));
  EXPECT_EQ(GetObjectType(h), 0u);
  EXPECT_TRUE(DeleteDC(hdc));
}

TEST(GdiDeleteSelected, BitmapIsRefusedAndLivesOn) {
  ExpectRefusedWhileSelected(CreateBitmap(4, 4, 1, 1, nullptr), OBJ_BITMAP);
}

TEST(GdiDeleteSelected, PenIsRefusedAndLivesOn) { ExpectRefusedWhileSelected(CreatePen(PS_SOLID, 1, 0x123456), OBJ_PEN); }

TEST(GdiDeleteSelected, BrushIsRefusedAndLivesOn) {
  ExpectRefusedWhileSelected(CreateSolidBrush(0x654321), OBJ_BRUSH);
}

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

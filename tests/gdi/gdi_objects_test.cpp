// GDI objects: handles, selection rules and modes of a DC.
#include "platform/sim/sim.h"

#include <gtest/gtest.h>

namespace {

TEST(GdiObjects, BitmapLivesInOneDcAtATime) {
  HDC hdcA = CreateCompatibleDC(nullptr);
  HDC hdcB = CreateCompatibleDC(nullptr);
  HBITMAP hbm = CreateBitmap(4, 4, 1, 32, nullptr);
  HGDIOBJ hOldA = SelectObject(hdcA, hbm);
  ASSERT_NE(hOldA, nullptr);
  EXPECT_EQ(SelectObject(hdcB, hbm), nullptr);
  SelectObject(hdcA, hOldA);
  HGDIOBJ hOldB = SelectObject(hdcB, hbm);
  EXPECT_NE(hOldB, nullptr);
  SelectObject(hdcB, hOldB);
  DeleteObject(hbm);
  DeleteDC(hdcA);
  DeleteDC(hdcB);
}

// A bitmap or pen that a DC holds is not deleted: it keeps drawing and
// counts as alive (so a leak shows) until it is selected out and deleted.
TEST(GdiObjects, SelectedObjectLivesUntilSelectedOutAndDeleted) {
  const size_t nBefore = sim::GdiObjectCount();
  HDC hdc = CreateCompatibleDC(nullptr);
  HBITMAP hbm = CreateBitmap(4, 4, 1, 32, nullptr);
  HPEN hPen = CreatePen(PS_SOLID, 1, 0x00FF00);
  HGDIOBJ hOld = SelectObject(hdc, hbm);
  HGDIOBJ hOldPen = SelectObject(hdc, hPen);
  EXPECT_FALSE(DeleteObject(hbm));
  EXPECT_FALSE(DeleteObject(hPen));
  EXPECT_EQ(sim::GdiObjectCount(), nBefore + 3);
  EXPECT_EQ(GetObjectType(hbm), DWORD(OBJ_BITMAP));
  MoveToEx(hdc, 0, 1, nullptr);
  EXPECT_TRUE(LineTo(hdc, 4, 1));
  EXPECT_EQ(sim::GetBitmapPixel(hbm, 3, 1), 0x00FF00u);
  SelectObject(hdc, hOld);
  SelectObject(hdc, hOldPen);
  EXPECT_TRUE(DeleteObject(hbm));
  EXPECT_TRUE(DeleteObject(hPen));
  EXPECT_FALSE(DeleteObject(hbm));
  EXPECT_EQ(GetObjectType(hbm), 0u);
  EXPECT_TRUE(DeleteDC(hdc));
  EXPECT_FALSE(DeleteDC(hdc));
  EXPECT_EQ(sim::GdiObjectCount(), nBefore);
  // Stock objects stay whatever is asked of them.
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), DWORD(OBJ_PEN));
}

TEST(GdiObjects, CreateBitmapReadsRowsPaddedToWords) {
  // 3 x 2 monochrome: row 0 = 1 0 1, row 1 = 0 1 0; rows are 2 bytes.
  const BYTE mono[4] = {0xA0, 0xFF, 0x40, 0xFF};
  HBITMAP hbm = CreateBitmap(3, 2, 1, 1, mono);
  ASSERT_NE(hbm, nullptr);
  const COLORREF expected[2][3] = {{0xFFFFFF, 0, 0xFFFFFF}, {0, 0xFFFFFF, 0}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(sim::GetBitmapPixel(hbm, x, y), expected[y][x]) << x << "," << y;
  EXPECT_EQ(sim::GetBitmapPixel(hbm, 3, 0), CLR_INVALID);
  DeleteObject(hbm);
  const BYTE colour[8] = {0x56, 0x34, 0x12, 0, 0xFF, 0, 0, 0};  // BGRX
  hbm = CreateBitmap(2, 1, 1, 32, colour);
  EXPECT_EQ(sim::GetBitmapPixel(hbm, 0, 0), 0x563412u);
  EXPECT_EQ(sim::GetBitmapPixel(hbm, 1, 0), 0xFF0000u);
  DeleteObject(hbm);
}

TEST(GdiObjects, RefusesBadSizesAndFormats) {
  EXPECT_EQ(CreateBitmap(-1, 4, 1, 1, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(4, 4, 2, 1, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(100000, 100000, 1, 32, nullptr), nullptr);
  HDC hdc = GetDC(nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(hdc, 40000, 40000), nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(hdc, -2, 3), nullptr);
  ReleaseDC(nullptr, hdc);
  EXPECT_EQ(CreateCompatibleDC(reinterpret_cast<HDC>(uintptr_t(0x999))), nullptr);
}

TEST(GdiObjects, ModesAndColoursReturnTheirPreviousValues) {
  HDC hdc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetMapMode(hdc), MM_TEXT);
  EXPECT_EQ(SetMapMode(hdc, MM_TWIPS), MM_TEXT);
  EXPECT_EQ(SetMapMode(hdc, 0), 0);
  EXPECT_EQ(GetMapMode(hdc), MM_TWIPS);
  EXPECT_EQ(SetBkColor(hdc, 0x123456), 0xFFFFFFu);
  EXPECT_EQ(SetTextColor(hdc, 0x654321), 0x000000u);
  EXPECT_EQ(SetBkMode(hdc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(hdc, 7), 0);
  EXPECT_EQ(GetBkMode(hdc), TRANSPARENT);
  POINT pt{7, 9};
  EXPECT_TRUE(DPtoLP(hdc, &pt, 1));
  EXPECT_EQ(pt.x, 7);
  EXPECT_EQ(pt.y, 9);
  DeleteDC(hdc);
  EXPECT_EQ(SetBkColor(hdc, 0), CLR_INVALID);
}

}  // namespace

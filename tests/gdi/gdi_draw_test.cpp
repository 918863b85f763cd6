// Drawing on a window surface: text, lines with pen widths, rectangles and
// filled rectangles.
#include "platform/sim/sim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr COLORREF kPaper = 0x00FF00;  // the surface's colour before drawing

class GdiDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    m_hWnd = sim::CreateTestWindow(120, 60);
    ASSERT_NE(m_hWnd, nullptr);
    m_hdc = GetDC(m_hWnd);
    SetUpPaper();
  }
  void SetUpPaper() {
    HBRUSH hbr = CreateSolidBrush(kPaper);
    const RECT all{0, 0, 120, 60};
    FillRect(m_hdc, &all, hbr);
    DeleteObject(hbr);
  }
  void TearDown() override {
    ReleaseDC(m_hWnd, m_hdc);
    DestroyWindow(m_hWnd);
  }
  COLORREF Pixel(int x, int y) const { return sim::GetWindowPixel(m_hWnd, x, y); }
  // Pixels that are no longer the paper colour, within rc; and outside it.
  int Changed(const RECT& rc, bool bInside) const {
    int n = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 120; ++x) {
        const bool bIn = x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
        if (bIn == bInside && Pixel(x, y) != kPaper) ++n;
      }
    return n;
  }
  HWND m_hWnd = nullptr;
  HDC m_hdc = nullptr;
};

TEST_F(GdiDraw, TextIsClippedToItsRectangleAndLaidFromTheTopLeft) {
  SetBkMode(m_hdc, TRANSPARENT);
  SetTextColor(m_hdc, 0x0000FF);
  RECT rc{10, 5, 40, 15};
  const int nHeight = DrawTextA(m_hdc, "WWWWWWWWWW", -1, &rc, DT_BOTTOM);
  EXPECT_GT(nHeight, 0);
  EXPECT_GT(Changed(rc, true), 20);
  EXPECT_EQ(Changed(rc, false), 0);
  // Glyph cores take the text colour itself; the first column of ink is at
  // the rectangle's left edge, within the first two pixels.
  bool bPure = false, bLeft = false;
  for (int y = rc.top; y < rc.bottom; ++y)
    for (int x = rc.left; x < rc.right; ++x) {
      if (Pixel(x, y) == 0x0000FFu) bPure = true;
      if (x < rc.left + 2 && Pixel(x, y) != kPaper) bLeft = true;
    }
  EXPECT_TRUE(bPure);
  EXPECT_TRUE(bLeft);
}

TEST_F(GdiDraw, OpaqueTextFillsItsBoxWithTheBackgroundColour) {
  SetBkMode(m_hdc, OPAQUE);
  SetBkColor(m_hdc, 0xFF0000);
  SetTextColor(m_hdc, 0x000000);
  RECT rc{0, 0, 120, 60};
  RECT rcCalc = rc;
  const int nHeight = DrawTextA(m_hdc, "ab", 2, &rcCalc, DT_BOTTOM | DT_CALCRECT);
  EXPECT_EQ(Changed(rc, true), 0);  // measuring draws nothing
  ASSERT_GT(rcCalc.right, 0);
  EXPECT_EQ(rcCalc.bottom - rcCalc.top, nHeight);
  DrawTextA(m_hdc, "ab", 2, &rc, DT_BOTTOM);
  EXPECT_EQ(Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(Pixel(rcCalc.right - 1, nHeight - 1), 0xFF0000u);
  EXPECT_EQ(Pixel(rcCalc.right, 0), kPaper);
  EXPECT_EQ(Pixel(0, nHeight), kPaper);
}

TEST_F(GdiDraw, LineBreaksAddLinesAndPrefixesAreRemoved) {
  RECT one{0, 0, 120, 60}, two = one, prefix = one, plain = one;
  const int nOne = DrawTextA(m_hdc, "A", -1, &one, DT_CALCRECT);
  const int nTwo = DrawTextA(m_hdc, "A\r\nA", -1, &two, DT_CALCRECT);
  EXPECT_EQ(nTwo, 2 * nOne);
  DrawTextA(m_hdc, "&&", -1, &prefix, DT_CALCRECT);
  DrawTextA(m_hdc, "&", -1, &plain, DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(prefix.right, plain.right);
  RECT empty{0, 0, 120, 60};
  DrawTextA(m_hdc, "", 0, &empty, DT_BOTTOM);
  EXPECT_EQ(Changed(RECT{0, 0, 120, 60}, true), 0);
  EXPECT_EQ(DrawTextA(nullptr, "A", 1, &one, 0), 0);
}

// Rectangles anywhere in the int range, as a layout entry can give them
// (a coordinate saturated to INT_MAX): text that falls outside the surface
// is clipped away, and no position overflows.
TEST_F(GdiDraw, TextAtTheEndsOfTheIntRangeIsClippedAway) {
  SetTextColor(m_hdc, 0x0000FF);
  const RECT kRects[] = {
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, {INT_MAX - 5, 0, INT_MAX, 40}, {0, INT_MAX - 3, 100, INT_MAX},
      {INT_MIN, INT_MIN, INT_MIN, INT_MIN}, {INT_MIN, 0, INT_MAX, 40},     {0, INT_MIN, 100, INT_MAX},
      {INT_MAX, 0, INT_MIN, 40},           {0, 0, 100, INT_MIN},
  };
  const UINT kFormats[] = {DT_BOTTOM, DT_BOTTOM | DT_SINGLELINE, DT_VCENTER | DT_SINGLELINE | DT_CENTER,
                           DT_RIGHT | DT_NOCLIP, DT_CENTER | DT_NOCLIP};
  for (int nMode : {TRANSPARENT, OPAQUE}) {
    SetBkMode(m_hdc, nMode);
    for (const RECT& rcCase : kRects) {
      for (UINT uFormat : kFormats) {
        SCOPED_TRACE(testing::Message() << rcCase.left << "," << rcCase.top << "," << rcCase.right << ","
                                        << rcCase.bottom << " format " << uFormat << " mode " << nMode);
        RECT rc = rcCase;
        DrawTextA(m_hdc, "Wg&x\r\nWg", -1, &rc, uFormat);
        const bool bClipped = !(uFormat & DT_NOCLIP) && (rc.left >= 120 || rc.right <= 0 || rc.top >= 60 ||
                                                          rc.bottom <= 0 || rc.left >= rc.right || rc.top >= rc.bottom);
        if (bClipped) {
          EXPECT_EQ(Changed(RECT{0, 0, 120, 60}, true), 0);
        }
        SetUpPaper();
      }
    }
  }
  // The measured rectangle saturates instead of wrapping.
  RECT rc{INT_MAX - 2, INT_MAX - 2, INT_MAX, INT_MAX};
  EXPECT_GT(DrawTextA(m_hdc, "WWWW", -1, &rc, DT_CALCRECT), 0);
  EXPECT_EQ(rc.right, INT_MAX);
  EXPECT_EQ(rc.bottom, INT_MAX);
}

// Where a single line lands: centred both ways, at the top, or right-aligned
// and cut at the rectangle's left edge.
TEST_F(GdiDraw, SingleLinePlacementAndTheLeftClip) {
  SetBkMode(m_hdc, TRANSPARENT);
  SetTextColor(m_hdc, 0x0000FF);
  struct Ink {
    int l = 1000, t = 1000, r = -1, b = -1;
  };
  auto InkOf = [this]() {
    Ink ink;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 120; ++x)
        if (Pixel(x, y) != kPaper) {
          ink.l = std::min(ink.l, x);
          ink.t = std::min(ink.t, y);
          ink.r = std::max(ink.r, x + 1);
          ink.b = std::max(ink.b, y + 1);
        }
    return ink;
  };
  RECT rc{20, 10, 100, 56};
  DrawTextA(m_hdc, "HH", -1, &rc, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  Ink ink = InkOf();
  EXPECT_NEAR((ink.l + ink.r) / 2.0, 60, 2);
  EXPECT_NEAR((ink.t + ink.b) / 2.0, 33, 4);
  SetUpPaper();
  rc = RECT{20, 10, 100, 56};
  DrawTextA(m_hdc, "HH", -1, &rc, DT_SINGLELINE);
  ink = InkOf();
  EXPECT_LE(ink.t, 14) << "a single line without placement flags starts at the top";
  EXPECT_GE(ink.t, 10);
  SetUpPaper();
  rc = RECT{30, 10, 50, 40};
  DrawTextA(m_hdc, "HHHHHHHH", -1, &rc, DT_RIGHT);
  ink = InkOf();
  EXPECT_GE(ink.l, 30) << "text that starts left of the rectangle is cut at its edge";
  EXPECT_LE(ink.l, 34);
  EXPECT_LE(ink.r, 50);
}

TEST_F(GdiDraw, ThinLineLeavesOutItsEndPoint) {
  HPEN hPen = CreatePen(PS_SOLID, 1, 0x000000);
  HGDIOBJ hOld = SelectObject(m_hdc, hPen);
  POINT pt{-1, -1};
  MoveToEx(m_hdc, 5, 5, nullptr);
  LineTo(m_hdc, 15, 5);
  MoveToEx(m_hdc, 20, 20, &pt);
  EXPECT_EQ(pt.x, 15);
  EXPECT_EQ(pt.y, 5);
  EXPECT_EQ(Pixel(5, 5), 0x000000u);
  EXPECT_EQ(Pixel(14, 5), 0x000000u);
  EXPECT_EQ(Pixel(15, 5), kPaper);
  EXPECT_EQ(Pixel(10, 4), kPaper);
  EXPECT_EQ(Pixel(10, 6), kPaper);
  SelectObject(m_hdc, hOld);
  DeleteObject(hPen);
}

TEST_F(GdiDraw, WidePenCoversItsWidthAcrossTheLine) {
  HPEN hPen = CreatePen(PS_SOLID, 3, 0xFFFFFF);
  HGDIOBJ hOld = SelectObject(m_hdc, hPen);
  MoveToEx(m_hdc, 10, 30, nullptr);
  LineTo(m_hdc, 50, 30);
  for (int y = 29; y <= 31; ++y) EXPECT_EQ(Pixel(30, y), 0xFFFFFFu) << y;
  EXPECT_EQ(Pixel(30, 28), kPaper);
  EXPECT_EQ(Pixel(30, 32), kPaper);
  EXPECT_EQ(Pixel(50, 30), 0xFFFFFFu);  // round end
  EXPECT_EQ(Pixel(53, 30), kPaper);
  SelectObject(m_hdc, hOld);
  DeleteObject(hPen);
}

TEST_F(GdiDraw, RectangleFramesWithThePenAndFillsWithTheBrush) {
  HBRUSH hbr = CreateSolidBrush(0x0000FF);
  HGDIOBJ hOldBrush = SelectObject(m_hdc, hbr);
  ASSERT_TRUE(Rectangle(m_hdc, 10, 10, 20, 16));
  EXPECT_EQ(Pixel(10, 10), 0x000000u);
  EXPECT_EQ(Pixel(19, 15), 0x000000u);
  EXPECT_EQ(Pixel(15, 13), 0x0000FFu);
  EXPECT_EQ(Pixel(20, 13), kPaper);
  EXPECT_EQ(Pixel(15, 16), kPaper);
  SelectObject(m_hdc, GetStockObject(NULL_BRUSH));
  SelectObject(m_hdc, GetStockObject(WHITE_PEN));
  Rectangle(m_hdc, 30, 10, 40, 16);
  EXPECT_EQ(Pixel(30, 10), 0xFFFFFFu);
  EXPECT_EQ(Pixel(35, 13), kPaper);
  SelectObject(m_hdc, hOldBrush);
  DeleteObject(hbr);
}

TEST_F(GdiDraw, FillRectTakesSystemColourIndexes) {
  const RECT rc{0, 0, 2, 2};
  EXPECT_NE(FillRect(m_hdc, &rc, reinterpret_cast<HBRUSH>(uintptr_t(COLOR_BTNFACE + 1))), 0);
  EXPECT_EQ(Pixel(1, 1), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(Pixel(2, 2), kPaper);
}

}  // namespace

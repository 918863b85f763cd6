// Window surfaces: the update region, painting, the invalidation record and
// PNG pictures.
#include "platform/sim/sim.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class GdiWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    m_hWnd = sim::CreateTestWindow(40, 30);
    ASSERT_NE(m_hWnd, nullptr);
    sim::ClearInvalidations();
  }
  void TearDown() override { DestroyWindow(m_hWnd); }
  HWND m_hWnd = nullptr;
};

TEST_F(GdiWindow, ClientRectIsTheSurfaceSize) {
  RECT rc;
  std::memset(&rc, 0xcd, sizeof rc);
  ASSERT_TRUE(GetClientRect(m_hWnd, &rc));
  EXPECT_TRUE(SameRect(rc, RECT{0, 0, 40, 30}));
  EXPECT_EQ(sim::GetWindowPixel(m_hWnd, 39, 29), 0xFFFFFFu);
  EXPECT_EQ(sim::GetWindowPixel(m_hWnd, 40, 0), CLR_INVALID);
}

TEST_F(GdiWindow, UpdateRegionGrowsToTheBoundsOfItsRectanglesClippedToTheClient) {
  RECT rc;
  EXPECT_FALSE(GetUpdateRect(m_hWnd, &rc, FALSE));
  const RECT a{2, 3, 10, 8}, b{30, 20, 60, 50}, outside{50, 50, 60, 60}, noWidth{5, 5, 5, 20};
  EXPECT_TRUE(InvalidateRect(m_hWnd, &a, FALSE));
  EXPECT_TRUE(InvalidateRect(m_hWnd, &b, FALSE));
  EXPECT_TRUE(InvalidateRect(m_hWnd, &outside, TRUE));
  EXPECT_TRUE(InvalidateRect(m_hWnd, &noWidth, TRUE));
  ASSERT_TRUE(GetUpdateRect(m_hWnd, &rc, FALSE));
  EXPECT_TRUE(SameRect(rc, RECT{2, 3, 40, 30}));

  PAINTSTRUCT ps;
  std::memset(&ps, 0xcd, sizeof ps);
  HDC hdc = BeginPaint(m_hWnd, &ps);
  ASSERT_NE(hdc, nullptr);
  EXPECT_EQ(ps.hdc, hdc);
  EXPECT_TRUE(SameRect(ps.rcPaint, RECT{2, 3, 40, 30}));
  // The rectangles wholly outside the client area or without pixels brought
  // no erase with them.
  EXPECT_FALSE(ps.fErase);
  EndPaint(m_hWnd, &ps);
  EXPECT_FALSE(GetUpdateRect(m_hWnd, &rc, FALSE));
}

TEST_F(GdiWindow, EraseFlagOfAnyCallStaysUntilPainted) {
  const RECT a{0, 0, 5, 5}, b{5, 5, 9, 9};
  InvalidateRect(m_hWnd, &a, TRUE);
  InvalidateRect(m_hWnd, &b, FALSE);
  PAINTSTRUCT ps;
  BeginPaint(m_hWnd, &ps);
  EXPECT_TRUE(ps.fErase);
  EndPaint(m_hWnd, &ps);
  // Nothing left: the next paint is empty and does not erase.
  BeginPaint(m_hWnd, &ps);
  EXPECT_FALSE(ps.fErase);
  EXPECT_TRUE(IsRectEmpty(&ps.rcPaint));
  EndPaint(m_hWnd, &ps);
}

TEST_F(GdiWindow, PaintDcDrawsOnlyInsideTheUpdateRectangle) {
  const RECT rcUpdate{10, 10, 20, 20};
  InvalidateRect(m_hWnd, &rcUpdate, FALSE);
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(m_hWnd, &ps);
  HBRUSH hbr = CreateSolidBrush(0x0000FF);
  const RECT all{0, 0, 40, 30};
  FillRect(hdc, &all, hbr);
  DeleteObject(hbr);
  EndPaint(m_hWnd, &ps);
  EXPECT_EQ(sim::GetWindowPixel(m_hWnd, 10, 10), 0x0000FFu);
  EXPECT_EQ(sim::GetWindowPixel(m_hWnd, 19, 19), 0x0000FFu);
  EXPECT_EQ(sim::GetWindowPixel(m_hWnd, 9, 10), 0xFFFFFFu);
  EXPECT_EQ(sim::GetWindowPixel(m_hWnd, 20, 19), 0xFFFFFFu);
  EXPECT_EQ(sim::GetWindowPixel(m_hWnd, 19, 20), 0xFFFFFFu);
}

// The update region against a model of its pixels: after invalidations and
// validations of overlapping rectangles (some reaching out of the client
// area), GetUpdateRect gives the bounds of the pixels left invalid, and a
// paint over the whole client area (brush, blit, pixels or lines) colours
// exactly those pixels.
TEST_F(GdiWindow, UpdateRegionHoldsExactlyThePixelsLeftInvalid) {
  constexpr int kCx = 40, kCy = 30;
  uint32_t seed = 12345;
  auto next = [&seed](int n) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 16) % unsigned(n));
  };
  HBRUSH hbrRed = CreateSolidBrush(0x0000FF);
  HBRUSH hbrWhite = CreateSolidBrush(0xFFFFFF);
  const RECT all{0, 0, kCx, kCy};
  // The rounds paint in turn with a brush, a blit from this red bitmap,
  // single pixels and lines.
  HPEN hPenRed = CreatePen(PS_SOLID, 1, 0x0000FF);
  HDC hdcRed = CreateCompatibleDC(nullptr);
  HBITMAP hbmRed = CreateBitmap(kCx, kCy, 1, 32, nullptr);
  HGDIOBJ hOld = SelectObject(hdcRed, hbmRed);
  FillRect(hdcRed, &all, hbrRed);
  for (int round = 0; round < 48; ++round) {
    SCOPED_TRACE(round);
    bool model[kCy][kCx] = {};
    ValidateRect(m_hWnd, nullptr);
    for (int op = 0; op < 10; ++op) {
      const RECT rc{next(50) - 5, next(40) - 5, 0, 0};
      const RECT r{rc.left, rc.top, rc.left + next(25), rc.top + next(20)};
      const bool bAdd = next(3) != 0;
      if (bAdd)
        InvalidateRect(m_hWnd, &r, FALSE);
      else
        ValidateRect(m_hWnd, &r);
      for (int y = std::max(0, int(r.top)); y < std::min(kCy, int(r.bottom)); ++y)
        for (int x = std::max(0, int(r.left)); x < std::min(kCx, int(r.right)); ++x) model[y][x] = bAdd;
    }
    RECT bounds{kCx, kCy, 0, 0};
    for (int y = 0; y < kCy; ++y)
      for (int x = 0; x < kCx; ++x)
        if (model[y][x]) bounds = RECT{std::min(bounds.left, LONG(x)), std::min(bounds.top, LONG(y)),
                                       std::max(bounds.right, LONG(x + 1)), std::max(bounds.bottom, LONG(y + 1))};
    if (bounds.right == 0) bounds = RECT{0, 0, 0, 0};
    RECT rc;
    EXPECT_EQ(GetUpdateRect(m_hWnd, &rc, FALSE), bounds.right != 0 ? TRUE : FALSE);
    EXPECT_TRUE(SameRect(rc, bounds));

    HDC hdc = GetDC(m_hWnd);
    FillRect(hdc, &all, hbrWhite);
    ReleaseDC(m_hWnd, hdc);
    PAINTSTRUCT ps;
    hdc = BeginPaint(m_hWnd, &ps);
    EXPECT_TRUE(SameRect(ps.rcPaint, bounds));
    switch (round % 4) {
      case 0:
        FillRect(hdc, &all, hbrRed);
        break;
      case 1:
        BitBlt(hdc, 0, 0, kCx, kCy, hdcRed, 0, 0, SRCCOPY);
        break;
      case 2:
        for (int y = 0; y < kCy; ++y)
          for (int x = 0; x < kCx; ++x)
            EXPECT_EQ(SetPixel(hdc, x, y, 0x0000FF), model[y][x] ? 0x0000FFu : CLR_INVALID) << x << "," << y;
        break;
      default: {
        HGDIOBJ hOldPen = SelectObject(hdc, hPenRed);
        for (int y = 0; y < kCy; ++y) {
          MoveToEx(hdc, 0, y, nullptr);
          LineTo(hdc, kCx, y);
        }
        SelectObject(hdc, hOldPen);
        break;
      }
    }
    EndPaint(m_hWnd, &ps);
    int nWrong = 0;
    for (int y = 0; y < kCy; ++y)
      for (int x = 0; x < kCx; ++x)
        if ((sim::GetWindowPixel(m_hWnd, x, y) == 0x0000FF) != model[y][x]) ++nWrong;
    EXPECT_EQ(nWrong, 0);
  }
  SelectObject(hdcRed, hOld);
  DeleteObject(hPenRed);
  DeleteObject(hbmRed);
  DeleteDC(hdcRed);
  DeleteObject(hbrRed);
  DeleteObject(hbrWhite);
}

// A blit through a paint DC whose region has parts apart from its left edge:
// each part gets the source pixels under it, from a source of another
// format (converted first) as from one of the window's own format.
TEST_F(GdiWindow, BlitThroughAPaintDcGivesEachPartItsOwnSourcePixels) {
  constexpr int kCx = 40, kCy = 30;
  const RECT parts[] = {{2, 2, 10, 10}, {20, 5, 35, 25}};
  auto inside = [&parts](int x, int y) {
    for (const RECT& r : parts)
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
  };
  for (const int nBits : {1, 32}) {
    SCOPED_TRACE(nBits);
    HDC hdcSrc = CreateCompatibleDC(nullptr);
    HBITMAP hbmSrc = CreateBitmap(kCx, kCy, 1, nBits, nullptr);
    HGDIOBJ hOld = SelectObject(hdcSrc, hbmSrc);
    auto colourAt = [nBits](int x, int y) -> COLORREF {
      if (nBits == 1) return ((x / 3 + y) % 2) ? 0xFFFFFF : 0x000000;
      return RGB(x * 6, y * 8, (x + y) * 3);
    };
    for (int y = 0; y < kCy; ++y)
      for (int x = 0; x < kCx; ++x) SetPixel(hdcSrc, x, y, colourAt(x, y));

    HDC hdc = GetDC(m_hWnd);
    const RECT all{0, 0, kCx, kCy};
    HBRUSH hbrRed = CreateSolidBrush(0x0000FF);
    FillRect(hdc, &all, hbrRed);
    ReleaseDC(m_hWnd, hdc);
    ValidateRect(m_hWnd, nullptr);
    for (const RECT& r : parts) InvalidateRect(m_hWnd, &r, FALSE);
    PAINTSTRUCT ps;
    hdc = BeginPaint(m_hWnd, &ps);
    EXPECT_TRUE(BitBlt(hdc, 0, 0, kCx, kCy, hdcSrc, 0, 0, SRCCOPY));
    EndPaint(m_hWnd, &ps);

    int nWrong = 0;
    for (int y = 0; y < kCy; ++y)
      for (int x = 0; x < kCx; ++x)
        if (sim::GetWindowPixel(m_hWnd, x, y) != (inside(x, y) ? colourAt(x, y) : 0x0000FFu)) ++nWrong;
    EXPECT_EQ(nWrong, 0);
    DeleteObject(hbrRed);
    SelectObject(hdcSrc, hOld);
    DeleteObject(hbmSrc);
    DeleteDC(hdcSrc);
  }
}

TEST_F(GdiWindow, GetDcDrawsOnTheWholeClientArea) {
  HDC hdc = GetDC(m_hWnd);
  ASSERT_NE(hdc, nullptr);
  EXPECT_EQ(SetPixel(hdc, 39, 29, 0x00FF00), 0x00FF00u);
  EXPECT_EQ(SetPixel(hdc, 40, 29, 0x00FF00), CLR_INVALID);
  EXPECT_EQ(ReleaseDC(m_hWnd, hdc), 1);
  EXPECT_EQ(sim::GetWindowPixel(m_hWnd, 39, 29), 0x00FF00u);
}

TEST_F(GdiWindow, ValidateRectEmptiesTheRegionItCovers) {
  const RECT a{2, 2, 6, 6}, partial{2, 2, 4, 4}, cover{0, 0, 10, 10};
  RECT rc;
  InvalidateRect(m_hWnd, &a, TRUE);
  ValidateRect(m_hWnd, &partial);
  EXPECT_TRUE(GetUpdateRect(m_hWnd, &rc, FALSE));
  ValidateRect(m_hWnd, &cover);
  EXPECT_FALSE(GetUpdateRect(m_hWnd, &rc, FALSE));
  InvalidateRect(m_hWnd, nullptr, FALSE);
  ValidateRect(m_hWnd, nullptr);
  EXPECT_FALSE(GetUpdateRect(m_hWnd, &rc, FALSE));
}

TEST_F(GdiWindow, RecordKeepsEveryCallInOrder) {
  const RECT a{1, 2, 3, 4};
  InvalidateRect(m_hWnd, &a, TRUE);
  InvalidateRect(m_hWnd, nullptr, FALSE);
  HWND hBad = reinterpret_cast<HWND>(uintptr_t(0x1234));
  EXPECT_FALSE(InvalidateRect(hBad, &a, FALSE));
  const std::vector<sim::Invalidation> calls = sim::GetInvalidations();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].hWnd, m_hWnd);
  EXPECT_FALSE(calls[0].bWholeWindow);
  EXPECT_TRUE(SameRect(calls[0].rc, a));
  EXPECT_TRUE(calls[0].bErase);
  EXPECT_TRUE(calls[1].bWholeWindow);
  EXPECT_FALSE(calls[1].bErase);
  EXPECT_EQ(calls[2].hWnd, hBad);
  sim::ClearInvalidations();
  EXPECT_TRUE(sim::GetInvalidations().empty());
}

// A window procedure that counts its messages and erases in red.
int g_nPaints = 0;
int g_nErases = 0;
LRESULT CALLBACK CountingProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM) {
  if (uMsg == WM_ERASEBKGND) {
    ++g_nErases;
    RECT rc;
    GetClientRect(hWnd, &rc);
    HBRUSH hbr = CreateSolidBrush(0x0000FF);
    FillRect(reinterpret_cast<HDC>(wParam), &rc, hbr);
    DeleteObject(hbr);
    return 1;
  }
  if (uMsg == WM_PAINT) {
    ++g_nPaints;
    PAINTSTRUCT ps;
    BeginPaint(hWnd, &ps);
    EXPECT_FALSE(ps.fErase);  // the procedure erased
    EndPaint(hWnd, &ps);
  }
  return 0;
}

TEST(GdiWindowProc, UpdateWindowPaintsOnlyAPendingUpdate) {
  g_nPaints = g_nErases = 0;
  HWND hWnd = sim::CreateTestWindow(8, 8, CountingProc);
  ASSERT_NE(hWnd, nullptr);
  EXPECT_TRUE(UpdateWindow(hWnd));
  EXPECT_EQ(g_nPaints, 0);
  const RECT rc{2, 2, 4, 4};
  InvalidateRect(hWnd, &rc, TRUE);
  EXPECT_TRUE(UpdateWindow(hWnd));
  EXPECT_EQ(g_nPaints, 1);
  EXPECT_EQ(g_nErases, 1);
  // The erase drew through the paint DC, clipped to the update rectangle.
  EXPECT_EQ(sim::GetWindowPixel(hWnd, 2, 2), 0x0000FFu);
  EXPECT_EQ(sim::GetWindowPixel(hWnd, 4, 4), 0xFFFFFFu);
  EXPECT_TRUE(UpdateWindow(hWnd));
  EXPECT_EQ(g_nPaints, 1);
  DestroyWindow(hWnd);
}

// An erase before the paint (GetUpdateRect asked to erase, InvalidateRect
// without a window) goes through a DC clipped to the update region, which
// is released afterwards.
TEST(GdiWindowProc, EraseBeforeThePaintIsClippedAndLeavesNoDc) {
  g_nPaints = g_nErases = 0;
  HWND hWnd = sim::CreateTestWindow(8, 8, CountingProc);
  ASSERT_NE(hWnd, nullptr);
  const size_t nBefore = sim::GdiObjectCount();
  const RECT rc{2, 2, 4, 4};
  InvalidateRect(hWnd, &rc, TRUE);
  RECT rcUpdate;
  EXPECT_TRUE(GetUpdateRect(hWnd, &rcUpdate, TRUE));
  EXPECT_EQ(g_nErases, 1);
  EXPECT_EQ(sim::GetWindowPixel(hWnd, 2, 2), 0x0000FFu);
  EXPECT_EQ(sim::GetWindowPixel(hWnd, 5, 5), 0xFFFFFFu);
  EXPECT_TRUE(InvalidateRect(nullptr, nullptr, FALSE));
  EXPECT_EQ(g_nErases, 2);
  EXPECT_EQ(sim::GetWindowPixel(hWnd, 5, 5), 0x0000FFu);
  EXPECT_EQ(sim::GdiObjectCount(), nBefore);
  EXPECT_EQ(g_nPaints, 0);
  DestroyWindow(hWnd);
}

TEST(GdiWindowLife, DestroyedWindowRefusesEveryCall) {
  HWND hWnd = sim::CreateTestWindow(4, 4);
  ASSERT_TRUE(IsWindow(hWnd));
  EXPECT_TRUE(DestroyWindow(hWnd));
  EXPECT_FALSE(IsWindow(hWnd));
  EXPECT_FALSE(DestroyWindow(hWnd));
  RECT rc;
  EXPECT_FALSE(GetClientRect(hWnd, &rc));
  EXPECT_EQ(GetDC(hWnd), nullptr);
  EXPECT_FALSE(InvalidateRect(hWnd, nullptr, TRUE));
  EXPECT_EQ(sim::CreateTestWindow(0, 5), nullptr);
  EXPECT_EQ(sim::CreateTestWindow(5, -1), nullptr);
}

// Reads a PNG back through libpng as RGB rows.
bool ReadPng(const std::string& path, int* pcx, int* pcy, std::vector<uint8_t>* pRgb) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  pRgb->resize(PNG_IMAGE_SIZE(image));
  *pcx = int(image.width);
  *pcy = int(image.height);
  return png_image_finish_read(&image, nullptr, pRgb->data(), 0, nullptr) != 0;
}

TEST_F(GdiWindow, PngHoldsTheSurfacePixels) {
  HDC hdc = GetDC(m_hWnd);
  SetPixel(hdc, 0, 0, RGB(10, 20, 30));
  SetPixel(hdc, 39, 29, RGB(200, 100, 50));
  ReleaseDC(m_hWnd, hdc);
  const std::string path = ::testing::TempDir() + "gdi_window.png";
  ASSERT_TRUE(sim::WriteWindowPng(m_hWnd, path.c_str()));
  int cx = 0, cy = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(ReadPng(path, &cx, &cy, &rgb));
  std::remove(path.c_str());
  ASSERT_EQ(cx, 40);
  ASSERT_EQ(cy, 30);
  EXPECT_EQ(rgb[0], 10);
  EXPECT_EQ(rgb[1], 20);
  EXPECT_EQ(rgb[2], 30);
  const size_t last = (size_t(29) * 40 + 39) * 3;
  EXPECT_EQ(rgb[last], 200);
  EXPECT_EQ(rgb[last + 1], 100);
  EXPECT_EQ(rgb[last + 2], 50);
  EXPECT_EQ(rgb[3], 255);
  EXPECT_FALSE(sim::WriteWindowPng(m_hWnd, "/nonexistent-folder/x.png"));
  EXPECT_FALSE(sim::WriteWindowPng(nullptr, path.c_str()));
}

TEST(GdiBitmapPng, MonochromeBitmapWritesBlackAndWhite) {
  const BYTE bits[2] = {0x80, 0x00};  // one row: pixel 0 set
  HBITMAP hbm = CreateBitmap(2, 1, 1, 1, bits);
  const std::string path = ::testing::TempDir() + "gdi_mono.png";
  ASSERT_TRUE(sim::WriteBitmapPng(hbm, path.c_str()));
  int cx = 0, cy = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(ReadPng(path, &cx, &cy, &rgb));
  std::remove(path.c_str());
  ASSERT_EQ(rgb.size(), 6u);
  EXPECT_EQ(rgb[0], 255);
  EXPECT_EQ(rgb[3], 0);
  DeleteObject(hbm);
}

}  // namespace

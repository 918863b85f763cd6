// The update region as Windows publishes it: a union of rectangles, not
// their bounding box; GetUpdateRect gives "the smallest rectangle that
// completely encloses the update region", BeginPaint's rcPaint the same one
// and a DC that draws only inside the region; InvalidateRect with no window
// invalidates every window and erases before it returns. Win32 API only.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const char kClass[] = "QjPaintConformance";
constexpr int kWidth = 100;
constexpr int kHeight = 80;

// What the window procedure saw.
struct Seen {
  int nPaints = 0;
  int nErases = 0;
  int nNcPaints = 0;
  PAINTSTRUCT ps{};
  BOOL bUpdateAfterBeginPaint = TRUE;
  COLORREF crInside = 0;   // GetPixel of the paint DC at kInside
  COLORREF crBetween = 0;  // and at kBetween
};
Seen g_seen;
// When set, the paint fills the whole client area with red.
bool g_bFillRed = false;

// Two rectangles with a gap between them, and a point in each part.
constexpr RECT kLeft{10, 10, 30, 30};
constexpr RECT kRight{60, 10, 80, 30};
constexpr POINT kInside{15, 15};
constexpr POINT kBetween{45, 20};

LRESULT CALLBACK PaintProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_NCPAINT:
      ++g_seen.nNcPaints;
      break;
    case WM_ERASEBKGND:
      ++g_seen.nErases;
      break;
    case WM_PAINT: {
      ++g_seen.nPaints;
      HDC hdc = BeginPaint(hWnd, &g_seen.ps);
      g_seen.bUpdateAfterBeginPaint = GetUpdateRect(hWnd, nullptr, FALSE);
      g_seen.crInside = GetPixel(hdc, kInside.x, kInside.y);
      g_seen.crBetween = GetPixel(hdc, kBetween.x, kBetween.y);
      if (g_bFillRed) {
        const RECT rcAll{0, 0, kWidth, kHeight};
        HBRUSH hbr = CreateSolidBrush(0x0000FF);
        FillRect(hdc, &rcAll, hbr);
        DeleteObject(hbr);
      }
      EndPaint(hWnd, &g_seen.ps);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class User32Paint : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSEXA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PaintProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClass;
    ASSERT_NE(RegisterClassExA(&wc), 0);
    m_hWnd = CreateWindowExA(0, kClass, "", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(m_hWnd, nullptr);
    // Whatever creation and showing left to paint is painted, then nothing
    // is pending.
    UpdateWindow(m_hWnd);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    ValidateRect(m_hWnd, nullptr);
    g_seen = Seen();
    g_bFillRed = false;
  }
  void TearDown() override {
    if (m_hWnd) DestroyWindow(m_hWnd);
    UnregisterClassA(kClass, GetModuleHandleA(nullptr));
  }
  HWND m_hWnd = nullptr;
};

TEST_F(User32Paint, GetUpdateRectEnclosesTheRegionAndSaysWhetherThereIsOne) {
  RECT rc;
  std::memset(&rc, 0xcd, sizeof rc);
  EXPECT_FALSE(GetUpdateRect(m_hWnd, &rc, FALSE));
  EXPECT_TRUE(SameRect(rc, RECT{0, 0, 0, 0}));
  EXPECT_FALSE(GetUpdateRect(m_hWnd, nullptr, FALSE));

  ASSERT_TRUE(InvalidateRect(m_hWnd, &kLeft, FALSE));
  ASSERT_TRUE(InvalidateRect(m_hWnd, &kRight, FALSE));
  EXPECT_TRUE(GetUpdateRect(m_hWnd, nullptr, FALSE));
  ASSERT_TRUE(GetUpdateRect(m_hWnd, &rc, FALSE));
  EXPECT_TRUE(SameRect(rc, RECT{10, 10, 80, 30}));
  // A rectangle reaching out of the client area adds only its inside part.
  const RECT rcOut{90, 70, 200, 200};
  ASSERT_TRUE(InvalidateRect(m_hWnd, &rcOut, FALSE));
  ASSERT_TRUE(GetUpdateRect(m_hWnd, &rc, FALSE));
  EXPECT_TRUE(SameRect(rc, RECT{10, 10, kWidth, kHeight}));
}

// Validating one of two rectangles leaves exactly the other: the region
// never held the gap between them.
TEST_F(User32Paint, ValidatingOneRectangleLeavesTheOther) {
  InvalidateRect(m_hWnd, &kLeft, FALSE);
  InvalidateRect(m_hWnd, &kRight, FALSE);
  ASSERT_TRUE(ValidateRect(m_hWnd, &kLeft));
  RECT rc;
  ASSERT_TRUE(GetUpdateRect(m_hWnd, &rc, FALSE));
  EXPECT_TRUE(SameRect(rc, kRight));
  // A part of a rectangle leaves the rest of it.
  const RECT rcTop{60, 10, 80, 20};
  ValidateRect(m_hWnd, &rcTop);
  ASSERT_TRUE(GetUpdateRect(m_hWnd, &rc, FALSE));
  EXPECT_TRUE(SameRect(rc, RECT{60, 20, 80, 30}));
}

TEST_F(User32Paint, BeginPaintGivesTheBoundsAndValidates) {
  InvalidateRect(m_hWnd, &kLeft, FALSE);
  InvalidateRect(m_hWnd, &kRight, FALSE);
  ASSERT_TRUE(UpdateWindow(m_hWnd));
  ASSERT_EQ(g_seen.nPaints, 1);
  EXPECT_TRUE(SameRect(g_seen.ps.rcPaint, RECT{10, 10, 80, 30}));
  EXPECT_FALSE(g_seen.ps.fErase);
  // "BeginPaint automatically validates the update region".
  EXPECT_FALSE(g_seen.bUpdateAfterBeginPaint);
  EXPECT_FALSE(GetUpdateRect(m_hWnd, nullptr, FALSE));
}

// Filling the whole client area through the paint DC colours the two
// rectangles and leaves the gap between them.
TEST_F(User32Paint, APaintDcDrawsOnlyInsideTheRegion) {
  g_bFillRed = true;
  InvalidateRect(m_hWnd, &kLeft, FALSE);
  InvalidateRect(m_hWnd, &kRight, FALSE);
  ASSERT_TRUE(UpdateWindow(m_hWnd));
  HDC hdc = GetDC(m_hWnd);
  ASSERT_NE(hdc, nullptr);
  EXPECT_EQ(GetPixel(hdc, kInside.x, kInside.y), 0x0000FFu);
  EXPECT_EQ(GetPixel(hdc, 79, 29), 0x0000FFu);
  EXPECT_EQ(GetPixel(hdc, kBetween.x, kBetween.y), 0xFFFFFFu);
  EXPECT_EQ(GetPixel(hdc, 80, 29), 0xFFFFFFu);
  ReleaseDC(m_hWnd, hdc);
}

// "If the pixel is outside of the current clipping region, the return value
// is CLR_INVALID" (GetPixel); BeginPaint sets the clipping region to the
// update region.
TEST_F(User32Paint, APaintDcReadsNoPixelOutsideTheRegion) {
  InvalidateRect(m_hWnd, &kLeft, FALSE);
  InvalidateRect(m_hWnd, &kRight, FALSE);
  ASSERT_TRUE(UpdateWindow(m_hWnd));
  EXPECT_NE(g_seen.crInside, CLR_INVALID);
  EXPECT_EQ(g_seen.crBetween, CLR_INVALID);
}

// With bErase, GetUpdateRect erases a region that asks for it; BeginPaint
// then has nothing left to erase.
TEST_F(User32Paint, GetUpdateRectErasesWhenAsked) {
  InvalidateRect(m_hWnd, &kLeft, TRUE);
  RECT rc;
  ASSERT_TRUE(GetUpdateRect(m_hWnd, &rc, FALSE));
  EXPECT_EQ(g_seen.nErases, 0);
  ASSERT_TRUE(GetUpdateRect(m_hWnd, &rc, TRUE));
  EXPECT_EQ(g_seen.nErases, 1);
  EXPECT_TRUE(SameRect(rc, kLeft));
  UpdateWindow(m_hWnd);
  EXPECT_EQ(g_seen.nPaints, 1);
  EXPECT_EQ(g_seen.nErases, 1);
  EXPECT_FALSE(g_seen.ps.fErase);
}

TEST_F(User32Paint, BeginPaintErasesARegionThatAsksForIt) {
  InvalidateRect(m_hWnd, &kLeft, FALSE);
  InvalidateRect(m_hWnd, &kRight, TRUE);
  UpdateWindow(m_hWnd);
  EXPECT_EQ(g_seen.nPaints, 1);
  EXPECT_EQ(g_seen.nErases, 1);
  // The class brush erased it.
  EXPECT_FALSE(g_seen.ps.fErase);
}

// "If this parameter is NULL, the system invalidates and redraws all
// windows, not just the windows for this application, and sends the
// WM_ERASEBKGND and WM_NCPAINT messages before the function returns."
// (InvalidateRect; ValidateRect's reference says the same of its hWnd.)
TEST_F(User32Paint, NoWindowInvalidatesEveryWindowAndErasesAtOnce) {
  EXPECT_TRUE(InvalidateRect(nullptr, nullptr, FALSE));
  EXPECT_GE(g_seen.nErases, 1);
  EXPECT_GE(g_seen.nNcPaints, 1);
  EXPECT_EQ(g_seen.nPaints, 0);
  RECT rc;
  ASSERT_TRUE(GetUpdateRect(m_hWnd, &rc, FALSE));
  EXPECT_TRUE(SameRect(rc, RECT{0, 0, kWidth, kHeight}));
  UpdateWindow(m_hWnd);
  EXPECT_EQ(g_seen.nPaints, 1);
  EXPECT_TRUE(SameRect(g_seen.ps.rcPaint, RECT{0, 0, kWidth, kHeight}));

  g_seen = Seen();
  EXPECT_TRUE(ValidateRect(nullptr, nullptr));
  EXPECT_GE(g_seen.nErases, 1);
  ASSERT_TRUE(GetUpdateRect(m_hWnd, &rc, FALSE));
  EXPECT_TRUE(SameRect(rc, RECT{0, 0, kWidth, kHeight}));
}

// The update region lies inside the client area: a window made smaller
// keeps only the part that is still its own.
TEST_F(User32Paint, AWindowMadeSmallerKeepsOnlyItsPartOfTheRegion) {
  InvalidateRect(m_hWnd, &kLeft, FALSE);
  InvalidateRect(m_hWnd, &kRight, FALSE);
  ASSERT_TRUE(MoveWindow(m_hWnd, 0, 0, 20, 20, FALSE));
  RECT rc;
  ASSERT_TRUE(GetUpdateRect(m_hWnd, &rc, FALSE));
  EXPECT_TRUE(SameRect(rc, RECT{10, 10, 20, 20}));
}

TEST_F(User32Paint, AWindowThatIsNoWindowIsRefused) {
  HWND hBad = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x4321));
  SetLastError(0);
  EXPECT_FALSE(InvalidateRect(hBad, nullptr, FALSE));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
  SetLastError(0);
  EXPECT_FALSE(ValidateRect(hBad, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
  RECT rc;
  EXPECT_FALSE(GetUpdateRect(hBad, &rc, FALSE));
}

}  // namespace

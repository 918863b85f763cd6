// Shared by the page painting tests: an engine built on a page-sized test
// window with the generated skins and the default Setup.ini installed, page
// paints through BeginPaint/EndPaint as the page procedures make them, and
// pixel oracles that read the skin bitmaps and Setup.ini on their own.
#pragma once

#include "pageengine.h"
#include "platform/sim/sim.h"

#include "../support/page_fixture.h"
#include "../support/skin_bitmap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace painttest {

using pagetest::kPageHeight;
using pagetest::kPageWidth;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr RECT kWholePage{0, 0, kPageWidth, kPageHeight};

enum Page { kTest = 0, kKeyMap = 1, kKeyboard = 2, kPower = 3, kCheck = 4, kAbout = 5 };

using pagetest::WriteSetupIni;

// One Setup.ini value read here, not through the engine: four numbers and
// the text after the fourth comma.
struct Entry {
  bool bFound = false;
  RECT rc{0, 0, 0, 0};
  std::string text;
};

inline Entry ReadEntry(const char* pszSection, const char* pszKey) {
  char szValue[260] = "";
  GetPrivateProfileStringA(pszSection, pszKey, "", szValue, sizeof szValue, pagetest::PageFile("Setup.ini").c_str());
  Entry entry;
  int l = 0, t = 0, r = 0, b = 0, nText = -1;
  if (std::sscanf(szValue, "%d,%d,%d,%d,%n", &l, &t, &r, &b, &nText) == 4 && nText >= 0) {
    entry.bFound = true;
    entry.rc = RECT{l, t, r, b};
    entry.text = szValue + nText;
  }
  return entry;
}

using pagetest::SkinBitmap;

// What a white-keyed stamp of an image left on a page.
struct StampCheck {
  int nOpaque = 0;  // opaque image pixels looked at
  int nWrong = 0;   // of them, those the page does not show
};

class PaintTest : public pagetest::PageFixture {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(PageFixture::SetUp());
    m_engine.m_dwAxisCount = 4;
    m_engine.m_dwButtonCount = 12;
    FillSettingsDefaults(&m_engine.m_Settings);
    m_engine.BuildPages(m_hWnd);
    ASSERT_NE(m_engine.m_pTestBack, nullptr);
    sim::ClearInvalidations();
  }

  void TearDown() override {
    m_engine.DestroyControls();
    for (HWND hWnd : m_extra) DestroyWindow(hWnd);
    PageFixture::TearDown();
  }

  // Paints the whole page as its WM_PAINT does: the test page with a
  // transparent background and the highlight text colour around the call,
  // the others with the DC as BeginPaint gives it. The window is cleared to
  // black first, so that nothing of an earlier paint remains.
  void PaintPage(int nPage, HWND hWnd = nullptr) {
    if (!hWnd) hWnd = m_hWnd;
    Clear(hWnd);
    InvalidateRect(hWnd, nullptr, FALSE);
    sim::ClearInvalidations();
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    ASSERT_NE(hdc, nullptr);
    COLORREF crOld = 0;
    if (nPage == kTest) {
      SetBkMode(hdc, TRANSPARENT);
      crOld = SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    m_engine.Paint(hWnd, nPage, hdc);
    if (nPage == kTest) SetTextColor(hdc, crOld);
    EndPaint(hWnd, &ps);
  }

  static void Clear(HWND hWnd) {
    HDC hdc = GetDC(hWnd);
    HBRUSH hbr = CreateSolidBrush(0x000000);
    FillRect(hdc, &kWholePage, hbr);
    DeleteObject(hbr);
    ReleaseDC(hWnd, hdc);
  }

  // A second page-sized window, for reference paints.
  HWND NewWindow() {
    HWND hWnd = sim::CreateTestWindow(kPageWidth, kPageHeight);
    EXPECT_NE(hWnd, nullptr);
    m_extra.push_back(hWnd);
    return hWnd;
  }

  // Pixels of rc in which two windows differ.
  static int Diff(HWND hA, HWND hB, const RECT& rc = kWholePage) {
    const sim::Pixels a = sim::GetWindowPixels(hA);
    const sim::Pixels b = sim::GetWindowPixels(hB);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
      for (int x = rc.left; x < rc.right; ++x)
        if (a.At(x, y) != b.At(x, y)) ++n;
    return n;
  }

  // Pixels in which two windows differ outside every rectangle of rcs.
  static int DiffOutside(HWND hA, HWND hB, const std::vector<RECT>& rcs) {
    const sim::Pixels a = sim::GetWindowPixels(hA);
    const sim::Pixels b = sim::GetWindowPixels(hB);
    int n = 0;
    for (int y = 0; y < kPageHeight; ++y)
      for (int x = 0; x < kPageWidth; ++x) {
        bool bInside = false;
        for (const RECT& rc : rcs)
          if (x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom) bInside = true;
        if (!bInside && a.At(x, y) != b.At(x, y)) ++n;
      }
    return n;
  }

  COLORREF Pixel(int x, int y) const { return sim::GetWindowPixel(m_hWnd, x, y); }

  // Compares the opaque pixels of image, stamped at (x, y), with the page;
  // pixels for which covered(x, y) is true (page coordinates) are left out.
  template <class Covered>
  StampCheck CheckStamp(const SkinBitmap& image, int x, int y, Covered covered) const {
    const sim::Pixels page = sim::GetWindowPixels(m_hWnd);
    StampCheck check;
    for (int j = 0; j < image.Height(); ++j)
      for (int i = 0; i < image.Width(); ++i) {
        const COLORREF c = image.At(i, j);
        if (c == kWhite || covered(x + i, y + j)) continue;
        ++check.nOpaque;
        if (page.At(x + i, y + j) != c) ++check.nWrong;
      }
    return check;
  }
  StampCheck CheckStamp(const SkinBitmap& image, int x, int y) const {
    return CheckStamp(image, x, y, [](int, int) { return false; });
  }

  // Pixels of rc that do not show the opaque page background image.
  int NotBackground(const SkinBitmap& back, const RECT& rc) const {
    const sim::Pixels page = sim::GetWindowPixels(m_hWnd);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
      for (int x = rc.left; x < rc.right; ++x)
        if (page.At(x, y) != back.At(x, y)) ++n;
    return n;
  }

  // Draws text as the pages draw it: DT_BOTTOM alone, in rc.
  static void DrawText(HDC hdc, const std::string& text, RECT rc) {
    DrawTextA(hdc, text.c_str(), int(text.size()), &rc, DT_BOTTOM);
  }

  // Writes the window as <build folder>/<name>.png.
  bool WritePng(const char* pszName) const {
    const std::string path = std::string(QJ_PAINT_PNG_DIR) + "/" + pszName + ".png";
    return sim::WriteWindowPng(m_hWnd, path.c_str());
  }

  static RECT RectOf(SkinControl* pControl) {
    RECT rc{0, 0, 0, 0};
    pControl->GetRect(&rc);
    return rc;
  }

  PageEngine m_engine;
  std::vector<HWND> m_extra;
};

}  // namespace painttest

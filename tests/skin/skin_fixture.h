// Shared by the skin control tests: a page-sized window painted in one
// colour, BMP files in the temporary folder, and the invalidation record.
#pragma once

#include "platform/sim/sim.h"
#include "skin.h"

#include "../gdi/bmp_file.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace skintest {

constexpr COLORREF kPaper = 0x336699;  // the page before any control paints
constexpr int kPageWidth = 500;
constexpr int kPageHeight = 400;

// One expected InvalidateRect call.
struct Call {
  RECT rc;
  BOOL bErase;
};

inline bool operator==(const Call& a, const Call& b) {
  return a.rc.left == b.rc.left && a.rc.top == b.rc.top && a.rc.right == b.rc.right && a.rc.bottom == b.rc.bottom &&
         (a.bErase != FALSE) == (b.bErase != FALSE);
}

inline std::ostream& operator<<(std::ostream& os, const Call& c) {
  return os << "(" << c.rc.left << ", " << c.rc.top << ", " << c.rc.right << ", " << c.rc.bottom << ") "
            << (c.bErase ? "erase" : "no erase");
}

class SkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_hWnd = sim::CreateTestWindow(kPageWidth, kPageHeight);
    ASSERT_NE(m_hWnd, nullptr);
    ResetPage();
    sim::ClearInvalidations();
  }

  void TearDown() override {
    DestroyWindow(m_hWnd);
    for (const std::string& path : m_files) DeleteFileA(path.c_str());
  }

  void ResetPage() {
    HDC hdc = GetDC(m_hWnd);
    HBRUSH hbr = CreateSolidBrush(kPaper);
    const RECT all{0, 0, kPageWidth, kPageHeight};
    FillRect(hdc, &all, hbr);
    DeleteObject(hbr);
    ReleaseDC(m_hWnd, hdc);
  }

  // Writes a BMP file and returns its path.
  std::string File(const char* pszName, const std::vector<uint8_t>& bytes) {
    std::string path = bmptest::TempPath(pszName);
    EXPECT_TRUE(bmptest::WriteBytes(path, bytes)) << path;
    m_files.push_back(path);
    return path;
  }
  std::string Solid(const char* pszName, int cx, int cy, COLORREF color) {
    return File(pszName, bmptest::SolidBmp(cx, cy, color));
  }
  std::string Missing() const { return bmptest::TempPath("no-such-skin.bmp"); }

  // Paints the control as the page does: text colour red, transparent.
  void Paint(SkinControl& control) {
    HDC hdc = GetDC(m_hWnd);
    SetTextColor(hdc, kTextColour);
    SetBkMode(hdc, TRANSPARENT);
    control.Paint(hdc);
    ReleaseDC(m_hWnd, hdc);
  }

  COLORREF Pixel(int x, int y) const { return sim::GetWindowPixel(m_hWnd, x, y); }

  // How many pixels of rc show exactly the colour.
  int Count(const RECT& rc, COLORREF color) const {
    const sim::Pixels page = sim::GetWindowPixels(m_hWnd);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
      for (int x = rc.left; x < rc.right; ++x)
        if (page.At(x, y) == color) ++n;
    return n;
  }
  // Pixels of the page that are no longer paper.
  int Changed() const {
    return kPageWidth * kPageHeight - Count(RECT{0, 0, kPageWidth, kPageHeight}, kPaper);
  }
  // Whether caption ink (the text colour, blended) lies within rc.
  bool HasInk(const RECT& rc) const {
    const sim::Pixels page = sim::GetWindowPixels(m_hWnd);
    for (int y = rc.top; y < rc.bottom; ++y)
      for (int x = rc.left; x < rc.right; ++x) {
        COLORREF c = page.At(x, y);
        if (GetRValue(c) > GetRValue(kPaper) + 40) return true;
      }
    return false;
  }

  // The InvalidateRect calls since the last look, all of them on the page.
  std::vector<Call> TakeCalls() {
    std::vector<Call> calls;
    for (const sim::Invalidation& inv : sim::GetInvalidations()) {
      EXPECT_EQ(inv.hWnd, m_hWnd);
      EXPECT_FALSE(inv.bWholeWindow);
      calls.push_back(Call{inv.rc, inv.bErase});
    }
    sim::ClearInvalidations();
    return calls;
  }

  static constexpr COLORREF kTextColour = 0x0000FF;
  HWND m_hWnd = nullptr;
  std::vector<std::string> m_files;
};

using Calls = std::vector<Call>;

}  // namespace skintest

// Filled rectangles, lines with the DC's pen, and the system colours.
//
// Pens draw solid whatever their dash style. A pen of width 1 (or 0) leaves
// out the end point of a line, as Windows does; a wider pen has round ends,
// so each point of the line is stamped with a disc of the pen's width.
#include "posix/gdi32/gdi.h"

#include <algorithm>
#include <cstdlib>

using namespace qjplat::gdi;

namespace {

void Plot(Dc& dc, int x, int y, uint32_t value) {
  if (dc.Visible(x, y)) dc.m_target->At(x, y) = value;
}

void Stamp(Dc& dc, int x, int y, int nWidth, uint32_t value) {
  if (nWidth <= 1) {
    Plot(dc, x, y, value);
    return;
  }
  const int r = nWidth / 2;
  const int limit = nWidth * nWidth;  // (2 * distance)^2 <= width^2
  for (int j = -r; j <= r; ++j)
    for (int i = -r; i <= r; ++i)
      if (4 * (i * i + j * j) <= limit + 1) Plot(dc, x + i, y + j, value);
}

// Bresenham from (x0, y0) to (x1, y1); the end point only when bLast.
void DrawLine(Dc& dc, int x0, int y0, int x1, int y1, bool bLast) {
  const Pen& pen = *dc.m_pen;
  if (pen.m_nStyle == PS_NULL || !dc.m_target) return;
  const uint32_t value = dc.m_target->IsMono() ? ColourToMono(pen.m_color) : pen.m_color;
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  int x = x0, y = y0;
  for (;;) {
    if (x == x1 && y == y1) {
      if (bLast) Stamp(dc, x, y, pen.m_nWidth, value);
      break;
    }
    Stamp(dc, x, y, pen.m_nWidth, value);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

const COLORREF kSysColours[] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
    0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
    0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xE1FFFF,
};
constexpr int kSysColourCount = int(sizeof kSysColours / sizeof kSysColours[0]);

}  // namespace

DWORD WINAPI GetSysColor(int nIndex) {
  if (nIndex < 0 || nIndex >= kSysColourCount) return 0;
  return kSysColours[nIndex];
}

// hbr may also be a system colour index plus one.
int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = LookupDc(hDC);
  if (!dc || !dc->m_target || !lprc) return 0;
  COLORREF color;
  const uintptr_t uIndex = reinterpret_cast<uintptr_t>(hbr);
  if (uIndex >= 1 && uIndex <= uintptr_t(kSysColourCount)) {
    color = kSysColours[uIndex - 1];
  } else {
    auto brush = LookupAs<Brush>(reinterpret_cast<HGDIOBJ>(hbr));
    if (!brush) return 0;
    if (brush->m_bNull) return 1;
    color = brush->m_color;
  }
  RECT rcDraw = dc->DrawableRect();
  RECT rc{std::max(lprc->left, rcDraw.left), std::max(lprc->top, rcDraw.top), std::min(lprc->right, rcDraw.right),
          std::min(lprc->bottom, rcDraw.bottom)};
  if (rc.right > rc.left && rc.bottom > rc.top) FillTarget(*dc, rc, color);
  return 1;
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = LookupDc(hdc);
  if (!dc) return FALSE;
  if (lppt) *lppt = dc->m_ptCurrent;
  dc->m_ptCurrent = POINT{x, y};
  return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = LookupDc(hdc);
  if (!dc) return FALSE;
  DrawLine(*dc, dc->m_ptCurrent.x, dc->m_ptCurrent.y, x, y, dc->m_pen->m_nWidth > 1);
  dc->m_ptCurrent = POINT{x, y};
  return TRUE;
}

// The outline runs on the pixels just inside right and bottom, which are
// excluded, and the brush fills what lies within it.
BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = LookupDc(hdc);
  if (!dc || !dc->m_target) return FALSE;
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  if (right - left < 1 || bottom - top < 1) return TRUE;
  if (dc->m_brush && !dc->m_brush->m_bNull) {
    RECT rcDraw = dc->DrawableRect();
    RECT rc{std::max(left + 1, rcDraw.left), std::max(top + 1, rcDraw.top), std::min(right - 1, rcDraw.right),
            std::min(bottom - 1, rcDraw.bottom)};
    if (rc.right > rc.left && rc.bottom > rc.top) FillTarget(*dc, rc, dc->m_brush->m_color);
  }
  DrawLine(*dc, left, top, right - 1, top, true);
  DrawLine(*dc, right - 1, top, right - 1, bottom - 1, true);
  DrawLine(*dc, right - 1, bottom - 1, left, bottom - 1, true);
  DrawLine(*dc, left, bottom - 1, left, top, true);
  return TRUE;
}

// BitBlt with the ternary raster operations, and single pixels.
//
// Formats meet as Windows converts them: a monochrome source on a colour
// destination takes the destination's text colour for 0 and its background
// colour for 1; a colour source on a monochrome destination gives 1 where the
// pixel equals the source DC's background colour and 0 elsewhere.
#include "posix/gdi32/gdi.h"

#include <algorithm>

using namespace qjplat::gdi;

namespace {

// Bits 16 to 23 of a raster operation, indexed by (P << 2) | (S << 1) | D.
uint32_t ApplyRop(uint8_t byTable, uint32_t p, uint32_t s, uint32_t d) {
  switch (byTable) {
    case 0xCC: return s;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x66: return s ^ d;
    case 0x33: return ~s;
    case 0x00: return 0;
    case 0xFF: return ~0u;
    case 0xF0: return p;
    case 0x55: return ~d;
    default: break;
  }
  uint32_t result = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((byTable >> i) & 1)) continue;
    uint32_t term = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    result |= term;
  }
  return result;
}

// One row of a blit: d[i] = rop(p, s[i], d[i]) & mask for w pixels; s may be
// null when the operation reads no source. The common operations run as
// plain loops, since a blit covers whole pages many times per paint.
QJ_PIXEL_LOOP void ApplyRopRow(uint8_t byTable, uint32_t p, const uint32_t* s, uint32_t* d, int w, uint32_t mask) {
  if (s) PixelsRead(s, size_t(w) * sizeof *s);
  PixelsRead(d, size_t(w) * sizeof *d);
  PixelsWritten(d, size_t(w) * sizeof *d);
  switch (byTable) {
    case 0xCC:
      for (int i = 0; i < w; ++i) d[i] = s[i] & mask;
      return;
    case 0x88:
      for (int i = 0; i < w; ++i) d[i] = s[i] & d[i] & mask;
      return;
    case 0xEE:
      for (int i = 0; i < w; ++i) d[i] = (s[i] | d[i]) & mask;
      return;
    case 0x66:
      for (int i = 0; i < w; ++i) d[i] = (s[i] ^ d[i]) & mask;
      return;
    case 0x33:
      for (int i = 0; i < w; ++i) d[i] = ~s[i] & mask;
      return;
    default:
      for (int i = 0; i < w; ++i) d[i] = ApplyRop(byTable, p, s ? s[i] : 0, d[i]) & mask;
      return;
  }
}

// One source row in the destination's format: a monochrome source on a
// colour destination gives the text colour for 0 and the background colour
// for 1; a colour source on a monochrome destination gives 1 where it shows
// the source's background colour.
QJ_PIXEL_LOOP void ConvertRow(const uint32_t* s, uint32_t* out, int w, bool bSrcMono, bool bDstMono, uint32_t srcBk,
                              uint32_t dstText, uint32_t dstBk) {
  PixelsRead(s, size_t(w) * sizeof *s);
  PixelsWritten(out, size_t(w) * sizeof *out);
  if (bSrcMono == bDstMono)
    for (int i = 0; i < w; ++i) out[i] = s[i];
  else if (bSrcMono)
    for (int i = 0; i < w; ++i) out[i] = s[i] ? dstBk : dstText;
  else
    for (int i = 0; i < w; ++i) out[i] = s[i] == srcBk ? 1 : 0;
}

bool UsesSource(uint8_t byTable) { return ((byTable >> 2) & 0x33) != (byTable & 0x33); }

RECT Intersect(const RECT& a, const RECT& b) {
  RECT rc{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  return rc;
}

}  // namespace

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dst = LookupDc(hdc);
  if (!dst || !dst->m_target) return FALSE;
  const uint8_t byTable = uint8_t(rop >> 16);
  const bool bSource = UsesSource(byTable);
  std::shared_ptr<Dc> src;
  if (bSource) {
    src = LookupDc(hdcSrc);
    if (!src || !src->m_target) return FALSE;
  }
  // Negative extents on both sides describe the same rectangle from its
  // other corner.
  if (cx < 0) {
    x += cx;
    x1 += cx;
    cx = -cx;
  }
  if (cy < 0) {
    y += cy;
    y1 += cy;
    cy = -cy;
  }
  RECT rc{x, y, x + cx, y + cy};
  rc = Intersect(rc, dst->DrawableRect());
  const int dx = x1 - x;
  const int dy = y1 - y;
  if (bSource) {
    RECT rcSrc{-dx, -dy, src->m_target->Width() - dx, src->m_target->Height() - dy};
    rc = Intersect(rc, rcSrc);
  }
  if (rc.right <= rc.left || rc.bottom <= rc.top) return TRUE;

  Bitmap& bmDst = *dst->m_target;
  const bool bDstMono = bmDst.IsMono();
  const uint32_t mask = bDstMono ? 1u : 0xFFFFFFu;
  uint32_t pattern = 0;
  if (dst->m_brush && !dst->m_brush->m_bNull)
    pattern = bDstMono ? ColourToMono(dst->m_brush->m_color) : dst->m_brush->m_color;

  // Source pixels in the destination's format, a row at a time. A blit
  // within one bitmap copies its source first, so that it reads what was
  // there before it; a source of the destination's format and another
  // bitmap is read in place.
  const int w = rc.right - rc.left;
  const int h = rc.bottom - rc.top;
  const Bitmap* pSrc = bSource ? src->m_target.get() : nullptr;
  const bool bSameBitmap = pSrc == &bmDst;
  const bool bConvert = pSrc && pSrc->IsMono() != bDstMono;
  std::vector<uint32_t> source;
  if (pSrc && (bConvert || bSameBitmap)) {
    const uint32_t srcBk = src->m_bkColor & 0xFFFFFF;
    const uint32_t dstText = dst->m_textColor & 0xFFFFFF;
    const uint32_t dstBk = dst->m_bkColor & 0xFFFFFF;
    source.resize(size_t(w) * size_t(h));
    for (int j = 0; j < h; ++j)
      ConvertRow(pSrc->Row(rc.top + j + dy) + (rc.left + dx), &source[size_t(j) * size_t(w)], w, pSrc->IsMono(),
                 bDstMono, srcBk, dstText, dstBk);
  }
  // Only the visible parts of the destination change (a paint DC draws
  // inside its update region).
  for (const RECT& part : dst->VisibleParts(rc)) {
    const int cxPart = part.right - part.left;
    for (int py = part.top; py < part.bottom; ++py) {
      const uint32_t* ps = nullptr;
      if (!source.empty())
        ps = &source[size_t(py - rc.top) * size_t(w) + size_t(part.left - rc.left)];
      else if (pSrc)
        ps = pSrc->Row(py + dy) + (part.left + dx);
      ApplyRopRow(byTable, pattern, ps, bmDst.Row(py) + part.left, cxPart, mask);
    }
  }
  return TRUE;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = LookupDc(hdc);
  if (!dc || !dc->m_target) return CLR_INVALID;
  if (!dc->Visible(x, y)) return CLR_INVALID;
  uint32_t v = dc->m_target->At(x, y);
  if (dc->m_target->IsMono()) return v ? 0xFFFFFF : 0x000000;
  return v;
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = LookupDc(hdc);
  if (!dc || !dc->m_target) return CLR_INVALID;
  if (!dc->Visible(x, y)) return CLR_INVALID;
  if (dc->m_target->IsMono()) {
    uint32_t v = ColourToMono(color);
    dc->m_target->At(x, y) = v;
    return v ? 0xFFFFFF : 0x000000;
  }
  dc->m_target->At(x, y) = color & 0xFFFFFF;
  return color & 0xFFFFFF;
}

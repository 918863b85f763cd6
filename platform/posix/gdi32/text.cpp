// DrawTextA through FreeType with the DejaVu Sans face.
//
// Text is ANSI (code page 1252). Lines break at CR, LF and CR LF unless
// DT_SINGLELINE is given; there is no word wrapping. Vertical placement
// (DT_VCENTER, DT_BOTTOM) applies to single-line text only, so other text is
// laid out from the rectangle's top. Without DT_NOPREFIX an '&' underlines
// the next character and "&&" shows one '&'. Glyphs are anti-aliased and
// blended in the text colour; OPAQUE mode first fills each line's box with
// the background colour.
#include "posix/gdi32/gdi.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

using namespace qjplat::gdi;

namespace {

constexpr char kFacePath[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Code page 1252 bytes 0x80 to 0x9F; the rest map to the same code point.
const char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

unsigned CodePoint(unsigned char c) { return (c >= 0x80 && c < 0xA0) ? kCp1252High[c - 0x80] : c; }

struct Glyph {
  int nLeft = 0;     // from the pen position
  int nTop = 0;      // above the baseline
  int nWidth = 0;
  int nHeight = 0;
  int nAdvance = 0;  // pixels
  std::vector<uint8_t> coverage;
};

struct Metrics {
  int nAscent = 0;
  int nHeight = 0;
};

class Face {
 public:
  static Face& Get() {
    static Face* face = new Face;  // outlives every module's unload
    return *face;
  }
  bool Ok() const { return m_face != nullptr; }

  Metrics MetricsFor(int nPixels) {
    Metrics m;
    if (!Ok() || !SetSize(nPixels)) return m;
    m.nAscent = int((m_face->size->metrics.ascender + 63) >> 6);
    int nDescent = int((-m_face->size->metrics.descender + 63) >> 6);
    m.nHeight = m.nAscent + nDescent;
    return m;
  }

  const Glyph& GlyphFor(int nPixels, unsigned char c) {
    auto key = std::make_pair(nPixels, int(c));
    auto it = m_glyphs.find(key);
    if (it != m_glyphs.end()) return it->second;
    Glyph& g = m_glyphs[key];
    if (!Ok() || !SetSize(nPixels)) return g;
    if (FT_Load_Char(m_face, CodePoint(c), FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return g;
    FT_GlyphSlot slot = m_face->glyph;
    g.nLeft = slot->bitmap_left;
    g.nTop = slot->bitmap_top;
    g.nWidth = int(slot->bitmap.width);
    g.nHeight = int(slot->bitmap.rows);
    g.nAdvance = int((slot->advance.x + 32) >> 6);
    g.coverage.resize(size_t(g.nWidth) * size_t(g.nHeight));
    for (int y = 0; y < g.nHeight; ++y)
      std::memcpy(&g.coverage[size_t(y) * g.nWidth], slot->bitmap.buffer + ptrdiff_t(y) * slot->bitmap.pitch,
                  size_t(g.nWidth));
    return g;
  }

 private:
  Face() {
    if (FT_Init_FreeType(&m_library) != 0) return;
    if (FT_New_Face(m_library, kFacePath, 0, &m_face) != 0) m_face = nullptr;
  }
  bool SetSize(int nPixels) {
    if (nPixels == m_nSize) return true;
    if (FT_Set_Pixel_Sizes(m_face, 0, FT_UInt(nPixels)) != 0) return false;
    m_nSize = nPixels;
    return true;
  }
  FT_Library m_library = nullptr;
  FT_Face m_face = nullptr;
  int m_nSize = 0;
  std::map<std::pair<int, int>, Glyph> m_glyphs;
};

// One laid-out line: its characters and which of them are underlined.
struct Line {
  std::string text;
  std::vector<bool> underline;
  int64_t nWidth = 0;
};

std::vector<Line> SplitLines(const char* psz, int cch, UINT format) {
  std::vector<Line> lines(1);
  const bool bSingle = (format & DT_SINGLELINE) != 0;
  const bool bPrefix = !(format & DT_NOPREFIX);
  bool bUnderlineNext = false;
  for (int i = 0; i < cch; ++i) {
    char c = psz[i];
    if (!bSingle && (c == '\r' || c == '\n')) {
      if (c == '\r' && i + 1 < cch && psz[i + 1] == '\n') ++i;
      lines.emplace_back();
      bUnderlineNext = false;
      continue;
    }
    if (bSingle && (c == '\r' || c == '\n')) continue;
    if (bPrefix && c == '&') {
      if (i + 1 < cch && psz[i + 1] == '&') {
        ++i;
      } else {
        bUnderlineNext = true;
        continue;
      }
    }
    lines.back().text.push_back(c);
    lines.back().underline.push_back(bUnderlineNext);
    bUnderlineNext = false;
  }
  return lines;
}

int SaturateInt(int64_t v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return int(v);
}

int Advance(Face& face, int nPixels, char c, UINT format) {
  if (c == '\t') return face.GlyphFor(nPixels, ' ').nAdvance * ((format & DT_EXPANDTABS) ? 8 : 1);
  return face.GlyphFor(nPixels, static_cast<unsigned char>(c)).nAdvance;
}

uint32_t Blend(uint32_t d, uint32_t s, unsigned a) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    unsigned dc = (d >> shift) & 0xFF, sc = (s >> shift) & 0xFF;
    unsigned v = (sc * a + dc * (255 - a) + 127) / 255;
    out |= uint32_t(v) << shift;
  }
  return out;
}

// Positions are 64-bit: the caller's rectangle may lie anywhere in the int
// range (a layout entry near INT_MAX), and whatever falls outside the clip
// is dropped, as Windows clips such text.
void PutCoverage(Dc& dc, const RECT& rcClip, int64_t x, int64_t y, unsigned a) {
  if (a == 0 || x < rcClip.left || y < rcClip.top || x >= rcClip.right || y >= rcClip.bottom) return;
  if (!dc.Visible(int(x), int(y))) return;
  uint32_t& d = dc.m_target->At(int(x), int(y));
  if (dc.m_target->IsMono()) {
    if (a >= 128) d = ColourToMono(dc.m_textColor);
  } else {
    d = Blend(d, dc.m_textColor & 0xFFFFFF, a);
  }
}

}  // namespace

int WINAPI DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = LookupDc(hdc);
  if (!dc || !lpchText || !lprc) return 0;
  if (cchText < 0) cchText = int(std::strlen(lpchText));
  Face& face = Face::Get();
  const int nPixels = dc->m_font ? dc->m_font->m_nPixelHeight : 13;
  const Metrics metrics = face.MetricsFor(nPixels);
  if (metrics.nHeight <= 0) return 0;

  std::vector<Line> lines = SplitLines(lpchText, cchText, format);
  int64_t nMaxWidth = 0;
  for (Line& line : lines) {
    for (char c : line.text) line.nWidth += Advance(face, nPixels, c, format);
    nMaxWidth = std::max(nMaxWidth, line.nWidth);
  }
  const int64_t llTextHeight = int64_t(metrics.nHeight) * int64_t(lines.size());
  const int nTextHeight = SaturateInt(llTextHeight);
  if (format & DT_CALCRECT) {
    lprc->right = SaturateInt(int64_t(lprc->left) + nMaxWidth);
    lprc->bottom = SaturateInt(int64_t(lprc->top) + llTextHeight);
    return nTextHeight;
  }

  int64_t y = lprc->top;
  const bool bSingle = (format & DT_SINGLELINE) != 0;
  if (bSingle && (format & DT_BOTTOM))
    y = int64_t(lprc->bottom) - metrics.nHeight;
  else if (bSingle && (format & DT_VCENTER))
    y = int64_t(lprc->top) + (int64_t(lprc->bottom) - lprc->top - metrics.nHeight) / 2;
  const int64_t yStart = y;

  if (!dc->m_target) return nTextHeight;
  RECT rcClip = dc->DrawableRect();
  if (!(format & DT_NOCLIP)) {
    rcClip.left = std::max(rcClip.left, lprc->left);
    rcClip.top = std::max(rcClip.top, lprc->top);
    rcClip.right = std::min(rcClip.right, lprc->right);
    rcClip.bottom = std::min(rcClip.bottom, lprc->bottom);
  }
  for (const Line& line : lines) {
    int64_t x = lprc->left;
    if (format & DT_CENTER)
      x = int64_t(lprc->left) + (int64_t(lprc->right) - lprc->left - line.nWidth) / 2;
    else if (format & DT_RIGHT)
      x = int64_t(lprc->right) - line.nWidth;
    if (dc->m_nBkMode == OPAQUE) {
      const int64_t left = std::max<int64_t>(x, rcClip.left), top = std::max<int64_t>(y, rcClip.top);
      const int64_t right = std::min<int64_t>(x + line.nWidth, rcClip.right);
      const int64_t bottom = std::min<int64_t>(y + metrics.nHeight, rcClip.bottom);
      if (right > left && bottom > top) FillTarget(*dc, RECT{LONG(left), LONG(top), LONG(right), LONG(bottom)}, dc->m_bkColor);
    }
    const int64_t yBase = y + metrics.nAscent;
    for (size_t i = 0; i < line.text.size(); ++i) {
      const char c = line.text[i];
      const int nAdvance = Advance(face, nPixels, c, format);
      if (c != '\t') {
        const Glyph& g = face.GlyphFor(nPixels, static_cast<unsigned char>(c));
        for (int gy = 0; gy < g.nHeight; ++gy)
          for (int gx = 0; gx < g.nWidth; ++gx)
            PutCoverage(*dc, rcClip, x + g.nLeft + gx, yBase - g.nTop + gy, g.coverage[size_t(gy) * g.nWidth + gx]);
      }
      if (line.underline[i])
        for (int ux = 0; ux < nAdvance; ++ux) PutCoverage(*dc, rcClip, x + ux, yBase + 1, 255);
      x += nAdvance;
    }
    y += metrics.nHeight;
  }
  if (bSingle && (format & (DT_BOTTOM | DT_VCENTER))) return SaturateInt(yStart + metrics.nHeight - lprc->top);
  return nTextHeight;
}

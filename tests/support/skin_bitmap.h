// Shared by the page tests: the installed skin bitmaps read on their own,
// and what a page shows where controls stamp them, worked out from the
// bitmaps' pixels alone (a pixel oracle for painting). Link qj_page_data.
#pragma once

#include "platform/sim/sim.h"

#include "page_fixture.h"

#include <string>
#include <vector>

namespace pagetest {

constexpr COLORREF kSkinWhite = 0xFFFFFF;

// A skin bitmap loaded from the installed skin folder, for reading its pixels.
class SkinBitmap {
 public:
  explicit SkinBitmap(const char* pszName) {
    const std::string path = SkinFile(pszName);
    m_hbm = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    BITMAP bm{};
    if (m_hbm && GetObjectA(m_hbm, sizeof bm, &bm)) {
      m_cx = bm.bmWidth;
      m_cy = bm.bmHeight;
      m_pixels = sim::GetBitmapPixels(m_hbm);
    }
  }
  ~SkinBitmap() {
    if (m_hbm) DeleteObject(m_hbm);
  }
  SkinBitmap(const SkinBitmap&) = delete;
  SkinBitmap& operator=(const SkinBitmap&) = delete;

  bool Loaded() const { return m_hbm != nullptr; }
  int Width() const { return m_cx; }
  int Height() const { return m_cy; }
  // The pixel, or white (transparent) outside the bitmap.
  COLORREF At(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_cx || y >= m_cy) return kSkinWhite;
    return m_pixels.At(x, y);
  }

 private:
  HBITMAP m_hbm = nullptr;
  int m_cx = 0;
  int m_cy = 0;
  sim::Pixels m_pixels;  // read once: a check looks at every pixel
};

inline bool Inside(const RECT& rc, int x, int y) {
  return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
}

// One bitmap as a control draws it: its pixel (0, 0) at page (x, y), only
// within rc (page coordinates); a keyed stamp lets pixels of crKey show what
// lies under it, an opaque one (a background) covers rc whole.
struct Stamp {
  const SkinBitmap* pImage;
  RECT rc;
  int x, y;
  bool bKeyed;
  COLORREF crKey;
};

// A keyed stamp of image drawn at rc's top-left corner, cut to rc.
inline Stamp KeyedAt(const SkinBitmap& image, const RECT& rc, COLORREF crKey = kSkinWhite) {
  return Stamp{&image, rc, int(rc.left), int(rc.top), true, crKey};
}
// An opaque copy of image's part rc to the same place of the page.
inline Stamp OpaquePart(const SkinBitmap& image, const RECT& rc) { return Stamp{&image, rc, 0, 0, false, 0}; }

// What the page shows at (x, y) once the stamps were drawn in their order
// over crUnder.
inline COLORREF Shown(int x, int y, COLORREF crUnder, const std::vector<Stamp>& stamps) {
  COLORREF c = crUnder;
  for (const Stamp& s : stamps) {
    if (!Inside(s.rc, x, y)) continue;
    const COLORREF p = s.pImage->At(x - s.x, y - s.y);
    if (!s.bKeyed || p != s.crKey) c = p;
  }
  return c;
}

}  // namespace pagetest

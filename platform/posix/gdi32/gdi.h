// Internals of the GDI objects, shared by gdi32, user32 and the screen sim.
#pragma once

#include "platform/win32.h"
#include "posix/gdi32/region.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace qjplat {
namespace gdi {

// Largest side and area of a bitmap the layer allocates; bigger requests fail
// as an out-of-memory condition would.
constexpr int kMaxBitmapSide = 32767;
constexpr int64_t kMaxBitmapPixels = int64_t(1) << 26;

// Every GDI call holds this lock: objects may be shared between DCs.
std::recursive_mutex& Lock();

// Pixel loops. Under ThreadSanitizer each instrumented pixel access is a call
// into the runtime, which made one page paint cost a tenth of a second. A
// function marked QJ_PIXEL_LOOP is left uninstrumented and reports the memory
// it touches as whole ranges (PixelsRead, PixelsWritten) before its loop, so
// a race on pixel memory is still found, at the cost of one call per row.
#if defined(__SANITIZE_THREAD__)
#define QJ_GDI_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QJ_GDI_TSAN 1
#endif
#endif
#ifdef QJ_GDI_TSAN
extern "C" void __tsan_read_range(void* addr, unsigned long size);
extern "C" void __tsan_write_range(void* addr, unsigned long size);
#define QJ_PIXEL_LOOP __attribute__((no_sanitize("thread")))
inline void PixelsRead(const void* p, size_t cb) { __tsan_read_range(const_cast<void*>(p), cb); }
inline void PixelsWritten(void* p, size_t cb) { __tsan_write_range(p, cb); }
#else
#define QJ_PIXEL_LOOP
inline void PixelsRead(const void*, size_t) {}
inline void PixelsWritten(void*, size_t) {}
#endif

class Object {
 public:
  explicit Object(DWORD dwType) : m_dwType(dwType) {}
  virtual ~Object() = default;
  DWORD Type() const { return m_dwType; }
  bool m_bStock = false;

 private:
  DWORD m_dwType;
};

// A bitmap: 1 bit per pixel (each entry 0 or 1) or 32 bits (each entry a
// COLORREF, 0x00BBGGRR), rows top-down.
class Bitmap : public Object {
 public:
  Bitmap(int nWidth, int nHeight, int nBitsPixel);
  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }
  int BitsPixel() const { return m_nBitsPixel; }
  bool IsMono() const { return m_nBitsPixel == 1; }
  uint32_t& At(int x, int y) { return m_pixels[size_t(y) * size_t(m_nWidth) + size_t(x)]; }
  uint32_t At(int x, int y) const { return m_pixels[size_t(y) * size_t(m_nWidth) + size_t(x)]; }
  // The pixels of row y from its left edge; the row holds Width() entries.
  uint32_t* Row(int y) { return &m_pixels[size_t(y) * size_t(m_nWidth)]; }
  const uint32_t* Row(int y) const { return &m_pixels[size_t(y) * size_t(m_nWidth)]; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_nWidth && y < m_nHeight; }
  // The DC this bitmap is selected into, or null: a bitmap lives in one DC.
  void* m_pSelectedIn = nullptr;

 private:
  int m_nWidth;
  int m_nHeight;
  int m_nBitsPixel;
  std::unique_ptr<uint32_t[]> m_pixels;  // zeroed at construction
};

class Pen : public Object {
 public:
  Pen(int nStyle, int nWidth, COLORREF color) : Object(OBJ_PEN), m_nStyle(nStyle), m_nWidth(nWidth), m_color(color) {}
  int m_nStyle;
  int m_nWidth;
  COLORREF m_color;
};

class Brush : public Object {
 public:
  Brush(bool bNull, COLORREF color) : Object(OBJ_BRUSH), m_bNull(bNull), m_color(color) {}
  bool m_bNull;
  COLORREF m_color;
};

class Font : public Object {
 public:
  explicit Font(int nPixelHeight) : Object(OBJ_FONT), m_nPixelHeight(nPixelHeight) {}
  int m_nPixelHeight;  // em size in pixels
};

// A device context: a memory DC draws into its selected bitmap, a window DC
// into the window's surface, limited to its clipping region.
class Dc : public Object {
 public:
  explicit Dc(bool bMemory);
  ~Dc() override;
  bool m_bMemory;
  std::shared_ptr<Bitmap> m_target;
  std::shared_ptr<Pen> m_pen;
  std::shared_ptr<Brush> m_brush;
  std::shared_ptr<Font> m_font;
  Region m_clip;  // window DCs: the pixels they may draw, in surface pixels
  bool m_bClip = false;
  COLORREF m_textColor = 0x000000;
  COLORREF m_bkColor = 0xFFFFFF;
  int m_nBkMode = OPAQUE;
  int m_nMapMode = MM_TEXT;
  POINT m_ptCurrent{0, 0};
  void* m_pOwner = nullptr;  // the window of a window DC

  // The smallest rectangle holding every drawable pixel of the target.
  RECT DrawableRect() const;
  // Whether the pixel lies on the target and inside the clipping region.
  bool Visible(int x, int y) const;
  // The drawable parts of rc (target pixels), disjoint.
  std::vector<RECT> VisibleParts(const RECT& rc) const;
};

// The handle table of GDI objects. Handles are the objects' addresses; only
// registered ones are accepted.
HGDIOBJ Register(std::shared_ptr<Object> object);
std::shared_ptr<Object> Lookup(HGDIOBJ h);
void Unregister(HGDIOBJ h);
// Registered objects that are not stock objects.
size_t CountObjects();
template <class T>
std::shared_ptr<T> LookupAs(HGDIOBJ h) {
  return std::dynamic_pointer_cast<T>(Lookup(h));
}
inline std::shared_ptr<Dc> LookupDc(HDC hdc) { return LookupAs<Dc>(reinterpret_cast<HGDIOBJ>(hdc)); }
inline std::shared_ptr<Bitmap> LookupBitmap(HBITMAP hbm) { return LookupAs<Bitmap>(reinterpret_cast<HGDIOBJ>(hbm)); }

// A new bitmap, or null for a size that is negative or too large.
std::shared_ptr<Bitmap> NewBitmap(int nWidth, int nHeight, int nBitsPixel);

// A DC drawing into a window surface, clipped to clip (surface pixels).
HDC CreateSurfaceDC(std::shared_ptr<Bitmap> surface, const Region& clip, void* pOwner);

// Colour to monochrome for pens, brushes and SetPixel: the brighter half is 1.
uint32_t ColourToMono(COLORREF color);

// Decodes a BMP file image held in memory; null for anything malformed,
// truncated or unsupported.
std::shared_ptr<Bitmap> DecodeBmp(const uint8_t* pData, size_t cbData);

// Fills the drawable pixels of rc (target pixels) with colour.
void FillTarget(Dc& dc, const RECT& rc, COLORREF color);

}  // namespace gdi
}  // namespace qjplat

// The GDI handle table, stock objects, device contexts, bitmaps and the
// colours, modes and coordinates of a DC.
#include "posix/gdi32/gdi.h"

#include <cstring>
#include <unordered_map>

namespace qjplat {
namespace gdi {
namespace {

struct Table {
  std::unordered_map<HGDIOBJ, std::shared_ptr<Object>> objects;
};

Table& Objects() {
  static Table* table = new Table;  // outlives every module's unload
  return *table;
}

// Stock objects are made once and never deleted. The default bitmap of a
// memory DC is a 1 x 1 monochrome bitmap.
struct Stock {
  std::shared_ptr<Object> objects[DEFAULT_GUI_FONT + 1];
  std::shared_ptr<Bitmap> bitmap;
};

template <class T>
std::shared_ptr<T> MakeStock(std::shared_ptr<T> object) {
  object->m_bStock = true;
  Register(object);
  return object;
}

Stock& Stocks() {
  static Stock* stock = [] {
    Stock* s = new Stock;
    s->objects[WHITE_BRUSH] = MakeStock(std::make_shared<Brush>(false, 0xFFFFFF));
    s->objects[LTGRAY_BRUSH] = MakeStock(std::make_shared<Brush>(false, 0xC0C0C0));
    s->objects[GRAY_BRUSH] = MakeStock(std::make_shared<Brush>(false, 0x808080));
    s->objects[DKGRAY_BRUSH] = MakeStock(std::make_shared<Brush>(false, 0x404040));
    s->objects[BLACK_BRUSH] = MakeStock(std::make_shared<Brush>(false, 0x000000));
    s->objects[NULL_BRUSH] = MakeStock(std::make_shared<Brush>(true, 0x000000));
    s->objects[WHITE_PEN] = MakeStock(std::make_shared<Pen>(PS_SOLID, 1, 0xFFFFFF));
    s->objects[BLACK_PEN] = MakeStock(std::make_shared<Pen>(PS_SOLID, 1, 0x000000));
    s->objects[NULL_PEN] = MakeStock(std::make_shared<Pen>(PS_NULL, 1, 0x000000));
    s->objects[SYSTEM_FONT] = MakeStock(std::make_shared<Font>(13));
    s->objects[DEFAULT_GUI_FONT] = MakeStock(std::make_shared<Font>(11));
    s->bitmap = MakeStock(std::make_shared<Bitmap>(1, 1, 1));
    return s;
  }();
  return *stock;
}

template <class T>
std::shared_ptr<T> StockAs(int i) {
  return std::static_pointer_cast<T>(Stocks().objects[i]);
}

HGDIOBJ HandleOf(const std::shared_ptr<Object>& object) { return object ? static_cast<HGDIOBJ>(object.get()) : nullptr; }

bool ValidColour(COLORREF color) { return (color & 0xFF000000u) == 0; }

}  // namespace

std::recursive_mutex& Lock() {
  static std::recursive_mutex* mutex = new std::recursive_mutex;
  return *mutex;
}

HGDIOBJ Register(std::shared_ptr<Object> object) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  HGDIOBJ h = object.get();
  Objects().objects[h] = std::move(object);
  return h;
}

size_t CountObjects() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  size_t n = 0;
  for (const auto& entry : Objects().objects)
    if (!entry.second->m_bStock) ++n;
  return n;
}

std::shared_ptr<Object> Lookup(HGDIOBJ h) {
  if (!h) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto it = Objects().objects.find(h);
  return it == Objects().objects.end() ? nullptr : it->second;
}

void Unregister(HGDIOBJ h) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Objects().objects.erase(h);
}

Bitmap::Bitmap(int nWidth, int nHeight, int nBitsPixel)
    : Object(OBJ_BITMAP),
      m_nWidth(nWidth),
      m_nHeight(nHeight),
      m_nBitsPixel(nBitsPixel),
      m_pixels(new uint32_t[size_t(nWidth) * size_t(nHeight)]) {
  std::memset(m_pixels.get(), 0, size_t(nWidth) * size_t(nHeight) * sizeof(uint32_t));
}

std::shared_ptr<Bitmap> NewBitmap(int nWidth, int nHeight, int nBitsPixel) {
  if (nWidth <= 0 || nHeight <= 0 || nWidth > kMaxBitmapSide || nHeight > kMaxBitmapSide) return nullptr;
  if (int64_t(nWidth) * nHeight > kMaxBitmapPixels) return nullptr;
  if (nBitsPixel != 1 && nBitsPixel != 32) return nullptr;
  return std::make_shared<Bitmap>(nWidth, nHeight, nBitsPixel);
}

Dc::Dc(bool bMemory) : Object(bMemory ? OBJ_MEMDC : OBJ_DC), m_bMemory(bMemory) {
  m_pen = StockAs<Pen>(BLACK_PEN);
  m_brush = StockAs<Brush>(WHITE_BRUSH);
  m_font = StockAs<Font>(SYSTEM_FONT);
  if (bMemory) {
    m_target = Stocks().bitmap;
  }
}

Dc::~Dc() {
  if (m_bMemory && m_target && m_target->m_pSelectedIn == this) m_target->m_pSelectedIn = nullptr;
}

RECT Dc::DrawableRect() const {
  RECT rc{0, 0, 0, 0};
  if (!m_target) return rc;
  rc.right = m_target->Width();
  rc.bottom = m_target->Height();
  if (m_bClip) {
    const RECT rcClip = m_clip.Bounds();
    if (rcClip.left > rc.left) rc.left = rcClip.left;
    if (rcClip.top > rc.top) rc.top = rcClip.top;
    if (rcClip.right < rc.right) rc.right = rcClip.right;
    if (rcClip.bottom < rc.bottom) rc.bottom = rcClip.bottom;
  }
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  return rc;
}

bool Dc::Visible(int x, int y) const {
  return m_target && m_target->Contains(x, y) && (!m_bClip || m_clip.Contains(x, y));
}

std::vector<RECT> Dc::VisibleParts(const RECT& rc) const {
  if (!m_target) return {};
  Region visible(rc);
  visible.Intersect(RECT{0, 0, m_target->Width(), m_target->Height()});
  if (m_bClip) visible.Intersect(m_clip);
  return visible.Rects();
}

HDC CreateSurfaceDC(std::shared_ptr<Bitmap> surface, const Region& clip, void* pOwner) {
  auto dc = std::make_shared<Dc>(false);
  dc->m_target = std::move(surface);
  dc->m_clip = clip;
  dc->m_bClip = true;
  dc->m_pOwner = pOwner;
  return reinterpret_cast<HDC>(Register(dc));
}

uint32_t ColourToMono(COLORREF color) {
  unsigned sum = GetRValue(color) + GetGValue(color) + GetBValue(color);
  return sum >= 3 * 128 ? 1 : 0;
}

namespace {

QJ_PIXEL_LOOP void FillRow(uint32_t* p, int w, uint32_t value) {
  PixelsWritten(p, size_t(w) * sizeof *p);
  for (int i = 0; i < w; ++i) p[i] = value;
}

}  // namespace

void FillTarget(Dc& dc, const RECT& rc, COLORREF color) {
  Bitmap& bm = *dc.m_target;
  uint32_t value = bm.IsMono() ? ColourToMono(color) : (color & 0xFFFFFF);
  for (const RECT& part : dc.VisibleParts(rc))
    for (int y = part.top; y < part.bottom; ++y) FillRow(bm.Row(y) + part.left, part.right - part.left, value);
}

}  // namespace gdi
}  // namespace qjplat

using namespace qjplat::gdi;

namespace {

std::shared_ptr<Dc> DcOf(HDC hdc) { return LookupDc(hdc); }

// Whether a DC of the handle table holds the object. Called under Lock().
bool IsSelected(const Object& object) {
  for (const auto& entry : Objects().objects) {
    const Dc* dc = dynamic_cast<const Dc*>(entry.second.get());
    if (!dc) continue;
    if ((dc->m_bMemory && dc->m_target.get() == &object) || dc->m_pen.get() == &object ||
        dc->m_brush.get() == &object || dc->m_font.get() == &object)
      return true;
  }
  return false;
}

}  // namespace

HDC WINAPI CreateCompatibleDC(HDC hdc) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (hdc && !DcOf(hdc)) return nullptr;
  return reinterpret_cast<HDC>(Register(std::make_shared<Dc>(true)));
}

BOOL WINAPI DeleteDC(HDC hdc) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = DcOf(hdc);
  if (!dc) return FALSE;
  Unregister(reinterpret_cast<HGDIOBJ>(hdc));
  return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = DcOf(hdc);
  auto object = Lookup(h);
  if (!dc || !object) return nullptr;
  if (auto bitmap = std::dynamic_pointer_cast<Bitmap>(object)) {
    if (!dc->m_bMemory) return nullptr;
    if (bitmap->m_pSelectedIn && bitmap->m_pSelectedIn != dc.get() && !bitmap->m_bStock) return nullptr;
    std::shared_ptr<Bitmap> previous = dc->m_target;
    if (previous && previous->m_pSelectedIn == dc.get()) previous->m_pSelectedIn = nullptr;
    dc->m_target = bitmap;
    if (!bitmap->m_bStock) bitmap->m_pSelectedIn = dc.get();
    return HandleOf(previous);
  }
  if (auto pen = std::dynamic_pointer_cast<Pen>(object)) {
    std::shared_ptr<Object> previous = dc->m_pen;
    dc->m_pen = pen;
    return HandleOf(previous);
  }
  if (auto brush = std::dynamic_pointer_cast<Brush>(object)) {
    std::shared_ptr<Object> previous = dc->m_brush;
    dc->m_brush = brush;
    return HandleOf(previous);
  }
  if (auto font = std::dynamic_pointer_cast<Font>(object)) {
    std::shared_ptr<Object> previous = dc->m_font;
    dc->m_font = font;
    return HandleOf(previous);
  }
  return nullptr;
}

// An object selected into a DC (a memory DC's bitmap, any DC's pen, brush
// or font) is refused and stays as it is: FALSE, as for a bad handle.
// Deleting a stock object does nothing and succeeds.
BOOL WINAPI DeleteObject(HGDIOBJ ho) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto object = Lookup(ho);
  if (!object || std::dynamic_pointer_cast<Dc>(object)) return FALSE;
  if (object->m_bStock) return TRUE;
  if (IsSelected(*object)) return FALSE;
  Unregister(ho);
  return TRUE;
}

HGDIOBJ WINAPI GetStockObject(int i) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (i < 0 || i > DEFAULT_GUI_FONT) return nullptr;
  return HandleOf(Stocks().objects[i]);
}

DWORD WINAPI GetObjectType(HGDIOBJ h) {
  auto object = Lookup(h);
  return object ? object->Type() : 0;
}

int WINAPI GetObjectA(HANDLE h, int c, LPVOID pv) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto bitmap = LookupAs<Bitmap>(h);
  if (!bitmap) return 0;
  if (!pv) return int(sizeof(BITMAP));
  if (c < int(sizeof(BITMAP))) return 0;
  BITMAP bm;
  std::memset(&bm, 0, sizeof bm);
  bm.bmType = 0;
  bm.bmWidth = bitmap->Width();
  bm.bmHeight = bitmap->Height();
  bm.bmWidthBytes = bitmap->IsMono() ? ((bitmap->Width() + 15) / 16) * 2 : bitmap->Width() * 4;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = WORD(bitmap->BitsPixel());
  bm.bmBits = nullptr;
  std::memcpy(pv, &bm, sizeof bm);
  return int(sizeof(BITMAP));
}

HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits) {
  if (nPlanes != 1 || (nBitCount != 1 && nBitCount != 32)) return nullptr;
  if (nWidth < 0 || nHeight < 0) return nullptr;
  if (nWidth == 0 || nHeight == 0) {
    nWidth = nHeight = 1;
    nBitCount = 1;
    lpBits = nullptr;
  }
  auto bitmap = NewBitmap(nWidth, nHeight, int(nBitCount));
  if (!bitmap) return nullptr;
  if (lpBits) {
    const uint8_t* pb = static_cast<const uint8_t*>(lpBits);
    if (nBitCount == 1) {
      size_t stride = size_t((nWidth + 15) / 16) * 2;
      for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) bitmap->At(x, y) = (pb[y * stride + x / 8] >> (7 - x % 8)) & 1;
    } else {
      for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
          const uint8_t* p = pb + (size_t(y) * nWidth + x) * 4;
          bitmap->At(x, y) = RGB(p[2], p[1], p[0]);
        }
    }
  }
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return reinterpret_cast<HBITMAP>(Register(bitmap));
}

// Compatible with a memory DC means the format of its selected bitmap, so a
// fresh memory DC (1 x 1 monochrome selected) gives monochrome bitmaps.
HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = DcOf(hdc);
  if (!dc || cx < 0 || cy < 0) return nullptr;
  if (cx == 0 || cy == 0) return CreateBitmap(1, 1, 1, 1, nullptr);
  int nBits = (dc->m_bMemory && dc->m_target && dc->m_target->IsMono()) ? 1 : 32;
  auto bitmap = NewBitmap(cx, cy, nBits);
  if (!bitmap) return nullptr;
  return reinterpret_cast<HBITMAP>(Register(bitmap));
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = DcOf(hdc);
  if (!dc || !ValidColour(color)) return CLR_INVALID;
  COLORREF previous = dc->m_bkColor;
  dc->m_bkColor = color;
  return previous;
}

COLORREF WINAPI GetBkColor(HDC hdc) {
  auto dc = DcOf(hdc);
  return dc ? dc->m_bkColor : CLR_INVALID;
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = DcOf(hdc);
  if (!dc || !ValidColour(color)) return CLR_INVALID;
  COLORREF previous = dc->m_textColor;
  dc->m_textColor = color;
  return previous;
}

COLORREF WINAPI GetTextColor(HDC hdc) {
  auto dc = DcOf(hdc);
  return dc ? dc->m_textColor : CLR_INVALID;
}

int WINAPI SetBkMode(HDC hdc, int mode) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = DcOf(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->m_nBkMode;
  dc->m_nBkMode = mode;
  return previous;
}

int WINAPI GetBkMode(HDC hdc) {
  auto dc = DcOf(hdc);
  return dc ? dc->m_nBkMode : 0;
}

// The layer draws in device pixels: a mode is recorded and reported, and the
// coordinate conversions are the identity of MM_TEXT.
int WINAPI SetMapMode(HDC hdc, int iMode) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto dc = DcOf(hdc);
  if (!dc || iMode < MM_TEXT || iMode > MM_ANISOTROPIC) return 0;
  int previous = dc->m_nMapMode;
  dc->m_nMapMode = iMode;
  return previous;
}

int WINAPI GetMapMode(HDC hdc) {
  auto dc = DcOf(hdc);
  return dc ? dc->m_nMapMode : 0;
}

BOOL WINAPI DPtoLP(HDC hdc, LPPOINT lppt, int c) {
  if (!DcOf(hdc) || c < 0 || (c > 0 && !lppt)) return FALSE;
  return TRUE;
}

BOOL WINAPI LPtoDP(HDC hdc, LPPOINT lppt, int c) {
  if (!DcOf(hdc) || c < 0 || (c > 0 && !lppt)) return FALSE;
  return TRUE;
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
  if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME) return nullptr;
  if (cWidth < 0) cWidth = 0;
  return reinterpret_cast<HPEN>(Register(std::make_shared<Pen>(iStyle, cWidth, color & 0xFFFFFF)));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
  return reinterpret_cast<HBRUSH>(Register(std::make_shared<Brush>(false, color & 0xFFFFFF)));
}

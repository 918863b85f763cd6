// The simulated screen: test windows, the invalidation record, pixels and
// PNG pictures.
#include "platform/sim/screen.h"

#include "posix/gdi32/gdi.h"
#include "posix/user32/window.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

struct Record {
  std::mutex mutex;
  std::vector<sim::Invalidation> calls;
};

Record& Invalidations() {
  static Record* record = new Record;  // outlives every module's unload
  return *record;
}

COLORREF PixelOf(const qjplat::gdi::Bitmap& bitmap, int x, int y) {
  if (!bitmap.Contains(x, y)) return CLR_INVALID;
  uint32_t v = bitmap.At(x, y);
  if (bitmap.IsMono()) return v ? 0xFFFFFF : 0x000000;
  return v;
}

bool WritePng(const qjplat::gdi::Bitmap& bitmap, const char* pszPath) {
  if (!pszPath || bitmap.Width() <= 0 || bitmap.Height() <= 0) return false;
  FILE* fp = std::fopen(pszPath, "wb");
  if (!fp) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    std::fclose(fp);
    return false;
  }
  std::vector<png_byte> row(size_t(bitmap.Width()) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(fp);
    return false;
  }
  png_init_io(png, fp);
  png_set_IHDR(png, info, png_uint_32(bitmap.Width()), png_uint_32(bitmap.Height()), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      COLORREF c = PixelOf(bitmap, x, y);
      row[size_t(x) * 3 + 0] = GetRValue(c);
      row[size_t(x) * 3 + 1] = GetGValue(c);
      row[size_t(x) * 3 + 2] = GetBValue(c);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(fp) == 0;
}

}  // namespace

namespace qjplat {
namespace user32 {

void RecordInvalidate(HWND hWnd, const RECT* prc, BOOL bErase) {
  sim::Invalidation call;
  call.hWnd = hWnd;
  call.bWholeWindow = prc == nullptr;
  if (prc) call.rc = *prc;
  call.bErase = bErase;
  Record& record = Invalidations();
  std::lock_guard<std::mutex> lock(record.mutex);
  record.calls.push_back(call);
}

}  // namespace user32
}  // namespace qjplat

namespace sim {

constexpr int kMaxWindowSide = 8192;

std::vector<Invalidation> GetInvalidations() {
  Record& record = Invalidations();
  std::lock_guard<std::mutex> lock(record.mutex);
  return record.calls;
}

void ClearInvalidations() {
  Record& record = Invalidations();
  std::lock_guard<std::mutex> lock(record.mutex);
  record.calls.clear();
}

HWND CreateTestWindow(int cx, int cy, WNDPROC pfnWndProc) {
  if (cx < 1 || cy < 1 || cx > kMaxWindowSide || cy > kMaxWindowSide) return nullptr;
  auto window = std::make_shared<qjplat::user32::Window>(cx, cy);
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x) window->m_surface->At(x, y) = 0xFFFFFF;
  window->m_pfnWndProc = pfnWndProc;
  return qjplat::user32::AddWindow(window);
}

COLORREF GetWindowPixel(HWND hWnd, int x, int y) {
  auto window = qjplat::user32::LookupWindow(hWnd);
  if (!window) return CLR_INVALID;
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  return PixelOf(*window->m_surface, x, y);
}

COLORREF GetBitmapPixel(HBITMAP hbm, int x, int y) {
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  auto bitmap = qjplat::gdi::LookupBitmap(hbm);
  return bitmap ? PixelOf(*bitmap, x, y) : CLR_INVALID;
}

namespace {

Pixels CopyPixels(const qjplat::gdi::Bitmap& bitmap) {
  Pixels pixels;
  pixels.cx = bitmap.Width();
  pixels.cy = bitmap.Height();
  pixels.data.resize(size_t(pixels.cx) * size_t(pixels.cy));
  for (int y = 0; y < pixels.cy; ++y) {
    const uint32_t* pRow = bitmap.Row(y);
    COLORREF* pOut = &pixels.data[size_t(y) * size_t(pixels.cx)];
    if (!bitmap.IsMono())
      std::memcpy(pOut, pRow, size_t(pixels.cx) * sizeof *pOut);
    else
      for (int x = 0; x < pixels.cx; ++x) pOut[x] = pRow[x] ? 0xFFFFFF : 0x000000;
  }
  return pixels;
}

}  // namespace

Pixels GetWindowPixels(HWND hWnd) {
  auto window = qjplat::user32::LookupWindow(hWnd);
  if (!window) return Pixels();
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  return CopyPixels(*window->m_surface);
}

Pixels GetBitmapPixels(HBITMAP hbm) {
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  auto bitmap = qjplat::gdi::LookupBitmap(hbm);
  return bitmap ? CopyPixels(*bitmap) : Pixels();
}

size_t GdiObjectCount() { return qjplat::gdi::CountObjects(); }

size_t IconCount() { return qjplat::user32::CountIcons(); }

bool WriteWindowPng(HWND hWnd, const char* pszPath) {
  auto window = qjplat::user32::LookupWindow(hWnd);
  if (!window) return false;
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  return WritePng(*window->m_surface, pszPath);
}

bool WriteBitmapPng(HBITMAP hbm, const char* pszPath) {
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  auto bitmap = qjplat::gdi::LookupBitmap(hbm);
  return bitmap && WritePng(*bitmap, pszPath);
}

}  // namespace sim

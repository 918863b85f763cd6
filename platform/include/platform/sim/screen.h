// The simulated screen (test and host control): test windows, the record of
// every InvalidateRect call, pixels of window surfaces and bitmaps, and PNG
// pictures of them.
#pragma once

#include "platform/win32.h"

#include <vector>

#ifndef QJ_SIM_API
#  define QJ_SIM_API __attribute__((visibility("default")))
#endif

namespace sim {

// One InvalidateRect call as it was made, valid window or not.
struct Invalidation {
  HWND hWnd = nullptr;
  bool bWholeWindow = false;  // the call passed no rectangle
  RECT rc{0, 0, 0, 0};        // the rectangle passed, when there was one
  BOOL bErase = FALSE;
};

// Every InvalidateRect call since the last ClearInvalidations, in order.
QJ_SIM_API std::vector<Invalidation> GetInvalidations();
QJ_SIM_API void ClearInvalidations();

// A top-level window whose client area is cx x cy pixels, white, with an
// optional window procedure (it receives WM_PAINT from UpdateWindow and
// WM_ERASEBKGND from BeginPaint). NULL for a size below 1 or above 8192.
// DestroyWindow destroys it.
QJ_SIM_API HWND CreateTestWindow(int cx, int cy, WNDPROC pfnWndProc = nullptr);

// The pixel at (x, y) of a window's client surface or of a bitmap (a
// monochrome one reads as black or white); CLR_INVALID outside it or for a
// bad handle.
QJ_SIM_API COLORREF GetWindowPixel(HWND hWnd, int x, int y);
QJ_SIM_API COLORREF GetBitmapPixel(HBITMAP hbm, int x, int y);

// A copy of every pixel of a window's client surface or of a bitmap, as
// GetWindowPixel and GetBitmapPixel read them one by one: for tests that look
// at many pixels, one call instead of one (and one lock) per pixel. Empty
// (0 x 0) for a bad handle.
struct Pixels {
  int cx = 0;
  int cy = 0;
  std::vector<COLORREF> data;  // rows top-down
  COLORREF At(int x, int y) const {
    return x < 0 || y < 0 || x >= cx || y >= cy ? CLR_INVALID : data[size_t(y) * size_t(cx) + size_t(x)];
  }
};
QJ_SIM_API Pixels GetWindowPixels(HWND hWnd);
QJ_SIM_API Pixels GetBitmapPixels(HBITMAP hbm);

// GDI objects alive now (DCs, bitmaps, pens, brushes; stock objects not
// counted): a leak shows as a count that grows.
QJ_SIM_API size_t GdiObjectCount();

// Icons and cursors alive now that DestroyIcon would destroy (the shared
// system ones not counted): a leak shows as a count that grows.
QJ_SIM_API size_t IconCount();

// Writes a window's client surface or a bitmap as an 8-bit RGB PNG file at a
// Linux path; false for a bad handle or a file that cannot be written.
QJ_SIM_API bool WriteWindowPng(HWND hWnd, const char* pszPath);
QJ_SIM_API bool WriteBitmapPng(HBITMAP hbm, const char* pszPath);

}  // namespace sim

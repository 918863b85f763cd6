// Internals of user32 windows, shared by user32's sources and the sims.
#pragma once

#include "platform/win32.h"
#include "posix/gdi32/gdi.h"

#include <map>
#include <memory>
#include <string>

namespace qjplat {
namespace user32 {

// One window. Its client area is a 32-bit surface of the window's size; the
// update region is kept as its bounding rectangle with the erase flag of
// every InvalidateRect that added to it. Further parts of a window (class,
// parent, styles, text) belong here as they are needed.
class Window {
 public:
  Window(int cx, int cy);
  virtual ~Window() = default;

  HWND Handle() const { return reinterpret_cast<HWND>(const_cast<Window*>(this)); }
  int Width() const { return m_surface->Width(); }
  int Height() const { return m_surface->Height(); }
  RECT ClientRect() const { return RECT{0, 0, Width(), Height()}; }

  // Adds rc (client coordinates, clipped to the client area) to the update
  // region; an empty result adds nothing.
  void Invalidate(const RECT& rc, bool bErase);
  void Validate(const RECT* prc);
  bool HasUpdate() const { return m_bUpdate; }

  // Calls the window procedure, or returns 0 when there is none.
  LRESULT Send(UINT uMsg, WPARAM wParam, LPARAM lParam);

  std::shared_ptr<gdi::Bitmap> m_surface;
  WNDPROC m_pfnWndProc = nullptr;
  std::map<int, LONG_PTR> m_longs;  // window longs by index
  RECT m_rcUpdate{0, 0, 0, 0};
  bool m_bUpdate = false;
  bool m_bErase = false;
};

// The window table. Handles are the windows' addresses; only registered ones
// are accepted.
HWND AddWindow(std::shared_ptr<Window> window);
std::shared_ptr<Window> LookupWindow(HWND hWnd);
void RemoveWindow(HWND hWnd);

// Appends one InvalidateRect call to the screen sim's record (prc null for
// the whole window).
void RecordInvalidate(HWND hWnd, const RECT* prc, BOOL bErase);

// The desktop: what GetDC(NULL) draws on.
std::shared_ptr<Window> Desktop();

}  // namespace user32
}  // namespace qjplat

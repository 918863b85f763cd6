// Windows with a client-area surface, their DCs, the update region and
// painting.
#include "posix/user32/window.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace qjplat {
namespace user32 {

void NotifyMessageHook(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT lResult);

namespace {

constexpr int kDesktopWidth = 1024;
constexpr int kDesktopHeight = 768;

struct Table {
  std::mutex mutex;
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
};

Table& Windows() {
  static Table* table = new Table;  // outlives every module's unload
  return *table;
}

}  // namespace

Window::Window(int cx, int cy)
    : m_surface(std::make_shared<gdi::Bitmap>(cx, cy, 32)), m_rcWindow{0, 0, cx, cy},
      m_dwThreadId(GetCurrentThreadId()) {
  static std::atomic<uint64_t> s_nSeq{0};
  m_nSeq = ++s_nSeq;
}

void Window::ResizeClient(int cx, int cy) {
  cx = std::max(cx, 0);
  cy = std::max(cy, 0);
  if (cx == Width() && cy == Height()) return;
  auto surface = std::make_shared<gdi::Bitmap>(cx, cy, 32);
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x) surface->At(x, y) = m_surface->Contains(x, y) ? m_surface->At(x, y) : 0xFFFFFF;
  m_surface = surface;
  m_update.Intersect(ClientRect());
  if (m_update.Empty()) m_bErase = false;
}

void Window::Invalidate(const RECT& rc, bool bErase) {
  RECT r{std::max(rc.left, LONG(0)), std::max(rc.top, LONG(0)), std::min(rc.right, LONG(Width())),
         std::min(rc.bottom, LONG(Height()))};
  if (r.right <= r.left || r.bottom <= r.top) return;
  m_update.Union(r);
  if (bErase) m_bErase = true;
}

void Window::Validate(const RECT* prc) {
  if (prc)
    m_update.Subtract(*prc);
  else
    m_update.Clear();
  if (m_update.Empty()) m_bErase = false;
}

LRESULT Window::Send(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  LRESULT lResult = m_pfnWndProc ? m_pfnWndProc(Handle(), uMsg, wParam, lParam) : 0;
  NotifyMessageHook(Handle(), uMsg, wParam, lParam, lResult);
  return lResult;
}

HWND AddWindow(std::shared_ptr<Window> window) {
  Table& table = Windows();
  std::lock_guard<std::mutex> lock(table.mutex);
  HWND hWnd = window->Handle();
  table.windows[hWnd] = std::move(window);
  return hWnd;
}

std::shared_ptr<Window> LookupWindow(HWND hWnd) {
  if (!hWnd) return nullptr;
  Table& table = Windows();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.windows.find(hWnd);
  return it == table.windows.end() ? nullptr : it->second;
}

namespace {

// The windows for which bWanted is true, in creation order.
template <class Wanted>
std::vector<HWND> WindowsWhere(Wanted bWanted) {
  Table& table = Windows();
  std::vector<std::pair<uint64_t, HWND>> found;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    for (const auto& entry : table.windows)
      if (bWanted(*entry.second)) found.emplace_back(entry.second->m_nSeq, entry.first);
  }
  std::sort(found.begin(), found.end());
  std::vector<HWND> result;
  for (const auto& f : found) result.push_back(f.second);
  return result;
}

}  // namespace

std::vector<HWND> ChildrenOf(HWND hParent) {
  return WindowsWhere(
      [hParent](const Window& window) { return window.m_hParent == hParent && (window.m_dwStyle & WS_CHILD); });
}

std::vector<HWND> WindowsOfThread(DWORD dwThreadId) {
  return WindowsWhere([dwThreadId](const Window& window) { return window.m_dwThreadId == dwThreadId; });
}

std::vector<HWND> AllWindows() {
  return WindowsWhere([](const Window&) { return true; });
}

bool ShowsOnScreen(const Window& window) {
  if (!window.m_class) return true;
  if (!(window.m_dwStyle & WS_VISIBLE)) return false;
  if (!(window.m_dwStyle & WS_CHILD) || !window.m_hParent) return true;
  auto parent = LookupWindow(window.m_hParent);
  return !parent || ShowsOnScreen(*parent);
}

void RemoveWindow(HWND hWnd) {
  Table& table = Windows();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.windows.erase(hWnd);
}

std::shared_ptr<Window> Desktop() {
  static std::shared_ptr<Window>* desktop = new std::shared_ptr<Window>(
      std::make_shared<Window>(kDesktopWidth, kDesktopHeight));
  return *desktop;
}

}  // namespace user32
}  // namespace qjplat

using namespace qjplat::user32;

namespace {

// A DC on the window's surface clipped to its update region as it is now.
HDC UpdateRegionDC(Window& window) {
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  return qjplat::gdi::CreateSurfaceDC(window.m_surface, window.m_update, &window);
}

// WM_ERASEBKGND with a DC clipped to the update region; the erase request
// is met when the procedure answers non-zero.
void EraseNow(Window& window) {
  HDC hdc = UpdateRegionDC(window);
  const LRESULT lErased = window.Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
  ReleaseDC(window.Handle(), hdc);
  if (!lErased) return;
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  window.m_bErase = false;
}

// InvalidateRect and ValidateRect without a window: every window on the
// screen gets its whole client area invalidated with an erase; those of the
// calling thread get WM_NCPAINT and WM_ERASEBKGND before the call returns
// (the layer sends no message across threads, so another thread's windows
// erase at their next BeginPaint).
void InvalidateEveryWindow() {
  const DWORD dwThread = GetCurrentThreadId();
  std::vector<HWND> ours;
  for (HWND hWnd : AllWindows()) {
    auto window = LookupWindow(hWnd);
    if (!window || !ShowsOnScreen(*window)) continue;
    {
      std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
      window->Invalidate(window->ClientRect(), true);
    }
    if (window->m_dwThreadId == dwThread)
      ours.push_back(hWnd);
    else
      WakeThread(window->m_dwThreadId);
  }
  for (HWND hWnd : ours) {
    auto window = LookupWindow(hWnd);
    if (!window) continue;
    window->Send(WM_NCPAINT, 1, 0);
    bool bUpdate;
    {
      std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
      bUpdate = window->HasUpdate();
    }
    if (bUpdate) EraseNow(*window);
  }
}

}  // namespace

HDC WINAPI GetDC(HWND hWnd) {
  std::shared_ptr<Window> window = hWnd ? LookupWindow(hWnd) : Desktop();
  if (!window) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  return qjplat::gdi::CreateSurfaceDC(window->m_surface, qjplat::gdi::Region(window->ClientRect()), window.get());
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
  auto dc = qjplat::gdi::LookupDc(hDC);
  if (!dc || dc->m_bMemory) return 0;
  qjplat::gdi::Unregister(reinterpret_cast<HGDIOBJ>(hDC));
  return 1;
}

// NULL for the window: see InvalidateEveryWindow.
BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
  RecordInvalidate(hWnd, lpRect, bErase);
  if (!hWnd) {
    InvalidateEveryWindow();
    return TRUE;
  }
  auto window = LookupWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  {
    std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
    window->Invalidate(lpRect ? *lpRect : window->ClientRect(), bErase != FALSE);
  }
  WakeThread(window->m_dwThreadId);
  return TRUE;
}

// NULL for the window invalidates every window, as InvalidateRect does.
BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect) {
  if (!hWnd) {
    InvalidateEveryWindow();
    return TRUE;
  }
  auto window = LookupWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  window->Validate(lpRect);
  return TRUE;
}

// The bounds of the update region (all zero when there is none). With
// bErase, a pending erase is done first, as BeginPaint would do it.
BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase) {
  auto window = LookupWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool bPendingErase;
  {
    std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
    bPendingErase = window->HasUpdate() && window->m_bErase;
  }
  if (bErase && bPendingErase) EraseNow(*window);
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  if (lpRect) *lpRect = window->m_update.Bounds();
  return window->HasUpdate() ? TRUE : FALSE;
}

// Sends WM_PAINT straight to the window procedure when the update region is
// not empty.
BOOL WINAPI UpdateWindow(HWND hWnd) {
  auto window = LookupWindow(hWnd);
  if (!window) return FALSE;
  bool bUpdate;
  {
    std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
    bUpdate = window->HasUpdate();
  }
  if (bUpdate && window->m_pfnWndProc) window->Send(WM_PAINT, 0, 0);
  return TRUE;
}

// The DC is clipped to the update region, which BeginPaint takes over and
// empties; rcPaint is the region's bounds. A pending erase goes to the
// window procedure as WM_ERASEBKGND; fErase tells whether the background
// still needs erasing (no procedure, or one that returned 0).
HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  auto window = LookupWindow(hWnd);
  if (!window || !lpPaint) return nullptr;
  HDC hdc;
  RECT rcPaint;
  bool bErase;
  {
    std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
    hdc = UpdateRegionDC(*window);
    rcPaint = window->m_update.Bounds();
    bErase = window->m_bErase;
    window->Validate(nullptr);
  }
  BOOL fErase = FALSE;
  if (bErase) fErase = window->Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? FALSE : TRUE;
  std::memset(lpPaint, 0, sizeof *lpPaint);
  lpPaint->hdc = hdc;
  lpPaint->fErase = fErase;
  lpPaint->rcPaint = rcPaint;
  return hdc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
  if (!lpPaint) return FALSE;
  ReleaseDC(hWnd, lpPaint->hdc);
  return TRUE;
}

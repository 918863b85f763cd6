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
  if (m_bUpdate) {
    m_rcUpdate.right = std::min(m_rcUpdate.right, LONG(cx));
    m_rcUpdate.bottom = std::min(m_rcUpdate.bottom, LONG(cy));
    if (m_rcUpdate.right <= m_rcUpdate.left || m_rcUpdate.bottom <= m_rcUpdate.top) Validate(nullptr);
  }
}

void Window::Invalidate(const RECT& rc, bool bErase) {
  RECT r{std::max(rc.left, LONG(0)), std::max(rc.top, LONG(0)), std::min(rc.right, LONG(Width())),
         std::min(rc.bottom, LONG(Height()))};
  if (r.right <= r.left || r.bottom <= r.top) return;
  if (m_bUpdate) {
    m_rcUpdate.left = std::min(m_rcUpdate.left, r.left);
    m_rcUpdate.top = std::min(m_rcUpdate.top, r.top);
    m_rcUpdate.right = std::max(m_rcUpdate.right, r.right);
    m_rcUpdate.bottom = std::max(m_rcUpdate.bottom, r.bottom);
  } else {
    m_rcUpdate = r;
    m_bUpdate = true;
  }
  if (bErase) m_bErase = true;
}

// With a bounding rectangle only, a part is validated when it covers the
// whole update rectangle; a smaller part leaves it as it is.
void Window::Validate(const RECT* prc) {
  if (!m_bUpdate) return;
  if (prc && !(prc->left <= m_rcUpdate.left && prc->top <= m_rcUpdate.top && prc->right >= m_rcUpdate.right &&
               prc->bottom >= m_rcUpdate.bottom))
    return;
  m_bUpdate = false;
  m_bErase = false;
  m_rcUpdate = RECT{0, 0, 0, 0};
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

std::vector<HWND> ChildrenOf(HWND hParent) {
  Table& table = Windows();
  std::vector<std::pair<uint64_t, HWND>> found;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    for (const auto& entry : table.windows)
      if (entry.second->m_hParent == hParent && (entry.second->m_dwStyle & WS_CHILD))
        found.emplace_back(entry.second->m_nSeq, entry.first);
  }
  std::sort(found.begin(), found.end());
  std::vector<HWND> result;
  for (const auto& f : found) result.push_back(f.second);
  return result;
}

std::vector<HWND> WindowsOfThread(DWORD dwThreadId) {
  Table& table = Windows();
  std::vector<std::pair<uint64_t, HWND>> found;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    for (const auto& entry : table.windows)
      if (entry.second->m_dwThreadId == dwThreadId) found.emplace_back(entry.second->m_nSeq, entry.first);
  }
  std::sort(found.begin(), found.end());
  std::vector<HWND> result;
  for (const auto& f : found) result.push_back(f.second);
  return result;
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

HDC WINAPI GetDC(HWND hWnd) {
  std::shared_ptr<Window> window = hWnd ? LookupWindow(hWnd) : Desktop();
  if (!window) return nullptr;
  return qjplat::gdi::CreateSurfaceDC(window->m_surface, window->ClientRect(), window.get());
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
  auto dc = qjplat::gdi::LookupDc(hDC);
  if (!dc || dc->m_bMemory) return 0;
  qjplat::gdi::Unregister(reinterpret_cast<HGDIOBJ>(hDC));
  return 1;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
  RecordInvalidate(hWnd, lpRect, bErase);
  auto window = LookupWindow(hWnd);
  if (!window) return FALSE;
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  window->Invalidate(lpRect ? *lpRect : window->ClientRect(), bErase != FALSE);
  WakeThread(window->m_dwThreadId);
  return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect) {
  auto window = LookupWindow(hWnd);
  if (!window) return FALSE;
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  window->Validate(lpRect);
  return TRUE;
}

BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase) {
  auto window = LookupWindow(hWnd);
  if (!window) return FALSE;
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  if (lpRect) *lpRect = window->m_bUpdate ? window->m_rcUpdate : RECT{0, 0, 0, 0};
  return window->m_bUpdate ? TRUE : FALSE;
}

// Sends WM_PAINT straight to the window procedure when the update region is
// not empty.
BOOL WINAPI UpdateWindow(HWND hWnd) {
  auto window = LookupWindow(hWnd);
  if (!window) return FALSE;
  if (window->HasUpdate() && window->m_pfnWndProc) window->Send(WM_PAINT, 0, 0);
  return TRUE;
}

// The DC is clipped to the update rectangle, which BeginPaint takes over and
// empties. A pending erase goes to the window procedure as WM_ERASEBKGND;
// fErase tells whether the background still needs erasing (no procedure, or
// one that returned 0).
HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  auto window = LookupWindow(hWnd);
  if (!window || !lpPaint) return nullptr;
  RECT rcPaint;
  bool bErase;
  {
    std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
    rcPaint = window->m_bUpdate ? window->m_rcUpdate : RECT{0, 0, 0, 0};
    bErase = window->m_bErase;
    window->Validate(nullptr);
  }
  HDC hdc = qjplat::gdi::CreateSurfaceDC(window->m_surface, rcPaint, window.get());
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

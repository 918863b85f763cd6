// Internals of user32 windows, shared by user32's sources and the sims.
#pragma once

#include "platform/win32.h"
#include "posix/gdi32/gdi.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qjplat {
namespace user32 {

// A registered window class.
struct WindowClass {
  std::string name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC pfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HICON hIconSm = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  std::string menuName;
  int nWindows = 0;  // windows of the class alive now
};

// State of a dialog window beside its three window-long slots.
struct DialogState {
  bool bModal = false;
  bool bEnded = false;
  INT_PTR nResult = 0;
  int nBaseX = 8;  // dialog base units in pixels
  int nBaseY = 16;
};

// One window. Its client area is a 32-bit surface of the client's size; the
// update region is a region of client pixels with one erase flag, set by
// any InvalidateRect that asked to erase until the erase is done. Positions:
// m_rcWindow is in screen
// coordinates for a top-level window and in the parent's client
// coordinates for a child; m_rcFrame holds the widths of the non-client
// frame on each side (left, top = caption and frame, right, bottom).
class Window {
 public:
  Window(int cx, int cy);
  virtual ~Window() = default;

  HWND Handle() const { return reinterpret_cast<HWND>(const_cast<Window*>(this)); }
  int Width() const { return m_surface->Width(); }
  int Height() const { return m_surface->Height(); }
  RECT ClientRect() const { return RECT{0, 0, Width(), Height()}; }

  // Adds rc (client coordinates, clipped to the client area) to the update
  // region; an empty result adds nothing and asks for no erase.
  void Invalidate(const RECT& rc, bool bErase);
  // Takes rc out of the update region, or all of it for null; the erase
  // request goes with the last of the region.
  void Validate(const RECT* prc);
  bool HasUpdate() const { return !m_update.Empty(); }

  // Calls the window procedure, or returns 0 when there is none.
  LRESULT Send(UINT uMsg, WPARAM wParam, LPARAM lParam);

  // Gives the client area a new size, keeping what it shows where it fits.
  void ResizeClient(int cx, int cy);

  std::shared_ptr<gdi::Bitmap> m_surface;
  WNDPROC m_pfnWndProc = nullptr;
  std::map<int, LONG_PTR> m_longs;  // window longs by index
  gdi::Region m_update;  // under gdi::Lock()
  bool m_bErase = false;

  std::shared_ptr<WindowClass> m_class;  // null for a sim test window
  DWORD m_dwStyle = 0;
  DWORD m_dwExStyle = 0;
  HWND m_hParent = nullptr;  // child windows: the parent; top-level: the owner
  HINSTANCE m_hInstance = nullptr;
  LONG_PTR m_id = 0;
  LONG_PTR m_userData = 0;
  std::vector<uint8_t> m_extra;  // cbWndExtra bytes
  std::string m_text;
  RECT m_rcWindow{0, 0, 0, 0};
  RECT m_rcFrame{0, 0, 0, 0};
  DWORD m_dwThreadId = 0;
  bool m_bDestroying = false;
  std::unique_ptr<DialogState> m_dialog;  // dialogs only
  uint64_t m_nSeq = 0;                    // creation order
};

// The window table. Handles are the windows' addresses; only registered ones
// are accepted.
HWND AddWindow(std::shared_ptr<Window> window);
std::shared_ptr<Window> LookupWindow(HWND hWnd);
void RemoveWindow(HWND hWnd);
// The windows of the table whose parent is hParent, in creation order.
std::vector<HWND> ChildrenOf(HWND hParent);
// Every window of the thread, in creation order.
std::vector<HWND> WindowsOfThread(DWORD dwThreadId);
// Every window of the process, in creation order.
std::vector<HWND> AllWindows();
// Whether the window is on the screen: it and every parent above it are
// visible (a sim test window, which has no class, always is). Only such a
// window gets WM_PAINT.
bool ShowsOnScreen(const Window& window);

// Appends one InvalidateRect call to the screen sim's record (prc null for
// the whole window).
void RecordInvalidate(HWND hWnd, const RECT* prc, BOOL bErase);

// The desktop: what GetDC(NULL) draws on.
std::shared_ptr<Window> Desktop();

// Frame widths of a window of these styles (see Window::m_rcFrame).
RECT FrameOf(DWORD dwStyle, DWORD dwExStyle);

// Message queues (message.cpp). Wakes the thread's waiting GetMessageA.
void WakeThread(DWORD dwThreadId);
// Drops every timer and posted message of the window.
void ForgetWindowMessages(HWND hWnd);

// Hooks of the UI sim (sim/ui.cpp). The modal hook runs once when a modal
// dialog's loop starts, after WM_INITDIALOG; the message hook sees every
// message that reaches a window procedure, with its result.
using ModalHook = std::function<void(HWND hDlg)>;
void SetModalHook(ModalHook hook);
void RunModalHook(HWND hDlg);
using MessageHook = std::function<void(HWND, UINT, WPARAM, LPARAM, LRESULT)>;
void SetMessageHook(MessageHook hook);

// Metrics overridden by the sim; a negative value restores the default.
void SetMetricOverride(int nIndex, int nValue);

// Key state of the thread's keyboard as the sim drives it.
void SetKeyDown(int vk, bool bDown);

// Resources (resource.cpp): the bytes of a resource of the module, or null.
const QJ_RESOURCE_ENTRY* FindModuleResource(HMODULE hModule, LPCSTR lpType, LPCSTR lpName, WORD wLanguage,
                                            bool bAnyLanguage);

// Icons (icon.cpp): LoadImageA's IMAGE_ICON branch.
HANDLE LoadIconImage(HINSTANCE hInst, LPCSTR name, int cx, int cy, UINT fuLoad);
// Icons and cursors alive now that DestroyIcon would destroy (shared ones
// are not counted).
size_t CountIcons();

}  // namespace user32
}  // namespace qjplat

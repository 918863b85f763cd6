// The key-capture dialog and the TESTBUTTON window class.
#include "keycapture.h"

#include "pageengine.h"
#include "settings.h"

const DWORD VK_TO_USAGE[kVkToUsageCount] = {
    /* 0x00 */ 0x64, 0, 0, 0, 0, 0, 0, 0, 0x2A, 0x2B, 0, 0, 0, 0x28, 0, 0,
    /* 0x10 */ 0, 0, 0, 0x48, 0x39, 0, 0, 0, 0, 0, 0, 0x29, 0, 0, 0, 0,
    /* 0x20 */ 0x2C, 0x4B, 0x4E, 0x4D, 0x4A, 0x50, 0x52, 0x4F, 0x51, 0, 0x46, 0, 0, 0x49, 0x4C, 0,
    /* 0x30 */ 0x27, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0, 0, 0, 0, 0, 0,
    /* 0x40 */ 0, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12,
    /* 0x50 */ 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0, 0, 0, 0, 0,
    /* 0x60 */ 0x62, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F, 0x60, 0x61, 0x55, 0x57, 0x58, 0x56, 0x63, 0x54,
    /* 0x70 */ 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0, 0, 0, 0,
    /* 0x80 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    /* 0x90 */ 0x53, 0x47, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    /* 0xA0 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    /* 0xB0 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x33, 0x2E, 0x36, 0x2D, 0x37, 0x38,
    /* 0xC0 */ 0x32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    /* 0xD0 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x2F, 0x31, 0x30, 0x34, 0,
    /* 0xE0 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    /* 0xF0 */ 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};

namespace {

// The modifier bit of VK_SHIFT, VK_CONTROL and VK_MENU; 0 for other keys.
DWORD ModifierBit(WPARAM vk) {
  switch (vk) {
    case VK_SHIFT: return KEYCODE_SHIFT;
    case VK_CONTROL: return KEYCODE_CTRL;
    case VK_MENU: return KEYCODE_ALT;
    default: return 0;
  }
}

// A key other than a modifier replaces the usage and keeps the modifiers.
void CaptureKey(WPARAM vk) {
  DWORD& dwKey = g_PageEngine.m_dwCapturedKey;
  dwKey = (dwKey & 0xFFFF0000u) | VK_TO_USAGE[vk & 0xFF];
}

void PaintKeyCapture(HWND hDlg) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hDlg, &ps);
  SetBkColor(hdc, 0xFFFFFF);
  HPEN hPen = CreatePen(PS_SOLID, 1, 0x000000);
  HGDIOBJ hOldPen = SelectObject(hdc, hPen);
  RECT rcWindow;
  GetWindowRect(hDlg, &rcWindow);
  Rectangle(hdc, 0, 0, rcWindow.right - rcWindow.left - 1, rcWindow.bottom - rcWindow.top - 1);
  SelectObject(hdc, hOldPen);
  DeleteObject(hPen);

  RECT rc;
  char szText[kPageTextSize] = "";
  g_PageEngine.ReadLayoutEntry("DIALOGString", "GetKeyBoardTitle", &rc, szText);
  DrawTextA(hdc, szText, -1, &rc, DT_BOTTOM);

  char szUnused[kPageTextSize] = "";
  g_PageEngine.ReadLayoutEntry("DIALOGString", "GetKeyBoardText", &rc, szUnused);
  char szKey[kPageTextSize] = "";
  g_PageEngine.FormatKeyText(g_PageEngine.m_dwCapturedKey, szKey, kPageTextSize);
  DrawTextA(hdc, szKey, -1, &rc, DT_BOTTOM);
  EndPaint(hDlg, &ps);
}

// The lamp icons of one TESTBUTTON window, loaded at WM_CREATE and
// destroyed at WM_DESTROY: index 0 unlit (201), 1 lit (200). The class has
// no extra window bytes and GWL_USERDATA selects the lamp, so the pairs sit
// in a small table keyed by window (a window beyond it shows no lamp).
struct LampIcons {
  HWND hWnd;
  HICON ahIcon[2];
};
constexpr int kMaxTestButtons = 16;
LampIcons g_aLamps[kMaxTestButtons];

LampIcons* FindLamps(HWND hWnd) {
  for (LampIcons& lamps : g_aLamps)
    if (lamps.hWnd == hWnd) return &lamps;
  return nullptr;
}

void PaintTestButton(HWND hWnd) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hWnd, &ps);
  if (LampIcons* pLamps = FindLamps(hWnd)) {
    // Any value other than 1 shows the unlit lamp.
    const bool bLit = GetWindowLongPtrA(hWnd, GWLP_USERDATA) == 1;
    DrawIconEx(hdc, 0, 0, pLamps->ahIcon[bLit ? 1 : 0], 0, 0, 0, NULL, DI_NORMAL);
  }
  char szText[3] = "";
  GetWindowTextA(hWnd, szText, 3);
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, 0xCACACA);
  RECT rc = {0, 0, 30, 33};
  DrawTextA(hdc, szText, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX);
  SetBkMode(hdc, OPAQUE);
  EndPaint(hWnd, &ps);
}

}  // namespace

INT_PTR CALLBACK KeyCaptureProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_INITDIALOG:
      g_PageEngine.m_dwCapturedKey = 0;
      return TRUE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (DWORD dwBit = ModifierBit(wParam))
        g_PageEngine.m_dwCapturedKey |= dwBit;
      else
        CaptureKey(wParam);
      InvalidateRect(hDlg, NULL, FALSE);
      return FALSE;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (DWORD dwBit = ModifierBit(wParam))
        g_PageEngine.m_dwCapturedKey &= ~dwBit;
      else
        CaptureKey(wParam);
      InvalidateRect(hDlg, NULL, FALSE);
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(hDlg, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    case WM_PAINT:
      PaintKeyCapture(hDlg);
      return FALSE;
    default:
      return FALSE;
  }
}

BOOL RegisterTestButtonClass() {
  WNDCLASSEXA wc;
  wc.cbSize = sizeof wc;  // 48 bytes in the 32-bit module
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = TestButtonWndProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = g_hInstance;
  wc.hIcon = NULL;
  wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszMenuName = NULL;
  wc.lpszClassName = "TESTBUTTON";
  wc.hIconSm = NULL;
  return RegisterClassExA(&wc) != 0 ? TRUE : FALSE;
}

LRESULT CALLBACK TestButtonWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_CREATE: {
      LampIcons* pLamps = FindLamps(NULL);
      if (pLamps) {
        pLamps->hWnd = hWnd;
        pLamps->ahIcon[0] = static_cast<HICON>(
            LoadImageA(g_hInstance, MAKEINTRESOURCEA(IDI_LAMP_UNLIT), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
        pLamps->ahIcon[1] = static_cast<HICON>(
            LoadImageA(g_hInstance, MAKEINTRESOURCEA(IDI_LAMP_LIT), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
      }
      return 0;
    }
    case WM_DESTROY:
      if (LampIcons* pLamps = FindLamps(hWnd)) {
        for (HICON& hIcon : pLamps->ahIcon) {
          if (hIcon) DestroyIcon(hIcon);
          hIcon = NULL;
        }
        pLamps->hWnd = NULL;
      }
      return 0;
    case WM_PAINT:
      PaintTestButton(hWnd);
      return 0;
    default:
      return DefWindowProcA(hWnd, uMsg, wParam, lParam);
  }
}

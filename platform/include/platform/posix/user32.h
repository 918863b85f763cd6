// user32: windows with a client-area surface, device contexts of a window,
// the update region and painting; FillRect, DrawTextA and the system colours.
#pragma once

#include "platform/posix/types.h"

typedef LRESULT(CALLBACK* WNDPROC)(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Messages the window surfaces send so far.
#define WM_PAINT 0x000F
#define WM_ERASEBKGND 0x0014

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
typedef PAINTSTRUCT* LPPAINTSTRUCT;
static_assert(sizeof(PAINTSTRUCT) == (sizeof(void*) == 8 ? 72 : 64), "PAINTSTRUCT keeps its published size");

// DrawTextA formats.
#define DT_TOP 0x00000000u
#define DT_LEFT 0x00000000u
#define DT_CENTER 0x00000001u
#define DT_RIGHT 0x00000002u
#define DT_VCENTER 0x00000004u
#define DT_BOTTOM 0x00000008u
#define DT_WORDBREAK 0x00000010u
#define DT_SINGLELINE 0x00000020u
#define DT_EXPANDTABS 0x00000040u
#define DT_NOCLIP 0x00000100u
#define DT_CALCRECT 0x00000400u
#define DT_NOPREFIX 0x00000800u

// System colour indexes (GetSysColor; a brush handle of index + 1 in FillRect).
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_3DFACE COLOR_BTNFACE
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_3DHIGHLIGHT COLOR_BTNHIGHLIGHT

// Windows. A window's client area is a 32-bit surface; GetDC(NULL) draws on
// the desktop's.
QJ_PLATFORM_API BOOL WINAPI DestroyWindow(HWND hWnd);
QJ_PLATFORM_API BOOL WINAPI IsWindow(HWND hWnd);
QJ_PLATFORM_API BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect);
QJ_PLATFORM_API HDC WINAPI GetDC(HWND hWnd);
QJ_PLATFORM_API int WINAPI ReleaseDC(HWND hWnd, HDC hDC);

// The update region (kept as its bounding rectangle) and painting.
QJ_PLATFORM_API BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
QJ_PLATFORM_API BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect);
QJ_PLATFORM_API BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase);
QJ_PLATFORM_API BOOL WINAPI UpdateWindow(HWND hWnd);
QJ_PLATFORM_API HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
QJ_PLATFORM_API BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);

// Rectangles.
QJ_PLATFORM_API BOOL WINAPI SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom);
QJ_PLATFORM_API BOOL WINAPI SetRectEmpty(LPRECT lprc);
QJ_PLATFORM_API BOOL WINAPI IsRectEmpty(const RECT* lprc);
QJ_PLATFORM_API BOOL WINAPI IntersectRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2);
QJ_PLATFORM_API BOOL WINAPI UnionRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2);
QJ_PLATFORM_API BOOL WINAPI OffsetRect(LPRECT lprc, int dx, int dy);
QJ_PLATFORM_API BOOL WINAPI PtInRect(const RECT* lprc, POINT pt);

// Drawing that user32 publishes over gdi32. DrawTextA draws ANSI text in the
// DC's font (DejaVu Sans), returns the height of the text, 0 on failure.
QJ_PLATFORM_API int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
QJ_PLATFORM_API int WINAPI DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format);
QJ_PLATFORM_API DWORD WINAPI GetSysColor(int nIndex);

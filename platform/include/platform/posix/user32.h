// user32: window classes and windows with a client-area surface, window
// longs and texts, per-thread message queues with timers, modal and modeless
// dialogs from templates, resources of a module (strings, dialogs, icons),
// icons, device contexts of a window, the update region and painting;
// FillRect, DrawTextA, the system colours and metrics.
#pragma once

#include "platform/posix/types.h"

typedef LRESULT(CALLBACK* WNDPROC)(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
typedef INT_PTR(CALLBACK* DLGPROC)(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
typedef void(CALLBACK* TIMERPROC)(HWND hWnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);

#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKELRESULT(l, h) ((LRESULT)(DWORD)MAKELONG(l, h))

// Window messages.
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_SETCURSOR 0x0020
#define WM_GETMINMAXINFO 0x0024
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_WINDOWPOSCHANGING 0x0046
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_NOTIFY 0x004E
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCCALCSIZE 0x0083
#define WM_NCHITTEST 0x0084
#define WM_NCPAINT 0x0085
#define WM_GETDLGCODE 0x0087
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_KEYLAST 0x0109
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MOUSELAST 0x020D
#define WM_USER 0x0400
#define WM_APP 0x8000

// Mouse-message key flags (wParam).
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008

// Window styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)
#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_CONTROLPARENT 0x00010000L

// Dialog styles.
#define DS_ABSALIGN 0x01L
#define DS_SYSMODAL 0x02L
#define DS_LOCALEDIT 0x20L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_NOIDLEMSG 0x100L
#define DS_SETFOREGROUND 0x200L
#define DS_3DLOOK 0x0004L
#define DS_FIXEDSYS 0x0008L
#define DS_NOFAILCREATE 0x0010L
#define DS_CONTROL 0x0400L
#define DS_CENTER 0x0800L
#define DS_CENTERMOUSE 0x1000L
#define DS_CONTEXTHELP 0x2000L
#define DS_SHELLFONT (DS_SETFONT | DS_FIXEDSYS)

// Class styles.
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020
#define CS_CLASSDC 0x0040
#define CS_PARENTDC 0x0080
#define CS_NOCLOSE 0x0200
#define CS_SAVEBITS 0x0800
#define CS_GLOBALCLASS 0x4000

#define CW_USEDEFAULT ((int)0x80000000)
#define HWND_DESKTOP ((HWND)0)
#define HWND_MESSAGE ((HWND)(LONG_PTR)-3)
#define MAKEINTATOM(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))

// Window longs. The dialog slots sit in the dialog's extra window bytes.
#define GWL_WNDPROC (-4)
#define GWL_HINSTANCE (-6)
#define GWL_HWNDPARENT (-8)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWL_USERDATA (-21)
#define GWL_ID (-12)
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_USERDATA (-21)
#define GWLP_ID (-12)
#define DWLP_MSGRESULT 0
#define DWLP_DLGPROC (DWLP_MSGRESULT + sizeof(LRESULT))
#define DWLP_USER (DWLP_DLGPROC + sizeof(DLGPROC))
#define DWL_MSGRESULT 0
#define DWL_DLGPROC 4
#define DWL_USER 8
#define DLGWINDOWEXTRA 30
#define ERROR_INVALID_INDEX 1413L
#define ERROR_CLASS_HAS_WINDOWS 1412L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#define ERROR_RESOURCE_LANG_NOT_FOUND 1815L
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#define ERROR_TLW_WITH_WSCHILD 1406L
#define ERROR_INVALID_DWP_HANDLE 1403L

// Window-menu commands (WM_SYSCOMMAND wParam; the low four bits are the
// system's own).
#define SC_CLOSE 0xF060
#define SC_KEYMENU 0xF100

// Keystroke flags: the high word of a key message's lParam.
#define KF_EXTENDED 0x0100
#define KF_ALTDOWN 0x2000
#define KF_REPEAT 0x4000
#define KF_UP 0x8000

// WM_GETDLGCODE answers.
#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTTAB 0x0002
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_WANTMESSAGE 0x0004
#define DLGC_WANTCHARS 0x0080

// Dialog box command IDs.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Message boxes (MessageBoxA; the simulated user answers them,
// platform/sim/dialogs.h).
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_ICONHAND 0x00000010u
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_TYPEMASK 0x0000000Fu

// Shows a modal message box and returns the ID of the button that closed it
// (IDOK, IDCANCEL, IDYES, ...); 0 when it could not be shown.
QJ_PLATFORM_API int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

// Virtual keys.
#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_CANCEL 0x03
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SELECT 0x29
#define VK_PRINT 0x2A
#define VK_EXECUTE 0x2B
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_HELP 0x2F
#define VK_LWIN 0x5B
#define VK_RWIN 0x5C
#define VK_APPS 0x5D
#define VK_NUMPAD0 0x60
#define VK_NUMPAD1 0x61
#define VK_NUMPAD2 0x62
#define VK_NUMPAD3 0x63
#define VK_NUMPAD4 0x64
#define VK_NUMPAD5 0x65
#define VK_NUMPAD6 0x66
#define VK_NUMPAD7 0x67
#define VK_NUMPAD8 0x68
#define VK_NUMPAD9 0x69
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SEPARATOR 0x6C
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE

// MapVirtualKeyA map types.
#define MAPVK_VK_TO_VSC 0
#define MAPVK_VSC_TO_VK 1
#define MAPVK_VK_TO_CHAR 2
#define MAPVK_VSC_TO_VK_EX 3

// PeekMessageA.
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

// ShowWindow.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

// SetWindowPos.
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

// Timers: shorter periods are raised to USER_TIMER_MINIMUM.
#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF

// GetSystemMetrics.
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXVSCROLL 2
#define SM_CYHSCROLL 3
#define SM_CYCAPTION 4
#define SM_CXBORDER 5
#define SM_CYBORDER 6
#define SM_CXDLGFRAME 7
#define SM_CYDLGFRAME 8
#define SM_CXFIXEDFRAME SM_CXDLGFRAME
#define SM_CYFIXEDFRAME SM_CYDLGFRAME
#define SM_CXICON 11
#define SM_CYICON 12
#define SM_CXCURSOR 13
#define SM_CYCURSOR 14
#define SM_CYMENU 15
#define SM_CXFULLSCREEN 16
#define SM_CYFULLSCREEN 17
#define SM_CXMIN 28
#define SM_CYMIN 29
#define SM_CXFRAME 32
#define SM_CYFRAME 33
#define SM_CXSIZEFRAME SM_CXFRAME
#define SM_CYSIZEFRAME SM_CYFRAME
#define SM_CXSMICON 49
#define SM_CYSMICON 50
#define SM_CXEDGE 45
#define SM_CYEDGE 46
#define SM_CMONITORS 80

// Icons and cursors.
#define DI_MASK 0x0001
#define DI_IMAGE 0x0002
#define DI_NORMAL 0x0003
#define DI_COMPAT 0x0004
#define DI_DEFAULTSIZE 0x0008
#define LR_DEFAULTSIZE 0x00000040u
#define LR_SHARED 0x00008000u
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_IBEAM MAKEINTRESOURCEA(32513)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
#define IDC_CROSS MAKEINTRESOURCEA(32515)
#define IDC_HAND MAKEINTRESOURCEA(32649)
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)

// Resource types.
#define RT_CURSOR MAKEINTRESOURCEA(1)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_MENU MAKEINTRESOURCEA(4)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCEA(12)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)
#define RT_VERSION MAKEINTRESOURCEA(16)
typedef void* HRSRC;

struct WNDCLASSEXA {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
  HICON hIconSm;
};
typedef WNDCLASSEXA* LPWNDCLASSEXA;
static_assert(sizeof(WNDCLASSEXA) == (sizeof(void*) == 8 ? 80 : 48), "WNDCLASSEXA keeps its published size");

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};
static_assert(sizeof(WNDCLASSA) == (sizeof(void*) == 8 ? 72 : 40), "WNDCLASSA keeps its published size");

struct CREATESTRUCTA {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCSTR lpszName;
  LPCSTR lpszClass;
  DWORD dwExStyle;
};
typedef CREATESTRUCTA* LPCREATESTRUCTA;
static_assert(sizeof(CREATESTRUCTA) == (sizeof(void*) == 8 ? 80 : 48), "CREATESTRUCTA keeps its published size");

// The lParam of WM_WINDOWPOSCHANGING and WM_WINDOWPOSCHANGED; a child's
// position is in its parent's client coordinates.
struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x;
  int y;
  int cx;
  int cy;
  UINT flags;
};
typedef WINDOWPOS* LPWINDOWPOS;
typedef WINDOWPOS* PWINDOWPOS;
static_assert(sizeof(WINDOWPOS) == (sizeof(void*) == 8 ? 40 : 28), "WINDOWPOS keeps its published size");

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
typedef MSG* LPMSG;
static_assert(sizeof(MSG) == (sizeof(void*) == 8 ? 48 : 28), "MSG keeps its published size");

struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};
typedef NMHDR* LPNMHDR;

struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
};
typedef ICONINFO* PICONINFO;

// Dialog templates as the resource compiler writes them (2-byte packing,
// the variable parts follow each fixed part).
#pragma pack(push, 2)
struct DLGTEMPLATE {
  DWORD style;
  DWORD dwExtendedStyle;
  WORD cdit;
  short x;
  short y;
  short cx;
  short cy;
};
struct DLGITEMTEMPLATE {
  DWORD style;
  DWORD dwExtendedStyle;
  short x;
  short y;
  short cx;
  short cy;
  WORD id;
};
#pragma pack(pop)
static_assert(sizeof(DLGTEMPLATE) == 18 && sizeof(DLGITEMTEMPLATE) == 18, "dialog template parts keep their sizes");
typedef const DLGTEMPLATE* LPCDLGTEMPLATEA;

// Window classes. A class is named by its name (without case) and the
// module that registered it; a second registration of the same name by the
// same module fails with ERROR_CLASS_ALREADY_EXISTS.
QJ_PLATFORM_API ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpwcx);
QJ_PLATFORM_API ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass);
QJ_PLATFORM_API BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE hInstance);
QJ_PLATFORM_API BOOL WINAPI GetClassInfoExA(HINSTANCE hInstance, LPCSTR lpszClass, LPWNDCLASSEXA lpwcx);

// Windows. Each window belongs to the thread that created it; its messages
// are queued for that thread.
QJ_PLATFORM_API HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                                            HINSTANCE hInstance, LPVOID lpParam);
QJ_PLATFORM_API LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
QJ_PLATFORM_API LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                                               LPARAM lParam);
QJ_PLATFORM_API LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex);
QJ_PLATFORM_API LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong);
QJ_PLATFORM_API LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex);
QJ_PLATFORM_API LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
QJ_PLATFORM_API int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount);
QJ_PLATFORM_API int WINAPI GetWindowTextLengthA(HWND hWnd);
QJ_PLATFORM_API BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString);
QJ_PLATFORM_API HWND WINAPI GetParent(HWND hWnd);
QJ_PLATFORM_API HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem);
QJ_PLATFORM_API int WINAPI GetDlgCtrlID(HWND hWnd);
QJ_PLATFORM_API BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect);
QJ_PLATFORM_API BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
QJ_PLATFORM_API BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
QJ_PLATFORM_API BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow);
QJ_PLATFORM_API BOOL WINAPI IsWindowVisible(HWND hWnd);
QJ_PLATFORM_API BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint);
QJ_PLATFORM_API BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint);
QJ_PLATFORM_API DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId);
QJ_PLATFORM_API HWND WINAPI SetFocus(HWND hWnd);
QJ_PLATFORM_API HWND WINAPI GetFocus(void);

// Messages and timers. SendMessageA calls the window procedure at once;
// PostMessageA queues for the window's thread. GetMessageA and PeekMessageA
// hand out, in this order: posted messages, WM_PAINT for a visible window
// of the thread with a non-empty update region, WM_TIMER for a timer that is due by
// GetTickCount (the simulated clock, so a frozen clock fires no timer until
// it is stepped). A timer that fell behind fires once and counts its next
// period from the tick it was handed out at.
QJ_PLATFORM_API LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
QJ_PLATFORM_API BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
QJ_PLATFORM_API void WINAPI PostQuitMessage(int nExitCode);
QJ_PLATFORM_API BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
QJ_PLATFORM_API BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                                         UINT wRemoveMsg);
QJ_PLATFORM_API LRESULT WINAPI DispatchMessageA(const MSG* lpMsg);
QJ_PLATFORM_API BOOL WINAPI TranslateMessage(const MSG* lpMsg);
QJ_PLATFORM_API UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
QJ_PLATFORM_API BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent);

// Dialogs. Dialog units become pixels with the base units of the template's
// font: "System" (or no DS_SETFONT) 8 x 16, any other face (MS Shell Dlg,
// MS Sans Serif, Tahoma, ...) 6 x 13 at 8 points, scaled by the point size;
// x = dlu * base x / 4 and y = dlu * base y / 8, rounded as MulDiv rounds.
// The template's size is the client area; the frame of WS_CAPTION,
// DS_MODALFRAME / WS_DLGFRAME, WS_BORDER or WS_THICKFRAME lies outside it.
// The modal loop hands VK_RETURN and VK_ESCAPE key presses to the dialog as
// WM_COMMAND IDOK and IDCANCEL (IsDialogMessageA), every other key as a key
// message.
QJ_PLATFORM_API INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                                               DLGPROC lpDialogFunc, LPARAM dwInitParam);
QJ_PLATFORM_API INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA hDialogTemplate,
                                                       HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam);
QJ_PLATFORM_API HWND WINAPI CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                                               DLGPROC lpDialogFunc, LPARAM dwInitParam);
QJ_PLATFORM_API HWND WINAPI CreateDialogIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA lpTemplate,
                                                       HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam);
QJ_PLATFORM_API BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult);
QJ_PLATFORM_API LRESULT WINAPI DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam);
QJ_PLATFORM_API BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG lpMsg);
QJ_PLATFORM_API BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect);
QJ_PLATFORM_API LONG WINAPI GetDialogBaseUnits(void);

// Keyboard. MapVirtualKeyA knows the US layout.
QJ_PLATFORM_API UINT WINAPI MapVirtualKeyA(UINT uCode, UINT uMapType);
QJ_PLATFORM_API SHORT WINAPI GetKeyState(int nVirtKey);
QJ_PLATFORM_API SHORT WINAPI GetAsyncKeyState(int vKey);

// Resources of a module: its own (registered below) for any HINSTANCE of
// it; NULL names the executable. Strings are ANSI through the ANSI code page.
QJ_PLATFORM_API HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
QJ_PLATFORM_API HRSRC WINAPI FindResourceExA(HMODULE hModule, LPCSTR lpType, LPCSTR lpName, WORD wLanguage);
QJ_PLATFORM_API HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo);
QJ_PLATFORM_API LPVOID WINAPI LockResource(HGLOBAL hResData);
QJ_PLATFORM_API DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo);
QJ_PLATFORM_API int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);

// Icons and cursors. An icon is a colour image and an AND mask; DrawIconEx
// draws at the icon's own size when cx and cy are 0, else scales to them.
// LoadImageA(IMAGE_ICON) (declared with gdi32) takes an icon group resource
// or, with LR_LOADFROMFILE, an .ico file.
QJ_PLATFORM_API HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
QJ_PLATFORM_API HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName);
QJ_PLATFORM_API BOOL WINAPI DestroyIcon(HICON hIcon);
QJ_PLATFORM_API BOOL WINAPI DestroyCursor(HCURSOR hCursor);
QJ_PLATFORM_API BOOL WINAPI DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth,
                                       UINT istepIfAniCur, HBRUSH hbrFlickerFreeDraw, UINT diFlags);
QJ_PLATFORM_API BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon);
QJ_PLATFORM_API BOOL WINAPI GetIconInfo(HICON hIcon, PICONINFO piconinfo);
QJ_PLATFORM_API HCURSOR WINAPI SetCursor(HCURSOR hCursor);

// The screen and system metrics: a 1024 x 768 screen, a 19-pixel caption,
// a 3-pixel dialog frame; SM_CYFULLSCREEN is the screen less the caption.
QJ_PLATFORM_API int WINAPI GetSystemMetrics(int nIndex);
QJ_PLATFORM_API BOOL WINAPI MessageBeep(UINT uType);

// Linux modules only, no Win32 call: the resource section of a module. The
// code that the resource converter (tools/rcconv) generates from a module's
// .rc file registers its table at load and withdraws it at unload; the
// module is the shared object (or executable) that holds pvAnchor. Types and
// names are integer resources or strings; pbData holds the resource in the
// binary form Windows keeps it in.
struct QJ_RESOURCE_ENTRY {
  LPCSTR lpType;
  LPCSTR lpName;
  WORD wLanguage;
  const BYTE* pbData;
  DWORD cbData;
};
QJ_PLATFORM_API BOOL WINAPI QjRegisterModuleResources(const void* pvAnchor, const QJ_RESOURCE_ENTRY* pEntries,
                                                      UINT cEntries);
QJ_PLATFORM_API void WINAPI QjUnregisterModuleResources(const void* pvAnchor);

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

// Window surfaces. A window's client area is a 32-bit surface; GetDC(NULL)
// draws on the desktop's.
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

// The key-capture dialog (resource 175) with which the keyboard page assigns
// a keyboard key to a controller button, and the TESTBUTTON window class, a
// lamp with a two-character caption.
#pragma once

#include "platform/win32.h"

// USB HID keyboard usage (Keyboard/Keypad page) of each Windows virtual-key
// code 0..255; 0 for a key without one (the three modifiers included).
constexpr int kVkToUsageCount = 256;
extern const DWORD VK_TO_USAGE[kVkToUsageCount];

// Dialog procedure of the key-capture dialog: leaves the captured key in
// g_PageEngine.m_dwCapturedKey (dwKeyCode form) and ends with IDOK or
// IDCANCEL.
INT_PTR CALLBACK KeyCaptureProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Registers "TESTBUTTON" for g_hInstance; TRUE when RegisterClassExA gave an
// atom (a repeated registration fails and gives FALSE).
BOOL RegisterTestButtonClass();

// Window procedure of "TESTBUTTON": GWL_USERDATA 1 shows the lit lamp (icon
// group 200), any other value the unlit one (201); the first two characters
// of the window text are drawn over it.
LRESULT CALLBACK TestButtonWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Resource numbers of the dialog and the icons.
constexpr WORD IDD_KEYCAPTURE = 175;
constexpr WORD IDD_TESTBUTTON = 109;
constexpr WORD IDC_TESTBUTTON = 300;
constexpr WORD IDI_LAMP_LIT = 200;
constexpr WORD IDI_LAMP_UNLIT = 201;

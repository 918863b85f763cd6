// The dialog procedures of the six property pages, which the page records of
// the property-sheet object name (page order: test, key map, keyboard,
// vibration, calibration check, about). Each receives its PROPSHEETPAGE at
// WM_INITDIALOG, whose lParam is the PropSheet object, and hands the page's
// work to g_PageEngine.
#pragma once

#include "platform/win32.h"

INT_PTR CALLBACK TestPageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeyMapPageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeyboardPageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PowerPageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CheckPageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutPageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

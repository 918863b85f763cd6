// Stands in for the six page dialog procedures, which these tests only find
// by address in the page records, until the pages' own exist.
#include "pageprocs.h"

INT_PTR CALLBACK TestPageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK KeyMapPageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK KeyboardPageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK PowerPageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK CheckPageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK AboutPageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

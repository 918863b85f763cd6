// Stand-ins for the six page dialog procedures, which the property-sheet
// object's page records name but which these tests never run. Weak, so that
// the pages' own procedures take their place wherever the library has them.
#include "pageprocs.h"

#define QJ_STAND_IN_PROC(name)                                                                         \
  __attribute__((weak)) INT_PTR CALLBACK name(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

QJ_STAND_IN_PROC(TestPageProc)
QJ_STAND_IN_PROC(KeyMapPageProc)
QJ_STAND_IN_PROC(KeyboardPageProc)
QJ_STAND_IN_PROC(PowerPageProc)
QJ_STAND_IN_PROC(CheckPageProc)
QJ_STAND_IN_PROC(AboutPageProc)

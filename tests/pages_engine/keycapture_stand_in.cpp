// Stands in for the key-capture dialog's procedure, which these tests only
// compare by address.
#include "pageengine.h"

INT_PTR CALLBACK KeyCaptureProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

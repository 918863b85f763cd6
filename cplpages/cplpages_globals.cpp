// Module globals of the property-sheet server that several Parts share.
#include "platform/win32.h"

// The module handle; the module's DllMain stores it at process attach. It
// stays NULL (the executable) in a program that links the pages' library.
HINSTANCE g_hInstance = NULL;

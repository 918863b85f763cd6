// Process entry of the setup program where the C run-time calls main.
#include "padsetup.h"

int main() { return WinMain(GetModuleHandleA(NULL), NULL, const_cast<LPSTR>(""), 1); }

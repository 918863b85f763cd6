// A module for the loader tests: counts its DllMain calls and reports each
// one as a debug-output line "test_module: DllMain <reason> <name ok>".
#include "platform/win32.h"

namespace {
LONG volatile g_lDllMainCalls = 0;
}

extern "C" __attribute__((visibility("default"))) BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason,
                                                                      LPVOID) {
  InterlockedIncrement(&g_lDllMainCalls);
  // The instance handle must name this module while DllMain runs.
  char szPath[MAX_PATH] = "";
  DWORD cch = GetModuleFileNameA(hinstDLL, szPath, MAX_PATH);
  bool bNamed = cch > 0 && lstrlenA(szPath) >= 17 &&
                lstrcmpiA(szPath + lstrlenA(szPath) - 17, "qj_test_module.so") == 0;
  char szLine[64];
  wsprintfA(szLine, "test_module: DllMain %lu %s\n", fdwReason, bNamed ? "named" : "unnamed");
  OutputDebugStringA(szLine);
  return TRUE;
}

extern "C" __attribute__((visibility("default"))) LONG WINAPI TestModuleCalls(void) {
  return InterlockedCompareExchange(&g_lDllMainCalls, 0, 0);
}

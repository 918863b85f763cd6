// Self-registration of the effect driver's class under HKEY_CLASSES_ROOT.
// The build without self-registration leaves this file out.
#include "qj_ff.h"

namespace {

// szCLSID (160 bytes) = "CLSID\" followed by the braced class ID in the
// ANSI code page.
void FormatClassKey(char* szCLSID) {
  WCHAR wszID[129];
  char szID[129];
  wszID[0] = 0;
  szID[0] = 0;
  StringFromGUID2(CLSID_FFDriver, wszID, 128);
  WideCharToMultiByte(CP_ACP, 0, wszID, -1, szID, 129, NULL, NULL);
  szID[128] = 0;
  lstrcpyA(szCLSID, "CLSID\\");
  lstrcatA(szCLSID, szID);
}

}  // namespace

// Writes the class key, its InProcServer32 subkey with the module path as the
// default value and ThreadingModel "Both". Registry failures are swallowed:
// always S_OK.
STDAPI DllRegisterServer(void) {
  char szModulePath[260];
  char szCLSID[160];
  szModulePath[0] = 0;
  GetModuleFileNameA(g_hInstance, szModulePath, sizeof szModulePath);
  szModulePath[sizeof szModulePath - 1] = 0;
  FormatClassKey(szCLSID);
  SetRegistryValue(szCLSID, NULL, NULL, NULL);
  SetRegistryValue(szCLSID, "InProcServer32", NULL, szModulePath);
  SetRegistryValue(szCLSID, "InProcServer32", "ThreadingModel", "Both");
  return S_OK;
}

// Writes the trace line "ffnote: CLSID\{...}\n" to the debug output and
// removes the class key: its InProcServer32 subkey first, since RegDeleteKeyA
// refuses a key that still has subkeys. S_OK when the class key is gone
// (also when it was never there); SELFREG_E_CLASS when it stays.
STDAPI DllUnregisterServer(void) {
  char szCLSID[160];
  char szServerKey[160 + sizeof "\\InProcServer32"];
  FormatClassKey(szCLSID);
  OutputDebugStringA("ffnote: ");
  OutputDebugStringA(szCLSID);
  OutputDebugStringA("\n");
  lstrcpyA(szServerKey, szCLSID);
  lstrcatA(szServerKey, "\\InProcServer32");
  RegDeleteKeyA(HKEY_CLASSES_ROOT, szServerKey);
  const LONG lResult = RegDeleteKeyA(HKEY_CLASSES_ROOT, szCLSID);
  return lResult == ERROR_SUCCESS || lResult == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

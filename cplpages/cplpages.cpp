// The property-sheet server module: its entry routine and the two exports of
// the in-process server contract. The module registers no class of its
// own; whatever installs it writes the InProcServer32 entry.
#include <new>

#include "pageengine.h"  // g_hInstance, PageEngineModuleUnload
#include "propsheet.h"

// Process attach stores the module handle and makes g_csModule; process
// detach deletes the controls the page engine still holds and g_csModule.
// Thread notifications do nothing. Always TRUE.
extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved) {
  switch (fdwReason) {
    case DLL_PROCESS_ATTACH:
      g_hInstance = hinstDLL;
      InitializeCriticalSection(&g_csModule);
      break;
    case DLL_PROCESS_DETACH:
      PageEngineModuleUnload();
      DeleteCriticalSection(&g_csModule);
      break;
    default:
      break;
  }
  return TRUE;
}

// A new class factory of CLSID_PropSheet for IID_IClassFactory (IUnknown is
// refused too). E_POINTER for a NULL ppv, CLASS_E_CLASSNOTAVAILABLE for any
// other class, E_NOINTERFACE, E_OUTOFMEMORY; *ppv is NULL on every failure.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (ppv == NULL) return E_POINTER;
  *ppv = NULL;
  if (!IsEqualCLSID(rclsid, CLSID_PropSheet)) return CLASS_E_CLASSNOTAVAILABLE;
  if (!IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
  PropSheetFactory* pFactory = new (std::nothrow) PropSheetFactory;
  if (pFactory == NULL) return E_OUTOFMEMORY;
  const HRESULT hr = pFactory->QueryInterface(riid, ppv);
  pFactory->Release();
  return hr;
}

// S_FALSE while a factory, a sheet object or a server lock lives, else S_OK.
STDAPI DllCanUnloadNow(void) { return g_cObjects != 0 ? S_FALSE : S_OK; }

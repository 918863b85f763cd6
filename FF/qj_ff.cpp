// The effect driver module: globals, DllMain, the class object entry points,
// the class factory and the registry helpers of self-registration.
#include "qj_ff.h"

#include <new>

#include "ffdriver.h"

const GUID CLSID_FFDriver = {0x5B2E91C7, 0x7C3A, 0xA02F, {0x8E, 0x14, 0x3D, 0x06, 0xB9, 0xF2, 0x7A, 0x40}};

HINSTANCE g_hInstance = NULL;
CQJ_DayLog* g_pLog = NULL;
CQJ_DayLog* g_pErrLog = NULL;
volatile LONG g_cLocks = 0;
CQJ_FFFactory* g_pFactory = NULL;
CQJ_FFDriver* g_pDriver = NULL;

namespace {

// The critical section behind FFModuleLock, made on first use so that it is
// ready before DllMain and in hosts that link the driver statically.
struct ModuleSection {
  CRITICAL_SECTION cs;
  ModuleSection() { InitializeCriticalSection(&cs); }
  ~ModuleSection() { DeleteCriticalSection(&cs); }
};

CRITICAL_SECTION* ModuleCriticalSection() {
  static ModuleSection section;
  return &section.cs;
}

// g_cLocks as it is now: LockServer and the factory's AddRef raise it
// without the module lock, so it is read with an interlocked operation.
LONG ModuleLockCount() { return InterlockedCompareExchange(&g_cLocks, 0, 0); }

}  // namespace

FFModuleLock::FFModuleLock() { EnterCriticalSection(ModuleCriticalSection()); }
FFModuleLock::~FFModuleLock() { LeaveCriticalSection(ModuleCriticalSection()); }

// Process attach makes the two log objects, detach deletes them; thread
// notifications do nothing. Always TRUE.
extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved) {
  switch (fdwReason) {
    case DLL_PROCESS_ATTACH:
      g_hInstance = hinstDLL;
      g_pLog = new (std::nothrow) CQJ_DayLog("c:\\FF\\Log");
      g_pErrLog = new (std::nothrow) CQJ_DayLog("c:\\FF\\Log\\Err");
      break;
    case DLL_PROCESS_DETACH:
      if (g_pErrLog != NULL) delete g_pErrLog;
      if (g_pLog != NULL) delete g_pLog;
      g_pErrLog = NULL;
      g_pLog = NULL;
      g_hInstance = hinstDLL;
      break;
    default:
      break;
  }
  return TRUE;
}

// Hands out the class factory of CLSID_FFDriver. CLASS_E_CLASSNOTAVAILABLE
// for any other class, E_NOINTERFACE for an interface other than IUnknown
// and IClassFactory, E_OUTOFMEMORY, E_POINTER for a NULL ppv; *ppv is NULL
// on every failure.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (ppv == NULL) return E_POINTER;
  if (!IsEqualCLSID(rclsid, CLSID_FFDriver)) {
    *ppv = NULL;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  FFModuleLock lock;
  // A newly made factory hands out its one uncounted reference: its own
  // QueryInterface and Release leave g_cLocks where it was (and a refused
  // interface destroys it again). A factory that another holder already has
  // keeps the new reference counted in g_cLocks.
  const bool bNew = (g_pFactory == NULL);
  if (bNew) {
    g_pFactory = new (std::nothrow) CQJ_FFFactory;
    if (g_pFactory == NULL) {
      *ppv = NULL;
      return E_OUTOFMEMORY;
    }
  }
  CQJ_FFFactory* pFactory = g_pFactory;
  HRESULT hr = pFactory->QueryInterface(riid, ppv);
  if (bNew) pFactory->Release();
  return hr;
}

// S_FALSE while the factory exists, g_cLocks is non-zero or a driver object
// lives (its playback servers run code of this module); S_OK otherwise.
STDAPI DllCanUnloadNow(void) {
  FFModuleLock lock;
  if (ModuleLockCount() != 0 || g_pFactory != NULL || g_pDriver != NULL) return S_FALSE;
  return S_OK;
}

CQJ_FFFactory::CQJ_FFFactory() = default;
CQJ_FFFactory::~CQJ_FFFactory() = default;

STDMETHODIMP CQJ_FFFactory::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == NULL) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    AddRef();
    *ppv = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *ppv = NULL;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CQJ_FFFactory::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&g_cLocks)); }

STDMETHODIMP_(ULONG) CQJ_FFFactory::Release() {
  // Under the module lock, so that DllGetClassObject never hands out a
  // factory that this call is destroying.
  FFModuleLock lock;
  if (ModuleLockCount() != 0) return static_cast<ULONG>(InterlockedDecrement(&g_cLocks));
  g_pFactory = NULL;
  delete this;
  return 0;
}

STDMETHODIMP CQJ_FFFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
  if (ppv == NULL) return E_POINTER;
  if (pUnkOuter != NULL) {
    *ppv = NULL;
    return CLASS_E_NOAGGREGATION;
  }
  FFModuleLock lock;
  // A new driver starts at 1 and its QueryInterface-then-Release hands that
  // reference to the caller (a refused interface destroys it again). A driver
  // that another holder already has keeps the caller's new reference.
  const bool bNew = (g_pDriver == NULL);
  if (bNew) {
    g_pDriver = new (std::nothrow) CQJ_FFDriver;
    if (g_pDriver == NULL) {
      *ppv = NULL;
      return E_OUTOFMEMORY;
    }
  }
  CQJ_FFDriver* pDriver = g_pDriver;
  HRESULT hr = pDriver->QueryInterface(riid, ppv);
  if (bNew) pDriver->Release();
  return hr;
}

STDMETHODIMP CQJ_FFFactory::LockServer(BOOL fLock) {
  if (fLock)
    AddRef();
  else
    Release();
  return S_OK;
}

int SetRegistryValue(const char* szKeyPath, const char* szSubKey, const char* szValueName, const char* szValue) {
  char szKey[256];
  const int cchPath = lstrlenA(szKeyPath);
  const int cchSub = (szSubKey != NULL) ? lstrlenA(szSubKey) + 1 : 0;
  if (cchPath + cchSub + 1 > static_cast<int>(sizeof szKey)) return 0;
  lstrcpyA(szKey, szKeyPath);
  if (szSubKey != NULL) {
    lstrcatA(szKey, "\\");
    lstrcatA(szKey, szSubKey);
  }

  HKEY hKey = NULL;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, szKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL) != ERROR_SUCCESS)
    return 0;
  LONG lResult = ERROR_SUCCESS;
  if (szValue != NULL)
    lResult = RegSetValueExA(hKey, szValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(szValue),
                             static_cast<DWORD>(lstrlenA(szValue) + 1));
  RegCloseKey(hKey);
  return lResult == ERROR_SUCCESS ? 1 : 0;
}

int FormatGuid(char* buf, const GUID* pGuid) {
  return wsprintfA(buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(pGuid->Data1),
                   pGuid->Data2, pGuid->Data3, pGuid->Data4[0], pGuid->Data4[1], pGuid->Data4[2], pGuid->Data4[3],
                   pGuid->Data4[4], pGuid->Data4[5], pGuid->Data4[6], pGuid->Data4[7]);
}

// The effect driver module frame: module globals, the class factory and the
// self-registration helpers.
#pragma once

#include "platform/win32.h"
#include "qj_object.h"

class CQJ_FFDriver;
class CQJ_FFFactory;

// {5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}: the class ID DirectInput loads the
// driver by.
extern const GUID CLSID_FFDriver;

// Module globals, one set per process, all zero at load.
extern HINSTANCE g_hInstance;  // module handle from DllMain; names the module file at registration
extern CQJ_DayLog* g_pLog;     // "c:\FF\Log", made at process attach
extern CQJ_DayLog* g_pErrLog;  // "c:\FF\Log\Err", made at process attach
// Factory references and server locks beyond the one reference that a newly
// made factory hands out (so 0 while exactly one holder has it).
extern volatile LONG g_cLocks;
extern CQJ_FFFactory* g_pFactory;  // made on demand by DllGetClassObject
extern CQJ_FFDriver* g_pDriver;    // made on demand by CreateInstance

// Serialises making and destroying the factory and the driver, and opening
// and tearing down the server table, across the callers' threads. The lock
// is recursive and usable at any time after load (it is made on first use).
class FFModuleLock {
 public:
  FFModuleLock();
  ~FFModuleLock();
  FFModuleLock(const FFModuleLock&) = delete;
  FFModuleLock& operator=(const FFModuleLock&) = delete;
};

// The class factory. It keeps no count of its own: it counts in g_cLocks, and
// the Release that finds g_cLocks at 0 destroys it.
class CQJ_FFFactory final : public IClassFactory {
 public:
  CQJ_FFFactory();

  // IUnknown or IClassFactory: AddRef, *ppv = this, S_OK; any other:
  // *ppv = NULL, E_NOINTERFACE. E_POINTER for a NULL ppv.
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  // Raises g_cLocks; returns the new value.
  STDMETHOD_(ULONG, AddRef)() override;
  // Lowers a non-zero g_cLocks and returns it; at 0 destroys the factory and
  // returns 0.
  STDMETHOD_(ULONG, Release)() override;
  // Hands out a reference to the one driver of the process, making it when
  // none exists. CLASS_E_NOAGGREGATION for an outer object, E_NOINTERFACE
  // for an interface the driver lacks, E_OUTOFMEMORY, E_POINTER for a NULL
  // ppv; *ppv is NULL on every failure.
  STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
  // fLock non-zero: AddRef; zero: Release. S_OK.
  STDMETHOD(LockServer)(BOOL fLock) override;

 private:
  ~CQJ_FFFactory();
};

// Creates HKEY_CLASSES_ROOT\szKeyPath[\szSubKey] and, when szValue is not
// NULL, sets its value szValueName (NULL: the default value) to the REG_SZ
// szValue. The joined key path must fit in 256 bytes with its terminator.
// Returns 1 when every call succeeded, else 0.
int SetRegistryValue(const char* szKeyPath, const char* szSubKey, const char* szValueName, const char* szValue);

// Writes *pGuid into buf as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (39
// bytes with the terminator); returns the length written.
int FormatGuid(char* buf, const GUID* pGuid);

// The module's entry points (exported by name with ordinals 1 to 5; the build
// without self-registration exports the first three).
STDAPI DllCanUnloadNow(void);
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);
STDAPI DllRegisterServer(void);
STDAPI DllUnregisterServer(void);

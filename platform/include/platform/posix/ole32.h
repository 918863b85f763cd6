// ole32: COM base interfaces and GUID text.
#pragma once

#include "platform/posix/types.h"

// Defines a GUID constant (in one translation unit, or inline everywhere).
#define QJ_DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

QJ_DEFINE_GUID(GUID_NULL, 0x00000000, 0x0000, 0x0000, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00);
QJ_DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
QJ_DEFINE_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
#define CLSID_NULL GUID_NULL
#define IID_NULL GUID_NULL

// Interfaces use the platform C++ ABI: a class with only pure virtual
// functions has the COM vtable layout (no virtual destructor). The protected
// non-virtual destructor keeps the layout and says that an interface pointer
// is released, never deleted; a derived interface declares its own the same
// way, an implementing class is final or has a virtual destructor.
interface IUnknown {
  STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) PURE;
  STDMETHOD_(ULONG, AddRef)() PURE;
  STDMETHOD_(ULONG, Release)() PURE;

 protected:
  ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;

interface IClassFactory : public IUnknown {
  STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) PURE;
  STDMETHOD(LockServer)(BOOL fLock) PURE;

 protected:
  ~IClassFactory() = default;
};
typedef IClassFactory* LPCLASSFACTORY;

// Writes the braced upper-case text form of the GUID, 39 characters with the
// terminator; returns that count, or 0 when cchMax is too small.
QJ_PLATFORM_API int WINAPI StringFromGUID2(REFGUID rguid, LPWSTR lpsz, int cchMax);
QJ_PLATFORM_API HRESULT WINAPI CoInitialize(LPVOID pvReserved);
QJ_PLATFORM_API void WINAPI CoUninitialize(void);

// The property-sheet server's COM objects: the class factory PropSheetFactory
// and the object PropSheet that the Game Controllers control panel asks for
// the sheet and page records, with the module globals they count in.
#pragma once

#include "platform/win32.h"
#include "platform/dicpl.h"

// {2F64D0A8-7C3A-A02F-C5B1-6E93A0D4172B}, the server's one class.
inline constexpr GUID CLSID_PropSheet = {0x2F64D0A8, 0x7C3A, 0xA02F, {0xC5, 0xB1, 0x6E, 0x93, 0xA0, 0xD4, 0x17, 0x2B}};

// Module object count: +1 for each living PropSheetFactory and PropSheet and
// for each LockServer(TRUE) still outstanding; DllCanUnloadNow allows the
// unload at 0. Changed only with interlocked operations.
inline volatile LONG g_cObjects = 0;

// Serialises the making of a sheet's DirectInput objects. DllMain
// initialises it at process attach and deletes it at process detach; a
// program that links the pages' library without the module initialises it
// itself.
inline CRITICAL_SECTION g_csModule;

// Number of pages of the sheet, and the size of each page's title buffer in
// wide characters (the terminating NUL included).
constexpr int kSheetPageCount = 6;
constexpr int kPageTitleSize = 256;
// The sheet caption buffer in wide characters; the caption holds at most
// kSheetCaptionSize - 1 of them and keeps its terminating NUL.
constexpr int kSheetCaptionSize = 260;

// Resource numbers: the sheet caption string and the pages' icon group.
constexpr UINT IDS_SHEET_CAPTION = 1;
constexpr WORD IDI_PAGE = 108;

class PropSheetFactory final : public IClassFactory {
 public:
  // Starts with one reference, which the creator releases.
  PropSheetFactory();
  PropSheetFactory(const PropSheetFactory&) = delete;
  PropSheetFactory& operator=(const PropSheetFactory&) = delete;

  // IUnknown and IClassFactory: S_OK for IUnknown and IClassFactory (with a
  // new reference), else E_NOINTERFACE; E_POINTER for a NULL ppv.
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  // The last Release destroys the factory and returns 0.
  STDMETHOD_(ULONG, Release)() override;
  // A new PropSheet with its records prepared, asked for riid. E_POINTER for
  // a NULL ppv, CLASS_E_NOAGGREGATION for an outer object, E_OUTOFMEMORY,
  // E_NOINTERFACE (the new object is then destroyed); *ppv is NULL on every
  // failure.
  STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
  // TRUE keeps the module loaded until the matching FALSE; an unlock without
  // an outstanding lock changes nothing. S_OK.
  STDMETHOD(LockServer)(BOOL fLock) override;

 private:
  ~PropSheetFactory();

  volatile LONG m_cRef;
};

class PropSheet final : public IDIGameCntrlPropSheet {
 public:
  // Starts with one reference, joystick ID 0xFFFF and no records; registers
  // the TESTBUTTON window class and allocates the six title buffers.
  PropSheet();
  PropSheet(const PropSheet&) = delete;
  PropSheet& operator=(const PropSheet&) = delete;

  // IUnknown: S_OK for IUnknown and IDIGameCntrlPropSheet (with a new
  // reference), else E_NOINTERFACE; E_POINTER for a NULL ppv.
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  // The 16-bit count, returned widened with its sign (counts from 32768 up
  // read as negative numbers). A count that reaches 65535 stays there: the
  // object then lives until the module unloads, since no further reference
  // could be counted.
  STDMETHOD_(ULONG, AddRef)() override;
  // At zero the object is destroyed and 0 returned.
  STDMETHOD_(ULONG, Release)() override;

  // IDIGameCntrlPropSheet. The records are the object's own and are filled
  // by PreparePages; E_POINTER for a NULL out pointer, else S_OK.
  STDMETHOD(GetSheetInfo)(LPDIGCSHEETINFO* ppSheetInfo) override;
  STDMETHOD(GetPageInfo)(LPDIGCPAGEINFO* ppPageInfo) override;
  STDMETHOD(SetID)(USHORT nID) override;  // S_OK
  STDMETHOD_(USHORT, GetID)() override;   // 0xFFFF until SetID

  // Fills the sheet record and the six page records (titles from Setup.ini,
  // caption from string 1). E_OUTOFMEMORY when a buffer is missing, else
  // S_OK. A second call fills the same buffers again.
  virtual HRESULT STDMETHODCALLTYPE PreparePages();
  // The sheet's DirectInput device and joystick configuration. Put stores
  // the pointer without AddRef and without releasing one held before (the
  // object owns what it is given and releases it when it is destroyed);
  // Fetch hands it out without AddRef (E_POINTER for a NULL out pointer).
  // S_OK.
  virtual HRESULT STDMETHODCALLTYPE PutDevice(IDirectInputDevice2* pDevice);
  virtual HRESULT STDMETHODCALLTYPE FetchDevice(IDirectInputDevice2** ppDevice);
  virtual HRESULT STDMETHODCALLTYPE PutJoyConfig(IDirectInputJoyConfig* pJoyConfig);
  virtual HRESULT STDMETHODCALLTYPE FetchJoyConfig(IDirectInputJoyConfig** ppJoyConfig);

 private:
  // Unacquires and releases the device and the joystick configuration;
  // frees the records.
  ~PropSheet();

  // Adds nDelta to the 16-bit count unless it is pinned at 65535; the new
  // count.
  SHORT ChangeCount(SHORT nDelta);

  SHORT m_sRefCount;      // the count, 16 bits, beside the ID
  USHORT m_wJoystickId;   // 0xFFFF until SetID
  DIGCSHEETINFO m_SheetInfo;
  DIGCPAGEINFO* m_pPageInfo;  // kSheetPageCount records (LocalAlloc), NULL until PreparePages
  IDirectInputDevice2* m_pDevice;
  IDirectInputJoyConfig* m_pJoyConfig;
  WCHAR* m_pwszCaption;                  // kSheetCaptionSize characters (LocalAlloc), NULL until PreparePages
  WCHAR* m_pwszTitle[kSheetPageCount];  // kPageTitleSize characters each, NULL when the allocation failed
};

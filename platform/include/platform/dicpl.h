// The Game Controllers control panel's interface to a device's property-sheet
// server: IDIGameCntrlPropSheet with the sheet record DIGCSHEETINFO and the
// page record DIGCPAGEINFO, in their published layouts. Neither the SDK
// headers of mingw-w64 nor the platform layer carry them, so both builds
// take them from here. Include after platform/win32.h.
//
// The control panel creates the server's object through its class factory,
// gives it the joystick ID with SetID, reads the sheet record and the array
// of nNumPages page records, and builds one property-sheet page from each
// record (the record's lParam reaches the page's dialog procedure as the
// lParam of its PROPSHEETPAGE).
#pragma once

#include "platform/win32.h"

#ifndef _WIN32
// On Windows the SDK's property-sheet declarations come with win32.h.
#  include "platform/posix/prsht.h"
#endif

#ifndef MAKEINTRESOURCEW
#  define MAKEINTRESOURCEW(i) ((LPWSTR)(ULONG_PTR)((WORD)(i)))
#endif

// {7854FB22-8EE3-11D0-A1AC-0000F8026977}
inline constexpr GUID IID_IDIGameCntrlPropSheet = {0x7854FB22, 0x8EE3, 0x11D0,
                                                   {0xA1, 0xAC, 0x00, 0x00, 0xF8, 0x02, 0x69, 0x77}};

// One page of the sheet. The strings are wide; the title, icon and template
// may each be an integer resource (MAKEINTRESOURCEW) of hInstance.
struct DIGCPAGEINFO {
  DWORD dwSize;           // sizeof(DIGCPAGEINFO)
  LPWSTR lpwszPageTitle;  // overrides the template's caption
  DLGPROC fpPageProc;     // the page's dialog procedure
  BOOL fProcFromHInst;    // TRUE: the procedure is lpwszProcName, exported by hInstance
  LPWSTR lpwszProcName;
  BOOL fIconFromHInst;    // TRUE: lpwszPageIcon names an icon resource of hInstance
  LPWSTR lpwszPageIcon;
  LPWSTR lpwszTemplate;   // dialog template resource of hInstance
  LPARAM lParam;          // handed to the page in its PROPSHEETPAGE
  HINSTANCE hInstance;
};
typedef DIGCPAGEINFO* LPDIGCPAGEINFO;

// The sheet: its caption, page count and small icon.
struct DIGCSHEETINFO {
  DWORD dwSize;               // sizeof(DIGCSHEETINFO)
  USHORT nNumPages;           // records in the array that GetPageInfo hands out
  LPWSTR lpwszSheetCaption;
  BOOL fSheetIconFlag;        // TRUE: lpwszSheetIcon names an icon resource
  LPWSTR lpwszSheetIcon;
};
typedef DIGCSHEETINFO* LPDIGCSHEETINFO;

static_assert(sizeof(DIGCPAGEINFO) == (sizeof(void*) == 8 ? 80 : 40), "DIGCPAGEINFO keeps its published size");
static_assert(sizeof(DIGCSHEETINFO) == (sizeof(void*) == 8 ? 32 : 20), "DIGCSHEETINFO keeps its published size");

#if defined(_WIN32) && defined(__GNUC__)
// The SDK's IUnknown has a public non-virtual destructor (the vtable layout
// forbids a virtual one); this interface's own is protected.
#  pragma GCC diagnostic push
#  pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
// The server object as the control panel sees it. The records it hands out
// belong to the object and stay valid while it lives.
interface IDIGameCntrlPropSheet : public IUnknown {
  // *ppSheetInfo = the object's sheet record.
  STDMETHOD(GetSheetInfo)(LPDIGCSHEETINFO* ppSheetInfo) PURE;
  // *ppPageInfo = the first of the object's page records.
  STDMETHOD(GetPageInfo)(LPDIGCPAGEINFO* ppPageInfo) PURE;
  // The DirectInput joystick ID the sheet is for.
  STDMETHOD(SetID)(USHORT nID) PURE;
  STDMETHOD_(USHORT, GetID)() PURE;

 protected:
  ~IDIGameCntrlPropSheet() = default;
};
typedef IDIGameCntrlPropSheet* LPDIGAMECNTRLPROPSHEET;
#if defined(_WIN32) && defined(__GNUC__)
#  pragma GCC diagnostic pop
#endif

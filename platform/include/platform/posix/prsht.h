// Property-sheet pages: the page record that a property sheet hands to a
// page's dialog procedure as the lParam of WM_INITDIALOG, and the
// notification codes that the sheet sends its pages in WM_NOTIFY. The
// layer has no property-sheet window of its own; a host that stands in for
// one builds these records and sends these notifications itself.
#pragma once

#include <cstddef>

#include "platform/posix/types.h"
#include "platform/posix/user32.h"  // DLGPROC, DLGTEMPLATE, NMHDR

struct _PROPSHEETPAGEA;
struct _PROPSHEETPAGEW;

// Called when a page is created and released (PSP_USECALLBACK).
typedef UINT(CALLBACK* LPFNPSPCALLBACKA)(HWND hwnd, UINT uMsg, struct _PROPSHEETPAGEA* ppsp);
typedef UINT(CALLBACK* LPFNPSPCALLBACKW)(HWND hwnd, UINT uMsg, struct _PROPSHEETPAGEW* ppsp);

// The page record in its latest published form; dwSize tells the sheet
// which of the earlier, shorter forms a caller filled (the *_V1_SIZE form
// ends with pcRefParent).
struct _PROPSHEETPAGEA {
  DWORD dwSize;
  DWORD dwFlags;  // PSP_*
  HINSTANCE hInstance;
  union {
    LPCSTR pszTemplate;  // dialog template: a resource name or integer resource
    const DLGTEMPLATE* pResource;  // with PSP_DLGINDIRECT
  };
  union {
    HICON hIcon;    // with PSP_USEHICON
    LPCSTR pszIcon;  // with PSP_USEICONID
  };
  LPCSTR pszTitle;  // with PSP_USETITLE
  DLGPROC pfnDlgProc;
  LPARAM lParam;  // for the page's own use
  LPFNPSPCALLBACKA pfnCallback;
  UINT* pcRefParent;
  LPCSTR pszHeaderTitle;
  LPCSTR pszHeaderSubTitle;
  HANDLE hActCtx;
  union {
    HBITMAP hbmHeader;
    LPCSTR pszbmHeader;
  };
};

struct _PROPSHEETPAGEW {
  DWORD dwSize;
  DWORD dwFlags;
  HINSTANCE hInstance;
  union {
    LPCWSTR pszTemplate;
    const DLGTEMPLATE* pResource;
  };
  union {
    HICON hIcon;
    LPCWSTR pszIcon;
  };
  LPCWSTR pszTitle;
  DLGPROC pfnDlgProc;
  LPARAM lParam;
  LPFNPSPCALLBACKW pfnCallback;
  UINT* pcRefParent;
  LPCWSTR pszHeaderTitle;
  LPCWSTR pszHeaderSubTitle;
  HANDLE hActCtx;
  union {
    HBITMAP hbmHeader;
    LPCWSTR pszbmHeader;
  };
};

typedef struct _PROPSHEETPAGEA PROPSHEETPAGEA;
typedef struct _PROPSHEETPAGEW PROPSHEETPAGEW;
typedef PROPSHEETPAGEA* LPPROPSHEETPAGEA;
typedef PROPSHEETPAGEW* LPPROPSHEETPAGEW;
typedef const PROPSHEETPAGEA* LPCPROPSHEETPAGEA;
typedef const PROPSHEETPAGEW* LPCPROPSHEETPAGEW;
// The layer is an ANSI build.
typedef PROPSHEETPAGEA PROPSHEETPAGE;
typedef LPPROPSHEETPAGEA LPPROPSHEETPAGE;
typedef LPCPROPSHEETPAGEA LPCPROPSHEETPAGE;
typedef LPFNPSPCALLBACKA LPFNPSPCALLBACK;

#define PROPSHEETPAGEA_V1_SIZE (offsetof(PROPSHEETPAGEA, pcRefParent) + sizeof(UINT*))
#define PROPSHEETPAGEW_V1_SIZE (offsetof(PROPSHEETPAGEW, pcRefParent) + sizeof(UINT*))

static_assert(sizeof(PROPSHEETPAGEA) == (sizeof(void*) == 8 ? 104 : 56), "PROPSHEETPAGEA keeps its published size");
static_assert(sizeof(PROPSHEETPAGEW) == (sizeof(void*) == 8 ? 104 : 56), "PROPSHEETPAGEW keeps its published size");
static_assert(PROPSHEETPAGEW_V1_SIZE == (sizeof(void*) == 8 ? 72 : 40), "the first form ends with pcRefParent");

// dwFlags of a page record.
#define PSP_DEFAULT 0x00000000u
#define PSP_DLGINDIRECT 0x00000001u
#define PSP_USEHICON 0x00000002u
#define PSP_USEICONID 0x00000004u
#define PSP_USETITLE 0x00000008u
#define PSP_RTLREADING 0x00000010u
#define PSP_HASHELP 0x00000020u
#define PSP_USEREFPARENT 0x00000040u
#define PSP_USECALLBACK 0x00000080u

// Notification codes (NMHDR::code of WM_NOTIFY) that the sheet sends its
// pages.
#define PSN_FIRST (0u - 200u)
#define PSN_SETACTIVE (PSN_FIRST - 0u)
#define PSN_KILLACTIVE (PSN_FIRST - 1u)
#define PSN_APPLY (PSN_FIRST - 2u)
#define PSN_RESET (PSN_FIRST - 3u)
#define PSN_HELP (PSN_FIRST - 5u)
#define PSN_WIZBACK (PSN_FIRST - 6u)
#define PSN_WIZNEXT (PSN_FIRST - 7u)
#define PSN_WIZFINISH (PSN_FIRST - 8u)
#define PSN_QUERYCANCEL (PSN_FIRST - 9u)

// DWLP_MSGRESULT answers to PSN_APPLY.
#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2

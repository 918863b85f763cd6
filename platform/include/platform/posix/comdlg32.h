// comdlg32 subset: the Open and Save As file dialogs and their extended
// error code. With no screen to show them on, the simulated user answers
// each dialog (platform/sim/dialogs.h).
//
// The message box the dialogs' callers show is user32's (user32.h); the
// simulated user answers it through the same script.
#pragma once

#include <cstddef>

#include "platform/posix/types.h"

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Flags of OPENFILENAMEA.
#define OFN_READONLY 0x00000001u
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_HIDEREADONLY 0x00000004u
#define OFN_NOCHANGEDIR 0x00000008u
#define OFN_SHOWHELP 0x00000010u
#define OFN_ENABLEHOOK 0x00000020u
#define OFN_ENABLETEMPLATE 0x00000040u
#define OFN_ENABLETEMPLATEHANDLE 0x00000080u
#define OFN_NOVALIDATE 0x00000100u
#define OFN_ALLOWMULTISELECT 0x00000200u
#define OFN_EXTENSIONDIFFERENT 0x00000400u
#define OFN_PATHMUSTEXIST 0x00000800u
#define OFN_FILEMUSTEXIST 0x00001000u
#define OFN_CREATEPROMPT 0x00002000u
#define OFN_SHAREAWARE 0x00004000u
#define OFN_NOREADONLYRETURN 0x00008000u
#define OFN_NOTESTFILECREATE 0x00010000u
#define OFN_NONETWORKBUTTON 0x00020000u
#define OFN_NOLONGNAMES 0x00040000u
#define OFN_EXPLORER 0x00080000u
#define OFN_NODEREFERENCELINKS 0x00100000u
#define OFN_LONGNAMES 0x00200000u
#define OFN_ENABLEINCLUDENOTIFY 0x00400000u
#define OFN_ENABLESIZING 0x00800000u
#define OFN_DONTADDTORECENT 0x02000000u
#define OFN_FORCESHOWHIDDEN 0x10000000u

// Results of CommDlgExtendedError.
#define CDERR_DIALOGFAILURE 0xFFFFu
#define CDERR_GENERALCODES 0x0000u
#define CDERR_STRUCTSIZE 0x0001u
#define CDERR_INITIALIZATION 0x0002u
#define CDERR_NOTEMPLATE 0x0003u
#define CDERR_NOHINSTANCE 0x0004u
#define CDERR_LOADSTRFAILURE 0x0005u
#define CDERR_FINDRESFAILURE 0x0006u
#define CDERR_LOADRESFAILURE 0x0007u
#define CDERR_LOCKRESFAILURE 0x0008u
#define CDERR_MEMALLOCFAILURE 0x0009u
#define CDERR_MEMLOCKFAILURE 0x000Au
#define CDERR_NOHOOK 0x000Bu
#define CDERR_REGISTERMSGFAIL 0x000Cu
#define FNERR_FILENAMECODES 0x3000u
#define FNERR_SUBCLASSFAILURE 0x3001u
#define FNERR_INVALIDFILENAME 0x3002u
#define FNERR_BUFFERTOOSMALL 0x3003u

struct OPENFILENAMEA {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;        // pairs of description and pattern, ended by an empty string
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;        // 1-based pair of lpstrFilter
  LPSTR lpstrFile;           // in: initial name; out: the full path
  DWORD nMaxFile;            // characters of lpstrFile, terminator included
  LPSTR lpstrFileTitle;      // out: the name and extension without the folder
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;          // out: offset of the name in lpstrFile
  WORD nFileExtension;       // out: offset of the extension (after the dot)
  LPCSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
};
typedef OPENFILENAMEA* LPOPENFILENAMEA;
typedef OPENFILENAMEA OPENFILENAME;
typedef LPOPENFILENAMEA LPOPENFILENAME;

// The size of the form without the last three members (76 bytes for a
// 32-bit module); both sizes are accepted in lStructSize.
#define OPENFILENAME_SIZE_VERSION_400A \
  static_cast<DWORD>(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR))
#define OPENFILENAME_SIZE_VERSION_400 OPENFILENAME_SIZE_VERSION_400A

static_assert(sizeof(void*) == 8 ? sizeof(OPENFILENAMEA) == 152 : sizeof(OPENFILENAMEA) == 88,
              "OPENFILENAMEA keeps its published size");
static_assert(sizeof(void*) == 8 ? OPENFILENAME_SIZE_VERSION_400A == 136 : OPENFILENAME_SIZE_VERSION_400A == 76,
              "the 4.0 form of OPENFILENAMEA keeps its published size");
static_assert(offsetof(OPENFILENAMEA, nFileOffset) == (sizeof(void*) == 8 ? 100 : 56),
              "nFileOffset keeps its published offset");

// Shows the Open dialog. TRUE when the user chose a file: lpstrFile holds its
// full path, nFileOffset and nFileExtension point into it, lpstrFileTitle
// (when given) its name, nFilterIndex the filter in use. FALSE with
// CommDlgExtendedError() 0 when the user cancelled; FALSE with
// CDERR_INITIALIZATION for a null lpofn or lpstrFile, CDERR_STRUCTSIZE for an
// unknown lStructSize, FNERR_BUFFERTOOSMALL when the path and its terminator
// do not fit in nMaxFile (the first two bytes of lpstrFile then hold the size
// needed, when nMaxFile leaves room for them), FNERR_INVALIDFILENAME for a
// confirmed path without a name, CDERR_DIALOGFAILURE when the dialog could
// not be shown. Hooks and templates are not called.
QJ_PLATFORM_API BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn);
// Shows the Save As dialog; results as for GetOpenFileNameA.
QJ_PLATFORM_API BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA lpofn);
// The error of the calling thread's last file dialog call (0 after a
// success or a cancel).
QJ_PLATFORM_API DWORD WINAPI CommDlgExtendedError(void);


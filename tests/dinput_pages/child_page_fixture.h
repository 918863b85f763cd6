// The page-procedure tests' sheet stand-in with its pages made as the
// property sheet makes them: from each page's template, as a child window of
// the sheet without a caption or frame of its own. Show(n) then shows a page
// made here. For tests that link the module's resources.
#pragma once

#include <cstring>
#include <vector>

#include "../pages_procs/procs_fixture.h"

namespace pagesheet {

using procstest::kPages;

// A DLGTEMPLATEEX starts with version 1 and the signature 0xFFFF; its style
// follows the help ID and the extended style. A DLGTEMPLATE starts with it.
inline size_t StyleOffset(const std::vector<BYTE>& tmpl) {
  const bool bEx = tmpl.size() >= 16 && tmpl[0] == 1 && tmpl[1] == 0 && tmpl[2] == 0xFF && tmpl[3] == 0xFF;
  return bEx ? 12 : 0;
}

class ChildPageSheet : public procstest::ProcsFixture {
 protected:
  // Page n made from its template with the style the sheet gives every page:
  // a child, without the caption and frame of a window of its own.
  HWND CreateChildPage(int n) {
    const DIGCPAGEINFO& info = m_pInfo[n];
    const LPCSTR pszTemplate = MAKEINTRESOURCEA(LOWORD(reinterpret_cast<ULONG_PTR>(info.lpwszTemplate)));
    HRSRC hRes = FindResourceA(info.hInstance, pszTemplate, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    HGLOBAL hData = hRes ? LoadResource(info.hInstance, hRes) : nullptr;
    const BYTE* pData = hData ? static_cast<const BYTE*>(LockResource(hData)) : nullptr;
    if (!pData) return nullptr;
    std::vector<BYTE>& tmpl = m_templates[n];
    tmpl.assign(pData, pData + SizeofResource(info.hInstance, hRes));
    const size_t nOffset = StyleOffset(tmpl);
    DWORD dwStyle = 0;
    std::memcpy(&dwStyle, &tmpl[nOffset], sizeof dwStyle);
    dwStyle &= ~DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    dwStyle |= WS_CHILD | DS_CONTROL;
    std::memcpy(&tmpl[nOffset], &dwStyle, sizeof dwStyle);

    PROPSHEETPAGE& psp = m_psp[n];
    std::memset(&psp, 0, sizeof psp);
    psp.dwSize = sizeof psp;
    psp.hInstance = info.hInstance;
    psp.pszTemplate = pszTemplate;
    psp.pfnDlgProc = info.fpPageProc;
    psp.lParam = info.lParam;
    m_hPage[n] = CreateDialogIndirectParamA(info.hInstance, reinterpret_cast<LPCDLGTEMPLATEA>(tmpl.data()), m_hSheet,
                                            info.fpPageProc, reinterpret_cast<LPARAM>(&psp));
    return m_hPage[n];
  }

  std::vector<BYTE> m_templates[kPages];
};

}  // namespace pagesheet

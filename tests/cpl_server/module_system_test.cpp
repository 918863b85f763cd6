// The built property-sheet server, loaded only through LoadLibraryA and
// GetProcAddress as the Game Controllers control panel loads it: its two
// exports, the sheet and page records with the module's own resources, and
// the unload once nothing of it lives.
#include <gtest/gtest.h>

#include <string>

#include "../support/page_fixture.h"
#include "platform/dicpl.h"
#include "platform/sim/sim.h"
#include "platform/win32.h"

namespace {

const GUID kClsidPropSheet = {0x2F64D0A8, 0x7C3A, 0xA02F, {0xC5, 0xB1, 0x6E, 0x93, 0xA0, 0xD4, 0x17, 0x2B}};

typedef HRESULT(STDAPICALLTYPE* GetClassObjectProc)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDAPICALLTYPE* CanUnloadNowProc)(void);

using WString = std::basic_string<WCHAR>;
WString Widen(const char* psz) { return WString(psz, psz + std::char_traits<char>::length(psz)); }
WString Wide(const WCHAR* pwsz) { return pwsz ? WString(pwsz) : WString(); }

std::string WindowsPath(const std::string& path) {
  std::string windows = "Z:" + path;
  for (char& c : windows)
    if (c == '/') c = '\\';
  return windows;
}

class ModuleSystemTest : public pagetest::PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    m_hModule = LoadLibraryA(WindowsPath(QJ_CPL_MODULE).c_str());
    ASSERT_NE(m_hModule, nullptr) << QJ_CPL_MODULE;
    m_pfnGetClassObject = reinterpret_cast<GetClassObjectProc>(
        reinterpret_cast<void*>(GetProcAddress(m_hModule, "DllGetClassObject")));
    m_pfnCanUnloadNow =
        reinterpret_cast<CanUnloadNowProc>(reinterpret_cast<void*>(GetProcAddress(m_hModule, "DllCanUnloadNow")));
    ASSERT_NE(m_pfnGetClassObject, nullptr);
    ASSERT_NE(m_pfnCanUnloadNow, nullptr);
  }

  void TearDown() override {
    if (m_hModule) {
      EXPECT_EQ(m_pfnCanUnloadNow ? m_pfnCanUnloadNow() : S_OK, S_OK) << "nothing of the module lives on";
      EXPECT_TRUE(FreeLibrary(m_hModule));
    }
    PageFixture::TearDown();
  }

  // The sheet object for joystick 0, made as the control panel makes it.
  IDIGameCntrlPropSheet* OpenSheet() {
    IClassFactory* pFactory = nullptr;
    EXPECT_EQ(m_pfnGetClassObject(kClsidPropSheet, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
    if (!pFactory) return nullptr;
    IDIGameCntrlPropSheet* pSheet = nullptr;
    EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, reinterpret_cast<void**>(&pSheet)),
              S_OK);
    pFactory->Release();
    if (pSheet) {
      EXPECT_EQ(pSheet->SetID(0), S_OK);
    }
    return pSheet;
  }

  HMODULE m_hModule = nullptr;
  GetClassObjectProc m_pfnGetClassObject = nullptr;
  CanUnloadNowProc m_pfnCanUnloadNow = nullptr;
};

TEST_F(ModuleSystemTest, ExportsOnlyTheServerEntryPoints) {
  EXPECT_EQ(GetProcAddress(m_hModule, "DllRegisterServer"), nullptr) << "the module registers nothing itself";
  EXPECT_EQ(GetProcAddress(m_hModule, "DllUnregisterServer"), nullptr);
  // Internal names stay inside the module.
  EXPECT_EQ(GetProcAddress(m_hModule, "_Z23RegisterTestButtonClassv"), nullptr);
  EXPECT_EQ(GetProcAddress(m_hModule, "g_hInstance"), nullptr);

  void* pv = reinterpret_cast<void*>(1);
  const GUID kClsidFFDriver = {0x5B2E91C7, 0x7C3A, 0xA02F, {0x8E, 0x14, 0x3D, 0x06, 0xB9, 0xF2, 0x7A, 0x40}};
  EXPECT_EQ(m_pfnGetClassObject(kClsidFFDriver, IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(pv, nullptr);
  EXPECT_EQ(m_pfnCanUnloadNow(), S_OK);
}

TEST_F(ModuleSystemTest, SheetFromTheModuleWithItsResources) {
  IDIGameCntrlPropSheet* pSheet = OpenSheet();
  ASSERT_NE(pSheet, nullptr);
  EXPECT_EQ(m_pfnCanUnloadNow(), S_FALSE) << "the sheet lives";
  EXPECT_EQ(pSheet->GetID(), 0);

  LPDIGCSHEETINFO pInfo = nullptr;
  ASSERT_EQ(pSheet->GetSheetInfo(&pInfo), S_OK);
  ASSERT_NE(pInfo, nullptr);
  EXPECT_EQ(pInfo->nNumPages, 6);
  EXPECT_EQ(Wide(pInfo->lpwszSheetCaption), Widen("USB trivalo game controller"))
      << "string 1 of the module's own string table";

  LPDIGCPAGEINFO pPages = nullptr;
  ASSERT_EQ(pSheet->GetPageInfo(&pPages), S_OK);
  ASSERT_NE(pPages, nullptr);
  const WORD templates[6] = {118, 123, 120, 121, 124, 125};
  const char* const titles[6] = {"Test", "Button Map", "Keyboard", "Vibration", "Calibration", "About"};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE("page " + std::to_string(i));
    const DIGCPAGEINFO& page = pPages[i];
    EXPECT_EQ(reinterpret_cast<HMODULE>(page.hInstance), m_hModule) << "DllMain stored the module handle";
    EXPECT_EQ(page.lpwszTemplate, MAKEINTRESOURCEW(templates[i]));
    EXPECT_EQ(Wide(page.lpwszPageTitle), Widen(titles[i]));
    EXPECT_EQ(page.lParam, reinterpret_cast<LPARAM>(pSheet));
    EXPECT_NE(page.fpPageProc, nullptr);
    // The control panel builds the page from this template of the module.
    EXPECT_NE(FindResourceA(page.hInstance, MAKEINTRESOURCEA(templates[i]), MAKEINTRESOURCEA(5)), nullptr)
        << "dialog template in the module";
  }
  // The page icon by number and the sheet icon by the name the sheet record gives.
  const LPCSTR icons[] = {MAKEINTRESOURCEA(108), "IDI_WINFLAG"};
  for (LPCSTR pszIcon : icons) {
    HICON hIcon = static_cast<HICON>(LoadImageA(pPages[0].hInstance, pszIcon, IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    EXPECT_NE(hIcon, nullptr) << (IS_INTRESOURCE(pszIcon) ? "the page icon" : pszIcon) << " of the module";
    if (hIcon) DestroyIcon(hIcon);
  }

  EXPECT_EQ(pSheet->Release(), 0u);
  EXPECT_EQ(m_pfnCanUnloadNow(), S_OK);
}

TEST_F(ModuleSystemTest, ServerLockHoldsTheModule) {
  IClassFactory* pFactory = nullptr;
  ASSERT_EQ(m_pfnGetClassObject(kClsidPropSheet, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
  EXPECT_EQ(pFactory->LockServer(TRUE), S_OK);
  EXPECT_EQ(pFactory->Release(), 0u);
  EXPECT_EQ(m_pfnCanUnloadNow(), S_FALSE);
  ASSERT_EQ(m_pfnGetClassObject(kClsidPropSheet, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
  EXPECT_EQ(pFactory->LockServer(FALSE), S_OK);
  EXPECT_EQ(pFactory->Release(), 0u);
}

}  // namespace

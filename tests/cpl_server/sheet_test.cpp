// The sheet object: its 16-bit count beside the joystick ID, the sheet and
// page records that the control panel builds the sheet from, and the
// DirectInput objects it owns.
#include <cstdlib>
#include <string>

#include "pageprocs.h"
#include "server_fixture.h"

namespace {

using cpltest::Sentinel;
using cpltest::ServerTest;
using cpltest::Wide;
using cpltest::WString;

WString Widen(const std::string& s) { return WString(s.begin(), s.end()); }

// The count as the interface returns it, widened with its sign.
LONG Signed(ULONG ulCount) { return static_cast<LONG>(ulCount); }

TEST_F(ServerTest, CountPairsLeaveCountAndJoystickId) {
  IDIGameCntrlPropSheet* pSheet = NewSheet();
  ASSERT_NE(pSheet, nullptr);
  ASSERT_EQ(pSheet->SetID(3), S_OK);
  for (ULONG i = 2; i <= 201; ++i) ASSERT_EQ(pSheet->AddRef(), i);
  for (ULONG i = 200; i >= 1; --i) ASSERT_EQ(pSheet->Release(), i);
  EXPECT_EQ(pSheet->GetID(), 3);
  EXPECT_EQ(pSheet->AddRef(), 2u);
  EXPECT_EQ(pSheet->Release(), 1u);
  EXPECT_EQ(pSheet->Release(), 0u);
}

// The sheet object answers for IUnknown and IDIGameCntrlPropSheet with a
// new reference; for any other interface it writes NULL.
TEST_F(ServerTest, SheetQueryInterface) {
  IDIGameCntrlPropSheet* pSheet = NewSheet();
  ASSERT_NE(pSheet, nullptr);
  for (const IID* piid : {&IID_IUnknown, &IID_IDIGameCntrlPropSheet}) {
    void* pv = Sentinel();
    EXPECT_EQ(pSheet->QueryInterface(*piid, &pv), S_OK);
    EXPECT_EQ(pv, static_cast<void*>(pSheet));
    EXPECT_EQ(pSheet->Release(), 1u) << "the query added one";
  }
  void* pv = Sentinel();
  EXPECT_EQ(pSheet->QueryInterface(IID_IClassFactory, &pv), E_NOINTERFACE);
  EXPECT_EQ(pv, nullptr);
  EXPECT_EQ(pSheet->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(pSheet->Release(), 0u);
}

// Counts from 32768 up read as negative numbers, and the joystick ID beside
// the count keeps its value through them.
TEST_F(ServerTest, HighCountsReadNegativeAndLeaveTheJoystickId) {
  IDIGameCntrlPropSheet* pSheet = NewSheet();
  ASSERT_NE(pSheet, nullptr);
  ASSERT_EQ(pSheet->SetID(0x0102), S_OK);
  for (LONG i = 2; i <= 32767; ++i) ASSERT_EQ(Signed(pSheet->AddRef()), i);
  EXPECT_EQ(Signed(pSheet->AddRef()), -32768);
  EXPECT_EQ(Signed(pSheet->AddRef()), -32767);
  EXPECT_EQ(pSheet->GetID(), 0x0102);
  EXPECT_EQ(Signed(pSheet->Release()), -32768);
  EXPECT_EQ(Signed(pSheet->Release()), 32767);
  for (LONG i = 32766; i >= 1; --i) ASSERT_EQ(Signed(pSheet->Release()), i);
  EXPECT_EQ(pSheet->GetID(), 0x0102);
  EXPECT_EQ(g_cObjects, m_lObjectsBefore + 1);
  EXPECT_EQ(pSheet->Release(), 0u);
}

// A count that cannot take one more reference must neither come back to 0
// while holders remain nor carry into the joystick ID: it stays at 65535 and
// the object lives on. The object then never goes away, so this runs in a
// child process.
TEST_F(ServerTest, CountAtItsLimitStaysThere) {
  const LONG lObjectsBefore = m_lObjectsBefore;
  EXPECT_EXIT(
      {
        IDIGameCntrlPropSheet* pSheet = NewSheet();
        int nFailed = pSheet ? 0 : 1;
        if (!nFailed) {
          pSheet->SetID(7);
          for (int i = 2; i < 65535; ++i) pSheet->AddRef();
          if (pSheet->AddRef() != 0xFFFFFFFFu) nFailed = 2;           // the 65535th reference
          else if (pSheet->AddRef() != 0xFFFFFFFFu) nFailed = 3;      // one beyond
          for (int i = 0; !nFailed && i < 70000; ++i)
            if (pSheet->Release() != 0xFFFFFFFFu) nFailed = 4;
          if (!nFailed && g_cObjects != lObjectsBefore + 1) nFailed = 5;  // not destroyed
          if (!nFailed && pSheet->GetID() != 7) nFailed = 6;
        }
        std::_Exit(nFailed);  // the pinned object is meant to stay
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ServerTest, JoystickIdIsUnsetUntilSetId) {
  IDIGameCntrlPropSheet* pSheet = NewSheet();
  ASSERT_NE(pSheet, nullptr);
  EXPECT_EQ(pSheet->GetID(), 0xFFFF);
  for (USHORT nID : {USHORT(3), USHORT(0), USHORT(15), USHORT(0xFFFE)}) {
    EXPECT_EQ(pSheet->SetID(nID), S_OK);
    EXPECT_EQ(pSheet->GetID(), nID);
  }
  pSheet->Release();
}

TEST_F(ServerTest, SheetRecordNamesCaptionPagesAndIcon) {
  IDIGameCntrlPropSheet* pSheet = NewSheet();
  ASSERT_NE(pSheet, nullptr);
  LPDIGCSHEETINFO pInfo = static_cast<LPDIGCSHEETINFO>(Sentinel());
  ASSERT_EQ(pSheet->GetSheetInfo(&pInfo), S_OK);
  ASSERT_NE(pInfo, nullptr);
  EXPECT_EQ(pInfo->dwSize, sizeof(DIGCSHEETINFO));
  EXPECT_EQ(pInfo->nNumPages, 6);
  EXPECT_EQ(Wide(pInfo->lpwszSheetCaption), Widen("USB trivalo game controller")) << "string 1 of the module";
  EXPECT_TRUE(pInfo->fSheetIconFlag);
  EXPECT_EQ(Wide(pInfo->lpwszSheetIcon), Widen("IDI_WINFLAG"));

  LPDIGCSHEETINFO pAgain = nullptr;
  ASSERT_EQ(pSheet->GetSheetInfo(&pAgain), S_OK);
  EXPECT_EQ(pAgain, pInfo) << "the record is the object's own";
  EXPECT_EQ(pSheet->GetSheetInfo(nullptr), E_POINTER);
  pSheet->Release();
}

TEST_F(ServerTest, PageRecordsInPageOrder) {
  IDIGameCntrlPropSheet* pSheet = NewSheet();
  ASSERT_NE(pSheet, nullptr);
  LPDIGCPAGEINFO pPages = static_cast<LPDIGCPAGEINFO>(Sentinel());
  ASSERT_EQ(pSheet->GetPageInfo(&pPages), S_OK);
  ASSERT_NE(pPages, nullptr);

  struct Expected {
    WORD wTemplate;
    DLGPROC pfnProc;
    const char* pszTitle;  // data/Setup.ini [PageTitle]
  };
  const Expected expected[6] = {
      {118, TestPageProc, "Test"},      {123, KeyMapPageProc, "Button Map"}, {120, KeyboardPageProc, "Keyboard"},
      {121, PowerPageProc, "Vibration"}, {124, CheckPageProc, "Calibration"}, {125, AboutPageProc, "About"},
  };
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE("page " + std::to_string(i));
    const DIGCPAGEINFO& page = pPages[i];
    EXPECT_EQ(page.dwSize, sizeof(DIGCPAGEINFO));
    EXPECT_EQ(page.lpwszTemplate, MAKEINTRESOURCEW(expected[i].wTemplate));
    EXPECT_EQ(page.fpPageProc, expected[i].pfnProc);
    EXPECT_EQ(Wide(page.lpwszPageTitle), Widen(expected[i].pszTitle));
    EXPECT_EQ(page.lParam, reinterpret_cast<LPARAM>(pSheet)) << "the page finds the object again";
    EXPECT_EQ(page.hInstance, g_hInstance);
    EXPECT_FALSE(page.fProcFromHInst);
    EXPECT_EQ(page.lpwszProcName, nullptr);
    EXPECT_TRUE(page.fIconFromHInst);
    EXPECT_EQ(page.lpwszPageIcon, MAKEINTRESOURCEW(108));
  }
  EXPECT_EQ(pSheet->GetPageInfo(nullptr), E_POINTER);
  pSheet->Release();
}

// A missing or malformed entry gives its page an empty title, never the text
// of the page before it; the text may hold commas, and the longest that a
// value can carry (259 characters, four of them commas) fills the title
// buffer.
TEST_F(ServerTest, PageTitlesFromSetupIni) {
  const std::string long255(255, 'x');
  ASSERT_TRUE(pagetest::WriteSetupIni("[PageTitle]\r\n"
                                      "Title1=0,0,0,0,Test\r\n"
                                      "Title2=0,0,0,0,Map, keys\r\n"
                                      "Title4=1,2,3,Vibration\r\n"
                                      "Title5=0,0,0,0,\r\n"
                                      "Title6=,,,," + long255 + "\r\n"));
  IDIGameCntrlPropSheet* pSheet = NewSheet();
  ASSERT_NE(pSheet, nullptr);
  LPDIGCPAGEINFO pPages = nullptr;
  ASSERT_EQ(pSheet->GetPageInfo(&pPages), S_OK);
  ASSERT_NE(pPages, nullptr);
  const std::string titles[6] = {"Test", "Map, keys", "", "", "", long255};
  const char* const why[6] = {"plain", "commas kept", "missing key", "three commas", "empty text", "255 characters"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Wide(pPages[i].lpwszPageTitle), Widen(titles[i])) << why[i];
  pSheet->Release();
}

// PreparePages again fills the same records, which the control panel may
// already hold.
TEST_F(ServerTest, PreparingAgainKeepsTheRecords) {
  IDIGameCntrlPropSheet* pSheet = NewSheet();
  ASSERT_NE(pSheet, nullptr);
  LPDIGCPAGEINFO pPages = nullptr;
  LPDIGCSHEETINFO pInfo = nullptr;
  ASSERT_EQ(pSheet->GetPageInfo(&pPages), S_OK);
  ASSERT_EQ(pSheet->GetSheetInfo(&pInfo), S_OK);
  const LPWSTR pwszCaption = pInfo->lpwszSheetCaption;
  ASSERT_TRUE(pagetest::WriteSetupIni("[PageTitle]\r\nTitle1=0,0,0,0,Again\r\n"));

  EXPECT_EQ(static_cast<PropSheet*>(pSheet)->PreparePages(), S_OK);
  LPDIGCPAGEINFO pPagesAgain = nullptr;
  ASSERT_EQ(pSheet->GetPageInfo(&pPagesAgain), S_OK);
  EXPECT_EQ(pPagesAgain, pPages);
  EXPECT_EQ(pInfo->lpwszSheetCaption, pwszCaption);
  EXPECT_EQ(Wide(pwszCaption), Widen("USB trivalo game controller"));
  EXPECT_EQ(Wide(pPages[0].lpwszPageTitle), Widen("Again"));
  EXPECT_EQ(Wide(pPages[1].lpwszPageTitle), WString()) << "Title2 is gone from the file";
  EXPECT_EQ(pPages[5].lpwszTemplate, MAKEINTRESOURCEW(125));
  pSheet->Release();
}

// The device and joystick configuration handed over with Put are fetched
// without a new reference, and unacquired and released with the object.
class SheetDirectInputTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    sim::ResetJoysticks();
    sim::SetJoystick(0, 0x7C3A, 0xA02F);
    m_lLiveBefore = sim::LiveDirectInputObjects();
  }
  void TearDown() override {
    EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore) << "every DirectInput object is released";
    sim::ResetJoysticks();
    ServerTest::TearDown();
  }
  long m_lLiveBefore = 0;
};

TEST_F(SheetDirectInputTest, SheetOwnsWhatItIsGiven) {
  IDirectInput* pdi = nullptr;
  ASSERT_EQ(DirectInputCreateA(g_hInstance, 0x0700, &pdi, nullptr), DI_OK);
  IDirectInputJoyConfig* pJoyConfig = nullptr;
  ASSERT_EQ(pdi->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&pJoyConfig)), S_OK);
  DIJOYCONFIG config{};
  config.dwSize = sizeof config;
  ASSERT_EQ(pJoyConfig->GetConfig(0, &config, DIJC_GUIDINSTANCE), DI_OK);
  IDirectInputDevice* pFirst = nullptr;
  ASSERT_EQ(pdi->CreateDevice(config.guidInstance, &pFirst, nullptr), DI_OK);
  IDirectInputDevice2* pDevice = nullptr;
  ASSERT_EQ(pFirst->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&pDevice)), S_OK);
  pFirst->Release();
  pdi->Release();
  HWND hSheet = sim::CreateTestWindow(64, 64);
  ASSERT_EQ(pDevice->SetDataFormat(&c_dfDIJoystick), DI_OK);
  ASSERT_EQ(pDevice->SetCooperativeLevel(hSheet, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  ASSERT_EQ(pDevice->Acquire(), DI_OK);

  IDIGameCntrlPropSheet* pSheet = NewSheet();
  ASSERT_NE(pSheet, nullptr);
  PropSheet* pObject = static_cast<PropSheet*>(pSheet);
  IDirectInputDevice2* pFetched = pDevice;
  IDirectInputJoyConfig* pFetchedConfig = pJoyConfig;
  EXPECT_EQ(pObject->FetchDevice(&pFetched), S_OK);
  EXPECT_EQ(pObject->FetchJoyConfig(&pFetchedConfig), S_OK);
  EXPECT_EQ(pFetched, nullptr);
  EXPECT_EQ(pFetchedConfig, nullptr);
  EXPECT_EQ(pObject->FetchDevice(nullptr), E_POINTER);
  EXPECT_EQ(pObject->FetchJoyConfig(nullptr), E_POINTER);

  EXPECT_EQ(pObject->PutDevice(pDevice), S_OK);
  EXPECT_EQ(pObject->PutJoyConfig(pJoyConfig), S_OK);
  EXPECT_EQ(pObject->FetchDevice(&pFetched), S_OK);
  EXPECT_EQ(pObject->FetchJoyConfig(&pFetchedConfig), S_OK);
  EXPECT_EQ(pFetched, pDevice);
  EXPECT_EQ(pFetchedConfig, pJoyConfig);
  // Neither Put nor Fetch added a reference: one more of the test's own
  // keeps the device readable after the object let go of its reference.
  EXPECT_EQ(pDevice->AddRef(), 2u);

  EXPECT_EQ(pSheet->Release(), 0u);
  DIJOYSTATE state{};
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED) << "the object unacquired it";
  EXPECT_EQ(pDevice->Release(), 0u);
  DestroyWindow(hSheet);
}

}  // namespace

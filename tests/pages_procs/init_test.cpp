// WM_INITDIALOG of the pages: the sheet object in DWLP_USER, the device made
// once for the sheet, the test page's settings load and build, the sheet
// moved up on a short screen, and a sheet whose device cannot be made.
#include "procs_fixture.h"

namespace procstest {
namespace {

using PageInit = ProcsFixture;

TEST_F(PageInit, EveryPageKeepsTheSheetObjectAndSharesOneDevice) {
  for (int n = 0; n < kPages; ++n) {
    SCOPED_TRACE(n);
    HWND hPage = CreatePage(n);
    ASSERT_NE(hPage, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(hPage, int(DWLP_USER)), reinterpret_cast<LONG_PTR>(m_pSheet));
    if (n == 0) {
      ASSERT_NE(SheetDevice(), nullptr) << "the first page makes the sheet's device";
      IDirectInputJoyConfig* pConfig = nullptr;
      m_pSheet->FetchJoyConfig(&pConfig);
      EXPECT_NE(pConfig, nullptr);
    }
  }
  // The other pages found the device made: one device and one joystick
  // configuration live beside the sheet.
  EXPECT_EQ(sim::LiveDirectInputObjects() - m_lLiveBefore, 2);
}

TEST_F(PageInit, TestPageLoadsTheSettingsOfItsJoystickAndBuildsThePages) {
  const SettingsRecord start = StartRecord();
  WriteCurrentValue(start);
  ASSERT_NE(CreatePage(kTest), nullptr);
  EXPECT_EQ(g_PageEngine.m_nSetting, DWORD(kSetting));
  EXPECT_EQ(g_PageEngine.m_dwAxisCount, 4u);
  EXPECT_EQ(g_PageEngine.m_dwButtonCount, 12u);
  EXPECT_TRUE(SameRecord(g_PageEngine.m_Settings, start));
  EXPECT_TRUE(SameRecord(g_PageEngine.m_SavedSettings, start));
  // BuildPages made the controls of every page, not only the test page's.
  EXPECT_NE(g_PageEngine.m_pTestBack, nullptr);
  EXPECT_NE(g_PageEngine.m_pPowerBack, nullptr);
  EXPECT_NE(g_PageEngine.m_pAboutBack, nullptr);
}

struct TypeNameCase {
  const char* pszTypeName;
  int nSetting;
};

class SettingNumber : public ProcsFixture, public ::testing::WithParamInterface<TypeNameCase> {};

TEST_P(SettingNumber, ComesFromTheLastTwoDigitsOfTheTypeName) {
  sim::SetJoystickTypeName(0, GetParam().pszTypeName);
  ASSERT_NE(CreatePage(kTest), nullptr);
  EXPECT_EQ(g_PageEngine.m_nSetting, DWORD(GetParam().nSetting));
  // The record is read (and, being missing, created) under that number.
  SettingsRecord r{};
  EXPECT_TRUE(ReadCurrentValue(&r, GetParam().nSetting));
}

INSTANTIATE_TEST_SUITE_P(Names, SettingNumber,
                         ::testing::Values(TypeNameCase{"VID_7C3A&PID_A02F", 47},
                                           TypeNameCase{"vid_7c3a&pid_a02f", 47},
                                           TypeNameCase{"VID_7C3A&PID_A0C1", 0xC1},
                                           // Characters past the end of a short name count as 0.
                                           TypeNameCase{"VID_7C3A&PID_A0", 0},
                                           TypeNameCase{"VID_7C3A&PID_A03", 48}));

struct MoveCase {
  int nShortBy;  // sheet height minus SM_CYFULLSCREEN
  int nUp;       // pixels the sheet moves up
};

class SheetMove : public ProcsFixture, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(SheetMove, TallSheetMovesUpByHalfTheExcess) {
  RECT rcBefore;
  ASSERT_TRUE(GetWindowRect(m_hSheet, &rcBefore));
  // Away from the screen's corner, as the control panel places it.
  ASSERT_TRUE(MoveWindow(m_hSheet, 37, 90, rcBefore.right - rcBefore.left, rcBefore.bottom - rcBefore.top, FALSE));
  ASSERT_TRUE(GetWindowRect(m_hSheet, &rcBefore));
  const int h = rcBefore.bottom - rcBefore.top;
  sim::SetSystemMetric(SM_CYFULLSCREEN, h - GetParam().nShortBy);
  ASSERT_NE(CreatePage(kTest), nullptr);
  RECT rc;
  ASSERT_TRUE(GetWindowRect(m_hSheet, &rc));
  EXPECT_EQ(rc.top, rcBefore.top - GetParam().nUp);
  EXPECT_EQ(rc.bottom - rc.top, h);
  EXPECT_EQ(rc.left, rcBefore.left);
  EXPECT_EQ(rc.right, rcBefore.right);
}

INSTANTIATE_TEST_SUITE_P(Heights, SheetMove,
                         ::testing::Values(MoveCase{40, 20},  // 600 on 560
                                           MoveCase{41, 20},  // the half is truncated
                                           MoveCase{1, 0},    // too little to move
                                           MoveCase{0, 0},    // fits exactly
                                           MoveCase{-100, 0}));

TEST_F(PageInit, OnlyTheTestPageMovesTheSheet) {
  RECT rcBefore;
  ASSERT_TRUE(GetWindowRect(m_hSheet, &rcBefore));
  sim::SetSystemMetric(SM_CYFULLSCREEN, rcBefore.bottom - rcBefore.top - 100);
  for (int n = 1; n < kPages; ++n) ASSERT_NE(CreatePage(n), nullptr);
  RECT rc;
  ASSERT_TRUE(GetWindowRect(m_hSheet, &rc));
  EXPECT_EQ(rc.top, rcBefore.top);
}

// A sheet whose DirectInput object cannot be made: the test page ends its
// initialisation with TRUE, builds nothing, and can still be shown, left
// and painted without a device. Opened after a sheet whose edit was
// applied, it writes no record: it has none of its own, and those of the
// sheet before must not come back (Cancel would undo the applied edit, OK
// would write it again over whatever came since).
TEST_F(PageInit, PageWithoutDeviceBuildsNothingWritesNothingAndNeverPolls) {
  OpenSheet();
  Show(kPower);
  g_PageEngine.m_Settings.dwTimeCycle = 200;
  ReopenSheet(Leave::kOk);
  SettingsRecord applied = CurrentValue();
  ASSERT_EQ(applied.dwTimeCycle, 200u);
  applied.dwReserved = 0x0BADF00D;  // written by no page
  WriteCurrentValue(applied);
  m_pHid->Clear();

  sim::FailDirectInput(sim::DiCall::kDirectInputCreate, E_FAIL);
  ASSERT_NE(CreatePage(kTest), nullptr);
  EXPECT_EQ(SheetDevice(), nullptr);
  EXPECT_EQ(g_PageEngine.m_pTestBack, nullptr);
  EXPECT_EQ(g_PageEngine.m_pPowerBack, nullptr);
  EXPECT_EQ(GetWindowLongPtrA(m_hPage[kTest], int(DWLP_USER)), reinterpret_cast<LONG_PTR>(m_pSheet));
  EXPECT_EQ(TestPageProc(m_hPage[kTest], WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&m_psp[kTest])), TRUE);

  Show(kTest);
  Show(kKeyMap);
  EXPECT_EQ(RunAndCountTicks(kKeyMap, 500), 0);
  EXPECT_EQ(g_pCurDevice, nullptr);
  // Where the key-map page's Default button would be, whose click writes
  // the edited record.
  SendMessageA(m_hPage[kKeyMap], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(156, 370));
  Show(kTest);
  EXPECT_EQ(RunAndCountTicks(kTest, 100), 0);
  InvalidateRect(m_hPage[kTest], nullptr, TRUE);
  UpdateWindow(m_hPage[kTest]);
  EXPECT_TRUE(sim::MessageBoxRuns().empty());
  for (Leave how : {Leave::kOk, Leave::kCancel}) {
    Notify(kTest, how == Leave::kOk ? PSN_APPLY : PSN_QUERYCANCEL);
    EXPECT_TRUE(SameRecord(CurrentValue(), applied));
  }
  EXPECT_TRUE(m_pHid->Reports().empty());
}

}  // namespace
}  // namespace procstest

// The property-sheet notifications: what showing each page writes, which
// timer it runs and whose device is current; leaving the vibration page;
// Apply and Cancel.
#include "procs_fixture.h"

namespace procstest {
namespace {

// What PSN_SETACTIVE leaves in "CurrentValue".
enum class Written { kTestRecord, kFullDefaults, kNothing };

struct ShowCase {
  int nPage;
  DWORD dwPeriod;  // timer 30
  Written written;
  bool bCurrent;   // the page's device becomes the current device
};

class PageShow : public ProcsFixture, public ::testing::WithParamInterface<ShowCase> {};

TEST_P(PageShow, WritesItsRecordRunsItsTimerAndPolls) {
  const ShowCase& c = GetParam();
  WriteCurrentValue(StartRecord());
  OpenSheet();
  // An edited record, and a marker in the registry that only an activation
  // replaces. The test page's record clears turbo and keys up to the
  // twelfth button.
  g_PageEngine.m_Settings.byTurbo[2] = 1;
  g_PageEngine.m_Settings.dwKeyCode[4] = 0x05;
  g_PageEngine.m_Settings.byTurbo[11] = 1;
  g_PageEngine.m_Settings.dwKeyCode[11] = 0x06;
  const SettingsRecord edited = g_PageEngine.m_Settings;
  SettingsRecord marker = StartRecord();
  marker.dwReserved = 0x11223344;
  WriteCurrentValue(marker);

  Show(c.nPage);
  switch (c.written) {
    case Written::kTestRecord:
      EXPECT_TRUE(SameRecord(CurrentValue(), TestPageRecord(edited)));
      break;
    case Written::kFullDefaults:
      EXPECT_TRUE(SameRecord(CurrentValue(), FullDefaults()));
      break;
    case Written::kNothing:
      EXPECT_TRUE(SameRecord(CurrentValue(), marker));
      break;
  }
  EXPECT_EQ(g_pCurDevice, c.bCurrent ? SheetDevice() : nullptr);
  EXPECT_EQ(AcquireElsewhere(), DIERR_OTHERAPPHASPRIO) << "the shown page holds the controller";

  // Timer 30 at the page's period; every successful poll clears the
  // lost-device clock.
  g_dwLostTick = 12345;
  g_nLostCount = 2;
  EXPECT_EQ(RunAndCountTicks(c.nPage, 1000), int(1000 / c.dwPeriod));
  EXPECT_EQ(g_dwLostTick, 0u);
  EXPECT_EQ(g_nLostCount, 0u);

  // Leaving stops the timer and the current device and lets the controller
  // go (another program takes it between the two notifications).
  EXPECT_EQ(Notify(c.nPage, PSN_KILLACTIVE), 0);
  EXPECT_EQ(AcquireElsewhere(), DI_OK);
  ShowWindow(m_hPage[c.nPage], SW_HIDE);
  m_nActive = -1;  // left already
  Show(c.nPage == kKeyMap ? kCheck : kKeyMap);
  EXPECT_EQ(RunAndCountTicks(c.nPage, 1000), 0);
  EXPECT_EQ(g_pCurDevice, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Pages, PageShow,
                         ::testing::Values(ShowCase{kTest, 10, Written::kTestRecord, true},
                                           ShowCase{kKeyMap, 100, Written::kFullDefaults, false},
                                           ShowCase{kKeyboard, 500, Written::kFullDefaults, true},
                                           ShowCase{kPower, 10, Written::kFullDefaults, true},
                                           ShowCase{kCheck, 10, Written::kFullDefaults, false},
                                           ShowCase{kAbout, 100, Written::kNothing, false}));

using PageNotify = ProcsFixture;

TEST_F(PageNotify, ShowingAPageAgainRestartsItsTimer) {
  OpenSheet();
  Show(kKeyMap);
  Show(kTest);
  EXPECT_EQ(RunAndCountTicks(kTest, 100), 10);
  EXPECT_EQ(RunAndCountTicks(kKeyMap, 1000), 0);
}

TEST_F(PageNotify, DeviceThatCannotBeAcquiredRunsNoTimer) {
  OpenSheet();
  sim::FailDirectInput(sim::DiCall::kAcquire, DIERR_INPUTLOST);
  Show(kPower);
  EXPECT_EQ(RunAndCountTicks(kPower, 500), 0);
  sim::FailDirectInput(sim::DiCall::kAcquire, S_OK);
  Show(kTest);
  EXPECT_EQ(RunAndCountTicks(kTest, 100), 10);
}

// Leaving a page, and the record that then stands in "CurrentValue".
struct LeaveCase {
  int nPage;
  bool bStopsMotors;       // the all-zero report, twice
  bool bWritesEdited;      // the edited record is written
};

class PageLeave : public ProcsFixture, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(PageLeave, OnlyTheVibrationPageStopsTheMotorsAndKeepsTheEdit) {
  const LeaveCase& c = GetParam();
  OpenSheet();
  Show(c.nPage);
  // A motor runs: the left motor's test time is still going.
  g_PageEngine.m_dwLeftRunTime = 900;
  g_PageEngine.m_Settings.dwMotorPower = 120;
  g_PageEngine.m_Settings.dwTimeCycle = 33;
  const SettingsRecord edited = g_PageEngine.m_Settings;
  const SettingsRecord before = CurrentValue();
  m_pHid->Clear();

  EXPECT_EQ(Notify(c.nPage, PSN_KILLACTIVE), 0);
  EXPECT_EQ(g_pCurDevice, nullptr);
  if (c.bStopsMotors) {
    EXPECT_EQ(Reports(), (std::vector<Bytes>{Bytes{0, 0, 0, 0}, Bytes{0, 0, 0, 0}}));
  } else {
    EXPECT_TRUE(Reports().empty());
  }
  EXPECT_TRUE(SameRecord(CurrentValue(), c.bWritesEdited ? edited : before));
  EXPECT_EQ(RunAndCountTicks(c.nPage, 100), 0);

  // The next page writes its own test record after that, with no device
  // current for a report.
  m_pHid->Clear();
  ASSERT_NE(CreatePage(kTest), nullptr);
  EXPECT_EQ(Notify(kTest, PSN_SETACTIVE), 0);
  m_nActive = kTest;
  EXPECT_TRUE(SameRecord(CurrentValue(), TestPageRecord(edited)));
  EXPECT_TRUE(Reports().empty());
}

INSTANTIATE_TEST_SUITE_P(Pages, PageLeave,
                         ::testing::Values(LeaveCase{kPower, true, true}, LeaveCase{kTest, false, false},
                                           LeaveCase{kKeyboard, false, false}, LeaveCase{kCheck, false, false},
                                           LeaveCase{kAbout, false, false}));

// The sheet closes while the vibration page runs a motor: Cancel, the close
// box and a controller that stops answering send no PSN_KILLACTIVE, and the
// motor stops all the same.
class SheetCloseOnVibration : public ProcsFixture, public ::testing::WithParamInterface<Way> {};

TEST_P(SheetCloseOnVibration, StopsTheMotors) {
  OpenSheet();
  Show(kPower);
  m_pHid->Clear();
  // Manual mode: the left motor's button runs it at 63 x 21 / 255 + 10 = 15.
  SendMessageA(m_hPage[kPower], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 310));
  ASSERT_EQ(Reports(), (std::vector<Bytes>{Bytes{0, 15, 0, 0}}));
  EndSheet(GetParam());
  EXPECT_EQ(Reports(), (std::vector<Bytes>{Bytes{0, 15, 0, 0}, Bytes{0, 0, 0, 0}, Bytes{0, 0, 0, 0}}));
  NewSheet();
}

INSTANTIATE_TEST_SUITE_P(Ways, SheetCloseOnVibration, ::testing::Values(Way::kCancel, Way::kCloseBox, Way::kLostDevice));

TEST_F(PageNotify, AboutPageLeavesTheRecordOfThePageBefore) {
  OpenSheet();
  Show(kKeyboard);
  const SettingsRecord keyboard = CurrentValue();
  EXPECT_TRUE(SameRecord(keyboard, FullDefaults()));
  Show(kAbout);
  EXPECT_TRUE(SameRecord(CurrentValue(), keyboard));
  Show(kTest);
  Show(kAbout);
  EXPECT_TRUE(SameRecord(CurrentValue(), TestPageRecord(g_PageEngine.m_Settings)));
}

TEST_F(PageNotify, ApplyWritesTheEditedRecordAndCancelTheStartRecord) {
  const SettingsRecord start = StartRecord();
  WriteCurrentValue(start);
  OpenSheet();
  Show(kKeyMap);
  g_PageEngine.m_Settings.byButtonMap[0] = 7;
  g_PageEngine.m_Settings.dwSensitivity = 2;
  const SettingsRecord edited = g_PageEngine.m_Settings;
  ASSERT_FALSE(SameRecord(edited, start));

  // Apply reaches every page the sheet made; each writes the edited record.
  for (int n : {kTest, kKeyMap}) {
    WriteCurrentValue(FullDefaults());
    EXPECT_EQ(Notify(n, PSN_APPLY), PSNRET_NOERROR);
    EXPECT_TRUE(SameRecord(CurrentValue(), edited)) << "page " << n;
  }
  // The applied page stops polling.
  EXPECT_EQ(RunAndCountTicks(kKeyMap, 500), 0);

  EXPECT_EQ(Notify(kKeyMap, PSN_QUERYCANCEL), 0) << "cancel is allowed";
  EXPECT_TRUE(SameRecord(CurrentValue(), start));
  // Apply did not change the start record.
  EXPECT_TRUE(SameRecord(g_PageEngine.m_SavedSettings, start));
  // A later finish writes the edit again.
  EXPECT_EQ(Notify(kKeyMap, PSN_WIZFINISH), 0);
  EXPECT_TRUE(SameRecord(CurrentValue(), edited));
}

TEST_F(PageNotify, CancelStopsThePollingOfTheShownPage) {
  OpenSheet();
  Show(kCheck);
  EXPECT_EQ(Notify(kCheck, PSN_QUERYCANCEL), 0);
  EXPECT_EQ(RunAndCountTicks(kCheck, 200), 0);
  // PSN_RESET, which the sheet sends after the cancel, changes nothing.
  WriteCurrentValue(StartRecord());
  EXPECT_EQ(Notify(kCheck, PSN_RESET), 0);
  EXPECT_TRUE(SameRecord(CurrentValue(), StartRecord()));
}

}  // namespace
}  // namespace procstest

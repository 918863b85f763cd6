// The pages' timer: polls handed to the live test (never on the about page),
// late ticks after a page was left, and a device that stops answering.
#include "procs_fixture.h"

namespace procstest {
namespace {

using PageTimer = ProcsFixture;

// A tick of any page but the vibration page ends a run left over from it;
// the about page makes no tick at all, so the run stays.
TEST_F(PageTimer, OnlyPagesZeroToFourTick) {
  OpenSheet();
  for (int n : {kKeyMap, kAbout, kCheck, kTest, kKeyboard}) {
    SCOPED_TRACE(n);
    Show(n);
    g_PageEngine.m_dwLeftRunTime = 5000;
    g_dwLostTick = 99;
    const DWORD dwPeriod = n == kKeyboard ? 500 : 100;
    sim::RunMessages(dwPeriod);
    EXPECT_EQ(g_dwLostTick, 0u) << "the page polled";
    EXPECT_EQ(g_PageEngine.m_dwLeftRunTime, n == kAbout ? 5000u : 0u);
  }
}

// The polled state itself reaches the live test: moving the stick moves the
// test page's cursor, which invalidates the page.
TEST_F(PageTimer, PolledStateReachesTheTestPage) {
  OpenSheet();
  ASSERT_NE(g_PageEngine.m_pTestCursor, nullptr);
  sim::RunMessages(30);
  sim::ClearInvalidations();
  DIJOYSTATE state = sim::RestingJoystickState();
  state.lX = 0;
  state.lY = 0;
  sim::SetJoystickState(0, state);
  sim::RunMessages(10);
  int nOnPage = 0;
  for (const sim::Invalidation& inv : sim::GetInvalidations())
    if (inv.hWnd == m_hPage[kTest]) ++nOnPage;
  EXPECT_GT(nOnPage, 0);
}

TEST_F(PageTimer, LateTickAfterLeavingOrApplyingDoesNothing) {
  OpenSheet();
  Show(kPower);
  Show(kKeyMap);
  EXPECT_EQ(Notify(kKeyMap, PSN_APPLY), 0);
  sim::LoseJoystick(0);
  for (int n : {kTest, kPower, kKeyMap}) {
    SCOPED_TRACE(n);
    g_PageEngine.m_dwLeftRunTime = 5000;
    SendMessageA(m_hPage[n], WM_TIMER, kPageTimer, 0);
    EXPECT_EQ(g_dwLostTick, 0u) << "no poll";
    EXPECT_EQ(g_PageEngine.m_dwLeftRunTime, 5000u) << "no tick";
  }
  // The shown page that was not applied would poll: the loss is noticed.
  Show(kCheck);
  sim::LoseJoystick(0);
  SendMessageA(m_hPage[kCheck], WM_TIMER, kPageTimer, 0);
  EXPECT_EQ(g_dwLostTick, GetTickCount());
}

struct LostCase {
  int nPage;
  DWORD dwQuietUntil;  // ms after the page was shown: the sheet is still open
  DWORD dwClosedBy;    // ms after the page was shown: the sheet was asked to close
};

class LostDevice : public ProcsFixture, public ::testing::WithParamInterface<LostCase> {};

TEST_P(LostDevice, ClosesTheSheetAndWritesBackTheStartRecord) {
  const LostCase& c = GetParam();
  const SettingsRecord start = StartRecord();
  // The second sheet opens in the same process once the first was closed,
  // with the controller still silent: its count starts afresh.
  for (int nSheet = 1; nSheet <= 2; ++nSheet) {
    SCOPED_TRACE(nSheet);
    WriteCurrentValue(start);
    sim::ClearDialogRecord();
    s_nSheetCloses = 0;
    OpenSheet();
    g_PageEngine.m_Settings.dwMotorPower = 10;
    if (c.nPage != kTest) Show(c.nPage);
    const SettingsRecord shown = CurrentValue();
    sim::FailDirectInput(sim::DiCall::kGetDeviceState, DIERR_INPUTLOST);

    sim::RunMessages(c.dwQuietUntil);
    EXPECT_EQ(s_nSheetCloses, 0);
    EXPECT_TRUE(sim::MessageBoxRuns().empty());
    EXPECT_TRUE(SameRecord(CurrentValue(), shown));

    sim::RunMessages(c.dwClosedBy - c.dwQuietUntil);
    EXPECT_EQ(s_nSheetCloses, 1);
    const std::vector<sim::MessageBoxRun> boxes = sim::MessageBoxRuns();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].hWnd, m_hPage[c.nPage]);
    EXPECT_EQ(boxes[0].caption, "Game controller");
    EXPECT_EQ(boxes[0].text, "The game controller does not answer. Check that it is connected.");
    EXPECT_TRUE(SameRecord(CurrentValue(), start));
    // The page has stopped polling and let the controller go.
    EXPECT_EQ(AcquireElsewhere(), DI_OK);
    EXPECT_EQ(RunAndCountTicks(c.nPage, 1000), 0);
    EXPECT_EQ(sim::MessageBoxRuns().size(), 1u);
    // The sheet closes as for its close box.
    ReopenSheet(Leave::kCloseBox);
  }
}

// The first failure starts the clock; the fourth failure from 500 ms after
// it gives up.
INSTANTIATE_TEST_SUITE_P(Pages, LostDevice,
                         ::testing::Values(LostCase{kTest, 460, 600},       // 10 ms: about 540 ms
                                           LostCase{kKeyboard, 2400, 2600},  // 500 ms: at 2500 ms
                                           LostCase{kAbout, 850, 950}));     // 100 ms: at 900 ms

TEST_F(PageTimer, OneGoodPollStartsTheLossAfresh) {
  OpenSheet();
  sim::LoseJoystick(0);
  sim::RunMessages(400);
  EXPECT_NE(g_dwLostTick, 0u);
  // Acquiring again (a page change) ends the loss; the next tick polls well.
  Show(kCheck);
  sim::RunMessages(10);
  EXPECT_EQ(g_dwLostTick, 0u);
  EXPECT_EQ(g_nLostCount, 0u);
  EXPECT_EQ(s_nSheetCloses, 0);
}

}  // namespace
}  // namespace procstest

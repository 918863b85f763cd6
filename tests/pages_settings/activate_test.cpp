// The records that showing, applying and cancelling write to
// "CurrentValue", and the controls a shown page gets from the record.
#include "settings_fixture.h"

namespace settingstest {
namespace {

class ActivateTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    if (HasFatalFailure()) return;
    Engine().m_Settings = EditedRecord();
    Engine().m_SavedSettings = EditedRecord();
    Engine().m_SavedSettings.dwTimeCycle = 1;  // tells the start record apart
  }
};

TEST_F(ActivateTest, TestPageWritesTheEditedRecordWithoutTurboKeysAndVibration) {
  PageEngine& e = Engine();
  e.m_dwLeftRunTime = 5000;
  e.Activate(m_hWnd, 0);

  SettingsRecord expected = EditedRecord();
  std::memset(expected.byTurbo, 0, sizeof expected.byTurbo);
  std::memset(expected.dwKeyCode, 0, sizeof expected.dwKeyCode);
  expected.dwTimeCycle = 63;
  expected.dwMotorPower = 63;
  expected.dwAutoMode = 0;
  EXPECT_EQ(StoredValue(), BytesOf(expected));
  EXPECT_EQ(BytesOf(e.m_Settings), BytesOf(EditedRecord())) << "the edited record keeps turbo and keys";
  EXPECT_EQ(e.m_dwLeftRunTime, 0u) << "a running test ends";
}

TEST_F(ActivateTest, TestPageSetsTheLampsAndTheSensitivitySlider) {
  PageEngine& e = Engine();
  RecordingControl lamps[12];
  for (int i = 0; i < 12; ++i) e.m_pButtonLamp[i] = &lamps[i];
  e.m_pButtonLamp[7] = nullptr;  // an absent lamp is skipped
  RecordingControl slider;
  e.m_pSensitivitySlider = &slider;

  e.Activate(m_hWnd, 0);

  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    if (i == 7) {
      EXPECT_TRUE(lamps[i].calls.empty());
      continue;
    }
    auto tags = lamps[i].Calls(ControlCall::kSetTag);
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].dwValue, i == 2 ? 1u : 0u);
    EXPECT_EQ(tags[0].hWnd, m_hWnd);
    auto texts = lamps[i].Calls(ControlCall::kSetText);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, i == 4 ? "Ctl+A" : (i == 9 ? "1" : ""));
  }

  // Levels 0, 1, 2 give 85, 170, 255; a level no page sets shows as 2.
  const struct {
    DWORD dwLevel, dwState;
  } cases[] = {{0, 85}, {1, 170}, {2, 255}, {3, 255}, {0xFFFFFFFFu, 255}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dwLevel);
    slider.calls.clear();
    e.m_Settings.dwSensitivity = c.dwLevel;
    e.Activate(m_hWnd, 0);
    auto states = slider.Calls(ControlCall::kSetState);
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].dwValue, c.dwState);
  }
}

TEST_F(ActivateTest, KeyPagesAndCheckPageWriteTheFullDefaultRecord) {
  PageEngine& e = Engine();
  for (int nPage : {1, 2, 3, 4}) {
    SCOPED_TRACE(nPage);
    ASSERT_TRUE(StoreValue(Bytes(112, 0x5A)));
    e.Activate(m_hWnd, nPage);
    EXPECT_EQ(StoredValue(), BytesOf(FullDefaults()));
  }
  SettingsRecord expected = EditedRecord();
  EXPECT_EQ(BytesOf(e.m_Settings), BytesOf(expected)) << "showing a page changes no edited field";
}

TEST_F(ActivateTest, KeyPagesPlaceTheRowButtons) {
  PageEngine& e = Engine();
  const struct {
    int nPage, x;
  } cases[] = {{1, 4}, {2, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nPage);
    RecordingControl rows[12];
    for (int i = 0; i < 12; ++i) e.m_pSetButton[i] = &rows[i];
    e.m_pSetButton[0] = nullptr;
    e.m_dwLeftRunTime = 700;
    e.Activate(m_hWnd, c.nPage);
    EXPECT_EQ(e.m_dwLeftRunTime, 0u);
    for (int i = 1; i < 12; ++i) {
      auto moves = rows[i].Calls(ControlCall::kMoveTo);
      ASSERT_EQ(moves.size(), 1u);
      EXPECT_EQ(moves[0].x, c.x);
      EXPECT_EQ(moves[0].y, 0);
      EXPECT_TRUE(moves[0].bRedraw);
    }
    for (int i = 0; i < 12; ++i) e.m_pSetButton[i] = nullptr;
  }
}

TEST_F(ActivateTest, VibrationPageRaisesALowPowerAndPlacesItsControls) {
  PageEngine& e = Engine();
  RecordingControl slider(RECT{40, 220, 337, 236});  // 297 wide
  RecordingControl arrow, ball, autoButton, manualButton;
  e.m_pPowerSlider = &slider;
  e.m_pPowerArrow = &arrow;
  e.m_pTimeBall = &ball;
  e.m_pAutoButton = &autoButton;
  e.m_pManualButton = &manualButton;

  const struct {
    DWORD dwPower, dwTime, dwAuto;
    DWORD dwStoredPower;
    int xArrow, xBall;
  } cases[] = {
      {0, 63, 0, 2, 297 * 2 / 255 - 3, 63 * 356 / 255 - 11},
      {1, 0, 1, 2, 297 * 2 / 255 - 3, -11},
      {200, 255, 1, 200, 297 * 200 / 255 - 3, 356 - 11},
      {1000, 4000, 0, 1000, 297 - 3, 356 - 11},  // beyond the fields' range: shown at the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dwPower);
    for (RecordingControl* p : {&slider, &arrow, &ball, &autoButton, &manualButton}) p->calls.clear();
    e.m_Settings.dwMotorPower = c.dwPower;
    e.m_Settings.dwTimeCycle = c.dwTime;
    e.m_Settings.dwAutoMode = c.dwAuto;
    e.m_bPowerDrag = e.m_bTimeDrag = 1;

    e.Activate(m_hWnd, 3);

    EXPECT_EQ(e.m_Settings.dwMotorPower, c.dwStoredPower);
    EXPECT_EQ(e.m_Settings.dwTimeCycle, c.dwTime);
    auto states = slider.Calls(ControlCall::kSetState);
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0].dwValue, (c.dwStoredPower > 255 ? 255u : c.dwStoredPower) << 16);
    auto arrowMoves = arrow.Calls(ControlCall::kMoveTo);
    ASSERT_EQ(arrowMoves.size(), 1u);
    EXPECT_EQ(arrowMoves[0].x, c.xArrow);
    EXPECT_EQ(arrowMoves[0].y, 0);
    EXPECT_TRUE(arrowMoves[0].bRedraw);
    auto ballMoves = ball.Calls(ControlCall::kMoveTo);
    ASSERT_EQ(ballMoves.size(), 1u);
    EXPECT_EQ(ballMoves[0].x, c.xBall);
    EXPECT_EQ(ballMoves[0].y, 0);
    EXPECT_TRUE(ballMoves[0].bRedraw);
    EXPECT_EQ(autoButton.GetState(), c.dwAuto ? 1u : 0u);
    EXPECT_EQ(manualButton.GetState(), c.dwAuto ? 0u : 1u);
    EXPECT_EQ(e.m_bPowerDrag, 0);
    EXPECT_EQ(e.m_bTimeDrag, 0);
    EXPECT_EQ(StoredValue(), BytesOf(FullDefaults()));
  }

  // Without the slider the arrow has no width to be placed by.
  e.m_pPowerSlider = nullptr;
  arrow.calls.clear();
  e.Activate(m_hWnd, 3);
  EXPECT_TRUE(arrow.calls.empty());
}

TEST_F(ActivateTest, VibrationPageEndsOnlyARunningTest) {
  PageEngine& e = Engine();
  e.m_dwLeftRunTime = 0;
  e.m_dwRightRunTime = 900;
  e.Activate(m_hWnd, 3);
  EXPECT_EQ(e.m_dwRightRunTime, 900u);
  e.m_dwLeftRunTime = 15000;
  e.Activate(m_hWnd, 3);
  EXPECT_EQ(e.m_dwLeftRunTime, 0u);
}

TEST_F(ActivateTest, CheckPageMovesTheCheckButtonAndStartsAFreshCheck) {
  PageEngine& e = Engine();
  RecordingControl check;
  e.m_pCheckButton = &check;
  e.m_dwCheckStep = 5;
  for (DWORD& w : e.m_dwCheckCalib) w = 0x12345678u;
  e.m_dwLeftRunTime = 42;

  e.Activate(m_hWnd, 4);

  auto moves = check.Calls(ControlCall::kMoveTo);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].x, 0);
  EXPECT_EQ(moves[0].y, 0);
  EXPECT_TRUE(moves[0].bRedraw);
  EXPECT_EQ(e.m_dwCheckStep, 0u);
  for (DWORD w : e.m_dwCheckCalib) EXPECT_NE(w, 0x12345678u) << "fresh working words";
  EXPECT_EQ(e.m_dwLeftRunTime, 0u);
  EXPECT_EQ(StoredValue(), BytesOf(FullDefaults()));
}

TEST_F(ActivateTest, ApplyWritesTheEditedRecordAndCancelTheStartRecord) {
  PageEngine& e = Engine();
  e.Activate(m_hWnd, -1);
  EXPECT_EQ(StoredValue(), BytesOf(EditedRecord()));

  // Apply does not move the start record: a later Cancel restores it.
  e.Activate(m_hWnd, 0);
  e.Activate(m_hWnd, -1);
  e.Activate(m_hWnd, -2);
  EXPECT_EQ(StoredValue(), BytesOf(e.m_SavedSettings));
  EXPECT_EQ(StoredValue()[96], 1) << "the start record's time cycle";
}

TEST_F(ActivateTest, TheAboutPageLeavesThePreviousPagesRecord) {
  PageEngine& e = Engine();
  e.Activate(m_hWnd, 3);
  const Bytes before = StoredValue();
  e.Activate(m_hWnd, 5);
  EXPECT_EQ(StoredValue(), before);
  EXPECT_EQ(before, BytesOf(FullDefaults()));
}

TEST_F(ActivateTest, TheFirstTestPageOnAnEmptyMachineStoresTheDefaults) {
  PageEngine& e = Engine();
  std::memset(&e.m_Settings, 0, sizeof e.m_Settings);
  e.LoadSettings(m_hWnd, kSetting);
  e.Activate(m_hWnd, 0);
  SettingsRecord expected = FullDefaults();
  EXPECT_EQ(StoredValue(), BytesOf(expected)) << "the reset of a default record is the default record";
  EXPECT_EQ(BytesOf(e.m_Settings), BytesOf(expected));
  EXPECT_EQ(BytesOf(e.m_SavedSettings), BytesOf(expected));
}

}  // namespace
}  // namespace settingstest

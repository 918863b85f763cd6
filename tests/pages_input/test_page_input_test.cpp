// Clicks on the test page: arming turbo editing, toggling and clearing the
// rows' turbo flags with the mark moved onto each changed row, the
// sensitivity levels with the narrowing and widening of the X and Y words,
// and the two record writes that pass each change on.
#include <string>

#include "input_fixture.h"

namespace {

using inputtest::Bytes;
using inputtest::BytesOf;
using inputtest::Engine;
using inputtest::InputFixture;
using inputtest::kTestPage;
using inputtest::RecordWrites;
using inputtest::RectOf;

// Offsets in the record's bytes.
constexpr size_t kTurboOffset = 12;

class TestPageInput : public InputFixture {
 protected:
  void SetUp() override {
    InputFixture::SetUp();
    if (HasFatalFailure()) return;
    Show(kTestPage);
  }

  void Arm() {
    ASSERT_EQ(Engine().m_pTurboButton->GetState(), 0u);
    Click(kTestPage, 40, 25);
    ASSERT_NE(Engine().m_pTurboButton->GetState(), 0u);
    Forget();
  }

  // Where the mark's repaint goes for row k: its 46-pixel box 2 pixels up
  // and left of the lamp.
  static RECT MarkPlace(int k) {
    const RECT rcLamp = RectOf(Engine().m_pButtonLamp[k]);
    return RECT{rcLamp.left - 2, rcLamp.top - 2, rcLamp.left + 44, rcLamp.top + 44};
  }

  static bool MarkRepaintedAt(int k) {
    for (const sim::Invalidation& inv : InvalidationsOf(MarkPlace(k)))
      if (inv.bErase) return true;
    return false;
  }

  // The sensitivity slider of the test page replaced by one of the given
  // height (the engine owns and deletes it).
  static void UseSensitivitySlider(int nTop, int nBottom, HWND hWnd) {
    PageEngine& e = Engine();
    delete e.m_pSensitivitySlider;
    e.m_pSensitivitySlider =
        new SkinSlider(hWnd, nullptr, nullptr, 280, nTop, 308, nBottom, 0, 0, 0, 0, nullptr, 0, 0, 0, 0);
  }
};

TEST_F(TestPageInput, TurboButtonArmsAndDisarmsBothButtons) {
  PageEngine& e = Engine();
  ASSERT_NE(e.m_pClearButton, nullptr);
  Click(kTestPage, 110, 35);  // right edge of (40, 25, 110, 45): not on it
  EXPECT_EQ(e.m_pTurboButton->GetState(), 0u);
  EXPECT_TRUE(RecordWrites().empty());

  Click(kTestPage, 40, 25);
  EXPECT_EQ(e.m_pTurboButton->GetState(), 1u);
  EXPECT_EQ(e.m_pClearButton->GetState(), 1u);
  EXPECT_EQ(RecordWrites(), PassedOn(kTestPage)) << "the arming click stores the record";

  Forget();
  Click(kTestPage, 109, 44);
  EXPECT_EQ(e.m_pTurboButton->GetState(), 0u);
  EXPECT_EQ(e.m_pClearButton->GetState(), 0u);
  EXPECT_TRUE(RecordWrites().empty()) << "a disarming click stores nothing";
}

TEST_F(TestPageInput, ArmedLampClickTogglesTheRowsTurboFlag) {
  PageEngine& e = Engine();
  for (int k : {0, 5, 6, 11}) {
    SCOPED_TRACE("row " + std::to_string(k));
    ASSERT_NO_FATAL_FAILURE(Arm());
    const RECT rcLamp = RectOf(e.m_pButtonLamp[k]);

    Click(kTestPage, rcLamp.left, rcLamp.top);
    EXPECT_EQ(e.m_pButtonLamp[k]->GetTag(), 1u);
    EXPECT_EQ(e.m_Settings.byTurbo[k], 1);
    EXPECT_TRUE(MarkRepaintedAt(k));
    std::vector<Bytes> writes = RecordWrites();
    ASSERT_EQ(writes, PassedOn(kTestPage));
    EXPECT_EQ(writes[0][kTurboOffset + k], 1) << "the edited record carries the flag";
    EXPECT_EQ(writes[1][kTurboOffset + k], 0) << "the test record has no turbo";
    for (int j = 0; j < 12; ++j) {
      if (j == k) continue;
      EXPECT_EQ(e.m_Settings.byTurbo[j], 0) << "row " << j;
    }

    // The right and bottom edges are off the lamp; the click still stores.
    Forget();
    Click(kTestPage, rcLamp.right, rcLamp.bottom - 1);
    Click(kTestPage, rcLamp.right - 1, rcLamp.bottom);
    EXPECT_EQ(e.m_Settings.byTurbo[k], 1);
    EXPECT_EQ(RecordWrites().size(), 4u);

    Forget();
    Click(kTestPage, rcLamp.right - 1, rcLamp.bottom - 1);
    EXPECT_EQ(e.m_pButtonLamp[k]->GetTag(), 0u);
    EXPECT_EQ(e.m_Settings.byTurbo[k], 0);
    EXPECT_TRUE(MarkRepaintedAt(k)) << "the mark's place is repainted to drop it";
    EXPECT_EQ(RecordWrites(), PassedOn(kTestPage));

    Click(kTestPage, 40, 25);  // disarm for the next row
  }
}

TEST_F(TestPageInput, ArmedClickOnAnEmptySpotStillWritesTheRecordTwice) {
  ASSERT_NO_FATAL_FAILURE(Arm());
  const SettingsRecord before = Engine().m_Settings;
  Click(kTestPage, 5, 390);
  EXPECT_EQ(BytesOf(Engine().m_Settings), BytesOf(before));
  EXPECT_EQ(RecordWrites(), PassedOn(kTestPage));
}

TEST_F(TestPageInput, DisarmedLampClickChangesNothing) {
  PageEngine& e = Engine();
  const RECT rcLamp = RectOf(e.m_pButtonLamp[3]);
  Click(kTestPage, rcLamp.left + 5, rcLamp.top + 5);
  EXPECT_EQ(e.m_pButtonLamp[3]->GetTag(), 0u);
  EXPECT_EQ(e.m_Settings.byTurbo[3], 0);
  EXPECT_TRUE(RecordWrites().empty());
  EXPECT_TRUE(sim::GetInvalidations().empty());
}

TEST_F(TestPageInput, ClearButtonDropsEveryTurboFlagOnlyWhileArmed) {
  PageEngine& e = Engine();
  // Disarmed: the clear button is not shown and takes no click.
  e.m_pButtonLamp[0]->SetTag(m_hWnd, 1);
  e.m_Settings.byTurbo[0] = 1;
  Click(kTestPage, 120, 25);
  EXPECT_EQ(e.m_pButtonLamp[0]->GetTag(), 1u);
  EXPECT_EQ(e.m_Settings.byTurbo[0], 1);
  EXPECT_TRUE(RecordWrites().empty());

  ASSERT_NO_FATAL_FAILURE(Arm());
  const RECT rcLamp5 = RectOf(e.m_pButtonLamp[5]);
  Click(kTestPage, rcLamp5.left + 1, rcLamp5.top + 1);
  ASSERT_EQ(e.m_Settings.byTurbo[5], 1);
  Forget();

  Click(kTestPage, 189, 44);
  for (int k = 0; k < 12; ++k) {
    EXPECT_EQ(e.m_pButtonLamp[k]->GetTag(), 0u) << "row " << k;
    EXPECT_EQ(e.m_Settings.byTurbo[k], 0) << "row " << k;
  }
  EXPECT_TRUE(MarkRepaintedAt(0));
  EXPECT_TRUE(MarkRepaintedAt(5));
  EXPECT_FALSE(MarkRepaintedAt(3)) << "rows without turbo are left alone";
  // The armed click itself stores first, then the clearing stores again.
  const std::vector<Bytes> writes = RecordWrites();
  ASSERT_EQ(writes.size(), 4u);
  EXPECT_EQ(writes[0][kTurboOffset + 0], 1);
  EXPECT_EQ(writes[0][kTurboOffset + 5], 1);
  EXPECT_EQ(std::vector<Bytes>(writes.begin() + 2, writes.end()), PassedOn(kTestPage));
  EXPECT_EQ(e.m_pTurboButton->GetState(), 1u) << "clearing keeps turbo editing armed";
}

// The built sensitivity slider (280, 250, 308, 283), 33 pixels high.
struct LevelCase {
  int x, y;
  bool bHit;
  DWORD dwLevel;  // when hit
};

TEST_F(TestPageInput, SensitivityClickPicksTheLevelByThirds) {
  PageEngine& e = Engine();
  const LevelCase kCases[] = {
      {280, 250, true, 1},   // the top row
      {290, 251, true, 2},   // q = 66
      {307, 261, true, 2},   // q = 6
      {290, 262, true, 1},   // q = 5
      {290, 272, true, 1},   // q = 3
      {290, 273, true, 0},   // q = 2
      {307, 282, true, 0},   // the bottom row
      {290, 283, false, 0},  // bottom edge
      {279, 260, false, 0},  // left of it
      {308, 260, false, 0},  // right edge
      {290, 249, false, 0},  // above it
  };
  for (const LevelCase& c : kCases) {
    SCOPED_TRACE("at " + std::to_string(c.x) + ", " + std::to_string(c.y));
    e.m_Settings.dwSensitivity = 7;  // no level: every hit changes it
    e.m_Settings.dwAxisCalib[0] = e.m_Settings.dwAxisCalib[1] = AXIS_CALIB_DEFAULT;
    e.m_pSensitivitySlider->SetState(m_hWnd, 0);
    Forget();
    Click(kTestPage, c.x, c.y);
    if (!c.bHit) {
      EXPECT_EQ(e.m_Settings.dwSensitivity, 7u);
      EXPECT_EQ(e.m_pSensitivitySlider->GetState(), 0u);
      EXPECT_TRUE(RecordWrites().empty());
      continue;
    }
    EXPECT_EQ(e.m_Settings.dwSensitivity, c.dwLevel);
    EXPECT_EQ(e.m_pSensitivitySlider->GetState(), (c.dwLevel + 1) * 85);
    EXPECT_EQ(RecordWrites(), PassedOn(kTestPage));
  }
}

TEST_F(TestPageInput, SensitivityOfATallerSliderAndAnUnchangedLevel) {
  PageEngine& e = Engine();
  UseSensitivitySlider(100, 160, m_hWnd);
  const struct {
    int y;
    DWORD dwLevel;
  } kCases[] = {{100, 1}, {110, 2}, {130, 1}, {150, 0}};
  for (const auto& c : kCases) {
    SCOPED_TRACE("y " + std::to_string(c.y));
    Click(kTestPage, 290, c.y);
    EXPECT_EQ(e.m_Settings.dwSensitivity, c.dwLevel);
  }
  // The same level again still stores the record, and leaves the words.
  const DWORD dwX = e.m_Settings.dwAxisCalib[0];
  Forget();
  Click(kTestPage, 290, 150);
  EXPECT_EQ(e.m_Settings.dwAxisCalib[0], dwX);
  EXPECT_EQ(RecordWrites(), PassedOn(kTestPage));
}

// y on the built slider for each level.
constexpr int kLevelY[3] = {282, 250, 251};

struct CalibCase {
  const char* pszName;
  DWORD dwFrom;                 // level before
  std::vector<DWORD> levels;    // levels clicked in turn
  DWORD dwX, dwY;               // words before
  std::vector<DWORD> xs, ys;    // words after each click
};

TEST_F(TestPageInput, SensitivityNarrowsAndWidensTheXAndYWords) {
  PageEngine& e = Engine();
  const CalibCase kCases[] = {
      {"0 to 1 on the default", 0, {1}, 0x00007FFF, 0x00007FFF, {0x00407FBF}, {0x00407FBF}},
      {"0 to 2 and back", 0, {2, 0}, 0x00007FFF, 0x00007FFF, {0x00607F9F, 0x00037FFF}, {0x00607F9F, 0x00037FFF}},
      {"1 to 2 goes on from the narrowed word", 1, {2}, 0x00407FBF, 0x00407FBF, {0x00607F9F}, {0x00607F9F}},
      // Two-point words: L 16, U 144, centre 80.
      {"two-point 0 to 1 and back", 0, {1, 0}, 0x01001090, 0x01001090, {0x01003070, 0x01001090},
       {0x01003070, 0x01001090}},
      // A full-range word at level 2 (from a profile): widening holds each
      // end at 0..255 instead of carrying into the next byte.
      {"widening past the ends", 2, {0}, 0x00007FFF, 0x00107F90, {0x00007FFF}, {0x00007FC3}},
  };
  for (const CalibCase& c : kCases) {
    SCOPED_TRACE(c.pszName);
    e.m_Settings.dwSensitivity = c.dwFrom;
    e.m_Settings.dwAxisCalib[0] = c.dwX;
    e.m_Settings.dwAxisCalib[1] = c.dwY;
    e.m_Settings.dwAxisCalib[2] = 0x0100F010;
    e.m_Settings.dwAxisCalib[3] = 0x00106080;
    e.m_Settings.dwAxisCalib[4] = 0x00203040;
    for (size_t n = 0; n < c.levels.size(); ++n) {
      Click(kTestPage, 290, kLevelY[c.levels[n]]);
      ASSERT_EQ(e.m_Settings.dwSensitivity, c.levels[n]);
      EXPECT_EQ(e.m_Settings.dwAxisCalib[0], c.xs[n]) << "X after click " << n;
      EXPECT_EQ(e.m_Settings.dwAxisCalib[1], c.ys[n]) << "Y after click " << n;
    }
    EXPECT_EQ(e.m_Settings.dwAxisCalib[2], 0x0100F010u);
    EXPECT_EQ(e.m_Settings.dwAxisCalib[3], 0x00106080u);
    EXPECT_EQ(e.m_Settings.dwAxisCalib[4], 0x00203040u);
  }
}

}  // namespace

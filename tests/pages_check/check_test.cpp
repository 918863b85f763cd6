// The calibration check's step machine: steps and buttons, the centre
// reading, the widening of the working words and the words it stores.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "pageengine.h"
#include "platform/sim/sim.h"

namespace {

constexpr DWORD ThreePoint(DWORD L, DWORD C, DWORD U) { return L << 16 | C << 8 | U; }
constexpr DWORD TwoPoint(DWORD L, DWORD U) { return 0x01000000u | L << 8 | U; }

// An axis value whose position is p (p << 8 reads back as p).
LONG Value(DWORD p) { return static_cast<LONG>(p << 8); }

// Records the moves of a step button.
class FakeButton final : public SkinControl {
 public:
  struct Move {
    int x, y;
    bool bRedraw;
  };
  void Paint(HDC) override {}
  DWORD GetState() override { return 0; }
  void SetState(HWND, DWORD) override {}
  DWORD GetTag() override { return 0; }
  void SetTag(HWND, DWORD) override {}
  void MoveTo(HWND, int x, int y, bool bRedraw) override { moves.push_back({x, y, bRedraw}); }
  void GetRect(RECT* prc) override { SetRectEmpty(prc); }
  bool HitTest(int, int) override { return false; }
  void Invalidate(HWND, bool) override {}
  void SetText(const char*) override {}
  std::vector<Move> moves;
};

class CheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_engine.m_dwAxisCount = 4;
    for (DWORD& dwWord : m_engine.m_Settings.dwAxisCalib) dwWord = AXIS_CALIB_DEFAULT;
    m_engine.m_Settings.dwAxisCalib[4] = TwoPoint(30, 220);  // Z two-point, as its INI default
    m_engine.m_Settings.dwAxisCalib[3] = 0x00123456;          // Ry: never measured
    m_engine.ResetCheck();
  }

  // One poll with these X, Y, Z and Rz positions.
  void Poll(DWORD x, DWORD y, DWORD z, DWORD rz) {
    DIJOYSTATE state{};
    state.lX = Value(x);
    state.lY = Value(y);
    state.lZ = Value(z);
    state.lRz = Value(rz);
    m_engine.CheckTick(nullptr, &state);
  }

  // Clicks the current step's button.
  void Next() { m_engine.NextCheckStep(nullptr); }

  PageEngine m_engine;
};

TEST_F(CheckTest, AxisPositionRoundsAndCaps) {
  const std::pair<LONG, LONG> cases[] = {
      {32896, 129}, {65535, 255}, {127, 0}, {128, 1}, {0x7F80, 128}, {0x7F7F, 127}, {0, 0}, {-1, 255}, {70000, 255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    // Axis 5 and above only report the position.
    EXPECT_EQ(m_engine.TrackCheckAxis(5, c.first, false), c.second);
  }
  EXPECT_EQ(m_engine.m_dwCheckCalib[0], 0x00FF0000u);
}

TEST_F(CheckTest, ResetTakesTheFormOfEachStoredWord) {
  m_engine.m_dwCheckStep = 3;
  m_engine.ResetCheck();
  EXPECT_EQ(m_engine.m_dwCheckStep, 0u);
  const DWORD expected[5] = {0x00FF0000u, 0x00FF0000u, 0x00FF0000u, 0x00FF0000u, 0x0100FF00u};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(m_engine.m_dwCheckCalib[i], expected[i]) << "axis " << i;
}

// A whole pass with four axes: the centre is the first poll after each
// Check click, the ends the extremes of the step's polls.
TEST_F(CheckTest, FullPassStoresNarrowedXAndY) {
  struct Case {
    DWORD dwSensitivity;
    DWORD dwX;
    DWORD dwY;
  };
  const Case cases[] = {
      {0, ThreePoint(10, 128, 250), ThreePoint(20, 120, 230)},
      {1, ThreePoint(69, 128, 189), ThreePoint(70, 120, 175)},
      {2, ThreePoint(99, 128, 158), ThreePoint(95, 120, 147)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dwSensitivity);
    SetUp();
    m_engine.m_Settings.dwSensitivity = c.dwSensitivity;
    Next();  // 0 -> 1: X and Y
    EXPECT_EQ(m_engine.m_dwCheckStep, 1u);
    Poll(128, 120, 5, 5);  // centre of X and Y
    Poll(10, 20, 250, 250);
    Poll(250, 230, 0, 0);
    Poll(128, 127, 128, 128);
    Next();  // 1 -> 2
    Poll(0, 0, 0, 0);  // not measured
    Next();  // 2 -> 3: Z
    Poll(90, 90, 100, 90);  // centre poll: a two-point axis ignores it
    Poll(90, 90, 20, 90);
    Poll(90, 90, 200, 90);
    Next();  // 3 -> 4
    Next();  // 4 -> 5: Rz into entry 2
    Poll(0, 0, 0, 128);
    Poll(0, 0, 0, 40);
    Poll(0, 0, 0, 210);
    Next();  // 5 -> 6
    EXPECT_EQ(m_engine.m_dwCheckStep, 6u);
    EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[0], AXIS_CALIB_DEFAULT) << "nothing is stored before the pass ends";
    Next();  // 6 -> 0 commits
    EXPECT_EQ(m_engine.m_dwCheckStep, 0u);
    EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[0], c.dwX);
    EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[1], c.dwY);
    EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[2], ThreePoint(40, 128, 210)) << "Rz is stored unnarrowed";
    EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[3], 0x00123456u) << "Ry is never changed";
    EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[4], TwoPoint(20, 200)) << "Z whatever the sensitivity";
  }
}

// A two-point X or Y is narrowed around C = (L + U) / 2, truncated when
// L + U is odd: L' = C - ((C - L) / s) / 2, U' = C + ((U - C) / s) / 2.
TEST_F(CheckTest, TwoPointXAndYAreNarrowedAroundTheirMiddle) {
  struct Case {
    DWORD dwLevel;
    DWORD L, U;    // the ends measured on X (Y: the same, swapped in time)
    DWORD L1, U1;  // stored
  };
  const Case cases[] = {
      {1, 100, 200, 125, 175},  // C 150
      {1, 100, 201, 125, 175},  // C 150 (not 151): U' = 150 + (51 / 1) / 2
      {2, 100, 203, 139, 164},  // C 151: L' = 151 - (51 / 2) / 2, U' = 151 + (52 / 2) / 2
      {2, 7, 250, 98, 158},     // C 128: L' = 128 - (121 / 2) / 2, U' = 128 + (122 / 2) / 2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "level " << c.dwLevel << ", " << c.L << ".." << c.U);
    m_engine.m_Settings.dwAxisCalib[0] = TwoPoint(0, 255);
    m_engine.m_Settings.dwAxisCalib[1] = TwoPoint(0, 255);
    m_engine.m_Settings.dwSensitivity = c.dwLevel;
    m_engine.ResetCheck();
    m_engine.m_dwAxisCount = 2;
    Next();
    Poll(5, 250, 0, 0);  // the centre poll: ignored by two-point axes
    Poll(c.L, c.U, 0, 0);
    Poll(c.U, c.L, 0, 0);
    Next();
    Next();
    EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[0], TwoPoint(c.L1, c.U1));
    EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[1], TwoPoint(c.L1, c.U1));
  }
}

TEST_F(CheckTest, UnmovedOrOneSidedAxesKeepTheirWords) {
  m_engine.m_Settings.dwAxisCalib[1] = ThreePoint(1, 2, 3);
  m_engine.ResetCheck();
  Next();
  Poll(128, 100, 0, 0);  // centres
  Poll(128, 100, 0, 0);  // X: centre equal to both ends
  Poll(60, 200, 0, 0);   // Y: moved up only, its centre stays its lowest reading
  for (int i = 0; i < 6; ++i) Next();
  ASSERT_EQ(m_engine.m_dwCheckStep, 0u);
  EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[0], AXIS_CALIB_DEFAULT) << "X moved only below its centre";
  EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[1], ThreePoint(1, 2, 3)) << "centre equal to the lowest reading";
  EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[2], AXIS_CALIB_DEFAULT) << "Rz never moved";
  EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[4], TwoPoint(30, 220)) << "Z never moved";
}

TEST_F(CheckTest, FewerThanThreeAxesMeasureOnlyXAndY) {
  m_engine.m_dwAxisCount = 2;
  std::vector<DWORD> steps;
  Next();
  steps.push_back(m_engine.m_dwCheckStep);
  Poll(128, 128, 128, 128);
  Poll(0, 0, 0, 0);
  Poll(255, 255, 255, 255);
  Next();
  steps.push_back(m_engine.m_dwCheckStep);
  Poll(50, 50, 50, 50);  // step 6 measures nothing
  Next();
  steps.push_back(m_engine.m_dwCheckStep);
  EXPECT_EQ(steps, (std::vector<DWORD>{1, 6, 0}));
  EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[0], ThreePoint(0, 128, 255));
  EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[1], ThreePoint(0, 128, 255));
  EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[2], AXIS_CALIB_DEFAULT);
  EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[4], TwoPoint(30, 220));
}

// A second pass on the same visit goes on from the first pass's ends and
// takes a new centre.
TEST_F(CheckTest, SecondPassWidensFromTheFirst) {
  m_engine.m_dwAxisCount = 2;
  Next();
  Poll(128, 128, 0, 0);
  Poll(40, 40, 0, 0);
  Poll(200, 200, 0, 0);
  Next();
  Next();
  ASSERT_EQ(m_engine.m_Settings.dwAxisCalib[0], ThreePoint(40, 128, 200));
  Next();
  Poll(100, 100, 0, 0);  // new centre
  Poll(120, 120, 0, 0);  // inside the old ends: they stay
  Next();
  Next();
  EXPECT_EQ(m_engine.m_Settings.dwAxisCalib[0], ThreePoint(40, 100, 200));
}

TEST_F(CheckTest, CentreFlagLastsOnePoll) {
  Next();
  EXPECT_EQ(m_engine.m_bCheckCentre, 1);
  EXPECT_EQ(m_engine.TrackCheckAxis(0, Value(77), true), static_cast<LONG>(0x00FF4D00u))
      << "a three-point centre reading returns the new word";
  Poll(90, 90, 0, 0);
  EXPECT_EQ(m_engine.m_bCheckCentre, 0);
  EXPECT_EQ(m_engine.m_dwCheckCalib[0] >> 8 & 0xFF, 90u);
  Poll(60, 60, 0, 0);
  EXPECT_EQ(m_engine.m_dwCheckCalib[0] >> 8 & 0xFF, 90u) << "later polls never move the centre";
  m_engine.CheckTick(nullptr, nullptr);  // a missing state measures nothing
  EXPECT_EQ(m_engine.m_dwCheckCalib[0], ThreePoint(60, 90, 60));
}

// The step buttons move between their places, and each step change redraws
// the five text lines of the old and of the new step.
class CheckButtonsTest : public CheckTest {
 protected:
  void SetUp() override {
    CheckTest::SetUp();
    m_engine.m_pCheckButton = &m_check;
    m_engine.m_pNextButton = &m_next;
    m_engine.m_pCheckSaveButton = &m_save;
    WriteLayout();
    m_hWnd = sim::CreateTestWindow(32, 32);
    ASSERT_NE(m_hWnd, nullptr);
  }
  void TearDown() override {
    m_engine.m_pCheckButton = m_engine.m_pNextButton = m_engine.m_pCheckSaveButton = nullptr;
    DestroyWindow(m_hWnd);
  }

  // Line i of step s lies at (s, i, s + 10, i + 10).
  static void WriteLayout() {
    char szDir[MAX_PATH];
    GetSystemDirectoryA(szDir, sizeof szDir);
    std::string dir = std::string(szDir) + "\\VQ6100";
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string text = "[CheckPage]\r\n";
    for (int s = 0; s <= 6; ++s) {
      for (int i = 0; i <= 4; ++i) {
        char szLine[96];
        if (i == 0)
          std::snprintf(szLine, sizeof szLine, "Check_Set0_%d=%d,%d,%d,%d,Step %d\r\n", s, s, i, s + 10, i + 10, s);
        else
          std::snprintf(szLine, sizeof szLine, "Check_Set0_%d_%d=%d,%d,%d,%d,Line\r\n", s, i, s, i, s + 10, i + 10);
        text += szLine;
      }
    }
    HANDLE hFile = CreateFileA((dir + "\\Setup.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    DWORD cbWritten = 0;
    WriteFile(hFile, text.data(), static_cast<DWORD>(text.size()), &cbWritten, nullptr);
    CloseHandle(hFile);
  }

  FakeButton m_check, m_next, m_save;
  HWND m_hWnd = nullptr;
};

TEST_F(CheckButtonsTest, ButtonsFollowTheSteps) {
  using Moves = std::vector<std::pair<int, int>>;
  auto Take = [](FakeButton& button) {
    Moves moves;
    for (const FakeButton::Move& move : button.moves) {
      EXPECT_TRUE(move.bRedraw);
      moves.emplace_back(move.x, move.y);
    }
    button.moves.clear();
    return moves;
  };
  struct Expected {
    Moves check, next, save;
  };
  const Expected expected[] = {
      {{{0, 0}}, {{0, 0}}, {}},            // 0 -> 1
      {{{0, 100}}, {{0, 0}}, {}},          // 1 -> 2
      {{{0, 0}}, {{0, 100}}, {}},          // 2 -> 3
      {{{0, 200}}, {{0, 0}}, {}},          // 3 -> 4
      {{{0, 0}}, {{0, 200}}, {}},          // 4 -> 5
      {{}, {{0, 0}}, {{0, 0}}},            // 5 -> 6
      {{{0, 0}}, {}, {{0, 0}}},            // 6 -> 0
  };
  for (int s = 0; s < 7; ++s) {
    SCOPED_TRACE(s);
    m_engine.NextCheckStep(m_hWnd);
    EXPECT_EQ(Take(m_check), expected[s].check);
    EXPECT_EQ(Take(m_next), expected[s].next);
    EXPECT_EQ(Take(m_save), expected[s].save);
  }
}

TEST_F(CheckButtonsTest, StepChangeRedrawsOldAndNewLines) {
  m_engine.m_dwCheckStep = 2;
  sim::ClearInvalidations();
  m_engine.NextCheckStep(m_hWnd);
  std::vector<sim::Invalidation> invalidations = sim::GetInvalidations();
  // Filter the page window's rectangles (the fake buttons invalidate nothing).
  std::vector<RECT> rects;
  for (const sim::Invalidation& inv : invalidations) {
    if (inv.hWnd != m_hWnd) continue;
    EXPECT_FALSE(inv.bWholeWindow);
    EXPECT_TRUE(inv.bErase);
    rects.push_back(inv.rc);
  }
  ASSERT_EQ(rects.size(), 10u);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const RECT& old = rects[2 * i];
    const RECT& now = rects[2 * i + 1];
    EXPECT_EQ(old.left, 2);
    EXPECT_EQ(old.top, i);
    EXPECT_EQ(old.right, 12);
    EXPECT_EQ(now.left, 3);
    EXPECT_EQ(now.top, i);
    EXPECT_EQ(now.bottom, i + 10);
  }
  EXPECT_EQ(m_engine.m_dwCheckStep, 3u);
}

TEST_F(CheckTest, MissingButtonsStillChangeTheStep) {
  for (DWORD dwExpected : {1u, 2u, 3u, 4u, 5u, 6u, 0u}) {
    Next();
    EXPECT_EQ(m_engine.m_dwCheckStep, dwExpected);
  }
  m_engine.m_dwCheckStep = 9;  // out of range: back to 0
  Next();
  EXPECT_EQ(m_engine.m_dwCheckStep, 0u);
}

}  // namespace

// Tick on the test page: the stick cursor and the two axis sliders from the
// raw axes, the button lamps with their sounds (turbo blinking included) and
// the hat; and the run left over from the vibration page, stopped on the
// other pages.
#include <cstdio>
#include <ostream>
#include <utility>

#include "live_fixture.h"

namespace {

using livetest::kDown;
using livetest::LiveFixture;
using livetest::Resting;

constexpr RECT kTestCursorRange = {326, 250, 429, 355};

DWORD CursorWord(DWORD x, DWORD y) { return (x << 16) | y; }

struct AxisCase {
  const char* pszWhat;
  LONG lRaw;
  DWORD dwByte;  // the position the controls show
};

void PrintTo(const AxisCase& c, std::ostream* pOut) { *pOut << c.pszWhat << " (raw " << c.lRaw << ")"; }

class TestPageAxisTest : public LiveFixture, public ::testing::WithParamInterface<AxisCase> {};

TEST_P(TestPageAxisTest, CursorAndSlidersShowThePosition) {
  const AxisCase& c = GetParam();
  PageEngine& e = Engine();
  DIJOYSTATE state = Resting();
  state.lX = c.lRaw;
  state.lY = 0x7FFF;  // 128
  state.lZ = c.lRaw;
  state.lRz = 0;

  Tick(0, state);

  EXPECT_EQ(e.m_pTestCursor->GetState(), CursorWord(c.dwByte, 128));
  EXPECT_EQ(e.m_pTestZSlider->GetState(), (255 - c.dwByte) << 16);
  EXPECT_EQ(e.m_pTestRzSlider->GetState(), 255u << 16);

  // The same poll again changes nothing, so nothing is invalidated.
  sim::ClearInvalidations();
  Tick(0, state);
  EXPECT_TRUE(sim::GetInvalidations().empty());
}

INSTANTIATE_TEST_SUITE_P(Positions, TestPageAxisTest,
                         ::testing::Values(AxisCase{"zero", 0, 0}, AxisCase{"127 and a half rounds up", 0x7F80, 128},
                                           AxisCase{"127 and less than a half", 0x7F7F, 127},
                                           AxisCase{"32767", 32767, 128}, AxisCase{"32768", 32768, 128},
                                           AxisCase{"full scale", 65535, 255},
                                           AxisCase{"above full scale is capped", 70000, 255},
                                           AxisCase{"negative shows as 0", -300, 0},
                                           AxisCase{"large negative shows as 0", -70000, 0}));

TEST_F(LiveFixture, CursorRepaintsItsOldAndNewPlaceWithinItsRange) {
  PageEngine& e = Engine();
  const RECT rcOld = RectOf(e.m_pTestCursor);
  DIJOYSTATE state = Resting();
  state.lX = 0;
  state.lY = 65535;

  Tick(0, state);

  const std::vector<sim::Invalidation> marks = InvalidationsWithin(kTestCursorRange);
  ASSERT_EQ(marks.size(), 2u);
  const RECT rcNew = RectOf(e.m_pTestCursor);
  // Each box clipped to the range; cursors repaint erasing.
  EXPECT_EQ(marks[0].rc.left, std::max(rcOld.left, kTestCursorRange.left));
  EXPECT_EQ(marks[0].rc.top, std::max(rcOld.top, kTestCursorRange.top));
  EXPECT_EQ(marks[1].rc.left, std::max(rcNew.left, kTestCursorRange.left));
  EXPECT_EQ(marks[1].rc.bottom, std::min(rcNew.bottom, kTestCursorRange.bottom));
  EXPECT_TRUE(marks[0].bErase && marks[1].bErase);
}

// The wave file of each button, as the pages name it.
const char* const kWaveFiles[kPageButtonCount] = {"Joy1.wav", "Joy2.wav", "Joy3.wav", "Joy4.wav",
                                                  "Joy5.wav", "Joy6.wav", "Joy7.wav", "Joy8.wav",
                                                  "Joy9.wav", "Joya.wav", "Joyb.wav", "Joyc.wav"};

TEST_F(LiveFixture, EachButtonLightsItsLampAndPlaysItsSoundOncePerPress) {
  PageEngine& e = Engine();
  for (int i = 0; i < kPageButtonCount; ++i) {
    SCOPED_TRACE(kWaveFiles[i]);
    sim::ClearSoundPlays();
    sim::ClearInvalidations();
    DIJOYSTATE state = Resting();
    state.rgbButtons[i] = kDown;

    Tick(0, state, 10);
    Tick(0, state, 10);  // held: no second sound
    Tick(0, state, 10);

    EXPECT_EQ(e.m_pButtonLamp[i]->GetState(), DWORD(kDown));
    const std::vector<sim::SoundPlay> plays = sim::GetSoundPlays();
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0].name, livetest::WavPath(kWaveFiles[i]));
    EXPECT_EQ(plays[0].fuSound, SND_ASYNC) << "asynchronous, and no other flag";
    const RECT rcLamp = RectOf(e.m_pButtonLamp[i]);
    const std::vector<sim::Invalidation> marks = InvalidationsWithin(rcLamp);
    EXPECT_EQ(marks.size(), 1u) << "the lamp repaints once, when it lights";

    Tick(0, Resting(), 10);
    EXPECT_EQ(e.m_pButtonLamp[i]->GetState(), 0u);
    EXPECT_EQ(sim::GetSoundPlays().size(), 1u) << "a release plays nothing";
    for (int k = 0; k < kPageButtonCount; ++k)
      if (k != i) {
        EXPECT_EQ(e.m_pButtonLamp[k]->GetState(), 0u) << "lamp " << k;
      }
  }
}

TEST_F(LiveFixture, AButtonSoundIsFoundWhenItsFileExists) {
  const std::string folder = skingen::PageDataFolder() + "\\Wav";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  HANDLE h = CreateFileA(livetest::WavPath("Joy1.wav").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  DIJOYSTATE state = Resting();
  state.rgbButtons[0] = kDown;
  state.rgbButtons[1] = kDown;

  Tick(0, state);

  const std::vector<sim::SoundPlay> plays = sim::GetSoundPlays();
  ASSERT_EQ(plays.size(), 2u);
  EXPECT_TRUE(plays[0].bFound);
  EXPECT_FALSE(plays[1].bFound) << plays[1].name;
  EXPECT_TRUE(plays[1].bDefault) << "a missing file is left to sndPlaySoundA, which plays the default";
  DeleteFileA(livetest::WavPath("Joy1.wav").c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST_F(LiveFixture, TurboBlinksTheLampEveryHundredMillisecondsWhileHeld) {
  PageEngine& e = Engine();
  e.m_Settings.byTurbo[2] = 1;
  SkinControl* pLamp = e.m_pButtonLamp[2];
  DIJOYSTATE down = Resting();
  down.rgbButtons[2] = kDown;

  // Held 0..350 ms, released at 360, held again from 370 to 480, polled
  // every 10 ms; the lamp's changes are noted with their times.
  std::vector<std::pair<DWORD, DWORD>> changes;
  DWORD dwLast = pLamp->GetState();
  for (DWORD t = 0; t <= 480; t += 10) {
    Tick(0, t == 360 ? Resting() : down);
    if (pLamp->GetState() != dwLast) changes.emplace_back(t, dwLast = pLamp->GetState());
    sim::StepClock(10);
  }

  const std::vector<std::pair<DWORD, DWORD>> expected = {{100, 1}, {200, 0}, {300, 1}, {360, 0}, {470, 1}};
  EXPECT_EQ(changes, expected) << "the release resets the blink clock: the next press waits 100 ms again";
  std::vector<DWORD> soundTimes;
  for (const sim::SoundPlay& play : sim::GetSoundPlays()) {
    EXPECT_EQ(play.name, livetest::WavPath("Joy3.wav"));
    soundTimes.push_back(play.dwTick - livetest::kStartTick);
  }
  EXPECT_EQ(soundTimes, (std::vector<DWORD>{100, 300, 470})) << "a sound each time the lamp lights";
}

TEST_F(LiveFixture, HatFollowsThePointOfView) {
  PageEngine& e = Engine();
  const RECT rcFirst = {105, 203, 173, 271};
  const RECT rcThird = {174, 271, 242, 339};
  DIJOYSTATE state = Resting();
  state.rgdwPOV[0] = 9000;

  Tick(0, state);
  EXPECT_EQ(e.m_pHat->GetState(), 9000u);
  // The new direction, then the old one (the hat starts at 0, north).
  std::vector<int> marks;
  for (const sim::Invalidation& inv : sim::GetInvalidations()) {
    if (livetest::SameRect(inv.rc, rcThird)) marks.push_back(3);
    if (livetest::SameRect(inv.rc, rcFirst)) marks.push_back(1);
  }
  EXPECT_EQ(marks, (std::vector<int>{3, 1}));

  sim::ClearInvalidations();
  Tick(0, Resting());
  EXPECT_EQ(e.m_pHat->GetState(), 0xFFFFFFFFu);
}

// A run that the vibration page left stops with an all-zero report on the
// first poll of another page; the vibration page itself and the about page
// leave it.
struct LeftoverCase {
  int nPage;
  bool bStops;
};

void PrintTo(const LeftoverCase& c, std::ostream* pOut) { *pOut << "page " << c.nPage; }

class LeftoverRunTest : public LiveFixture, public ::testing::WithParamInterface<LeftoverCase> {};

TEST_P(LeftoverRunTest, StopsOnTheOtherPages) {
  const LeftoverCase& c = GetParam();
  PageEngine& e = Engine();
  e.m_dwLeftRunTime = 5000;
  e.m_dwLeftStartTick = livetest::kStartTick;

  Tick(c.nPage, Resting(), 10);
  Tick(c.nPage, Resting(), 10);

  if (c.bStops) {
    EXPECT_EQ(e.m_dwLeftRunTime, 0u);
    EXPECT_EQ(Reports(), Written(0, 0)) << "one all-zero report, written twice";
  } else {
    EXPECT_EQ(e.m_dwLeftRunTime, 5000u);
    EXPECT_TRUE(Reports().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, LeftoverRunTest,
                         ::testing::Values(LeftoverCase{0, true}, LeftoverCase{1, true}, LeftoverCase{2, true},
                                           LeftoverCase{3, false}, LeftoverCase{4, true}, LeftoverCase{5, false},
                                           LeftoverCase{6, false}, LeftoverCase{-1, false}));

TEST_F(LiveFixture, AboutPageAndUnknownPagesDoNothing) {
  PageEngine& e = Engine();
  DIJOYSTATE state = Resting();
  state.lX = 0;
  state.rgbButtons[0] = kDown;
  state.rgdwPOV[0] = 9000;
  for (int nPage : {5, 6, -1}) {
    Tick(nPage, state);
  }
  EXPECT_TRUE(sim::GetInvalidations().empty());
  EXPECT_TRUE(sim::GetSoundPlays().empty());
  EXPECT_EQ(e.m_pButtonLamp[0]->GetState(), 0u);
  EXPECT_EQ(e.m_pTestCursor->GetState(), CursorWord(127, 127));
}

TEST_F(LiveFixture, AbsentControlsAreSkipped) {
  PageEngine& e = Engine();
  // Keep the controls to delete them at the end: the engine owns them.
  SkinControl* pCursor = e.m_pTestCursor;
  SkinControl* pZ = e.m_pTestZSlider;
  SkinControl* pLamp = e.m_pButtonLamp[0];
  SkinControl* pHat = e.m_pHat;
  e.m_pTestCursor = e.m_pTestZSlider = e.m_pButtonLamp[0] = e.m_pHat = nullptr;
  DIJOYSTATE state = Resting();
  state.lX = 0;
  state.rgbButtons[0] = kDown;
  state.rgbButtons[1] = kDown;
  state.rgdwPOV[0] = 9000;

  Tick(0, state);
  e.m_pTestCursor = pCursor;
  e.m_pTestZSlider = pZ;
  e.m_pButtonLamp[0] = pLamp;
  e.m_pHat = pHat;

  const std::vector<sim::SoundPlay> plays = sim::GetSoundPlays();
  ASSERT_EQ(plays.size(), 1u) << "button 0 has no lamp and plays nothing";
  EXPECT_EQ(plays[0].name, livetest::WavPath("Joy2.wav"));
}

TEST_F(LiveFixture, ButtonsBeyondTheLoadedCountAreNotLookedAt) {
  PageEngine& e = Engine();
  e.m_dwButtonCount = 40;  // more than the pages know: only 12 are looked at
  DIJOYSTATE state = Resting();
  for (BYTE& b : state.rgbButtons) b = kDown;

  Tick(0, state);

  EXPECT_EQ(sim::GetSoundPlays().size(), size_t(kPageButtonCount));
  e.m_dwButtonCount = 3;
  sim::ClearSoundPlays();
  Tick(0, Resting());
  Tick(0, state);
  EXPECT_EQ(sim::GetSoundPlays().size(), 3u);
}

}  // namespace

namespace {

TEST_F(LiveFixture, TheInstalledButtonSoundsAreFoundAndArePcmWaves) {
  // A machine of its own: the other tests of this program look for the
  // sounds in the shared one and find none there.
  const std::string strShared = sim::MachineRoot();
  sim::SetMachineRoot(strShared + "-sounds");
  ASSERT_TRUE(skingen::InstallButtonSounds());
  DIJOYSTATE state = Resting();
  for (int i = 0; i < kPageButtonCount; ++i) state.rgbButtons[i] = kDown;
  sim::ClearSoundPlays();

  Tick(0, state);

  const std::vector<sim::SoundPlay> plays = sim::GetSoundPlays();
  ASSERT_EQ(plays.size(), size_t(kPageButtonCount));
  std::vector<std::vector<unsigned char>> waves;
  for (int i = 0; i < kPageButtonCount; ++i) {
    SCOPED_TRACE(kWaveFiles[i]);
    EXPECT_TRUE(plays[i].bFound);
    const std::vector<unsigned char> wav = skingen::MakeButtonSound(i + 1);
    ASSERT_GT(wav.size(), 44u);
    auto u32 = [&wav](size_t at) { return uint32_t(wav[at] | wav[at + 1] << 8 | wav[at + 2] << 16 | wav[at + 3] << 24); };
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(u32(4), wav.size() - 8);
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(u32(24), 11025u) << "sample rate";
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    EXPECT_EQ(u32(40), wav.size() - 44);
    waves.push_back(wav);
  }
  for (int i = 1; i < kPageButtonCount; ++i) EXPECT_NE(waves[i], waves[i - 1]) << "each button has its own tone";
  EXPECT_TRUE(skingen::MakeButtonSound(0).empty());
  EXPECT_TRUE(skingen::MakeButtonSound(13).empty());

  for (const char* pszName : kWaveFiles) DeleteFileA(livetest::WavPath(pszName).c_str());
  RemoveDirectoryA((skingen::PageDataFolder() + "\\Wav").c_str());
  sim::SetMachineRoot(strShared);
}

}  // namespace

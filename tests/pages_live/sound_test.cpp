// sndPlaySoundA of the layer: what the simulated machine records of each
// call, and the results Windows gives.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/sim/sim.h"

namespace {

constexpr char kWave[] = "C:\\windows\\temp\\ding.wav";
constexpr char kMissing[] = "C:\\windows\\temp\\missing.wav";
constexpr char kFolder[] = "C:\\windows\\temp";

struct SoundCase {
  const char* pszWhat;
  const char* pszSound;
  UINT fuSound;
  BOOL bResult;
  bool bFound, bDefault, bStop;
};

void PrintTo(const SoundCase& c, std::ostream* pOut) { *pOut << c.pszWhat; }

class SoundTest : public ::testing::TestWithParam<SoundCase> {
 protected:
  void SetUp() override {
    HANDLE h = CreateFileA(kWave, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    sim::FreezeClock(4242);
    sim::ClearSoundPlays();
  }
  void TearDown() override {
    DeleteFileA(kWave);
    sim::ThawClock();
  }
};

TEST_P(SoundTest, RecordsTheCall) {
  const SoundCase& c = GetParam();

  EXPECT_EQ(sndPlaySoundA(c.pszSound, c.fuSound), c.bResult);

  const std::vector<sim::SoundPlay> plays = sim::GetSoundPlays();
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_EQ(plays[0].name, c.pszSound ? c.pszSound : "");
  EXPECT_EQ(plays[0].fuSound, c.fuSound);
  EXPECT_EQ(plays[0].bFound, c.bFound);
  EXPECT_EQ(plays[0].bDefault, c.bDefault);
  EXPECT_EQ(plays[0].bStop, c.bStop);
  EXPECT_EQ(plays[0].bResult, c.bResult);
  EXPECT_EQ(plays[0].dwTick, 4242u);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, SoundTest,
    ::testing::Values(SoundCase{"existing file", kWave, SND_ASYNC, TRUE, true, false, false},
                      SoundCase{"existing file, other case", "c:\\WINDOWS\\temp\\DING.WAV", SND_SYNC, TRUE, true,
                                false, false},
                      SoundCase{"missing file plays the default", kMissing, SND_ASYNC, TRUE, false, true, false},
                      SoundCase{"missing file, no default", kMissing, SND_ASYNC | SND_NODEFAULT, FALSE, false, false,
                                false},
                      SoundCase{"a folder is no sound", kFolder, SND_NODEFAULT, FALSE, false, false, false},
                      SoundCase{"NULL stops the sound", nullptr, 0, TRUE, false, false, true}));

TEST(SoundLog, KeepsTheOrderUntilCleared) {
  sim::ClearSoundPlays();
  sndPlaySoundA("C:\\a.wav", SND_ASYNC);
  sndPlaySoundA("C:\\b.wav", SND_ASYNC | SND_NODEFAULT);
  std::vector<sim::SoundPlay> plays = sim::GetSoundPlays();
  ASSERT_EQ(plays.size(), 2u);
  EXPECT_EQ(plays[0].name, "C:\\a.wav");
  EXPECT_EQ(plays[1].name, "C:\\b.wav");
  sim::ClearSoundPlays();
  EXPECT_TRUE(sim::GetSoundPlays().empty());
}

}  // namespace

// Force synthesis: phases, waveforms, gains, the split and the motor-power
// factor, observed through the pair of sums the playback step writes.
#include <cstdlib>

#include "ff_server_fixture.h"

namespace fftest {
namespace {

// One effect played from kStartTick; the left sum at a time after the start.
struct WaveCase {
  const char* name;
  DWORD dwEffectId;
  Desc desc;
  DWORD dwAtMs;
  LONG lLeft;
};

class FFServerSynthesisTest : public ServerTest {
 protected:
  void RunWaveCases(const std::vector<WaveCase>& cases) {
    for (const WaveCase& c : cases) {
      SCOPED_TRACE(c.name);
      ASSERT_TRUE(server->ResetEffects());
      sim::SetTick(kStartTick);
      Play(c.desc, c.dwEffectId);
      EXPECT_EQ(LeftAt(c.dwAtMs), c.lLeft);
    }
  }
};

TEST_F(FFServerSynthesisTest, PhasesOfAnEffect) {
  std::vector<WaveCase> cases = {
      // Start delay: nothing before it, the magnitude from it on.
      {"before delay", ET_CONSTANT, [] { Desc d = Constant(6000); d.eff.dwStartDelay = 500000; return d; }(), 499, 0},
      {"at delay", ET_CONSTANT, [] { Desc d = Constant(6000); d.eff.dwStartDelay = 500000; return d; }(), 500, 6000},
      // Attack from level 0 toward 10000 over 500 ms.
      {"attack half", ET_CONSTANT, Constant(10000).Envelope(0, 500000, 0, 0), 250, 5000},
      {"attack start", ET_CONSTANT, Constant(10000).Envelope(2000, 500000, 0, 0), 0, 2000},
      // The attack comes before the whole duration.
      {"sustain end", ET_CONSTANT, Constant(10000).Envelope(0, 500000, 0, 0), 1500, 10000},
      {"ended", ET_CONSTANT, Constant(10000).Envelope(0, 500000, 0, 0), 1501, 0},
      // An attack toward a negative magnitude passes through 0.
      {"attack to negative", ET_CONSTANT, Constant(-10000).Envelope(10000, 1000000, 0, 0), 500, 0},
      {"attack to negative 3/4", ET_CONSTANT, Constant(-10000).Envelope(10000, 1000000, 0, 0), 750, 5000},
      // Fade of 1000 ms down to 0 after a sustain of 1000 ms; f counts from 1.
      {"fade first", ET_CONSTANT, Constant(10000).Envelope(0, 0, 0, 1000000), 1001, 9990},
      {"fade half", ET_CONSTANT, Constant(10000).Envelope(0, 0, 0, 1000000), 1500, 5000},
      {"fade last", ET_CONSTANT, Constant(10000).Envelope(0, 0, 0, 1000000), 1999, 10},
      {"fade over", ET_CONSTANT, Constant(10000).Envelope(0, 0, 0, 1000000), 2000, 0},
      {"fade over, level not 0", ET_CONSTANT, Constant(10000).Envelope(0, 0, 3000, 1000000), 2000, 0},
      // Durations under a millisecond still sustain their first tick.
      {"zero duration", ET_CONSTANT, Constant(3000, 999), 0, 3000},
      {"zero duration over", ET_CONSTANT, Constant(3000, 999), 1, 0},
      // An endless effect never leaves its sustain.
      {"infinite", ET_CONSTANT, Constant(3000, INFINITE).Envelope(0, 500000, 0, 1000000), 100000000, 3000},
  };
  RunWaveCases(cases);
}

TEST_F(FFServerSynthesisTest, Ramps) {
  std::vector<WaveCase> cases = {
      {"-5000..5000 mid", ET_RAMP, Ramp(-5000, 5000), 500, 5000},
      {"-5000..5000 end", ET_RAMP, Ramp(-5000, 5000), 1000, 10000},
      {"3000..8000 start", ET_RAMP, Ramp(3000, 8000), 0, 0},
      {"3000..8000 end", ET_RAMP, Ramp(3000, 8000), 1000, 5000},
      {"8000..3000 start", ET_RAMP, Ramp(8000, 3000), 0, 5000},
      {"8000..3000 3/4", ET_RAMP, Ramp(8000, 3000), 750, 1250},
      {"8000..3000 end", ET_RAMP, Ramp(8000, 3000), 1000, 0},
      {"difference capped", ET_RAMP, Ramp(-10000, 10000), 500, 5000},
      // The attack runs toward the ramp's start level as the block holds it
      // before the first sustain tick normalises it.
      {"attack toward the start", ET_RAMP, Ramp(8000, 3000).Envelope(0, 1000000, 0, 0), 500, 4000},
      {"delayed, last ms", ET_RAMP, [] { Desc d = Ramp(0, 10000); d.eff.dwStartDelay = 500000; return d; }(), 1500, 10000},
      // 300 s: 10000 * 250000 leaves 32 bits, the interpolation must not wrap.
      // The sustain runs after the attack: s counts from the attack's end.
      {"sustain after an attack", ET_RAMP, Ramp(0, 10000).Envelope(0, 500000, 0, 0), 1000, 5000},
      {"long ramp", ET_RAMP, Ramp(0, 10000, 300 * kSecondUs), 250000, 8333},
      {"long attack", ET_CONSTANT, Constant(10000, INFINITE).Envelope(0, 300 * kSecondUs, 0, 0), 250000, 8333},
      {"long fade", ET_CONSTANT, Constant(10000, 0).Envelope(0, 0, 0, 300 * kSecondUs), 50000, 8333},
      // A ramp of duration 0 has a span of 0: no division, its end level.
      {"zero-length ramp", ET_RAMP, Ramp(2000, 6000, 0), 0, 4000},
  };
  RunWaveCases(cases);
}

TEST_F(FFServerSynthesisTest, RampNormalisesItsOwnBlockAndFadesFromTheNewEnd) {
  const DWORD dwEffect = Play(Ramp(-5000, 5000).Envelope(0, 0, 0, 1000000), ET_RAMP);
  EXPECT_EQ(LeftAt(0), 0);
  const DIRAMPFORCE* pBlock =
      static_cast<const DIRAMPFORCE*>(FindRecord(server.get(), dwEffect)->lpvTypeSpecificParams);
  EXPECT_EQ(pBlock->lStart, 0);
  EXPECT_EQ(pBlock->lEnd, 10000);
  EXPECT_EQ(LeftAt(1500), 5000);  // fade from the normalised end 10000 to 0
}

TEST_F(FFServerSynthesisTest, EndlessRampGivesNoForceAndKeepsPlaying) {
  const DWORD dwEffect = Play(Ramp(0, 10000, INFINITE), ET_RAMP);
  EXPECT_EQ(LeftAt(500), 0);
  EXPECT_EQ(server->QueryEffectState(dwEffect), (DWORD)EFFECT_PLAYING);
  EXPECT_EQ(server->m_dwDevState.load(), (DWORD)EFFECT_PLAYING);
}

TEST_F(FFServerSynthesisTest, Waveforms) {
  // With a time cycle of 170 the period plays as requested: 360 ms gives one
  // degree per millisecond, 100 ms gives Pm = 100 and H = 50.
  const DWORD k360 = 360000, k100 = 100000;
  std::vector<WaveCase> cases = {
      {"square high", ET_SQUARE, Periodic(5000, 2000, 0, k100), 49, 7000},
      {"square low", ET_SQUARE, Periodic(5000, 2000, 0, k100), 50, 2000},
      {"square next period", ET_SQUARE, Periodic(5000, 2000, 0, k100), 110, 7000},
      {"square ignores phase", ET_SQUARE, Periodic(5000, 2000, 18000, k100), 10, 7000},
      {"sine 0", ET_SINE, Periodic(5000, 2000, 0, k360), 0, 2000},
      {"sine 30 truncates", ET_SINE, Periodic(5000, 2000, 0, k360), 30, 4499},
      {"sine 45", ET_SINE, Periodic(5000, 2000, 0, k360), 45, 5535},
      {"sine 90", ET_SINE, Periodic(5000, 2000, 0, k360), 90, 7000},
      {"sine 135", ET_SINE, Periodic(5000, 2000, 0, k360), 135, 5535},
      {"sine 180", ET_SINE, Periodic(5000, 2000, 0, k360), 180, 2000},
      {"sine 210", ET_SINE, Periodic(5000, 2000, 0, k360), 210, 499},
      {"sine 270", ET_SINE, Periodic(5000, 2000, 0, k360), 270, 3000},
      {"sine 300", ET_SINE, Periodic(5000, 2000, 0, k360), 300, 2330},
      {"sine 359", ET_SINE, Periodic(5000, 2000, 0, k360), 359, 1912},
      {"sine phase 90", ET_SINE, Periodic(5000, 2000, 9000, k360), 0, 7000},
      {"sine full scale 30", ET_SINE, Periodic(10000, 0, 0, k360), 30, 4999},
      {"triangle rising", ET_TRIANGLE, Periodic(10000, 0, 0, k100), 25, 5000},
      {"triangle top", ET_TRIANGLE, Periodic(10000, 0, 0, k100), 50, 10000},
      {"triangle falling", ET_TRIANGLE, Periodic(10000, 0, 0, k100), 75, 5000},
      {"triangle phase 180 at 0", ET_TRIANGLE, Periodic(10000, 0, 18000, k100), 0, 10000},
      {"triangle phase 180 at 25", ET_TRIANGLE, Periodic(10000, 0, 18000, k100), 25, 5000},
      {"triangle offset", ET_TRIANGLE, Periodic(8000, 2000, 0, k100), 25, 5000},
      {"saw up first tooth", ET_SAWTOOTHUP, Periodic(10000, 0, 0, k100), 25, 5000},
      {"saw up second tooth", ET_SAWTOOTHUP, Periodic(10000, 0, 0, k100), 75, 5000},
      {"saw up end of tooth", ET_SAWTOOTHUP, Periodic(10000, 0, 0, k100), 49, 9800},
      {"saw up restart", ET_SAWTOOTHUP, Periodic(10000, 0, 0, k100), 50, 0},
      {"saw down start", ET_SAWTOOTHDOWN, Periodic(10000, 0, 0, k100), 0, 10000},
      {"saw down second tooth", ET_SAWTOOTHDOWN, Periodic(10000, 0, 0, k100), 60, 8000},
      {"saw down second tooth starts", ET_SAWTOOTHDOWN, Periodic(10000, 0, 0, k100), 50, 10000},
      // Pm = 199, H = 99: the phase 35640 shifts by (199 * 99) / 100 = 197 ms.
      {"triangle shift of a share", ET_TRIANGLE, Periodic(10000, 0, 35640, 199000), 0, 101},
      // A period under 1 ms plays magnitude plus offset without a waveform.
      {"period under 1 ms", ET_SQUARE, Periodic(5000, 2000, 0, 500), 77, 7000},
      {"sine period under 1 ms", ET_SINE, Periodic(5000, 2000, 0, 999), 13, 7000},
      // A scaled period of exactly 1 ms stays 1 ms (Pm = 1, H = 0): the
      // square is never in its high half.
      {"scaled period of 1 ms", ET_SQUARE, Periodic(5000, 2000, 0, 1000), 4, 2000},
      // Attack and fade of a periodic effect follow the magnitude alone.
      {"periodic attack", ET_SQUARE, Periodic(8000, 2000, 0, k100).Envelope(0, 1000000, 0, 0), 500, 4000},
      {"sine attack", ET_SINE, Periodic(8000, 2000, 0, k100).Envelope(0, 1000000, 0, 0), 500, 4000},
      {"saw down attack", ET_SAWTOOTHDOWN, Periodic(8000, 2000, 0, k100).Envelope(0, 1000000, 0, 0), 500, 4000},
  };
  RunWaveCases(cases);
}

// A scaled period between 1000 and 1999 microseconds gives Pm = 1 and H = 0:
// every waveform must do without dividing by the half period.
TEST_F(FFServerSynthesisTest, OneMillisecondPeriodsDoNotDivideByZero) {
  std::vector<WaveCase> cases = {
      {"square", ET_SQUARE, Periodic(5000, 2000, 0, 1500), 3, 2000},
      {"sine", ET_SINE, Periodic(5000, 2000, 0, 1500), 3, 2000},
      {"triangle", ET_TRIANGLE, Periodic(5000, 2000, 0, 1500), 3, 2000},
      {"saw up", ET_SAWTOOTHUP, Periodic(5000, 2000, 0, 1500), 3, 5000},
      {"saw down", ET_SAWTOOTHDOWN, Periodic(5000, 2000, 0, 1500), 3, 2000},
  };
  RunWaveCases(cases);
}

TEST_F(FFServerSynthesisTest, TimeCycleScalesThePeriod) {
  // A 300 ms square: the factor is 1..4 thirds, so Pm = 100, 200, 300, 400.
  struct Case {
    DWORD dwTimeCycle, dwAtMs;
    LONG lLeft;
  } cases[] = {
      {0, 50, 2000},   {84, 50, 2000},   {85, 50, 7000},   {85, 100, 2000}, {169, 100, 2000},
      {170, 149, 7000}, {170, 150, 2000}, {254, 150, 2000}, {255, 150, 7000}, {255, 200, 2000},
      // Beyond 255 the same arithmetic: 340 gives five thirds (Pm = 500),
      // the largest setting a period of 5052902800 ms.
      {340, 249, 7000}, {340, 250, 2000}, {0xFFFFFFFF, 250, 7000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dwTimeCycle << " at " << c.dwAtMs);
    server->m_Settings.dwTimeCycle = c.dwTimeCycle;
    ASSERT_TRUE(server->ResetEffects());
    sim::SetTick(kStartTick);
    Play(Periodic(5000, 2000, 0, 300000), ET_SQUARE);
    EXPECT_EQ(LeftAt(c.dwAtMs), c.lLeft);
  }
  // The largest setting, period and phase: the triangle's phase shift of
  // (Pm * 11930464) / 100 ms, with Pm = 72340174236046, is exact.
  server->m_Settings.dwTimeCycle = 0xFFFFFFFF;
  ASSERT_TRUE(server->ResetEffects());
  sim::SetTick(kStartTick);
  Play(Periodic(10000, 0, 0xFFFFFFFF, 0xFFFFFFFF), ET_TRIANGLE);
  EXPECT_EQ(LeftAt(2000000), 7199);
}

TEST_F(FFServerSynthesisTest, DefaultTimeCycleTurnsAOneMillisecondPeriodIntoTwo) {
  server->m_Settings.dwTimeCycle = 63;  // P = 333 us, which becomes 2000 us
  Play(Periodic(5000, 2000, 0, 1000), ET_SQUARE);
  EXPECT_EQ(LeftAt(0), 7000);
  EXPECT_EQ(LeftAt(1), 2000);
  EXPECT_EQ(LeftAt(2), 7000);
}

TEST_F(FFServerSynthesisTest, AutoModeDrawsTheFactorAnewEachTick) {
  // A 300 ms square at s = 75 is low only with the factor 1 (Pm = 100).
  server->m_Settings.dwAutoMode = 1;
  server->m_Settings.dwTimeCycle = 0;  // would give the factor 1 every time
  Play(Periodic(5000, 2000, 0, 300000), ET_SQUARE);
  srand(12345);
  int nLow = 0, nHigh = 0;
  for (int i = 0; i < 300; ++i) {
    const LONG l = LeftAt(75);
    ASSERT_TRUE(l == 2000 || l == 7000) << l;
    (l == 2000 ? nLow : nHigh)++;
  }
  // The factor is 1 for about a third of the draws.
  EXPECT_GT(nLow, 50);
  EXPECT_GT(nHigh, 100);
}

// The factor is 4 only when rand() gives 32767. The draws are predicted from
// seeds found with the same C library: the first draw after srand(seed).
TEST_F(FFServerSynthesisTest, AutoModeFactorReachesFourOnlyAtTheTopDraw) {
  server->m_Settings.dwAutoMode = 1;
  auto seedDrawing = [](int nDraw) {
    for (unsigned seed = 1;; ++seed) {
      srand(seed);
      if ((rand() & 0x7FFF) == nDraw) return seed;
    }
  };
  // A 300 ms square at s = 175 is high only with the factor 4 (Pm = 400).
  struct Case {
    int nDraw;
    LONG lLeft;
  } cases[] = {{32767, 7000}, {32766, 2000}, {0, 2000}};
  Play(Periodic(5000, 2000, 0, 300000), ET_SQUARE);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nDraw);
    srand(seedDrawing(c.nDraw));
    EXPECT_EQ(LeftAt(175), c.lLeft);
  }
}

TEST_F(FFServerSynthesisTest, GainsScaleInTurnWithTruncation) {
  struct Case {
    LONG lMagnitude;
    DWORD dwGain, dwDeviceGain;
    LONG lLeft;
  } cases[] = {
      {10000, 10000, 10000, 10000}, {10000, 5000, 5000, 2500}, {3333, 3333, 3333, 369},
      {-7777, 3000, 10000, 2333},   {10000, 10000, 0, 0},       {10000, 0, 10000, 0},
      // Out-of-range gains and magnitudes keep the arithmetic (products
      // beyond 32 bits saturate); the sum clamps to full scale.
      {10000, 20000, 10000, 10000}, {10000, 0xFFFFFFFF, 5000, 10000}, {50000, 10000, 5000, 10000},
      {-2147483647 - 1, 10000, 5000, 10000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lMagnitude << " " << c.dwGain << " " << c.dwDeviceGain);
    ASSERT_TRUE(server->ResetEffects());
    server->m_dwGain = c.dwDeviceGain;
    Desc d = Constant(c.lMagnitude);
    d.eff.dwGain = c.dwGain;
    Play(d);
    EXPECT_EQ(LeftAt(0), c.lLeft);
  }
}

TEST_F(FFServerSynthesisTest, OutOfRangePeriodicParametersStayBounded) {
  std::vector<WaveCase> cases = {
      {"magnitude", ET_SQUARE, Periodic(0xFFFFFFFF, 0, 0, 100000), 10, 10000},
      {"offset", ET_SQUARE, Periodic(0, -2147483647, 0, 100000), 60, 10000},
      // Scaled period and phase shift leave 32 bits: Pm = 4294967 and a
      // shift of 119304640 ms.
      {"huge period", ET_SINE, Periodic(5000, 0, 0, 0xFFFFFFFF), 1431655, 4373},
      {"huge phase", ET_TRIANGLE, Periodic(10000, 0, 0xFFFFFFFF, 1000000), 0, 7200},
      {"envelope levels", ET_CONSTANT, Constant(10000).Envelope(0xFFFFFFFF, 1000000, 0, 0), 0, 10000},
  };
  RunWaveCases(cases);
}

// Levels, magnitudes and gains beyond their nominal ranges follow the same
// arithmetic as those within; with a motor-power factor of 2/5 the results
// stay below the clamp of the sums, so a level cut to full scale early shows.
TEST_F(FFServerSynthesisTest, OutOfRangeLevelsKeepTheirArithmetic) {
  server->m_Settings.dwMotorPower = 63;  // k = 2
  auto withGain = [](Desc d, DWORD dwGain) {
    d.eff.dwGain = dwGain;
    return d;
  };
  std::vector<WaveCase> cases = {
      {"magnitude 20000", ET_CONSTANT, Constant(20000), 0, 8000},
      {"magnitude -20000 at half gain", ET_CONSTANT, withGain(Constant(-20000), 5000), 0, 4000},
      {"effect gain 20000", ET_CONSTANT, withGain(Constant(10000), 20000), 0, 8000},
      {"gain product beyond 32 bits", ET_CONSTANT, withGain(Constant(10000), 0xFFFFFFFF), 0, 10000},
      {"most negative magnitude", ET_CONSTANT, Constant(-2147483647 - 1), 0, 10000},
      // The ramp's levels keep their difference: 20000..15000 plays 5000..0.
      {"ramp above full scale", ET_RAMP, Ramp(20000, 15000), 0, 2000},
      {"ramp difference beyond 32 bits", ET_RAMP, Ramp(-2147483647 - 1, 2147483647), 500, 2000},
      {"square magnitude", ET_SQUARE, Periodic(20000, 0, 0, 100000), 10, 8000},
      {"square offset", ET_SQUARE, Periodic(0, 15000, 0, 100000), 60, 6000},
      {"sine magnitude", ET_SINE, Periodic(20000, 0, 0, 360000), 90, 8000},
      {"triangle magnitude", ET_TRIANGLE, Periodic(20000, 0, 0, 100000), 50, 8000},
      {"attack level", ET_CONSTANT, Constant(10000).Envelope(20000, 1000000, 0, 0), 0, 8000},
      {"fade level", ET_CONSTANT, Constant(10000, 0).Envelope(0, 0, 30000, 1000000), 500, 8000},
  };
  RunWaveCases(cases);
}

TEST_F(FFServerSynthesisTest, MotorPowerFactor) {
  // k = power * 6 / 255 + 1; each share becomes |k * share / 5|.
  struct Case {
    DWORD dwMotorPower;
    LONG lMagnitude, lLeft;
  } cases[] = {
      {0, 5000, 1000},   {42, 5000, 1000},  {43, 5000, 2000},  {84, 5000, 2000},  {85, 5000, 3000},
      {127, 5000, 3000}, {128, 5000, 4000}, {169, 5000, 4000}, {170, 5000, 5000}, {212, 5000, 5000},
      {213, 5000, 6000}, {254, 5000, 6000}, {255, 5000, 7000},
      // Beyond the setting's range the same arithmetic: 297 still gives 7,
      // 298 gives 8, two million gives 47059.
      {297, 5000, 7000}, {298, 5000, 8000}, {1000, 300, 1440}, {2000000, 1, 9411},
      // power * 6 beyond 32 bits: the share reaches full scale, no further.
      {0xFFFFFFFF, 1, 10000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dwMotorPower);
    server->m_Settings.dwMotorPower = c.dwMotorPower;
    ASSERT_TRUE(server->ResetEffects());
    Play(Constant(c.lMagnitude));
    EXPECT_EQ(LeftAt(0), c.lLeft);
  }
}

TEST_F(FFServerSynthesisTest, SumsAreClampedToFullScale) {
  server->m_Settings.dwMotorPower = 63;  // k = 2
  const DWORD dwEffect = Play(Constant(10000));
  EXPECT_EQ(PairAt(0), std::make_pair(4000, 0));
  EXPECT_EQ(PairAt(1000), std::make_pair(4000, 0));
  EXPECT_EQ(PairAt(1001), std::make_pair(0, 0));
  EXPECT_EQ(server->QueryEffectState(dwEffect), (DWORD)EFFECT_STOPPED);

  ASSERT_TRUE(server->ResetEffects());
  sim::SetTick(kStartTick);
  server->m_Settings.dwMotorPower = 255;  // k = 7: 14000 before the clamp
  Play(Constant(10000));
  EXPECT_EQ(PairAt(0), std::make_pair(10000, 0));

  ASSERT_TRUE(server->ResetEffects());
  server->m_Settings.dwMotorPower = 170;
  Play(Constant(6000));
  Play(Constant(-6000));
  Play(Constant(3000).Polar(9000));
  EXPECT_EQ(PairAt(0), std::make_pair(10000, 3000));
}

// The condition types and the custom type stop at their first tick past the
// start delay without force; an unknown type gives none and keeps playing.
TEST_F(FFServerSynthesisTest, TypesWithoutForce) {
  for (DWORD dwType = ET_SPRING; dwType <= ET_CUSTOM; ++dwType) {
    SCOPED_TRACE(dwType);
    ASSERT_TRUE(server->ResetEffects());
    sim::SetTick(kStartTick);
    Desc d = Periodic(5000, 2000, 0, 100000).Envelope(10000, 1000000, 0, 0);
    d.eff.dwStartDelay = 500000;
    const DWORD dwEffect = Play(d, dwType);
    const DWORD dwUnknown = Play(Constant(5000), 12);
    EXPECT_EQ(LeftAt(499), 0);
    EXPECT_EQ(server->QueryEffectState(dwEffect), (DWORD)EFFECT_PLAYING);  // still in its delay
    EXPECT_EQ(LeftAt(500), 0);
    EXPECT_EQ(server->QueryEffectState(dwEffect), (DWORD)EFFECT_STOPPED);
    EXPECT_NE(FindRecord(server.get(), dwEffect), nullptr) << "a stopped effect stays stored";
    EXPECT_EQ(server->QueryEffectState(dwUnknown), (DWORD)EFFECT_PLAYING);
    EXPECT_EQ(server->m_dwDevState.load(), (DWORD)EFFECT_PLAYING);
  }
}

TEST_F(FFServerSynthesisTest, SummaryState) {
  EXPECT_EQ(server->m_dwDevState.load(), (DWORD)EFFECT_STOPPED);
  const DWORD a = Play(Constant(5000, INFINITE));
  const DWORD b = Play(Constant(5000, INFINITE));
  Add(Constant(5000));
  LeftAt(0);
  EXPECT_EQ(server->m_dwDevState.load(), (DWORD)EFFECT_PLAYING);
  // Playing wins over paused, whichever comes first in the list.
  server->PauseEffect(b);
  LeftAt(1);
  EXPECT_EQ(server->m_dwDevState.load(), (DWORD)EFFECT_PLAYING);
  server->ResumeEffect(b);
  server->PauseEffect(a);
  LeftAt(2);
  EXPECT_EQ(server->m_dwDevState.load(), (DWORD)EFFECT_PLAYING);
  server->PauseEffect(b);
  EXPECT_EQ(LeftAt(3), 0);
  EXPECT_EQ(server->m_dwDevState.load(), (DWORD)EFFECT_PAUSED);
  server->HaltAll();
  LeftAt(4);
  EXPECT_EQ(server->m_dwDevState.load(), (DWORD)EFFECT_STOPPED);
  // An effect that ends in a tick still counts as playing in that tick.
  Play(Constant(5000, 0));
  LeftAt(10);
  EXPECT_EQ(server->m_dwDevState.load(), (DWORD)EFFECT_PLAYING);
  LeftAt(11);
  EXPECT_EQ(server->m_dwDevState.load(), (DWORD)EFFECT_STOPPED);
}

TEST_F(FFServerSynthesisTest, TickWrapBetweenStartAndNow) {
  sim::SetTick(0xFFFFFF00u);
  ASSERT_TRUE(server->PlayEffect(Add(Ramp(0, 10000), ET_RAMP)));
  sim::SetTick(0x00000100u);  // 512 ms later
  server->RunStep();
  EXPECT_EQ(server->m_lLastLeft, 5120);
}

// An effect without a block long enough for its type gives no force in any
// phase, its envelope's levels included, and still runs its course.
TEST_F(FFServerSynthesisTest, ShortOrMissingBlocksPlayNothingAndStillRunOut) {
  struct Case {
    DWORD dwEffectId;
    DWORD cb;
  } cases[] = {
      {ET_CONSTANT, 0}, {ET_CONSTANT, 3}, {ET_RAMP, 0}, {ET_RAMP, 4}, {ET_SINE, 0}, {ET_SINE, 12},
      {ET_TRIANGLE, 15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dwEffectId << " with " << c.cb << " bytes");
    ASSERT_TRUE(server->ResetEffects());
    sim::SetTick(kStartTick);
    Desc d = Periodic(10000, 5000, 0, 100000, kSecondUs).Envelope(8000, 500000, 6000, 500000);
    d.block.ramp = {10000, 0};
    d.eff.cbTypeSpecificParams = c.cb;
    if (c.cb == 0) {
      d.Get();
      d.eff.lpvTypeSpecificParams = NULL;
    }
    DWORD dwEffect = 0;
    ASSERT_TRUE(server->AddEffect(c.dwEffectId, &dwEffect, c.cb ? d.Get() : &d.eff, DIEP_ALLPARAMS));
    ASSERT_TRUE(server->PlayEffect(dwEffect));
    EXPECT_EQ(LeftAt(10), 0);     // attack
    EXPECT_EQ(LeftAt(1000), 0);   // sustain
    EXPECT_EQ(LeftAt(1990), 0);   // fade
    EXPECT_EQ(server->QueryEffectState(dwEffect), (DWORD)EFFECT_PLAYING);
    EXPECT_EQ(LeftAt(2001), 0);
    EXPECT_EQ(server->QueryEffectState(dwEffect), (DWORD)EFFECT_STOPPED);
  }
}

TEST_F(FFServerSynthesisTest, DirectionsSplitTheForce) {
  struct Case {
    const char* name;
    Desc desc;
    std::pair<LONG, LONG> pair;
  } cases[] = {
      {"north", Constant(10000).Polar(0), {10000, 0}},
      {"east", Constant(10000).Polar(9000), {0, 10000}},
      {"north-east", Constant(10000).Polar(4500), {7071, 7071}},
      {"south", Constant(10000).Polar(18000), {10000, 0}},
      {"west", Constant(10000).Polar(27000), {0, 10000}},
      {"west, the smallest force", Constant(1).Polar(27000), {0, 1}},
      {"negative angle", Constant(10000).Polar(-9000), {0, 0}},
      {"cartesian 1:1", Constant(10000).Cartesian(2, 1, 1), {5000, 5000}},
      {"cartesian 0:0", Constant(10000).Cartesian(2, 0, 0), {10000, 10000}},
      {"cartesian one axis", Constant(10000).Cartesian(1, 1, 3), {10000, 10000}},
      {"cartesian far apart", Constant(10000).Cartesian(2, 2000000000, -1999999999), {10000, 10000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server->ResetEffects());
    sim::SetTick(kStartTick);
    Play(c.desc);
    EXPECT_EQ(PairAt(0), c.pair);
  }
}

constexpr LONG kUntouched = static_cast<LONG>(0xdeadbeef);

TEST(FFServerSplitForceTest, PolarAnglesKeepTheirSigns) {
  struct Case {
    LONG lDirection, lLeft, lRight;
  } cases[] = {
      {0, 10000, 0},       {3000, 8660, 4999},       {4500, 7071, 7071},   {6000, 5000, 8660},
      {9000, 0, -10000},   {13500, 7071, -7071},     {18000, -10000, 0},   {22500, -7071, -7071},
      {27000, 0, 10000},   {31500, -7071, 7071},     {36000, 10000, 0},    {99, 10000, 0},
      {-50, 10000, 0},     {-100, kUntouched, kUntouched}, {-9000, kUntouched, kUntouched},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lDirection);
    LONG lLeft = kUntouched, lRight = kUntouched;
    const LONG rglDirection[4] = {c.lDirection, 0, 0, 0};
    EXPECT_TRUE(FFServer::SplitForce(&lLeft, &lRight, 10000, DIEFF_POLAR, rglDirection, 1));
    EXPECT_EQ(lLeft, c.lLeft);
    EXPECT_EQ(lRight, c.lRight);
  }
  // The polar rule wins over the Cartesian one; an extreme force saturates.
  LONG lLeft = 0, lRight = 0;
  const LONG rglEast[2] = {9000, 1};
  FFServer::SplitForce(&lLeft, &lRight, -4000, DIEFF_POLAR | DIEFF_CARTESIAN, rglEast, 2);
  EXPECT_EQ(lLeft, 0);
  EXPECT_EQ(lRight, -4000);
  const LONG rglNorth[1] = {0};
  FFServer::SplitForce(&lLeft, &lRight, -2147483647 - 1, DIEFF_POLAR, rglNorth, 1);
  EXPECT_EQ(lLeft, 2147483647);
}

TEST(FFServerSplitForceTest, CartesianAndNoCoordinates) {
  struct Case {
    DWORD dwFlags, cAxes;
    LONG d0, d1, lLeft, lRight;
  } cases[] = {
      {DIEFF_CARTESIAN, 2, 1, 1, 5000, 5000},
      {DIEFF_CARTESIAN, 2, 0, 0, 10000, 10000},
      {DIEFF_CARTESIAN, 2, 1, 3, 2500, 7500},
      {DIEFF_CARTESIAN, 2, 2, 1, 6666, 3333},
      {DIEFF_CARTESIAN, 2, -3, 1, 15000, -5000},
      {DIEFF_CARTESIAN, 3, 1, 3, 2500, 7500},
      {DIEFF_CARTESIAN, 1, 1, 3, 10000, 10000},
      // Directions that cancel: no division, both motors get the force.
      {DIEFF_CARTESIAN, 2, 1, -1, 10000, 10000},
      {DIEFF_CARTESIAN, 2, -2147483647 - 1, 2147483647, 2147483647, -2147483647 - 1},
      // Sums and products beyond 32 bits.
      {DIEFF_CARTESIAN, 2, 2000000000, 2000000000, 5000, 5000},
      {DIEFF_CARTESIAN, 2, 2000000000, -1999999999, 2147483647, -2147483647 - 1},
      {0, 2, 1, 3, 10000, 10000},
      {DIEFF_SPHERICAL, 2, 1, 3, 10000, 10000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dwFlags << " " << c.cAxes << " " << c.d0 << " " << c.d1);
    LONG lLeft = kUntouched, lRight = kUntouched;
    const LONG rglDirection[4] = {c.d0, c.d1, 0, 0};
    const LONG lForce = c.d0 == -2147483647 - 1 ? 2147483647 : 10000;
    EXPECT_TRUE(FFServer::SplitForce(&lLeft, &lRight, lForce, c.dwFlags, rglDirection, c.cAxes));
    EXPECT_EQ(lLeft, c.lLeft);
    EXPECT_EQ(lRight, c.lRight);
  }
}

TEST(FFServerLerpTest, InterpolatesWithTruncationAndNeverDividesByZero) {
  struct Case {
    LONG lFrom, lTo, lSpan, lPos, lOut;
  } cases[] = {
      {0, 10000, 1000, 500, 5000},      {10000, 0, 1000, 1, 9990},        {-5000, 5000, 3, 1, -1666},
      {10000, -10000, 1000, 250, 5000}, {0, 10000, 300000, 250000, 8333}, {10000, 0, 300000, 50000, 8333},
      {7, 9, 1, 1, 9},                  {2000, 6000, 0, 0, 6000},
      // Full-range levels over a full-range span stay exact in 64 bits.
      {-2147483647 - 1, 2147483647, 2147483647, 1073741823, -1},
      // A position far outside the span: the products leave 64 bits and the
      // result saturates.
      {-2147483647 - 1, 2147483647, -2147483647 - 1, 2147483647, -2147483647 - 1},
      {2147483647, -2147483647 - 1, -2147483647 - 1, 2147483647, 2147483647},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lFrom << ".." << c.lTo << " " << c.lPos << "/" << c.lSpan);
    LONG lOut = kUntouched;
    EXPECT_TRUE(FFServer::Lerp(&lOut, c.lFrom, c.lTo, c.lSpan, c.lPos));
    EXPECT_EQ(lOut, c.lOut);
  }
}

}  // namespace
}  // namespace fftest

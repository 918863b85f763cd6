// The effect store: handles, copies of the descriptions, updates, the play
// states and the commands over all effects.
#include <functional>

#include "ff_server_fixture.h"

namespace fftest {
namespace {

using FFServerStoreTest = ServerTest;

TEST_F(FFServerStoreTest, HandlesAreTheLowestFreeFromOne) {
  EXPECT_EQ(Add(Constant(1000)), 1u);
  EXPECT_EQ(Add(Constant(1000)), 2u);
  EXPECT_EQ(Add(Constant(1000)), 3u);
  ASSERT_TRUE(server->RemoveEffect(1));
  EXPECT_EQ(FindRecord(server.get(), 1), nullptr);
  EXPECT_EQ(Add(Constant(1000)), 1u);
  ASSERT_TRUE(server->RemoveEffect(2));
  EXPECT_EQ(Add(Constant(1000)), 2u);
  EXPECT_EQ(Add(Constant(1000)), 4u);
  EXPECT_EQ(server->m_EffectList.nCount, 4u);
  ASSERT_TRUE(server->ResetEffects());
  EXPECT_EQ(server->m_EffectList.nCount, 0u);
  EXPECT_EQ(Add(Constant(1000)), 1u);
}

TEST_F(FFServerStoreTest, HandlesInALargeStoreFillTheGapsFromTheLowest) {
  for (DWORD i = 1; i <= 300; ++i) ASSERT_EQ(Add(Constant(1000)), i);
  ASSERT_TRUE(server->RemoveEffect(150));
  ASSERT_TRUE(server->RemoveEffect(7));
  ASSERT_TRUE(server->RemoveEffect(300));
  EXPECT_EQ(Add(Constant(1000)), 7u);
  EXPECT_EQ(Add(Constant(1000)), 150u);
  EXPECT_EQ(Add(Constant(1000)), 300u);
  EXPECT_EQ(Add(Constant(1000)), 301u);
  EXPECT_EQ(server->m_EffectList.nCount, 301u);
}

TEST_F(FFServerStoreTest, AddCopiesTheDescriptionInMilliseconds) {
  // The parameter flags of a new effect are stored, never read: flags 0
  // still copy every member.
  struct Case {
    DWORD dwDurationUs, dwStartDelayUs, dwDurationMs, dwStartDelayMs, dwFlags;
  } cases[] = {
      {2500000, 1500, 2500, 1, DIEP_ALLPARAMS | DIEP_START},
      {999, 999, 0, 0, DIEP_ALLPARAMS | DIEP_START},
      {INFINITE, 0, INFINITE, 0, DIEP_ALLPARAMS | DIEP_START},
      {INFINITE - 1, INFINITE, 4294967, 4294967, DIEP_ALLPARAMS | DIEP_START},
      {2500000, 1500, 2500, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dwDurationUs << " flags " << c.dwFlags);
    Desc d = Constant(-2500, c.dwDurationUs).Envelope(100, 200000, 300, 400000).Polar(27000);
    d.eff.dwStartDelay = c.dwStartDelayUs;
    d.eff.dwSamplePeriod = 1234;
    d.eff.dwGain = 7777;
    d.rgdwAxes[0] = 9;
    DWORD dwEffect = 0xdeadbeef;
    ASSERT_TRUE(server->AddEffect(ET_CONSTANT, &dwEffect, d.Get(), c.dwFlags));
    EffectRecord* pRec = FindRecord(server.get(), dwEffect);
    ASSERT_NE(pRec, nullptr);
    EXPECT_EQ(pRec->dwDuration, c.dwDurationMs);
    EXPECT_EQ(pRec->dwStartDelay, c.dwStartDelayMs);
    EXPECT_EQ(pRec->dwEffectId, (DWORD)ET_CONSTANT);
    EXPECT_EQ(pRec->dwFlags, DIEFF_POLAR);
    EXPECT_EQ(pRec->dwSamplePeriod, 1234u);
    EXPECT_EQ(pRec->dwGain, 7777u);
    EXPECT_EQ(pRec->cAxes, 1u);
    EXPECT_EQ(pRec->rglDirection[0], 27000);
    const DIENVELOPE env = {sizeof(DIENVELOPE), 100, 200000, 300, 400000};  // times still in microseconds
    EXPECT_EQ(0, memcmp(&pRec->diEnvelope, &env, sizeof env));
    EXPECT_EQ(pRec->rgdwAxes[0], 9u);
    EXPECT_EQ(pRec->dwParamFlags, c.dwFlags);
    EXPECT_EQ(pRec->dwState, (DWORD)EFFECT_STOPPED);  // a download alone does not start it
    EXPECT_EQ(pRec->dwStartTick, 0u);
    ASSERT_EQ(pRec->cbTypeSpecificParams, sizeof(DICONSTANTFORCE));
    // The record owns its copy of the block.
    ASSERT_NE(pRec->lpvTypeSpecificParams, (void*)&d.block);
    d.block.constant.lMagnitude = 1;
    EXPECT_EQ(static_cast<DICONSTANTFORCE*>(pRec->lpvTypeSpecificParams)->lMagnitude, -2500);
  }
}

TEST_F(FFServerStoreTest, MoreThanFourAxesKeepsFourAndReportsTheAssertion) {
  sim::ClearDebugOutput();
  Desc d = Constant(1000);
  d.eff.cAxes = 6;
  for (int i = 0; i < 6; ++i) d.rglDirection[i] = 100 * (i + 1);
  DWORD dwEffect = Add(d);
  EffectRecord* pRec = FindRecord(server.get(), dwEffect);
  ASSERT_NE(pRec, nullptr);
  EXPECT_EQ(pRec->cAxes, 6u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(pRec->rgdwAxes[i], (DWORD)i);
    EXPECT_EQ(pRec->rglDirection[i], 100 * (i + 1));
  }
  EXPECT_EQ(sim::DebugOutput(), "Assertion failed: peff->cAxes <= 4\n");

  // One report per description beyond four axes, none up to four.
  for (DWORD cAxes : {4u, 5u}) {
    SCOPED_TRACE(cAxes);
    sim::ClearDebugOutput();
    d.eff.cAxes = cAxes;
    Add(d);
    EXPECT_EQ(sim::DebugOutput(), cAxes > 4 ? "Assertion failed: peff->cAxes <= 4\n" : "");
  }
}

TEST_F(FFServerStoreTest, UpdateWithMoreThanFourAxesKeepsFour) {
  const DWORD dwEffect = Add(Constant(1000));
  Desc d = Constant(1000);
  d.eff.cAxes = 8;  // the arrays hold eight entries; only four are kept
  for (int i = 0; i < 8; ++i) {
    d.rgdwAxes[i] = 10 + i;
    d.rglDirection[i] = 100 * (i + 1);
  }
  ASSERT_TRUE(server->UpdateEffect(ET_CONSTANT, dwEffect, d.Get(), DIEP_AXES | DIEP_DIRECTION));
  const EffectRecord* pRec = FindRecord(server.get(), dwEffect);
  ASSERT_NE(pRec, nullptr);
  EXPECT_EQ(pRec->cAxes, 8u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(pRec->rgdwAxes[i], static_cast<DWORD>(10 + i));
    EXPECT_EQ(pRec->rglDirection[i], 100 * (i + 1));
  }
  // The fields after the arrays are untouched.
  EXPECT_EQ(pRec->diEnvelope.dwSize, 0u);
  EXPECT_EQ(pRec->dwStartDelay, 0u);
}

// A record's fields that updates may change, for comparing before and after.
struct Snapshot {
  DWORD dwEffectId, dwFlags, dwDuration, dwSamplePeriod, dwGain, cAxes, dwStartDelay, cb;
  DWORD rgdwAxes[4];
  LONG rglDirection[4];
  DIENVELOPE env;
  LONG lMagnitude;
  DWORD dwState, dwStartTick, dwPauseTick, dwParamFlags;

  explicit Snapshot(const EffectRecord* r)
      : dwEffectId(r->dwEffectId), dwFlags(r->dwFlags), dwDuration(r->dwDuration),
        dwSamplePeriod(r->dwSamplePeriod), dwGain(r->dwGain), cAxes(r->cAxes), dwStartDelay(r->dwStartDelay),
        cb(r->cbTypeSpecificParams), env(r->diEnvelope),
        lMagnitude(r->lpvTypeSpecificParams ? static_cast<DICONSTANTFORCE*>(r->lpvTypeSpecificParams)->lMagnitude
                                            : 0),
        dwState(r->dwState), dwStartTick(r->dwStartTick), dwPauseTick(r->dwPauseTick),
        dwParamFlags(r->dwParamFlags) {
    memcpy(rgdwAxes, r->rgdwAxes, sizeof(rgdwAxes));
    memcpy(rglDirection, r->rglDirection, sizeof(rglDirection));
  }
};

void ExpectSame(const Snapshot& a, const Snapshot& b) {
  EXPECT_EQ(a.dwEffectId, b.dwEffectId);
  EXPECT_EQ(a.dwFlags, b.dwFlags);
  EXPECT_EQ(a.dwDuration, b.dwDuration);
  EXPECT_EQ(a.dwSamplePeriod, b.dwSamplePeriod);
  EXPECT_EQ(a.dwGain, b.dwGain);
  EXPECT_EQ(a.cAxes, b.cAxes);
  EXPECT_EQ(a.dwStartDelay, b.dwStartDelay);
  EXPECT_EQ(a.cb, b.cb);
  EXPECT_EQ(0, memcmp(a.rgdwAxes, b.rgdwAxes, sizeof(a.rgdwAxes)));
  EXPECT_EQ(0, memcmp(a.rglDirection, b.rglDirection, sizeof(a.rglDirection)));
  EXPECT_EQ(0, memcmp(&a.env, &b.env, sizeof(a.env)));
  EXPECT_EQ(a.lMagnitude, b.lMagnitude);
  EXPECT_EQ(a.dwState, b.dwState);
  EXPECT_EQ(a.dwStartTick, b.dwStartTick);
  EXPECT_EQ(a.dwPauseTick, b.dwPauseTick);
  EXPECT_EQ(a.dwParamFlags, b.dwParamFlags);
}

TEST_F(FFServerStoreTest, UpdateChangesTheTypeAndOnlyTheFlaggedMembers) {
  // The new description differs from the stored one in every member.
  Desc next = Constant(-9000, 3 * kSecondUs).Envelope(1, 2000, 3, 4000).Cartesian(2, 5, 6);
  next.eff.dwStartDelay = 7000;
  next.eff.dwSamplePeriod = 8;
  next.eff.dwGain = 9;
  next.rgdwAxes[0] = 40;
  next.rgdwAxes[1] = 41;

  struct Case {
    DWORD dwFlags;
    std::function<void(Snapshot&)> change;
  } cases[] = {
      {0, [](Snapshot&) {}},
      {DIEP_DURATION, [](Snapshot& s) { s.dwDuration = 3000; }},
      {DIEP_STARTDELAY, [](Snapshot& s) { s.dwStartDelay = 7; }},
      {DIEP_SAMPLEPERIOD, [](Snapshot& s) { s.dwSamplePeriod = 8; }},
      {DIEP_GAIN, [](Snapshot& s) { s.dwGain = 9; }},
      {DIEP_AXES,
       [](Snapshot& s) {
         s.cAxes = 2;
         s.rgdwAxes[0] = 40;
         s.rgdwAxes[1] = 41;
       }},
      {DIEP_DIRECTION,
       [](Snapshot& s) {
         s.cAxes = 2;
         s.rglDirection[0] = 5;
         s.rglDirection[1] = 6;
       }},
      {DIEP_ENVELOPE, [](Snapshot& s) { s.env = {sizeof(DIENVELOPE), 1, 2000, 3, 4000}; }},
      {DIEP_TYPESPECIFICPARAMS, [](Snapshot& s) { s.lMagnitude = -9000; }},
      {DIEP_TRIGGERBUTTON | DIEP_TRIGGERREPEATINTERVAL | DIEP_NORESTART, [](Snapshot&) {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dwFlags);
    ASSERT_TRUE(server->ResetEffects());
    Desc first = Constant(4000).Polar(9000);
    first.rgdwAxes[0] = 30;
    const DWORD dwEffect = Add(first);
    EffectRecord* pRec = FindRecord(server.get(), dwEffect);
    ASSERT_NE(pRec, nullptr);
    Snapshot expected(pRec);
    expected.dwEffectId = ET_SINE;  // the type always follows the update
    c.change(expected);
    ASSERT_TRUE(server->UpdateEffect(ET_SINE, dwEffect, next.Get(), c.dwFlags));
    ExpectSame(Snapshot(pRec), expected);
  }
}

TEST_F(FFServerStoreTest, UpdateToAnEmptyBlockLeavesNoBlock) {
  const DWORD dwEffect = Add(Constant(4000));
  Desc none = Constant(0);
  none.eff.cbTypeSpecificParams = 0;
  none.eff.lpvTypeSpecificParams = NULL;
  ASSERT_TRUE(server->UpdateEffect(ET_CONSTANT, dwEffect, &none.eff, DIEP_TYPESPECIFICPARAMS));
  EffectRecord* pRec = FindRecord(server.get(), dwEffect);
  ASSERT_NE(pRec, nullptr);
  EXPECT_EQ(pRec->cbTypeSpecificParams, 0u);
  EXPECT_EQ(pRec->lpvTypeSpecificParams, nullptr);
  // The record alone is freed (a sanitizer build checks for a double free).
  EXPECT_TRUE(server->RemoveEffect(dwEffect));
  EXPECT_EQ(server->m_EffectList.nCount, 0u);
}

TEST_F(FFServerStoreTest, UpdateWithNullEnvelopeKeepsTheStoredOne) {
  const DWORD dwEffect = Add(Constant(4000).Envelope(10, 20000, 30, 40000));
  Desc bare = Constant(4000);
  ASSERT_TRUE(server->UpdateEffect(ET_CONSTANT, dwEffect, bare.Get(), DIEP_ENVELOPE));
  EXPECT_EQ(FindRecord(server.get(), dwEffect)->diEnvelope.dwFadeTime, 40000u);
}

TEST_F(FFServerStoreTest, UpdateWithStartRestartsTheTimeOfARunningEffectOnly) {
  Desc d = Constant(4000);
  const DWORD dwPlaying = Play(d);
  const DWORD dwPaused = Play(d);
  const DWORD dwStopped = Add(d);
  sim::SetTick(kStartTick + 300);
  ASSERT_TRUE(server->PauseEffect(dwPaused));
  sim::SetTick(kStartTick + 700);
  for (DWORD dwEffect : {dwPlaying, dwPaused, dwStopped})
    ASSERT_TRUE(server->UpdateEffect(ET_CONSTANT, dwEffect, d.Get(), DIEP_START));
  struct Expected {
    DWORD dwEffect, dwState, dwStartTick, dwPauseTick;
  } expected[] = {
      {dwPlaying, EFFECT_PLAYING, kStartTick + 700, kStartTick + 700},
      // The state stays: the driver's PlayEffect that follows resumes it.
      {dwPaused, EFFECT_PAUSED, kStartTick + 700, kStartTick + 700},
      {dwStopped, EFFECT_STOPPED, 0, 0},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.dwEffect);
    const EffectRecord* pRec = FindRecord(server.get(), e.dwEffect);
    EXPECT_EQ(pRec->dwState, e.dwState);
    EXPECT_EQ(pRec->dwStartTick, e.dwStartTick);
    EXPECT_EQ(pRec->dwPauseTick, e.dwPauseTick);
  }
}

TEST_F(FFServerStoreTest, PlayStatesAndTicks) {
  const DWORD dwEffect = Add(Constant(4000));
  EffectRecord* pRec = FindRecord(server.get(), dwEffect);
  auto expect = [&](DWORD dwState, DWORD dwStart, DWORD dwPause) {
    EXPECT_EQ(server->QueryEffectState(dwEffect), dwState);
    EXPECT_EQ(pRec->dwStartTick, dwStart);
    EXPECT_EQ(pRec->dwPauseTick, dwPause);
  };
  const DWORD t = kStartTick;
  sim::SetTick(t + 10);
  server->PlayEffect(dwEffect);
  expect(EFFECT_PLAYING, t + 10, t + 10);
  sim::SetTick(t + 20);
  server->PlayEffect(dwEffect);  // already playing: unchanged
  expect(EFFECT_PLAYING, t + 10, t + 10);
  server->RestartEffect(dwEffect);  // restarts whatever the state
  expect(EFFECT_PLAYING, t + 20, t + 20);
  sim::SetTick(t + 50);
  server->PauseEffect(dwEffect);
  expect(EFFECT_PAUSED, t + 20, t + 50);
  sim::SetTick(t + 80);
  server->ResumeEffect(dwEffect);  // 30 ms elapsed before the pause
  expect(EFFECT_PLAYING, t + 50, t + 50);
  sim::SetTick(t + 90);
  server->PauseEffect(dwEffect);
  sim::SetTick(t + 95);
  server->PlayEffect(dwEffect);  // a paused effect starts again from its start
  expect(EFFECT_PLAYING, t + 95, t + 95);
  server->HaltEffect(dwEffect);
  expect(EFFECT_STOPPED, 0, 0);
  server->ResumeEffect(dwEffect);  // only a paused effect resumes
  server->PauseEffect(dwEffect);   // only a playing effect pauses
  expect(EFFECT_STOPPED, 0, 0);
  EXPECT_EQ(server->QueryEffectState(999), (DWORD)EFFECT_STOPPED);
}

TEST_F(FFServerStoreTest, OperationsOnAnUnknownHandleChangeNothing) {
  const DWORD dwEffect = Play(Constant(4000));
  const Snapshot before(FindRecord(server.get(), dwEffect));
  Desc d = Constant(-1);
  EXPECT_TRUE(server->UpdateEffect(ET_RAMP, 77, d.Get(), DIEP_ALLPARAMS | DIEP_START));
  EXPECT_TRUE(server->PlayEffect(77));
  EXPECT_TRUE(server->RestartEffect(77));
  EXPECT_TRUE(server->HaltEffect(77));
  EXPECT_TRUE(server->PauseEffect(77));
  EXPECT_TRUE(server->ResumeEffect(77));
  EXPECT_TRUE(server->RemoveEffect(77));
  EXPECT_EQ(server->m_EffectList.nCount, 1u);
  ExpectSame(Snapshot(FindRecord(server.get(), dwEffect)), before);
}

// Pausing all effects does not count the paused time: a one-second effect
// paused after 600 ms for 3 s runs out 400 ms after the resume.
TEST_F(FFServerStoreTest, PauseAllAndResumeAllSkipThePausedTime) {
  const DWORD dwPlaying = Play(Constant(4000));
  const DWORD dwStopped = Add(Constant(4000));
  EXPECT_EQ(LeftAt(600), 4000);
  sim::SetTick(kStartTick + 600);
  ASSERT_TRUE(server->PauseAll());
  EXPECT_EQ(server->QueryEffectState(dwPlaying), (DWORD)EFFECT_PAUSED);
  EXPECT_EQ(LeftAt(2000), 0);
  EXPECT_EQ(server->m_dwDevState.load(), (DWORD)EFFECT_PAUSED);
  ASSERT_TRUE(server->PauseAll());  // a second pause keeps the first one's tick
  sim::SetTick(kStartTick + 3600);
  ASSERT_TRUE(server->ResumeAll());
  EXPECT_EQ(server->QueryEffectState(dwPlaying), (DWORD)EFFECT_PLAYING);
  EXPECT_EQ(server->QueryEffectState(dwStopped), (DWORD)EFFECT_STOPPED);
  EXPECT_EQ(FindRecord(server.get(), dwPlaying)->dwStartTick, kStartTick + 3000);
  EXPECT_EQ(LeftAt(4000), 4000);  // elapsed 1000: the last sustained millisecond
  EXPECT_EQ(LeftAt(4001), 0);
  EXPECT_EQ(server->QueryEffectState(dwPlaying), (DWORD)EFFECT_STOPPED);
}

TEST_F(FFServerStoreTest, CommandsOverAllEffectsAndTheirZeroReports) {
  const DWORD a = Play(Constant(4000));
  const DWORD b = Play(Constant(4000));
  const DWORD c = Add(Constant(4000));
  device->Clear();

  ASSERT_TRUE(server->PauseAll());
  EXPECT_EQ(device->ReportCount(), 1u);
  ASSERT_TRUE(server->ResumeAll());
  EXPECT_EQ(device->ReportCount(), 1u);  // no report on resume
  EXPECT_EQ(server->QueryEffectState(a), (DWORD)EFFECT_PLAYING);

  ASSERT_TRUE(server->HaltAll());
  EXPECT_EQ(device->ReportCount(), 2u);
  for (DWORD h : {a, b, c}) {
    EXPECT_EQ(server->QueryEffectState(h), (DWORD)EFFECT_STOPPED);
    EXPECT_EQ(FindRecord(server.get(), h)->dwStartTick, 0u);
  }
  EXPECT_EQ(server->m_EffectList.nCount, 3u);

  ASSERT_TRUE(server->ResetEffects());  // stop-all's report, then its own
  EXPECT_EQ(server->m_EffectList.nCount, 0u);
  const auto reports = ReportBytes(*device);
  ASSERT_EQ(reports.size(), 4u);
  for (const auto& r : reports) EXPECT_EQ(r, Bytes(0, 0, 0, 0));
}

TEST_F(FFServerStoreTest, NothingIsStoredOrChangedBeforeThePathIsSet) {
  std::unique_ptr<FFServer> fresh(new FFServer(1));
  EXPECT_STREQ(fresh->m_szDevicePath, "");
  EXPECT_EQ(fresh->m_bPathSet, 0);
  EXPECT_EQ(fresh->m_dwGain.load(), 0u);
  EXPECT_EQ(fresh->m_dwDevState.load(), (DWORD)EFFECT_STOPPED);
  Desc d = Constant(4000);
  DWORD dwEffect = 0xdeadbeef;
  EXPECT_FALSE(fresh->AddEffect(ET_CONSTANT, &dwEffect, d.Get(), 0));
  EXPECT_EQ(dwEffect, 0xdeadbeefu);
  EXPECT_EQ(fresh->m_EffectList.nCount, 0u);

  // Store a record behind the refusing server's back to see that nothing
  // touches it.
  fresh->m_bPathSet = 1;
  ASSERT_TRUE(fresh->AddEffect(ET_CONSTANT, &dwEffect, d.Get(), 0));
  ASSERT_TRUE(fresh->PlayEffect(dwEffect));
  fresh->m_bPathSet = 0;
  const Snapshot before(FindRecord(fresh.get(), dwEffect));
  sim::SetTick(kStartTick + 5);
  EXPECT_FALSE(fresh->UpdateEffect(ET_RAMP, dwEffect, d.Get(), DIEP_ALLPARAMS | DIEP_START));
  EXPECT_FALSE(fresh->HaltEffect(dwEffect));
  EXPECT_FALSE(fresh->PauseEffect(dwEffect));
  EXPECT_FALSE(fresh->RestartEffect(dwEffect));
  EXPECT_FALSE(fresh->HaltAll());
  EXPECT_FALSE(fresh->PauseAll());
  EXPECT_FALSE(fresh->ResumeAll());
  EXPECT_FALSE(fresh->ResumeEffect(dwEffect));
  EXPECT_FALSE(fresh->PlayEffect(dwEffect));
  EXPECT_FALSE(fresh->RemoveEffect(dwEffect));
  EXPECT_FALSE(fresh->ResetEffects());
  EXPECT_EQ(fresh->QueryEffectState(dwEffect), (DWORD)EFFECT_STOPPED);
  EXPECT_EQ(fresh->m_EffectList.nCount, 1u);
  ExpectSame(Snapshot(FindRecord(fresh.get(), dwEffect)), before);
}

TEST_F(FFServerStoreTest, DescriptionsThatCannotBeReadAreRefused) {
  struct Case {
    const char* name;
    std::function<void(Desc&)> spoil;
  } cases[] = {
      {"no axes array", [](Desc& d) { d.eff.rgdwAxes = NULL; }},
      {"no directions array", [](Desc& d) { d.eff.rglDirection = NULL; }},
      {"block size without block", [](Desc& d) { d.eff.lpvTypeSpecificParams = NULL; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Desc d = Constant(4000);
    d.Get();
    c.spoil(d);
    DWORD dwEffect = 0xdeadbeef;
    EXPECT_FALSE(server->AddEffect(ET_CONSTANT, &dwEffect, &d.eff, DIEP_ALLPARAMS));
    EXPECT_EQ(dwEffect, 0xdeadbeefu);
    EXPECT_EQ(server->m_EffectList.nCount, 0u);
  }
  DWORD dwEffect = 0xdeadbeef;
  EXPECT_FALSE(server->AddEffect(ET_CONSTANT, &dwEffect, NULL, DIEP_ALLPARAMS));
  EXPECT_EQ(dwEffect, 0xdeadbeefu);
  Desc d = Constant(4000);
  EXPECT_FALSE(server->AddEffect(ET_CONSTANT, NULL, d.Get(), DIEP_ALLPARAMS));
  EXPECT_EQ(server->m_EffectList.nCount, 0u);
}

TEST_F(FFServerStoreTest, UpdatesThatCannotBeReadChangeNothing) {
  const DWORD dwEffect = Play(Constant(4000).Polar(4500));
  const Snapshot before(FindRecord(server.get(), dwEffect));
  EXPECT_FALSE(server->UpdateEffect(ET_RAMP, dwEffect, NULL, DIEP_ALLPARAMS));
  struct Case {
    DWORD dwFlags;
    std::function<void(Desc&)> spoil;
  } cases[] = {
      {DIEP_AXES | DIEP_GAIN, [](Desc& d) { d.eff.rgdwAxes = NULL; }},
      {DIEP_DIRECTION | DIEP_GAIN, [](Desc& d) { d.eff.rglDirection = NULL; }},
      {DIEP_TYPESPECIFICPARAMS | DIEP_GAIN, [](Desc& d) { d.eff.lpvTypeSpecificParams = NULL; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dwFlags);
    Desc d = Constant(-1);
    d.eff.dwGain = 1;
    d.Get();
    c.spoil(d);
    EXPECT_FALSE(server->UpdateEffect(ET_RAMP, dwEffect, &d.eff, c.dwFlags));
    ExpectSame(Snapshot(FindRecord(server.get(), dwEffect)), before);
  }
  // Arrays that the flags do not name are not needed.
  Desc d = Constant(-1);
  d.eff.dwGain = 1;
  d.Get();
  d.eff.rgdwAxes = NULL;
  d.eff.rglDirection = NULL;
  EXPECT_TRUE(server->UpdateEffect(ET_CONSTANT, dwEffect, &d.eff, DIEP_GAIN));
  EXPECT_EQ(FindRecord(server.get(), dwEffect)->dwGain, 1u);
}

}  // namespace
}  // namespace fftest

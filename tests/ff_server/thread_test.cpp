// The real playback thread: it plays what the store holds, the store may be
// used while it runs, and deleting the server stops it before anything is
// freed. Real time: conditions are awaited with bounded polling.
#include <functional>

#include "ff_server_fixture.h"

namespace fftest {
namespace {

// Polls cond every millisecond for up to dwTimeoutMs of real time.
bool WaitFor(const std::function<bool()>& cond, DWORD dwTimeoutMs = 5000) {
  for (DWORD i = 0; i < dwTimeoutMs; ++i) {
    if (cond()) return true;
    Sleep(1);
  }
  return cond();
}

bool HasReport(const sim::HidDevice& device, const std::vector<BYTE>& bytes) {
  for (const auto& r : ReportBytes(device))
    if (r == bytes) return true;
  return false;
}

class FFServerThreadTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    sim::ThawClock();
  }
};

TEST_F(FFServerThreadTest, PlaysStopsAndEndsBeforeTheEffectsAreFreed) {
  ASSERT_TRUE(server->Start());
  DWORD dwEffect = 0;
  Desc d = Constant(10000, INFINITE);
  ASSERT_TRUE(server->AddEffect(ET_CONSTANT, &dwEffect, d.Get(), DIEP_ALLPARAMS));
  ASSERT_TRUE(server->PlayEffect(dwEffect));
  EXPECT_TRUE(WaitFor([&] { return HasReport(*device, Bytes(0x00, 0x1F, 0x00, 0x00)); }));
  EXPECT_TRUE(WaitFor([&] { return server->m_dwDevState.load() == EFFECT_PLAYING; }));

  device->Clear();
  ASSERT_TRUE(server->HaltAll());
  // The command's own zero report, then the step sees the fall to (0, 0):
  // one write and five repeats, and nothing after them.
  EXPECT_TRUE(WaitFor([&] { return device->ReportCount() >= 7; }));
  Sleep(20);
  EXPECT_EQ(device->ReportCount(), 7u);
  EXPECT_TRUE(WaitFor([&] { return server->m_dwDevState.load() == EFFECT_STOPPED; }));

  device->Clear();
  ASSERT_TRUE(server->PlayEffect(dwEffect));
  EXPECT_TRUE(WaitFor([&] { return HasReport(*device, Bytes(0x00, 0x1F, 0x00, 0x00)); }));
  device->Clear();
  server.reset();
  // The teardown's all-off report is the last one; the thread writes no more.
  const auto reports = ReportBytes(*device);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back(), Bytes(0, 0, 0, 0));
  Sleep(20);
  EXPECT_EQ(device->ReportCount(), reports.size());
}

TEST_F(FFServerThreadTest, StoreIsUsableWhileThePlaybackRuns) {
  ASSERT_TRUE(server->Start());
  for (int i = 0; i < 200; ++i) {
    Desc d = Periodic(10000, 0, 0, 20000, 5000);
    DWORD dwEffect = 0;
    ASSERT_TRUE(server->AddEffect(ET_SINE, &dwEffect, d.Get(), DIEP_ALLPARAMS));
    ASSERT_EQ(dwEffect, 1u);  // each one is removed again below
    ASSERT_TRUE(server->PlayEffect(dwEffect));
    server->m_dwGain = static_cast<DWORD>(i * 50);
    Desc next = Ramp(-3000, 3000, 2000);
    ASSERT_TRUE(server->UpdateEffect(ET_RAMP, dwEffect, next.Get(), DIEP_TYPESPECIFICPARAMS | DIEP_START));
    (void)server->m_dwDevState.load();  // read without the lock, as the driver does
    if (i % 3 == 0) {
      ASSERT_TRUE(server->PauseAll());
      // The step never changes a paused effect.
      EXPECT_EQ(server->QueryEffectState(dwEffect), (DWORD)EFFECT_PAUSED);
    }
    if (i % 3 == 1) {
      ASSERT_TRUE(server->ResumeAll());
    }
    ASSERT_TRUE(server->RemoveEffect(dwEffect));
  }
  EXPECT_EQ(server->QueryEffectState(1), (DWORD)EFFECT_STOPPED);
}

TEST_F(FFServerThreadTest, ConcurrentServersShareTheFiveZeroRepeats) {
  std::shared_ptr<sim::HidDevice> second = sim::AddHidDevice(kSecondDevicePath);
  std::unique_ptr<FFServer> other(MakeServer(1, kSecondDevicePath));
  ASSERT_TRUE(server->Start());
  ASSERT_TRUE(other->Start());
  EXPECT_TRUE(WaitFor([&] { return device->ReportCount() + second->ReportCount() >= 5; }));
  Sleep(50);  // many more steps of both threads
  EXPECT_EQ(device->ReportCount() + second->ReportCount(), 5u);
  EXPECT_EQ(g_nZeroReports.load(), 5u);
}

}  // namespace
}  // namespace fftest

// The simulated clock: frozen, stepped, wrapping at 2^32, and Sleep on it.
#include "platform/sim/sim.h"

#include <gtest/gtest.h>

namespace {

class SimClock : public ::testing::Test {
 protected:
  void TearDown() override { sim::ThawClock(); }
};

TEST_F(SimClock, FrozenClockMovesOnlyWhenStepped) {
  sim::FreezeClock(1000);
  EXPECT_TRUE(sim::IsClockFrozen());
  EXPECT_EQ(GetTickCount(), 1000u);
  Sleep(20);
  EXPECT_EQ(GetTickCount(), 1000u);
  sim::StepClock(250);
  EXPECT_EQ(GetTickCount(), 1250u);
  sim::SetTick(77);
  EXPECT_EQ(GetTickCount(), 77u);
}

TEST_F(SimClock, FrozenClockWrapsAtTwoToThe32) {
  sim::FreezeClock(0xFFFFFFF0u);
  DWORD dwStart = GetTickCount();
  sim::StepClock(0x20);
  EXPECT_EQ(GetTickCount(), 0x10u);
  EXPECT_EQ(GetTickCount() - dwStart, 0x20u);
}

TEST_F(SimClock, ThawedClockGoesOnFromTheFrozenTick) {
  sim::FreezeClock(5000);
  sim::ThawClock();
  EXPECT_FALSE(sim::IsClockFrozen());
  DWORD dwNow = GetTickCount();
  EXPECT_GE(dwNow, 5000u);
  EXPECT_LT(dwNow, 5000u + 10000u);
}

TEST_F(SimClock, RunningClockWraps) {
  sim::SetTick(0xFFFFFFFFu - 20);
  DWORD dwBefore = GetTickCount();
  EXPECT_GE(dwBefore, 0xFFFFFFFFu - 20);
  DWORD dwAfter = dwBefore;
  for (int i = 0; i < 400 && dwAfter >= dwBefore; ++i) {
    Sleep(5);
    dwAfter = GetTickCount();
  }
  EXPECT_LT(dwAfter, dwBefore);  // wrapped through zero
  EXPECT_LT(dwAfter - dwBefore, 10000u);
}

DWORD WINAPI SleepLong(LPVOID) {
  Sleep(600000);
  return 7;
}

TEST_F(SimClock, SleepOnFrozenClockReturnsWithoutAdvancing) {
  sim::FreezeClock(42);
  HANDLE hThread = CreateThread(nullptr, 0, SleepLong, nullptr, 0, nullptr);
  ASSERT_NE(hThread, nullptr);
  // Ten minutes of Sleep must not be slept while the clock is frozen.
  ASSERT_EQ(WaitForSingleObject(hThread, 10000), WAIT_OBJECT_0);
  DWORD dwExit = 0;
  GetExitCodeThread(hThread, &dwExit);
  EXPECT_EQ(dwExit, 7u);
  CloseHandle(hThread);
  EXPECT_EQ(GetTickCount(), 42u);
}

}  // namespace

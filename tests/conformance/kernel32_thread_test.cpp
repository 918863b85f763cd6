// Threads, critical sections, events, handles and the per-thread last error.
#include "platform/win32.h"

#include <gtest/gtest.h>

namespace {

struct RunRecord {
  LONG volatile lRan = 0;
  DWORD dwSeenThreadId = 0;
};

DWORD WINAPI RecordRun(LPVOID pv) {
  RunRecord* pRecord = static_cast<RunRecord*>(pv);
  pRecord->dwSeenThreadId = GetCurrentThreadId();
  InterlockedExchange(&pRecord->lRan, 1);
  return 0x1234u;
}

TEST(Kernel32Thread, SuspendedThreadRunsOnlyAfterResume) {
  RunRecord record;
  DWORD dwThreadId = 0xdeadbeef;
  HANDLE hThread = CreateThread(nullptr, 0, RecordRun, &record, CREATE_SUSPENDED, &dwThreadId);
  ASSERT_NE(hThread, nullptr);
  EXPECT_NE(dwThreadId, 0xdeadbeefu);
  EXPECT_NE(dwThreadId, GetCurrentThreadId());

  EXPECT_EQ(WaitForSingleObject(hThread, 50), WAIT_TIMEOUT);
  EXPECT_EQ(InterlockedCompareExchange(&record.lRan, 0, 0), 0);
  DWORD dwExit = 0xdeadbeef;
  ASSERT_TRUE(GetExitCodeThread(hThread, &dwExit));
  EXPECT_EQ(dwExit, STILL_ACTIVE);

  EXPECT_EQ(ResumeThread(hThread), 1u);
  ASSERT_EQ(WaitForSingleObject(hThread, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(record.lRan, 1);
  EXPECT_EQ(record.dwSeenThreadId, dwThreadId);
  ASSERT_TRUE(GetExitCodeThread(hThread, &dwExit));
  EXPECT_EQ(dwExit, 0x1234u);
  // A finished thread stays signalled; resuming it reports a count of 0.
  EXPECT_EQ(WaitForSingleObject(hThread, 0), WAIT_OBJECT_0);
  EXPECT_EQ(ResumeThread(hThread), 0u);
  EXPECT_TRUE(CloseHandle(hThread));
}

TEST(Kernel32Thread, UnsuspendedThreadRunsAtOnce) {
  RunRecord record;
  HANDLE hThread = CreateThread(nullptr, 0, RecordRun, &record, 0, nullptr);
  ASSERT_NE(hThread, nullptr);
  ASSERT_EQ(WaitForSingleObject(hThread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(record.lRan, 1);
  EXPECT_TRUE(CloseHandle(hThread));
}

TEST(Kernel32Handle, ClosedHandleIsInvalid) {
  HANDLE hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(hEvent, nullptr);
  ASSERT_TRUE(CloseHandle(hEvent));
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CloseHandle(hEvent));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(WaitForSingleObject(hEvent, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

DWORD WINAPI SetOwnLastError(LPVOID) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  return GetLastError();
}

TEST(Kernel32Thread, LastErrorIsPerThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  HANDLE hThread = CreateThread(nullptr, 0, SetOwnLastError, nullptr, 0, nullptr);
  ASSERT_NE(hThread, nullptr);
  ASSERT_EQ(WaitForSingleObject(hThread, INFINITE), WAIT_OBJECT_0);
  DWORD dwExit = 0;
  ASSERT_TRUE(GetExitCodeThread(hThread, &dwExit));
  EXPECT_EQ(dwExit, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  CloseHandle(hThread);
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

DWORD WINAPI TryEnterFromOtherThread(LPVOID pv) {
  LPCRITICAL_SECTION pcs = static_cast<LPCRITICAL_SECTION>(pv);
  if (!TryEnterCriticalSection(pcs)) return 0;
  LeaveCriticalSection(pcs);
  return 1;
}

DWORD RunAndWait(LPTHREAD_START_ROUTINE pfn, LPVOID pv) {
  HANDLE hThread = CreateThread(nullptr, 0, pfn, pv, 0, nullptr);
  if (!hThread) return 0xFFFFFFFFu;
  WaitForSingleObject(hThread, INFINITE);
  DWORD dwExit = 0xFFFFFFFFu;
  GetExitCodeThread(hThread, &dwExit);
  CloseHandle(hThread);
  return dwExit;
}

TEST(Kernel32CriticalSection, OwnerMayEnterAgainAndOthersWaitForTheLastLeave) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));
  EXPECT_EQ(RunAndWait(TryEnterFromOtherThread, &cs), 0u);
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  EXPECT_EQ(RunAndWait(TryEnterFromOtherThread, &cs), 0u);
  LeaveCriticalSection(&cs);
  EXPECT_EQ(RunAndWait(TryEnterFromOtherThread, &cs), 1u);
  DeleteCriticalSection(&cs);
}

struct SharedCounter {
  CRITICAL_SECTION cs;
  long lValue = 0;  // guarded by cs
};

DWORD WINAPI CountUnderLock(LPVOID pv) {
  SharedCounter* pCounter = static_cast<SharedCounter*>(pv);
  for (int i = 0; i < 20000; ++i) {
    EnterCriticalSection(&pCounter->cs);
    long lRead = pCounter->lValue;
    if ((i & 255) == 0) Sleep(0);  // invite a switch inside the section
    pCounter->lValue = lRead + 1;
    LeaveCriticalSection(&pCounter->cs);
  }
  return 0;
}

TEST(Kernel32CriticalSection, ExcludesOtherThreads) {
  SharedCounter counter;
  InitializeCriticalSection(&counter.cs);
  HANDLE hThreads[4];
  for (HANDLE& hThread : hThreads) {
    hThread = CreateThread(nullptr, 0, CountUnderLock, &counter, 0, nullptr);
    ASSERT_NE(hThread, nullptr);
  }
  for (HANDLE hThread : hThreads) {
    EXPECT_EQ(WaitForSingleObject(hThread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(hThread);
  }
  EXPECT_EQ(counter.lValue, 4 * 20000);
  DeleteCriticalSection(&counter.cs);
}

TEST(Kernel32Event, ManualResetStaysSignalledUntilReset) {
  HANDLE hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(hEvent, nullptr);
  EXPECT_EQ(WaitForSingleObject(hEvent, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(SetEvent(hEvent));
  EXPECT_EQ(WaitForSingleObject(hEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(hEvent, 0), WAIT_OBJECT_0);
  ASSERT_TRUE(ResetEvent(hEvent));
  EXPECT_EQ(WaitForSingleObject(hEvent, 0), WAIT_TIMEOUT);
  CloseHandle(hEvent);
}

TEST(Kernel32Event, AutoResetReleasesOneWait) {
  HANDLE hEvent = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  ASSERT_NE(hEvent, nullptr);
  EXPECT_EQ(WaitForSingleObject(hEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(hEvent, 0), WAIT_TIMEOUT);
  CloseHandle(hEvent);
}

DWORD WINAPI WaitThenReport(LPVOID pv) {
  return WaitForSingleObject(static_cast<HANDLE>(pv), 10000) == WAIT_OBJECT_0 ? 1u : 0u;
}

TEST(Kernel32Event, SetEventWakesWaitingThread) {
  HANDLE hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ASSERT_NE(hEvent, nullptr);
  HANDLE hThread = CreateThread(nullptr, 0, WaitThenReport, hEvent, 0, nullptr);
  ASSERT_NE(hThread, nullptr);
  EXPECT_EQ(WaitForSingleObject(hThread, 20), WAIT_TIMEOUT);  // still waiting for the event
  ASSERT_TRUE(SetEvent(hEvent));
  ASSERT_EQ(WaitForSingleObject(hThread, 10000), WAIT_OBJECT_0);
  DWORD dwExit = 0;
  GetExitCodeThread(hThread, &dwExit);
  EXPECT_EQ(dwExit, 1u);
  CloseHandle(hThread);
  CloseHandle(hEvent);
}

TEST(Kernel32Time, TickCountAdvancesWhileSleeping) {
  // Waits for the condition with bounded polling; the tick resolution may be
  // 10 to 16 ms.
  DWORD dwStart = GetTickCount();
  DWORD dwElapsed = 0;
  for (int i = 0; i < 1000 && dwElapsed < 100; ++i) {
    Sleep(10);
    dwElapsed = GetTickCount() - dwStart;
  }
  EXPECT_GE(dwElapsed, 100u);
  EXPECT_LT(dwElapsed, 60000u);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ptrlist.h"
#include "qj_srvserver.h"
#include "qj_srvthread.h"
#include "srv_test_support.h"

namespace {

using srvtest::ClientLog;
using srvtest::ClientOptions;
using srvtest::FinishesInTime;
using srvtest::TestClient;
using srvtest::WaitFor;

const DWORD kNoThreadId = 0xFFFFFFFFu;

TEST(CoreSrvThreadTest, StartRunsTheStepOnTheWorkerUntilDeleted) {
  ClientLog log;
  TestClient* pClient = new TestClient(&log);
  EXPECT_EQ(pClient->GetState(), SRV_IDLE);
  EXPECT_EQ(pClient->GetThreadId(), kNoThreadId);

  ASSERT_TRUE(pClient->Start());
  EXPECT_EQ(log.nOnStart, 1);
  ASSERT_TRUE(WaitFor([&] { return log.nSteps >= 3; }));
  EXPECT_EQ(pClient->GetState(), SRV_RUNNING);
  EXPECT_NE(pClient->GetThreadId(), kNoThreadId);
  EXPECT_EQ(log.dwStepThread.load(), pClient->GetThreadId());
  EXPECT_NE(log.dwStepThread.load(), GetCurrentThreadId());
  EXPECT_NE(pClient->ThreadHandle(), nullptr);

  EXPECT_FALSE(pClient->Start());  // already running
  EXPECT_EQ(log.nOnStart, 1);

  delete pClient;
  EXPECT_EQ(log.nEndState, SRV_STOPPED);
  EXPECT_FALSE(log.bInStep);
  const int nSteps = log.nSteps;
  Sleep(20);
  EXPECT_EQ(log.nSteps, nSteps);  // no worker left calling the step
  EXPECT_EQ(log.nOnError, 0);
}

// True when h is no longer an open handle of the process.
bool HandleClosed(HANDLE h) {
  SetLastError(0);
  return WaitForSingleObject(h, 0) == WAIT_FAILED && GetLastError() == ERROR_INVALID_HANDLE;
}

TEST(CoreSrvThreadTest, DeletingClosesTheWorkerHandle) {
  ClientLog log;
  TestClient* pClient = new TestClient(&log);
  ASSERT_TRUE(pClient->Start());
  ASSERT_TRUE(WaitFor([&] { return log.nSteps >= 1; }));
  const HANDLE hWorker = pClient->ThreadHandle();
  ASSERT_NE(hWorker, nullptr);
  pClient->StopAndWait();
  // An ended worker's handle stays open until the object goes.
  EXPECT_EQ(WaitForSingleObject(hWorker, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(pClient->ThreadHandle(), hWorker);

  delete pClient;
  EXPECT_TRUE(HandleClosed(hWorker));
}

// Stop right after Start, before the worker has taken over: the stop waits
// for the worker to run and is taken up by it, never by a worker that has
// not started yet (which would end in SRV_ABORTED).
TEST(CoreSrvThreadTest, StartFollowedAtOnceByStopEndsStopped) {
  for (int nRun = 0; nRun < 20; ++nRun) {
    SCOPED_TRACE(nRun);
    ClientLog log;
    TestClient client(&log);
    ASSERT_TRUE(client.Start());
    EXPECT_TRUE(client.Stop());
    EXPECT_NE(client.GetState(), SRV_STARTING);
    ASSERT_TRUE(FinishesInTime([&] { client.StopAndWait(); }));
    EXPECT_EQ(client.GetState(), SRV_STOPPED);
    EXPECT_EQ(log.nOnError, 0);
  }
}

TEST(CoreSrvThreadTest, DeletingANeverStartedObjectWaitsForNothing) {
  ClientLog log;
  TestClient* pClient = new TestClient(&log);
  ASSERT_TRUE(FinishesInTime([pClient] { delete pClient; }));
  EXPECT_EQ(log.nEndState, SRV_IDLE);
  EXPECT_EQ(log.nOnStart, 0);
  EXPECT_EQ(log.nSteps, 0);
}

TEST(CoreSrvThreadTest, StopOnANeverStartedObjectStopsItAndAllowsAStart) {
  ClientLog log;
  TestClient client(&log);
  EXPECT_TRUE(client.Stop());
  EXPECT_EQ(client.GetState(), SRV_STOPPED);
  EXPECT_EQ(client.ThreadHandle(), nullptr);
  EXPECT_EQ(client.GetThreadId(), kNoThreadId);
  EXPECT_EQ(log.nOnStart, 0);

  ASSERT_TRUE(client.Start());
  EXPECT_TRUE(WaitFor([&] { return log.nSteps >= 1; }));
}

TEST(CoreSrvThreadTest, StopEndsTheWorkerWithStopped) {
  ClientLog log;
  TestClient client(&log);
  ASSERT_TRUE(client.Start());
  ASSERT_TRUE(WaitFor([&] { return log.nSteps >= 1; }));
  EXPECT_TRUE(client.Stop());
  EXPECT_TRUE(WaitFor([&] { return client.GetState() == SRV_STOPPED; }));
  ASSERT_TRUE(FinishesInTime([&] { client.StopAndWait(); }));
  EXPECT_EQ(client.GetState(), SRV_STOPPED);
}

TEST(CoreSrvThreadTest, FailingStepCallsOnErrorOnceOnTheWorkerAndAborts) {
  ClientLog log;
  ClientOptions options;
  options.nFailAtStep = 3;
  TestClient client(&log, options);
  ASSERT_TRUE(client.Start());
  ASSERT_TRUE(WaitFor([&] { return client.GetState() == SRV_ABORTED; }));
  const DWORD dwWorker = client.GetThreadId();

  EXPECT_EQ(log.nSteps, 3);  // no step after the failing one
  EXPECT_EQ(log.nOnError, 1);
  EXPECT_EQ(log.dwErrorThread.load(), dwWorker);

  EXPECT_FALSE(client.Start());  // aborted is final
  EXPECT_EQ(log.nOnStart, 1);
  EXPECT_TRUE(client.Stop());
  EXPECT_EQ(client.GetState(), SRV_ABORTED);
  ASSERT_TRUE(FinishesInTime([&] { client.StopAndWait(); }));
  EXPECT_EQ(client.GetState(), SRV_ABORTED);
  EXPECT_EQ(log.nOnError, 1);
  EXPECT_EQ(log.nSteps, 3);
}

TEST(CoreSrvThreadTest, RefusingOnStartLeavesIdleWithoutThread) {
  ClientLog log;
  ClientOptions options;
  options.bAllowStart = FALSE;
  TestClient client(&log, options);
  EXPECT_FALSE(client.Start());
  EXPECT_EQ(log.nOnStart, 1);
  EXPECT_EQ(client.GetState(), SRV_IDLE);
  EXPECT_EQ(client.ThreadHandle(), nullptr);
  EXPECT_EQ(client.GetThreadId(), kNoThreadId);
  Sleep(10);
  EXPECT_EQ(log.nSteps, 0);

  client.SetOptions(ClientOptions());
  ASSERT_TRUE(client.Start());  // idle again, so a later start is accepted
  EXPECT_TRUE(WaitFor([&] { return log.nSteps >= 1; }));
}

TEST(CoreSrvThreadTest, RestartAfterStopRunsANewWorker) {
  ClientLog log;
  TestClient client(&log);
  ASSERT_TRUE(client.Start());
  ASSERT_TRUE(WaitFor([&] { return log.nSteps >= 1; }));
  client.StopAndWait();
  ASSERT_EQ(client.GetState(), SRV_STOPPED);
  const int nSteps = log.nSteps;
  const HANDLE hFirst = client.ThreadHandle();
  const DWORD dwFirst = client.GetThreadId();

  ASSERT_TRUE(client.Start());
  EXPECT_EQ(log.nOnStart, 2);
  ASSERT_TRUE(WaitFor([&] { return log.nSteps > nSteps; }));
  EXPECT_EQ(client.GetState(), SRV_RUNNING);
  EXPECT_NE(client.GetThreadId(), dwFirst);
  EXPECT_EQ(log.dwStepThread.load(), client.GetThreadId());
  EXPECT_TRUE(HandleClosed(hFirst)) << "the ended worker's handle is not leaked";
}

// Start waits for a stop request to be taken up: the worker ends, and a new
// one starts.
TEST(CoreSrvThreadTest, StartRightAfterStopWaitsForTheWorkerAndStartsAgain) {
  ClientLog log;
  TestClient client(&log);
  ASSERT_TRUE(client.Start());
  ASSERT_TRUE(WaitFor([&] { return log.nSteps >= 1; }));
  const DWORD dwFirst = client.GetThreadId();
  ASSERT_TRUE(client.Stop());
  ASSERT_TRUE(client.Start());
  EXPECT_EQ(log.nOnStart, 2);
  EXPECT_NE(client.GetThreadId(), dwFirst);
  const int nSteps = log.nSteps;
  EXPECT_TRUE(WaitFor([&] { return log.nSteps > nSteps; }));
  EXPECT_EQ(client.GetState(), SRV_RUNNING);
}

TEST(CoreSrvThreadTest, RefusedRestartLeavesNoThreadAndNoThreadId) {
  ClientLog log;
  TestClient client(&log);
  ASSERT_TRUE(client.Start());
  ASSERT_TRUE(WaitFor([&] { return log.nSteps >= 1; }));
  client.StopAndWait();
  const HANDLE hFirst = client.ThreadHandle();
  ASSERT_NE(client.GetThreadId(), kNoThreadId);

  ClientOptions refuse;
  refuse.bAllowStart = FALSE;
  client.SetOptions(refuse);
  EXPECT_FALSE(client.Start());
  EXPECT_EQ(client.GetState(), SRV_IDLE);
  EXPECT_EQ(client.GetThreadId(), kNoThreadId);
  EXPECT_EQ(client.ThreadHandle(), nullptr);
  EXPECT_TRUE(HandleClosed(hFirst));
}

TEST(CoreSrvThreadTest, StartIsRefusedUnlessIdleOrStopped) {
  for (SrvState s : {SRV_RUNNING, SRV_PAUSED, SRV_ABORTED}) {
    SCOPED_TRACE(s);
    ClientLog log;
    TestClient client(&log);
    client.ForceState(s);
    EXPECT_FALSE(client.Start());
    EXPECT_EQ(client.GetState(), s);
    EXPECT_EQ(log.nOnStart, 0);
    EXPECT_EQ(client.ThreadHandle(), nullptr);
    client.ForceState(SRV_STOPPED);
  }
}

TEST(CoreSrvThreadTest, StopMovesEachSettledStateAsDefined) {
  struct Case {
    SrvState from;
    SrvState to;
  };
  const Case cases[] = {
      {SRV_IDLE, SRV_STOPPED},         {SRV_STOPPED, SRV_STOPPED},         {SRV_ABORTED, SRV_ABORTED},
      {SRV_RUNNING, SRV_STOP_REQUESTED}, {SRV_PAUSED, SRV_STOP_REQUESTED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    ClientLog log;
    TestClient client(&log);
    client.ForceState(c.from);
    EXPECT_TRUE(client.Stop());
    EXPECT_EQ(client.GetState(), c.to);
    client.ForceState(SRV_STOPPED);
  }
}

TEST(CoreSrvThreadTest, WaitSettledWithoutThreadEndsRequestsAndFailures) {
  struct Case {
    SrvState from;
    SrvState to;
  };
  const Case cases[] = {
      {SRV_STOP_REQUESTED, SRV_STOPPED}, {SRV_PAUSE_REQUESTED, SRV_STOPPED}, {SRV_RESUME_REQUESTED, SRV_STOPPED},
      {SRV_FAILED, SRV_STOPPED},         {SRV_IDLE, SRV_IDLE},               {SRV_RUNNING, SRV_RUNNING},
      {SRV_PAUSED, SRV_PAUSED},          {SRV_STOPPED, SRV_STOPPED},         {SRV_ABORTED, SRV_ABORTED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    ClientLog log;
    TestClient* pClient = new TestClient(&log);
    pClient->ForceState(c.from);
    ASSERT_TRUE(FinishesInTime([pClient] { pClient->WaitSettled(); }));
    EXPECT_EQ(pClient->GetState(), c.to);
    pClient->ForceState(SRV_STOPPED);
    delete pClient;
  }
}

TEST(CoreSrvThreadTest, PauseAndResumeAreRefusedAtOnceWithoutPausing) {
  // SRV_FAILED without a thread would turn into SRV_STOPPED if either call
  // waited for the state to settle.
  ClientLog log;
  TestClient client(&log);
  CQJ_SrvServer server(NULL, NULL);
  ASSERT_EQ(server.GetClient(0), nullptr);
  ASSERT_EQ(server.GetState(), SRV_FAILED);
  client.ForceState(SRV_FAILED);

  for (CQJ_SrvThread* pThread : std::vector<CQJ_SrvThread*>{&client, &server}) {
    EXPECT_FALSE(pThread->CanPause());
    EXPECT_FALSE(pThread->Pause());
    EXPECT_EQ(pThread->GetState(), SRV_FAILED);
    EXPECT_FALSE(pThread->Resume());
    EXPECT_EQ(pThread->GetState(), SRV_FAILED);
  }
  EXPECT_EQ(log.nOnPause, 0);
  client.ForceState(SRV_STOPPED);

  // A running client goes on running.
  ClientLog runLog;
  TestClient running(&runLog);
  ASSERT_TRUE(running.Start());
  ASSERT_TRUE(WaitFor([&] { return runLog.nSteps >= 1; }));
  EXPECT_FALSE(running.Pause());
  EXPECT_FALSE(running.Resume());
  EXPECT_EQ(running.GetState(), SRV_RUNNING);
  const int nSteps = runLog.nSteps;
  EXPECT_TRUE(WaitFor([&] { return runLog.nSteps > nSteps; }));

  // The plain client branch, as the playback server inherits it.
  CQJ_SrvClient plain(0, 0, NULL, NULL);
  ASSERT_TRUE(plain.Start());
  plain.WaitSettled();
  EXPECT_FALSE(plain.CanPause());
  EXPECT_FALSE(plain.Pause());
  EXPECT_FALSE(plain.Resume());
  EXPECT_EQ(plain.GetState(), SRV_RUNNING);
}

TEST(CoreSrvThreadTest, PausableWorkerPausesIdlesAndResumes) {
  ClientLog log;
  ClientOptions options;
  options.bCanPause = TRUE;
  TestClient client(&log, options);
  EXPECT_FALSE(client.Pause());  // idle: nothing to pause
  EXPECT_FALSE(client.Resume());
  EXPECT_EQ(client.GetState(), SRV_IDLE);

  ASSERT_TRUE(client.Start());
  ASSERT_TRUE(WaitFor([&] { return log.nSteps >= 1; }));
  EXPECT_TRUE(client.Resume());  // running: already resumed
  ASSERT_TRUE(client.Pause());
  ASSERT_TRUE(FinishesInTime([&] { client.WaitSettled(); }));
  EXPECT_EQ(client.GetState(), SRV_PAUSED);
  EXPECT_EQ(log.nOnPause, 1);
  EXPECT_TRUE(client.Pause());  // paused: already paused
  const int nSteps = log.nSteps;
  ASSERT_TRUE(WaitFor([&] { return log.nIdleSteps >= 3; }));
  EXPECT_EQ(log.nSteps, nSteps);

  ASSERT_TRUE(client.Resume());
  ASSERT_TRUE(FinishesInTime([&] { client.WaitSettled(); }));
  EXPECT_EQ(client.GetState(), SRV_RUNNING);
  EXPECT_EQ(log.nOnResume, 1);
  EXPECT_TRUE(WaitFor([&] { return log.nSteps > nSteps; }));

  // A paused worker also ends on request.
  ASSERT_TRUE(client.Pause());
  client.WaitSettled();
  ASSERT_TRUE(FinishesInTime([&] { client.StopAndWait(); }));
  EXPECT_EQ(client.GetState(), SRV_STOPPED);
}

TEST(CoreSrvThreadTest, WorkerEndsAtOnceUnlessItFindsStarting) {
  EXPECT_EQ(CQJ_SrvThread::ThreadProc(NULL), 0u);
  struct Case {
    SrvState found;
    SrvState end;
  };
  const Case cases[] = {
      {SRV_STOP_REQUESTED, SRV_ABORTED}, {SRV_IDLE, SRV_STOPPED}, {SRV_RUNNING, SRV_STOPPED},
      {SRV_STOPPED, SRV_STOPPED},        {SRV_FAILED, SRV_STOPPED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.found);
    ClientLog log;
    TestClient client(&log);
    client.ForceState(c.found);
    EXPECT_EQ(CQJ_SrvThread::ThreadProc(&client), 0u);
    EXPECT_EQ(client.GetState(), c.end);
    EXPECT_EQ(log.nSteps, 0);
    EXPECT_EQ(log.nOnError, 0);
  }
}

TEST(CoreSrvThreadTest, LockIsRecursiveAndExcludesOtherThreads) {
  ClientLog log;
  TestClient client(&log);
  std::atomic<bool> bEntered{false};
  client.Lock();
  client.Lock();
  std::thread other([&] {
    client.Lock();
    bEntered = true;
    client.Unlock();
  });
  client.Unlock();
  Sleep(20);
  EXPECT_FALSE(bEntered);  // still held once
  client.Unlock();
  other.join();
  EXPECT_TRUE(bEntered);
}

TEST(CoreSrvThreadTest, QueueHasNoEntries) {
  ClientLog log;
  TestClient client(&log);
  EXPECT_EQ(client.PopQueued(), nullptr);
  EXPECT_EQ(client.RemoveQueued(), nullptr);
  EXPECT_EQ(client.GetQueuedCount(), 0u);
  EXPECT_EQ(client.GetClientCount(), 0u);
  EXPECT_EQ(client.GetClient(0), nullptr);
  EXPECT_EQ(client.GetState(), SRV_IDLE);
}

// Index of a virtual function in its vtable, from the Itanium C++ ABI form of a
// pointer to member function (vtable byte offset + 1).
template <typename F>
long VirtualSlot(F f) {
  struct {
    uintptr_t ptr;
    ptrdiff_t adj;
  } rep;
  static_assert(sizeof(f) == sizeof(rep), "Itanium member pointer");
  std::memcpy(&rep, &f, sizeof(rep));
  if ((rep.ptr & 1) == 0) return -1;
  return static_cast<long>((rep.ptr - 1) / sizeof(void*));
}

TEST(CoreSrvThreadTest, VirtualOperationsKeepTheirSlotOrder) {
  // After the destructor's entries, in this order.
  const long slots[] = {
      VirtualSlot(&CQJ_SrvThread::AddRef),         VirtualSlot(&CQJ_SrvThread::Release),
      VirtualSlot(&CQJ_SrvThread::Start),          VirtualSlot(&CQJ_SrvThread::Stop),
      VirtualSlot(&CQJ_SrvThread::Pause),          VirtualSlot(&CQJ_SrvThread::Resume),
      VirtualSlot(&CQJ_SrvThread::GetThreadId),    VirtualSlot(&CQJ_SrvThread::GetState),
      VirtualSlot(&CQJ_SrvThread::CanPause),       VirtualSlot(&CQJ_SrvThread::PopQueued),
      VirtualSlot(&CQJ_SrvThread::GetQueuedCount), VirtualSlot(&CQJ_SrvThread::GetClientCount),
      VirtualSlot(&CQJ_SrvThread::GetClient),      VirtualSlot(&CQJ_SrvThread::Lock),
      VirtualSlot(&CQJ_SrvThread::Unlock),         VirtualSlot(&CQJ_SrvThread::OnStart),
      VirtualSlot(&CQJ_SrvThread::RunStep),        VirtualSlot(&CQJ_SrvThread::IdleStep),
      VirtualSlot(&CQJ_SrvThread::OnPause),        VirtualSlot(&CQJ_SrvThread::OnResume),
      VirtualSlot(&CQJ_SrvThread::OnError),        VirtualSlot(&CQJ_SrvThread::ReapClients),
  };
  ASSERT_GT(slots[0], 0);  // the destructor comes first
  for (size_t i = 0; i < sizeof(slots) / sizeof(slots[0]); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(slots[i], slots[0] + static_cast<long>(i));
  }
  EXPECT_EQ(VirtualSlot(&CQJ_DayLog::WriteLog), slots[1] + 1);
  EXPECT_EQ(VirtualSlot(&CQJ_SrvClient::CanPause), VirtualSlot(&CQJ_SrvThread::CanPause));
  EXPECT_EQ(VirtualSlot(&CQJ_SrvServer::GetClient), VirtualSlot(&CQJ_SrvThread::GetClient));
  EXPECT_EQ(VirtualSlot(&CQJ_SrvServer::ReapClients), VirtualSlot(&CQJ_SrvThread::ReapClients));
}

// A host-like service: a list owned by the service and walked by its step
// under the lock, fed by a controlling thread, as a playback server is.
struct Item : PtrListNode {
  int nVisits;
};

class ListService : public CQJ_SrvClient {
 public:
  ListService(std::atomic<int>* pnFreed, std::atomic<int>* pnPasses)
      : CQJ_SrvClient(0, 0, NULL, NULL), m_pnFreed(pnFreed), m_pnPasses(pnPasses) {
    PtrList::Init(&m_Items);
  }
  ~ListService() override {
    StopAndWait();
    while (PtrListNode* pNode = PtrList::RemoveHead(&m_Items)) delete static_cast<Item*>(pNode);
  }
  void Add(Item* pItem) {
    Lock();
    Lock();  // nested, as an operation calling another under the lock
    PtrList::AddTail(&m_Items, pItem);
    Unlock();
    Unlock();
  }
  DWORD Count() {
    Lock();
    const DWORD n = m_Items.nCount;
    Unlock();
    return n;
  }
  BOOL RunStep() override {
    Lock();
    RotatePtrList(&m_Items, [this](PtrListNode* pNode) {
      Item* pItem = static_cast<Item*>(pNode);
      if (++pItem->nVisits < 5) return true;
      delete pItem;
      ++*m_pnFreed;
      return false;
    });
    ++*m_pnPasses;
    Unlock();
    Sleep(1);
    return TRUE;
  }

 private:
  PtrList m_Items;
  std::atomic<int>* m_pnFreed;
  std::atomic<int>* m_pnPasses;
};

TEST(CoreSrvThreadTest, HostLikeServiceStepsOverItsListUntilStopped) {
  std::atomic<int> nFreed{0};
  std::atomic<int> nPasses{0};
  ListService* pService = new ListService(&nFreed, &nPasses);
  ASSERT_TRUE(pService->Start());
  const int kItems = 20;
  for (int i = 0; i < kItems; ++i) {
    pService->Add(new Item{{nullptr, nullptr}, 0});
    if (i % 5 == 0) Sleep(1);
  }
  ASSERT_TRUE(WaitFor([&] { return nFreed == kItems; }));
  EXPECT_EQ(pService->Count(), 0u);
  EXPECT_EQ(pService->GetState(), SRV_RUNNING);
  const int nPassesBefore = nPasses;
  EXPECT_TRUE(WaitFor([&] { return nPasses > nPassesBefore; }));  // still stepping

  pService->Add(new Item{{nullptr, nullptr}, 0});  // left for the destructor
  ASSERT_TRUE(FinishesInTime([pService] { delete pService; }));
  EXPECT_GE(nFreed, kItems);
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "qj_srvserver.h"
#include "srv_test_support.h"

namespace {

using srvtest::ClientLog;
using srvtest::ClientOptions;
using srvtest::FinishesInTime;
using srvtest::TestClient;
using srvtest::WaitFor;

TEST(CoreSrvServerTest, HandsOutClientsByPositionFromTheOldest) {
  ClientLog logs[3];
  CQJ_SrvServer server(NULL, NULL);
  TestClient* pClients[3];
  for (int i = 0; i < 3; ++i) {
    pClients[i] = new TestClient(&logs[i]);
    server.AddClient(pClients[i]);
  }
  EXPECT_EQ(server.GetClientCount(), 3u);
  for (DWORD i = 0; i < 3; ++i) EXPECT_EQ(server.GetClient(i), pClients[i]);
  EXPECT_EQ(server.GetState(), SRV_IDLE);

  EXPECT_EQ(server.GetClient(3), nullptr);  // index equal to the count
  EXPECT_EQ(server.GetState(), SRV_FAILED);
  EXPECT_EQ(server.GetClientCount(), 3u);
  EXPECT_EQ(server.GetClient(0xFFFFFFFFu), nullptr);

  // Taking the head off hands that client back to the caller.
  EXPECT_EQ(server.PopClient(), pClients[0]);
  EXPECT_EQ(server.GetClient(0), pClients[1]);
  EXPECT_EQ(server.GetClientCount(), 2u);
  EXPECT_EQ(logs[0].nDeleted, 0);
  delete pClients[0];
}

TEST(CoreSrvServerTest, EmptyListAndNullClientChangeNothing) {
  CQJ_SrvServer server(NULL, NULL);
  EXPECT_EQ(server.PopClient(), nullptr);
  server.AddClient(NULL);
  EXPECT_EQ(server.GetClientCount(), 0u);
  EXPECT_EQ(server.GetState(), SRV_IDLE);
  server.ReapClients();
  server.DeleteAllClients();
  EXPECT_EQ(server.GetState(), SRV_IDLE);
}

TEST(CoreSrvServerTest, ReapDeletesStoppedAndAbortedClientsOnly) {
  ClientLog stoppedLog, runningLog, abortedLog;
  TestClient* pStopped = new TestClient(&stoppedLog);
  TestClient* pRunning = new TestClient(&runningLog);
  ClientOptions failing;
  failing.nFailAtStep = 1;
  TestClient* pAborted = new TestClient(&abortedLog, failing);

  ASSERT_TRUE(pStopped->Start());
  ASSERT_TRUE(WaitFor([&] { return stoppedLog.nSteps >= 1; }));
  pStopped->StopAndWait();
  ASSERT_EQ(pStopped->GetState(), SRV_STOPPED);
  ASSERT_TRUE(pRunning->Start());
  ASSERT_TRUE(pAborted->Start());
  ASSERT_TRUE(WaitFor([&] { return pAborted->GetState() == SRV_ABORTED; }));
  ASSERT_TRUE(WaitFor([&] { return runningLog.nSteps >= 1; }));

  CQJ_SrvServer server(NULL, NULL);
  server.AddClient(pStopped);
  server.AddClient(pRunning);
  server.AddClient(pAborted);
  server.ReapClients();

  EXPECT_EQ(stoppedLog.nDeleted, 1);
  EXPECT_EQ(abortedLog.nDeleted, 1);
  EXPECT_EQ(runningLog.nDeleted, 0);
  ASSERT_EQ(server.GetClientCount(), 1u);
  EXPECT_EQ(server.GetClient(0), pRunning);
  EXPECT_EQ(pRunning->GetState(), SRV_RUNNING);
  EXPECT_EQ(server.GetState(), SRV_IDLE);
}

TEST(CoreSrvServerTest, ReapKeepsTheOrderOfTheClientsThatStay) {
  ClientLog logs[4];
  TestClient* pClients[4];
  CQJ_SrvServer server(NULL, NULL);
  for (int i = 0; i < 4; ++i) {
    pClients[i] = new TestClient(&logs[i]);
    if (i == 1) pClients[i]->Stop();  // never started: stopped at once
    server.AddClient(pClients[i]);
  }
  server.ReapClients();
  ASSERT_EQ(server.GetClientCount(), 3u);
  EXPECT_EQ(server.GetClient(0), pClients[0]);
  EXPECT_EQ(server.GetClient(1), pClients[2]);
  EXPECT_EQ(server.GetClient(2), pClients[3]);
  EXPECT_EQ(logs[1].nDeleted, 1);
}

// Every access to the client list is made under the server's lock.
TEST(CoreSrvServerTest, ListOperationsWaitForTheLockHolder) {
  struct Case {
    const char* pszName;
    std::function<void(CQJ_SrvServer&, TestClient*)> op;
    DWORD nCountAfter;
  };
  const Case cases[] = {
      {"AddClient", [](CQJ_SrvServer& s, TestClient* p) { s.AddClient(p); }, 2},
      {"GetClient", [](CQJ_SrvServer& s, TestClient*) { EXPECT_NE(s.GetClient(0), nullptr); }, 1},
      {"GetClientBeyondTheList", [](CQJ_SrvServer& s, TestClient*) { EXPECT_EQ(s.GetClient(1), nullptr); }, 1},
      {"GetClientCount", [](CQJ_SrvServer& s, TestClient*) { EXPECT_EQ(s.GetClientCount(), 1u); }, 1},
      {"PopClient", [](CQJ_SrvServer& s, TestClient*) { delete s.PopClient(); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszName);
    ClientLog logs[2];
    CQJ_SrvServer server(NULL, NULL);
    server.AddClient(new TestClient(&logs[0]));
    TestClient* pSecond = new TestClient(&logs[1]);
    EXPECT_TRUE(srvtest::WaitsForTheLock(&server, [&] { c.op(server, pSecond); }));
    EXPECT_EQ(server.GetClientCount(), c.nCountAfter);
    if (c.nCountAfter != 2) delete pSecond;
  }
}

// DeleteAllClients holds the lock for its whole run: while it deletes one
// client, no other thread reaches the list.
TEST(CoreSrvServerTest, DeletingAllClientsHoldsTheLockThroughout) {
  ClientLog logs[2];
  CQJ_SrvServer server(NULL, NULL);
  std::atomic<bool> bOtherDone{false};
  std::atomic<bool> bDoneDuringDelete{true};
  std::thread other;
  logs[0].fnOnDelete = [&] {
    other = std::thread([&] {
      server.GetClientCount();
      bOtherDone = true;
    });
    Sleep(50);
    bDoneDuringDelete = bOtherDone.load();
  };
  server.AddClient(new TestClient(&logs[0]));
  server.AddClient(new TestClient(&logs[1]));

  server.DeleteAllClients();
  other.join();
  EXPECT_FALSE(bDoneDuringDelete);
  EXPECT_EQ(logs[0].nDeleted, 1);
  EXPECT_EQ(logs[1].nDeleted, 1);
  EXPECT_EQ(server.GetClientCount(), 0u);
}

TEST(CoreSrvServerTest, DeletingTheServerDeletesRunningClientsBeforeItsWorkerEnds) {
  ClientLog logs[2];
  CQJ_SrvServer* pServer = new CQJ_SrvServer(NULL, NULL);
  ASSERT_TRUE(pServer->Start());
  std::atomic<int> nServerStateAtClientDelete[2] = {{-1}, {-1}};
  for (int i = 0; i < 2; ++i) {
    logs[i].fnOnDelete = [pServer, &nServerStateAtClientDelete, i] {
      nServerStateAtClientDelete[i] = pServer->GetState();
    };
    TestClient* pClient = new TestClient(&logs[i]);
    ASSERT_TRUE(pClient->Start());
    pServer->AddClient(pClient);
  }
  ASSERT_TRUE(WaitFor([&] { return logs[0].nSteps >= 1 && logs[1].nSteps >= 1; }));
  ASSERT_TRUE(WaitFor([&] { return pServer->GetState() == SRV_RUNNING; }));

  ASSERT_TRUE(FinishesInTime([pServer] { delete pServer; }));
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(logs[i].nDeleted, 1);
    EXPECT_EQ(logs[i].nEndState, SRV_STOPPED);
    EXPECT_EQ(nServerStateAtClientDelete[i], SRV_RUNNING);
  }
}

TEST(CoreSrvServerTest, FailedOperationAbortsARunningServer) {
  CQJ_SrvServer server(NULL, NULL);
  ASSERT_TRUE(server.Start());
  ASSERT_TRUE(WaitFor([&] { return server.GetState() == SRV_RUNNING; }));
  EXPECT_EQ(server.GetClient(0), nullptr);
  ASSERT_TRUE(WaitFor([&] { return server.GetState() == SRV_ABORTED; }));
  EXPECT_FALSE(server.Start());
}

TEST(CoreSrvServerTest, FailedOperationAfterTheWorkerEndedDoesNotHang) {
  CQJ_SrvServer* pServer = new CQJ_SrvServer(NULL, NULL);
  ASSERT_TRUE(pServer->Start());
  ASSERT_TRUE(WaitFor([&] { return pServer->GetState() == SRV_RUNNING; }));
  pServer->StopAndWait();
  ASSERT_EQ(pServer->GetState(), SRV_STOPPED);

  EXPECT_EQ(pServer->GetClient(0), nullptr);
  EXPECT_EQ(pServer->GetState(), SRV_FAILED);
  // Nobody is left to take up the failure; waiting for it must end.
  ASSERT_TRUE(FinishesInTime([pServer] { pServer->WaitSettled(); }));
  EXPECT_EQ(pServer->GetState(), SRV_STOPPED);
  EXPECT_EQ(pServer->GetClient(7), nullptr);
  ASSERT_TRUE(FinishesInTime([pServer] { delete pServer; }));
}

}  // namespace

// A server that cannot allocate a client node: the non-throwing operator new
// that the server uses is replaced in this program so that a chosen
// allocation fails.
#include <gtest/gtest.h>

#include "alloc_failure.h"
#include "qj_srvserver.h"
#include "srv_test_support.h"

namespace {

using srvtest::ClientLog;
using srvtest::TestClient;

TEST(CoreSrvServerAllocTest, ClientWithoutANodeIsNotAddedAndTheServerFails) {
  ClientLog logs[2];
  CQJ_SrvServer server(NULL, NULL);
  TestClient* pKept = new TestClient(&logs[0]);
  server.AddClient(pKept);
  ASSERT_EQ(server.GetState(), SRV_IDLE);

  TestClient* pRefused = new TestClient(&logs[1]);
  qjtest::FailNothrowAllocation(0);
  server.AddClient(pRefused);
  qjtest::FailNothrowAllocation(-1);
  EXPECT_EQ(server.GetState(), SRV_FAILED);
  EXPECT_EQ(server.GetClientCount(), 1u);
  EXPECT_EQ(server.PopClient(), pKept);
  EXPECT_EQ(logs[1].nDeleted, 0) << "the caller still owns the client";
  delete pRefused;
  delete pKept;
}

// A running client that the reaping pass cannot put back drops out of the
// list without being deleted.
TEST(CoreSrvServerAllocTest, ReapThatCannotPutAClientBackDropsIt) {
  ClientLog logs[2];
  CQJ_SrvServer server(NULL, NULL);
  TestClient* pStopped = new TestClient(&logs[0]);
  TestClient* pRunning = new TestClient(&logs[1]);
  pStopped->Stop();
  ASSERT_TRUE(pRunning->Start());
  server.AddClient(pStopped);
  server.AddClient(pRunning);

  qjtest::FailNothrowAllocation(0);
  server.ReapClients();
  qjtest::FailNothrowAllocation(-1);
  EXPECT_EQ(logs[0].nDeleted, 1);
  EXPECT_EQ(logs[1].nDeleted, 0);
  EXPECT_EQ(server.GetClientCount(), 0u);
  EXPECT_EQ(server.GetState(), SRV_FAILED);
  delete pRunning;
}

}  // namespace

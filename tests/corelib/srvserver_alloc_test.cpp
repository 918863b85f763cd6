// A server that cannot allocate a client node: the non-throwing operator new
// that the server uses is replaced in this program so that a chosen
// allocation fails.
#include <gtest/gtest.h>

#include <cstddef>
#include <new>

#include "qj_srvserver.h"
#include "srv_test_support.h"

namespace {

// Non-throwing allocations from now that succeed before one fails;
// negative: none fails.
int g_nAllocsBeforeFailure = -1;

void* AllocateOrFail(std::size_t cb, bool bArray) noexcept {
  if (g_nAllocsBeforeFailure == 0) {
    g_nAllocsBeforeFailure = -1;
    return nullptr;
  }
  if (g_nAllocsBeforeFailure > 0) --g_nAllocsBeforeFailure;
  try {
    return bArray ? ::operator new[](cb) : ::operator new(cb);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

void* operator new(std::size_t cb, const std::nothrow_t&) noexcept { return AllocateOrFail(cb, false); }
void* operator new[](std::size_t cb, const std::nothrow_t&) noexcept { return AllocateOrFail(cb, true); }

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
  g_nAllocsBeforeFailure = 0;
  server.AddClient(pRefused);
  g_nAllocsBeforeFailure = -1;
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

  g_nAllocsBeforeFailure = 0;
  server.ReapClients();
  g_nAllocsBeforeFailure = -1;
  EXPECT_EQ(logs[0].nDeleted, 1);
  EXPECT_EQ(logs[1].nDeleted, 0);
  EXPECT_EQ(server.GetClientCount(), 0u);
  EXPECT_EQ(server.GetState(), SRV_FAILED);
  delete pRunning;
}

}  // namespace

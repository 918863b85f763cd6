#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/sim.h"
#include "qj_object.h"

namespace {

class CountedObject : public CQJ_Object {
 public:
  explicit CountedObject(int* pnDeleted) : m_pnDeleted(pnDeleted) {}
  ~CountedObject() override { ++*m_pnDeleted; }
  LONG Count() const { return m_lRefCount; }

 private:
  int* m_pnDeleted;
};

TEST(CoreObjectTest, CountStartsAtZeroAndLastReleaseDeletesOnce) {
  int nDeleted = 0;
  CountedObject* pObject = new CountedObject(&nDeleted);
  EXPECT_EQ(pObject->Count(), 0);
  EXPECT_EQ(pObject->AddRef(), 1);
  EXPECT_EQ(pObject->AddRef(), 2);
  EXPECT_EQ(pObject->Release(), 1);
  EXPECT_EQ(nDeleted, 0);
  EXPECT_EQ(pObject->Release(), 0);
  EXPECT_EQ(nDeleted, 1);
}

TEST(CoreObjectTest, OwnerDeletesThroughTheVirtualDestructor) {
  int nDeleted = 0;
  CQJ_Object* pObject = new CountedObject(&nDeleted);
  delete pObject;
  EXPECT_EQ(nDeleted, 1);
}

TEST(CoreObjectTest, CountsFromManyThreadsWithoutLosingAChange) {
  int nDeleted = 0;
  CountedObject* pObject = new CountedObject(&nDeleted);
  pObject->AddRef();  // the test's own reference
  const int kThreads = 4;
  const int kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([pObject] {
      for (int i = 0; i < kRounds; ++i) pObject->AddRef();
      for (int i = 0; i < kRounds; ++i) pObject->Release();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(nDeleted, 0);
  EXPECT_EQ(pObject->Count(), 1);
  EXPECT_EQ(pObject->Release(), 0);
  EXPECT_EQ(nDeleted, 1);
}

std::set<std::string> TreeBelow(const std::filesystem::path& root) {
  std::set<std::string> entries;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    entries.insert(it->path().string());
  return entries;
}

TEST(CoreDayLogTest, RecordsNothingAnywhere) {
  const std::filesystem::path root = sim::MachineRoot();
  ASSERT_FALSE(root.empty());
  const std::set<std::string> before = TreeBelow(root);

  for (const char* pszFolder : {"c:\\FF\\Log", "c:\\FF\\Log\\Err", "", "relative\\log", "z:\\tmp\\qj-daylog"}) {
    SCOPED_TRACE(pszFolder);
    CQJ_DayLog* pLog = new CQJ_DayLog(pszFolder);
    pLog->WriteLog(0, "test", "a line that must go nowhere");
    pLog->WriteLog(2, NULL, NULL);
    delete pLog;
  }
  CQJ_DayLog log(NULL);
  log.WriteLog(1, "test", "text");

  EXPECT_EQ(GetFileAttributesA("c:\\FF"), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(std::filesystem::exists("/tmp/qj-daylog"));
  EXPECT_EQ(TreeBelow(root), before);
}

}  // namespace

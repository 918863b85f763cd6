// Allocation failures: the factory, the sheet object and its title buffers
// come from the non-throwing operator new, which this program replaces so
// that a chosen allocation fails. Each failure is reported as E_OUTOFMEMORY
// with nothing left behind.
#include "alloc_failure.h"
#include "server_fixture.h"

namespace {

using cpltest::Sentinel;

class AllocFailureTest : public cpltest::ServerTest {
 protected:
  void TearDown() override {
    qjtest::FailNothrowAllocation(-1);
    ServerTest::TearDown();
  }
};

TEST_F(AllocFailureTest, NoFactory) {
  void* pv = Sentinel();
  qjtest::FailNothrowAllocation(0);
  EXPECT_EQ(DllGetClassObject(CLSID_PropSheet, IID_IClassFactory, &pv), E_OUTOFMEMORY);
  EXPECT_EQ(pv, nullptr);
}

// The object itself (allocation 0), or one of its six title buffers
// (allocations 1 to 6), which PreparePages then finds missing.
TEST_F(AllocFailureTest, NoSheetOrNoTitleBuffer) {
  IClassFactory* pFactory = NewFactory();
  ASSERT_NE(pFactory, nullptr);
  for (int nFailing : {0, 1, 4, 6}) {
    SCOPED_TRACE("failing allocation " + std::to_string(nFailing));
    void* pv = Sentinel();
    qjtest::FailNothrowAllocation(nFailing);
    EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, &pv), E_OUTOFMEMORY);
    EXPECT_EQ(qjtest::NothrowAllocationsBeforeFailure(), -1) << "the chosen allocation was made";
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(g_cObjects, m_lObjectsBefore + 1) << "only the factory is left";
  }
  void* pv = nullptr;
  EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, &pv), S_OK) << "memory is back";
  ASSERT_NE(pv, nullptr);
  static_cast<IUnknown*>(pv)->Release();
  pFactory->Release();
}

}  // namespace

// Allocation failures: the factory, the driver, the playback servers, the
// effect records and their blocks come from the non-throwing operator new,
// which this program replaces (qj_alloc_failure) so that a chosen allocation
// fails. Each failure is answered as the caller is promised, with nothing
// left behind.
#include <cstdint>

#include "alloc_failure.h"
#include "driver_fixture.h"

namespace {

using fftest::ConstantEffect;
using fftest::DriverTest;
using fftest::InitInfo;

void* const kSentinel = reinterpret_cast<void*>(static_cast<uintptr_t>(0xdeadbeef));

class FFAllocFailureTest : public DriverTest {
 protected:
  void TearDown() override {
    qjtest::FailNothrowAllocation(-1);
    DriverTest::TearDown();
  }
  // Makes the allocation nFailing from now fail, runs call, and checks that
  // the allocation was reached.
  template <class Call>
  void Failing(int nFailing, Call call) {
    qjtest::FailNothrowAllocation(nFailing);
    call();
    EXPECT_EQ(qjtest::NothrowAllocationsBeforeFailure(), -1) << "the chosen allocation was not made";
    qjtest::FailNothrowAllocation(-1);
  }
};

TEST_F(FFAllocFailureTest, NoFactoryNoDriver) {
  void* pv = kSentinel;
  Failing(0, [&] { EXPECT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, &pv), E_OUTOFMEMORY); });
  EXPECT_EQ(pv, nullptr);
  EXPECT_EQ(g_pFactory, nullptr);

  IClassFactory* pFactory = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
  pv = kSentinel;
  Failing(0, [&] { EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, &pv), E_OUTOFMEMORY); });
  EXPECT_EQ(pv, nullptr);
  EXPECT_EQ(g_pDriver, nullptr);
  IDirectInputEffectDriver* pDriver = nullptr;
  EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&pDriver)), S_OK)
      << "memory is back";
  ASSERT_NE(pDriver, nullptr);
  EXPECT_EQ(pDriver->Release(), 0u);
  EXPECT_EQ(pFactory->Release(), 0u);
}

TEST_F(FFAllocFailureTest, NoServerLeavesTheIdNotOpen) {
  IDirectInputEffectDriver* pDriver = CreateDriver();
  ASSERT_NE(pDriver, nullptr);
  InitInfo init(fftest::kDevicePath);
  Failing(0, [&] { EXPECT_EQ(pDriver->DeviceID(0x0700, 0, 1, 0, &init.info), E_FAIL); });
  EXPECT_EQ(g_bServerOpen[0], 0);
  EXPECT_EQ(g_pServer[0], nullptr);
  EXPECT_EQ(device->ReportCount(), 0u);
  EXPECT_EQ(pDriver->DeviceID(0x0700, 0, 1, 0, &init.info), S_OK) << "memory is back";
  EXPECT_EQ(g_bServerOpen[0], 1);
  EXPECT_EQ(pDriver->Release(), 0u);
}

// A new effect whose record (allocation 0) or block (allocation 1) cannot be
// made is not stored: the handle stays 0 and the call still succeeds. An
// update whose new block cannot be made takes the effect out of the store.
TEST_F(FFAllocFailureTest, EffectsThatCannotBeStored) {
  IDirectInputEffectDriver* pDriver = CreateBoundDriver();
  ASSERT_NE(pDriver, nullptr);
  ConstantEffect effect(5000, INFINITE);
  for (int nFailing : {0, 1}) {
    SCOPED_TRACE(nFailing);
    DWORD dwEffect = 0;
    Failing(nFailing, [&] {
      EXPECT_EQ(pDriver->DownloadEffect(0, ET_CONSTANT, &dwEffect, &effect.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
    });
    EXPECT_EQ(dwEffect, 0u);
    g_pServer[0]->Lock();
    EXPECT_EQ(g_pServer[0]->m_EffectList.nCount, 0u);
    g_pServer[0]->Unlock();
  }

  DWORD dwEffect = 0;
  ASSERT_EQ(pDriver->DownloadEffect(0, ET_CONSTANT, &dwEffect, &effect.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
  ASSERT_EQ(dwEffect, 1u);
  DWORD dwUpdate = dwEffect;
  Failing(0, [&] {
    EXPECT_EQ(pDriver->DownloadEffect(0, ET_CONSTANT, &dwUpdate, &effect.eff, DIEP_TYPESPECIFICPARAMS), S_OK);
  });
  DWORD dwStatus = 0xdeadbeef;
  EXPECT_EQ(pDriver->GetEffectStatus(0, dwEffect, &dwStatus), S_OK);
  EXPECT_EQ(dwStatus, 0u) << "the effect left the store";
  g_pServer[0]->Lock();
  EXPECT_EQ(g_pServer[0]->m_EffectList.nCount, 0u);
  g_pServer[0]->Unlock();
  EXPECT_EQ(pDriver->Release(), 0u);
}

TEST_F(FFAllocFailureTest, ProcessAttachWithoutMemoryLeavesTheLogNull) {
  const HINSTANCE hSelf = GetModuleHandleA(nullptr);
  Failing(0, [&] { EXPECT_TRUE(DllMain(hSelf, DLL_PROCESS_ATTACH, nullptr)); });
  EXPECT_EQ(g_pLog, nullptr);
  EXPECT_NE(g_pErrLog, nullptr);
  EXPECT_TRUE(DllMain(hSelf, DLL_PROCESS_DETACH, nullptr));
  EXPECT_EQ(g_pErrLog, nullptr);
}

}  // namespace

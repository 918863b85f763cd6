// Class object entry points, the class factory's counts and DllCanUnloadNow.
#include "driver_fixture.h"

namespace {

using fftest::DriverTest;

void* const kSentinel = reinterpret_cast<void*>(static_cast<uintptr_t>(0xdeadbeef));

using FactoryTest = DriverTest;

TEST_F(FactoryTest, RefusesOtherClassWhateverTheInterface) {
  const GUID other = {0x5B2E91C7, 0x7C3A, 0xA02F, {0x8E, 0x14, 0x3D, 0x06, 0xB9, 0xF2, 0x7A, 0x41}};
  for (const GUID* piid : {&IID_IClassFactory, &IID_IUnknown, &IID_IDirectInputEffectDriver}) {
    void* pv = kSentinel;
    EXPECT_EQ(DllGetClassObject(other, *piid, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(g_pFactory, nullptr);
  }
}

TEST_F(FactoryTest, OneHolderRoadLeavesNoFactory) {
  for (const GUID* piid : {&IID_IClassFactory, &IID_IUnknown}) {
    IClassFactory* pFactory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_FFDriver, *piid, reinterpret_cast<void**>(&pFactory)), S_OK);
    ASSERT_NE(pFactory, nullptr);
    EXPECT_EQ(static_cast<void*>(pFactory), static_cast<void*>(g_pFactory));
    EXPECT_EQ(g_cLocks, 0);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the held factory runs this module's code";
    EXPECT_EQ(pFactory->Release(), 0u);
    EXPECT_EQ(g_pFactory, nullptr);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
  }
}

TEST_F(FactoryTest, OtherInterfaceLeavesNoFactory) {
  void* pv = kSentinel;
  EXPECT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IDirectInputEffectDriver, &pv), E_NOINTERFACE);
  EXPECT_EQ(pv, nullptr);
  EXPECT_EQ(g_pFactory, nullptr);
  EXPECT_EQ(g_cLocks, 0);
  EXPECT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(g_pFactory, nullptr);
}

TEST_F(FactoryTest, AddRefAndReleaseCountInModuleCount) {
  IClassFactory* pFactory = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
  EXPECT_EQ(pFactory->AddRef(), 1u);
  EXPECT_EQ(g_cLocks, 1);
  IUnknown* pUnk = nullptr;
  EXPECT_EQ(pFactory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pUnk)), S_OK);
  EXPECT_EQ(g_cLocks, 2);
  void* pv = kSentinel;
  EXPECT_EQ(pFactory->QueryInterface(IID_IDirectInputEffectDriver, &pv), E_NOINTERFACE);
  EXPECT_EQ(pv, nullptr);
  EXPECT_EQ(pFactory->QueryInterface(IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(g_cLocks, 2);
  EXPECT_EQ(pUnk->Release(), 1u);
  EXPECT_EQ(pFactory->Release(), 0u);
  EXPECT_NE(g_pFactory, nullptr) << "a Release that lowers the count to 0 destroys nothing";
  EXPECT_EQ(pFactory->Release(), 0u);
  EXPECT_EQ(g_pFactory, nullptr);
}

TEST_F(FactoryTest, LockServerKeepsModuleLoaded) {
  IClassFactory* pFactory = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
  EXPECT_EQ(pFactory->LockServer(TRUE), S_OK);
  EXPECT_EQ(g_cLocks, 1);
  EXPECT_EQ(pFactory->Release(), 0u);
  EXPECT_NE(g_pFactory, nullptr);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);

  // The locked factory is handed out again; unlocking then releasing ends it.
  IClassFactory* pAgain = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pAgain)), S_OK);
  EXPECT_EQ(pAgain, pFactory);
  EXPECT_EQ(pAgain->LockServer(FALSE), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  EXPECT_EQ(pAgain->Release(), 0u);
  EXPECT_EQ(g_pFactory, nullptr);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(FactoryTest, SecondHolderKeepsFactoryAlive) {
  IClassFactory* pFirst = nullptr;
  IClassFactory* pSecond = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFirst)), S_OK);
  ASSERT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pSecond)), S_OK);
  EXPECT_EQ(pFirst, pSecond);
  // A refused interface from the held factory must not take a reference away.
  void* pv = kSentinel;
  EXPECT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IDirectInputEffectDriver, &pv), E_NOINTERFACE);
  EXPECT_EQ(pv, nullptr);

  EXPECT_EQ(pFirst->Release(), 0u);
  ASSERT_NE(g_pFactory, nullptr) << "the second holder's factory was destroyed";
  IDirectInputEffectDriver* pDriver = nullptr;
  EXPECT_EQ(pSecond->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&pDriver)), S_OK);
  EXPECT_EQ(pSecond->Release(), 0u);
  EXPECT_EQ(g_pFactory, nullptr);
  ASSERT_NE(pDriver, nullptr);
  EXPECT_EQ(pDriver->Release(), 0u);
}

TEST_F(FactoryTest, CreateInstanceFailuresClearOutput) {
  IClassFactory* pFactory = nullptr;
  ASSERT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
  void* pv = kSentinel;
  EXPECT_EQ(pFactory->CreateInstance(reinterpret_cast<IUnknown*>(pFactory), IID_IDirectInputEffectDriver, &pv),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(pv, nullptr);
  EXPECT_EQ(g_pDriver, nullptr);
  pv = kSentinel;
  EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IClassFactory, &pv), E_NOINTERFACE);
  EXPECT_EQ(pv, nullptr);
  EXPECT_EQ(g_pDriver, nullptr) << "a refused new driver destroys itself";
  EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, nullptr), E_POINTER);
  EXPECT_EQ(g_pDriver, nullptr);
  EXPECT_EQ(pFactory->Release(), 0u);
}

TEST_F(FactoryTest, DriverIsOnePerProcessAndCountsEveryHolder) {
  IDirectInputEffectDriver* pFirst = CreateDriver();
  ASSERT_NE(pFirst, nullptr);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "a live driver keeps the module loaded";

  // A refused interface must not take the holder's reference away.
  {
    IClassFactory* pFactory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
    void* pv = kSentinel;
    EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IClassFactory, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(pFactory->Release(), 0u);
    ASSERT_NE(g_pDriver, nullptr) << "the holder's driver was destroyed";
  }

  IDirectInputEffectDriver* pSecond = CreateDriver();
  EXPECT_EQ(pSecond, pFirst);
  IUnknown* pUnk = nullptr;
  EXPECT_EQ(pFirst->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pUnk)), S_OK);
  void* pv = kSentinel;
  EXPECT_EQ(pFirst->QueryInterface(IID_IClassFactory, &pv), E_NOINTERFACE);
  EXPECT_EQ(pv, nullptr);

  EXPECT_EQ(pUnk->Release(), 2u);
  EXPECT_EQ(pFirst->Release(), 1u);
  EXPECT_EQ(g_pDriver, pSecond) << "the second holder's driver was destroyed";
  EXPECT_EQ(pSecond->Release(), 0u);
  EXPECT_EQ(g_pDriver, nullptr);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);

  // Released in between: the next CreateInstance makes a new driver.
  IDirectInputEffectDriver* pThird = CreateDriver();
  ASSERT_NE(pThird, nullptr);
  EXPECT_EQ(pThird->AddRef(), 2u);
  EXPECT_EQ(pThird->Release(), 1u);
  EXPECT_EQ(pThird->Release(), 0u);
}

}  // namespace

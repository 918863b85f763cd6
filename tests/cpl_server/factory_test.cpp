// The module's class object entry points and the class factory: which class
// and interface IDs are answered, the factory's count, server locks and
// DllCanUnloadNow, CreateInstance's refusals.
#include "server_fixture.h"

namespace {

using cpltest::Sentinel;
using cpltest::ServerTest;

// The effect driver's class, which this server must not answer.
const GUID kClsidFFDriver = {0x5B2E91C7, 0x7C3A, 0xA02F, {0x8E, 0x14, 0x3D, 0x06, 0xB9, 0xF2, 0x7A, 0x40}};

// CLSID_PropSheet with its last byte changed.
GUID NearlyPropSheet() {
  GUID guid = CLSID_PropSheet;
  guid.Data4[7] ^= 0x01;
  return guid;
}

TEST_F(ServerTest, GetClassObjectAnswersOnlyTheFactoryOfItsClass) {
  struct Case {
    const char* pszName;
    GUID clsid;
    GUID iid;
    HRESULT hr;
  };
  const Case cases[] = {
      {"factory", CLSID_PropSheet, IID_IClassFactory, S_OK},
      {"IUnknown is refused", CLSID_PropSheet, IID_IUnknown, E_NOINTERFACE},
      {"sheet interface", CLSID_PropSheet, IID_IDIGameCntrlPropSheet, E_NOINTERFACE},
      {"driver class", kClsidFFDriver, IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {"one byte off", NearlyPropSheet(), IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {"class before interface", kClsidFFDriver, IID_IUnknown, CLASS_E_CLASSNOTAVAILABLE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszName);
    void* pv = Sentinel();
    EXPECT_EQ(DllGetClassObject(c.clsid, c.iid, &pv), c.hr);
    if (c.hr != S_OK) {
      EXPECT_EQ(pv, nullptr);
      EXPECT_EQ(g_cObjects, m_lObjectsBefore) << "a refusal makes no object";
      continue;
    }
    ASSERT_NE(pv, nullptr);
    EXPECT_EQ(g_cObjects, m_lObjectsBefore + 1);
    EXPECT_EQ(static_cast<IClassFactory*>(pv)->Release(), 0u) << "the caller holds the only reference";
  }
  EXPECT_EQ(DllGetClassObject(CLSID_PropSheet, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ServerTest, EachCallMakesItsOwnFactory) {
  IClassFactory* pFirst = NewFactory();
  IClassFactory* pSecond = NewFactory();
  ASSERT_NE(pFirst, nullptr);
  ASSERT_NE(pSecond, nullptr);
  EXPECT_NE(pFirst, pSecond);
  EXPECT_EQ(g_cObjects, m_lObjectsBefore + 2);
  EXPECT_EQ(pFirst->Release(), 0u);
  EXPECT_EQ(pSecond->Release(), 0u);
}

TEST_F(ServerTest, FactoryCountsItsReferencesAndTheModuleCountsTheFactory) {
  IClassFactory* pFactory = NewFactory();
  ASSERT_NE(pFactory, nullptr);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  EXPECT_EQ(pFactory->AddRef(), 2u);
  EXPECT_EQ(pFactory->Release(), 1u);
  EXPECT_EQ(g_cObjects, m_lObjectsBefore + 1) << "an AddRef and Release pair leaves the module count";

  void* pv = Sentinel();
  EXPECT_EQ(pFactory->QueryInterface(IID_IUnknown, &pv), S_OK);
  EXPECT_EQ(pv, static_cast<void*>(pFactory));
  void* pv2 = Sentinel();
  EXPECT_EQ(pFactory->QueryInterface(IID_IClassFactory, &pv2), S_OK);
  EXPECT_EQ(pv2, static_cast<void*>(pFactory));
  EXPECT_EQ(pFactory->Release(), 2u) << "each QueryInterface added one";
  EXPECT_EQ(pFactory->Release(), 1u);

  pv = Sentinel();
  EXPECT_EQ(pFactory->QueryInterface(IID_IDIGameCntrlPropSheet, &pv), E_NOINTERFACE);
  EXPECT_EQ(pv, nullptr);
  EXPECT_EQ(pFactory->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  EXPECT_EQ(pFactory->Release(), 0u);
  EXPECT_EQ(g_cObjects, m_lObjectsBefore);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(ServerTest, ServerLockKeepsTheModuleUntilUnlocked) {
  IClassFactory* pFactory = NewFactory();
  ASSERT_NE(pFactory, nullptr);
  EXPECT_EQ(pFactory->LockServer(TRUE), S_OK);
  EXPECT_EQ(pFactory->LockServer(TRUE), S_OK);
  EXPECT_EQ(pFactory->Release(), 0u);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the locks outlive the factory";

  // The locks are given back through another factory of the module.
  IClassFactory* pOther = NewFactory();
  ASSERT_NE(pOther, nullptr);
  EXPECT_EQ(pOther->LockServer(FALSE), S_OK);
  EXPECT_EQ(pOther->LockServer(FALSE), S_OK);
  EXPECT_EQ(g_cObjects, m_lObjectsBefore + 1);
  EXPECT_EQ(pOther->Release(), 0u);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(ServerTest, UnlockWithoutALockCannotHideALiveObject) {
  IClassFactory* pFactory = NewFactory();
  ASSERT_NE(pFactory, nullptr);
  EXPECT_EQ(pFactory->LockServer(FALSE), S_OK);
  EXPECT_EQ(g_cObjects, m_lObjectsBefore + 1) << "the factory is still counted";
  EXPECT_EQ(pFactory->Release(), 0u);
  EXPECT_EQ(g_cObjects, m_lObjectsBefore);
}

TEST_F(ServerTest, CreateInstanceRefusesAggregation) {
  IClassFactory* pFactory = NewFactory();
  ASSERT_NE(pFactory, nullptr);
  void* pv = Sentinel();
  EXPECT_EQ(pFactory->CreateInstance(reinterpret_cast<IUnknown*>(pFactory), IID_IUnknown, &pv),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(pv, nullptr);
  EXPECT_EQ(g_cObjects, m_lObjectsBefore + 1) << "no sheet object was made";
  EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  pFactory->Release();
}

TEST_F(ServerTest, CreateInstanceHandsOutTheSheetOrDestroysIt) {
  struct Case {
    const char* pszName;
    GUID iid;
    HRESULT hr;
  };
  const Case cases[] = {
      {"sheet interface", IID_IDIGameCntrlPropSheet, S_OK},
      {"IUnknown", IID_IUnknown, S_OK},
      {"class factory", IID_IClassFactory, E_NOINTERFACE},
      {"joystick configuration", IID_IDirectInputJoyConfig, E_NOINTERFACE},
  };
  IClassFactory* pFactory = NewFactory();
  ASSERT_NE(pFactory, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszName);
    void* pv = Sentinel();
    EXPECT_EQ(pFactory->CreateInstance(nullptr, c.iid, &pv), c.hr);
    if (c.hr != S_OK) {
      EXPECT_EQ(pv, nullptr);
      EXPECT_EQ(g_cObjects, m_lObjectsBefore + 1) << "the refused object is destroyed";
      continue;
    }
    ASSERT_NE(pv, nullptr);
    EXPECT_EQ(g_cObjects, m_lObjectsBefore + 2);
    IUnknown* pUnknown = static_cast<IUnknown*>(pv);
    EXPECT_EQ(pUnknown->AddRef(), 2u) << "the caller holds the only reference";
    EXPECT_EQ(pUnknown->Release(), 1u);
    EXPECT_EQ(pUnknown->Release(), 0u);
    EXPECT_EQ(g_cObjects, m_lObjectsBefore + 1);
  }
  pFactory->Release();
}

TEST_F(ServerTest, ModuleStaysWhileASheetLives) {
  IDIGameCntrlPropSheet* pSheet = NewSheet();
  ASSERT_NE(pSheet, nullptr);
  EXPECT_EQ(g_cObjects, m_lObjectsBefore + 1) << "the factory is gone, the sheet counts";
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  EXPECT_EQ(pSheet->Release(), 0u);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

}  // namespace

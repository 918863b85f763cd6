// Shared by the server tests: the test program stands in as the module (its
// resources are those of cplpages.rc), the machine holds data/Setup.ini, and
// every test must leave the module object count where it found it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "../support/page_fixture.h"
#include "pageengine.h"
#include "propsheet.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
STDAPI DllCanUnloadNow(void);

namespace cpltest {

using WString = std::basic_string<WCHAR>;

inline WString Wide(const WCHAR* pwsz) { return pwsz ? WString(pwsz) : WString(); }

// Something a call must overwrite or leave alone.
inline void* Sentinel() { return reinterpret_cast<void*>(static_cast<UINT_PTR>(0xDEADBEEF)); }

class ServerTest : public pagetest::PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    // As the module's DllMain would: here the resources are the test
    // program's own.
    g_hInstance = reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr));
    m_lObjectsBefore = g_cObjects;
  }

  void TearDown() override {
    EXPECT_EQ(g_cObjects, m_lObjectsBefore) << "every factory, sheet and lock is gone";
    g_hInstance = nullptr;
    PageFixture::TearDown();
  }

  IClassFactory* NewFactory() {
    void* pv = nullptr;
    EXPECT_EQ(DllGetClassObject(CLSID_PropSheet, IID_IClassFactory, &pv), S_OK);
    return static_cast<IClassFactory*>(pv);
  }

  // A sheet object as the control panel makes it, holding one reference.
  IDIGameCntrlPropSheet* NewSheet() {
    IClassFactory* pFactory = NewFactory();
    if (!pFactory) return nullptr;
    void* pv = nullptr;
    EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, &pv), S_OK);
    pFactory->Release();
    return static_cast<IDIGameCntrlPropSheet*>(pv);
  }

  LONG m_lObjectsBefore = 0;
};

}  // namespace cpltest

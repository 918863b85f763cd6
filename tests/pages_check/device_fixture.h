// The pages' DirectInput helpers against the simulated controller: joystick
// 0 attached, the module's string 2 registered for the test program (which
// stands in as the module), a DirectInput object with its joystick
// configuration, and a sheet window.
#pragma once

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "device_access.h"
#include "pageengine.h"
#include "propsheet.h"
#include "platform/sim/sim.h"

namespace pagetest {

constexpr WORD kVendor = 0x7C3A;
constexpr WORD kProduct = 0xA02F;

// String-table block 1 (strings 0 to 15) with strings 1 and 2 of the module.
inline std::vector<BYTE> StringBlock() {
  const char* const strings[16] = {"", "USB trivalo game controller", "<< Error >>"};
  std::vector<BYTE> block;
  for (const char* psz : strings) {
    std::string s = psz ? psz : "";
    block.push_back(static_cast<BYTE>(s.size()));
    block.push_back(0);
    for (char ch : s) {
      block.push_back(static_cast<BYTE>(ch));
      block.push_back(0);
    }
  }
  return block;
}

// Two pages of which the second cannot be touched: pointers near the end of
// the first one have fewer good bytes than a routine may need.
class GuardedPage {
 public:
  GuardedPage() {
    m_cbPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* pv = mmap(nullptr, 2 * m_cbPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    m_pb = pv == MAP_FAILED ? nullptr : static_cast<BYTE*>(pv);
    if (m_pb) mprotect(m_pb + m_cbPage, m_cbPage, PROT_NONE);
  }
  ~GuardedPage() {
    if (m_pb) munmap(m_pb, 2 * m_cbPage);
  }
  GuardedPage(const GuardedPage&) = delete;
  GuardedPage& operator=(const GuardedPage&) = delete;
  // A pointer with cb good bytes before the guard.
  void* Last(size_t cb) { return m_pb + m_cbPage - cb; }
  void* Guard() { return m_pb + m_cbPage; }

 private:
  BYTE* m_pb = nullptr;
  size_t m_cbPage = 0;
};

// A page that can be read but not written: a pointer into it is bad for the
// routines, which need both. Its bytes copy a real object, so a routine that
// tested reading alone would go on and use it.
class ReadOnlyPage {
 public:
  explicit ReadOnlyPage(const void* pvCopy = nullptr, size_t cbCopy = 0) {
    m_cbPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* pv = mmap(nullptr, m_cbPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    m_pb = pv == MAP_FAILED ? nullptr : static_cast<BYTE*>(pv);
    if (!m_pb) return;
    if (pvCopy) std::memcpy(m_pb, pvCopy, cbCopy < m_cbPage ? cbCopy : m_cbPage);
    mprotect(m_pb, m_cbPage, PROT_READ);
  }
  ~ReadOnlyPage() {
    if (m_pb) munmap(m_pb, m_cbPage);
  }
  ReadOnlyPage(const ReadOnlyPage&) = delete;
  ReadOnlyPage& operator=(const ReadOnlyPage&) = delete;
  void* Get() { return m_pb; }

 private:
  BYTE* m_pb = nullptr;
  size_t m_cbPage = 0;
};

class DeviceAccessTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const std::vector<BYTE> block = StringBlock();
    static const QJ_RESOURCE_ENTRY entries[] = {
        {MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(1), 0x0409, block.data(), static_cast<DWORD>(block.size())}};
    QjRegisterModuleResources(reinterpret_cast<const void*>(&SetUpTestSuite), entries, 1);
    InitializeCriticalSection(&g_csModule);
  }
  static void TearDownTestSuite() {
    QjUnregisterModuleResources(reinterpret_cast<const void*>(&SetUpTestSuite));
    DeleteCriticalSection(&g_csModule);
  }

  void SetUp() override {
    g_hInstance = GetModuleHandleA(nullptr);
    sim::ResetJoysticks();
    sim::SetJoystick(0, kVendor, kProduct);
    sim::ClearDebugOutput();
    m_lLiveBefore = sim::LiveDirectInputObjects();
    ASSERT_EQ(DirectInputCreateA(g_hInstance, 0x0700, &m_pdi, nullptr), DI_OK);
    ASSERT_EQ(m_pdi->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&m_pJoyConfig)), S_OK);
    m_hSheet = sim::CreateTestWindow(64, 64);
    ASSERT_NE(m_hSheet, nullptr);
  }

  void TearDown() override {
    if (m_pJoyConfig) m_pJoyConfig->Release();
    if (m_pdi) m_pdi->Release();
    EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore) << "every DirectInput object is released";
    DestroyWindow(m_hSheet);
    sim::ResetJoysticks();
    g_hInstance = nullptr;
  }

  // The device of joystick nID as the pages make it, acquired.
  IDirectInputDevice2* MakeAcquiredDevice(short nID) {
    IDirectInputDevice2* pDevice = nullptr;
    EXPECT_EQ(DIUtilCreateDeviceFromJoyConfig(nID, m_hSheet, m_pdi, m_pJoyConfig, &pDevice), DI_OK);
    if (pDevice) {
      EXPECT_EQ(pDevice->Acquire(), DI_OK);
    }
    return pDevice;
  }

  IDirectInput* m_pdi = nullptr;
  IDirectInputJoyConfig* m_pJoyConfig = nullptr;
  HWND m_hSheet = nullptr;
  long m_lLiveBefore = 0;
};

}  // namespace pagetest

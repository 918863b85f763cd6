// HID device interface paths follow the share and access rules of files: the
// same pairs of opens that the file conformance case runs under Windows'
// rule, here against a simulated HID collection.
#include "platform/sim/sim.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include "../conformance/share_cases.h"

namespace {

const char kPath[] = "\\\\?\\hid#vid_7c3a&pid_a02f#7&1&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const BYTE kReport[4] = {0, 0x1F, 0x08, 0};

class HidShareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::RemoveHidDevices();
    m_device = sim::AddHidDevice(kPath);
  }
  void TearDown() override { sim::RemoveHidDevices(); }

  static HANDLE Open(DWORD dwAccess, DWORD dwShare) {
    return CreateFileA(kPath, dwAccess, dwShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  std::shared_ptr<sim::HidDevice> m_device;
};

TEST_F(HidShareTest, ShareModesOfTwoOpensAsForFiles) {
  for (const sharecases::ShareCase& c : sharecases::kShareCases) {
    SCOPED_TRACE(c.pszName);
    HANDLE hHeld = Open(c.dwHeldAccess, c.dwHeldShare);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    SetLastError(0xdeadbeef);
    HANDLE hSecond = Open(c.dwAccess, c.dwShare);
    const DWORD dwError = GetLastError();
    EXPECT_EQ(hSecond != INVALID_HANDLE_VALUE, c.bOpens);
    if (!c.bOpens) {
      EXPECT_EQ(dwError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    if (hSecond != INVALID_HANDLE_VALUE) CloseHandle(hSecond);
    CloseHandle(hHeld);
    hSecond = Open(c.dwAccess, c.dwShare);
    EXPECT_NE(hSecond, INVALID_HANDLE_VALUE) << "once the held handle is closed";
    if (hSecond != INVALID_HANDLE_VALUE) CloseHandle(hSecond);
  }
  EXPECT_EQ(m_device->OpenHandles(), 0u);
}

// A refused open counts as no open and leaves no handle behind; the device
// forgets a closed handle's modes even when it was unplugged meanwhile.
TEST_F(HidShareTest, RefusedOpensLeaveNothingBehind) {
  HANDLE hHeld = Open(GENERIC_READ, FILE_SHARE_READ);
  ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Open(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE),
                                        INVALID_HANDLE_VALUE);
  EXPECT_EQ(m_device->OpenCount(), 1u);
  EXPECT_EQ(m_device->OpenHandles(), 1u);
  m_device->Unplug();
  CloseHandle(hHeld);
  m_device->Plug();
  HANDLE hWriter = Open(GENERIC_READ | GENERIC_WRITE, 0);
  ASSERT_NE(hWriter, INVALID_HANDLE_VALUE) << "nothing is held any more";
  CloseHandle(hWriter);
}

// Writing needs write access, generic or the specific data right.
TEST_F(HidShareTest, OnlyAHandleWithWriteAccessWrites) {
  const struct {
    DWORD dwAccess;
    bool bWrites;
  } cases[] = {
      {GENERIC_READ, false}, {0, false}, {GENERIC_WRITE, true}, {0x0002 /* FILE_WRITE_DATA */, true},
      {GENERIC_ALL, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dwAccess);
    m_device->Clear();
    HANDLE h = Open(c.dwAccess, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD cbWritten = 0xdeadbeef;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(WriteFile(h, kReport, sizeof kReport, &cbWritten, nullptr) != FALSE, c.bWrites);
    EXPECT_EQ(cbWritten, c.bWrites ? 4u : 0u);
    if (!c.bWrites) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(m_device->ReportCount(), c.bWrites ? 1u : 0u);
    CloseHandle(h);
  }
}

}  // namespace

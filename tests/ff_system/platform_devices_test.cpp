// The simulated HID devices and joysticks as Win32 callers see them.
#include "platform/sim/sim.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

const char kPath[] = "\\\\?\\hid#vid_7c3a&pid_a02f#7&1&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

HANDLE OpenForWrite(const char* path) {
  return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class HidDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { device = sim::AddHidDevice(kPath); }
  void TearDown() override { sim::RemoveHidDevices(); }
  std::shared_ptr<sim::HidDevice> device;
};

TEST_F(HidDeviceTest, RecordsEachReportWithItsTick) {
  HANDLE h = OpenForWrite(kPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const BYTE first[4] = {0, 0x1F, 0x08, 0};
  const BYTE second[4] = {0, 0, 0x13, 0};
  DWORD cbWritten = 0xdeadbeef;
  const DWORD dwBefore = GetTickCount();
  const auto tBefore = std::chrono::steady_clock::now();
  ASSERT_TRUE(WriteFile(h, first, 4, &cbWritten, nullptr));
  EXPECT_EQ(cbWritten, 4u);
  ASSERT_TRUE(WriteFile(h, second, 4, &cbWritten, nullptr));
  const auto tAfter = std::chrono::steady_clock::now();
  const DWORD dwAfter = GetTickCount();
  EXPECT_TRUE(CloseHandle(h));

  const auto reports = device->Reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].bytes, std::vector<BYTE>(first, first + 4));
  EXPECT_EQ(reports[1].bytes, std::vector<BYTE>(second, second + 4));
  for (const auto& report : reports) {
    EXPECT_LE(report.dwTick - dwBefore, dwAfter - dwBefore);
    EXPECT_GE(report.tWritten, tBefore);
    EXPECT_LE(report.tWritten, tAfter);
  }
  EXPECT_LE(reports[0].tWritten, reports[1].tWritten);
  EXPECT_EQ(device->OpenCount(), 1u);
  EXPECT_EQ(device->OpenHandles(), 0u);
  device->Clear();
  EXPECT_EQ(device->ReportCount(), 0u);
}

TEST_F(HidDeviceTest, PathComparesWithoutCase) {
  std::string upper(kPath);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  HANDLE h = OpenForWrite(upper.c_str());
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_EQ(sim::AddHidDevice(upper), device);
}

TEST_F(HidDeviceTest, OpenFailsForUnknownAndUnpluggedDevices) {
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenForWrite("\\\\?\\hid#vid_7c3a&pid_0000#1#{4d1e55b2-f16f-11cf-88cb-001111000030}"),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  device->Unplug();
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenForWrite(kPath), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(device->OpenCount(), 0u);

  device->Plug();
  HANDLE h = OpenForWrite(kPath);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
}

TEST_F(HidDeviceTest, WriteOnHandleFromBeforeUnplugFailsUntilPluggedAgain) {
  HANDLE h = OpenForWrite(kPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const BYTE report[4] = {0, 9, 9, 0};
  DWORD cbWritten = 0xdeadbeef;

  device->Unplug();
  SetLastError(0);
  EXPECT_FALSE(WriteFile(h, report, 4, &cbWritten, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_EQ(cbWritten, 0u);
  EXPECT_EQ(device->ReportCount(), 0u);

  device->Plug();
  EXPECT_TRUE(WriteFile(h, report, 4, &cbWritten, nullptr));
  EXPECT_EQ(device->ReportCount(), 1u);
  CloseHandle(h);
}

TEST_F(HidDeviceTest, RefusesWritesOfWrongLengthOrWithoutWriteAccess) {
  HANDLE h = OpenForWrite(kPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const BYTE bytes[8] = {};
  DWORD cbWritten = 0;
  for (DWORD cb : {0u, 3u, 5u, 8u}) {
    SCOPED_TRACE(cb);
    SetLastError(0);
    EXPECT_FALSE(WriteFile(h, bytes, cb, &cbWritten, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  CloseHandle(h);

  HANDLE hRead = CreateFileA(kPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(hRead, INVALID_HANDLE_VALUE);
  SetLastError(0);
  EXPECT_FALSE(WriteFile(hRead, bytes, 4, &cbWritten, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(hRead);
  EXPECT_EQ(device->ReportCount(), 0u);
}

TEST_F(HidDeviceTest, RemovedDeviceFailsLateWritesAndOpens) {
  HANDLE h = OpenForWrite(kPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  sim::RemoveHidDevices();
  EXPECT_EQ(sim::FindHidDevice(kPath), nullptr);
  const BYTE report[4] = {};
  DWORD cbWritten = 0;
  SetLastError(0);
  EXPECT_FALSE(WriteFile(h, report, 4, &cbWritten, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  CloseHandle(h);
  EXPECT_EQ(OpenForWrite(kPath), INVALID_HANDLE_VALUE);
}

void WriteReport(const BYTE (&bytes)[4]) {
  HANDLE h = OpenForWrite(kPath);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD cbWritten = 0;
  EXPECT_TRUE(WriteFile(h, bytes, 4, &cbWritten, nullptr));
  CloseHandle(h);
}

bool NonZero(const sim::HidReport& report) { return report.bytes[1] != 0 || report.bytes[2] != 0; }

const BYTE kZero[4] = {0, 0, 0, 0};
const BYTE kFirst[4] = {0, 0x1F, 0x08, 0};
const BYTE kSecond[4] = {0, 0, 0x13, 0};

TEST_F(HidDeviceTest, WaitForReportFindsTheFirstMatchFromItsPosition) {
  sim::HidReport found;
  std::size_t iFound = 99;
  EXPECT_FALSE(device->WaitForReport(0, NonZero, 0, &found, &iFound));
  EXPECT_EQ(iFound, 99u);

  WriteReport(kFirst);
  // Position 0 matches but lies before the position asked for; the writer's
  // zero report does not match; its second report does.
  std::thread writer([] {
    WriteReport(kZero);
    WriteReport(kSecond);
    WriteReport(kFirst);
  });
  ASSERT_TRUE(device->WaitForReport(1, NonZero, 10000, &found, &iFound));
  writer.join();
  EXPECT_EQ(iFound, 2u);
  EXPECT_EQ(found.bytes, std::vector<BYTE>(kSecond, kSecond + 4));
  EXPECT_TRUE(device->WaitForReports(4, 0));
  EXPECT_FALSE(device->WaitForReports(5, 0));
}

TEST_F(HidDeviceTest, WaitForReportScansANewListAfterAClearFromItsPosition) {
  for (int i = 0; i < 3; ++i) WriteReport(kZero);
  // The writer clears only after the waiter has tried positions 1 and 2 of
  // the first list (the match runs under the device's lock, so the Clear
  // comes after that scan). Position 1 of the new list must then be tried.
  std::atomic<int> cTried{0};
  std::thread writer([&] {
    while (cTried.load() < 2) std::this_thread::yield();
    device->Clear();
    WriteReport(kFirst);
    WriteReport(kSecond);
  });
  sim::HidReport found;
  std::size_t iFound = 99;
  const bool bFound = device->WaitForReport(
      1,
      [&](const sim::HidReport& report) {
        ++cTried;
        return NonZero(report);
      },
      10000, &found, &iFound);
  writer.join();
  ASSERT_TRUE(bFound);
  EXPECT_EQ(iFound, 1u);
  EXPECT_EQ(found.bytes, std::vector<BYTE>(kSecond, kSecond + 4));
}

class JoyCapsTest : public ::testing::Test {
 protected:
  void TearDown() override { sim::ResetJoysticks(); }
};

TEST_F(JoyCapsTest, ReportsVendorAndProductOfAttachedJoystick) {
  sim::SetJoystick(0, 0x7C3A, 0xA02F);
  sim::SetJoystick(15, 0x1234, 0x0042);
  struct Case {
    UINT uJoyID;
    WORD wMid;
    WORD wPid;
  };
  for (const Case& c : {Case{0, 0x7C3A, 0xA02F}, Case{15, 0x1234, 0x0042}}) {
    SCOPED_TRACE(c.uJoyID);
    JOYCAPSA jc;
    std::memset(&jc, 0xcd, sizeof jc);
    ASSERT_EQ(joyGetDevCapsA(c.uJoyID, &jc, sizeof jc), static_cast<MMRESULT>(JOYERR_NOERROR));
    EXPECT_EQ(jc.wMid, c.wMid);
    EXPECT_EQ(jc.wPid, c.wPid);
    EXPECT_NE(std::memchr(jc.szPname, 0, sizeof jc.szPname), nullptr);
    EXPECT_NE(std::memchr(jc.szOEMVxD, 0, sizeof jc.szOEMVxD), nullptr);
  }
  EXPECT_EQ(joyGetNumDevs(), 16u);
}

TEST_F(JoyCapsTest, FailuresLeaveTheCapsAlone) {
  sim::SetJoystick(1, 0x7C3A, 0xA02F);
  sim::RemoveJoystick(1);
  struct Case {
    UINT_PTR uJoyID;
    UINT cbjc;
    MMRESULT mr;
  };
  const Case cases[] = {
      {1, sizeof(JOYCAPSA), JOYERR_PARMS},          // removed again
      {2, sizeof(JOYCAPSA), JOYERR_PARMS},          // never attached
      {16, sizeof(JOYCAPSA), MMSYSERR_NODRIVER},    // beyond the 16 IDs
      {1, sizeof(JOYCAPSA) - 1, MMSYSERR_INVALPARAM},
      {1, 0, MMSYSERR_INVALPARAM},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.uJoyID << " cb " << c.cbjc);
    JOYCAPSA jc;
    std::memset(&jc, 0xcd, sizeof jc);
    EXPECT_EQ(joyGetDevCapsA(c.uJoyID, &jc, c.cbjc), c.mr);
    EXPECT_EQ(jc.wMid, 0xcdcd);
    EXPECT_EQ(jc.wPid, 0xcdcd);
  }
  EXPECT_EQ(joyGetDevCapsA(0, nullptr, sizeof(JOYCAPSA)), static_cast<MMRESULT>(MMSYSERR_INVALPARAM));
}

TEST_F(JoyCapsTest, MinusOneFillsOnlyTheRegistryKey) {
  JOYCAPSA jc;
  std::memset(&jc, 0xcd, sizeof jc);
  ASSERT_EQ(joyGetDevCapsA(static_cast<UINT_PTR>(-1), &jc, sizeof jc), static_cast<MMRESULT>(JOYERR_NOERROR));
  EXPECT_GT(std::strlen(jc.szRegKey), 0u);
  EXPECT_EQ(jc.wPid, 0xcdcd);
}

}  // namespace

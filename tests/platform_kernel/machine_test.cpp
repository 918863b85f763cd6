// The simulated machine: debug-output capture, root folder, drive mapping.
#include "platform/sim/sim.h"
#include "posix/internal.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

bool IsDir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ReadLinuxFile(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWindowsFile(const char* pszPath, const char* pszText) {
  HANDLE hFile = CreateFileA(pszPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(hFile, INVALID_HANDLE_VALUE) << pszPath << " error " << GetLastError();
  DWORD cb = 0;
  ASSERT_TRUE(WriteFile(hFile, pszText, lstrlenA(pszText), &cb, nullptr));
  CloseHandle(hFile);
}

DWORD WINAPI WriteDebugLine(LPVOID) {
  OutputDebugStringA("from thread\n");
  return 0;
}

TEST(SimDebugOutput, CapturesEveryLineUntilCleared) {
  sim::ClearDebugOutput();
  OutputDebugStringA("first\n");
  OutputDebugStringA(nullptr);
  HANDLE hThread = CreateThread(nullptr, 0, WriteDebugLine, nullptr, 0, nullptr);
  ASSERT_NE(hThread, nullptr);
  WaitForSingleObject(hThread, INFINITE);
  CloseHandle(hThread);
  OutputDebugStringA("last");
  EXPECT_EQ(sim::DebugOutput(), "first\nfrom thread\nlast");
  sim::ClearDebugOutput();
  EXPECT_EQ(sim::DebugOutput(), "");
}

// A long run keeps its latest output in bounded memory: the capture holds
// the most recent 1 MiB, cut at a line start.
TEST(SimDebugOutput, KeepsTheNewestMebibyteFromALineStart) {
  sim::ClearDebugOutput();
  const std::string line(99, 'x');  // 100 bytes with its line feed
  for (int i = 0; i < 20000; ++i) OutputDebugStringA((std::to_string(i % 10) + line.substr(1) + "\n").c_str());
  const std::string text = sim::DebugOutput();
  EXPECT_LE(text.size(), size_t(1) << 20);
  EXPECT_GT(text.size(), (size_t(1) << 20) - 100);
  EXPECT_EQ(text.size() % 100, 0u) << "whole lines only";
  EXPECT_EQ(text.substr(text.size() - 100), "9" + line.substr(1) + "\n") << "the newest line is last";
  OutputDebugStringA(std::string((size_t(3) << 20) / 2, 'y').c_str());
  EXPECT_EQ(sim::DebugOutput(), std::string(size_t(1) << 20, 'y')) << "one text longer than the bound keeps its end";
  sim::ClearDebugOutput();
}

TEST(SimMachine, TestMainGivesEachProcessAFreshMachine) {
  std::string root = sim::MachineRoot();
  const char* pszEnv = getenv("QJ_MACHINE_ROOT");
  ASSERT_NE(pszEnv, nullptr);
  EXPECT_EQ(root, pszEnv);
  EXPECT_NE(root.find("/run-"), std::string::npos);
  EXPECT_TRUE(IsDir(root + "/drive_c/windows/system32"));
}

TEST(SimMachine, DriveCFollowsTheRootAndNotifiesPieces) {
  std::string original = sim::MachineRoot();
  std::string other = original + "/other-root";
  std::atomic<int> nNotified{0};
  sim::OnMachineRootChanged([&nNotified] { ++nNotified; });
  sim::SetMachineRoot(other);
  EXPECT_EQ(nNotified.load(), 1);
  EXPECT_EQ(sim::MachineRoot(), other);
  EXPECT_TRUE(IsDir(other + "/drive_c/windows/system32"));
  WriteWindowsFile("C:\\moved.txt", "new root");
  EXPECT_EQ(ReadLinuxFile(other + "/drive_c/moved.txt"), "new root");
  sim::SetMachineRoot(original);
  EXPECT_EQ(nNotified.load(), 2);
  EXPECT_EQ(GetFileAttributesA("C:\\moved.txt"), INVALID_FILE_ATTRIBUTES);
}

struct MappingCase {
  const char* pszWindows;
  const char* pszLinuxBelowDriveC;  // nullptr: below "/" instead
  const char* pszLinux;
};

TEST(SimDriveMapping, WindowsPathsMapAsOnWine) {
  const MappingCase cases[] = {
      {"C:\\windows\\system32\\Setup.ini", "windows/system32/Setup.ini", nullptr},
      {"c:/Windows/SYSTEM32/a.txt", "windows/system32/a.txt", nullptr},  // existing folders found without case
      {"C:\\FF\\Log\\..\\Err", "FF/Err", nullptr},
      {"C:\\..\\..\\x", "x", nullptr},  // ".." stops at the drive's root
      {"Z:\\tmp\\file", nullptr, "/tmp/file"},
      {"z:/etc//hosts", nullptr, "/etc/hosts"},
      {"\\usr\\lib", nullptr, "/usr/lib"},
  };
  std::string driveC = sim::MachineRoot() + "/drive_c/";
  for (const MappingCase& c : cases) {
    SCOPED_TRACE(c.pszWindows);
    std::string mapped;
    ASSERT_TRUE(qjplat::MapWindowsPath(c.pszWindows, &mapped));
    EXPECT_EQ(mapped, c.pszLinuxBelowDriveC ? driveC + c.pszLinuxBelowDriveC : std::string(c.pszLinux));
  }
  std::string unused;
  EXPECT_FALSE(qjplat::MapWindowsPath("D:\\data", &unused));
  EXPECT_FALSE(qjplat::MapWindowsPath("\\\\?\\hid#vid_7c3a", &unused));
}

TEST(SimDriveMapping, FilesAreFoundWithoutCaseAndCreatedWithTheGivenCase) {
  ASSERT_TRUE(CreateDirectoryA("C:\\GameSave", nullptr));
  WriteWindowsFile("C:\\GameSave\\Profile.SAV", "one");
  std::string driveC = sim::MachineRoot() + "/drive_c";
  EXPECT_EQ(ReadLinuxFile(driveC + "/GameSave/Profile.SAV"), "one");
  // Opening with other case finds the same file instead of creating another.
  WriteWindowsFile("c:\\gamesave\\profile.sav", "two");
  EXPECT_EQ(ReadLinuxFile(driveC + "/GameSave/Profile.SAV"), "two");
  struct stat st;
  EXPECT_NE(stat((driveC + "/gamesave").c_str(), &st), 0);
  EXPECT_FALSE(CreateDirectoryA("C:\\GAMESAVE", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
}

TEST(SimDriveMapping, DriveZReachesLinuxFilesAndFifos) {
  std::string dir = sim::MachineRoot() + "/linux-side";
  ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
  std::string windowsDir = "Z:" + dir;
  for (char& ch : windowsDir)
    if (ch == '/') ch = '\\';
  {
    std::ofstream(dir + "/plain.txt") << "linux text";
  }
  HANDLE hFile = CreateFileA((windowsDir + "\\plain.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
  char buffer[32] = {};
  DWORD cb = 0;
  ASSERT_TRUE(ReadFile(hFile, buffer, sizeof buffer, &cb, nullptr));
  EXPECT_EQ(std::string(buffer, cb), "linux text");
  CloseHandle(hFile);

  // A FIFO stands for a device: the report written arrives at the reader.
  std::string fifo = dir + "/device";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  FILE* pReader = fopen(fifo.c_str(), "r+");  // r+ keeps the open from blocking
  ASSERT_NE(pReader, nullptr);
  hFile = CreateFileA((windowsDir + "\\device").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hFile, INVALID_HANDLE_VALUE) << GetLastError();
  const unsigned char report[4] = {0, 17, 31, 0};
  ASSERT_TRUE(WriteFile(hFile, report, 4, &cb, nullptr));
  EXPECT_EQ(cb, 4u);
  CloseHandle(hFile);
  unsigned char received[4] = {0xcd, 0xcd, 0xcd, 0xcd};
  ASSERT_EQ(fread(received, 1, 4, pReader), 4u);
  EXPECT_EQ(0, memcmp(received, report, 4));
  fclose(pReader);
}

TEST(SimDriveMapping, FullDiskFailsWithDiskFull) {
  HANDLE hFile = CreateFileA("Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  if (hFile == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no /dev/full here";
  DWORD cb = 0xdeadbeef;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(WriteFile(hFile, "data", 4, &cb, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(cb, 0u);
  CloseHandle(hFile);
}

class DeviceOpenerTest : public ::testing::Test {
 protected:
  void TearDown() override { qjplat::SetDeviceOpener(nullptr); }
};

class RecordingDevice : public qjplat::KernelObject {
 public:
  BOOL Write(const void* pBuffer, DWORD cbToWrite, DWORD* pcbWritten) override {
    m_written.assign(static_cast<const char*>(pBuffer), cbToWrite);
    if (pcbWritten) *pcbWritten = cbToWrite;
    return TRUE;
  }
  std::string m_written;
};

TEST_F(DeviceOpenerTest, DevicePathsGoToTheOpenerOnly) {
  const char* pszPath = "\\\\?\\hid#vid_7c3a&pid_a02f#1&2&3#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateFileA(pszPath, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  auto device = std::make_shared<RecordingDevice>();
  std::string seenPath;
  qjplat::SetDeviceOpener([&](const std::string& path, DWORD, DWORD, DWORD* pdwError) -> std::shared_ptr<qjplat::KernelObject> {
    seenPath = path;
    if (path.find("pid_a02f") == std::string::npos) {
      *pdwError = 0;  // declined
      return nullptr;
    }
    return device;
  });
  HANDLE hDevice = CreateFileA(pszPath, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hDevice, INVALID_HANDLE_VALUE);
  EXPECT_EQ(seenPath, pszPath);
  DWORD cb = 0;
  ASSERT_TRUE(WriteFile(hDevice, "\0\x08\x1f\0", 4, &cb, nullptr));
  EXPECT_EQ(device->m_written, std::string("\0\x08\x1f\0", 4));
  char ch;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReadFile(hDevice, &ch, 1, &cb, nullptr));  // this device only writes
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(CloseHandle(hDevice));

  SetLastError(0xdeadbeef);
  EXPECT_EQ(CreateFileA("\\\\.\\other", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace

// LoadLibraryA, GetProcAddress, DllMain calls, module names and handles.
#include "platform/sim/sim.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

typedef LONG(WINAPI* TestModuleCallsProc)(void);

std::string WindowsForm(const std::string& linuxPath) {
  std::string path = "Z:" + linuxPath;
  for (char& ch : path)
    if (ch == '/') ch = '\\';
  return path;
}

const std::string kModulePath = WindowsForm(QJ_TEST_MODULE_PATH);

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::string::size_type pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

TEST(Kernel32Module, DllMainRunsOnFirstLoadAndLastFree) {
  sim::ClearDebugOutput();
  HMODULE hFirst = LoadLibraryA(kModulePath.c_str());
  ASSERT_NE(hFirst, nullptr) << GetLastError();
  EXPECT_EQ(sim::DebugOutput(), "test_module: DllMain 1 named\n");

  HMODULE hSecond = LoadLibraryA(kModulePath.c_str());
  EXPECT_EQ(hSecond, hFirst);
  auto pfnCalls = reinterpret_cast<TestModuleCallsProc>(GetProcAddress(hFirst, "TestModuleCalls"));
  ASSERT_NE(pfnCalls, nullptr);
  EXPECT_EQ(pfnCalls(), 1);  // the second load did not run DllMain again

  EXPECT_EQ(GetModuleHandleA("qj_test_module.so"), hFirst);
  EXPECT_EQ(GetModuleHandleA("QJ_TEST_MODULE"), hFirst);

  ASSERT_TRUE(FreeLibrary(hSecond));
  EXPECT_EQ(CountOf(sim::DebugOutput(), "DllMain 0"), 0);
  ASSERT_TRUE(FreeLibrary(hFirst));
  EXPECT_EQ(sim::DebugOutput(), "test_module: DllMain 1 named\ntest_module: DllMain 0 named\n");
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(FreeLibrary(hFirst));
  EXPECT_EQ(GetModuleHandleA("qj_test_module.so"), nullptr);

  // Loaded afresh after the last free, the module starts over.
  HMODULE hAgain = LoadLibraryA(kModulePath.c_str());
  ASSERT_NE(hAgain, nullptr);
  pfnCalls = reinterpret_cast<TestModuleCallsProc>(GetProcAddress(hAgain, "TestModuleCalls"));
  ASSERT_NE(pfnCalls, nullptr);
  EXPECT_EQ(pfnCalls(), 1);
  EXPECT_TRUE(FreeLibrary(hAgain));
}

TEST(Kernel32Module, MissingModulesAndExports) {
  SetLastError(0xdeadbeef);
  EXPECT_EQ(LoadLibraryA("C:\\windows\\system32\\no_such_module.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  HMODULE hModule = LoadLibraryA(kModulePath.c_str());
  ASSERT_NE(hModule, nullptr);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetProcAddress(hModule, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetProcAddress(hModule, MAKEINTRESOURCEA(1)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(FreeLibrary(hModule));
}

TEST(Kernel32Module, FileNameIsTheWindowsFormAndShortBuffersTruncate) {
  HMODULE hModule = LoadLibraryA(kModulePath.c_str());
  ASSERT_NE(hModule, nullptr);
  char szPath[MAX_PATH];
  std::memset(szPath, 0xcd, sizeof szPath);
  DWORD cch = GetModuleFileNameA(hModule, szPath, MAX_PATH);
  EXPECT_EQ(std::string(szPath), kModulePath);
  EXPECT_EQ(cch, kModulePath.size());

  // Too short: nSize - 1 characters and the terminator, result nSize.
  std::memset(szPath, 0xcd, sizeof szPath);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetModuleFileNameA(hModule, szPath, 8), 8u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(szPath), kModulePath.substr(0, 7));
  EXPECT_EQ(static_cast<unsigned char>(szPath[8]), 0xcdu);
  EXPECT_TRUE(FreeLibrary(hModule));

  // NULL names the executable.
  char szExe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", szExe, sizeof szExe - 1);
  ASSERT_GT(n, 0);
  std::string exe = WindowsForm(std::string(szExe, static_cast<size_t>(n)));
  cch = GetModuleFileNameA(nullptr, szPath, MAX_PATH);
  EXPECT_EQ(std::string(szPath), exe);
  EXPECT_EQ(cch, exe.size());
  char szFromHandle[MAX_PATH] = "";
  GetModuleFileNameA(GetModuleHandleA(nullptr), szFromHandle, MAX_PATH);
  EXPECT_EQ(std::string(szFromHandle), exe);
}

}  // namespace

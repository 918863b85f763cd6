// Separate processes sharing one machine's registry through its file.
#include "reg_test_util.h"

#include <set>
#include <string>

using regtest::Query;
using regtest::RunChild;
using regtest::SetValue;

namespace {

class RegistryProcesses : public ::testing::Test {
 protected:
  void SetUp() override { sim::ResetRegistry(); }
};

TEST_F(RegistryProcesses, ChildWritesReachTheParentsOpenHandle) {
  HKEY hKey = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\QjProc", &hKey));
  const int rc = RunChild([] {
    const DWORD dw = 0xA02F;
    if (SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\qjproc", "fromChild", REG_DWORD, &dw, 4) != ERROR_SUCCESS) return 1;
    HKEY hKid = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\QjProc\\kid", &hKid) != ERROR_SUCCESS) return 2;
    RegCloseKey(hKid);
    return 0;
  });
  ASSERT_EQ(0, rc);

  DWORD dw = 0;
  DWORD cb = sizeof dw;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(hKey, "fromChild", nullptr, nullptr, reinterpret_cast<BYTE*>(&dw), &cb));
  EXPECT_EQ(0xA02Fu, dw);
  DWORD cSubKeys = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &cSubKeys, nullptr, nullptr, nullptr,
                                            nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(1u, cSubKeys);
  RegCloseKey(hKey);
}

TEST_F(RegistryProcesses, ParentWritesReachAChild) {
  const BYTE data[] = {1, 2, 3};
  ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_CURRENT_USER, "Software\\QjProc", "v", REG_BINARY, data, sizeof data));
  const int rc = RunChild([] {
    // The child starts from the file, as a new process does.
    regtest::Reload();
    const regtest::ValueRead r = Query(HKEY_CURRENT_USER, "Software\\QjProc", "v");
    return r.lErr == ERROR_SUCCESS && r.data == std::vector<BYTE>{1, 2, 3} ? 0 : 1;
  });
  EXPECT_EQ(0, rc);
}

TEST_F(RegistryProcesses, KeyDeletedByAnotherProcess) {
  HKEY hVictim = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\QjProc\\Victim", &hVictim));
  ASSERT_EQ(0, RunChild([] { return RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\QjProc\\Victim") == 0 ? 0 : 1; }));
  DWORD cb = 0;
  EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(hVictim, "x", nullptr, nullptr, nullptr, &cb));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hVictim));
}

// Two processes add values to one key at the same time; none is lost.
TEST_F(RegistryProcesses, ConcurrentWritersLoseNothing) {
  constexpr int kPerChild = 60;
  HKEY hKey = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\QjConcurrent", &hKey));
  int fds[2];
  ASSERT_EQ(0, pipe(fds));
  std::fflush(nullptr);
  pid_t pids[2];
  for (int c = 0; c < 2; ++c) {
    pids[c] = fork();
    ASSERT_GE(pids[c], 0);
    if (pids[c] == 0) {
      close(fds[1]);
      char go = 0;
      if (read(fds[0], &go, 1) != 1) _exit(10);  // both start together
      for (int i = 0; i < kPerChild; ++i) {
        const std::string name = "p" + std::to_string(c) + "_" + std::to_string(i);
        const DWORD dw = static_cast<DWORD>(c * 1000 + i);
        if (SetValue(HKEY_LOCAL_MACHINE, "Software\\QjConcurrent", name.c_str(), REG_DWORD, &dw, 4) != 0) _exit(1);
        if (i % 10 == 0) {
          const std::string sub = "Software\\QjConcurrent\\k" + std::to_string(c) + "_" + std::to_string(i);
          HKEY h = nullptr;
          if (RegCreateKeyA(HKEY_LOCAL_MACHINE, sub.c_str(), &h) != 0) _exit(2);
          RegCloseKey(h);
        }
      }
      _exit(0);
    }
  }
  close(fds[0]);
  ASSERT_EQ(2, write(fds[1], "gg", 2));
  close(fds[1]);
  for (pid_t pid : pids) {
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
  }

  DWORD cValues = 0, cSubKeys = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &cSubKeys, nullptr, nullptr, &cValues,
                                            nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(2u * kPerChild, cValues);
  EXPECT_EQ(2u * kPerChild / 10, cSubKeys);
  std::set<std::string> names;
  for (DWORD i = 0; i < cValues; ++i) {
    char szName[32];
    DWORD cch = sizeof szName;
    DWORD dw = 0, cb = sizeof dw;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(hKey, i, szName, &cch, nullptr, nullptr, reinterpret_cast<BYTE*>(&dw), &cb));
    const std::string name(szName);
    const int c = name[1] - '0';
    const int n = std::stoi(name.substr(3));
    EXPECT_EQ(static_cast<DWORD>(c * 1000 + n), dw) << name;
    names.insert(name);
  }
  EXPECT_EQ(static_cast<size_t>(2 * kPerChild), names.size());
  RegCloseKey(hKey);

  // The file they left reads cleanly.
  regtest::Reload();
  testing::internal::CaptureStderr();
  EXPECT_EQ(ERROR_SUCCESS, Query(HKEY_LOCAL_MACHINE, "Software\\QjConcurrent", "p1_59").lErr);
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

#ifdef QJ_REGEXPORT_PATH
// The command-line host is a process of its own that reads only the file.
TEST_F(RegistryProcesses, RegexportToolPrintsTheSubtree) {
  const char text[] = "Both";
  ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\MediaProperties\\X",
                                    "ThreadingModel", REG_SZ, text, sizeof text));
  const char* const pszKey = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\MediaProperties";
  const std::string cmd = std::string(QJ_REGEXPORT_PATH) + " '" + pszKey + "'";
  FILE* pipeOut = popen(cmd.c_str(), "r");
  ASSERT_NE(nullptr, pipeOut);
  std::string out;
  char buf[512];
  size_t n = 0;
  while ((n = fread(buf, 1, sizeof buf, pipeOut)) > 0) out.append(buf, n);
  const int status = pclose(pipeOut);
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_EQ(sim::ExportRegistry(pszKey), out);
  EXPECT_NE(std::string::npos, out.find("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\X]\r\n"
                                        "\"ThreadingModel\"=\"Both\"\r\n"));

  const std::string missing = std::string(QJ_REGEXPORT_PATH) + " 'HKEY_LOCAL_MACHINE\\Nowhere' 2>/dev/null";
  EXPECT_EQ(1, WEXITSTATUS(std::system(missing.c_str())));
}
#endif

}  // namespace

// GoogleTest main. On Linux each test process runs on a fresh simulated
// machine: a new folder below $QJ_MACHINE_ROOT (or the build tree's default),
// exported as QJ_MACHINE_ROOT so that child processes share it. The folder is
// removed when every test passed and kept for inspection otherwise.
#include <gtest/gtest.h>

#ifndef _WIN32
#include "platform/sim/machine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

bool HasFlag(int argc, char** argv, const char* pszFlag) {
  for (int i = 1; i < argc; ++i)
    if (std::strstr(argv[i], pszFlag)) return true;
  return false;
}

// Creates <base>/run-XXXXXX; empty on failure.
std::string CreateFreshMachine() {
  const char* pszBase = std::getenv("QJ_MACHINE_ROOT");
  std::string base = pszBase && *pszBase ? pszBase : QJ_TEST_MACHINE_BASE;
  std::error_code ec;
  std::filesystem::create_directories(base, ec);
  std::string pattern = base + "/run-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) return std::string();
  return buffer.data();
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // A death-test child re-run by gtest shares its parent's machine; listing
  // the tests needs none.
  bool bOwnMachine = !HasFlag(argc, argv, "internal_run_death_test") && !testing::GTEST_FLAG(list_tests);
  std::string machine;
  if (bOwnMachine) {
    machine = CreateFreshMachine();
    if (machine.empty()) {
      std::perror("qj_test_main: cannot create the simulated machine folder");
      return 2;
    }
    setenv("QJ_MACHINE_ROOT", machine.c_str(), 1);
    sim::SetMachineRoot(machine);
  }
  int result = RUN_ALL_TESTS();
  if (bOwnMachine) {
    if (result == 0) {
      std::error_code ec;
      std::filesystem::remove_all(machine, ec);
    } else {
      std::fprintf(stderr, "simulated machine kept at %s\n", machine.c_str());
    }
  }
  return result;
}

#else

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#endif

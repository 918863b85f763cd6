#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fuzz {

void UseFreshMachine() {
  static bool s_bDone = false;
  if (s_bDone) return;
  s_bDone = true;
  const char* pszBase = std::getenv("QJ_MACHINE_ROOT");
  std::string base = pszBase && *pszBase ? pszBase : (std::filesystem::temp_directory_path() / "qj-fuzz").string();
  std::error_code ec;
  std::filesystem::create_directories(base, ec);
  std::string pattern = base + "/run-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) {
    std::perror("fuzz: cannot create the simulated machine folder");
    std::abort();
  }
  setenv("QJ_MACHINE_ROOT", buffer.data(), 1);
  sim::SetMachineRoot(buffer.data());
  sim::FreezeClock(100000);
}

bool WriteMachineFile(const std::string& path, const void* pData, size_t cb) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD cbWritten = 0;
  const BOOL bOk = WriteFile(h, pData, DWORD(cb), &cbWritten, nullptr);
  CloseHandle(h);
  return bOk && cbWritten == cb;
}

}  // namespace fuzz

// Helpers of the registry tests: files, child processes, reloading.
#pragma once

#include "platform/sim/sim.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace regtest {

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Starts the registry afresh from its file, as a new process would.
inline void Reload() { sim::SetMachineRoot(sim::MachineRoot()); }

// Runs body in a forked child and returns its exit code (body's result),
// or -1 when the child did not exit normally.
inline int RunChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  if (pid < 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::vector<BYTE> Bytes(const char* p, size_t n) { return std::vector<BYTE>(p, p + n); }

// The type and bytes of a value, or lErr set.
struct ValueRead {
  LONG lErr = ERROR_SUCCESS;
  DWORD dwType = 0;
  std::vector<BYTE> data;
};

inline ValueRead Query(HKEY hRoot, const char* pszKey, const char* pszValue) {
  ValueRead r;
  HKEY h = nullptr;
  r.lErr = RegOpenKeyExA(hRoot, pszKey, 0, KEY_READ, &h);
  if (r.lErr != ERROR_SUCCESS) return r;
  DWORD cb = 0;
  r.lErr = RegQueryValueExA(h, pszValue, nullptr, &r.dwType, nullptr, &cb);
  if (r.lErr == ERROR_SUCCESS) {
    r.data.resize(cb);
    r.lErr = RegQueryValueExA(h, pszValue, nullptr, &r.dwType, r.data.data(), &cb);
  }
  RegCloseKey(h);
  return r;
}

inline LONG SetValue(HKEY hRoot, const char* pszKey, const char* pszValue, DWORD dwType, const void* pData,
                     DWORD cb) {
  HKEY h = nullptr;
  LONG lErr = RegCreateKeyA(hRoot, pszKey, &h);
  if (lErr != ERROR_SUCCESS) return lErr;
  lErr = RegSetValueExA(h, pszValue, 0, dwType, static_cast<const BYTE*>(pData), cb);
  RegCloseKey(h);
  return lErr;
}

}  // namespace regtest

// The built program, run as its own process on a fresh simulated machine:
// what it leaves in the machine's registry file.
#include "padsetup_support.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

extern char** environ;

namespace padsetup_test {
namespace {

// Runs the program with QJ_MACHINE_ROOT set to strRoot; its exit code, or -1.
int RunChild(const std::string& strRoot) {
  std::vector<std::string> env;
  for (char** pp = environ; *pp != nullptr; ++pp)
    if (std::strncmp(*pp, "QJ_MACHINE_ROOT=", 16) != 0) env.push_back(*pp);
  env.push_back("QJ_MACHINE_ROOT=" + strRoot);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string strProgram = QJ_PADSETUP_PROGRAM;
  char* argv[] = {strProgram.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, strProgram.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// The .reg text as sections: key path in upper case (names compare without
// case) -> the section's lines (continued lines joined, indentation dropped).
std::map<std::string, std::vector<std::string>> ParseRegFile(const std::string& text, std::string* pHeader) {
  std::map<std::string, std::vector<std::string>> sections;
  std::istringstream in(text);
  std::string line;
  std::string current;
  std::string pending;
  bool bFirst = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (bFirst) {
      *pHeader = line;
      bFirst = false;
      continue;
    }
    if (!pending.empty()) {
      size_t start = line.find_first_not_of(' ');
      line = pending + (start == std::string::npos ? "" : line.substr(start));
      pending.clear();
    }
    if (!line.empty() && line.back() == '\\') {
      line.pop_back();
      pending = line;
      continue;
    }
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      current = Upper(line.substr(1, line.size() - 2));
      sections[current];
    } else if (!line.empty() && !current.empty()) {
      sections[current].push_back(line);
    }
  }
  return sections;
}

std::string RegLine(const OemValue& value) {
  std::string line = "\"" + value.strName + "\"=";
  if (value.dwType == REG_SZ) return line + "\"" + std::string(value.data.begin(), value.data.end() - 1) + "\"";
  line += "hex:";
  static const char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < value.data.size(); ++i) {
    if (i != 0) line += ',';
    line += kDigits[value.data[i] >> 4];
    line += kDigits[value.data[i] & 0xF];
  }
  return line;
}

// Checks the registry file below strRoot for every OEM value, and that no key
// was made directly below HKEY_LOCAL_MACHINE for the device tree.
void ExpectRegistryFile(const std::string& strRoot) {
  std::ifstream file(strRoot + "/registry.reg", std::ios::binary);
  ASSERT_TRUE(file.good());
  std::stringstream content;
  content << file.rdbuf();
  std::string strHeader;
  std::map<std::string, std::vector<std::string>> sections = ParseRegFile(content.str(), &strHeader);
  EXPECT_EQ("Windows Registry Editor Version 5.00", strHeader);

  for (const OemValue& value : ExpectedOemValues()) {
    const std::string strSection = Upper("HKEY_LOCAL_MACHINE\\" + OemPath(value.strSubKey));
    SCOPED_TRACE(strSection + " " + value.strName);
    ASSERT_EQ(1u, sections.count(strSection));
    const std::vector<std::string>& lines = sections[strSection];
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), RegLine(value)));
  }
  for (const auto& section : sections) EXPECT_NE(0u, section.first.rfind("HKEY_LOCAL_MACHINE\\ENUM", 0));
}

// A second run finds the first run's file and leaves the same entries.
TEST(PadSetupProgram, RunsLeaveTheOemEntriesInTheMachineRegistryFile) {
  const char* pszBase = std::getenv("QJ_MACHINE_ROOT");
  ASSERT_NE(nullptr, pszBase);
  const std::string strRoot = std::string(pszBase) + "/padsetup-child";
  std::filesystem::remove_all(strRoot);
  std::filesystem::create_directories(strRoot);

  for (int nRun = 1; nRun <= 2; ++nRun) {
    SCOPED_TRACE("run " + std::to_string(nRun));
    EXPECT_EQ(1, RunChild(strRoot));
    ExpectRegistryFile(strRoot);
  }
}

}  // namespace
}  // namespace padsetup_test

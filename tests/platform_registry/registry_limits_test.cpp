// What the registry refuses to protect itself (the keys RegDeleteKeyA
// protects, the depth limit), and what it keeps bounded in long runs (the
// write log, temporary files of killed saves).
#include "reg_test_util.h"

#include <csignal>
#include <string>
#include <vector>

using regtest::Exists;
using regtest::Query;
using regtest::ReadText;
using regtest::Reload;
using regtest::SetValue;
using regtest::WriteText;

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00\r\n\r\n";

class RegistryLimits : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ClearRegistryFailures();
    sim::ResetRegistry();
  }
};

// "A\A\A..." of n names.
std::string Chain(size_t n) {
  std::string path;
  for (size_t i = 0; i < n; ++i) path += i ? "\\A" : "A";
  return path;
}

TEST_F(RegistryLimits, ImportRefusesToDeleteWhatRegDeleteKeyProtects) {
  ASSERT_EQ(SetValue(HKEY_CLASSES_ROOT, "CLSID\\{x}", "Kept", REG_SZ, "y", 2), ERROR_SUCCESS);
  ASSERT_EQ(SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Gone\\Below", "v", REG_SZ, "z", 2), ERROR_SUCCESS);
  for (const char* pszSection : {"[-HKEY_LOCAL_MACHINE\\SOFTWARE]", "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]",
                                 "[-HKEY_CLASSES_ROOT]", "[-HKEY_LOCAL_MACHINE]"}) {
    SCOPED_TRACE(pszSection);
    std::string issues;
    EXPECT_FALSE(sim::ImportRegistry(std::string(kHeader) + pszSection + "\r\n", &issues));
    EXPECT_NE(issues.find("line 3: the key"), std::string::npos) << issues;
    EXPECT_NE(issues.find("cannot be deleted"), std::string::npos) << issues;
    EXPECT_EQ(Query(HKEY_CLASSES_ROOT, "CLSID\\{x}", "Kept").lErr, ERROR_SUCCESS);
  }
  // What may go still goes, subkeys and all.
  EXPECT_TRUE(sim::ImportRegistry(std::string(kHeader) + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\r\n", nullptr));
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\Gone", nullptr).lErr, ERROR_FILE_NOT_FOUND);
}

// Whatever a file or an import holds, every open that succeeds gives a key.
TEST_F(RegistryLimits, NoOpenSucceedsWithoutAHandle) {
  const std::string deleting = std::string(kHeader) + "[-HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n";
  for (bool bImport : {true, false}) {
    SCOPED_TRACE(bImport ? "imported" : "loaded from the file");
    if (bImport) {
      sim::ImportRegistry(deleting, nullptr);
    } else {
      WriteText(sim::RegistryFilePath(), deleting);
      Reload();
    }
    const struct {
      HKEY hRoot;
      const char* pszSubKey;
    } kKeys[] = {{HKEY_CLASSES_ROOT, "QjSub"},
                 {HKEY_LOCAL_MACHINE, "SOFTWARE\\QjSub"},
                 {HKEY_CURRENT_USER, "QjSub"}};
    for (const auto& key : kKeys) {
      SCOPED_TRACE(key.pszSubKey);
      HKEY h = nullptr;
      ASSERT_EQ(RegCreateKeyExA(key.hRoot, key.pszSubKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
                ERROR_SUCCESS);
      EXPECT_NE(h, nullptr);
      RegCloseKey(h);
      h = nullptr;
      ASSERT_EQ(RegOpenKeyExA(key.hRoot, key.pszSubKey, 0, KEY_READ, &h), ERROR_SUCCESS);
      EXPECT_NE(h, nullptr);
      RegCloseKey(h);
    }
    // A refused create hands back no handle.
    HKEY h = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegCreateKeyExA(HKEY_USERS, "QjSub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(h, nullptr);
  }
}

TEST_F(RegistryLimits, KeysDeeperThan512LevelsAreRefused) {
  HKEY hDeepest = nullptr;
  // HKEY_CURRENT_USER\A (level 1) ... level 512 in one call.
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, Chain(512).c_str(), &hDeepest), ERROR_SUCCESS);
  HKEY h = nullptr;
  EXPECT_EQ(RegCreateKeyA(hDeepest, "B", &h), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, Chain(513).c_str(), &h), ERROR_INVALID_PARAMETER);
  // HKEY_CLASSES_ROOT lies two levels below HKEY_LOCAL_MACHINE.
  EXPECT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, Chain(511).c_str(), &h), ERROR_INVALID_PARAMETER);
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, Chain(510).c_str(), &h), ERROR_SUCCESS);
  RegCloseKey(h);
  RegCloseKey(hDeepest);

  // The deepest keys are saved and read back; a deeper section of a file is
  // a line that cannot be read.
  Reload();
  EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, Chain(512).c_str(), &h), ERROR_SUCCESS);
  RegCloseKey(h);
  std::string issues;
  EXPECT_FALSE(sim::ImportRegistry(std::string(kHeader) + "[HKEY_CURRENT_USER\\" + Chain(513) + "]\r\n", &issues));
  EXPECT_NE(issues.find("deeper than 512 levels"), std::string::npos) << issues;
  EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, Chain(513).c_str(), &h), ERROR_FILE_NOT_FOUND);
}

// A file of 100,000 nested sections (what once overflowed the stack) is read
// in bounded time and memory: the first 512 levels, nothing below.
TEST_F(RegistryLimits, DeeplyNestedFileLoadsItsFirst512Levels) {
  std::string text = kHeader;
  std::string path = "HKEY_CURRENT_USER";
  for (int i = 0; i < 100000; ++i) {
    path += "\\K";
    if (i < 600 || i % 10000 == 0) text += "[" + path + "]\r\n";
  }
  text += "[" + path + "]\r\n";
  WriteText(sim::RegistryFilePath(), text);
  Reload();
  std::string k512 = "K";
  for (int i = 1; i < 512; ++i) k512 += "\\K";
  HKEY h = nullptr;
  EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, k512.c_str(), &h), ERROR_SUCCESS);
  RegCloseKey(h);
  EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, (k512 + "\\K").c_str(), &h), ERROR_FILE_NOT_FOUND);
  // A write saves the tree (and keeps the unreadable file aside).
  ASSERT_EQ(SetValue(HKEY_CURRENT_USER, k512.c_str(), "v", REG_SZ, "x", 2), ERROR_SUCCESS);
  Reload();
  EXPECT_EQ(Query(HKEY_CURRENT_USER, k512.c_str(), "v").data, std::vector<BYTE>({'x', 0}));
}

TEST_F(RegistryLimits, WriteLogKeepsTheNewestWritesWithinItsBounds) {
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "QjLog", &h), ERROR_SUCCESS);
  // Ten values set once, then 5000 writes that change nothing (logged too,
  // with no save): writes 0..5009, the last 4096 kept.
  const DWORD dw = 7;
  for (int i = 0; i < 5010; ++i) {
    const std::string name = "v" + std::to_string(i < 10 ? i : (i - 10) % 10);
    ASSERT_EQ(RegSetValueExA(h, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dw), 4), 0);
  }
  std::vector<sim::RegistryWrite> writes = sim::RegistryWrites();
  ASSERT_EQ(writes.size(), 4096u);
  EXPECT_EQ(writes.front().strName, "v4") << "write 914 is the oldest kept";
  EXPECT_EQ(writes.back().strName, "v9");

  // By data: 4 MiB at most, and the newest write whatever its size.
  const std::vector<BYTE> big(size_t(1) << 20, 0x5A);
  sim::ClearRegistryWrites();
  for (int i = 0; i < 6; ++i) ASSERT_EQ(RegSetValueExA(h, "big", 0, REG_BINARY, big.data(), DWORD(big.size())), 0);
  EXPECT_EQ(sim::RegistryWrites().size(), 4u);
  const std::vector<BYTE> huge((size_t(4) << 20) + 1, 1);
  ASSERT_EQ(RegSetValueExA(h, "huge", 0, REG_BINARY, huge.data(), DWORD(huge.size())), 0);
  writes = sim::RegistryWrites();
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].strName, "huge");
  RegCloseKey(h);
}

// A save killed before its rename leaves registry.reg.tmp.<pid>; the next
// load removes it once that process is gone, and no file of a live process.
TEST_F(RegistryLimits, LoadRemovesTemporaryFilesOfProcessesThatAreGone) {
  ASSERT_EQ(SetValue(HKEY_CURRENT_USER, "QjTmp", "v", REG_SZ, "x", 2), ERROR_SUCCESS);
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  ASSERT_GT(dead, 0);
  int status = 0;
  ASSERT_EQ(waitpid(dead, &status, 0), dead);
  const std::string base = sim::RegistryFilePath() + ".tmp.";
  const std::string stale = base + std::to_string(dead);
  const std::string live = base + std::to_string(getpid());
  const std::string other = base + "notapid";
  for (const std::string& path : {stale, live, other}) WriteText(path, "half a save");
  Reload();
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "QjTmp", "v").data, std::vector<BYTE>({'x', 0}));
  EXPECT_FALSE(Exists(stale));
  EXPECT_TRUE(Exists(live));
  EXPECT_TRUE(Exists(other));
  for (const std::string& path : {live, other}) std::remove(path.c_str());
}

}  // namespace

// The registry's sim controls, HKEY_CLASSES_ROOT's home, and threads.
#include "reg_test_util.h"

#include <string>
#include <thread>
#include <vector>

using regtest::Query;
using regtest::SetValue;

namespace {

class RegistrySim : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ClearRegistryFailures();
    sim::ResetRegistry();
  }
  void TearDown() override { sim::ClearRegistryFailures(); }
};

const char kOem[] = "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\VID_7C3A&PID_A02f";

TEST_F(RegistrySim, FailKeyCreationRefusesExactlyThatKey) {
  const struct {
    const char* pszLabel;
    bool bCreates;
    LONG (*call)(const char* pszKey, HKEY* phKey);
  } kCalls[] = {
      {"RegCreateKeyA", true, [](const char* k, HKEY* h) { return RegCreateKeyA(HKEY_LOCAL_MACHINE, k, h); }},
      {"RegCreateKeyExA", true,
       [](const char* k, HKEY* h) {
         return RegCreateKeyExA(HKEY_LOCAL_MACHINE, k, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, h, nullptr);
       }},
      {"RegOpenKeyA", false, [](const char* k, HKEY* h) { return RegOpenKeyA(HKEY_LOCAL_MACHINE, k, h); }},
      {"RegOpenKeyExA", false, [](const char* k, HKEY* h) { return RegOpenKeyExA(HKEY_LOCAL_MACHINE, k, 0, KEY_ALL_ACCESS, h); }},
  };
  const std::string below = std::string(kOem) + "\\Axes\\0";
  sim::FailKeyCreation(HKEY_LOCAL_MACHINE, kOem, true);
  for (bool bExists : {false, true}) {
    for (const auto& call : kCalls) {
      SCOPED_TRACE(std::string(call.pszLabel) + (bExists ? ", key exists" : ", key missing"));
      // Opening a key that does not exist has nothing to refuse.
      const LONG lExpected = bExists || call.bCreates ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
      HKEY h = nullptr;
      EXPECT_EQ(lExpected, call.call(kOem, &h));
      // The key's name without regard to case.
      EXPECT_EQ(lExpected, call.call("system\\currentcontrolset\\control\\mediaproperties\\"
                                               "privateproperties\\joystick\\oem\\vid_7c3a&pid_a02F",
                                               &h));
    }
    if (!bExists) {
      // Below it is allowed, which makes the refused key as a parent.
      HKEY h = nullptr;
      ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, below.c_str(), &h));
      RegCloseKey(h);
    }
  }
  sim::FailKeyCreation(HKEY_LOCAL_MACHINE, kOem, false);
  HKEY h = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, kOem, &h));
  RegCloseKey(h);
}

TEST_F(RegistrySim, ClearRegistryFailuresAndClassesRootPaths) {
  sim::FailKeyCreation(HKEY_CLASSES_ROOT, "CLSID\\{X}", true);
  sim::FailKeyCreation(HKEY_CURRENT_USER, "Software\\A\\", true);
  HKEY h = nullptr;
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Classes\\CLSID\\{x}", &h));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\A", &h));
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\A", &h));  // another hive
  RegCloseKey(h);
  sim::ClearRegistryFailures();
  for (HKEY hRoot : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER}) {
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(hRoot, hRoot == HKEY_CLASSES_ROOT ? "CLSID\\{X}" : "Software\\A", &h));
    RegCloseKey(h);
  }
}

TEST_F(RegistrySim, ClassesRootIsHklmSoftwareClasses) {
  const char path[] = "C:\\x\\ff.dll";
  ASSERT_EQ(ERROR_SUCCESS,
            SetValue(HKEY_CLASSES_ROOT, "CLSID\\{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}\\InProcServer32", nullptr,
                     REG_SZ, path, sizeof path));
  const regtest::ValueRead r = Query(
      HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}\\InProcServer32", "");
  ASSERT_EQ(ERROR_SUCCESS, r.lErr);
  EXPECT_EQ(regtest::Bytes(path, sizeof path), r.data);

  // And the other way round.
  const DWORD dw = 3;
  ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "Software\\Classes\\.qj", "n", REG_DWORD, &dw, 4));
  EXPECT_EQ(ERROR_SUCCESS, Query(HKEY_CLASSES_ROOT, ".qj", "n").lErr);

  // The export names the keys as seen through HKEY_CLASSES_ROOT.
  const std::string text = sim::ExportRegistry("HKEY_CLASSES_ROOT\\CLSID");
  EXPECT_EQ(0u, text.find("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\CLSID]\r\n\r\n"
                          "[HKEY_CLASSES_ROOT\\CLSID\\{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}]\r\n"))
      << text;
}

TEST_F(RegistrySim, HivesAndTheClassesKeyCannotBeDeleted) {
  // After a reset HKEY_LOCAL_MACHINE\SOFTWARE\Classes exists and is empty.
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Classes"));
  for (HKEY hRoot : {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_USERS})
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(hRoot, ""));
  HKEY h = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT, ".qj", &h));
  RegCloseKey(h);
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\CLASSES\\.QJ", &h));
  RegCloseKey(h);
}

TEST_F(RegistrySim, ResetEmptiesTheRegistryAndRemovesTheFile) {
  const DWORD dw = 1;
  ASSERT_EQ(ERROR_SUCCESS, SetValue(HKEY_LOCAL_MACHINE, "Software\\QjReset", "v", REG_DWORD, &dw, 4));
  HKEY hOpen = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\QjReset", &hOpen));
  ASSERT_TRUE(regtest::Exists(sim::RegistryFilePath()));

  sim::ResetRegistry();
  EXPECT_FALSE(regtest::Exists(sim::RegistryFilePath()));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Query(HKEY_LOCAL_MACHINE, "Software\\QjReset", "v").lErr);
  DWORD cb = 0;
  EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(hOpen, "v", nullptr, nullptr, nullptr, &cb));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hOpen));
  EXPECT_EQ(sim::MachineRoot() + "/registry.reg", sim::RegistryFilePath());
  EXPECT_EQ("", sim::ExportRegistry("HKEY_LOCAL_MACHINE\\Software\\QjReset"));
}

TEST_F(RegistrySim, ThreadsShareHandlesSafely) {
  constexpr int kThreads = 4;
  constexpr int kValues = 25;
  HKEY hShared = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\QjThreads", &hShared));
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, hShared, &failures] {
      for (int i = 0; i < kValues; ++i) {
        const std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
        const DWORD dw = static_cast<DWORD>(i);
        if (RegSetValueExA(hShared, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dw), 4) != 0)
          ++failures[t];
        HKEY hOwn = nullptr;
        if (RegCreateKeyA(hShared, ("sub" + std::to_string(t)).c_str(), &hOwn) != 0) {
          ++failures[t];
          continue;
        }
        DWORD cb = 0;
        if (RegQueryValueExA(hShared, name.c_str(), nullptr, nullptr, nullptr, &cb) != 0 || cb != 4) ++failures[t];
        if (RegCloseKey(hOwn) != 0) ++failures[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(0, failures[t]) << "thread " << t;
  DWORD cValues = 0, cSubKeys = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(hShared, nullptr, nullptr, nullptr, &cSubKeys, nullptr, nullptr,
                                            &cValues, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(kThreads * kValues), cValues);
  EXPECT_EQ(static_cast<DWORD>(kThreads), cSubKeys);
  RegCloseKey(hShared);
}

}  // namespace

namespace {

TEST_F(RegistrySim, WriteLogKeepsEverySuccessfulWriteInOrder) {
  HKEY hKey = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\QjLog", &hKey), ERROR_SUCCESS);
  sim::ClearRegistryWrites();
  const BYTE one[] = {1, 2, 3};
  const BYTE two[] = {9};
  EXPECT_EQ(RegSetValueExA(hKey, "A", 0, REG_BINARY, one, sizeof one), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(hKey, "A", 0, REG_BINARY, one, sizeof one), ERROR_SUCCESS);  // unchanged
  EXPECT_EQ(RegSetValueExA(hKey, nullptr, 0, REG_BINARY, two, sizeof two), ERROR_SUCCESS);
  EXPECT_NE(RegSetValueExA(reinterpret_cast<HKEY>(0x1234), "B", 0, REG_BINARY, two, sizeof two), ERROR_SUCCESS);
  EXPECT_NE(RegSetValueExA(hKey, "C", 0, REG_BINARY, nullptr, 4), ERROR_SUCCESS);
  RegCloseKey(hKey);

  const std::vector<sim::RegistryWrite> writes = sim::RegistryWrites();
  ASSERT_EQ(writes.size(), 3u);
  for (const sim::RegistryWrite& write : writes) EXPECT_EQ(write.strKey, "HKEY_CURRENT_USER\\Software\\QjLog");
  EXPECT_EQ(writes[0].strName, "A");
  EXPECT_EQ(writes[1].strName, "A");
  EXPECT_EQ(writes[0].data, std::vector<BYTE>(one, one + sizeof one));
  EXPECT_EQ(writes[2].strName, "");
  EXPECT_EQ(writes[2].dwType, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(writes[2].data, std::vector<BYTE>(two, two + sizeof two));

  sim::ResetRegistry();
  EXPECT_TRUE(sim::RegistryWrites().empty()) << "a reset starts a new log";
}

}  // namespace

namespace {

TEST_F(RegistrySim, ImportMergesReadableLinesAndReportsTheOthers) {
  HKEY hKey = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\QjImport", &hKey), ERROR_SUCCESS);
  const BYTE kept[] = {7};
  ASSERT_EQ(RegSetValueExA(hKey, "Kept", 0, REG_BINARY, kept, sizeof kept), ERROR_SUCCESS);
  RegCloseKey(hKey);

  std::string issues = "stale";
  EXPECT_TRUE(sim::ImportRegistry("Windows Registry Editor Version 5.00\r\n\r\n"
                                  "[HKEY_LOCAL_MACHINE\\Software\\QjImport\\Sub]\r\n"
                                  "@=\"text\"\r\n\"Number\"=dword:0000002a\r\n",
                                  &issues));
  EXPECT_EQ(issues, "");
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "Software\\QjImport", "Kept").data, std::vector<BYTE>(kept, kept + 1))
      << "an import merges; it replaces nothing it does not name";
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "Software\\QjImport\\Sub", nullptr).data, std::vector<BYTE>({'t', 'e', 'x', 't', 0}));
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "Software\\QjImport\\Sub", "Number").data, std::vector<BYTE>({42, 0, 0, 0}));

  EXPECT_FALSE(sim::ImportRegistry("Windows Registry Editor Version 5.00\r\n\r\n"
                                   "[HKEY_LOCAL_MACHINE\\Software\\QjImport]\r\nnot a value\r\n\"Late\"=\"x\"\r\n",
                                   &issues));
  EXPECT_NE(issues.find("line 4"), std::string::npos) << issues;
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "Software\\QjImport", "Late").data, std::vector<BYTE>({'x', 0}))
      << "the readable lines are merged all the same";
}

}  // namespace

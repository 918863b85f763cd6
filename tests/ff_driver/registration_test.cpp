// Self-registration under HKEY_CLASSES_ROOT, its debug line on
// unregistration, and the registry and GUID text helpers.
#include "driver_fixture.h"

#include <cstring>
#include <string>

namespace {

const char kClassKey[] = "CLSID\\{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}";

// The REG_SZ value szName of HKEY_CLASSES_ROOT\szKey, or false. The value
// must carry its terminator within its size: it is read into a buffer full
// of a sentinel, so a value stored without one fails.
bool ReadString(const std::string& key, const char* szName, std::string* pValue) {
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
  char buf[512];
  std::memset(buf, 0xcd, sizeof buf);
  DWORD cb = sizeof buf;
  DWORD dwType = 0;
  const LONG lResult = RegQueryValueExA(hKey, szName, nullptr, &dwType, reinterpret_cast<BYTE*>(buf), &cb);
  RegCloseKey(hKey);
  if (lResult != ERROR_SUCCESS || dwType != REG_SZ) return false;
  if (cb == 0 || buf[cb - 1] != 0 || std::strlen(buf) != cb - 1) {
    ADD_FAILURE() << key << " " << (szName ? szName : "(default)") << ": " << cb
                  << " bytes without exactly one terminator at their end";
    return false;
  }
  *pValue = buf;
  return true;
}

bool KeyExists(const std::string& key) {
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
  RegCloseKey(hKey);
  return true;
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::ClearDebugOutput(); }
};

TEST_F(RegistrationTest, RegisterWritesServerPathAndThreadingModel) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  EXPECT_TRUE(KeyExists(kClassKey));
  char szModule[260] = {};
  ASSERT_GT(GetModuleFileNameA(g_hInstance, szModule, sizeof szModule), 0u);
  std::string server;
  ASSERT_TRUE(ReadString(std::string(kClassKey) + "\\InProcServer32", nullptr, &server));
  EXPECT_EQ(server, szModule);
  std::string model;
  ASSERT_TRUE(ReadString(std::string(kClassKey) + "\\InProcServer32", "ThreadingModel", &model));
  EXPECT_EQ(model, "Both");
  // Registering again changes nothing.
  ASSERT_EQ(DllRegisterServer(), S_OK);
  ASSERT_TRUE(ReadString(std::string(kClassKey) + "\\InProcServer32", nullptr, &server));
  EXPECT_EQ(server, szModule);
}

TEST_F(RegistrationTest, UnregisterRemovesTheClassKeyAndWritesOneTraceLine) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  EXPECT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_EQ(sim::DebugOutput(), std::string("ffnote: ") + kClassKey + "\n");
  EXPECT_FALSE(KeyExists(std::string(kClassKey) + "\\InProcServer32"));
  EXPECT_FALSE(KeyExists(kClassKey));

  EXPECT_EQ(DllUnregisterServer(), S_OK) << "a missing key is not reported";
  EXPECT_EQ(sim::DebugOutput(), std::string("ffnote: ") + kClassKey + "\n" + "ffnote: " + kClassKey + "\n");
}

TEST_F(RegistrationTest, UnregisterReportsAClassKeyThatStays) {
  // A subkey the module did not write keeps the class key in place.
  ASSERT_EQ(DllRegisterServer(), S_OK);
  ASSERT_EQ(SetRegistryValue(kClassKey, "ProgID", nullptr, "other"), 1);
  EXPECT_EQ(DllUnregisterServer(), SELFREG_E_CLASS);
  EXPECT_TRUE(KeyExists(kClassKey));
  EXPECT_FALSE(KeyExists(std::string(kClassKey) + "\\InProcServer32"));
  // The foreign subkey is this test's own: it goes, so that later tests in
  // the same process find no class key.
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(kClassKey) + "\\ProgID").c_str()), ERROR_SUCCESS);
  EXPECT_EQ(DllUnregisterServer(), S_OK);
}

TEST_F(RegistrationTest, SetRegistryValueJoinsPathsWithinTheKeyBuffer) {
  EXPECT_EQ(SetRegistryValue("QjTest", "Sub", "Name", "text"), 1);
  std::string value;
  ASSERT_TRUE(ReadString("QjTest\\Sub", "Name", &value));
  EXPECT_EQ(value, "text");
  EXPECT_EQ(SetRegistryValue("QjTest", nullptr, nullptr, "default"), 1);
  ASSERT_TRUE(ReadString("QjTest", nullptr, &value));
  EXPECT_EQ(value, "default");

  // 255 characters with the terminator fill the 256-byte key buffer.
  const std::string base = "QjTest\\";
  const std::string fits = base + std::string(255 - base.size() - 4, 'k');
  EXPECT_EQ(SetRegistryValue(fits.c_str(), "abc", nullptr, nullptr), 1);
  EXPECT_TRUE(KeyExists(fits + "\\abc"));
  EXPECT_EQ(SetRegistryValue(fits.c_str(), "abcd", nullptr, nullptr), 0);
  EXPECT_FALSE(KeyExists(fits + "\\abcd"));
}

TEST_F(RegistrationTest, FormatGuidWritesBracedUpperCase) {
  char buf[64];
  std::memset(buf, 0xcd, sizeof buf);
  EXPECT_EQ(FormatGuid(buf, &CLSID_FFDriver), 38);
  EXPECT_STREQ(buf, "{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}");
  const GUID low = {0x0000000A, 0x000B, 0x00C0, {0, 1, 2, 3, 4, 5, 0xFE, 0xFF}};
  EXPECT_EQ(FormatGuid(buf, &low), 38);
  EXPECT_STREQ(buf, "{0000000A-000B-00C0-0001-02030405FEFF}");
}

TEST(ModuleMainTest, ProcessAttachMakesBothLogsAndDetachDeletesThem) {
  // The program's own handle, as the loader would pass the module's: it stays
  // in g_hInstance after the detach, and later tests may name the file by it.
  const HINSTANCE hSelf = GetModuleHandleA(nullptr);
  EXPECT_TRUE(DllMain(hSelf, DLL_PROCESS_ATTACH, nullptr));
  EXPECT_EQ(g_hInstance, hSelf);
  EXPECT_NE(g_pLog, nullptr);
  EXPECT_NE(g_pErrLog, nullptr);
  EXPECT_NE(g_pLog, g_pErrLog);
  EXPECT_TRUE(DllMain(hSelf, DLL_THREAD_ATTACH, nullptr));
  EXPECT_TRUE(DllMain(hSelf, DLL_THREAD_DETACH, nullptr));
  EXPECT_NE(g_pLog, nullptr);
  EXPECT_TRUE(DllMain(hSelf, DLL_PROCESS_DETACH, nullptr));
  EXPECT_EQ(g_pLog, nullptr);
  EXPECT_EQ(g_pErrLog, nullptr);
  EXPECT_EQ(g_hInstance, hSelf);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/sim/sim.h"
#include "settings.h"

namespace {

const char kRecordKey[] = "Software\\VevOvuRivizud\\47";

class SettingsKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ClearRegistryFailures();
    sim::ResetRegistry();
  }
  void TearDown() override { sim::ClearRegistryFailures(); }

  static bool KeyExists(HKEY hRoot, const char* pszPath) {
    HKEY hKey = NULL;
    if (RegOpenKeyExA(hRoot, pszPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    RegCloseKey(hKey);
    return true;
  }
  // The stored "CurrentValue" under HKLM kRecordKey; false when absent.
  static bool StoredValue(std::vector<BYTE>* pData, DWORD* pdwType) {
    HKEY hKey = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    DWORD cb = 0;
    LSTATUS status = RegQueryValueExA(hKey, "CurrentValue", NULL, pdwType, NULL, &cb);
    if (status == ERROR_SUCCESS) {
      pData->assign(cb, 0);
      status = RegQueryValueExA(hKey, "CurrentValue", NULL, pdwType, pData->data(), &cb);
    }
    RegCloseKey(hKey);
    return status == ERROR_SUCCESS;
  }
  static void StoreValue(DWORD dwType, const std::vector<BYTE>& data) {
    HKEY hKey = NULL;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kRecordKey, &hKey), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(hKey, "CurrentValue", 0, dwType, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(hKey);
  }
  static SettingsRecord PatternRecord() {
    SettingsRecord record;
    BYTE* pBytes = reinterpret_cast<BYTE*>(&record);
    for (size_t i = 0; i < sizeof(record); ++i) pBytes[i] = static_cast<BYTE>(i * 7 + 1);
    return record;
  }
};

TEST_F(SettingsKeyTest, WritesAndReadsTheRecordUnderTheMachineKey) {
  SettingsRecord record{};
  FillSettingsDefaults(&record);
  record.dwKeyCode[3] = 0x04u | KEYCODE_CTRL | KEYCODE_ALT;
  record.dwAxisCalib[2] = 0x010010F0u;
  record.dwReserved = 0xA5A55A5Au;
  {
    SettingsKey key(SETTINGS_KEY_PATH, 47, SETTINGS_RECORD_SIZE);
    ASSERT_NE(key.hKey, nullptr);
    EXPECT_EQ(key.cbRecord, 112u);
    EXPECT_EQ(key.Write(&record, sizeof(record)), 112);
  }
  std::vector<BYTE> stored;
  DWORD dwType = 0xdeadbeef;
  ASSERT_TRUE(StoredValue(&stored, &dwType));
  EXPECT_EQ(dwType, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(stored.size(), 112u);
  EXPECT_EQ(std::memcmp(stored.data(), &record, 112), 0);
  // Little-endian at the record's offsets.
  EXPECT_EQ(stored[0], 1);
  EXPECT_EQ(stored[11], 12);
  EXPECT_EQ(stored[24 + 3 * 4 + 0], 0x04);
  EXPECT_EQ(stored[24 + 3 * 4 + 2], 0x05);
  EXPECT_EQ(stored[72], 0xFF);
  EXPECT_EQ(stored[73], 0x7F);
  EXPECT_EQ(stored[96], 63);
  EXPECT_EQ(stored[100], 63);
  EXPECT_EQ(stored[108], 0x5A);
  EXPECT_EQ(stored[111], 0xA5);

  SettingsKey key(SETTINGS_KEY_PATH, 47, SETTINGS_RECORD_SIZE);
  SettingsRecord back;
  std::memset(&back, 0xcd, sizeof(back));
  EXPECT_EQ(key.Read(&back, sizeof(back)), 112);
  EXPECT_EQ(std::memcmp(&back, &record, sizeof(record)), 0);
}

TEST_F(SettingsKeyTest, OpensAnExistingKeyAndAcceptsAnyValueType) {
  const SettingsRecord pattern = PatternRecord();
  const BYTE* pBytes = reinterpret_cast<const BYTE*>(&pattern);
  StoreValue(REG_NONE, std::vector<BYTE>(pBytes, pBytes + sizeof(pattern)));
  SettingsKey key("Software\\VevOvuRivizud", 47, 112);
  SettingsRecord back;
  std::memset(&back, 0xcd, sizeof(back));
  EXPECT_EQ(key.Read(&back, sizeof(back)), 112);
  EXPECT_EQ(std::memcmp(&back, &pattern, sizeof(back)), 0);
}

TEST_F(SettingsKeyTest, ShorterStoredValueFillsOnlyItsOwnLength) {
  struct Case {
    DWORD dwType;
    size_t cb;
  };
  for (const Case& c : {Case{REG_BINARY, 50}, Case{REG_DWORD, 4}, Case{REG_BINARY, 111}, Case{REG_BINARY, 0}}) {
    SCOPED_TRACE(c.cb);
    std::vector<BYTE> data(c.cb);
    for (size_t i = 0; i < c.cb; ++i) data[i] = static_cast<BYTE>(0x10 + i);
    StoreValue(c.dwType, data);
    SettingsKey key(SETTINGS_KEY_PATH, 47, SETTINGS_RECORD_SIZE);
    BYTE buffer[112];
    std::memset(buffer, 0xcd, sizeof(buffer));
    EXPECT_EQ(key.Read(buffer, sizeof(buffer)), static_cast<int>(c.cb));
    for (size_t i = 0; i < sizeof(buffer); ++i) {
      if (i < c.cb) {
        ASSERT_EQ(buffer[i], data[i]) << i;
      } else {
        ASSERT_EQ(buffer[i], 0xcd) << i;
      }
    }
  }
}

TEST_F(SettingsKeyTest, LongerStoredValueCountsAsMissing) {
  for (size_t cb : {113u, 224u}) {
    SCOPED_TRACE(cb);
    StoreValue(REG_BINARY, std::vector<BYTE>(cb, 0x42));
    SettingsKey key(SETTINGS_KEY_PATH, 47, SETTINGS_RECORD_SIZE);
    SettingsRecord back;
    EXPECT_EQ(key.Read(&back, sizeof(back)), -1);
  }
}

TEST_F(SettingsKeyTest, MissingValueReadsAsMinusOne) {
  SettingsKey key(SETTINGS_KEY_PATH, 12, SETTINGS_RECORD_SIZE);
  ASSERT_NE(key.hKey, nullptr);  // created
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\VevOvuRivizud\\12"));
  BYTE buffer[112];
  std::memset(buffer, 0xcd, sizeof(buffer));
  EXPECT_EQ(key.Read(buffer, sizeof(buffer)), -1);
  EXPECT_EQ(buffer[0], 0xcd);
}

TEST_F(SettingsKeyTest, WrongSizesAndNullBuffersAreRefusedUntouched) {
  const SettingsRecord pattern = PatternRecord();
  const BYTE* pBytes = reinterpret_cast<const BYTE*>(&pattern);
  StoreValue(REG_BINARY, std::vector<BYTE>(pBytes, pBytes + sizeof(pattern)));
  const std::string before = sim::ExportRegistry("HKEY_LOCAL_MACHINE");
  ASSERT_FALSE(before.empty());

  SettingsKey key(SETTINGS_KEY_PATH, 47, SETTINGS_RECORD_SIZE);
  BYTE buffer[200];
  for (DWORD cb : {0u, 1u, 111u, 113u, 200u}) {
    SCOPED_TRACE(cb);
    std::memset(buffer, 0xcd, sizeof(buffer));
    EXPECT_EQ(key.Read(buffer, cb), -1);
    for (BYTE b : buffer) ASSERT_EQ(b, 0xcd);
    EXPECT_EQ(key.Write(buffer, cb), -1);
  }
  EXPECT_EQ(key.Read(NULL, 112), -1);
  EXPECT_EQ(key.Write(NULL, 112), -1);
  EXPECT_EQ(sim::ExportRegistry("HKEY_LOCAL_MACHINE"), before);

  // A key made for another record size takes that size only.
  SettingsKey small(SETTINGS_KEY_PATH, 47, 16);
  EXPECT_EQ(small.Read(buffer, 112), -1);
  EXPECT_EQ(small.Write(buffer, 16), 16);
}

TEST_F(SettingsKeyTest, KeyThatCanNeitherBeOpenedNorCreatedDoesNothing) {
  sim::FailKeyCreation(HKEY_LOCAL_MACHINE, kRecordKey, true);
  const std::string before = sim::ExportRegistry("HKEY_LOCAL_MACHINE");
  {
    SettingsKey key(SETTINGS_KEY_PATH, 47, SETTINGS_RECORD_SIZE);
    EXPECT_EQ(key.hKey, nullptr);
    SettingsRecord record{};
    FillSettingsDefaults(&record);
    EXPECT_EQ(key.Write(&record, sizeof(record)), -1);
    BYTE buffer[112];
    std::memset(buffer, 0xcd, sizeof(buffer));
    EXPECT_EQ(key.Read(buffer, sizeof(buffer)), -1);
    EXPECT_EQ(buffer[0], 0xcd);
    key.Close();
  }
  EXPECT_EQ(sim::ExportRegistry("HKEY_LOCAL_MACHINE"), before);
  sim::FailKeyCreation(HKEY_LOCAL_MACHINE, kRecordKey, false);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kRecordKey));
}

TEST_F(SettingsKeyTest, NullOrOverlongPathOpensNothing) {
  const std::string before = sim::ExportRegistry("HKEY_LOCAL_MACHINE");
  SettingsKey none(NULL, 47, SETTINGS_RECORD_SIZE);
  EXPECT_EQ(none.hKey, nullptr);
  EXPECT_EQ(none.cbRecord, 112u);
  // A name that does not fit the 260-character key buffer.
  const std::string longPath = "Software\\" + std::string(300, 'x');
  SettingsKey tooLong(longPath.c_str(), 47, SETTINGS_RECORD_SIZE);
  EXPECT_EQ(tooLong.hKey, nullptr);
  EXPECT_EQ(sim::ExportRegistry("HKEY_LOCAL_MACHINE"), before);

  // The buffer holds 259 characters and the NUL: a name of 260 characters
  // would be cut to one that names another key.
  const std::string exact = "Software\\" + std::string(248, 'z');  // "\\47" makes 260 characters
  SettingsKey refused(exact.c_str(), 47, SETTINGS_RECORD_SIZE);
  EXPECT_EQ(refused.hKey, nullptr);
  EXPECT_EQ(sim::ExportRegistry("HKEY_LOCAL_MACHINE"), before);

  const std::string fitting = "Software\\" + std::string(247, 'y');  // 259 characters
  SettingsKey fits(fitting.c_str(), 47, SETTINGS_RECORD_SIZE);
  EXPECT_NE(fits.hKey, nullptr);
  fits.Close();
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, (fitting + "\\47").c_str()));
}

TEST_F(SettingsKeyTest, CloseReleasesTheKeyOnce) {
  SettingsKey key(SETTINGS_KEY_PATH, 47, SETTINGS_RECORD_SIZE);
  ASSERT_NE(key.hKey, nullptr);
  const HKEY hOpened = key.hKey;
  key.Close();
  EXPECT_EQ(key.hKey, nullptr);
  EXPECT_EQ(RegCloseKey(hOpened), ERROR_INVALID_HANDLE) << "the handle was closed";
  SettingsRecord record{};
  EXPECT_EQ(key.Write(&record, sizeof(record)), -1);
  EXPECT_EQ(key.Read(&record, sizeof(record)), -1);
  key.Close();  // again, and once more by the destructor
}

TEST_F(SettingsKeyTest, MachineKeyIsUsedEvenWhenTheUserHasTheSameKey) {
  const SettingsRecord pattern = PatternRecord();
  const BYTE* pBytes = reinterpret_cast<const BYTE*>(&pattern);
  HKEY hUser = NULL;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kRecordKey, &hUser), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(hUser, "CurrentValue", 0, REG_BINARY, pBytes, sizeof(pattern)), ERROR_SUCCESS);
  RegCloseKey(hUser);

  SettingsRecord record{};
  FillSettingsDefaults(&record);
  {
    SettingsKey key(SETTINGS_KEY_PATH, 47, SETTINGS_RECORD_SIZE);
    ASSERT_NE(key.hKey, nullptr);
    BYTE buffer[112];
    EXPECT_EQ(key.Read(buffer, sizeof(buffer)), -1) << "the machine's key has no record yet";
    EXPECT_EQ(key.Write(&record, sizeof(record)), 112);
  }
  std::vector<BYTE> stored;
  DWORD dwType = 0;
  ASSERT_TRUE(StoredValue(&stored, &dwType));
  EXPECT_EQ(std::memcmp(stored.data(), &record, sizeof(record)), 0);

  // The user's record is neither read nor changed.
  SettingsKey again(SETTINGS_KEY_PATH, 47, SETTINGS_RECORD_SIZE);
  SettingsRecord back;
  EXPECT_EQ(again.Read(&back, sizeof(back)), 112);
  EXPECT_EQ(std::memcmp(&back, &record, sizeof(back)), 0);
  hUser = NULL;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kRecordKey, 0, KEY_READ, &hUser), ERROR_SUCCESS);
  DWORD cb = sizeof(back);
  EXPECT_EQ(RegQueryValueExA(hUser, "CurrentValue", NULL, NULL, reinterpret_cast<BYTE*>(&back), &cb), ERROR_SUCCESS);
  RegCloseKey(hUser);
  EXPECT_EQ(std::memcmp(&back, &pattern, sizeof(back)), 0);
}

// A user who is not an administrator may read the machine's keys but not
// change them: a stored record can be read and not written, and a missing
// key cannot be made.
TEST_F(SettingsKeyTest, ReadOnlyMachineReadsTheRecordAndRefusesWrites) {
  const SettingsRecord pattern = PatternRecord();
  const BYTE* pBytes = reinterpret_cast<const BYTE*>(&pattern);
  StoreValue(REG_BINARY, std::vector<BYTE>(pBytes, pBytes + sizeof(pattern)));
  sim::SetKeyAccess(HKEY_LOCAL_MACHINE, "", KEY_READ);
  const std::string before = sim::ExportRegistry("HKEY_LOCAL_MACHINE");

  {
    SettingsKey key(SETTINGS_KEY_PATH, 47, SETTINGS_RECORD_SIZE);
    ASSERT_NE(key.hKey, nullptr);
    SettingsRecord back;
    EXPECT_EQ(key.Read(&back, sizeof(back)), 112);
    EXPECT_EQ(std::memcmp(&back, &pattern, sizeof(back)), 0);
    SettingsRecord record{};
    FillSettingsDefaults(&record);
    EXPECT_EQ(key.Write(&record, sizeof(record)), -1);
  }
  {
    SettingsKey missing(SETTINGS_KEY_PATH, 48, SETTINGS_RECORD_SIZE);
    EXPECT_EQ(missing.hKey, nullptr);
  }
  EXPECT_EQ(sim::ExportRegistry("HKEY_LOCAL_MACHINE"), before);
}

TEST_F(SettingsKeyTest, PagesAndDriverUseDifferentHives) {
  SettingsRecord record{};
  FillSettingsDefaults(&record);
  {
    SettingsKey key(SETTINGS_KEY_PATH, 47, SETTINGS_RECORD_SIZE);
    ASSERT_EQ(key.Write(&record, sizeof(record)), 112);
  }
  char szDriverKey[64];
  std::snprintf(szDriverKey, sizeof(szDriverKey), SETTINGS_USER_KEY_FORMAT, 47);
  EXPECT_STREQ(szDriverKey, "SOFTWARE\\VevOvuRivizud\\47");
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, szDriverKey));  // names compare without case
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, szDriverKey));
}

TEST(SettingsDefaultsTest, FillsTheFixedDefaultsAndLeavesTheRest) {
  SettingsRecord record;
  std::memset(&record, 0xcd, sizeof(record));
  FillSettingsDefaults(&record);
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(record.byButtonMap[i], i + 1);
    EXPECT_EQ(record.byTurbo[i], 0);
    EXPECT_EQ(record.dwKeyCode[i], 0u);
  }
  EXPECT_EQ(record.dwAxisCalib[0], 0x7FFFu);
  EXPECT_EQ(record.dwAxisCalib[1], 0x7FFFu);
  for (int i = 2; i < 5; ++i) EXPECT_EQ(record.dwAxisCalib[i], 0xcdcdcdcdu) << i;
  EXPECT_EQ(record.dwSensitivity, 0u);
  EXPECT_EQ(record.dwTimeCycle, 63u);
  EXPECT_EQ(record.dwMotorPower, 63u);
  EXPECT_EQ(record.dwAutoMode, 0u);
  EXPECT_EQ(record.dwReserved, 0xcdcdcdcdu);
}

}  // namespace

// The user's settings record when the user's key grants less than the full
// access that a new server asks for.
#include "ff_server_fixture.h"

namespace fftest {
namespace {

const char kUserKey[] = "SOFTWARE\\VevOvuRivizud\\47";

class FFServerSettingsAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetRegistry();
    sim::SetJoystick(2, 0x7C3A, 0xA02F);
    HKEY hKey = NULL;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL),
              ERROR_SUCCESS);
    for (DWORD i = 0; i < sizeof m_record; ++i) m_record[i] = static_cast<BYTE>(0x80 + i);
    ASSERT_EQ(RegSetValueExA(hKey, "CurrentValue", 0, REG_BINARY, m_record, sizeof m_record), ERROR_SUCCESS);
    RegCloseKey(hKey);
  }
  void TearDown() override {
    sim::ClearRegistryFailures();
    sim::RemoveJoystick(2);
  }

  BYTE m_record[112];
};

TEST_F(FFServerSettingsAccessTest, KeyWithoutFullAccessLeavesTheRecordZero) {
  struct Case {
    const char* name;
    REGSAM grant;  // on the user's settings key
    bool bRead;
  } cases[] = {
      {"full access", KEY_ALL_ACCESS, true},
      {"read only", KEY_READ, false},
      {"read and write, no delete or security rights", KEY_READ | KEY_WRITE, false},
      {"everything but DELETE", KEY_ALL_ACCESS & ~DELETE, false},
      {"no access", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SetKeyAccess(HKEY_CURRENT_USER, kUserKey, c.grant);
    std::unique_ptr<FFServer> fresh(new FFServer(2));
    const BYTE* pb = reinterpret_cast<const BYTE*>(&fresh->m_Settings);
    for (DWORD i = 0; i < sizeof(SettingsRecord); ++i)
      ASSERT_EQ(pb[i], c.bRead ? m_record[i] : 0) << "byte " << i;
    // The vibration fields the playback uses come from the same bytes.
    EXPECT_EQ(fresh->m_Settings.dwMotorPower, c.bRead ? 0xE7E6E5E4u : 0u);
  }
  sim::ClearRegistryFailures();
  HKEY hKey = NULL;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kUserKey, 0, KEY_READ, &hKey), ERROR_SUCCESS);
  BYTE stored[112];
  DWORD cb = sizeof stored;
  EXPECT_EQ(RegQueryValueExA(hKey, "CurrentValue", NULL, NULL, stored, &cb), ERROR_SUCCESS);
  RegCloseKey(hKey);
  EXPECT_EQ(0, memcmp(stored, m_record, sizeof stored)) << "the server never writes the record";
}

}  // namespace
}  // namespace fftest

// The settings record a new server reads from the user's hive.
#include "ff_server_fixture.h"

namespace fftest {
namespace {

using FFServerSettingsTest = ServerTest;

// Writes "CurrentValue" of cb bytes 1, 2, 3, ... under hive\SOFTWARE\VevOvuRivizud\<n>.
void WriteValue(HKEY hive, const char* pszSubKey, DWORD cb) {
  HKEY hKey = NULL;
  ASSERT_EQ(RegCreateKeyExA(hive, pszSubKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL), ERROR_SUCCESS);
  std::vector<BYTE> value(cb);
  for (DWORD i = 0; i < cb; ++i) value[i] = static_cast<BYTE>(i + 1);
  ASSERT_EQ(RegSetValueExA(hKey, "CurrentValue", 0, REG_BINARY, value.data(), cb), ERROR_SUCCESS);
  RegCloseKey(hKey);
}

TEST_F(FFServerSettingsTest, RecordComesFromTheUserHiveUnderTheProductByte) {
  struct Case {
    const char* name;
    WORD wPid;             // product ID of joystick 2; 0: none attached
    HKEY hive;             // where the value is written
    const char* pszSubKey;
    DWORD cb;
    DWORD cbExpected;      // bytes 1, 2, ... expected, zeros after them
  } cases[] = {
      {"whole record", 0xA02F, HKEY_CURRENT_USER, "SOFTWARE\\VevOvuRivizud\\47", 112, 112},
      {"short value", 0xA030, HKEY_CURRENT_USER, "SOFTWARE\\VevOvuRivizud\\48", 100, 100},
      {"long value", 0xA031, HKEY_CURRENT_USER, "SOFTWARE\\VevOvuRivizud\\49", 120, 0},
      {"machine hive only", 0xA032, HKEY_LOCAL_MACHINE, "SOFTWARE\\VevOvuRivizud\\50", 112, 0},
      {"other product byte", 0xA033, HKEY_CURRENT_USER, "SOFTWARE\\VevOvuRivizud\\52", 112, 0},
      {"no joystick", 0, HKEY_CURRENT_USER, "SOFTWARE\\VevOvuRivizud\\0", 112, 112},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.wPid != 0)
      sim::SetJoystick(2, 0x7C3A, c.wPid);
    else
      sim::RemoveJoystick(2);
    WriteValue(c.hive, c.pszSubKey, c.cb);
    std::unique_ptr<FFServer> fresh(new FFServer(2));
    EXPECT_EQ(fresh->m_dwJoyId, 2u);
    EXPECT_EQ(fresh->m_dwProductId, (DWORD)c.wPid);
    const BYTE* pb = reinterpret_cast<const BYTE*>(&fresh->m_Settings);
    for (DWORD i = 0; i < sizeof(SettingsRecord); ++i)
      ASSERT_EQ(pb[i], i < c.cbExpected ? static_cast<BYTE>(i + 1) : 0) << "byte " << i;
    EXPECT_EQ(RegDeleteKeyA(c.hive, c.pszSubKey), ERROR_SUCCESS);
  }
  sim::RemoveJoystick(2);
}

}  // namespace
}  // namespace fftest

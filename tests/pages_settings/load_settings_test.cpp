// Default records and loading both engine records from the registry.
#include "settings_fixture.h"

namespace settingstest {
namespace {

class DefaultsTest : public SettingsFixture {};

TEST_F(DefaultsTest, FullModeSetsEveryDefaultAndTakesRxRyZFromTheLayoutFile) {
  ASSERT_TRUE(pagetest::WriteSetupIni(
      "[DefaultSetting]\r\n"
      "Mode_47_AxesRX=1,2,3,4,16838672\r\n"     // 0x0100F010, two-point
      "Mode_47_AxesRY=0,0,0,0,  3178704 x\r\n"  // 0x003080D0, after blanks, up to the x
      "Mode_47_AxesZ=0,0,0,0,4294967295\r\n"    // beyond the LONG range
      "Mode_5_AxesRX=0,0,0,0,77\r\n"));
  SettingsRecord r;
  std::memset(&r, 0xCD, sizeof r);
  Engine().MakeDefaultSettings(&r, false);

  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(r.byButtonMap[i], i + 1);
    EXPECT_EQ(r.byTurbo[i], 0);
    EXPECT_EQ(r.dwKeyCode[i], 0u);
  }
  EXPECT_EQ(r.dwAxisCalib[0], 0x7FFFu);
  EXPECT_EQ(r.dwAxisCalib[1], 0x7FFFu);
  EXPECT_EQ(r.dwAxisCalib[2], 0x0100F010u);
  EXPECT_EQ(r.dwAxisCalib[3], 0x003080D0u);
  EXPECT_EQ(r.dwAxisCalib[4], 0x7FFFFFFFu) << "as a 32-bit atol reads it";
  EXPECT_EQ(r.dwSensitivity, 0u);
  EXPECT_EQ(r.dwTimeCycle, 63u);
  EXPECT_EQ(r.dwMotorPower, 63u);
  EXPECT_EQ(r.dwAutoMode, 0u);
  EXPECT_EQ(r.dwReserved, 0xCDCDCDCDu) << "never touched";

  // The keys follow the setting number; a missing entry gives 0.
  Engine().m_nSetting = 5;
  Engine().MakeDefaultSettings(&r, false);
  EXPECT_EQ(r.dwAxisCalib[2], 77u);
  EXPECT_EQ(r.dwAxisCalib[3], 0u);
  EXPECT_EQ(r.dwAxisCalib[4], 0u);
}

TEST_F(DefaultsTest, AnEntryWithFewerThanFourCommasGivesZero) {
  ASSERT_TRUE(pagetest::WriteSetupIni("[DefaultSetting]\r\nMode_47_AxesRX=1,2,3,99\r\nMode_47_AxesRY=1,2,3,4,-1\r\n"));
  SettingsRecord r;
  std::memset(&r, 0xCD, sizeof r);
  Engine().MakeDefaultSettings(&r, false);
  EXPECT_EQ(r.dwAxisCalib[2], 0u);
  EXPECT_EQ(r.dwAxisCalib[3], 0xFFFFFFFFu);
}

TEST_F(DefaultsTest, ResetModeClearsOnlyTurboAndKeysAndSetsTheVibrationFields) {
  const SettingsRecord edited = EditedRecord();
  SettingsRecord r = edited;
  Engine().MakeDefaultSettings(&r, true);

  SettingsRecord expected = edited;
  std::memset(expected.byTurbo, 0, sizeof expected.byTurbo);
  std::memset(expected.dwKeyCode, 0, sizeof expected.dwKeyCode);
  expected.dwTimeCycle = 63;
  expected.dwMotorPower = 63;
  expected.dwAutoMode = 0;
  EXPECT_EQ(BytesOf(r), BytesOf(expected));
}

class LoadSettingsTest : public SettingsFixture {};

TEST_F(LoadSettingsTest, AStoredRecordFillsBothCopiesAndIsNotRewritten) {
  const SettingsRecord edited = EditedRecord();
  ASSERT_TRUE(StoreValue(BytesOf(edited)));
  PageEngine& e = Engine();
  e.m_nSetting = e.m_dwAxisCount = e.m_dwButtonCount = 0;

  e.LoadSettings(m_hWnd, kSetting);

  EXPECT_EQ(e.m_nSetting, 47u);
  EXPECT_EQ(e.m_dwAxisCount, 4u);
  EXPECT_EQ(e.m_dwButtonCount, 12u);
  EXPECT_EQ(BytesOf(e.m_Settings), BytesOf(edited));
  EXPECT_EQ(BytesOf(e.m_SavedSettings), BytesOf(edited));
  EXPECT_EQ(StoredValue(), BytesOf(edited));
}

TEST_F(LoadSettingsTest, WithoutAReadableRecordTheFullDefaultsAreWrittenAndLoaded) {
  // No key at all, and a stored value longer than the record: both count
  // as missing.
  for (int nCase = 0; nCase < 2; ++nCase) {
    SCOPED_TRACE(nCase == 0 ? "no key" : "200-byte value");
    sim::ResetRegistry();
    if (nCase == 1) {
      ASSERT_TRUE(StoreValue(Bytes(200, 0x11)));
    }
    PageEngine& e = Engine();
    std::memset(&e.m_Settings, 0xCD, sizeof e.m_Settings);
    std::memset(&e.m_SavedSettings, 0xAB, sizeof e.m_SavedSettings);

    e.LoadSettings(m_hWnd, kSetting);

    SettingsRecord expected = FullDefaults();
    expected.dwReserved = 0xCDCDCDCDu;  // the defaults leave it as it was
    EXPECT_EQ(BytesOf(e.m_Settings), BytesOf(expected));
    EXPECT_EQ(BytesOf(e.m_SavedSettings), BytesOf(expected));
    EXPECT_EQ(StoredValue(), BytesOf(expected));
    EXPECT_EQ(expected.dwAxisCalib[2], 32767u) << "the shipped Setup.ini's Rx default";
  }
}

TEST_F(LoadSettingsTest, AShorterValueFillsItsOwnLengthInBothCopiesAlike) {
  const SettingsRecord edited = EditedRecord();
  const Bytes full = BytesOf(edited);
  ASSERT_TRUE(StoreValue(Bytes(full.begin(), full.begin() + 24)));  // button map and turbo flags only
  PageEngine& e = Engine();
  std::memset(&e.m_Settings, 0x22, sizeof e.m_Settings);
  std::memset(&e.m_SavedSettings, 0x33, sizeof e.m_SavedSettings);

  e.LoadSettings(m_hWnd, kSetting);

  Bytes expected(full.begin(), full.begin() + 24);
  expected.resize(112, 0x22);
  EXPECT_EQ(BytesOf(e.m_Settings), expected);
  EXPECT_EQ(BytesOf(e.m_SavedSettings), expected) << "the start record is the record being edited";
  EXPECT_EQ(StoredValue().size(), 24u) << "a readable value is not rewritten";
}

TEST_F(LoadSettingsTest, AKeyThatCannotBeMadeLeavesTheDefaultsAsTheStartRecordToo) {
  sim::FailKeyCreation(HKEY_LOCAL_MACHINE, kRecordKey, true);
  PageEngine& e = Engine();
  std::memset(&e.m_Settings, 0, sizeof e.m_Settings);
  std::memset(&e.m_SavedSettings, 0, sizeof e.m_SavedSettings);

  e.LoadSettings(m_hWnd, kSetting);

  SettingsRecord expected = FullDefaults();
  EXPECT_EQ(BytesOf(e.m_Settings), BytesOf(expected));
  EXPECT_EQ(BytesOf(e.m_SavedSettings), BytesOf(expected)) << "not the zeros it held";
  sim::FailKeyCreation(HKEY_LOCAL_MACHINE, kRecordKey, false);
  EXPECT_TRUE(StoredValue().empty());
}

TEST_F(LoadSettingsTest, TheSettingNumberNamesTheSubkey) {
  Engine().LoadSettings(m_hWnd, 5);
  EXPECT_EQ(Engine().m_nSetting, 5u);
  EXPECT_TRUE(StoredValue().empty()) << "setting 47 untouched";
  HKEY hKey = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\VevOvuRivizud\\5", 0, KEY_READ, &hKey), ERROR_SUCCESS);
  DWORD cb = 0;
  EXPECT_EQ(RegQueryValueExA(hKey, "CurrentValue", nullptr, nullptr, nullptr, &cb), ERROR_SUCCESS);
  EXPECT_EQ(cb, 112u);
  RegCloseKey(hKey);
}

}  // namespace
}  // namespace settingstest

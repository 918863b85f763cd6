// The pages' settings: a "CurrentValue" of any type and size read through
// SettingsKey and PageEngine::LoadSettings, and a profile file of any length
// and content loaded with PageEngine::LoadProfile (the file dialog answered
// with it), which writes the record and the page's test record back.
#include "fuzz_support.h"
#include "pageengine.h"
#include "settings.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb) {
  fuzz::UseFreshMachine();
  static HWND s_hWnd = sim::CreateTestWindow(500, 400);
  fuzz::Reader in(pData, cb);
  const int nSetting = in.Byte();
  const DWORD dwType = in.Byte() % 12;
  const std::vector<uint8_t> value = in.Bytes(1000);
  const std::string profile = in.Rest();

  {
    SettingsKey key(SETTINGS_KEY_PATH, nSetting, SETTINGS_RECORD_SIZE);
    RegSetValueExA(key.hKey, SETTINGS_VALUE_NAME, 0, dwType, value.data(), DWORD(value.size()));
    SettingsRecord record;
    std::memset(&record, 0xCD, sizeof record);
    if (key.Read(&record, sizeof record) > int(sizeof record)) std::abort();
  }
  g_PageEngine.LoadSettings(s_hWnd, nSetting);

  const char kProfile[] = "C:\\windows\\temp\\fuzz.sav";
  if (!fuzz::WriteMachineFile(kProfile, profile.data(), profile.size())) return 0;
  sim::ClearDialogRecord();
  sim::ScriptFileChoice(kProfile);
  g_PageEngine.LoadProfile(s_hWnd);
  sim::PumpMessages();
  return 0;
}

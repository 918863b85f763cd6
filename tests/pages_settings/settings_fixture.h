// Shared by the settings-record tests of the pages: an empty registry, the
// installed page data, the engine with no controls and no running test, a
// control that records what the engine asks of it, and helpers for the
// registry value and profile files.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "../support/page_fixture.h"
#include "pageengine.h"

namespace settingstest {

constexpr int kSetting = 47;
constexpr char kRecordKey[] = "Software\\VevOvuRivizud\\47";

using Bytes = std::vector<BYTE>;

inline Bytes BytesOf(const SettingsRecord& record) {
  const BYTE* p = reinterpret_cast<const BYTE*>(&record);
  return Bytes(p, p + sizeof record);
}

// A record in which every field differs from its defaults.
inline SettingsRecord EditedRecord() {
  SettingsRecord r;
  std::memset(&r, 0, sizeof r);
  for (int i = 0; i < 12; ++i) r.byButtonMap[i] = static_cast<BYTE>(12 - i);
  r.byTurbo[2] = 1;
  r.dwKeyCode[4] = KEYCODE_CTRL | 4;  // Ctl+A
  r.dwKeyCode[9] = 30;                // 1
  r.dwAxisCalib[0] = 0x00108040u;
  r.dwAxisCalib[1] = 0x002080E0u;
  r.dwAxisCalib[2] = 0x0100F010u;
  r.dwAxisCalib[3] = 0x01000000u | 0x20F0u;
  r.dwAxisCalib[4] = 0x00307FD0u;
  r.dwSensitivity = 1;
  r.dwTimeCycle = 200;
  r.dwMotorPower = 100;
  r.dwAutoMode = 1;
  r.dwReserved = 0x5EEDF00Du;
  return r;
}

// Every call the engine makes on one control.
struct ControlCall {
  enum Kind { kSetState, kSetTag, kSetText, kMoveTo, kInvalidate } kind;
  HWND hWnd;
  DWORD dwValue;  // state or tag
  std::string text;
  int x, y;
  bool bRedraw;
};

class RecordingControl : public SkinControl {
 public:
  explicit RecordingControl(RECT rc = RECT{0, 0, 0, 0}) : m_rc(rc) {}
  void Paint(HDC) override {}
  DWORD GetState() override { return m_dwState; }
  void SetState(HWND hWnd, DWORD dwState) override {
    m_dwState = dwState;
    calls.push_back({ControlCall::kSetState, hWnd, dwState, "", 0, 0, false});
  }
  DWORD GetTag() override { return m_dwTag; }
  void SetTag(HWND hWnd, DWORD dwTag) override {
    m_dwTag = dwTag;
    calls.push_back({ControlCall::kSetTag, hWnd, dwTag, "", 0, 0, false});
  }
  void MoveTo(HWND hWnd, int x, int y, bool bRedraw) override {
    calls.push_back({ControlCall::kMoveTo, hWnd, 0, "", x, y, bRedraw});
  }
  void GetRect(RECT* prc) override { *prc = m_rc; }
  bool HitTest(int, int) override { return false; }
  void Invalidate(HWND hWnd, bool) override { calls.push_back({ControlCall::kInvalidate, hWnd, 0, "", 0, 0, false}); }
  void SetText(const char* pszText) override {
    calls.push_back({ControlCall::kSetText, nullptr, 0, pszText ? pszText : "(null)", 0, 0, false});
  }

  std::vector<ControlCall> Calls(ControlCall::Kind kind) const {
    std::vector<ControlCall> v;
    for (const ControlCall& c : calls)
      if (c.kind == kind) v.push_back(c);
    return v;
  }

  std::vector<ControlCall> calls;

 private:
  RECT m_rc;
  DWORD m_dwState = 0xDEADBEEFu;
  DWORD m_dwTag = 0xDEADBEEFu;
};

inline PageEngine& Engine() { return g_PageEngine; }

// The registry value "CurrentValue" of setting 47 under HKEY_LOCAL_MACHINE;
// empty when the key or the value is missing.
inline Bytes StoredValue() {
  HKEY hKey = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecordKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return Bytes();
  BYTE buffer[512];
  DWORD cb = sizeof buffer;
  DWORD dwType = 0;
  const LONG lResult = RegQueryValueExA(hKey, SETTINGS_VALUE_NAME, nullptr, &dwType, buffer, &cb);
  RegCloseKey(hKey);
  if (lResult != ERROR_SUCCESS) return Bytes();
  return Bytes(buffer, buffer + cb);
}

inline bool StoreValue(const Bytes& bytes) {
  HKEY hKey = nullptr;
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kRecordKey, &hKey) != ERROR_SUCCESS) return false;
  const LONG lResult =
      RegSetValueExA(hKey, SETTINGS_VALUE_NAME, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
  RegCloseKey(hKey);
  return lResult == ERROR_SUCCESS;
}

// "<system>\GameSave".
inline std::string ProfileFolder() {
  char szSystem[MAX_PATH] = "";
  GetSystemDirectoryA(szSystem, sizeof szSystem);
  return std::string(szSystem) + "\\GameSave";
}

inline bool WriteFileBytes(const std::string& path, const Bytes& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD cb = 0;
  const BOOL bOk = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &cb, nullptr);
  CloseHandle(h);
  return bOk && cb == bytes.size();
}

// The whole file; empty when it cannot be opened.
inline Bytes ReadFileBytes(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return Bytes();
  Bytes bytes(4096);
  DWORD cb = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &cb, nullptr);
  CloseHandle(h);
  bytes.resize(cb);
  return bytes;
}

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Deletes the named profiles and then the profile folder, which a fresh
// machine does not have; the folder stays if it holds anything else.
inline void RemoveProfiles(std::initializer_list<const char*> names) {
  for (const char* pszName : names) DeleteFileA((ProfileFolder() + "\\" + pszName).c_str());
  RemoveDirectoryA(ProfileFolder().c_str());
}

// The engine as the test page's WM_INITDIALOG leaves it before the pages are
// built: no controls, no test running, both records zero.
class SettingsFixture : public pagetest::PageFixture {
 protected:
  void SetUp() override {
    PageFixture::SetUp();
    if (HasFatalFailure()) return;
    sim::ResetRegistry();
    sim::ClearDialogRecord();
    g_hInstance = GetModuleHandleA(nullptr);
    PageEngine& e = Engine();
    e.DestroyControls();
    std::memset(&e.m_Settings, 0, sizeof e.m_Settings);
    std::memset(&e.m_SavedSettings, 0, sizeof e.m_SavedSettings);
    e.m_nSetting = kSetting;
    e.m_dwAxisCount = 4;
    e.m_dwButtonCount = 12;
    e.m_dwLeftRunTime = e.m_dwRightRunTime = 0;
    e.m_bPowerDrag = e.m_bTimeDrag = 0;
  }

  void TearDown() override {
    // The recording controls belong to the test, not to the engine.
    PageEngine& e = Engine();
    e.m_pSensitivitySlider = e.m_pPowerSlider = e.m_pPowerArrow = e.m_pTimeBall = nullptr;
    e.m_pAutoButton = e.m_pManualButton = e.m_pCheckButton = nullptr;
    for (int i = 0; i < kPageButtonCount; ++i) e.m_pButtonLamp[i] = e.m_pSetButton[i] = nullptr;
    sim::ClearDialogRecord();
    sim::ClearRegistryFailures();
    PageFixture::TearDown();
  }

  // The full default record as the engine makes it for setting 47 from the
  // installed Setup.ini (dwReserved 0).
  static SettingsRecord FullDefaults() {
    SettingsRecord r;
    std::memset(&r, 0, sizeof r);
    Engine().MakeDefaultSettings(&r, false);
    return r;
  }
};

}  // namespace settingstest

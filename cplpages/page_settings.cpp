// The settings record of the pages: default records, loading both engine
// copies, the test record that the registry value holds while a page is
// shown, Apply and Cancel, and profile files.
//
// While pages 0 to 4 are shown "CurrentValue" holds a record that suits the
// shown page's live test, not the user's record; Apply (-1) writes the
// edited record and Cancel (-2) the one read when the sheet opened.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pageengine.h"

namespace {

constexpr DWORD kRecordSize = SETTINGS_RECORD_SIZE;
constexpr DWORD kDefaultVibration = 63;
constexpr DWORD kMinMotorPower = 2;
// The vibration fields and the sensitivity level as the controls show them.
constexpr DWORD kMaxVibration = 255;
constexpr DWORD kMaxSliderLevel = 255;
// Pixels of travel of the time-cycle ball, and its and the arrow's offsets
// from their own left edges to the marked point.
constexpr LONG kTimeBallTravel = 356;
constexpr LONG kTimeBallOffset = 11;
constexpr LONG kPowerArrowOffset = 3;
// The row buttons' place on the key-map page (moved right by 4 pixels) and
// on the keyboard page.
constexpr int kKeyMapRowX = 4;
constexpr int kKeyboardRowX = 0;

constexpr const char kProfileFilter[] = "*.sav\0*.sav\0";  // one pair, then the closing empty string
constexpr DWORD kOpenProfileFlags =
    OFN_READONLY | OFN_NOCHANGEDIR | OFN_FILEMUSTEXIST | OFN_NONETWORKBUTTON | OFN_NODEREFERENCELINKS;
// The Save As dialog takes only the names of existing files under
// OFN_FILEMUSTEXIST, so no new profile could be saved with it: it asks only
// for an existing folder, as that flag did besides.
constexpr DWORD kSaveProfileFlags = (kOpenProfileFlags & ~DWORD(OFN_FILEMUSTEXIST)) | OFN_PATHMUSTEXIST;

// The decimal text of a layout entry as a 32-bit word, read as a 32-bit
// atol does: a value beyond the LONG range gives the nearest end of it.
DWORD ParseDefaultWord(const char* pszText) {
  long long llValue = std::strtoll(pszText, nullptr, 10);
  if (llValue > INT32_MAX) llValue = INT32_MAX;
  if (llValue < INT32_MIN) llValue = INT32_MIN;
  return static_cast<DWORD>(static_cast<LONG>(llValue));
}

DWORD AtMost(DWORD dwValue, DWORD dwMax) { return dwValue > dwMax ? dwMax : dwValue; }

// An open file handle, closed on Close or at the end of its scope.
class FileHandle {
 public:
  explicit FileHandle(HANDLE hFile) : m_hFile(hFile) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return m_hFile; }
  void Close() {
    if (!IsOpen()) return;
    CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE m_hFile;
};

// The Open and Save As dialogs of profiles share their arguments. The
// OPENFILENAMEA points into the object's own buffers, so the object stays
// where it was made.
struct ProfileDialog {
  char szTitle[kPageTextSize];
  char szFolder[kPageTextSize];
  char szFile[kPageTextSize];
  OPENFILENAMEA ofn;

  ProfileDialog(const ProfileDialog&) = delete;
  ProfileDialog& operator=(const ProfileDialog&) = delete;

  ProfileDialog(PageEngine* pEngine, HWND hWnd, DWORD dwFlags) : szTitle(), szFolder(), szFile(), ofn() {
    RECT rc;
    pEngine->ReadLayoutEntry("DefaultSetting", "OpenFileTitle", &rc, szTitle);

    // "<system>\GameSave", created when it is missing.
    char szSystem[kPageTextSize] = "";
    const UINT cchSystem = GetSystemDirectoryA(szSystem, sizeof szSystem);
    if (cchSystem == 0 || cchSystem >= sizeof szSystem) szSystem[0] = '\0';
    // A name cut short would offer some other folder: then none is offered.
    const int cchFolder = std::snprintf(szFolder, sizeof szFolder, "%s\\GameSave", szSystem);
    if (cchFolder < 0 || static_cast<size_t>(cchFolder) >= sizeof szFolder) szFolder[0] = '\0';
    if (szFolder[0] != '\0') CreateDirectoryA(szFolder, nullptr);

    // The 4.0 form: 76 bytes in a 32-bit module.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = hWnd;
    ofn.hInstance = g_hInstance;
    ofn.lpstrFilter = kProfileFilter;
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = sizeof szFile;
    ofn.lpstrInitialDir = szFolder;
    ofn.lpstrTitle = szTitle;
    ofn.Flags = dwFlags;
  }
};

// Shows the "ErrorInfo" message pszKey with the "ErrorInfo" / "Error"
// caption.
void ShowProfileError(PageEngine* pEngine, HWND hWnd, const char* pszKey) {
  RECT rc;
  char szCaption[kPageTextSize] = "";
  char szMessage[kPageTextSize] = "";
  pEngine->ReadLayoutEntry("ErrorInfo", "Error", &rc, szCaption);
  pEngine->ReadLayoutEntry("ErrorInfo", pszKey, &rc, szMessage);
  MessageBoxA(hWnd, szMessage, szCaption, MB_OK);
}

}  // namespace

void PageEngine::MakeDefaultSettings(SettingsRecord* pRecord, bool bReset) {
  if (pRecord == nullptr) return;
  if (bReset) {
    for (int i = 0; i < kPageButtonCount; ++i) {
      pRecord->byTurbo[i] = 0;
      pRecord->dwKeyCode[i] = 0;
    }
  } else {
    FillSettingsDefaults(pRecord);
    // Rx, Ry and Z: "<left>,<top>,<right>,<bottom>,<word in decimal>" in
    // section "DefaultSetting"; a missing entry gives 0.
    static const char* const kAxisKeyFormats[] = {"Mode_%d_AxesRX", "Mode_%d_AxesRY", "Mode_%d_AxesZ"};
    DWORD dwAxis = 2;
    for (const char* pszFormat : kAxisKeyFormats) {
      char szKey[64];
      std::snprintf(szKey, sizeof szKey, pszFormat, static_cast<int>(m_nSetting));
      char szText[kPageTextSize] = "";
      RECT rc;
      ReadLayoutEntry("DefaultSetting", szKey, &rc, szText);
      pRecord->dwAxisCalib[dwAxis++] = ParseDefaultWord(szText);
    }
  }
  pRecord->dwAutoMode = 0;
  pRecord->dwTimeCycle = kDefaultVibration;
  pRecord->dwMotorPower = kDefaultVibration;
}

void PageEngine::LoadSettings(HWND /*hWnd*/, int n) {
  SettingsKey key(SETTINGS_KEY_PATH, n, kRecordSize);
  m_nSetting = static_cast<DWORD>(n);
  m_dwAxisCount = 4;
  m_dwButtonCount = kPageButtonCount;
  if (key.Read(&m_Settings, kRecordSize) == -1) {
    MakeDefaultSettings(&m_Settings, false);
    key.Write(&m_Settings, kRecordSize);
  }
  // The start record is what was read into m_Settings: a second read that
  // fails (no key) must not leave a record of an earlier sheet, or zeros,
  // for Cancel to write back.
  m_SavedSettings = m_Settings;
  key.Read(&m_SavedSettings, kRecordSize);
  key.Close();
}

void PageEngine::Activate(HWND hWnd, int nCode) {
  SettingsKey key(SETTINGS_KEY_PATH, static_cast<int>(m_nSetting), kRecordSize);

  // Ends a running automatic or left-motor test and writes the all-zero
  // report (written only while a page's device is current).
  auto StopVibration = [this] {
    m_dwLeftRunTime = 0;
    SendMotorReport(0, 0, 0, 0);
  };
  // Full default records carry 0 in dwReserved.
  auto WriteFullDefaults = [this, &key] {
    SettingsRecord work{};
    MakeDefaultSettings(&work, false);
    key.Write(&work, kRecordSize);
  };

  switch (nCode) {
    case 0: {
      StopVibration();
      SettingsRecord work = m_Settings;
      MakeDefaultSettings(&work, true);
      key.Write(&work, kRecordSize);
      if (m_pSensitivitySlider) {
        // 85, 170, 255 for the levels 0, 1, 2; a level beyond 2 shows as 2.
        const DWORD dwLevel = AtMost(m_Settings.dwSensitivity, 2);
        m_pSensitivitySlider->SetState(hWnd, (dwLevel + 1) * kMaxSliderLevel / 3);
      }
      for (int i = 0; i < kPageButtonCount; ++i) {
        SkinControl* pLamp = m_pButtonLamp[i];
        if (!pLamp) continue;
        pLamp->SetTag(hWnd, m_Settings.byTurbo[i] ? 1 : 0);
        char szText[kPageTextSize] = "";
        if (m_Settings.dwKeyCode[i] != 0) FormatKeyText(m_Settings.dwKeyCode[i], szText, kPageTextSize);
        pLamp->SetText(szText);
      }
      break;
    }
    case 1:
    case 2: {
      StopVibration();
      WriteFullDefaults();
      const int x = nCode == 1 ? kKeyMapRowX : kKeyboardRowX;
      for (SkinControl* pButton : m_pSetButton)
        if (pButton) pButton->MoveTo(hWnd, x, 0, true);
      break;
    }
    case 3: {
      if (m_dwLeftRunTime != 0) {
        m_dwLeftRunTime = 0;
        SendMotorReport(0, 0, 0, 0);
      }
      if (m_Settings.dwMotorPower < kMinMotorPower) m_Settings.dwMotorPower = kMinMotorPower;
      // Places are taken from the fields' 0..255 range; a larger value (from
      // a profile edited elsewhere) shows at the end of it.
      const DWORD dwPower = AtMost(m_Settings.dwMotorPower, kMaxVibration);
      const DWORD dwTime = AtMost(m_Settings.dwTimeCycle, kMaxVibration);
      RECT rcSlider = {0, 0, 0, 0};
      if (m_pPowerSlider) {
        m_pPowerSlider->SetState(hWnd, dwPower << 16);
        m_pPowerSlider->GetRect(&rcSlider);
      }
      if (m_pPowerSlider && m_pPowerArrow) {
        const long long llWidth = static_cast<long long>(rcSlider.right) - rcSlider.left;
        const long long llX = llWidth * static_cast<long long>(dwPower) / 255 - kPowerArrowOffset;
        m_pPowerArrow->MoveTo(hWnd, static_cast<int>(llX), 0, true);
      }
      if (m_pTimeBall)
        m_pTimeBall->MoveTo(hWnd, static_cast<int>(static_cast<LONG>(dwTime) * kTimeBallTravel / 255 - kTimeBallOffset),
                            0, true);
      const bool bAuto = m_Settings.dwAutoMode != 0;
      if (m_pAutoButton) m_pAutoButton->SetState(hWnd, bAuto ? 1 : 0);
      if (m_pManualButton) m_pManualButton->SetState(hWnd, bAuto ? 0 : 1);
      WriteFullDefaults();
      m_bPowerDrag = 0;
      m_bTimeDrag = 0;
      break;
    }
    case 4:
      StopVibration();
      if (m_pCheckButton) m_pCheckButton->MoveTo(hWnd, 0, 0, true);
      WriteFullDefaults();
      ResetCheck();
      break;
    case -1:
      key.Write(&m_Settings, kRecordSize);
      break;
    case -2:
      key.Write(&m_SavedSettings, kRecordSize);
      break;
    default:
      // The about page (5) keeps the record of the page shown before it.
      break;
  }
  key.Close();
}

void PageEngine::LoadProfile(HWND hWnd) {
  ProfileDialog dialog(this, hWnd, kOpenProfileFlags);
  if (!GetOpenFileNameA(&dialog.ofn)) return;

  FileHandle file(CreateFileA(dialog.szFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return;

  // A profile's first 112 bytes are the record; a longer file's tail is
  // not looked at.
  SettingsRecord record;
  DWORD cbRead = 0;
  if (ReadFile(file.Get(), &record, kRecordSize, &cbRead, nullptr) && cbRead == kRecordSize) {
    m_Settings = record;
    Activate(hWnd, -1);
    Activate(hWnd, 2);
    InvalidateRect(hWnd, nullptr, TRUE);
    return;
  }
  ShowProfileError(this, hWnd, "OpenFileErr");
}

void PageEngine::SaveProfile(HWND hWnd) {
  ProfileDialog dialog(this, hWnd, kSaveProfileFlags);
  if (!GetSaveFileNameA(&dialog.ofn)) return;

  // An existing file is opened without truncation: a longer file keeps its
  // tail beyond the record.
  FileHandle file(CreateFileA(dialog.szFile, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return;

  DWORD cbWritten = 0;
  if (WriteFile(file.Get(), &m_Settings, kRecordSize, &cbWritten, nullptr) && cbWritten == kRecordSize) return;

  file.Close();
  DeleteFileA(dialog.szFile);
  ShowProfileError(this, hWnd, "SaveFileErr");
}

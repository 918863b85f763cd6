// The page engine's construction and teardown, the layout-file reader and
// the key names of the keyboard page.
#include "pageengine.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

PageEngine g_PageEngine;

namespace {

// Tears g_PageEngine's controls down when the module is unloaded or the
// program ends (DllMain's detach has normally done it already). A static
// object's destructor is bound to this module, so it runs before the module
// leaves memory; a handler given to atexit could outlive it.
struct ControlsTeardown {
  ~ControlsTeardown() { PageEngineModuleUnload(); }
} s_controlsTeardown;

// atoi's reading of a field (leading blanks, an optional sign, the digits up
// to the first other character, 0 without digits), saturating at the int
// range where atoi would overflow.
int ParseField(const char* psz) {
  while (*psz == ' ' || *psz == '\t' || *psz == '\n' || *psz == '\r' || *psz == '\v' || *psz == '\f') ++psz;
  bool bNegative = false;
  if (*psz == '+' || *psz == '-') bNegative = *psz++ == '-';
  long long llValue = 0;
  while (*psz >= '0' && *psz <= '9') {
    if (llValue <= static_cast<long long>(INT_MAX) + 1) llValue = llValue * 10 + (*psz - '0');
    ++psz;
  }
  if (bNegative) llValue = -llValue;
  if (llValue > INT_MAX) return INT_MAX;
  if (llValue < INT_MIN) return INT_MIN;
  return static_cast<int>(llValue);
}

struct NamedKey {
  DWORD dwVk;
  const char* pszName;
};

// Keys shown by name; every other key shows the character it types.
constexpr NamedKey kNamedKeys[] = {
    {0x01, "LBUTTON"},  {0x02, "RBUTTON"},  {0x03, "CANCEL"},  {0x04, "MBUTTON"}, {0x08, "BACK"},
    {0x09, "TAB"},      {0x0C, "CLEAR"},    {0x13, "PAUSE"},   {0x14, "CapsLock"}, {0x20, "SPACE"},
    {0x21, "PageUp"},   {0x22, "PageDown"}, {0x23, "END"},     {0x24, "HOME"},    {0x25, "LEFT"},
    {0x26, "UP"},       {0x27, "RIGHT"},    {0x28, "DOWN"},    {0x29, "SELECT"},  {0x2A, "PRINT"},
    {0x2B, "EXECUTE"},  {0x2C, "SNAPSHOT"}, {0x2D, "INSERT"},  {0x2E, "DELETE"},  {0x2F, "HELP"},
    {0x70, "F1"},       {0x71, "F2"},       {0x72, "F3"},      {0x73, "F4"},      {0x74, "F5"},
    {0x75, "F6"},       {0x76, "F7"},       {0x77, "F8"},      {0x78, "F9"},      {0x79, "F10"},
    {0x7A, "F11"},      {0x7B, "F12"},      {0x90, "NUMLOCK"}, {0x91, "SCROLL"},
};

const char* KeyName(DWORD dwVk) {
  for (const NamedKey& key : kNamedKeys)
    if (key.dwVk == dwVk) return key.pszName;
  return nullptr;
}

}  // namespace

// Indexed by USB HID keyboard usage. Print screen maps to VK_PRINT and keypad
// Enter to VK_SEPARATOR, which is what the key-capture dialog produces for
// them, so that a captured key maps back to the key it came from.
const DWORD USAGE_TO_VK[kUsageToVkCount] = {
    // 0-3: no key
    0x00, 0x00, 0x00, 0x00,
    // 4-29: A to Z
    0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D,
    0x4E, 0x4F, 0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A,
    // 30-39: 1 to 9, 0
    0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x30,
    // 40-44: Return, Escape, Backspace, Tab, Space
    0x0D, 0x1B, 0x08, 0x09, 0x20,
    // 45-52: - = [ ] \ ` ; '
    0xBD, 0xBB, 0xDB, 0xDD, 0xDC, 0xC0, 0xBA, 0xDE,
    // 53: none
    0x00,
    // 54-57: , . / Caps Lock
    0xBC, 0xBE, 0xBF, 0x14,
    // 58-69: F1 to F12
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B,
    // 70-72: Print, Scroll Lock, Pause
    0x2A, 0x91, 0x13,
    // 73-78: Insert, Home, Page Up, Delete, End, Page Down
    0x2D, 0x24, 0x21, 0x2E, 0x23, 0x22,
    // 79-82: Right, Left, Down, Up
    0x27, 0x25, 0x28, 0x26,
    // 83-88: Num Lock, keypad / * - + Enter
    0x90, 0x6F, 0x6A, 0x6D, 0x6B, 0x6C,
    // 89-98: keypad 1 to 9, 0
    0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x60,
    // 99-100: keypad ., none
    0x6E, 0x00,
};
static_assert(sizeof(USAGE_TO_VK) / sizeof(USAGE_TO_VK[0]) == 101, "one entry per usage 0..100");

PageEngine::PageEngine()
    : m_dwCapturedKey(0),
      m_nSetting(0),
      m_dwAxisCount(0),
      m_dwButtonCount(0),
      m_pTestBack(nullptr),
      m_pLogo(nullptr),
      m_pTurboButton(nullptr),
      m_pClearButton(nullptr),
      m_pTurboMark(nullptr),
      m_pTestCursor(nullptr),
      m_pTestZSlider(nullptr),
      m_pTestRzSlider(nullptr),
      m_pSensitivitySlider(nullptr),
      m_pHat(nullptr),
      m_pKeyboardBack(nullptr),
      m_pKeyboardCover(nullptr),
      m_pInitialButton(nullptr),
      m_pLoadButton(nullptr),
      m_pSaveButton(nullptr),
      m_pPowerBack(nullptr),
      m_pPowerInitialButton(nullptr),
      m_pAutoButton(nullptr),
      m_pManualButton(nullptr),
      m_pLeftMotorButton(nullptr),
      m_pRightMotorButton(nullptr),
      m_pPowerSlider(nullptr),
      m_pPowerArrow(nullptr),
      m_pTimeBall(nullptr),
      m_pPowerCursor(nullptr),
      m_pKeyMapBack(nullptr),
      m_pKeyMapCover(nullptr),
      m_pCheckBack(nullptr),
      m_pCheckCover(nullptr),
      m_pCheckCursor(nullptr),
      m_pCheckZSlider(nullptr),
      m_pCheckRzSlider(nullptr),
      m_pCheckButton(nullptr),
      m_pNextButton(nullptr),
      m_pCheckSaveButton(nullptr),
      m_pAboutBack(nullptr),
      m_pButtonImage{},
      m_pButtonLamp{},
      m_pSetButton{},
      m_Settings{},
      m_SavedSettings{},
      m_pfnKeyCapture(KeyCaptureProc),
      m_bPowerDrag(0),
      m_bTimeDrag(0),
      m_dwLeftRunTime(0),
      m_dwRightRunTime(0),
      m_bPausePhase(0),
      m_dwLeftStartTick(0),
      m_dwRightStartTick(0),
      m_dwCheckStep(0),
      m_dwCheckCalib{},
      m_bCheckCentre(0) {}

void PageEngineModuleUnload() { g_PageEngine.DestroyControls(); }

bool PageEngine::ReadLayoutEntry(const char* pszSection, const char* pszKey, RECT* prc, char* pszText) {
  if (!prc || !pszText) return false;
  char szDir[kPageTextSize] = "";
  GetSystemDirectoryA(szDir, sizeof szDir);
  // A path that does not fit names no file: the value is then the default.
  char szPath[kPageTextSize];
  const int cchPath = std::snprintf(szPath, sizeof szPath, "%s\\VQ6100\\Setup.ini", szDir);

  char szValue[kPageTextSize] = "Error!!!";
  if (cchPath > 0 && cchPath < kPageTextSize)
    GetPrivateProfileStringA(pszSection, pszKey, "Error!!!", szValue, sizeof szValue, szPath);

  SetRectEmpty(prc);
  // The four numbers end at the first four commas; the text is the rest.
  int anField[4];
  char* pszField = szValue;
  for (int& nField : anField) {
    char* pszComma = std::strchr(pszField, ',');
    if (!pszComma) return false;
    *pszComma = '\0';
    nField = ParseField(pszField);
    pszField = pszComma + 1;
  }
  // At most 255 characters remain after four commas, so the text fits the
  // caller's 256 characters.
  std::memcpy(pszText, pszField, std::strlen(pszField) + 1);
  SetRect(prc, anField[0], anField[1], anField[2], anField[3]);
  return true;
}

void PageEngine::FormatKeyText(DWORD dwKeyCode, char* pszBuffer, int cchBuffer) {
  if (!pszBuffer || cchBuffer < kPageTextSize) return;
  pszBuffer[0] = '\0';
  if (dwKeyCode & KEYCODE_CTRL) std::strcat(pszBuffer, "Ctl+");
  if (dwKeyCode & KEYCODE_ALT) std::strcat(pszBuffer, "Alt+");
  if (dwKeyCode & KEYCODE_SHIFT) std::strcat(pszBuffer, "Shift+");

  // A usage beyond the table (only a record edited elsewhere holds one)
  // shows as no key.
  DWORD dwUsage = dwKeyCode & KEYCODE_USAGE_MASK;
  DWORD dwVk = dwUsage < kUsageToVkCount ? USAGE_TO_VK[dwUsage] : 0;

  size_t cchUsed = std::strlen(pszBuffer);
  if (const char* pszName = KeyName(dwVk)) {
    std::snprintf(pszBuffer + cchUsed, static_cast<size_t>(cchBuffer) - cchUsed, "%s", pszName);
  } else {
    // The character of vk 0 is NUL, which adds nothing.
    char chKey = static_cast<char>(MapVirtualKeyA(dwVk, MAPVK_VK_TO_CHAR) & 0xFF);
    pszBuffer[cchUsed] = chKey;
    pszBuffer[cchUsed + 1] = '\0';
  }
}

// The page builder: every skin control of the six pages, built in one pass
// from the bitmaps of the skin folder and the captions of Setup.ini.
#include "pageengine.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr int kPageWidth = 500;
constexpr int kPageHeight = 400;

// Bitmap paths below the skin folder "<system>\VQ6100\Image".
class SkinPaths {
 public:
  SkinPaths() {
    char szDir[kPageTextSize] = "";
    GetSystemDirectoryA(szDir, sizeof szDir);
    const int cch = std::snprintf(m_szFolder, sizeof m_szFolder, "%s\\VQ6100\\Image", szDir);
    if (cch < 0 || cch >= kPageTextSize) m_szFolder[0] = '\0';
  }

  // The path of pszName (without extension) in the folder; valid until the
  // next call of the same slot. A path longer than the buffer names no file
  // rather than a cut one, so its bitmap is null.
  const char* operator()(const char* pszName, int nSlot = 0) {
    char* pszPath = m_aszPath[nSlot];
    pszPath[0] = '\0';
    if (!m_szFolder[0]) return pszPath;
    const int cch = std::snprintf(pszPath, kPageTextSize, "%s\\%s.bmp", m_szFolder, pszName);
    if (cch < 0 || cch >= kPageTextSize) pszPath[0] = '\0';
    return pszPath;
  }

 private:
  char m_szFolder[kPageTextSize];
  char m_aszPath[2][kPageTextSize];
};

// One caption of Setup.ini: its rectangle (all zero when the entry is
// missing or malformed) and its text (empty then).
struct Caption {
  RECT rc{0, 0, 0, 0};
  char szText[kPageTextSize] = "";
};

Caption ReadCaption(PageEngine& engine, const char* pszSection, const char* pszKey) {
  Caption caption;
  engine.ReadLayoutEntry(pszSection, pszKey, &caption.rc, caption.szText);
  return caption;
}

SkinControl* NewButton(const char* pszNormal, const char* pszPressed, const RECT& rc, HWND hWnd) {
  return new (std::nothrow)
      SkinButton(nullptr, pszNormal, pszPressed, rc.left, rc.top, rc.right, rc.bottom, 0, 0, 0, 0, "", hWnd, 0, 0);
}

SkinControl* NewAxisSlider(const char* pszTrack, const char* pszFill, const RECT& rc, const Caption& caption,
                           HWND hWnd) {
  return new (std::nothrow) SkinSlider(hWnd, pszTrack, pszFill, rc.left, rc.top, rc.right, rc.bottom, caption.rc.left,
                                       caption.rc.top, caption.rc.right, caption.rc.bottom, caption.szText, 40, 83,
                                       1, 0);
}

SkinControl* NewCover(const char* pszImage, const RECT& rcPart) {
  return new (std::nothrow) SkinBackgroundPart(nullptr, pszImage, 0, 0, kPageWidth, kPageHeight, rcPart.left,
                                               rcPart.top, rcPart.right, rcPart.bottom);
}

SkinControl* NewBackground(const char* pszImage) {
  return new (std::nothrow) SkinBackground(nullptr, pszImage, 0, 0, kPageWidth, kPageHeight);
}

// The part of a key-map or keyboard page that hides the rows of the second
// column beyond the button count: from the top of the first row without a
// button (62 + 47 x (count - 6)) to the bottom of the last row.
RECT RowCoverPart(DWORD dwButtonCount) {
  const int nTop = 47 * static_cast<int>(dwButtonCount) - 220;
  return RECT{259, nTop, 500, 344};
}

}  // namespace

void PageEngine::BuildPages(HWND hWnd) {
  SkinPaths path;
  DestroyControls();

  // Test page: background, logo, cursor and axis sliders.
  m_pTestBack = NewBackground(path("BKJoystick"));
  m_pLogo = new (std::nothrow) SkinImage(nullptr, path("LogoJoy"), 204, 0, 292, 57);

  Caption caption = ReadCaption(*this, "TestPage", "X_Y_0");
  m_pTestCursor = new (std::nothrow)
      SkinCursor(hWnd, path("BKCursor"), 326, 250, 429, 355, 377, 302, 30, caption.rc.left, caption.rc.top,
                 caption.rc.right, caption.rc.bottom, caption.szText, 0, 0);

  if (m_dwAxisCount >= 4) {
    caption = ReadCaption(*this, "TestPage", "Axies3_0");
    m_pTestRzSlider = NewAxisSlider(path("AxesSlider"), path("AxesSlider_1", 1), {268, 146, 481, 229}, caption, hWnd);
  }
  if (m_dwAxisCount >= 3) {
    caption = ReadCaption(*this, "TestPage", "Axies2_0");
    m_pTestZSlider = NewAxisSlider(path("AxesSlider"), path("AxesSlider_1", 1), {28, 146, 241, 229}, caption, hWnd);
  }

  caption = ReadCaption(*this, "TestPage", "Sensitivity_0");
  m_pSensitivitySlider = new (std::nothrow)
      SkinSlider(hWnd, path("AxesSensitive"), path("AxesSensitive_1", 1), 280, 250, 308, 283, caption.rc.left,
                 caption.rc.top, caption.rc.right, caption.rc.bottom, caption.szText, 0, 0, 0, 0);

  // Check page.
  m_pCheckBack = NewBackground(path("BKJoyCheck"));
  caption = ReadCaption(*this, "CheckPage", "X_Y_0");
  m_pCheckCursor = new (std::nothrow)
      SkinCursor(hWnd, path("BKCursor"), 79, 66, 188, 175, 133, 120, 30, caption.rc.left, caption.rc.top,
                 caption.rc.right, caption.rc.bottom, caption.szText, 0, 0);

  const RECT rcCheckRz{27, 294, 242, 374};
  if (m_dwAxisCount >= 4) {
    caption = ReadCaption(*this, "CheckPage", "Axies3_0");
    m_pCheckRzSlider = NewAxisSlider(path("AxesSlider"), path("AxesSlider_1", 1), rcCheckRz, caption, hWnd);
  } else {
    m_pCheckCover = NewCover(path("Background"), rcCheckRz);
  }
  caption = ReadCaption(*this, "CheckPage", "Axies2_0");
  m_pCheckZSlider = NewAxisSlider(path("AxesSlider"), path("AxesSlider_1", 1), {27, 200, 242, 284}, caption, hWnd);

  const RECT rcStep{223, 142, 307, 166};
  m_pCheckButton = NewButton(path("BtnCheck"), path("BtnCheck_1", 1), rcStep, hWnd);
  m_pNextButton = NewButton(path("BtnNext"), nullptr, rcStep, hWnd);
  m_pCheckSaveButton = NewButton(path("BtnSave"), nullptr, rcStep, hWnd);

  // Key-map page.
  m_pKeyMapBack = NewBackground(path("BKKeyMap"));
  if (m_dwButtonCount < 12) m_pKeyMapCover = NewCover(path("Background"), RowCoverPart(m_dwButtonCount));

  // Vibration page.
  m_pPowerBack = NewBackground(path("BKV"));
  m_pPowerInitialButton = NewButton(path("BtnInitial_v"), path("BtnInitial_v1", 1), {126, 177, 199, 198}, hWnd);
  m_pAutoButton = NewButton(path("BtnAuto_v"), path("BtnAuto_v1", 1), {211, 177, 284, 198}, hWnd);
  m_pManualButton = NewButton(path("BtnManual_v"), path("BtnManual_v1", 1), {300, 177, 373, 198}, hWnd);

  caption = ReadCaption(*this, "PowerPage", "LeftMotor");
  m_pLeftMotorButton = new (std::nothrow)
      SkinLabelButton(nullptr, path("BtnVLeft"), path("BtnVLeft_1", 1), 42, 270, 122, 351, caption.rc.left,
                      caption.rc.top, caption.rc.right, caption.rc.bottom, caption.szText, hWnd, 0, 1);
  caption = ReadCaption(*this, "PowerPage", "RightMotor");
  m_pRightMotorButton = new (std::nothrow)
      SkinLabelButton(nullptr, path("BtnVRight"), path("BtnVRight_1", 1), 377, 270, 457, 351, caption.rc.left,
                      caption.rc.top, caption.rc.right, caption.rc.bottom, caption.szText, hWnd, 0, 1);

  caption = ReadCaption(*this, "PowerPage", "MotorPower");
  m_pPowerSlider = new (std::nothrow)
      SkinSlider(hWnd, nullptr, path("BKPowerLine"), 79, 220, 423, 242, caption.rc.left, caption.rc.top,
                 caption.rc.right, caption.rc.bottom, caption.szText, 0, 0, 0, 0);
  m_pPowerArrow = new (std::nothrow) SkinImage(nullptr, path("BKArrow"), 79, 239, 88, 248);
  m_pTimeBall = new (std::nothrow) SkinImage(nullptr, path("BKTimeBall"), 75, 71, 96, 92);
  m_pPowerCursor = new (std::nothrow)
      SkinCursor(hWnd, path("BKCursor_1"), 194, 270, 309, 385, 251, 327, 30, 0, 0, 0, 0, "", 0, 1);

  // Keyboard page and the buttons it shares with the key-map page.
  m_pKeyboardBack = NewBackground(path("BKKeyboardMap"));
  if (m_dwButtonCount < 12) m_pKeyboardCover = NewCover(path("Background"), RowCoverPart(m_dwButtonCount));
  m_pInitialButton = NewButton(path("BtnInitial"), path("BtnInitial_1", 1), {114, 358, 198, 382}, hWnd);
  m_pLoadButton = NewButton(path("BtnLoad"), path("BtnLoad_1", 1), {211, 358, 295, 382}, hWnd);
  m_pSaveButton = NewButton(path("BtnSave"), path("BtnSave_1", 1), {312, 358, 396, 382}, hWnd);

  // Test page buttons and hat.
  m_pTurboButton = NewButton(path("BtnTurbo"), path("BtnTurbo_1", 1), {40, 25, 110, 45}, hWnd);
  m_pClearButton = NewButton(nullptr, path("BtnClear"), {120, 25, 190, 45}, hWnd);
  m_pTurboMark = NewButton(path("BtnWhiteBall"), nullptr, {0, 0, 46, 46}, hWnd);

  static const RECT kHatRects[SkinHat::kDirections] = {
      {105, 203, 173, 271}, {151, 223, 219, 291}, {174, 271, 242, 339}, {153, 320, 221, 388},
      {103, 341, 171, 409}, {55, 321, 123, 389},  {34, 272, 102, 340},  {56, 222, 124, 290},
  };
  char aszHat[SkinHat::kDirections][kPageTextSize];
  const char* apszHat[SkinHat::kDirections];
  for (int k = 0; k < SkinHat::kDirections; ++k) {
    char szName[32];
    std::snprintf(szName, sizeof szName, "BmpCoolHat_%d", k + 1);
    const char* pszPath = path(szName);
    std::memcpy(aszHat[k], pszPath, std::strlen(pszPath) + 1);
    apszHat[k] = aszHat[k];
  }
  m_pHat = new (std::nothrow) SkinHat(nullptr, apszHat, kHatRects, 0);

  // About page.
  m_pAboutBack = NewBackground(path("BKAbout"));

  // Button rows: lamp, row button and number image of each physical button.
  for (DWORD i = 0; i < m_dwButtonCount && i < static_cast<DWORD>(kPageButtonCount); ++i) {
    const int n = static_cast<int>(i);
    char szNumber[32];
    std::snprintf(szNumber, sizeof szNumber, "BtnButton_%d", n + 1);

    const int xLamp = 60 + 63 * (n % 6);
    const int yLamp = n < 6 ? 58 : 115;
    m_pButtonLamp[i] = new (std::nothrow)
        SkinButton(nullptr, path("BtnButton"), path(szNumber, 1), xLamp, yLamp, xLamp + 42, yLamp + 42, xLamp,
                   yLamp + 43, xLamp + 150, yLamp + 57, "", hWnd, 0, 1);

    const int xRow = n < 6 ? 36 : 259;
    const int yRow = 62 + 47 * (n % 6);
    m_pSetButton[i] = NewButton(path("BtnSet"), path("BtnSet_1", 1), {xRow, yRow, xRow + 70, yRow + 46}, hWnd);

    m_pButtonImage[i] = new (std::nothrow) SkinImage(nullptr, path(szNumber), 0, 0, 42, 42);
  }
}

void PageEngine::DestroyControls() {
  SkinControl** const apControl[] = {
      &m_pTestBack,         &m_pLogo,           &m_pTurboButton,     &m_pClearButton,     &m_pTurboMark,
      &m_pTestCursor,       &m_pTestZSlider,    &m_pTestRzSlider,    &m_pSensitivitySlider, &m_pHat,
      &m_pKeyboardBack,     &m_pKeyboardCover,  &m_pInitialButton,   &m_pLoadButton,      &m_pSaveButton,
      &m_pPowerBack,        &m_pPowerInitialButton, &m_pAutoButton,  &m_pManualButton,    &m_pLeftMotorButton,
      &m_pRightMotorButton, &m_pPowerSlider,    &m_pPowerArrow,      &m_pTimeBall,        &m_pPowerCursor,
      &m_pKeyMapBack,       &m_pKeyMapCover,    &m_pCheckBack,       &m_pCheckCover,      &m_pCheckCursor,
      &m_pCheckZSlider,     &m_pCheckRzSlider,  &m_pCheckButton,     &m_pNextButton,      &m_pCheckSaveButton,
      &m_pAboutBack,
  };
  auto destroy = [](SkinControl*& pControl) {
    delete pControl;
    pControl = nullptr;
  };
  for (SkinControl** ppControl : apControl) destroy(*ppControl);
  for (SkinControl*& pControl : m_pButtonImage) destroy(pControl);
  for (SkinControl*& pControl : m_pButtonLamp) destroy(pControl);
  for (SkinControl*& pControl : m_pSetButton) destroy(pControl);
}

// The page engine: the one object behind all six property pages. It owns
// every skin control of every page, the settings record being edited and the
// copy read at start, and the small state machines of the vibration test and
// of the calibration check. It is used only on the property sheet's window
// thread; nothing in it is locked.
//
// Pages: 0 test, 1 key map, 2 keyboard, 3 vibration, 4 calibration check,
// 5 about. Every user of a control pointer treats null as an absent control.
#pragma once

#include "platform/win32.h"
#include "keycapture.h"  // KeyCaptureProc
#include "settings.h"
#include "skin.h"

// The device's polled state (DirectInput's published structure).
struct DIJOYSTATE;


// The module's instance handle (resources: dialogs, strings, icons).
extern HINSTANCE g_hInstance;

// Windows virtual-key code of each USB HID keyboard usage 0..100 (0 = none).
constexpr DWORD kUsageToVkCount = 101;
extern const DWORD USAGE_TO_VK[kUsageToVkCount];

// Number of physical buttons the pages know.
constexpr int kPageButtonCount = 12;

// Text and path buffers of the pages, in characters.
constexpr int kPageTextSize = 260;

class PageEngine {
 public:
  PageEngine();
  PageEngine(const PageEngine&) = delete;
  PageEngine& operator=(const PageEngine&) = delete;

  // --- Layout file and key names -------------------------------------------

  // Reads one value of "<system>\VQ6100\Setup.ini" as "left,top,right,bottom,
  // text". pszText must hold 256 characters or more and already hold a
  // terminated string: it is written only on success. The rectangle is all
  // zero on failure. True when the value holds at least four commas.
  bool ReadLayoutEntry(const char* pszSection, const char* pszKey, RECT* prc, char* pszText);
  // Writes the display text of a dwKeyCode value ("Ctl+Alt+Shift+A"). Does
  // nothing unless pszBuffer is non-null and cchBuffer is 260 or more.
  void FormatKeyText(DWORD dwKeyCode, char* pszBuffer, int cchBuffer);

  // --- Settings, live test record and profiles ------------------------------

  // Full mode (bReset false) or reset mode (turbo flags and keys only); both
  // then set the vibration fields to 63, 63, manual.
  void MakeDefaultSettings(SettingsRecord* pRecord, bool bReset);
  // Reads both records for setting number n; sets 4 axes and 12 buttons.
  void LoadSettings(HWND hWnd, int n);
  // Page 0..4: stops the motors, sets the page's controls and writes its test
  // record; -1 writes m_Settings, -2 writes back m_SavedSettings.
  void Activate(HWND hWnd, int nCode);
  void LoadProfile(HWND hWnd);
  void SaveProfile(HWND hWnd);

  // --- Page builder ----------------------------------------------------------

  // Builds every control of all six pages (destroying the old ones first);
  // hWnd receives the build's invalidations.
  void BuildPages(HWND hWnd);
  // Deletes every control the engine holds and nulls its pointer.
  void DestroyControls();

  // --- Painting and input ----------------------------------------------------

  void Paint(HWND hWnd, int nPage, HDC hdc);
  void Click(HWND hWnd, int nPage, int x, int y);
  void MouseMove(HWND hWnd, int nPage, int x, int y);
  void MouseUp(HWND hWnd, int nPage, int x, int y);

  // --- Calibration check -----------------------------------------------------

  void ResetCheck();
  void NextCheckStep(HWND hWnd);
  void CheckTick(HWND hWnd, const DIJOYSTATE* pState);
  LONG TrackCheckAxis(DWORD dwAxis, LONG lValue, bool bCentre);
  void CommitCheck();

  // --- Live test, sounds and vibration test ----------------------------------

  void Tick(HWND hWnd, int nPage, const DIJOYSTATE* pState);
  void SendMotorReport(BYTE bLeftOff, BYTE bRightOff, DWORD dwLeftValue, DWORD dwRightValue);
  void MoveCursor(HWND hWnd, LONG x, LONG y, SkinControl* pCursor);
  void MoveCalibratedCursor(HWND hWnd, LONG x, LONG y, SkinControl* pCursor);
  void PlayButtonSounds(HWND hWnd, const DIJOYSTATE* pState);

  // --- State, in this order --------------------------------------------------

  DWORD m_dwCapturedKey;  // dwKeyCode form; written by the key-capture dialog
  DWORD m_nSetting;       // setting number n (low byte of the USB product ID)
  DWORD m_dwAxisCount;    // 4 once loaded; Z and Rz sliders need 3 and 4
  DWORD m_dwButtonCount;  // 12 once loaded; rows built below this count

  // Control pointers, owned; null while a control is not built.
  SkinControl* m_pTestBack;
  SkinControl* m_pLogo;
  SkinControl* m_pTurboButton;
  SkinControl* m_pClearButton;
  SkinControl* m_pTurboMark;
  SkinControl* m_pTestCursor;
  SkinControl* m_pTestZSlider;
  SkinControl* m_pTestRzSlider;
  SkinControl* m_pSensitivitySlider;
  SkinControl* m_pHat;
  SkinControl* m_pKeyboardBack;
  SkinControl* m_pKeyboardCover;
  SkinControl* m_pInitialButton;
  SkinControl* m_pLoadButton;
  SkinControl* m_pSaveButton;
  SkinControl* m_pPowerBack;
  SkinControl* m_pPowerInitialButton;
  SkinControl* m_pAutoButton;
  SkinControl* m_pManualButton;
  SkinControl* m_pLeftMotorButton;
  SkinControl* m_pRightMotorButton;
  SkinControl* m_pPowerSlider;
  SkinControl* m_pPowerArrow;
  SkinControl* m_pTimeBall;
  SkinControl* m_pPowerCursor;
  SkinControl* m_pKeyMapBack;
  SkinControl* m_pKeyMapCover;
  SkinControl* m_pCheckBack;
  SkinControl* m_pCheckCover;
  SkinControl* m_pCheckCursor;
  SkinControl* m_pCheckZSlider;
  SkinControl* m_pCheckRzSlider;
  SkinControl* m_pCheckButton;
  SkinControl* m_pNextButton;
  SkinControl* m_pCheckSaveButton;
  SkinControl* m_pAboutBack;
  SkinControl* m_pButtonImage[kPageButtonCount];  // element k shows button number k + 1
  SkinControl* m_pButtonLamp[kPageButtonCount];   // lamp of physical button i
  SkinControl* m_pSetButton[kPageButtonCount];    // row button of physical button i

  SettingsRecord m_Settings;       // the record being edited
  SettingsRecord m_SavedSettings;  // the record as read at start
  DLGPROC m_pfnKeyCapture;         // KeyCaptureProc
  BYTE m_bPowerDrag;               // motor-power slider being dragged
  BYTE m_bTimeDrag;                // time-cycle ball being dragged
  DWORD m_dwLeftRunTime;           // ms left of the auto test, or of the left motor; 0 idle
  DWORD m_dwRightRunTime;          // ms of the right motor in the manual test; 0 idle
  BYTE m_bPausePhase;              // auto test: 1 pause (motors off), 0 burst
  DWORD m_dwLeftStartTick;         // GetTickCount at the auto phase start / left motor on
  DWORD m_dwRightStartTick;        // GetTickCount when the right motor went on
  DWORD m_dwCheckStep;             // calibration-check step 0..6
  DWORD m_dwCheckCalib[5];         // working calibration words, dwAxisCalib form and order
  BYTE m_bCheckCentre;             // the next tracked reading is the axis centre
};

// Number of control pointers, from m_pTestBack to the last m_pSetButton.
constexpr int kPageControlCount = 72;

// The one engine of the module, constructed when the module loads.
extern PageEngine g_PageEngine;

// The device of the page shown now; set and cleared by the page dialog
// procedures. SendMotorReport writes nothing while it is NULL.
extern IDirectInputDevice2* g_pCurDevice;

// Blink clock (GetTickCount) of each button's turbo; 0 = not running. Lives
// for the life of the module.
extern DWORD g_dwTurboTick[kPageButtonCount];

// Deletes the controls g_PageEngine still holds. DllMain's process detach
// calls it, and so does the module's teardown of its static objects; a
// second call finds every pointer null.
void PageEngineModuleUnload();

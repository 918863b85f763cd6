// Page input: the user's left-button presses on pages 0 to 4 and the two
// drags of the vibration page, turned into changes of the edited record and
// of the controls' states.
//
// A click that changes the record on the test page or on a key page passes
// it on at once: the edited record is written to "CurrentValue" and then the
// page's own test record again. The vibration page's and the check's changes
// wait for the next write of the edited record.
//
// Coordinates are client coordinates of the page window. Every control
// pointer may be null; a missing control is skipped, together with whatever
// needs its rectangle.
#include <cstdio>

#include "pageengine.h"

namespace {

constexpr int kTestPage = 0;
constexpr int kKeyMapPage = 1;
constexpr int kKeyboardPage = 2;
constexpr int kPowerPage = 3;
constexpr int kCheckPage = 4;

// --- Test page -----------------------------------------------------------

// The turbo mark sits 2 pixels up and left of the lamp it marks.
constexpr int kTurboMarkMargin = 2;

// The sensitivity slider's vertical value for levels 0, 1 and 2: (level + 1)
// thirds of 255.
constexpr DWORD kSensitivityLevels = 3;
constexpr DWORD kSensitivityLevelValue[kSensitivityLevels] = {85, 170, 255};

constexpr DWORD kTwoPointFlag = 0x01000000;
constexpr LONG kCalibByteMax = 255;

// --- Vibration page ---------------------------------------------------------

// The time bar takes clicks at these x and y, both ends included.
constexpr int kTimeBarLeft = 75;
constexpr int kTimeBarRight = 425;
constexpr int kTimeBarTop = 71;
constexpr int kTimeBarBottom = 92;
// The pointer's x is held where the 21-pixel ball, centred on it, stays on
// the bar: the ball's left edge is the pointer's x - 11.
constexpr int kTimeBallMinX = 86;
constexpr int kTimeBallMaxX = 419;
constexpr int kTimeBallHalf = 11;
// Time cycle 0 lies at x = 75, 255 at 75 + 356 (pointer x).
constexpr int kTimeBarOrigin = 75;
constexpr int kTimeBarSpan = 356;
// The ball's left edge as built; its drawing offset moves it from there.
constexpr int kTimeBallHome = 75;
// The time-cycle curve, repainted (with erase) whenever the time cycle changes.
constexpr RECT kCurveArea = {80, 108, 422, 159};

// The arrow's point lies 3 pixels right of its left edge.
constexpr int kPowerArrowPoint = 3;
constexpr DWORD kMinMotorPower = 2;
constexpr DWORD kMaxVibration = 255;

// The vibration settings of the page's Initial button.
constexpr DWORD kInitialTimeCycle = 63;
constexpr DWORD kInitialMotorPower = 189;

// Run times, in milliseconds: the whole automatic test, and a manual motor's
// 500 ms plus up to 1000 ms by the time cycle.
constexpr DWORD kAutoRunMs = 15000;
constexpr DWORD kMotorBaseMs = 500;
constexpr DWORD kMotorCycleMs = 1000;

// SendMotorReport's "as the buttons say" values.
constexpr DWORD kFromButtons = static_cast<DWORD>(-1);

// --- Check page --------------------------------------------------------------

constexpr DWORD kLastCheckStep = 6;

// --- Helpers -------------------------------------------------------------------

bool Hit(SkinControl* pControl, int x, int y) { return pControl != nullptr && pControl->HitTest(x, y); }

DWORD StateOf(SkinControl* pControl) { return pControl != nullptr ? pControl->GetState() : 0; }

void SetStateOf(SkinControl* pControl, HWND hWnd, DWORD dwState) {
  if (pControl != nullptr) pControl->SetState(hWnd, dwState);
}

RECT RectOf(SkinControl* pControl) {
  RECT rc = {0, 0, 0, 0};
  pControl->GetRect(&rc);
  return rc;
}

int Clamp(int n, int nLow, int nHigh) { return n < nLow ? nLow : (n > nHigh ? nHigh : n); }

LONG ClampByte(long long llValue) {
  return static_cast<LONG>(llValue < 0 ? 0 : (llValue > kCalibByteMax ? kCalibByteMax : llValue));
}

// Writes the edited record to "CurrentValue", then the page's test record.
void PassEditOn(PageEngine& engine, HWND hWnd, int nPage) {
  engine.Activate(hWnd, -1);
  engine.Activate(hWnd, nPage);
}

void InvalidateCurve(HWND hWnd) { InvalidateRect(hWnd, &kCurveArea, TRUE); }

// --- Test page -----------------------------------------------------------

// Moves the turbo mark onto the lamp's place and repaints it there, so that
// painting draws or drops the mark behind that lamp.
void MarkTurboRow(PageEngine& engine, HWND hWnd, SkinControl* pLamp) {
  SkinControl* pMark = engine.m_pTurboMark;
  if (pMark == nullptr) return;
  const RECT rcLamp = RectOf(pLamp);
  pMark->MoveTo(hWnd, rcLamp.left - kTurboMarkMargin, rcLamp.top - kTurboMarkMargin, true);
  pMark->Invalidate(hWnd, false);
}

// The sensitivity level of a click at y on a slider of rectangle rc (the
// hit test puts y at top..bottom - 1): the upper third 2, the middle 1, the
// lower third 0, the top row 1.
DWORD SensitivityLevelAt(const RECT& rc, int y) {
  if (y <= rc.top) return 1;
  const LONG q = 2 * (rc.bottom - rc.top) / (y - rc.top);
  if (q >= 6) return 2;
  if (q >= 3) return 1;
  return 0;
}

// One calibration word with its range narrowed (the level went up) or
// widened (down) around its centre by the level difference: each step up
// halves each half-range, each step down doubles it, as the calibration
// check narrows what it stores. The centre stays; each end is kept within
// 0..255 so that it never carries into the neighbouring byte (a word that
// was not narrowed by the same steps may widen past the ends).
DWORD RescaleCalibWord(DWORD dwWord, DWORD dwOldLevel, DWORD dwNewLevel) {
  const bool bTwoPoint = (dwWord & kTwoPointFlag) != 0;
  long long llLow, llCentre, llHigh;
  if (bTwoPoint) {
    llLow = (dwWord >> 8) & 0xFF;
    llHigh = dwWord & 0xFF;
    llCentre = (llLow + llHigh) / 2;
  } else {
    llLow = (dwWord >> 16) & 0xFF;
    llCentre = (dwWord >> 8) & 0xFF;
    llHigh = dwWord & 0xFF;
  }

  long long llNewLow, llNewHigh;
  if (dwNewLevel > dwOldLevel) {
    const long long llSteps = dwNewLevel - dwOldLevel;
    llNewLow = llCentre - ((llCentre - llLow) / llSteps) / 2;
    llNewHigh = llCentre + ((llHigh - llCentre) / llSteps) / 2;
  } else {
    const long long llSteps = dwOldLevel - dwNewLevel;
    llNewLow = llCentre - 2 * llSteps * (llCentre - llLow);
    llNewHigh = llCentre + 2 * llSteps * (llHigh - llCentre);
  }

  const DWORD dwLow = static_cast<DWORD>(ClampByte(llNewLow));
  const DWORD dwHigh = static_cast<DWORD>(ClampByte(llNewHigh));
  if (bTwoPoint) return kTwoPointFlag + dwLow * 256 + dwHigh;
  return dwLow * 65536 + static_cast<DWORD>(llCentre) * 256 + dwHigh;
}

void ClickSensitivity(PageEngine& engine, HWND hWnd, int y) {
  SkinControl* pSlider = engine.m_pSensitivitySlider;
  const DWORD dwOldLevel = engine.m_Settings.dwSensitivity;
  const DWORD dwLevel = SensitivityLevelAt(RectOf(pSlider), y);
  pSlider->SetState(hWnd, kSensitivityLevelValue[dwLevel]);
  engine.m_Settings.dwSensitivity = dwLevel;
  if (dwLevel != dwOldLevel) {
    for (int nAxis = 0; nAxis < 2; ++nAxis)
      engine.m_Settings.dwAxisCalib[nAxis] = RescaleCalibWord(engine.m_Settings.dwAxisCalib[nAxis], dwOldLevel, dwLevel);
  }
  PassEditOn(engine, hWnd, kTestPage);
}

void ClickTestPage(PageEngine& engine, HWND hWnd, int x, int y) {
  // Turbo editing is armed while the turbo and clear buttons are pressed.
  if (Hit(engine.m_pTurboButton, x, y)) {
    const DWORD dwArmed = engine.m_pTurboButton->GetState() == 0 ? 1 : 0;
    engine.m_pTurboButton->SetState(hWnd, dwArmed);
    SetStateOf(engine.m_pClearButton, hWnd, dwArmed);
  }

  // While armed a lamp's click toggles its row's turbo flag, and every
  // click of the page stores the record.
  if (StateOf(engine.m_pTurboButton) != 0) {
    for (int k = 0; k < kPageButtonCount; ++k) {
      SkinControl* pLamp = engine.m_pButtonLamp[k];
      if (!Hit(pLamp, x, y)) continue;
      const DWORD dwTurbo = pLamp->GetTag() != 0 ? 0 : 1;
      pLamp->SetTag(hWnd, dwTurbo);
      engine.m_Settings.byTurbo[k] = static_cast<BYTE>(dwTurbo);
      MarkTurboRow(engine, hWnd, pLamp);
    }
    PassEditOn(engine, hWnd, kTestPage);
  }

  if (Hit(engine.m_pClearButton, x, y) && engine.m_pClearButton->GetState() != 0) {
    for (int k = 0; k < kPageButtonCount; ++k) {
      SkinControl* pLamp = engine.m_pButtonLamp[k];
      if (pLamp == nullptr || pLamp->GetTag() == 0) continue;
      pLamp->SetTag(hWnd, 0);
      MarkTurboRow(engine, hWnd, pLamp);
      engine.m_Settings.byTurbo[k] = 0;
    }
    PassEditOn(engine, hWnd, kTestPage);
  }

  if (Hit(engine.m_pSensitivitySlider, x, y)) ClickSensitivity(engine, hWnd, y);
}

// --- Key-map and keyboard pages --------------------------------------------

void ReleaseRows(PageEngine& engine, HWND hWnd) {
  for (SkinControl* pRow : engine.m_pSetButton) SetStateOf(pRow, hWnd, 0);
}

// Load and Save show pressed while their file dialog is open.
void ClickProfileButtons(PageEngine& engine, HWND hWnd, int x, int y) {
  if (Hit(engine.m_pLoadButton, x, y)) {
    engine.m_pLoadButton->SetState(hWnd, 1);
    engine.LoadProfile(hWnd);
    SetStateOf(engine.m_pLoadButton, hWnd, 0);
  }
  if (Hit(engine.m_pSaveButton, x, y)) {
    engine.m_pSaveButton->SetState(hWnd, 1);
    engine.SaveProfile(hWnd);
    SetStateOf(engine.m_pSaveButton, hWnd, 0);
  }
}

// A pressed row takes the next physical button that the live test sees; a
// click anywhere else releases it.
void ClickKeyMapPage(PageEngine& engine, HWND hWnd, int x, int y) {
  ReleaseRows(engine, hWnd);
  for (SkinControl* pRow : engine.m_pSetButton)
    if (Hit(pRow, x, y)) pRow->SetState(hWnd, 1);

  if (Hit(engine.m_pInitialButton, x, y)) {
    for (int i = 0; i < kPageButtonCount; ++i) engine.m_Settings.byButtonMap[i] = static_cast<BYTE>(i + 1);
    PassEditOn(engine, hWnd, kKeyMapPage);
    InvalidateRect(hWnd, nullptr, TRUE);
  }
  ClickProfileButtons(engine, hWnd, x, y);
}

// Stores the captured key for row k's button number. The key belongs to the
// number, not to the row: every row that shows the number gets the key's
// text, and its key place on the page is repainted.
void StoreCapturedKey(PageEngine& engine, HWND hWnd, int k) {
  const BYTE byNumber = engine.m_Settings.byButtonMap[k];
  // An entry outside 1..12 counts as button 12.
  const int i = (byNumber >= 1 && byNumber <= kPageButtonCount) ? byNumber - 1 : kPageButtonCount - 1;
  engine.m_Settings.dwKeyCode[i] = engine.m_dwCapturedKey;

  char szKeyText[kPageTextSize] = "";
  engine.FormatKeyText(engine.m_dwCapturedKey, szKeyText, kPageTextSize);

  const DWORD dwRows = engine.m_dwButtonCount < DWORD(kPageButtonCount) ? engine.m_dwButtonCount : kPageButtonCount;
  for (DWORD j = 0; j < dwRows; ++j) {
    if (engine.m_Settings.byButtonMap[j] != i + 1) continue;
    if (engine.m_pSetButton[j] != nullptr) engine.m_pSetButton[j]->SetText(szKeyText);
    char szKey[32];
    std::snprintf(szKey, sizeof szKey, "Keyboard%d", static_cast<int>(j));
    RECT rc = {0, 0, 0, 0};
    char szEntry[kPageTextSize] = "";
    engine.ReadLayoutEntry("KeyboardPage", szKey, &rc, szEntry);
    InvalidateRect(hWnd, &rc, TRUE);
  }
  PassEditOn(engine, hWnd, kKeyboardPage);
}

// Row k is shown pressed while the key-capture dialog runs; only an IDOK end
// stores the key. The dialog's message loop runs the page's timer meanwhile.
void CaptureRowKey(PageEngine& engine, HWND hWnd, int k) {
  engine.m_pSetButton[k]->SetState(hWnd, 1);
  const INT_PTR nResult =
      DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_KEYCAPTURE), hWnd, engine.m_pfnKeyCapture, 0);
  if (nResult == IDOK) StoreCapturedKey(engine, hWnd, k);
  SetStateOf(engine.m_pSetButton[k], hWnd, 0);
}

void ClickKeyboardPage(PageEngine& engine, HWND hWnd, int x, int y) {
  ReleaseRows(engine, hWnd);
  for (int k = 0; k < kPageButtonCount; ++k)
    if (Hit(engine.m_pSetButton[k], x, y)) CaptureRowKey(engine, hWnd, k);

  if (Hit(engine.m_pInitialButton, x, y)) {
    for (DWORD& dwKeyCode : engine.m_Settings.dwKeyCode) dwKeyCode = 0;
    PassEditOn(engine, hWnd, kKeyboardPage);
    InvalidateRect(hWnd, nullptr, TRUE);
  }
  ClickProfileButtons(engine, hWnd, x, y);
}

// --- Vibration page -----------------------------------------------------------

// The time cycle at a pointer x of kTimeBallMinX..kTimeBallMaxX (7 to 246);
// the ball is centred on the pointer.
void SetTimeCycleAt(PageEngine& engine, HWND hWnd, int x) {
  engine.m_Settings.dwTimeCycle = static_cast<DWORD>((x - kTimeBarOrigin) * 255 / kTimeBarSpan);
  if (engine.m_pTimeBall != nullptr) engine.m_pTimeBall->MoveTo(hWnd, x - kTimeBallMinX, 0, true);
  InvalidateCurve(hWnd);
}

// A click on the ball takes the time cycle from where the ball stands and
// leaves it there.
void ClickTimeBall(PageEngine& engine, HWND hWnd) {
  const int nLeft = RectOf(engine.m_pTimeBall).left;
  const int nPointer = Clamp(nLeft + kTimeBallHalf, kTimeBarOrigin, kTimeBarOrigin + kTimeBarSpan);
  engine.m_Settings.dwTimeCycle = static_cast<DWORD>((nPointer - kTimeBarOrigin) * 255 / kTimeBarSpan);
  engine.m_pTimeBall->MoveTo(hWnd, nLeft - kTimeBallHome, 0, true);
  InvalidateCurve(hWnd);
}

void PlacePowerArrow(PageEngine& engine, HWND hWnd, const RECT& rcSlider, DWORD dwPower) {
  if (engine.m_pPowerArrow == nullptr) return;
  const LONG lWidth = rcSlider.right - rcSlider.left;
  engine.m_pPowerArrow->MoveTo(hWnd, static_cast<int>(lWidth * static_cast<LONG>(dwPower) / 255 - kPowerArrowPoint),
                               0, true);
}

// The motor power at x (rcSlider.left..rcSlider.right - 1) of the slider: 2
// to 254; the slider fills to it and the arrow points at it.
void SetMotorPowerAt(PageEngine& engine, HWND hWnd, const RECT& rcSlider, int x) {
  const LONG lWidth = rcSlider.right - rcSlider.left;
  if (lWidth <= 0) return;
  DWORD dwPower = static_cast<DWORD>((x - rcSlider.left) * 255 / lWidth);
  if (dwPower < kMinMotorPower) dwPower = kMinMotorPower;
  engine.m_pPowerSlider->SetState(hWnd, dwPower << 16);
  engine.m_Settings.dwMotorPower = dwPower;
  PlacePowerArrow(engine, hWnd, rcSlider, dwPower);
}

// Time cycle 63, power 189, manual mode, motors off.
void ClickPowerInitial(PageEngine& engine, HWND hWnd) {
  engine.m_dwLeftRunTime = 0;
  engine.m_dwRightRunTime = 0;
  engine.m_Settings.dwTimeCycle = kInitialTimeCycle;
  engine.m_Settings.dwMotorPower = kInitialMotorPower;
  if (engine.m_pPowerSlider != nullptr) {
    engine.m_pPowerSlider->SetState(hWnd, kInitialMotorPower << 16);
    PlacePowerArrow(engine, hWnd, RectOf(engine.m_pPowerSlider), kInitialMotorPower);
  }
  if (engine.m_pTimeBall != nullptr)
    engine.m_pTimeBall->MoveTo(hWnd, static_cast<int>(kTimeBarSpan * kInitialTimeCycle / 255) - kTimeBallHalf, 0,
                               true);
  SetStateOf(engine.m_pManualButton, hWnd, 1);
  SetStateOf(engine.m_pAutoButton, hWnd, 0);
  SetStateOf(engine.m_pLeftMotorButton, hWnd, 0);
  SetStateOf(engine.m_pRightMotorButton, hWnd, 0);
  engine.m_Settings.dwAutoMode = 0;
  InvalidateCurve(hWnd);
  engine.SendMotorReport(1, 1, kFromButtons, kFromButtons);
}

// Selects the automatic or the manual test; the two motor buttons go off.
void SelectVibrationMode(PageEngine& engine, HWND hWnd, bool bAuto) {
  SetStateOf(engine.m_pAutoButton, hWnd, bAuto ? 1 : 0);
  SetStateOf(engine.m_pManualButton, hWnd, bAuto ? 0 : 1);
  SetStateOf(engine.m_pLeftMotorButton, hWnd, 0);
  SetStateOf(engine.m_pRightMotorButton, hWnd, 0);
}

// The automatic test starts in its pause phase; the page's timer runs it.
void ClickAuto(PageEngine& engine, HWND hWnd) {
  SelectVibrationMode(engine, hWnd, true);
  engine.m_dwLeftRunTime = kAutoRunMs;
  engine.m_dwRightRunTime = kAutoRunMs;
  engine.m_dwLeftStartTick = GetTickCount();
  engine.m_bPausePhase = 1;
  engine.m_Settings.dwAutoMode = 1;
}

void ClickManual(PageEngine& engine, HWND hWnd) {
  SelectVibrationMode(engine, hWnd, false);
  engine.m_dwLeftRunTime = 0;
  engine.m_dwRightRunTime = 0;
  engine.m_Settings.dwAutoMode = 0;
  engine.SendMotorReport(0, 0, kFromButtons, kFromButtons);
}

// The motor buttons work in the manual test only.
bool ManualTestSelected(const PageEngine& engine) {
  return StateOf(engine.m_pManualButton) != 0 && StateOf(engine.m_pAutoButton) == 0;
}

// Switches one motor of the manual test on for 500 to 1500 ms (by the time
// cycle), or off.
void ToggleMotor(PageEngine& engine, HWND hWnd, SkinControl* pButton, DWORD* pdwRunTime, DWORD* pdwStartTick) {
  if (pButton->GetState() == 0) {
    pButton->SetState(hWnd, 1);
    const DWORD dwTimeCycle =
        engine.m_Settings.dwTimeCycle > kMaxVibration ? kMaxVibration : engine.m_Settings.dwTimeCycle;
    *pdwRunTime = dwTimeCycle * kMotorCycleMs / 255 + kMotorBaseMs;
    *pdwStartTick = GetTickCount();
  } else {
    pButton->SetState(hWnd, 0);
    *pdwRunTime = 0;
  }
  engine.SendMotorReport(0, 0, kFromButtons, kFromButtons);
}

void ClickPowerPage(PageEngine& engine, HWND hWnd, int x, int y) {
  if (x >= kTimeBarLeft && x <= kTimeBarRight && y >= kTimeBarTop && y <= kTimeBarBottom) {
    x = Clamp(x, kTimeBallMinX, kTimeBallMaxX);
    SetTimeCycleAt(engine, hWnd, x);
    engine.m_bTimeDrag = 1;
  }
  if (Hit(engine.m_pTimeBall, x, y)) {
    ClickTimeBall(engine, hWnd);
    engine.m_bTimeDrag = 1;
  }
  if (Hit(engine.m_pPowerSlider, x, y)) {
    SetMotorPowerAt(engine, hWnd, RectOf(engine.m_pPowerSlider), x);
    engine.m_bPowerDrag = 1;
  }
  if (Hit(engine.m_pPowerArrow, x, y)) engine.m_bPowerDrag = 1;

  if (Hit(engine.m_pPowerInitialButton, x, y)) ClickPowerInitial(engine, hWnd);
  if (Hit(engine.m_pAutoButton, x, y)) ClickAuto(engine, hWnd);
  if (Hit(engine.m_pManualButton, x, y)) ClickManual(engine, hWnd);
  if (Hit(engine.m_pLeftMotorButton, x, y) && ManualTestSelected(engine))
    ToggleMotor(engine, hWnd, engine.m_pLeftMotorButton, &engine.m_dwLeftRunTime, &engine.m_dwLeftStartTick);
  if (Hit(engine.m_pRightMotorButton, x, y) && ManualTestSelected(engine))
    ToggleMotor(engine, hWnd, engine.m_pRightMotorButton, &engine.m_dwRightRunTime, &engine.m_dwRightStartTick);
}

// Follows the pointer's x with the drags in progress. The pointer may be
// anywhere: no mouse capture is taken, so x is held to each track.
void DragPowerPage(PageEngine& engine, HWND hWnd, int x) {
  if (engine.m_bTimeDrag && engine.m_pTimeBall != nullptr) {
    x = Clamp(x, kTimeBallMinX, kTimeBallMaxX);
    SetTimeCycleAt(engine, hWnd, x);
  }
  if (engine.m_bPowerDrag && engine.m_pPowerSlider != nullptr) {
    const RECT rcSlider = RectOf(engine.m_pPowerSlider);
    if (rcSlider.right <= rcSlider.left) return;
    x = Clamp(x, rcSlider.left, rcSlider.right - 1);
    SetMotorPowerAt(engine, hWnd, rcSlider, x);
  }
}

// --- Check page ---------------------------------------------------------------

// The current step's button advances the check: Check at the even steps,
// Next at the odd ones, Save at the last.
void ClickCheckPage(PageEngine& engine, HWND hWnd, int x, int y) {
  const DWORD dwStep = engine.m_dwCheckStep;
  if (dwStep < kLastCheckStep && dwStep % 2 == 0 && Hit(engine.m_pCheckButton, x, y))
    engine.NextCheckStep(hWnd);
  else if (dwStep < kLastCheckStep && dwStep % 2 == 1 && Hit(engine.m_pNextButton, x, y))
    engine.NextCheckStep(hWnd);
  else if (dwStep >= kLastCheckStep && Hit(engine.m_pCheckSaveButton, x, y))
    engine.NextCheckStep(hWnd);
}

}  // namespace

void PageEngine::Click(HWND hWnd, int nPage, int x, int y) {
  switch (nPage) {
    case kTestPage:
      ClickTestPage(*this, hWnd, x, y);
      break;
    case kKeyMapPage:
      ClickKeyMapPage(*this, hWnd, x, y);
      break;
    case kKeyboardPage:
      ClickKeyboardPage(*this, hWnd, x, y);
      break;
    case kPowerPage:
      ClickPowerPage(*this, hWnd, x, y);
      break;
    case kCheckPage:
      ClickCheckPage(*this, hWnd, x, y);
      break;
    default:
      // The about page takes no input.
      break;
  }
}

void PageEngine::MouseMove(HWND hWnd, int nPage, int x, int /*y*/) {
  if (nPage == kPowerPage) DragPowerPage(*this, hWnd, x);
}

void PageEngine::MouseUp(HWND hWnd, int nPage, int x, int /*y*/) {
  if (nPage == kPowerPage) DragPowerPage(*this, hWnd, x);
  m_bTimeDrag = 0;
  m_bPowerDrag = 0;
}

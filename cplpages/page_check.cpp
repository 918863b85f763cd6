// The calibration check of the check page: a pass of steps 0..6 that the
// user advances with the step buttons, widening a working calibration word
// per axis while a measuring step (1, 3, 5) is shown, and copying the valid
// words into the edited record when the pass returns to step 0.
#include <cstdio>

#include "pageengine.h"

namespace {

constexpr DWORD kCheckAxes = 5;
constexpr DWORD kLastCheckStep = 6;
constexpr int kStepButtonSpacing = 50;  // pixels between the button places of steps 0, 2, 4

// Working words at the start of a pass: ends inverted so that the first
// reading sets both (lower end 255, upper end 0, centre 0).
constexpr DWORD kTwoPointStart = 0x0100FF00u;
constexpr DWORD kThreePointStart = 0x00FF0000u;

bool IsTwoPoint(DWORD dwCalib) { return (dwCalib & AXIS_CALIB_TWO_POINT) != 0; }

DWORD Byte(DWORD dwWord, int nShift) { return (dwWord >> nShift) & 0xFFu; }

DWORD SetByte(DWORD dwWord, int nShift, DWORD dwValue) {
  return (dwWord & ~(0xFFu << nShift)) | ((dwValue & 0xFFu) << nShift);
}

// The 8-bit position of a DirectInput axis value: v / 256 rounded to the
// nearest, the value taken as unsigned, at most 255.
DWORD AxisPosition(LONG lValue) {
  DWORD dwValue = static_cast<DWORD>(lValue);
  DWORD dwPos = (dwValue >> 8) + ((dwValue & 0x80u) ? 1u : 0u);
  return dwPos > 255u ? 255u : dwPos;
}

// Invalidates (with erase) the rectangle of line nLine (0 heading, 1..4)
// of check step dwStep, as "Setup.ini" places it.
void InvalidateStepLine(PageEngine* pEngine, HWND hWnd, DWORD dwStep, int nLine) {
  char szKey[64];
  if (nLine == 0)
    std::snprintf(szKey, sizeof szKey, "Check_Set%d_%d", 0, static_cast<int>(dwStep));
  else
    std::snprintf(szKey, sizeof szKey, "Check_Set%d_%d_%d", 0, static_cast<int>(dwStep), nLine);
  char szText[kPageTextSize] = "";
  RECT rc;
  pEngine->ReadLayoutEntry("CheckPage", szKey, &rc, szText);
  InvalidateRect(hWnd, &rc, TRUE);
}

void MoveButton(SkinControl* pButton, HWND hWnd, int x, int y) {
  if (pButton != nullptr) pButton->MoveTo(hWnd, x, y, true);
}

// The half-range (C - L or U - C) narrowed by the sensitivity level:
// level 1 halves it, level 2 quarters it.
DWORD NarrowHalfRange(DWORD dwHalf, DWORD dwSensitivity) { return dwHalf / dwSensitivity / 2; }

}  // namespace

void PageEngine::ResetCheck() {
  m_dwCheckStep = 0;
  for (DWORD i = 0; i < kCheckAxes; ++i)
    m_dwCheckCalib[i] = IsTwoPoint(m_Settings.dwAxisCalib[i]) ? kTwoPointStart : kThreePointStart;
}

// With three or more axes a pass runs 0, 1, 2, 3, 4, 5, 6, 0; with fewer
// it runs 0, 1, 6, 0.
void PageEngine::NextCheckStep(HWND hWnd) {
  DWORD dwOld = m_dwCheckStep;
  DWORD dwNew;
  if (dwOld == 0)
    dwNew = 1;
  else if (dwOld >= kLastCheckStep)
    dwNew = 0;
  else
    dwNew = m_dwAxisCount < 3 ? kLastCheckStep : dwOld + 1;

  for (int nLine = 0; nLine < 5; ++nLine) {
    InvalidateStepLine(this, hWnd, dwOld, nLine);
    InvalidateStepLine(this, hWnd, dwNew, nLine);
  }

  // The old step's button goes back to its home place. Leaving a Check
  // step makes the next poll the centre reading.
  if (dwOld >= kLastCheckStep) {
    MoveButton(m_pCheckSaveButton, hWnd, 0, 0);
  } else if (dwOld % 2 == 0) {
    MoveButton(m_pCheckButton, hWnd, 0, 0);
    m_bCheckCentre = 1;
  } else {
    MoveButton(m_pNextButton, hWnd, 0, 0);
  }

  if (dwNew >= kLastCheckStep) {
    MoveButton(m_pCheckSaveButton, hWnd, 0, 0);
  } else if (dwNew % 2 == 0) {
    if (dwNew == 0) CommitCheck();
    MoveButton(m_pCheckButton, hWnd, 0, kStepButtonSpacing * static_cast<int>(dwNew));
  } else {
    MoveButton(m_pNextButton, hWnd, 0, kStepButtonSpacing * static_cast<int>(dwNew - 1));
  }

  m_dwCheckStep = dwNew;
}

void PageEngine::CheckTick(HWND /*hWnd*/, const DIJOYSTATE* pState) {
  if (pState != nullptr) {
    bool bCentre = m_bCheckCentre != 0;
    switch (m_dwCheckStep) {
      case 1:
        TrackCheckAxis(0, pState->lX, bCentre);
        TrackCheckAxis(1, pState->lY, bCentre);
        break;
      case 3:
        TrackCheckAxis(4, pState->lZ, bCentre);
        break;
      case 5:
        TrackCheckAxis(2, pState->lRz, bCentre);
        break;
      default:
        break;
    }
  }
  m_bCheckCentre = 0;
}

// Returns the position, or for a three-point centre reading the new word.
LONG PageEngine::TrackCheckAxis(DWORD dwAxis, LONG lValue, bool bCentre) {
  DWORD dwPos = AxisPosition(lValue);
  if (dwAxis >= kCheckAxes) return static_cast<LONG>(dwPos);
  DWORD& dwWord = m_dwCheckCalib[dwAxis];
  if (IsTwoPoint(m_Settings.dwAxisCalib[dwAxis])) {
    if (bCentre) return static_cast<LONG>(dwPos);
    if (Byte(dwWord, 8) > dwPos) dwWord = SetByte(dwWord, 8, dwPos);
    if (Byte(dwWord, 0) < dwPos) dwWord = SetByte(dwWord, 0, dwPos);
    return static_cast<LONG>(dwPos);
  }
  if (bCentre) {
    dwWord = SetByte(dwWord, 8, dwPos);
    return static_cast<LONG>(dwWord);
  }
  if (Byte(dwWord, 16) > dwPos) dwWord = SetByte(dwWord, 16, dwPos);
  if (Byte(dwWord, 0) < dwPos) dwWord = SetByte(dwWord, 0, dwPos);
  return static_cast<LONG>(dwPos);
}

// Stores each valid working word; X and Y are narrowed by the current
// sensitivity level. An axis not moved both ways keeps its stored word.
void PageEngine::CommitCheck() {
  m_dwCheckStep = 0;
  DWORD dwSensitivity = m_Settings.dwSensitivity;
  for (DWORD i = 0; i < kCheckAxes; ++i) {
    DWORD dwWord = m_dwCheckCalib[i];
    bool bNarrow = i < 2 && dwSensitivity != 0;
    if (IsTwoPoint(m_Settings.dwAxisCalib[i])) {
      DWORD dwLow = Byte(dwWord, 8);
      DWORD dwHigh = Byte(dwWord, 0);
      if (dwWord == kTwoPointStart || dwLow >= dwHigh || !IsTwoPoint(dwWord)) continue;
      if (bNarrow) {
        DWORD dwCentre = (dwLow + dwHigh) / 2;
        DWORD dwNewLow = dwCentre - NarrowHalfRange(dwCentre - dwLow, dwSensitivity);
        DWORD dwNewHigh = dwCentre + NarrowHalfRange(dwHigh - dwCentre, dwSensitivity);
        dwWord = AXIS_CALIB_TWO_POINT + dwNewLow * 256 + dwNewHigh;
      }
    } else {
      DWORD dwLow = Byte(dwWord, 16);
      DWORD dwCentre = Byte(dwWord, 8);
      DWORD dwHigh = Byte(dwWord, 0);
      if (dwWord == kThreePointStart || dwLow >= dwCentre || dwCentre >= dwHigh || IsTwoPoint(dwWord)) continue;
      if (bNarrow) {
        DWORD dwNewLow = dwCentre - NarrowHalfRange(dwCentre - dwLow, dwSensitivity);
        DWORD dwNewHigh = dwCentre + NarrowHalfRange(dwHigh - dwCentre, dwSensitivity);
        dwWord = dwNewLow * 65536 + dwCentre * 256 + dwNewHigh;
      }
    }
    m_Settings.dwAxisCalib[i] = dwWord;
  }
}

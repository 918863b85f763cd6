// Painting of the six property pages, from WM_PAINT.
//
// Every control paints itself; a few shared controls (the turbo mark, the
// button-number images) are stamped at several places by moving them, always
// without redraw, so that painting never invalidates anything. Texts that are
// not control captions are read from Setup.ini on every paint and drawn with
// DT_BOTTOM alone. A null control pointer is an absent control and is skipped
// together with everything that depends on it.
#include "pageengine.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

// The pages in the order of the property sheet.
enum PageNumber { TestPage = 0, KeyMapPage = 1, KeyboardPage = 2, PowerPage = 3, CheckPage = 4, AboutPage = 5 };

constexpr COLORREF kPageTextColour = 0xFFFFFF;

// Where the pages' stamped images go, in pixels from the row's control.
constexpr int kTurboMarkMargin = 2;      // up and left of the lamp
constexpr int kKeyMapImageOffset = 144;  // right of the row button's left edge
constexpr int kKeyboardImageOffset = 75;

// The time-cycle curve: its area (the rectangle page input invalidates when
// the time cycle changes), one point every 2 pixels, the angle step in
// radians per point and its decrease per unit of the time cycle (0.2 / 255).
constexpr int kCurveLeft = 80;
constexpr int kCurveTop = 108;
constexpr int kCurveRight = 422;
constexpr int kCurveBottom = 159;
constexpr int kCurveStep = 2;
constexpr double kCurveAngleStep = 0.4;
constexpr double kCurveCycleFactor = 0.0007843137254901962;
constexpr int kCurvePenWidth = 3;
constexpr COLORREF kCurveColour = 0xFFFFFF;

// The calibration check's steps: 0, 2 and 4 show the Check button, 1, 3 and
// 5 the Next button, 6 the Save button; each step has a heading and four lines.
constexpr DWORD kLastCheckStep = 6;
constexpr int kCheckStepLines = 4;

void PaintControls(HDC hdc, std::initializer_list<SkinControl*> controls) {
  for (SkinControl* pControl : controls)
    if (pControl) pControl->Paint(hdc);
}

// Moves a shared control to (x, y) without invalidating and paints it there.
void Stamp(HWND hWnd, HDC hdc, SkinControl* pControl, int x, int y) {
  pControl->MoveTo(hWnd, x, y, false);
  pControl->Paint(hdc);
}

RECT RectOf(SkinControl* pControl) {
  RECT rc{0, 0, 0, 0};
  pControl->GetRect(&rc);
  return rc;
}

void DrawPageText(HDC hdc, const char* pszText, const RECT& rc) {
  RECT rcText = rc;
  DrawTextA(hdc, pszText, int(std::strlen(pszText)), &rcText, DT_BOTTOM);
}

// Draws one Setup.ini entry, its text in its rectangle. A missing or
// malformed entry leaves the rectangle all zero, so nothing shows.
void DrawLayoutEntry(PageEngine& engine, HDC hdc, const char* pszSection, const char* pszKey) {
  RECT rc{0, 0, 0, 0};
  char szText[kPageTextSize];
  szText[0] = '\0';
  engine.ReadLayoutEntry(pszSection, pszKey, &rc, szText);
  DrawPageText(hdc, szText, rc);
}

// The image of button number n (1..12) of row k, or null when the row's
// entry names no button or the image or the row button is absent.
SkinControl* RowImage(PageEngine& engine, int k) {
  const BYTE n = engine.m_Settings.byButtonMap[k];
  if (n < 1 || n > kPageButtonCount) return nullptr;
  if (!engine.m_pSetButton[k]) return nullptr;
  return engine.m_pButtonImage[n - 1];
}

void PaintTestPage(PageEngine& engine, HWND hWnd, HDC hdc) {
  const COLORREF crOldText = SetTextColor(hdc, kPageTextColour);
  PaintControls(hdc,
                {engine.m_pTestBack, engine.m_pLogo, engine.m_pTurboButton, engine.m_pClearButton, engine.m_pTestCursor,
                 engine.m_pTestZSlider, engine.m_pTestRzSlider, engine.m_pSensitivitySlider, engine.m_pHat});
  // The one turbo-mark object goes behind the lamp of every turbo row.
  for (int k = 0; k < kPageButtonCount; ++k) {
    SkinControl* pLamp = engine.m_pButtonLamp[k];
    if (!pLamp) continue;
    if (pLamp->GetTag() != 0 && engine.m_pTurboMark) {
      const RECT rcLamp = RectOf(pLamp);
      Stamp(hWnd, hdc, engine.m_pTurboMark, rcLamp.left - kTurboMarkMargin, rcLamp.top - kTurboMarkMargin);
    }
    pLamp->Paint(hdc);
  }
  SetTextColor(hdc, crOldText);
}

// The row buttons are drawn at the offset that showing the page gave them,
// the same offset their hit tests use.
void PaintKeyMapPage(PageEngine& engine, HWND hWnd, HDC hdc) {
  PaintControls(hdc, {engine.m_pKeyMapBack, engine.m_pLogo, engine.m_pKeyMapCover, engine.m_pInitialButton,
                      engine.m_pLoadButton, engine.m_pSaveButton});
  for (int k = 0; k < kPageButtonCount; ++k) {
    SkinControl* pImage = RowImage(engine, k);
    if (!pImage) continue;
    const RECT rcRow = RectOf(engine.m_pSetButton[k]);
    Stamp(hWnd, hdc, pImage, rcRow.left + kKeyMapImageOffset, rcRow.top);
  }
  for (int k = 0; k < kPageButtonCount; ++k)
    if (engine.m_pSetButton[k]) engine.m_pSetButton[k]->Paint(hdc);
}

// Remapped rows show their button number's image; every row shows the key of
// its button number (not of the row), in the colours the page's procedure
// hands over.
void PaintKeyboardPage(PageEngine& engine, HWND hWnd, HDC hdc) {
  PaintControls(hdc, {engine.m_pKeyboardBack, engine.m_pLogo, engine.m_pKeyboardCover, engine.m_pInitialButton,
                      engine.m_pLoadButton, engine.m_pSaveButton});
  for (int k = 0; k < kPageButtonCount; ++k) {
    if (engine.m_Settings.byButtonMap[k] == k + 1) continue;
    SkinControl* pImage = RowImage(engine, k);
    if (!pImage) continue;
    const RECT rcRow = RectOf(engine.m_pSetButton[k]);
    Stamp(hWnd, hdc, pImage, rcRow.left + kKeyboardImageOffset, rcRow.top);
  }
  for (int k = 0; k < kPageButtonCount; ++k) {
    SkinControl* pRow = engine.m_pSetButton[k];
    if (!pRow) continue;
    pRow->Paint(hdc);
    // An entry outside 1..12 counts as button 12.
    const BYTE n = engine.m_Settings.byButtonMap[k];
    const int i = (n >= 1 && n <= kPageButtonCount) ? n - 1 : kPageButtonCount - 1;
    const DWORD dwKeyCode = engine.m_Settings.dwKeyCode[i];
    if (dwKeyCode == 0) continue;
    char szKey[32];
    std::snprintf(szKey, sizeof szKey, "Keyboard%d", k);
    RECT rc{0, 0, 0, 0};
    char szText[kPageTextSize];
    szText[0] = '\0';
    engine.ReadLayoutEntry("KeyboardPage", szKey, &rc, szText);
    engine.FormatKeyText(dwKeyCode, szText, kPageTextSize);
    DrawPageText(hdc, szText, rc);
  }
}

// A sine wave along the curve's mid-line whose angle advances by 0.4 radians
// per point at time cycle 0 and by 0.2 at 255, so a longer cycle draws a
// longer wave. Draws with the DC's selected pen.
void DrawTimeCycleCurve(HDC hdc, DWORD dwTimeCycle) {
  const int nHalf = (kCurveBottom - kCurveTop) / 2;
  MoveToEx(hdc, kCurveLeft, kCurveTop + nHalf, nullptr);
  double dAngle = 0.0;
  for (int x = kCurveLeft; x < kCurveRight; x += kCurveStep) {
    dAngle = (dAngle + kCurveAngleStep) - double(dwTimeCycle) * kCurveCycleFactor;
    const int y = kCurveTop + nHalf + static_cast<int>(nHalf * std::sin(dAngle));  // truncated toward zero
    LineTo(hdc, x, y);
  }
}

// Leaves the background mode transparent.
void PaintPowerPage(PageEngine& engine, HDC hdc) {
  const COLORREF crOldText = SetTextColor(hdc, kPageTextColour);
  SetBkMode(hdc, TRANSPARENT);
  PaintControls(hdc, {engine.m_pPowerBack, engine.m_pLogo, engine.m_pPowerInitialButton, engine.m_pAutoButton,
                      engine.m_pManualButton, engine.m_pLeftMotorButton, engine.m_pRightMotorButton,
                      engine.m_pPowerSlider, engine.m_pPowerArrow, engine.m_pTimeBall, engine.m_pPowerCursor});
  DrawLayoutEntry(engine, hdc, "PowerPage", "TimeCycle");
  // Without its pen the curve is left out rather than drawn with another.
  HPEN hPen = CreatePen(PS_SOLID, kCurvePenWidth, kCurveColour);
  if (hPen) {
    HGDIOBJ hOldPen = SelectObject(hdc, hPen);
    DrawTimeCycleCurve(hdc, engine.m_Settings.dwTimeCycle);
    SelectObject(hdc, hOldPen);
    DeleteObject(hPen);
  }
  SetTextColor(hdc, crOldText);
}

// The step's button, or null for a step past the last.
SkinControl* CheckStepButton(PageEngine& engine, DWORD dwStep) {
  if (dwStep > kLastCheckStep) return nullptr;
  if (dwStep == kLastCheckStep) return engine.m_pCheckSaveButton;
  return dwStep % 2 == 0 ? engine.m_pCheckButton : engine.m_pNextButton;
}

// The step's texts show only together with its button. Leaves the background
// mode transparent.
void PaintCheckPage(PageEngine& engine, HDC hdc) {
  const COLORREF crOldText = SetTextColor(hdc, kPageTextColour);
  SetBkMode(hdc, TRANSPARENT);
  PaintControls(hdc, {engine.m_pCheckBack, engine.m_pLogo, engine.m_pCheckCursor, engine.m_pCheckZSlider,
                      engine.m_pCheckCover, engine.m_pCheckRzSlider});
  const DWORD dwStep = engine.m_dwCheckStep;
  SkinControl* pButton = CheckStepButton(engine, dwStep);
  if (pButton) {
    char szKey[32];
    std::snprintf(szKey, sizeof szKey, "Check_Set%d_%d", 0, int(dwStep));
    DrawLayoutEntry(engine, hdc, "CheckPage", szKey);
    for (int nLine = 1; nLine <= kCheckStepLines; ++nLine) {
      std::snprintf(szKey, sizeof szKey, "Check_Set%d_%d_%d", 0, int(dwStep), nLine);
      DrawLayoutEntry(engine, hdc, "CheckPage", szKey);
    }
    pButton->Paint(hdc);
  }
  SetTextColor(hdc, crOldText);
}

}  // namespace

void PageEngine::Paint(HWND hWnd, int nPage, HDC hdc) {
  switch (nPage) {
    case TestPage:
      PaintTestPage(*this, hWnd, hdc);
      break;
    case KeyMapPage:
      PaintKeyMapPage(*this, hWnd, hdc);
      break;
    case KeyboardPage:
      PaintKeyboardPage(*this, hWnd, hdc);
      break;
    case PowerPage:
      PaintPowerPage(*this, hdc);
      break;
    case CheckPage:
      PaintCheckPage(*this, hdc);
      break;
    case AboutPage:
      PaintControls(hdc, {m_pAboutBack, m_pLogo});
      break;
    default:
      break;  // not a page: nothing is drawn
  }
}

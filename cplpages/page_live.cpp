// The live parts of the pages, brought up to date on every poll of timer 30:
// the test page's cursor, sliders, button lamps with their sounds, turbo
// blinking and hat; the key-map page's capture of a physical button; the
// vibration page's Auto and Manual tests; the check page's calibrated cursor
// and sliders. SendMotorReport is the pages' only writer of the motor report.
// Everything here runs on the property sheet's window thread.
#include <cstdlib>
#include <cstring>

#include "pageengine.h"

IDirectInputDevice2* g_pCurDevice = NULL;
DWORD g_dwTurboTick[kPageButtonCount] = {};

namespace {

// The state that lights a turbo lamp or a motor lamp (a plain button lamp
// takes the raw button byte, 0x80).
constexpr DWORD kLampOn = 1;

// Turbo: a held button's lamp toggles after this many milliseconds.
constexpr DWORD kTurboBlinkMs = 100;

// Vibration test times, in milliseconds.
constexpr DWORD kAutoPauseMs = 300;
constexpr DWORD kBurstBaseMs = 500;
constexpr DWORD kBurstCycleMs = 1000;  // added in full for a time cycle of 255

// Auto test: the smallest motor power a burst draws.
constexpr DWORD kAutoMinPower = 2;

// Manual test: the centre box of the calibrated stick, both axes.
constexpr LONG kCentreLow = 101;
constexpr LONG kCentreHigh = 151;

// The vibration page's area of the power and time-cycle marks, repainted
// when a burst draws new values.
constexpr RECT kPowerMarksArea = {80, 108, 422, 159};

// The bytes of the motor output report.
struct PageMotorReport {
  BYTE byReportId;
  BYTE byLeft;
  BYTE byRight;
  BYTE byReserved;
};
static_assert(sizeof(PageMotorReport) == 4, "the motor report is 4 bytes");

// Room for "<system directory, 259 characters>\VQ6100\Wav\Joy<c>.wav".
constexpr int kSoundPathSize = kPageTextSize + 32;

// A raw axis value as a position 0..255: v / 256 rounded to the nearest,
// capped at 255. There is no lower bound: a negative value (only with a
// changed axis range) stays negative, and CalibrateAxis, comparing unsigned,
// reads it as its upper end.
LONG AxisToByte(LONG lValue) {
  LONG lByte = lValue >> 8;  // arithmetic shift
  if ((lValue & 0xFF) > 127) ++lByte;
  return lByte > 255 ? 255 : lByte;
}

// A plain (uncalibrated) position for a control: cursors and sliders take
// 0..255 only, so a negative position shows as 0.
LONG ControlByte(LONG lValue) {
  const LONG lByte = AxisToByte(lValue);
  return lByte < 0 ? 0 : lByte;
}

bool IsPressed(SkinControl* pControl) { return pControl != nullptr && pControl->GetState() != 0; }

void SetStateOf(SkinControl* pControl, HWND hWnd, DWORD dwState) {
  if (pControl != nullptr) pControl->SetState(hWnd, dwState);
}

void MoveControl(SkinControl* pControl, HWND hWnd, int x, int y) {
  if (pControl != nullptr) pControl->MoveTo(hWnd, x, y, true);
}

// An axis slider's state for position b: the bar fills from the right.
DWORD AxisSliderState(LONG lByte) { return static_cast<DWORD>(255 - lByte) << 16; }

// Moves a cursor to (x, y), each 0..255, when its state shows another place.
void MoveCursorTo(HWND hWnd, SkinControl* pCursor, LONG x, LONG y) {
  if (pCursor == nullptr) return;
  const DWORD dwState = pCursor->GetState();
  if ((dwState >> 16) != static_cast<DWORD>(x) || (dwState & 0xFFFFu) != static_cast<DWORD>(y))
    pCursor->MoveTo(hWnd, x, y, true);
}

// The number of button rows the tick looks at: the loaded count, never more
// than the engine's arrays hold.
DWORD ButtonRows(const PageEngine& engine) {
  const DWORD dwMax = static_cast<DWORD>(kPageButtonCount);
  return engine.m_dwButtonCount < dwMax ? engine.m_dwButtonCount : dwMax;
}

// Plays "<system>\VQ6100\Wav\Joy<i + 1 in hex>.wav" without waiting.
void PlayButtonSound(const char* pszSystem, DWORD i) {
  char szPath[kSoundPathSize];
  wsprintfA(szPath, "%s\\VQ6100\\Wav\\Joy%x.wav", pszSystem, static_cast<unsigned>(i + 1));
  sndPlaySoundA(szPath, SND_ASYNC);
}

// Manual test: how far a calibrated axis lies outside the centre box, 0..103.
DWORD StickAmount(LONG a) {
  if (a >= kCentreLow && a <= kCentreHigh) return 0;
  return static_cast<DWORD>(a >= 127 ? a - (kCentreHigh + 1) : kCentreLow - a);
}

bool IsCentred(LONG a) { return a >= kCentreLow && a <= kCentreHigh; }

// The time cycle's burst length: 500 ms for 0 up to 1500 ms for 255.
DWORD BurstMs(DWORD dwTimeCycle) { return dwTimeCycle * kBurstCycleMs / 255 + kBurstBaseMs; }

// A random draw of 0..255, from rand() taken over 0..32767 whatever the C
// runtime's RAND_MAX (a runtime with RAND_MAX 32767 gives rand() itself).
DWORD RandomByte() {
  const DWORD dwRand = static_cast<DWORD>(std::rand()) % 32768u;
  return dwRand * 255u / 32767u;
}

void SetMotorLamps(PageEngine& engine, HWND hWnd, DWORD dwState) {
  SetStateOf(engine.m_pLeftMotorButton, hWnd, dwState);
  SetStateOf(engine.m_pRightMotorButton, hWnd, dwState);
}

// Auto test, pause phase over: draws a new time cycle and power, shows them
// and starts a burst.
void StartAutoBurst(PageEngine& engine, HWND hWnd, DWORD dwNow, DWORD dwElapsed) {
  SettingsRecord& settings = engine.m_Settings;
  std::srand(dwNow);
  settings.dwTimeCycle = RandomByte();
  settings.dwMotorPower = RandomByte();
  if (settings.dwMotorPower < kAutoMinPower) settings.dwMotorPower = kAutoMinPower;
  SetStateOf(engine.m_pPowerSlider, hWnd, settings.dwMotorPower << 16);
  RECT rcSlider = {0, 0, 0, 0};
  if (engine.m_pPowerSlider != nullptr) engine.m_pPowerSlider->GetRect(&rcSlider);
  const int nWidth = rcSlider.right - rcSlider.left;
  MoveControl(engine.m_pPowerArrow, hWnd, nWidth * static_cast<int>(settings.dwMotorPower) / 255 - 3, 0);
  MoveControl(engine.m_pTimeBall, hWnd, static_cast<int>(settings.dwTimeCycle) * 356 / 255 - 11, 0);
  InvalidateRect(hWnd, &kPowerMarksArea, TRUE);
  SetMotorLamps(engine, hWnd, kLampOn);
  engine.m_dwLeftRunTime -= dwElapsed;
  engine.m_bPausePhase = 0;
  engine.m_dwLeftStartTick = dwNow;
  engine.SendMotorReport(0, 0, static_cast<DWORD>(-1), static_cast<DWORD>(-1));
}

// Auto test: 15000 ms of pauses (300 ms) and bursts (500..1500 ms), counted
// from the click that started it.
void AutoTest(PageEngine& engine, HWND hWnd, DWORD dwNow) {
  if (engine.m_dwLeftRunTime == 0) return;
  const DWORD dwElapsed = dwNow - engine.m_dwLeftStartTick;
  if (engine.m_dwLeftRunTime <= dwElapsed) {
    engine.m_dwLeftRunTime = 0;
    engine.m_dwRightRunTime = 0;
    SetMotorLamps(engine, hWnd, 0);
    engine.SendMotorReport(1, 1, static_cast<DWORD>(-1), static_cast<DWORD>(-1));
  } else if (engine.m_bPausePhase != 0) {
    if (dwElapsed >= kAutoPauseMs) StartAutoBurst(engine, hWnd, dwNow, dwElapsed);
  } else if (dwElapsed >= BurstMs(engine.m_Settings.dwTimeCycle)) {
    SetMotorLamps(engine, hWnd, 0);
    engine.m_dwLeftRunTime -= dwElapsed;
    engine.m_bPausePhase = 1;
    engine.m_dwLeftStartTick = dwNow;
    engine.SendMotorReport(1, 1, static_cast<DWORD>(-1), static_cast<DWORD>(-1));
  }
}

// Manual test, stick centred: a motor switched on by a click stops once its
// run time is up.
void ExpireTimedMotor(PageEngine& engine, HWND hWnd, SkinControl* pLamp, DWORD* pdwRunTime, DWORD dwStartTick,
                      DWORD dwNow) {
  if (!IsPressed(pLamp) || *pdwRunTime == 0 || dwNow - dwStartTick < *pdwRunTime) return;
  *pdwRunTime = 0;
  pLamp->SetState(hWnd, 0);
  engine.SendMotorReport(0, 0, static_cast<DWORD>(-1), static_cast<DWORD>(-1));
}

// Manual test: timed motors while the stick is centred, stick-follow while
// it is not (x drives the left motor, y the right one).
void ManualTest(PageEngine& engine, HWND hWnd, const DIJOYSTATE* pState, DWORD dwNow) {
  const LONG x = CalibrateAxis(AxisToByte(pState->lX), engine.m_Settings.dwAxisCalib[0]);
  const LONG y = CalibrateAxis(AxisToByte(pState->lY), engine.m_Settings.dwAxisCalib[1]);
  const bool bCentred = IsCentred(x) && IsCentred(y);
  SkinControl* pCursor = engine.m_pPowerCursor;
  if (pCursor != nullptr) {
    const DWORD dwState = pCursor->GetState();
    if ((dwState >> 16) != static_cast<DWORD>(x) || (dwState & 0xFFFFu) != static_cast<DWORD>(y)) {
      if (bCentred) {
        SetMotorLamps(engine, hWnd, 0);
        engine.SendMotorReport(0, 0, 0, 0);
      }
      pCursor->MoveTo(hWnd, x, y, true);
    }
  }
  if (bCentred) {
    ExpireTimedMotor(engine, hWnd, engine.m_pLeftMotorButton, &engine.m_dwLeftRunTime, engine.m_dwLeftStartTick,
                     dwNow);
    ExpireTimedMotor(engine, hWnd, engine.m_pRightMotorButton, &engine.m_dwRightRunTime,
                     engine.m_dwRightStartTick, dwNow);
    return;
  }
  const DWORD dwLeft = StickAmount(x);
  const DWORD dwRight = StickAmount(y);
  SetStateOf(engine.m_pLeftMotorButton, hWnd, IsCentred(x) ? 0 : kLampOn);
  SetStateOf(engine.m_pRightMotorButton, hWnd, IsCentred(y) ? 0 : kLampOn);
  engine.SendMotorReport(0, 0, 5 * dwLeft / 2, 5 * dwRight / 2);
}

// The vibration page's tick: the Auto test when its button is down, else
// the Manual test when its button is down.
void VibrationTest(PageEngine& engine, HWND hWnd, const DIJOYSTATE* pState) {
  const DWORD dwNow = GetTickCount();
  if (IsPressed(engine.m_pAutoButton))
    AutoTest(engine, hWnd, dwNow);
  else if (IsPressed(engine.m_pManualButton))
    ManualTest(engine, hWnd, pState, dwNow);
}

// The key-map page: an armed row takes the number of a pressed physical
// button (the highest one when several are down) and is disarmed.
void CaptureButtons(PageEngine& engine, HWND hWnd, const DIJOYSTATE* pState) {
  const DWORD dwButtons = ButtonRows(engine);
  for (DWORD i = 0; i < static_cast<DWORD>(kPageButtonCount); ++i) {
    SkinControl* pRow = engine.m_pSetButton[i];
    if (!IsPressed(pRow)) continue;
    for (DWORD j = 0; j < dwButtons; ++j) {
      if (pState->rgbButtons[j] == 0) continue;
      engine.m_Settings.byButtonMap[i] = static_cast<BYTE>(j + 1);
      pRow->SetState(hWnd, 0);
      // Marks the row's image place for repainting; painting puts the image
      // of the row's new number there.
      RECT rcRow;
      pRow->GetRect(&rcRow);
      MoveControl(engine.m_pButtonImage[0], hWnd, rcRow.left + 144, rcRow.top);
    }
  }
}

}  // namespace

void PageEngine::Tick(HWND hWnd, int nPage, const DIJOYSTATE* pState) {
  if (pState == nullptr || nPage < 0 || nPage > 4) return;
  // A run left over from the vibration page stops on any other page.
  if (nPage != 3 && m_dwLeftRunTime != 0) {
    m_dwLeftRunTime = 0;
    SendMotorReport(0, 0, 0, 0);
  }
  switch (nPage) {
    case 0:
      MoveCursor(hWnd, pState->lX, pState->lY, m_pTestCursor);
      SetStateOf(m_pTestZSlider, hWnd, AxisSliderState(ControlByte(pState->lZ)));
      SetStateOf(m_pTestRzSlider, hWnd, AxisSliderState(ControlByte(pState->lRz)));
      PlayButtonSounds(hWnd, pState);
      break;
    case 1:
      CaptureButtons(*this, hWnd, pState);
      break;
    case 3:
      VibrationTest(*this, hWnd, pState);
      break;
    case 4: {
      MoveCalibratedCursor(hWnd, pState->lX, pState->lY, m_pCheckCursor);
      const LONG z = CalibrateAxis(AxisToByte(pState->lZ), m_Settings.dwAxisCalib[4]);
      const LONG r = CalibrateAxis(AxisToByte(pState->lRz), m_Settings.dwAxisCalib[2]);
      SetStateOf(m_pCheckZSlider, hWnd, AxisSliderState(z));
      SetStateOf(m_pCheckRzSlider, hWnd, AxisSliderState(r));
      CheckTick(hWnd, pState);
      break;
    }
    default:
      break;
  }
}

void PageEngine::MoveCursor(HWND hWnd, LONG x, LONG y, SkinControl* pCursor) {
  MoveCursorTo(hWnd, pCursor, ControlByte(x), ControlByte(y));
}

void PageEngine::MoveCalibratedCursor(HWND hWnd, LONG x, LONG y, SkinControl* pCursor) {
  MoveCursorTo(hWnd, pCursor, CalibrateAxis(AxisToByte(x), m_Settings.dwAxisCalib[0]),
               CalibrateAxis(AxisToByte(y), m_Settings.dwAxisCalib[1]));
}

void PageEngine::PlayButtonSounds(HWND hWnd, const DIJOYSTATE* pState) {
  if (pState == nullptr) return;
  char szSystem[kPageTextSize] = "";
  if (GetSystemDirectoryA(szSystem, kPageTextSize) >= static_cast<UINT>(kPageTextSize)) szSystem[0] = '\0';
  const DWORD dwButtons = ButtonRows(*this);
  for (DWORD i = 0; i < dwButtons; ++i) {
    SkinControl* pLamp = m_pButtonLamp[i];
    const BYTE byRaw = pState->rgbButtons[i];
    if (m_Settings.byTurbo[i] == 0) {
      if (pLamp == nullptr || pLamp->GetState() == byRaw) continue;
      pLamp->SetState(hWnd, byRaw);
      if (byRaw != 0) PlayButtonSound(szSystem, i);
      continue;
    }
    const DWORD dwNow = GetTickCount();
    if (g_dwTurboTick[i] == 0) g_dwTurboTick[i] = dwNow;
    if (byRaw != 0) {
      if (dwNow - g_dwTurboTick[i] < kTurboBlinkMs) continue;
      g_dwTurboTick[i] = dwNow;
      if (pLamp == nullptr) continue;
      if (pLamp->GetState() != 0) {
        pLamp->SetState(hWnd, 0);
      } else {
        pLamp->SetState(hWnd, kLampOn);
        PlayButtonSound(szSystem, i);
      }
    } else if (pLamp != nullptr && pLamp->GetState() != byRaw) {
      pLamp->SetState(hWnd, byRaw);
      g_dwTurboTick[i] = 0;
    }
  }
  if (m_pHat != nullptr && m_pHat->GetState() != pState->rgdwPOV[0]) m_pHat->SetState(hWnd, pState->rgdwPOV[0]);
}

void PageEngine::SendMotorReport(BYTE bLeftOff, BYTE bRightOff, DWORD dwLeftValue, DWORD dwRightValue) {
  if (m_Settings.dwMotorPower > 255) m_Settings.dwMotorPower = 255;
  const BYTE byRunLevel = static_cast<BYTE>(m_Settings.dwMotorPower * 21 / 255 + 10);
  if (g_pCurDevice == NULL) return;

  DIPROPGUIDANDPATH prop;
  std::memset(&prop, 0, sizeof prop);
  prop.diph.dwSize = sizeof(DIPROPGUIDANDPATH);
  prop.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  prop.diph.dwObj = 0;
  prop.diph.dwHow = DIPH_DEVICE;
  if (FAILED(g_pCurDevice->GetProperty(DIPROP_GUIDANDPATH, &prop.diph))) return;
  prop.wszPath[MAX_PATH - 1] = 0;
  char szPath[kPageTextSize] = "";
  // A path that does not fit would name some other file.
  if (WideCharToMultiByte(CP_ACP, 0, prop.wszPath, -1, szPath, kPageTextSize, NULL, NULL) == 0) return;

  HANDLE hDevice = CreateFileA(szPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (hDevice == INVALID_HANDLE_VALUE) return;

  PageMotorReport report = {0, 0, 0, 0};
  const DWORD dwKeep = static_cast<DWORD>(-1);
  if (bLeftOff != 0 || bRightOff != 0) {
    report.byLeft = bLeftOff != 0 ? 0 : byRunLevel;
    report.byRight = bRightOff != 0 ? 0 : byRunLevel;
  } else if (dwLeftValue == dwKeep && dwRightValue == dwKeep) {
    const bool bAuto = IsPressed(m_pAutoButton);
    report.byLeft = (bAuto || IsPressed(m_pLeftMotorButton)) ? byRunLevel : 0;
    report.byRight = (bAuto || IsPressed(m_pRightMotorButton)) ? byRunLevel : 0;
  } else {
    const DWORD dwLeft = dwLeftValue < 255 ? dwLeftValue : 255;
    const DWORD dwRight = dwRightValue < 255 ? dwRightValue : 255;
    report.byLeft = IsPressed(m_pLeftMotorButton) ? static_cast<BYTE>(dwLeft * 31 / 255) : 0;
    report.byRight = IsPressed(m_pRightMotorButton) ? static_cast<BYTE>(dwRight * 31 / 255) : 0;
  }

  DWORD cbWritten = 0;
  WriteFile(hDevice, &report, sizeof report, &cbWritten, NULL);
  if (report.byLeft == 0 && report.byRight == 0) WriteFile(hDevice, &report, sizeof report, &cbWritten, NULL);
  CloseHandle(hDevice);
}

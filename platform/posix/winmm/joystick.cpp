// joyGetDevCapsA / joyGetNumDevs over the simulated joysticks.
#include "platform/posix/winmm.h"
#include "platform/sim/joystick.h"

#include <cstring>

namespace {

// The registry key name winmm reports for its joystick driver.
constexpr char kRegKey[] = "DINPUT.DLL";
constexpr char kProductName[] = "Simulated game controller";
constexpr UINT kAxisMax = 0xFFFF;
constexpr UINT kButtons = 12;
constexpr UINT kMaxAxes = 6;
constexpr UINT kNumAxes = 4;

void FillCaps(const sim::Joystick& joystick, JOYCAPSA* pjc) {
  JOYCAPSA caps;
  std::memset(&caps, 0, sizeof caps);
  caps.wMid = joystick.wMid;
  caps.wPid = joystick.wPid;
  std::strncpy(caps.szPname, kProductName, sizeof caps.szPname - 1);
  caps.wXmax = caps.wYmax = caps.wZmax = caps.wRmax = caps.wUmax = caps.wVmax = kAxisMax;
  caps.wNumButtons = kButtons;
  caps.wMaxButtons = 32;
  caps.wPeriodMin = 10;
  caps.wPeriodMax = 1000;
  caps.wCaps = JOYCAPS_HASZ | JOYCAPS_HASR | JOYCAPS_HASPOV | JOYCAPS_POV4DIR;
  caps.wMaxAxes = kMaxAxes;
  caps.wNumAxes = kNumAxes;
  std::strncpy(caps.szRegKey, kRegKey, sizeof caps.szRegKey - 1);
  *pjc = caps;
}

}  // namespace

MMRESULT WINAPI joyGetDevCapsA(UINT_PTR uJoyID, LPJOYCAPSA pjc, UINT cbjc) {
  if (pjc == nullptr || cbjc != sizeof(JOYCAPSA)) return MMSYSERR_INVALPARAM;
  if (uJoyID == static_cast<UINT_PTR>(static_cast<UINT>(-1)) || uJoyID == static_cast<UINT_PTR>(-1)) {
    std::memset(pjc->szRegKey, 0, sizeof pjc->szRegKey);
    std::strncpy(pjc->szRegKey, kRegKey, sizeof pjc->szRegKey - 1);
    return JOYERR_NOERROR;
  }
  if (uJoyID >= sim::kJoystickIds) return MMSYSERR_NODRIVER;
  sim::Joystick joystick;
  if (!sim::GetJoystick(static_cast<UINT>(uJoyID), &joystick)) return JOYERR_PARMS;
  FillCaps(joystick, pjc);
  return JOYERR_NOERROR;
}

UINT WINAPI joyGetNumDevs(void) { return sim::kJoystickIds; }

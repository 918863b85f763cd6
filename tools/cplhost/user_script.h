// The user script of the Game Controllers stand-in: one user action a line
// (format: data/cplscripts/README.md).
#pragma once

#include "platform/win32.h"

#include <istream>
#include <string>
#include <vector>

namespace cplhost {

enum class Verb {
  kPage,        // n[0]: page index
  kClick,       // n[0], n[1]: page client coordinates
  kDrag,        // n[0..3]: from x, y to x, y
  kButtons,     // dwMask: bit i = button i + 1
  kPress,       // n[0]: button 1..32
  kRelease,     // n[0]: button 1..32
  kStick,       // n[0..3]: X, Y, Z, RZ; nCount says how many were given
  kPov,         // dwMask: hundredths of a degree, or 0xFFFFFFFF centred
  kWait,        // n[0]: milliseconds
  kKey,         // n[0]: virtual key; bFlag: down
  kKeyCapture,  // keys; bFlag: ends with OK (else Cancel)
  kFile,        // text: the path; bFlag: cancel
  kApply,
  kOk,
  kCancel,
  kClose,       // the sheet's close box
  kReopen,      // Properties pressed again
  kPng,         // text: file name without ".png"
  kMove,        // n[0], n[1]: the pointer over the page shown, no button held
  kUnplug,      // the controller is pulled out
  kPlug,        // the controller is plugged in again
};

// Whether the action needs the sheet open: the controller, the clock, the
// answers queued for dialogs and Properties do not.
bool NeedsOpenSheet(Verb verb);

// One key of a key-capture line.
struct KeyStroke {
  UINT vk = 0;
  bool bDown = true;
};

struct Step {
  int nLine = 0;
  std::string source;  // the line as written, for the log
  Verb verb = Verb::kWait;
  long n[4] = {0, 0, 0, 0};
  int nCount = 0;
  DWORD dwMask = 0;
  bool bFlag = false;
  std::string text;
  std::vector<KeyStroke> keys;
};

// The virtual key of a key name ("a", "F1", "ctrl", "enter", "0x2C", ...);
// 0 for a name that is not known. Names compare without case.
UINT VirtualKeyOf(const std::string& name);

// Parses a whole script; false with "line N: ..." in *pError at the first
// bad line. Empty lines and text from '#' on are ignored.
bool ParseScript(std::istream& in, std::vector<Step>* pSteps, std::string* pError);

}  // namespace cplhost

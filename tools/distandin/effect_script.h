// The stand-in's effect scripts: parsing into settings and timed steps.
// The format is described at the top of distandin.cpp.
#pragma once

#include "platform/win32.h"

#include <map>
#include <string>
#include <vector>

namespace distandin {

// Effect parameters as a script names them (times in milliseconds).
struct EffectParams {
  DWORD dwType = 0;            // effect type index 0..6
  DWORD dwDurationMs = 1000;   // INFINITE for "inf"
  DWORD dwDelayMs = 0;
  DWORD dwGain = 10000;
  bool bPolar = false;         // false: one Cartesian axis, both motors
  LONG lDirection = 0;         // hundredths of a degree (polar)
  LONG lMagnitude = 10000;     // constant: signed; periodic: 0..10000
  LONG lOffset = 0;
  DWORD dwPhase = 0;           // hundredths of a degree
  DWORD dwPeriodMs = 100;
  LONG lRampFrom = 0;
  LONG lRampTo = 10000;
  bool bEnvelope = false;
  DWORD dwAttackLevel = 0;
  DWORD dwAttackMs = 0;
  DWORD dwFadeLevel = 0;
  DWORD dwFadeMs = 0;
};

enum class Action { Gain, Load, Play, Update, Start, Stop, Destroy, Command, End };

struct Step {
  DWORD dwAtMs = 0;
  Action action = Action::End;
  int iLine = 0;
  std::string name;           // effect name
  DWORD dwValue = 0;          // gain, start count, or DISFFC_* command
  EffectParams params;        // load/play: the whole effect; update: merged later
  std::vector<std::string> keys;  // update: its key=value words
  bool bRestart = false;      // update: with DIEP_START
};

struct Script {
  DWORD dwJoystick = 0;
  bool bSettings = false;
  DWORD dwMotorPower = 0;
  DWORD dwTimeCycle = 0;
  DWORD dwAutoMode = 0;
  std::vector<Step> steps;
  DWORD dwEndMs = 0;          // when the run ends
};

// Parses text; false with *pError ("line N: ...") on the first fault.
bool ParseScript(const std::string& text, Script* pScript, std::string* pError);

// Applies "key=value" words to *pParams; false with *pError for an unknown
// key or a bad value. Used by ParseScript for load, play and update.
bool ApplyKeys(const std::vector<std::string>& words, EffectParams* pParams, std::vector<std::string>* pKeys,
               std::string* pError);

// Type index of a type name, or -1.
int TypeIndex(const std::string& name);
const char* TypeName(DWORD dwType);

}  // namespace distandin

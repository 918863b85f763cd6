// The simulated machine's sound output (test and host control): every
// sndPlaySoundA call is recorded, in order, instead of being played.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

#ifndef QJ_SIM_API
#  define QJ_SIM_API __attribute__((visibility("default")))
#endif

namespace sim {

// One sndPlaySoundA call as the layer handled it.
struct SoundPlay {
  bool bStop = false;     // lpszSound was NULL: the sound playing was stopped
  bool bMemory = false;   // SND_MEMORY: an image in memory, not a name
  std::string name;       // the name as passed (empty for bStop and bMemory)
  UINT fuSound = 0;       // the flags as passed
  bool bFound = false;    // the name was an existing file (always true for bMemory)
  bool bDefault = false;  // not found and no SND_NODEFAULT: the default sound played
  BOOL bResult = FALSE;   // what sndPlaySoundA returned
  DWORD dwTick = 0;       // GetTickCount at the call
};

// Every sndPlaySoundA call since the process began or the last
// ClearSoundPlays, in order.
QJ_SIM_API std::vector<SoundPlay> GetSoundPlays();
QJ_SIM_API void ClearSoundPlays();

// For the layer's winmm (not for tests): appends one record.
QJ_SIM_API void RecordSoundPlay(const SoundPlay& play);

}  // namespace sim

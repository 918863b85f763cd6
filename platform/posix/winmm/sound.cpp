// sndPlaySoundA over the simulated machine: nothing is heard; each call is
// recorded (sim/sound.h) with whether its file was found.
#include "platform/win32.h"
#include "platform/sim/sound.h"

BOOL WINAPI sndPlaySoundA(LPCSTR lpszSound, UINT fuSound) {
  sim::SoundPlay play;
  play.fuSound = fuSound;
  play.dwTick = GetTickCount();
  if (lpszSound == nullptr) {
    play.bStop = true;
    play.bResult = TRUE;
  } else if (fuSound & SND_MEMORY) {
    play.bMemory = true;
    play.bFound = true;
    play.bResult = TRUE;
  } else {
    // This machine has no system-sound entries: the name is a file name.
    play.name = lpszSound;
    const DWORD dwAttributes = GetFileAttributesA(lpszSound);
    play.bFound = dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
    play.bDefault = !play.bFound && !(fuSound & SND_NODEFAULT);
    play.bResult = (play.bFound || play.bDefault) ? TRUE : FALSE;
  }
  sim::RecordSoundPlay(play);
  return play.bResult;
}

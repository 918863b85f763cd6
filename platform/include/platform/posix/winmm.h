// Windows multimedia (winmm) subset: the joystick capability query.
#pragma once

#include "platform/posix/types.h"

typedef UINT MMRESULT;

// Multimedia system results.
#define MMSYSERR_BASE 0
#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_INVALPARAM 11

// Joystick results.
#define JOYERR_BASE 160
#define JOYERR_NOERROR 0
#define JOYERR_PARMS (JOYERR_BASE + 5)
#define JOYERR_NOCANDO (JOYERR_BASE + 6)
#define JOYERR_UNPLUGGED (JOYERR_BASE + 7)

#define JOYSTICKID1 0
#define JOYSTICKID2 1

#define MAXPNAMELEN 32
#define MAX_JOYSTICKOEMVXDNAME 260

// Joystick capability flags (wCaps).
#define JOYCAPS_HASZ 0x0001
#define JOYCAPS_HASR 0x0002
#define JOYCAPS_HASU 0x0004
#define JOYCAPS_HASV 0x0008
#define JOYCAPS_HASPOV 0x0010
#define JOYCAPS_POV4DIR 0x0020
#define JOYCAPS_POVCTS 0x0040

struct JOYCAPSA {
  WORD wMid;
  WORD wPid;
  CHAR szPname[MAXPNAMELEN];
  UINT wXmin;
  UINT wXmax;
  UINT wYmin;
  UINT wYmax;
  UINT wZmin;
  UINT wZmax;
  UINT wNumButtons;
  UINT wPeriodMin;
  UINT wPeriodMax;
  UINT wRmin;
  UINT wRmax;
  UINT wUmin;
  UINT wUmax;
  UINT wVmin;
  UINT wVmax;
  UINT wCaps;
  UINT wMaxAxes;
  UINT wNumAxes;
  UINT wMaxButtons;
  CHAR szRegKey[MAXPNAMELEN];
  CHAR szOEMVxD[MAX_JOYSTICKOEMVXDNAME];
};
typedef JOYCAPSA* PJOYCAPSA;
typedef JOYCAPSA* LPJOYCAPSA;
static_assert(sizeof(JOYCAPSA) == 404, "JOYCAPSA keeps its published size");

// Capabilities of joystick uJoyID (0 to 15; (UINT)-1 fills only szRegKey,
// whether a joystick is present or not). cbjc must be sizeof(JOYCAPSA).
// Results: JOYERR_NOERROR; MMSYSERR_INVALPARAM for a null pjc or a wrong
// cbjc; MMSYSERR_NODRIVER for an ID above 15; JOYERR_PARMS for an ID with no
// joystick attached. *pjc is left alone on failure.
QJ_PLATFORM_API MMRESULT WINAPI joyGetDevCapsA(UINT_PTR uJoyID, LPJOYCAPSA pjc, UINT cbjc);

// Number of joystick IDs the driver supports (16), attached or not.
QJ_PLATFORM_API UINT WINAPI joyGetNumDevs(void);

// --- Waveform sounds -------------------------------------------------------

// sndPlaySoundA flags.
#define SND_SYNC 0x0000u       // return when the sound has played
#define SND_ASYNC 0x0001u      // return at once; the sound plays on
#define SND_NODEFAULT 0x0002u  // a sound that cannot be found plays nothing
#define SND_MEMORY 0x0004u     // lpszSound points to a wave image in memory
#define SND_LOOP 0x0008u       // repeat until stopped (with SND_ASYNC)
#define SND_NOSTOP 0x0010u     // do not cut a sound already playing

// Plays a wave sound named by lpszSound: a system-sound entry, else a file
// name (or, with SND_MEMORY, a wave image). NULL stops the sound playing.
// A sound that cannot be found plays the default system sound unless
// SND_NODEFAULT is given. TRUE when a sound was started (or stopped), FALSE
// when nothing could be played.
QJ_PLATFORM_API BOOL WINAPI sndPlaySoundA(LPCSTR lpszSound, UINT fuSound);

// The playback server of one joystick: its effect store, the playback step
// that synthesises the effects' forces on the server's own service thread,
// and the writer of the 4-byte motor output report.
#pragma once

#include <atomic>

#include "platform/win32.h"
#include "qj_object.h"
#include "ptrlist.h"
#include "qj_srvthread.h"
// SettingsRecord: the user's settings record, shared with the property pages.
#include "settings.h"

// The module's two log objects, made at process attach by the module frame;
// every playback server hands them to its service-thread base.
extern CQJ_DayLog* g_pLog;
extern CQJ_DayLog* g_pErrLog;

// Number of all-zero motor reports repeated since the pair last changed;
// shared by every server of the module. 0 when the module loads.
extern std::atomic<DWORD> g_nZeroReports;

// The HID output report that carries the two motor levels (0 off, 8..31 on).
#pragma pack(push, 1)
struct MotorReport {
  BYTE byReportId;  // always 0
  BYTE byLeft;
  BYTE byRight;
  BYTE byReserved;  // always 0
};
#pragma pack(pop)
static_assert(sizeof(MotorReport) == 4, "the motor report is 4 bytes");

// Effect type index that DirectInput passes with a download, in DirectInput's
// order of predefined effects. It decides which type-specific block applies.
enum EffectType : DWORD {
  ET_CONSTANT = 0,      // DICONSTANTFORCE
  ET_RAMP = 1,          // DIRAMPFORCE
  ET_SQUARE = 2,        // DIPERIODIC, ET_SQUARE..ET_SAWTOOTHDOWN
  ET_SINE = 3,
  ET_TRIANGLE = 4,
  ET_SAWTOOTHUP = 5,
  ET_SAWTOOTHDOWN = 6,
  ET_SPRING = 7,        // condition block: stored, never played
  ET_DAMPER = 8,
  ET_INERTIA = 9,
  ET_FRICTION = 10,
  ET_CUSTOM = 11,       // custom-force block: stored, never played
};

// Play state of one effect, and the summary of a playback step.
enum EffectState : DWORD {
  EFFECT_STOPPED = 0,
  EFFECT_PAUSED = 1,
  EFFECT_PLAYING = 2,
};

// One stored effect: a node of the server's effect list. Times are
// milliseconds unless noted; ticks are GetTickCount values.
struct EffectRecord : PtrListNode {
  DWORD dwEffectId;      // EffectType index as DirectInput passed it (not validated)
  DWORD dwFlags;         // the description's coordinate flags (DIEFF_*)
  DWORD dwDuration;      // ms, or INFINITE
  DWORD dwSamplePeriod;  // microseconds, never read
  DWORD dwGain;          // 0..10000
  DWORD cAxes;           // as given; only the first four entries are kept
  DWORD rgdwAxes[4];
  LONG rglDirection[4];
  DIENVELOPE diEnvelope;  // times in microseconds; all zero without an envelope
  DWORD dwStartDelay;     // ms
  DWORD cbTypeSpecificParams;
  void* lpvTypeSpecificParams;  // owned copy of the block; NULL when the size is 0
  DWORD dwEffect;               // handle given to DirectInput: 1, 2, ...
  DWORD dwStartTick;            // tick the effect's time runs from; 0 while stopped
  DWORD dwPauseTick;            // tick of the last pause; 0 while stopped
  DWORD dwParamFlags;           // DIEP_* flags of the creating download, never read
  DWORD dwState;                // EffectState
};

class FFServer : public CQJ_SrvClient {
 public:
  // Reads the joystick's product ID and the user's settings record; no thread
  // is started (the driver stores the path and calls Start).
  explicit FFServer(DWORD dwJoyId);
  // Stops and joins the playback thread, frees every effect, then writes an
  // all-off report.
  ~FFServer() override;

  // Effect store. Every operation returns FALSE and changes nothing while
  // m_bPathSet is 0 (QueryEffectState: EFFECT_STOPPED). An operation by
  // handle on a handle that no effect bears returns TRUE and changes nothing.
  // The lock is taken for the list walk and released before any report.

  // Stores a copy of *peff (times converted from microseconds to ms) as a
  // stopped effect of type dwEffectId with the lowest free handle from 1,
  // which it writes to *pdwEffect. FALSE for a NULL peff or pdwEffect, an
  // inconsistent description (a named array or block that is NULL) or no
  // memory; *pdwEffect is then untouched.
  BOOL AddEffect(DWORD dwEffectId, DWORD* pdwEffect, const DIEFFECT* peff, DWORD dwFlags);
  // Sets the type of the effect dwEffect and, flag by flag (DIEP_*), the
  // members of *peff that dwFlags names; DIEP_START restarts the time of a
  // playing or paused effect. FALSE for a NULL or inconsistent description
  // (nothing changed), or when the new block cannot be allocated (the effect
  // is then removed).
  BOOL UpdateEffect(DWORD dwEffectId, DWORD dwEffect, const DIEFFECT* peff, DWORD dwFlags);
  // Removes and frees the effect dwEffect.
  BOOL RemoveEffect(DWORD dwEffect);
  // DISFFC_RESET: stops and frees every effect; the next handle is 1 again.
  BOOL ResetEffects();
  // Starts dwEffect from its beginning unless it is already playing.
  BOOL PlayEffect(DWORD dwEffect);
  // Starts dwEffect from its beginning whatever its state.
  BOOL RestartEffect(DWORD dwEffect);
  // Stops dwEffect.
  BOOL HaltEffect(DWORD dwEffect);
  // Pauses a playing dwEffect; ResumeEffect continues a paused one, the time
  // spent paused not counted.
  BOOL PauseEffect(DWORD dwEffect);
  BOOL ResumeEffect(DWORD dwEffect);
  // DISFFC_STOPALL, DISFFC_PAUSE, DISFFC_CONTINUE over every effect; the
  // first two then write an all-off report.
  BOOL HaltAll();
  BOOL PauseAll();
  BOOL ResumeAll();
  // The EffectState of dwEffect; EFFECT_STOPPED for an unknown handle.
  DWORD QueryEffectState(DWORD dwEffect);

  // Opens m_szDevicePath, writes one MotorReport with the levels of the two
  // forces (0..10000 each: 0 gives level 0, any other f gives 8 + f*23/10000)
  // and closes it. Failures (no path, device gone, open or write refused)
  // deliver nothing and are not reported. Always 0.
  int WriteMotorReport(DWORD dwLeft, DWORD dwRight);
  // Takes pszPath (terminated, at most 259 characters) as the device path
  // when it names another device than the current one (compared without
  // case); the next playback step then sends its pair to the new device.
  // Takes the lock; effects, state and thread stay as they are.
  void ChangeDevicePath(const char* pszPath);

  // One playback tick: under the lock, synthesises every playing effect,
  // sums the motor shares and writes the report when the pair changed or the
  // device does not hold it (after a command's all-off report, a report that
  // did not arrive or a new device path), or as one of five zero repeats;
  // then sleeps 1 ms outside the lock. Always TRUE.
  BOOL RunStep() override;
  // Sleeps 10 ms, then writes an all-off report. Always TRUE.
  BOOL IdleStep() override;

  // Splits lForce into the left and right motor shares by the effect's
  // direction: polar (DIEFF_POLAR, hundredths of a degree, 0 = left motor,
  // 9000 = right motor), Cartesian with two or more axes (in proportion to
  // the first two directions), otherwise both shares get lForce. A negative
  // polar angle writes neither output. Always true.
  static bool SplitForce(LONG* plLeft, LONG* plRight, LONG lForce, DWORD dwFlags,
                         const LONG* rglDirection, DWORD cAxes);
  // *plOut = (lFrom*(lSpan-lPos) + lTo*lPos) / lSpan, truncated toward zero
  // and saturated to 32 bits (the products are formed in 64 bits); a span of
  // 0 yields lTo. Always true.
  static bool Lerp(LONG* plOut, LONG lFrom, LONG lTo, LONG lSpan, LONG lPos);

  // Fields. The driver object writes m_szDevicePath (before Start, later
  // through ChangeDevicePath), m_bPathSet and m_dwGain and reads
  // m_dwDevState; everything else belongs to the server.
  char m_szDevicePath[260];  // ANSI HID device interface path; "" until DeviceID
  DWORD m_dwJoyId;           // DirectInput joystick ID, 0..15
  DWORD m_dwProductId;       // USB product ID of that joystick (0 when unknown)
  BYTE m_bPathSet;           // 1 once DeviceID has stored the path
  // Pair the playback step last delivered to the device; a report that did
  // not reach it leaves the pair as it was, so the step sends it again.
  LONG m_lLastLeft;
  LONG m_lLastRight;
  // Device gain 0..10000, 0 until DirectInput sets one; written by SetGain
  // without the lock, read by the step.
  std::atomic<DWORD> m_dwGain;
  PtrList m_EffectList;  // of EffectRecord; guarded by the lock
  // EffectState summary of the last step; read by GetForceFeedbackState
  // without the lock.
  std::atomic<DWORD> m_dwDevState;
  // Read once by the constructor; the step uses dwTimeCycle, dwMotorPower
  // and dwAutoMode.
  SettingsRecord m_Settings;

 private:
  // Synthesises one playing record at elapsed time E (ms) into its left and
  // right shares; may stop the record. Called by RunStep under the lock.
  void PlayRecord(EffectRecord* pRec, DWORD dwElapsed, LONG* plLeft, LONG* plRight);
  // The sustain value of a record at sustain time s (ms).
  LONG SustainForce(EffectRecord* pRec, DWORD s);
  // WriteMotorReport's work: TRUE when the device took the whole report; the
  // pair then counts as what the device holds.
  BOOL SendReport(DWORD dwLeft, DWORD dwRight);
  // TRUE unless the device is known to hold the pair (dwLeft, dwRight).
  BOOL DeviceDiffers(DWORD dwLeft, DWORD dwRight);

  // Guards m_szDevicePath against a change while a report is written, and
  // the pair below; held across each open, write and close of the device.
  // The playback step takes it inside the server's lock, the commands'
  // all-off reports without that lock.
  CRITICAL_SECTION m_csReport;
  // Pair of the last report the device took from this server, whoever
  // wrote it (the step, a command, DeviceID, the teardown). Not known after
  // a change of the device path until a report reaches the new device.
  DWORD m_dwSentLeft;
  DWORD m_dwSentRight;
  BOOL m_bSentKnown;
};
static_assert(sizeof(std::atomic<DWORD>) == 4, "the gain and the summary keep 32 bits");

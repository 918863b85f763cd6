// The effect driver object that DirectInput talks to, and the table of the
// playback servers it forwards to by joystick ID.
#pragma once

#include "platform/win32.h"
#include "qj_object.h"

class FFServer;

// Joystick IDs 0 to 15 index the server table.
constexpr DWORD FF_MAX_JOYSTICKS = 16;

// The playback server of each joystick ID (NULL when none), and whether
// DeviceID has made it, stored its path and started it (1) or not (0).
extern FFServer* g_pServer[FF_MAX_JOYSTICKS];
extern BYTE g_bServerOpen[FF_MAX_JOYSTICKS];

// One object per process (g_pDriver). Its count starts at 1; the Release
// that brings it to 0 deletes every open server and then the driver.
//
// Every operation that takes a joystick ID, Escape aside, returns E_FAIL for
// an ID of 16 or more and S_OK, doing nothing, for an ID that is not open.
// Failures inside a server are not reported.
class CQJ_FFDriver final : public IDirectInputEffectDriver {
 public:
  CQJ_FFDriver();

  // IUnknown or IDirectInputEffectDriver: AddRef, *ppv = this, S_OK; any
  // other: *ppv = NULL, E_NOINTERFACE. E_POINTER for a NULL ppv.
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
  STDMETHOD_(ULONG, AddRef)() override;
  // At 0: deletes the open servers (each stops and joins its thread and
  // writes an all-off report), clears the table and g_pDriver, deletes the
  // driver. Returns the new count.
  STDMETHOD_(ULONG, Release)() override;

  // fBegin non-zero on a joystick ID that is not open: makes its server,
  // stores the ANSI form of the DIHIDFFINITINFO device path (at most 259
  // characters), writes an all-off report and starts the playback thread.
  // On an open ID: a path naming another device replaces the stored one
  // (server, effects and thread stay; the next playback step sends the
  // current pair there). S_OK also for fBegin 0 (nothing is torn down).
  // E_FAIL for an ID of 16 or more, a server that cannot be made, or a path
  // whose ANSI form does not fit; E_INVALIDARG for a missing
  // DIHIDFFINITINFO or path (an open ID then keeps its path). Concurrent
  // calls for one ID make one server.
  STDMETHOD(DeviceID)(DWORD dwDIVer, DWORD dwExternalID, DWORD fBegin, DWORD dwInternalId, LPVOID lpvInfo) override;
  // dwSize 16 (or more): fills the record, S_OK; smaller or NULL:
  // E_INVALIDARG, untouched.
  STDMETHOD(GetVersions)(LPDIDRIVERVERSIONS pvers) override;
  // Does nothing; S_OK for any ID.
  STDMETHOD(Escape)(DWORD dwID, DWORD dwEffect, LPDIEFFESCAPE pesc) override;
  // Device gain, clamped to 10000.
  STDMETHOD(SetGain)(DWORD dwID, DWORD dwGain) override;
  // Exactly one of DISFFC_RESET, DISFFC_STOPALL, DISFFC_PAUSE or
  // DISFFC_CONTINUE; any other value is ignored. S_OK.
  STDMETHOD(SendForceFeedbackCommand)(DWORD dwID, DWORD dwCommand) override;
  // dwState: DIGFFS_STOPPED, DIGFFS_PAUSED or 0 (an effect playing) from the
  // last playback step (left alone for an ID that is not open); dwLoad 0;
  // dwSize untouched. E_INVALIDARG for dwSize below 12 or a NULL record.
  STDMETHOD(GetForceFeedbackState)(DWORD dwID, LPDIDEVICESTATE pds) override;
  // *pdwEffect 0: stores a new effect and writes its handle there; otherwise
  // updates the effect *pdwEffect by the DIEP_* flags. DIEP_START then plays
  // it. E_INVALIDARG for a NULL pdwEffect or peff on an open ID (nothing
  // stored, changed or started).
  STDMETHOD(DownloadEffect)(DWORD dwID, DWORD dwEffectID, LPDWORD pdwEffect, LPCDIEFFECT peff, DWORD dwFlags) override;
  STDMETHOD(DestroyEffect)(DWORD dwID, DWORD dwEffect) override;
  // A non-zero dwCount plays the effect once unless it is playing; dwMode
  // and the count's value are not used.
  STDMETHOD(StartEffect)(DWORD dwID, DWORD dwEffect, DWORD dwMode, DWORD dwCount) override;
  STDMETHOD(StopEffect)(DWORD dwID, DWORD dwEffect) override;
  // *pdwStatus (when not NULL) = 0 first, then DIEGES_PLAYING for a playing
  // or paused effect of an open ID.
  STDMETHOD(GetEffectStatus)(DWORD dwID, DWORD dwEffect, LPDWORD pdwStatus) override;

 private:
  ~CQJ_FFDriver();

  // The server of an open dwID, or NULL (also for an ID of 16 or more).
  static FFServer* OpenServer(DWORD dwID);

  volatile LONG m_lRefCount;
  CQJ_DayLog m_Log;
};

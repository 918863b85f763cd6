// Playback server: construction, teardown, the effect store and the motor
// output report. The playback step and the synthesis live in
// ffserver_step.cpp.
#include "ffserver.h"

#include <cstring>
#include <new>

std::atomic<DWORD> g_nZeroReports{0};

namespace {

// Motor level of a force: 0 for none, else 8 + f*23/10000 (8..31). A force
// beyond full scale counts as full scale, so the product cannot wrap.
BYTE MotorLevel(DWORD f) {
  if (f > 10000) f = 10000;
  return static_cast<BYTE>((f * 23) / 10000 + 8);
}

// Microseconds of a description to the milliseconds the playback counts in;
// INFINITE stays the infinite marker.
DWORD MicrosToMillis(DWORD dwMicros) {
  return dwMicros == INFINITE ? INFINITE : dwMicros / 1000;
}

// Number of axis and direction entries a record keeps of a description.
DWORD KeptAxes(DWORD cAxes) { return cAxes < 4 ? cAxes : 4; }

// A failed debug assertion: reported on the debug output, the operation goes on.
void ReportAssertion(const char* pszExpression) {
  OutputDebugStringA("Assertion failed: ");
  OutputDebugStringA(pszExpression);
  OutputDebugStringA("\n");
}

// Copies cb bytes of a type-specific block into a new owned block; NULL for
// no memory. cb is not 0.
void* CopyBlock(const void* pvSource, DWORD cb) {
  BYTE* pBlock = new (std::nothrow) BYTE[cb];
  if (pBlock != NULL) memcpy(pBlock, pvSource, cb);
  return pBlock;
}

void FreeBlock(void* pvBlock) { delete[] static_cast<BYTE*>(pvBlock); }

// Frees a record that is no longer in any list, its block first.
void FreeRecord(EffectRecord* pRec) {
  FreeBlock(pRec->lpvTypeSpecificParams);
  delete pRec;
}

void StartRecord(EffectRecord* pRec, DWORD dwNow) {
  pRec->dwState = EFFECT_PLAYING;
  pRec->dwStartTick = dwNow;
  pRec->dwPauseTick = dwNow;
}

void StopRecord(EffectRecord* pRec) {
  pRec->dwState = EFFECT_STOPPED;
  pRec->dwStartTick = 0;
  pRec->dwPauseTick = 0;
}

void PauseRecord(EffectRecord* pRec, DWORD dwNow) {
  pRec->dwState = EFFECT_PAUSED;
  pRec->dwPauseTick = dwNow;
}

// Continues a paused record: its start moves by the time spent paused.
void ResumeRecord(EffectRecord* pRec, DWORD dwNow) {
  pRec->dwState = EFFECT_PLAYING;
  pRec->dwStartTick = dwNow - (pRec->dwPauseTick - pRec->dwStartTick);
  pRec->dwPauseTick = pRec->dwStartTick;
}

// Applies fn to every record that bears dwEffect, by one rotation pass.
template <typename Fn>
void ForHandle(PtrList* pList, DWORD dwEffect, Fn fn) {
  RotatePtrList(pList, [&](PtrListNode* pNode) {
    EffectRecord* pRec = static_cast<EffectRecord*>(pNode);
    if (pRec->dwEffect == dwEffect) fn(pRec);
    return true;
  });
}

// Applies fn to every record, by one rotation pass.
template <typename Fn>
void ForAll(PtrList* pList, Fn fn) {
  RotatePtrList(pList, [&](PtrListNode* pNode) {
    fn(static_cast<EffectRecord*>(pNode));
    return true;
  });
}

// Takes every record out of the list and frees it (caller holds the lock).
void FreeAllRecords(PtrList* pList) {
  while (PtrListNode* pNode = PtrList::RemoveHead(pList)) FreeRecord(static_cast<EffectRecord*>(pNode));
}

bool HandleInUse(PtrList* pList, DWORD dwEffect) {
  bool bFound = false;
  ForHandle(pList, dwEffect, [&](EffectRecord*) { bFound = true; });
  return bFound;
}

// The lowest handle from 1 that no record of the list bears (caller holds
// the lock). With n records it is at most n + 1, so one pass that marks the
// handles 1 to n finds it: linear in n, where trying 1, 2, ... in turn
// walked the list once per try. Without memory for the marks it falls back
// to trying in turn.
DWORD LowestFreeHandle(PtrList* pList) {
  const DWORD n = pList->nCount;
  BYTE* pbUsed = new (std::nothrow) BYTE[n + 1];
  if (pbUsed == NULL) {
    DWORD dwHandle = 1;
    while (HandleInUse(pList, dwHandle)) ++dwHandle;
    return dwHandle;
  }
  std::memset(pbUsed, 0, n + 1);
  ForAll(pList, [&](EffectRecord* pRec) {
    if (pRec->dwEffect >= 1 && pRec->dwEffect <= n) pbUsed[pRec->dwEffect] = 1;
  });
  DWORD dwHandle = 1;
  while (dwHandle <= n && pbUsed[dwHandle]) ++dwHandle;
  delete[] pbUsed;
  return dwHandle;
}

// The arrays and the block that a description names must be there to be read.
bool AxesReadable(const DIEFFECT* peff) { return peff->cAxes == 0 || peff->rgdwAxes != NULL; }
bool DirectionsReadable(const DIEFFECT* peff) { return peff->cAxes == 0 || peff->rglDirection != NULL; }
bool BlockReadable(const DIEFFECT* peff) {
  return peff->cbTypeSpecificParams == 0 || peff->lpvTypeSpecificParams != NULL;
}

void CopyAxes(EffectRecord* pRec, const DIEFFECT* peff) {
  pRec->cAxes = peff->cAxes;
  for (DWORD i = 0; i < KeptAxes(peff->cAxes); ++i) pRec->rgdwAxes[i] = peff->rgdwAxes[i];
}

void CopyDirections(EffectRecord* pRec, const DIEFFECT* peff) {
  pRec->cAxes = peff->cAxes;
  for (DWORD i = 0; i < KeptAxes(peff->cAxes); ++i) pRec->rglDirection[i] = peff->rglDirection[i];
}

}  // namespace

FFServer::FFServer(DWORD dwJoyId)
    : CQJ_SrvClient(0, 0, g_pLog, g_pErrLog),
      m_szDevicePath(),
      m_dwJoyId(dwJoyId),
      m_dwProductId(0),
      m_bPathSet(0),
      m_lLastLeft(0),
      m_lLastRight(0),
      m_dwGain(0),
      m_EffectList(),
      m_dwDevState(EFFECT_STOPPED),
      m_Settings(),
      m_dwSentLeft(0),
      m_dwSentRight(0),
      m_bSentKnown(TRUE) {
  InitializeCriticalSection(&m_csReport);
  PtrList::Init(&m_EffectList);

  // A joystick ID that reports no capabilities leaves the product ID 0.
  JOYCAPSA jc;
  memset(&jc, 0, sizeof(jc));
  joyGetDevCapsA(dwJoyId, &jc, sizeof(JOYCAPSA));
  m_dwProductId = jc.wPid;

  memset(&m_Settings, 0, sizeof(m_Settings));
  char Buf[256];
  wsprintfA(Buf, SETTINGS_USER_KEY_FORMAT, static_cast<int>(m_dwProductId & 0xFF));
  HKEY hKey = NULL;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Buf, 0, KEY_ALL_ACCESS, &hKey) == ERROR_SUCCESS) {
    DWORD dwRetByte = sizeof(m_Settings);
    LONG lResult = RegQueryValueExA(hKey, SETTINGS_VALUE_NAME, NULL, NULL,
                                    reinterpret_cast<LPBYTE>(&m_Settings), &dwRetByte);
    // A value longer than the record leaves the buffer undefined: keep zeros.
    if (lResult == ERROR_MORE_DATA) memset(&m_Settings, 0, sizeof(m_Settings));
    RegCloseKey(hKey);
  }
}

FFServer::~FFServer() {
  // The playback thread uses the list and the path: it must end first.
  StopAndWait();
  Lock();
  FreeAllRecords(&m_EffectList);
  Unlock();
  WriteMotorReport(0, 0);
  DeleteCriticalSection(&m_csReport);
}

BOOL FFServer::AddEffect(DWORD dwEffectId, DWORD* pdwEffect, const DIEFFECT* peff, DWORD dwFlags) {
  if (!m_bPathSet) return FALSE;
  if (pdwEffect == NULL || peff == NULL) return FALSE;
  if (!AxesReadable(peff) || !DirectionsReadable(peff) || !BlockReadable(peff)) return FALSE;

  EffectRecord* pRec = new (std::nothrow) EffectRecord();
  if (pRec == NULL) return FALSE;
  pRec->dwEffectId = dwEffectId;
  if (!(peff->cAxes <= 4)) ReportAssertion("peff->cAxes <= 4");
  CopyAxes(pRec, peff);
  CopyDirections(pRec, peff);
  pRec->dwDuration = MicrosToMillis(peff->dwDuration);
  pRec->dwFlags = peff->dwFlags;
  pRec->dwGain = peff->dwGain;
  pRec->dwSamplePeriod = peff->dwSamplePeriod;
  pRec->dwStartDelay = peff->dwStartDelay / 1000;
  pRec->cbTypeSpecificParams = peff->cbTypeSpecificParams;
  if (peff->cbTypeSpecificParams != 0) {
    pRec->lpvTypeSpecificParams = CopyBlock(peff->lpvTypeSpecificParams, peff->cbTypeSpecificParams);
    if (pRec->lpvTypeSpecificParams == NULL) {
      delete pRec;
      return FALSE;
    }
  }
  pRec->dwParamFlags = dwFlags;
  StopRecord(pRec);
  if (peff->lpEnvelope != NULL) pRec->diEnvelope = *peff->lpEnvelope;

  Lock();
  const DWORD dwHandle = LowestFreeHandle(&m_EffectList);
  pRec->dwEffect = dwHandle;
  *pdwEffect = dwHandle;
  PtrList::AddTail(&m_EffectList, pRec);
  Unlock();
  return TRUE;
}

BOOL FFServer::UpdateEffect(DWORD dwEffectId, DWORD dwEffect, const DIEFFECT* peff, DWORD dwFlags) {
  if (!m_bPathSet) return FALSE;
  // Everything the flags name is checked before anything changes.
  if (peff == NULL) return FALSE;
  if ((dwFlags & DIEP_AXES) && !AxesReadable(peff)) return FALSE;
  if ((dwFlags & DIEP_DIRECTION) && !DirectionsReadable(peff)) return FALSE;
  if ((dwFlags & DIEP_TYPESPECIFICPARAMS) && !BlockReadable(peff)) return FALSE;

  BOOL bResult = TRUE;
  Lock();
  const DWORD dwNow = GetTickCount();
  RotatePtrList(&m_EffectList, [&](PtrListNode* pNode) {
    EffectRecord* pRec = static_cast<EffectRecord*>(pNode);
    if (pRec->dwEffect != dwEffect) return true;
    pRec->dwEffectId = dwEffectId;
    if (dwFlags & DIEP_DURATION) pRec->dwDuration = MicrosToMillis(peff->dwDuration);
    if (dwFlags & DIEP_STARTDELAY) pRec->dwStartDelay = peff->dwStartDelay / 1000;
    if (dwFlags & DIEP_SAMPLEPERIOD) pRec->dwSamplePeriod = peff->dwSamplePeriod;
    if (dwFlags & DIEP_GAIN) pRec->dwGain = peff->dwGain;
    if (dwFlags & DIEP_AXES) CopyAxes(pRec, peff);
    if (dwFlags & DIEP_DIRECTION) CopyDirections(pRec, peff);
    if ((dwFlags & DIEP_ENVELOPE) && peff->lpEnvelope != NULL) pRec->diEnvelope = *peff->lpEnvelope;
    if (dwFlags & DIEP_TYPESPECIFICPARAMS) {
      FreeBlock(pRec->lpvTypeSpecificParams);
      pRec->lpvTypeSpecificParams = NULL;
      pRec->cbTypeSpecificParams = peff->cbTypeSpecificParams;
      if (peff->cbTypeSpecificParams != 0) {
        pRec->lpvTypeSpecificParams = CopyBlock(peff->lpvTypeSpecificParams, peff->cbTypeSpecificParams);
        if (pRec->lpvTypeSpecificParams == NULL) {
          // No memory for the new block: the effect leaves the store.
          FreeRecord(pRec);
          bResult = FALSE;
          return false;
        }
      }
    }
    if ((dwFlags & DIEP_START) && pRec->dwState != EFFECT_STOPPED) {
      pRec->dwStartTick = dwNow;
      pRec->dwPauseTick = dwNow;
    }
    return true;
  });
  Unlock();
  return bResult;
}

BOOL FFServer::RemoveEffect(DWORD dwEffect) {
  if (!m_bPathSet) return FALSE;
  Lock();
  RotatePtrList(&m_EffectList, [&](PtrListNode* pNode) {
    EffectRecord* pRec = static_cast<EffectRecord*>(pNode);
    if (pRec->dwEffect != dwEffect) return true;
    FreeRecord(pRec);
    return false;
  });
  Unlock();
  return TRUE;
}

BOOL FFServer::ResetEffects() {
  if (!m_bPathSet) return FALSE;
  HaltAll();
  Lock();
  FreeAllRecords(&m_EffectList);
  Unlock();
  WriteMotorReport(0, 0);
  return TRUE;
}

BOOL FFServer::PlayEffect(DWORD dwEffect) {
  if (!m_bPathSet) return FALSE;
  Lock();
  const DWORD dwNow = GetTickCount();
  ForHandle(&m_EffectList, dwEffect, [&](EffectRecord* pRec) {
    if (pRec->dwState != EFFECT_PLAYING) StartRecord(pRec, dwNow);
  });
  Unlock();
  return TRUE;
}

BOOL FFServer::RestartEffect(DWORD dwEffect) {
  if (!m_bPathSet) return FALSE;
  Lock();
  const DWORD dwNow = GetTickCount();
  ForHandle(&m_EffectList, dwEffect, [&](EffectRecord* pRec) { StartRecord(pRec, dwNow); });
  Unlock();
  return TRUE;
}

BOOL FFServer::HaltEffect(DWORD dwEffect) {
  if (!m_bPathSet) return FALSE;
  Lock();
  ForHandle(&m_EffectList, dwEffect, [&](EffectRecord* pRec) {
    if (pRec->dwState != EFFECT_STOPPED) StopRecord(pRec);
  });
  Unlock();
  return TRUE;
}

BOOL FFServer::PauseEffect(DWORD dwEffect) {
  if (!m_bPathSet) return FALSE;
  Lock();
  const DWORD dwNow = GetTickCount();
  ForHandle(&m_EffectList, dwEffect, [&](EffectRecord* pRec) {
    if (pRec->dwState == EFFECT_PLAYING) PauseRecord(pRec, dwNow);
  });
  Unlock();
  return TRUE;
}

BOOL FFServer::ResumeEffect(DWORD dwEffect) {
  if (!m_bPathSet) return FALSE;
  Lock();
  const DWORD dwNow = GetTickCount();
  ForHandle(&m_EffectList, dwEffect, [&](EffectRecord* pRec) {
    if (pRec->dwState == EFFECT_PAUSED) ResumeRecord(pRec, dwNow);
  });
  Unlock();
  return TRUE;
}

BOOL FFServer::HaltAll() {
  if (!m_bPathSet) return FALSE;
  Lock();
  ForAll(&m_EffectList, [](EffectRecord* pRec) {
    if (pRec->dwState != EFFECT_STOPPED) StopRecord(pRec);
  });
  Unlock();
  WriteMotorReport(0, 0);
  return TRUE;
}

BOOL FFServer::PauseAll() {
  if (!m_bPathSet) return FALSE;
  Lock();
  const DWORD dwNow = GetTickCount();
  ForAll(&m_EffectList, [&](EffectRecord* pRec) {
    if (pRec->dwState == EFFECT_PLAYING) PauseRecord(pRec, dwNow);
  });
  Unlock();
  WriteMotorReport(0, 0);
  return TRUE;
}

BOOL FFServer::ResumeAll() {
  if (!m_bPathSet) return FALSE;
  Lock();
  const DWORD dwNow = GetTickCount();
  ForAll(&m_EffectList, [&](EffectRecord* pRec) {
    if (pRec->dwState == EFFECT_PAUSED) ResumeRecord(pRec, dwNow);
  });
  Unlock();
  return TRUE;
}

DWORD FFServer::QueryEffectState(DWORD dwEffect) {
  if (!m_bPathSet) return EFFECT_STOPPED;
  DWORD dwState = EFFECT_STOPPED;
  Lock();
  ForHandle(&m_EffectList, dwEffect, [&](EffectRecord* pRec) { dwState = pRec->dwState; });
  Unlock();
  return dwState;
}

int FFServer::WriteMotorReport(DWORD dwLeft, DWORD dwRight) {
  SendReport(dwLeft, dwRight);
  return 0;
}

BOOL FFServer::SendReport(DWORD dwLeft, DWORD dwRight) {
  MotorReport Buf = {0, 0, 0, 0};
  if (dwLeft != 0) Buf.byLeft = MotorLevel(dwLeft);
  if (dwRight != 0) Buf.byRight = MotorLevel(dwRight);
  BOOL bSent = FALSE;
  EnterCriticalSection(&m_csReport);
  // A path that fills all 260 bytes without a terminator names no device.
  if (memchr(m_szDevicePath, 0, sizeof(m_szDevicePath)) != NULL) {
    HANDLE hDevice = CreateFileA(m_szDevicePath, GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, NULL);
    if (hDevice != INVALID_HANDLE_VALUE) {
      DWORD Ret = 0;
      bSent = WriteFile(hDevice, &Buf, sizeof(Buf), &Ret, NULL) && Ret == sizeof(Buf);
      CloseHandle(hDevice);
    }
  }
  if (bSent) {
    m_dwSentLeft = dwLeft;
    m_dwSentRight = dwRight;
    m_bSentKnown = TRUE;
  }
  LeaveCriticalSection(&m_csReport);
  return bSent;
}

BOOL FFServer::DeviceDiffers(DWORD dwLeft, DWORD dwRight) {
  EnterCriticalSection(&m_csReport);
  const BOOL bDiffers = !m_bSentKnown || m_dwSentLeft != dwLeft || m_dwSentRight != dwRight;
  LeaveCriticalSection(&m_csReport);
  return bDiffers;
}

void FFServer::ChangeDevicePath(const char* pszPath) {
  Lock();
  EnterCriticalSection(&m_csReport);
  if (lstrcmpiA(pszPath, m_szDevicePath) != 0) {
    lstrcpynA(m_szDevicePath, pszPath, sizeof(m_szDevicePath));
    m_bSentKnown = FALSE;
  }
  LeaveCriticalSection(&m_csReport);
  Unlock();
}

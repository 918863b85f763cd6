#include "qj_srvthread.h"

namespace {
const DWORD kNoThreadId = 0xFFFFFFFFu;
}

CQJ_SrvThread::CQJ_SrvThread(CQJ_DayLog* pLog, CQJ_DayLog* pErrLog)
    : m_pErrLog(pErrLog),
      m_pLog(pLog),
      m_dwParam(0),
      m_Queue(),
      m_hThread(NULL),
      m_cs(),
      m_dwThreadId(kNoThreadId),
      m_nReserved(-1),
      m_bReserved1(0),
      m_bReserved2(0),
      m_nState(SRV_IDLE) {
  InitializeCriticalSection(&m_cs);
  PtrList::Init(&m_Queue);
}

CQJ_SrvThread::~CQJ_SrvThread() { Shutdown(); }

BOOL CQJ_SrvThread::Start() {
  WaitSettled();
  Lock();
  const SrvState s = m_nState;
  if (s != SRV_IDLE && s != SRV_STOPPED) {
    Unlock();
    return FALSE;
  }
  // A restart from SRV_STOPPED: the earlier worker has stored its end state
  // and takes the lock no more, so joining it here cannot block for long.
  ReleaseThreadHandle();
  if (OnStart()) {
    HANDLE hThread = CreateThread(NULL, 0, ThreadProc, this, CREATE_SUSPENDED, &m_dwThreadId);
    m_hThread = hThread;
    if (hThread != NULL) {
      m_nState = SRV_STARTING;
      Unlock();
      ResumeThread(hThread);
      return TRUE;
    }
  }
  m_nState = SRV_IDLE;
  ReleaseThreadHandle();
  m_dwThreadId = kNoThreadId;
  Unlock();
  return FALSE;
}

BOOL CQJ_SrvThread::Stop() {
  WaitSettled();
  Lock();
  switch (m_nState.load()) {
    case SRV_STOPPED:
    case SRV_ABORTED:
      break;
    case SRV_IDLE:
      m_nState = SRV_STOPPED;
      break;
    default:
      m_nState = SRV_STOP_REQUESTED;
      break;
  }
  Unlock();
  return TRUE;
}

BOOL CQJ_SrvThread::Pause() {
  if (!CanPause()) return FALSE;
  WaitSettled();
  Lock();
  BOOL bResult = FALSE;
  const SrvState s = m_nState;
  if (s == SRV_PAUSED) {
    bResult = TRUE;
  } else if (s == SRV_RUNNING) {
    m_nState = SRV_PAUSE_REQUESTED;
    bResult = TRUE;
  }
  Unlock();
  return bResult;
}

BOOL CQJ_SrvThread::Resume() {
  if (!CanPause()) return FALSE;
  WaitSettled();
  Lock();
  BOOL bResult = FALSE;
  const SrvState s = m_nState;
  if (s == SRV_RUNNING) {
    bResult = TRUE;
  } else if (s == SRV_PAUSED) {
    m_nState = SRV_RESUME_REQUESTED;
    bResult = TRUE;
  }
  Unlock();
  return bResult;
}

DWORD CQJ_SrvThread::GetThreadId() { return m_dwThreadId; }

SrvState CQJ_SrvThread::GetState() { return m_nState; }

void* CQJ_SrvThread::PopQueued() { return RemoveQueued(); }

DWORD CQJ_SrvThread::GetQueuedCount() { return 0; }

DWORD CQJ_SrvThread::GetClientCount() { return 0; }

CQJ_SrvThread* CQJ_SrvThread::GetClient(DWORD dwIndex) {
  (void)dwIndex;
  return NULL;
}

void CQJ_SrvThread::Lock() { EnterCriticalSection(&m_cs); }

void CQJ_SrvThread::Unlock() { LeaveCriticalSection(&m_cs); }

BOOL CQJ_SrvThread::OnStart() { return TRUE; }

BOOL CQJ_SrvThread::RunStep() { return TRUE; }

BOOL CQJ_SrvThread::IdleStep() { return TRUE; }

BOOL CQJ_SrvThread::OnPause() { return TRUE; }

BOOL CQJ_SrvThread::OnResume() { return TRUE; }

BOOL CQJ_SrvThread::OnError() { return TRUE; }

void CQJ_SrvThread::ReapClients() {}

void CQJ_SrvThread::WaitSettled() {
  for (;;) {
    SrvState s = m_nState;
    switch (s) {
      case SRV_STARTING:
        continue;
      case SRV_STOP_REQUESTED:
      case SRV_PAUSE_REQUESTED:
      case SRV_RESUME_REQUESTED:
      case SRV_FAILED: {
        // Nobody is left to serve the request when there is no worker, or
        // when it has already ended (a server operation may fail after its
        // worker stopped). Only the state read here is replaced, so an end
        // state that the worker stores meanwhile is kept.
        HANDLE hThread = m_hThread;
        if (hThread == NULL || WaitForSingleObject(hThread, 0) == WAIT_OBJECT_0) {
          if (m_nState.compare_exchange_strong(s, SRV_STOPPED)) return;
        }
        continue;
      }
      default:
        return;
    }
  }
}

void CQJ_SrvThread::StopAndWait() {
  for (;;) {
    WaitSettled();
    Lock();
    const SrvState s = m_nState;
    Unlock();
    if (s == SRV_IDLE || s == SRV_STOPPED || s == SRV_ABORTED) return;
    Stop();
    Sleep(10);
  }
}

void* CQJ_SrvThread::RemoveQueued() { return NULL; }

BOOL CQJ_SrvThread::IsStopRequested() {
  Sleep(0);
  return m_nState == SRV_STOP_REQUESTED;
}

BOOL CQJ_SrvThread::IsFailed() {
  Sleep(0);
  return m_nState == SRV_FAILED;
}

BOOL CQJ_SrvThread::IsPauseRequested() {
  Sleep(0);
  return m_nState == SRV_PAUSE_REQUESTED;
}

BOOL CQJ_SrvThread::IsResumeRequested() {
  Sleep(0);
  return m_nState == SRV_RESUME_REQUESTED;
}

DWORD WINAPI CQJ_SrvThread::ThreadProc(LPVOID pParam) {
  CQJ_SrvThread* pThis = static_cast<CQJ_SrvThread*>(pParam);
  if (pThis == NULL) return 0;

  SrvState nEnd = SRV_STOPPED;
  const SrvState s = pThis->GetState();
  if (s == SRV_STARTING) {
    pThis->Lock();
    pThis->m_nState = SRV_RUNNING;
    pThis->Unlock();
    for (;;) {
      if (pThis->IsStopRequested()) {
        nEnd = SRV_STOPPED;
        break;
      }
      if (pThis->IsFailed()) {
        pThis->OnError();
        nEnd = SRV_ABORTED;
        break;
      }
      SrvState sNow = pThis->m_nState;
      if (sNow == SRV_RUNNING) {
        if (!pThis->RunStep()) pThis->m_nState = SRV_FAILED;
      } else if (sNow == SRV_PAUSE_REQUESTED) {
        const BOOL bPaused = pThis->OnPause();
        pThis->Lock();
        if (pThis->m_nState == SRV_PAUSE_REQUESTED) pThis->m_nState = bPaused ? SRV_PAUSED : SRV_RUNNING;
        pThis->Unlock();
      } else if (sNow == SRV_RESUME_REQUESTED) {
        const BOOL bResumed = pThis->OnResume();
        pThis->Lock();
        if (pThis->m_nState == SRV_RESUME_REQUESTED) pThis->m_nState = bResumed ? SRV_RUNNING : SRV_PAUSED;
        pThis->Unlock();
      } else if (sNow == SRV_PAUSED) {
        // A stop request that arrived meanwhile is kept.
        if (!pThis->IdleStep()) pThis->m_nState.compare_exchange_strong(sNow, SRV_FAILED);
      }
      Sleep(0);
    }
  } else if (s == SRV_STOP_REQUESTED) {
    nEnd = SRV_ABORTED;
  }

  pThis->Lock();
  pThis->m_nState = nEnd;
  pThis->Unlock();
  return 0;
}

void CQJ_SrvThread::Shutdown() {
  StopAndWait();
  Lock();
  const DWORD n = m_Queue.nCount;
  for (DWORD i = 0; i < n; ++i) {
    // A queued entry would be a list node allocated with new.
    PtrListNode* pEntry = static_cast<PtrListNode*>(RemoveQueued());
    delete pEntry;
  }
  ReleaseThreadHandle();
  Unlock();
  DeleteCriticalSection(&m_cs);
}

void CQJ_SrvThread::ReleaseThreadHandle() {
  HANDLE hThread = m_hThread.exchange(NULL);
  if (hThread == NULL) return;
  WaitForSingleObject(hThread, INFINITE);
  CloseHandle(hThread);
}

CQJ_SrvClient::CQJ_SrvClient(DWORD dwParam, DWORD dwClientParam, CQJ_DayLog* pLog, CQJ_DayLog* pErrLog)
    : CQJ_SrvThread(pLog, pErrLog), m_dwClientParam(dwClientParam) {
  m_dwParam = dwParam;
}

CQJ_SrvClient::~CQJ_SrvClient() {
  // The worker is ended before this object's dynamic type changes under it;
  // the thread part's own Shutdown then finds nothing left to stop.
  StopAndWait();
  Cleanup();
}

BOOL CQJ_SrvClient::CanPause() { return FALSE; }

void CQJ_SrvClient::Cleanup() {}

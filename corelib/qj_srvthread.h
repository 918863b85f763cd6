// Service threads: an object that owns one worker thread, one recursive lock
// and a small state machine. The worker calls RunStep over and over until the
// object is asked to stop or the step fails.
#pragma once

#include <atomic>

#include "platform/win32.h"
#include "qj_object.h"
#include "ptrlist.h"

enum SrvState : LONG {
  SRV_IDLE = 0,              // constructed, or a start failed; no worker
  SRV_STARTING = 1,          // Start created the worker; it has not taken over yet
  SRV_RUNNING = 2,           // the worker calls RunStep in its loop
  SRV_STOP_REQUESTED = 3,    // Stop asked the worker to end
  SRV_STOPPED = 4,           // the worker ended normally, or Stop found an idle object
  SRV_PAUSE_REQUESTED = 5,   // Pause asked for a pause
  SRV_PAUSED = 6,            // paused
  SRV_RESUME_REQUESTED = 7,  // Resume asked to continue
  SRV_FAILED = 8,            // RunStep returned FALSE, or a server operation failed
  SRV_ABORTED = 9,           // ended after an error, or found a stop request at its start
};
static_assert(sizeof(SrvState) == 4, "SrvState is a 32-bit value");

// Threads: one or more controlling threads create, start and delete the
// object; the worker runs ThreadProc. StopAndWait, Shutdown and the destructor
// must never run on the worker (they would wait for themselves).
//
// A derived class whose RunStep uses its own members calls StopAndWait at the
// start of its own destructor: this destructor, which joins the worker, runs
// only after the derived parts are gone.
class CQJ_SrvThread : public CQJ_Object {
 public:
  // pLog, pErrLog: the normal and the error log; held, never used, not owned.
  CQJ_SrvThread(CQJ_DayLog* pLog, CQJ_DayLog* pErrLog);
  // Shutdown: stops and joins the worker, closes its handle, deletes the lock.
  ~CQJ_SrvThread() override;

  // The virtual operations below keep this declaration order (their slot
  // order after the destructor, AddRef and Release of CQJ_Object).

  // Creates and resumes the worker. FALSE when the object is neither idle nor
  // stopped (running, or ended in SRV_ABORTED), when OnStart refuses or when
  // no thread can be created (then SRV_IDLE, no handle, thread id -1).
  virtual BOOL Start();
  // Asks the worker to end; an idle object becomes SRV_STOPPED, a stopped or
  // aborted one stays as it is. Always TRUE.
  virtual BOOL Stop();
  // Asks a running worker to pause. FALSE at once when CanPause is FALSE.
  virtual BOOL Pause();
  // Asks a paused worker to continue. FALSE at once when CanPause is FALSE.
  virtual BOOL Resume();
  // Id of the worker thread; 0xFFFFFFFF when there is none.
  virtual DWORD GetThreadId();
  virtual SrvState GetState();
  virtual BOOL CanPause() = 0;
  // The queue has no producer: PopQueued returns NULL, the count is 0.
  virtual void* PopQueued();
  virtual DWORD GetQueuedCount();
  virtual DWORD GetClientCount();
  virtual CQJ_SrvThread* GetClient(DWORD dwIndex);
  // The object's critical section; the thread holding it may take it again.
  virtual void Lock();
  virtual void Unlock();
  // Called by Start under the lock before the worker is created; FALSE
  // refuses the start.
  virtual BOOL OnStart();
  // One step of the worker, called without the lock; FALSE ends the worker
  // through OnError in SRV_ABORTED.
  virtual BOOL RunStep();
  // Called by the worker in place of RunStep while the object is paused.
  virtual BOOL IdleStep();
  // Called by the worker when it takes up a pause request; FALSE keeps it
  // running.
  virtual BOOL OnPause();
  // Called by the worker when it takes up a resume request; FALSE keeps it
  // paused.
  virtual BOOL OnResume();
  // Called once by the worker after a failed step, before it ends.
  virtual BOOL OnError();
  virtual void ReapClients();

  // Waits (spinning, without the lock) until the state is no longer a
  // transient one. A request or failure state with no live worker behind it
  // becomes SRV_STOPPED.
  void WaitSettled();
  // Requests the end and waits until the worker has stored its end state;
  // from then on the worker touches the object no more. May be called any
  // number of times.
  void StopAndWait();
  // The queue has no producer: always NULL, the queue is not touched.
  void* RemoveQueued();

  // Probes: each yields the processor with Sleep(0), then compares the state
  // without the lock.
  BOOL IsStopRequested();
  BOOL IsFailed();
  BOOL IsPauseRequested();
  BOOL IsResumeRequested();

  // The worker's start routine; pParam is the object. Returns 0.
  static DWORD WINAPI ThreadProc(LPVOID pParam);

 protected:
  // StopAndWait, join, close the handle, delete the lock. Called once, by the
  // destructor.
  void Shutdown();

  CQJ_DayLog* m_pErrLog;
  CQJ_DayLog* m_pLog;
  DWORD m_dwParam;
  PtrList m_Queue;
  // Read without the lock by WaitSettled: atomic loads and stores.
  std::atomic<HANDLE> m_hThread;
  CRITICAL_SECTION m_cs;
  DWORD m_dwThreadId;
  LONG m_nReserved;
  BYTE m_bReserved1;
  BYTE m_bReserved2;
  // Written without the lock by a failing step and by WaitSettled, read
  // without it by the worker and the probes: atomic loads and stores.
  std::atomic<SrvState> m_nState;

 private:
  // Joins and closes the handle of an ended worker (caller holds the lock).
  void ReleaseThreadHandle();
};
static_assert(sizeof(std::atomic<HANDLE>) == sizeof(HANDLE), "the thread handle keeps its size");
static_assert(sizeof(std::atomic<SrvState>) == 4, "the state keeps 32 bits");

// The branch from which a playback server derives. Pausing is not offered.
class CQJ_SrvClient : public CQJ_SrvThread {
 public:
  // dwParam goes to m_dwParam, dwClientParam to m_dwClientParam; neither is
  // read.
  CQJ_SrvClient(DWORD dwParam, DWORD dwClientParam, CQJ_DayLog* pLog, CQJ_DayLog* pErrLog);
  ~CQJ_SrvClient() override;

  BOOL CanPause() override;

 protected:
  // Releases what the client holds before the thread part goes; nothing.
  void Cleanup();

  DWORD m_dwClientParam;
};

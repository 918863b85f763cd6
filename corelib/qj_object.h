// Reference-counted base of the class library, and the day-log object.
#pragma once

#include "platform/win32.h"

// Base of every library class. The count starts at 0; owners in this system
// delete their objects directly through the virtual destructor and never call
// AddRef or Release, which remain for callers that want counted lifetime.
class CQJ_Object {
 public:
  CQJ_Object();
  virtual ~CQJ_Object();

  // Interlocked increment; returns the new count. Safe from any thread.
  virtual LONG AddRef();
  // Interlocked decrement; at 0 the object deletes itself. Returns the new
  // count (0 after the deletion, when the object no longer exists).
  virtual LONG Release();

  CQJ_Object(const CQJ_Object&) = delete;
  CQJ_Object& operator=(const CQJ_Object&) = delete;

 protected:
  volatile LONG m_lRefCount;
};

// Day-log object handed to every service thread. It records nothing: it keeps
// no state, creates no folder or file and writes nothing.
class CQJ_DayLog : public CQJ_Object {
 public:
  // pszFolder names the log folder; it is neither stored nor used.
  explicit CQJ_DayLog(const char* pszFolder);
  ~CQJ_DayLog() override;

  // dwLevel: severity (0 information, 1 warning, 2 error); pszSource: the
  // reporting component; pszText: the message. Both texts may be NULL.
  // Returns at once without any effect.
  virtual void WriteLog(DWORD dwLevel, const char* pszSource, const char* pszText);
};

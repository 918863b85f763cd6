#include "qj_object.h"

CQJ_Object::CQJ_Object() : m_lRefCount(0) {}

CQJ_Object::~CQJ_Object() {}

LONG CQJ_Object::AddRef() { return InterlockedIncrement(&m_lRefCount); }

LONG CQJ_Object::Release() {
  const LONG lCount = InterlockedDecrement(&m_lRefCount);
  if (lCount == 0) delete this;
  return lCount;
}

CQJ_DayLog::CQJ_DayLog(const char* pszFolder) { (void)pszFolder; }

CQJ_DayLog::~CQJ_DayLog() {}

void CQJ_DayLog::WriteLog(DWORD dwLevel, const char* pszSource, const char* pszText) {
  (void)dwLevel;
  (void)pszSource;
  (void)pszText;
}

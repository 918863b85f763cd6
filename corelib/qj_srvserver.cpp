#include "qj_srvserver.h"

#include <new>

CQJ_SrvServer::CQJ_SrvServer(CQJ_DayLog* pLog, CQJ_DayLog* pErrLog) : CQJ_SrvThread(pLog, pErrLog), m_ClientList() {
  PtrList::Init(&m_ClientList);
}

CQJ_SrvServer::~CQJ_SrvServer() {
  DeleteAllClients();
  // The server's own worker ends before this object's dynamic type changes
  // under it; the thread part's Shutdown then only joins it.
  StopAndWait();
}

BOOL CQJ_SrvServer::CanPause() { return FALSE; }

DWORD CQJ_SrvServer::GetClientCount() {
  Lock();
  const DWORD n = m_ClientList.nCount;
  Unlock();
  return n;
}

void CQJ_SrvServer::AddClient(CQJ_SrvThread* pClient) {
  if (pClient == NULL) return;
  PtrListDataNode* pNode = new (std::nothrow) PtrListDataNode();
  if (pNode == NULL) {
    Lock();
    m_nState = SRV_FAILED;
    Unlock();
    return;
  }
  pNode->pPrev = NULL;
  pNode->pNext = NULL;
  pNode->pData = pClient;
  Lock();
  PtrList::AddTail(&m_ClientList, pNode);
  Unlock();
}

CQJ_SrvThread* CQJ_SrvServer::GetClient(DWORD dwIndex) {
  CQJ_SrvThread* pClient = NULL;
  Lock();
  if (dwIndex < m_ClientList.nCount) {
    PtrListNode* pNode = m_ClientList.pHead;
    for (DWORD i = 0; i < dwIndex; ++i) pNode = pNode->pNext;
    pClient = static_cast<CQJ_SrvThread*>(static_cast<PtrListDataNode*>(pNode)->pData);
  } else {
    m_nState = SRV_FAILED;
  }
  Unlock();
  return pClient;
}

CQJ_SrvThread* CQJ_SrvServer::PopClient() {
  Lock();
  PtrListNode* pNode = PtrList::RemoveHead(&m_ClientList);
  Unlock();
  if (pNode == NULL) return NULL;
  PtrListDataNode* pDataNode = static_cast<PtrListDataNode*>(pNode);
  CQJ_SrvThread* pClient = static_cast<CQJ_SrvThread*>(pDataNode->pData);
  delete pDataNode;
  return pClient;
}

void CQJ_SrvServer::DeleteAllClients() {
  Lock();
  const DWORD n = GetClientCount();
  for (DWORD i = 0; i < n; ++i) {
    CQJ_SrvThread* pClient = PopClient();
    delete pClient;
  }
  Unlock();
}

void CQJ_SrvServer::ReapClients() {
  const DWORD n = GetClientCount();
  for (DWORD i = 0; i < n; ++i) {
    CQJ_SrvThread* pClient = PopClient();
    if (pClient == NULL) return;
    const SrvState s = pClient->GetState();
    if (s == SRV_STOPPED || s == SRV_ABORTED) {
      delete pClient;
    } else {
      AddClient(pClient);
    }
  }
}

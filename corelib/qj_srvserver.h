// Service thread that keeps a list of client service threads and owns them.
#pragma once

#include "platform/win32.h"
#include "ptrlist.h"
#include "qj_srvthread.h"

// Every access to the client list is made under the server's lock. The
// server deletes clients while holding that lock, so a client's own step must
// never take its server's lock.
class CQJ_SrvServer : public CQJ_SrvThread {
 public:
  CQJ_SrvServer(CQJ_DayLog* pLog, CQJ_DayLog* pErrLog);
  // Deletes every client still in the list (each after its own worker has
  // ended), then stops and joins the server's own worker.
  ~CQJ_SrvServer() override;

  BOOL CanPause() override;
  DWORD GetClientCount() override;
  // The client at dwIndex counted from the head (0 is the oldest); an index
  // beyond the list gives NULL and sets SRV_FAILED.
  CQJ_SrvThread* GetClient(DWORD dwIndex) override;
  // Deletes every client whose state is SRV_STOPPED or SRV_ABORTED; the
  // others keep their order.
  void ReapClients() override;

  // Appends pClient at the tail; the server owns it from now on. NULL is
  // ignored. When no node can be allocated the client is not added and the
  // state becomes SRV_FAILED.
  void AddClient(CQJ_SrvThread* pClient);
  // Takes the oldest client off the list and hands it back to the caller;
  // NULL when the list is empty.
  CQJ_SrvThread* PopClient();
  // Deletes every client.
  void DeleteAllClients();

 protected:
  PtrList m_ClientList;  // PtrListDataNode entries; pData is a CQJ_SrvThread*
};

// The process's registry: the tree, the key handles, and the file below the
// machine root that separate processes share (internal to advapi32).
#pragma once

#include "platform/sim/registry.h"
#include "posix/advapi32/regtree.h"

#include <sys/types.h>

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace qjplat::reg {

// The current time as a FILETIME count (100 ns since 1601).
uint64_t NowFileTime();

// Every member except Get and Mutex requires Mutex() to be held.
//
// The file is the truth between processes: a mutation takes an exclusive
// flock on "registry.reg.lock", reloads the file if another process changed
// it, applies the change and replaces the file atomically before it unlocks.
// A read reloads when the file's inode, size or time, or the save counter
// kept in the lock file, differ from what this process last read or wrote.
class Store {
 public:
  static Store& Get();
  std::mutex& Mutex() { return m_mutex; }

  void SyncForRead();
  RegNode* Top() { return m_top.get(); }
  std::string FilePath() const;

  // Key handles. Resolve returns NULL with *pErr ERROR_INVALID_HANDLE for an
  // unknown handle and ERROR_KEY_DELETED for a key that left the tree.
  // ResolveFor also requires every right of `needed` to have been granted
  // to the handle (ERROR_ACCESS_DENIED otherwise); a predefined key holds
  // what the key's grant allows, as one opened for the maximum allowed.
  HKEY AddHandle(RegNode* pNode, REGSAM granted);
  LONG CloseHandle(HKEY hKey);
  RegNode* Resolve(HKEY hKey, LONG* pErr);
  RegNode* ResolveFor(HKEY hKey, REGSAM needed, LONG* pErr);
  static bool IsPredefined(HKEY hKey);

  // Keys that sim has set to refuse creation and opening (upper-case paths).
  std::set<std::string>& FailPaths() { return m_failPaths; }
  bool IsFailPath(const std::string& strPath) const;

  // What this process may do with a key, as its access-control list would
  // grant it: the grant that sim set on the key or on its nearest ancestor
  // (upper-case paths), KEY_ALL_ACCESS where none is set. strPath is a full
  // path ("HKEY_LOCAL_MACHINE\...") of a key that need not exist.
  std::map<std::string, REGSAM>& Grants() { return m_grants; }
  REGSAM AllowedAccess(const std::string& strPath) const;

  // The successful RegSetValueExA calls of this process, in call order (sim
  // reads and clears them). Bounded for long runs: the most recent
  // kMaxLoggedWrites writes holding at most kMaxLoggedBytes of value data
  // are kept (the newest one always), older ones are dropped first.
  static constexpr size_t kMaxLoggedWrites = 4096;
  static constexpr size_t kMaxLoggedBytes = size_t(4) << 20;
  void LogWrite(sim::RegistryWrite write);
  std::vector<sim::RegistryWrite> Writes() const { return {m_writes.begin(), m_writes.end()}; }
  void ClearWrites();

  // Drops everything and removes the file.
  void Reset();

  // One mutation: the mutex must already be held. Valid() is false (Error()
  // tells why) when the machine folder cannot be locked.
  class Writer {
   public:
    explicit Writer(Store& store);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    LONG Error() const { return m_lError; }
    void MarkChanged() { m_bChanged = true; }
    // Saves when something changed; the result of the save.
    LONG Commit();

   private:
    Store& m_store;
    LONG m_lError = ERROR_SUCCESS;
    bool m_bLocked = false;
    bool m_bChanged = false;
  };

 private:
  struct FileSig {
    bool bExists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long llMtimeNs = 0;
    unsigned long long ullCounter = 0;
    bool operator==(const FileSig& o) const {
      return bExists == o.bExists && dev == o.dev && ino == o.ino && size == o.size && llMtimeNs == o.llMtimeNs &&
             ullCounter == o.ullCounter;
    }
  };

  Store();
  void FollowMachineRoot();
  bool OpenLockFile(bool bCreate);
  unsigned long long ReadCounter();
  FileSig CurrentSig();
  bool Load();  // false when the file exists but cannot be read
  // Removes "registry.reg.tmp.<pid>" files that processes which no longer
  // exist left behind when they were killed during a save.
  void RemoveStaleTempFiles();
  void Replace(std::shared_ptr<RegNode> newTop);
  LONG Save();
  void KeepCorruptFile();

  std::mutex m_mutex;
  std::shared_ptr<RegNode> m_top;
  std::map<uintptr_t, std::shared_ptr<RegNode>> m_handles;
  std::map<uintptr_t, REGSAM> m_handleAccess;  // the rights granted to each handle
  uintptr_t m_nextHandle = 0x1000;
  std::set<std::string> m_failPaths;
  std::map<std::string, REGSAM> m_grants;
  std::deque<sim::RegistryWrite> m_writes;
  size_t m_cbLogged = 0;  // value data held by m_writes

  std::string m_strRoot;     // the machine root the tree belongs to
  bool m_bRootKnown = false;
  int m_fdLock = -1;         // "registry.reg.lock"; holds the save counter
  pid_t m_pidLock = 0;       // the process that opened m_fdLock (fork check)
  FileSig m_sig;             // the file as last read or written
  bool m_bSigValid = false;
  bool m_bFileCorrupt = false;  // the file read last could not be read in full
};

}  // namespace qjplat::reg

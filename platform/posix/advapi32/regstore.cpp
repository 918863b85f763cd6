// The registry store: handles, cross-process file lock, reload and atomic save.
#include "posix/advapi32/regstore.h"

#include "posix/internal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qjplat::reg {

namespace {

const char kLogPrefix[] = "qjplat registry: ";

// 100 ns units between 1601-01-01 and 1970-01-01.
constexpr uint64_t kFileTimeEpoch = 116444736000000000ull;

uint64_t ToFileTime(const timespec& ts) {
  return kFileTimeEpoch + static_cast<uint64_t>(ts.tv_sec) * 10000000ull + static_cast<uint64_t>(ts.tv_nsec) / 100;
}

void StampTree(RegNode* pTop, uint64_t ft) {
  std::vector<RegNode*> pending{pTop};
  while (!pending.empty()) {
    RegNode* pNode = pending.back();
    pending.pop_back();
    pNode->ftLastWrite = ft;
    for (auto& c : pNode->children) pending.push_back(c.get());
  }
}

bool MakeDirs(const std::string& path) {
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    partial = path.substr(0, pos);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReadWholeFile(int fd, std::string* pText) {
  pText->clear();
  char buf[65536];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    pText->append(buf, static_cast<size_t>(n));
  }
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// A copy made byte for byte where the file system refuses a second link.
bool CopyFileExclusive(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  std::string text;
  const bool bRead = ReadWholeFile(in, &text);
  close(in);
  if (!bRead) return false;
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) return false;
  const bool bOk = WriteAll(out, text);
  return close(out) == 0 && bOk;
}

}  // namespace

uint64_t NowFileTime() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return ToFileTime(ts);
}

Store& Store::Get() {
  // Never destroyed: static destructors of other objects may still close keys.
  static Store* s_pStore = [] {
    Store* p = new Store;
    // Setting the machine root, even to the same folder, starts the registry
    // afresh from that machine's file, as a new process would.
    sim::OnMachineRootChanged([p] {
      std::lock_guard<std::mutex> lock(p->m_mutex);
      p->m_bRootKnown = false;
    });
    return p;
  }();
  return *s_pStore;
}

Store::Store() : m_top(NewTree()) {}

std::string Store::FilePath() const { return MachineRoot() + "/registry.reg"; }

bool Store::IsPredefined(HKEY hKey) {
  const uint64_t v = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(hKey));
  const uint64_t low = v & 0xFFFFFFFFull;
  const bool bRootBits = (v >> 32) == 0 || (v >> 32) == 0xFFFFFFFFull;
  return bRootBits && low >= 0x80000000ull && low <= 0x80000003ull;
}

HKEY Store::AddHandle(RegNode* pNode, REGSAM granted) {
  std::shared_ptr<RegNode> shared = pNode->pParent ? pNode->pParent->SharedChild(pNode) : m_top;
  const uintptr_t id = m_nextHandle;
  m_nextHandle += 4;
  m_handles[id] = std::move(shared);
  m_handleAccess[id] = granted;
  return reinterpret_cast<HKEY>(id);
}

LONG Store::CloseHandle(HKEY hKey) {
  if (IsPredefined(hKey)) return ERROR_SUCCESS;
  auto it = m_handles.find(reinterpret_cast<uintptr_t>(hKey));
  if (it == m_handles.end()) return ERROR_INVALID_HANDLE;
  m_handles.erase(it);
  m_handleAccess.erase(reinterpret_cast<uintptr_t>(hKey));
  return ERROR_SUCCESS;
}

RegNode* Store::ResolveFor(HKEY hKey, REGSAM needed, LONG* pErr) {
  RegNode* pNode = Resolve(hKey, pErr);
  if (!pNode) return nullptr;
  REGSAM granted = 0;
  if (IsPredefined(hKey)) {
    granted = AllowedAccess(pNode->Path());
  } else {
    auto it = m_handleAccess.find(reinterpret_cast<uintptr_t>(hKey));
    if (it != m_handleAccess.end()) granted = it->second;
  }
  if ((needed & ~granted) != 0) {
    *pErr = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  return pNode;
}

REGSAM Store::AllowedAccess(const std::string& strPath) const {
  if (m_grants.empty()) return KEY_ALL_ACCESS;
  std::string path = UpperName(strPath);
  for (;;) {
    auto it = m_grants.find(path);
    if (it != m_grants.end()) return it->second;
    const size_t cut = path.rfind('\\');
    if (cut == std::string::npos) return KEY_ALL_ACCESS;
    path.resize(cut);
  }
}

RegNode* Store::Resolve(HKEY hKey, LONG* pErr) {
  if (IsPredefined(hKey)) {
    RegNode* pNode = nullptr;
    switch (reinterpret_cast<uintptr_t>(hKey) & 0xFFFFFFFFu) {
      case 0x80000000u:
        pNode = FindPath(m_top.get(), "HKEY_CLASSES_ROOT");
        break;
      case 0x80000001u:
        pNode = m_top->FindChild("HKEY_CURRENT_USER");
        break;
      case 0x80000002u:
        pNode = m_top->FindChild("HKEY_LOCAL_MACHINE");
        break;
      default:
        pNode = m_top->FindChild("HKEY_USERS");
        break;
    }
    // The skeleton is always there; should it ever be missing, no call may
    // succeed without a key.
    if (!pNode) *pErr = ERROR_FILE_NOT_FOUND;
    return pNode;
  }
  auto it = m_handles.find(reinterpret_cast<uintptr_t>(hKey));
  if (it == m_handles.end()) {
    *pErr = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  if (it->second->bDeleted) {
    *pErr = ERROR_KEY_DELETED;
    return nullptr;
  }
  return it->second.get();
}

void Store::LogWrite(sim::RegistryWrite write) {
  m_cbLogged += write.data.size();
  m_writes.push_back(std::move(write));
  while (m_writes.size() > 1 && (m_writes.size() > kMaxLoggedWrites || m_cbLogged > kMaxLoggedBytes)) {
    m_cbLogged -= m_writes.front().data.size();
    m_writes.pop_front();
  }
}

void Store::ClearWrites() {
  m_writes.clear();
  m_cbLogged = 0;
}

bool Store::IsFailPath(const std::string& strPath) const {
  return !m_failPaths.empty() && m_failPaths.count(UpperName(strPath)) != 0;
}

// ---------------------------------------------------------------------------
// Following the file

void Store::FollowMachineRoot() {
  std::string root = MachineRoot();
  if (m_bRootKnown && root == m_strRoot) return;
  m_bRootKnown = true;
  m_bSigValid = false;  // read the file again, whatever it looks like
  if (root == m_strRoot) return;
  // Another machine: what this process held belongs to the old one.
  if (m_fdLock >= 0) close(m_fdLock);
  m_fdLock = -1;
  m_strRoot = std::move(root);
  m_bFileCorrupt = false;
  Replace(NewTree());
}

bool Store::OpenLockFile(bool bCreate) {
  if (m_fdLock >= 0 && m_pidLock == getpid()) return true;
  // A forked child shares the parent's open file description, and with it
  // the flock: it needs a description of its own.
  if (m_fdLock >= 0) close(m_fdLock);
  m_fdLock = -1;
  if (bCreate && !MakeDirs(m_strRoot)) return false;
  const std::string path = FilePath() + ".lock";
  m_fdLock = open(path.c_str(), O_RDWR | O_CLOEXEC | (bCreate ? O_CREAT : 0), 0666);
  if (m_fdLock < 0) return false;
  m_pidLock = getpid();
  return true;
}

unsigned long long Store::ReadCounter() {
  if (!OpenLockFile(false)) return 0;
  unsigned long long v = 0;
  if (pread(m_fdLock, &v, sizeof v, 0) != static_cast<ssize_t>(sizeof v)) return 0;
  return v;
}

Store::FileSig Store::CurrentSig() {
  FileSig sig;
  sig.ullCounter = ReadCounter();
  struct stat st {};
  if (stat(FilePath().c_str(), &st) == 0) {
    sig.bExists = true;
    sig.dev = st.st_dev;
    sig.ino = st.st_ino;
    sig.size = st.st_size;
    sig.llMtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000ll + st.st_mtim.tv_nsec;
  }
  return sig;
}

void Store::SyncForRead() {
  FollowMachineRoot();
  if (m_bSigValid && CurrentSig() == m_sig) return;
  Load();
}

void Store::RemoveStaleTempFiles() {
  DIR* pDir = opendir(m_strRoot.c_str());
  if (!pDir) return;
  const std::string prefix = "registry.reg.tmp.";
  while (const dirent* pEntry = readdir(pDir)) {
    const std::string name = pEntry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string digits = name.substr(prefix.size());
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(digits));
    // A save in progress in a live process is left alone; so is a file of a
    // process that cannot be asked (EPERM: it exists).
    if (pid <= 0 || kill(pid, 0) == 0 || errno != ESRCH) continue;
    const std::string stale = m_strRoot + "/" + name;
    if (unlink(stale.c_str()) == 0)
      std::fprintf(stderr, "%s%s: removed, left by process %d which no longer exists\n", kLogPrefix, stale.c_str(),
                   int(pid));
  }
  closedir(pDir);
}

bool Store::Load() {
  RemoveStaleTempFiles();
  const std::string path = FilePath();
  FileSig sig;
  sig.ullCounter = ReadCounter();
  auto top = std::make_shared<RegNode>();
  bool bCorrupt = false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    struct stat st {};
    std::string text;
    const bool bRead = fstat(fd, &st) == 0 && ReadWholeFile(fd, &text);
    close(fd);
    if (!bRead) {
      std::fprintf(stderr, "%s%s: cannot be read (%s); the registry is left as it was\n", kLogPrefix, path.c_str(),
                   std::strerror(errno));
      return false;
    }
    sig.bExists = true;
    sig.dev = st.st_dev;
    sig.ino = st.st_ino;
    sig.size = st.st_size;
    sig.llMtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000ll + st.st_mtim.tv_nsec;
    std::vector<RegParseIssue> issues;
    ParseRegText(text, top.get(), &issues);
    for (const RegParseIssue& issue : issues)
      std::fprintf(stderr, "%s%s:%d: %s\n", kLogPrefix, path.c_str(), issue.nLine, issue.strWhat.c_str());
    if (!issues.empty()) {
      std::fprintf(stderr,
                   "%s%s: %zu line(s) could not be read and are left out; the rest is used, and the file "
                   "is kept under another name before it is next written\n",
                   kLogPrefix, path.c_str(), issues.size());
      bCorrupt = true;
    }
    StampTree(top.get(), ToFileTime(st.st_mtim));
  } else if (errno != ENOENT) {
    std::fprintf(stderr, "%s%s: cannot be opened (%s); the registry is left as it was\n", kLogPrefix, path.c_str(),
                 std::strerror(errno));
    return false;
  }
  EnsureSkeleton(top.get());
  Replace(std::move(top));
  m_sig = sig;
  m_bSigValid = true;
  m_bFileCorrupt = bCorrupt;
  return true;
}

void Store::Replace(std::shared_ptr<RegNode> newTop) {
  // Open handles follow their keys by path into the new tree; a handle whose
  // key is gone keeps its old node, which DetachTree marks deleted.
  for (auto& entry : m_handles) {
    std::shared_ptr<RegNode>& node = entry.second;
    if (node->bDeleted || !node->pParent) continue;
    RegNode* pNew = FindPath(newTop.get(), node->Path());
    if (pNew && pNew->pParent) node = pNew->pParent->SharedChild(pNew);
  }
  DetachTree(m_top.get());
  m_top = std::move(newTop);
}

void Store::KeepCorruptFile() {
  const std::string path = FilePath();
  for (int n = 0; n < 1000; ++n) {
    std::string keep = path + ".corrupt";
    if (n > 0) keep += "." + std::to_string(n);
    const bool bKept = link(path.c_str(), keep.c_str()) == 0 ||
                       (errno != EEXIST && errno != ENOENT && CopyFileExclusive(path, keep));
    if (bKept) {
      std::fprintf(stderr, "%s%s: the file that could not be read in full is kept as %s\n", kLogPrefix,
                   path.c_str(), keep.c_str());
      m_bFileCorrupt = false;
      return;
    }
    if (errno == ENOENT) {  // already replaced or removed by someone else
      m_bFileCorrupt = false;
      return;
    }
    if (errno != EEXIST) break;
  }
  std::fprintf(stderr, "%s%s: could not keep a copy of the unreadable file (%s)\n", kLogPrefix, path.c_str(),
               std::strerror(errno));
}

LONG Store::Save() {
  const std::string path = FilePath();
  if (m_bFileCorrupt) {
    KeepCorruptFile();
    if (m_bFileCorrupt) return ERROR_CANTWRITE;  // never overwrite what could not be kept
  }
  const std::string text = FormatRegFile(*m_top);
  const std::string tmp = path + ".tmp." + std::to_string(getpid());
  const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  bool bOk = fd >= 0;
  if (bOk) bOk = WriteAll(fd, text);
  if (fd >= 0 && close(fd) != 0) bOk = false;
  if (bOk) bOk = rename(tmp.c_str(), path.c_str()) == 0;
  if (!bOk) {
    std::fprintf(stderr, "%s%s: cannot be written (%s); the change is dropped\n", kLogPrefix, path.c_str(),
                 std::strerror(errno));
    unlink(tmp.c_str());
    m_bSigValid = false;  // the next call reloads what the file holds
    return ERROR_CANTWRITE;
  }
  const unsigned long long counter = ReadCounter() + 1;
  if (pwrite(m_fdLock, &counter, sizeof counter, 0) != static_cast<ssize_t>(sizeof counter)) m_bSigValid = false;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    m_sig.bExists = true;
    m_sig.dev = st.st_dev;
    m_sig.ino = st.st_ino;
    m_sig.size = st.st_size;
    m_sig.llMtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000ll + st.st_mtim.tv_nsec;
    m_sig.ullCounter = counter;
  } else {
    m_bSigValid = false;
  }
  return ERROR_SUCCESS;
}

void Store::Reset() {
  ClearWrites();
  FollowMachineRoot();
  const bool bLocked = OpenLockFile(true) && flock(m_fdLock, LOCK_EX) == 0;
  const std::string path = FilePath();
  unlink(path.c_str());
  if (bLocked) {
    const unsigned long long counter = ReadCounter() + 1;
    if (pwrite(m_fdLock, &counter, sizeof counter, 0) != static_cast<ssize_t>(sizeof counter)) {
      // The stat of the missing file still tells other processes.
    }
    m_sig = FileSig();
    m_sig.ullCounter = counter;
    m_bSigValid = true;
    flock(m_fdLock, LOCK_UN);
  } else {
    m_bSigValid = false;
  }
  m_bFileCorrupt = false;
  Replace(NewTree());
}

// ---------------------------------------------------------------------------
// Writer

Store::Writer::Writer(Store& store) : m_store(store) {
  m_store.FollowMachineRoot();
  if (!m_store.OpenLockFile(true)) {
    std::fprintf(stderr, "%s%s.lock: cannot be created (%s)\n", kLogPrefix, m_store.FilePath().c_str(),
                 std::strerror(errno));
    m_lError = ERROR_CANTWRITE;
    return;
  }
  while (flock(m_store.m_fdLock, LOCK_EX) != 0) {
    if (errno != EINTR) {
      m_lError = ERROR_CANTWRITE;
      return;
    }
  }
  m_bLocked = true;
  // A file that exists but cannot be read is never written over.
  if (!(m_store.m_bSigValid && m_store.CurrentSig() == m_store.m_sig) && !m_store.Load()) m_lError = ERROR_CANTREAD;
}

Store::Writer::~Writer() {
  if (m_bLocked) flock(m_store.m_fdLock, LOCK_UN);
}

LONG Store::Writer::Commit() {
  if (m_lError != ERROR_SUCCESS || !m_bChanged) return m_lError;
  m_bChanged = false;
  return m_store.Save();
}

}  // namespace qjplat::reg

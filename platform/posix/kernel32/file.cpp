// Files and folders on the mapped drives, device paths through the device
// opener, and the system folder names.
#include "posix/internal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <list>
#include <mutex>

namespace {

// The specific rights of a file's data and of its deletion.
constexpr DWORD kFileReadData = 0x0001u;
constexpr DWORD kFileWriteData = 0x0002u;
constexpr DWORD kFileAppendData = 0x0004u;
constexpr DWORD kDelete = 0x00010000u;
constexpr DWORD kErrorNegativeSeek = 131;
constexpr DWORD kErrorDirectory = 267;

using qjplat::AccessReadsData;
using qjplat::AccessWritesData;

// Open files of this process with their access and share modes, so that an
// open that conflicts with another fails with ERROR_SHARING_VIOLATION.
struct OpenEntry {
  dev_t dev;
  ino_t ino;
  DWORD dwAccess;
  DWORD dwShare;
};

struct ShareTable {
  std::mutex mutex;
  std::list<OpenEntry> entries;
};

ShareTable& Shares() {
  static ShareTable* table = new ShareTable;
  return *table;
}

bool Conflicts(const OpenEntry& existing, DWORD dwAccess, DWORD dwShare) {
  return qjplat::ShareModesClash(existing.dwAccess, existing.dwShare, dwAccess, dwShare);
}

class FileObject : public qjplat::KernelObject {
 public:
  FileObject(int fd, DWORD dwAccess, std::list<OpenEntry>::iterator entry)
      : m_fd(fd), m_dwAccess(dwAccess), m_entry(entry) {}
  ~FileObject() override {
    close(m_fd);
    ShareTable& table = Shares();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.entries.erase(m_entry);
  }

  int Fd() const { return m_fd; }
  DWORD Access() const { return m_dwAccess; }

  // A file handle is always signalled.
  DWORD Wait(DWORD) override { return WAIT_OBJECT_0; }

  BOOL Read(void* pBuffer, DWORD cbToRead, DWORD* pcbRead) override {
    if (pcbRead) *pcbRead = 0;
    if (!AccessReadsData(m_dwAccess)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    struct stat st;
    bool bRegular = fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode);
    DWORD cbDone = 0;
    while (cbDone < cbToRead) {
      ssize_t n = read(m_fd, static_cast<char*>(pBuffer) + cbDone, cbToRead - cbDone);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        if (pcbRead) *pcbRead = cbDone;
        SetLastError(errno == EFAULT ? ERROR_INVALID_USER_BUFFER : ERROR_READ_FAULT);
        return FALSE;
      }
      cbDone += static_cast<DWORD>(n);
      // A pipe or device delivers what it has; only a file is read to the end.
      if (n == 0 || !bRegular) break;
    }
    if (pcbRead) *pcbRead = cbDone;
    return TRUE;
  }

  BOOL Write(const void* pBuffer, DWORD cbToWrite, DWORD* pcbWritten) override {
    if (pcbWritten) *pcbWritten = 0;
    if (!AccessWritesData(m_dwAccess)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    DWORD cbDone = 0;
    int err = 0;
    // A pipe whose reader has gone reports EPIPE; the signal is kept from
    // ending the process.
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &block, &old);
    while (cbDone < cbToWrite) {
      ssize_t n = write(m_fd, static_cast<const char*>(pBuffer) + cbDone, cbToWrite - cbDone);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        err = n < 0 ? errno : ENOSPC;
        break;
      }
      cbDone += static_cast<DWORD>(n);
    }
    if (err == EPIPE) {
      sigset_t pending;
      sigpending(&pending);
      if (sigismember(&pending, SIGPIPE)) {
        struct timespec zero = {0, 0};
        sigtimedwait(&block, nullptr, &zero);
      }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (pcbWritten) *pcbWritten = cbDone;
    if (err != 0) {
      SetLastError(err == EFAULT ? ERROR_INVALID_USER_BUFFER : qjplat::ErrorFromErrno(err, std::string()));
      return FALSE;
    }
    return TRUE;
  }

 private:
  std::mutex m_mutex;  // keeps each read or write whole against other threads
  const int m_fd;
  const DWORD m_dwAccess;
  std::list<OpenEntry>::iterator m_entry;
};

bool IsDevicePath(const char* p) {
  auto sep = [](char ch) { return ch == '\\' || ch == '/'; };
  return sep(p[0]) && sep(p[1]) && (p[2] == '?' || p[2] == '.') && sep(p[3]);
}

HANDLE OpenDevice(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode) {
  qjplat::DeviceOpener opener = qjplat::GetDeviceOpener();
  DWORD dwError = 0;
  std::shared_ptr<qjplat::KernelObject> object;
  if (opener) object = opener(lpFileName, dwDesiredAccess, dwShareMode, &dwError);
  if (!object) {
    SetLastError(dwError ? dwError : ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  return qjplat::AddHandle(object);
}

// Maps the path or sets the error of a file call that cannot reach it.
bool MapOrFail(LPCSTR lpFileName, std::string* pPath) {
  DWORD dwError = 0;
  if (!lpFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!qjplat::MapWindowsPathOrError(lpFileName, pPath, &dwError)) {
    SetLastError(dwError);
    return false;
  }
  return true;
}

std::shared_ptr<FileObject> FileOf(HANDLE hFile) {
  auto file = qjplat::LookupHandleAs<FileObject>(hFile);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

// Copies text into the caller's buffer as the folder calls do: the length
// without the terminator when it fits, else the size needed with it.
UINT CopyFolderName(const char* pszText, LPSTR lpBuffer, UINT uSize) {
  UINT cch = static_cast<UINT>(std::strlen(pszText));
  if (!lpBuffer || uSize <= cch) return cch + 1;
  std::memcpy(lpBuffer, pszText, cch + 1);
  return cch;
}

}  // namespace

namespace qjplat {

bool AccessReadsData(DWORD dwAccess) { return (dwAccess & (GENERIC_READ | GENERIC_ALL | kFileReadData)) != 0; }

bool AccessWritesData(DWORD dwAccess) {
  return (dwAccess & (GENERIC_WRITE | GENERIC_ALL | kFileWriteData | kFileAppendData)) != 0;
}

// Each side must share what the other side's access asks for: reading,
// writing (appending counts) and deleting.
bool ShareModesClash(DWORD dwHeldAccess, DWORD dwHeldShareMode, DWORD dwAccess, DWORD dwShareMode) {
  auto clashes = [](DWORD dwWants, DWORD dwShared) {
    if (AccessReadsData(dwWants) && !(dwShared & FILE_SHARE_READ)) return true;
    if (AccessWritesData(dwWants) && !(dwShared & FILE_SHARE_WRITE)) return true;
    return (dwWants & kDelete) != 0 && !(dwShared & FILE_SHARE_DELETE);
  };
  return clashes(dwAccess, dwHeldShareMode) || clashes(dwHeldAccess, dwShareMode);
}

}  // namespace qjplat

// Dispositions and results as on Windows: CREATE_ALWAYS and OPEN_ALWAYS on an
// existing file succeed with ERROR_ALREADY_EXISTS; CREATE_NEW on one fails
// with ERROR_FILE_EXISTS; a missing file gives ERROR_FILE_NOT_FOUND, a missing
// folder ERROR_PATH_NOT_FOUND, a folder ERROR_ACCESS_DENIED, a conflicting
// open ERROR_SHARING_VIOLATION. "\\?\" and "\\.\" paths open devices.
QJ_PLATFORM_API HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                          LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                                          DWORD dwFlagsAndAttributes, HANDLE) {
  if (!lpFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (IsDevicePath(lpFileName)) return OpenDevice(lpFileName, dwDesiredAccess, dwShareMode);
  if (dwCreationDisposition == TRUNCATE_EXISTING && !AccessWritesData(dwDesiredAccess)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string path;
  if (!MapOrFail(lpFileName, &path)) return INVALID_HANDLE_VALUE;

  int flags = O_CLOEXEC | O_NONBLOCK;
  if (AccessReadsData(dwDesiredAccess) && AccessWritesData(dwDesiredAccess))
    flags |= O_RDWR;
  else if (AccessWritesData(dwDesiredAccess))
    flags |= O_WRONLY;
  else
    flags |= O_RDONLY;
  mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;

  int fd = -1;
  bool bExisted = false;
  switch (dwCreationDisposition) {
    case CREATE_NEW:
      fd = open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
      break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
      fd = open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
      if (fd < 0 && errno == EEXIST) {
        bExisted = true;
        fd = open(path.c_str(), flags);
      }
      break;
    default:  // OPEN_EXISTING, TRUNCATE_EXISTING
      fd = open(path.c_str(), flags);
      bExisted = true;
      break;
  }
  if (fd < 0) {
    SetLastError(qjplat::ErrorFromErrno(errno, path));
    return INVALID_HANDLE_VALUE;
  }
  // Non-blocking only for the open itself: a FIFO without a reader fails
  // instead of hanging; reads and writes block as on a file.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);

  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  std::list<OpenEntry>::iterator entry;
  {
    ShareTable& table = Shares();
    std::lock_guard<std::mutex> lock(table.mutex);
    for (const OpenEntry& existing : table.entries) {
      if (existing.dev == st.st_dev && existing.ino == st.st_ino &&
          Conflicts(existing, dwDesiredAccess, dwShareMode)) {
        close(fd);
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
      }
    }
    entry = table.entries.insert(table.entries.end(), OpenEntry{st.st_dev, st.st_ino, dwDesiredAccess, dwShareMode});
  }
  auto file = std::make_shared<FileObject>(fd, dwDesiredAccess, entry);
  bool bTruncate = dwCreationDisposition == TRUNCATE_EXISTING || (dwCreationDisposition == CREATE_ALWAYS && bExisted);
  if (bTruncate && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) {
    SetLastError(qjplat::ErrorFromErrno(errno, path));
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = qjplat::AddHandle(file);
  bool bReportsExisting = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
  SetLastError(bReportsExisting && bExisted ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

// Reads synchronously; TRUE with 0 bytes at the end of a file.
QJ_PLATFORM_API BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED) {
  auto object = qjplat::LookupHandle(hFile);
  if (!object) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!lpBuffer && nNumberOfBytesToRead > 0) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  return object->Read(lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead);
}

// Writes synchronously; a full disk fails with ERROR_DISK_FULL after the
// bytes that fitted.
QJ_PLATFORM_API BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED) {
  auto object = qjplat::LookupHandle(hFile);
  if (!object) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!lpBuffer && nNumberOfBytesToWrite > 0) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  return object->Write(lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten);
}

// Low 32 bits of the size (high ones in *lpFileSizeHigh); INVALID_FILE_SIZE
// with the error on failure, NO_ERROR set on success.
QJ_PLATFORM_API DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  auto file = FileOf(hFile);
  if (!file) return INVALID_FILE_SIZE;
  struct stat st;
  if (fstat(file->Fd(), &st) != 0) {
    SetLastError(qjplat::ErrorFromErrno(errno, std::string()));
    return INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(st.st_size);
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

// Moves the file pointer by a signed 32-bit distance, or a 64-bit one when
// lpDistanceToMoveHigh is given (it receives the new high part). Returns the
// new low part; INVALID_SET_FILE_POINTER with ERROR_NEGATIVE_SEEK before the
// start. NO_ERROR is set on success.
QJ_PLATFORM_API DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                            DWORD dwMoveMethod) {
  auto file = FileOf(hFile);
  if (!file) return INVALID_SET_FILE_POINTER;
  int64_t distance = lpDistanceToMoveHigh
                         ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                                static_cast<uint32_t>(lDistanceToMove))
                         : static_cast<int64_t>(lDistanceToMove);
  int whence = dwMoveMethod == FILE_BEGIN ? SEEK_SET : dwMoveMethod == FILE_CURRENT ? SEEK_CUR
             : dwMoveMethod == FILE_END   ? SEEK_END
                                          : -1;
  if (whence < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  off_t base = 0;
  if (whence == SEEK_CUR) base = lseek(file->Fd(), 0, SEEK_CUR);
  if (whence == SEEK_END) {
    struct stat st;
    base = fstat(file->Fd(), &st) == 0 ? st.st_size : 0;
  }
  if (base < 0 || static_cast<int64_t>(base) + distance < 0) {
    SetLastError(kErrorNegativeSeek);
    return INVALID_SET_FILE_POINTER;
  }
  off_t result = lseek(file->Fd(), static_cast<off_t>(base + distance), SEEK_SET);
  if (result < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  uint64_t position = static_cast<uint64_t>(result);
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(position >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(position);
}

// Cuts or extends the file at the current file pointer.
QJ_PLATFORM_API BOOL WINAPI SetEndOfFile(HANDLE hFile) {
  auto file = FileOf(hFile);
  if (!file) return FALSE;
  if (!AccessWritesData(file->Access())) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  off_t position = lseek(file->Fd(), 0, SEEK_CUR);
  if (position < 0 || ftruncate(file->Fd(), position) != 0) {
    SetLastError(qjplat::ErrorFromErrno(errno, std::string()));
    return FALSE;
  }
  return TRUE;
}

QJ_PLATFORM_API BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
  auto file = FileOf(hFile);
  if (!file) return FALSE;
  if (!AccessWritesData(file->Access())) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (fsync(file->Fd()) != 0 && errno != EINVAL && errno != EROFS) {
    SetLastError(qjplat::ErrorFromErrno(errno, std::string()));
    return FALSE;
  }
  return TRUE;
}

// A folder gives ERROR_ACCESS_DENIED; a file open without FILE_SHARE_DELETE
// gives ERROR_SHARING_VIOLATION.
QJ_PLATFORM_API BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  std::string path;
  if (!MapOrFail(lpFileName, &path)) return FALSE;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) {
    SetLastError(qjplat::ErrorFromErrno(errno, path));
    return FALSE;
  }
  if (S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  ShareTable& table = Shares();
  std::lock_guard<std::mutex> lock(table.mutex);
  for (const OpenEntry& existing : table.entries) {
    if (existing.dev == st.st_dev && existing.ino == st.st_ino && !(existing.dwShare & FILE_SHARE_DELETE)) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
  }
  if (unlink(path.c_str()) != 0) {
    SetLastError(qjplat::ErrorFromErrno(errno, path));
    return FALSE;
  }
  return TRUE;
}

// An existing file or folder gives ERROR_ALREADY_EXISTS, a missing parent
// ERROR_PATH_NOT_FOUND.
QJ_PLATFORM_API BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  std::string path;
  if (!MapOrFail(lpPathName, &path)) return FALSE;
  if (mkdir(path.c_str(), 0777) != 0) {
    int err = errno;
    SetLastError(err == EEXIST ? ERROR_ALREADY_EXISTS : err == ENOENT ? ERROR_PATH_NOT_FOUND
                                                                      : qjplat::ErrorFromErrno(err, path));
    return FALSE;
  }
  return TRUE;
}

// A folder that is not empty gives ERROR_DIR_NOT_EMPTY, a file
// ERROR_DIRECTORY.
QJ_PLATFORM_API BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
  std::string path;
  if (!MapOrFail(lpPathName, &path)) return FALSE;
  if (rmdir(path.c_str()) != 0) {
    int err = errno;
    SetLastError(err == ENOTDIR ? kErrorDirectory : err == EEXIST ? ERROR_DIR_NOT_EMPTY
                                                                  : qjplat::ErrorFromErrno(err, path));
    return FALSE;
  }
  return TRUE;
}

// FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_ARCHIVE for a file,
// with FILE_ATTRIBUTE_READONLY where the owner may not write;
// INVALID_FILE_ATTRIBUTES with the error for a missing one.
QJ_PLATFORM_API DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  std::string path;
  if (!MapOrFail(lpFileName, &path)) return INVALID_FILE_ATTRIBUTES;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    SetLastError(qjplat::ErrorFromErrno(errno, path));
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD dwAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!(st.st_mode & S_IWUSR)) dwAttributes |= FILE_ATTRIBUTE_READONLY;
  return dwAttributes;
}

QJ_PLATFORM_API UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
  return CopyFolderName("C:\\windows\\system32", lpBuffer, uSize);
}

QJ_PLATFORM_API UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  return CopyFolderName("C:\\windows", lpBuffer, uSize);
}

// The temporary folder with its trailing backslash.
QJ_PLATFORM_API DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
  return CopyFolderName("C:\\windows\\temp\\", lpBuffer, nBufferLength);
}

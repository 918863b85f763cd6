// Handle table, device-path opener, Windows path mapping and errno mapping.
#include "posix/internal.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace qjplat {

DWORD KernelObject::Wait(DWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

BOOL KernelObject::Read(void*, DWORD, DWORD* pcbRead) {
  if (pcbRead) *pcbRead = 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

BOOL KernelObject::Write(const void*, DWORD, DWORD* pcbWritten) {
  if (pcbWritten) *pcbWritten = 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
  // Handle values are multiples of 4 as on Windows and are not reused, so a
  // stale handle fails instead of reaching a newer object.
  uintptr_t next = 0x40;
};

HandleTable& Handles() {
  static HandleTable* table = new HandleTable;  // outlives static destructors
  return *table;
}

struct OpenerSlot {
  std::mutex mutex;
  DeviceOpener opener;
};

OpenerSlot& Opener() {
  static OpenerSlot* slot = new OpenerSlot;
  return *slot;
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
  if (!object) return nullptr;
  HandleTable& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  uintptr_t value = table.next;
  table.next += 4;
  table.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  HandleTable& table = Handles();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == table.objects.end()) return nullptr;
  return it->second;
}

// Removes the table's reference; the object is destroyed outside the lock.
bool RemoveHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> object;
  {
    HandleTable& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == table.objects.end()) return false;
    object = std::move(it->second);
    table.objects.erase(it);
  }
  return true;
}

void SetDeviceOpener(DeviceOpener opener) {
  OpenerSlot& slot = Opener();
  std::lock_guard<std::mutex> lock(slot.mutex);
  slot.opener = std::move(opener);
}

DeviceOpener GetDeviceOpener() {
  OpenerSlot& slot = Opener();
  std::lock_guard<std::mutex> lock(slot.mutex);
  return slot.opener;
}

namespace {

bool IsSeparator(char ch) { return ch == '\\' || ch == '/'; }

// ANSI (Windows-1252) bytes of a path component as UTF-8, the encoding of
// Linux file names.
std::string AnsiToUtf8(const std::string& text) {
  std::string out;
  for (unsigned char ch : text) {
    if (ch < 0x80) {
      out += static_cast<char>(ch);
      continue;
    }
    unsigned cp = CodePage1252ToUnicode(ch);
    if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// UTF-8 to ANSI; characters outside Windows-1252 become '?'.
std::string Utf8ToAnsi(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    unsigned char ch = static_cast<unsigned char>(text[i]);
    if (ch < 0x80) {
      out += static_cast<char>(ch);
      ++i;
      continue;
    }
    int extra = ch >= 0xF0 ? 3 : ch >= 0xE0 ? 2 : ch >= 0xC0 ? 1 : 0;
    unsigned cp = ch & (0x3F >> extra);
    size_t j = i + 1;
    for (int k = 0; k < extra && j < text.size(); ++k, ++j) cp = (cp << 6) | (text[j] & 0x3F);
    i = j;
    int ansi = (extra > 0 && cp <= 0xFFFF) ? CodePage1252FromUnicode(static_cast<WCHAR>(cp)) : -1;
    out += ansi < 0 ? '?' : static_cast<char>(ansi);
  }
  return out;
}

// The entry of folder dir named like component, compared without case when
// no entry has the exact name; the given name when none matches.
std::string ResolveComponent(const std::string& dir, const std::string& component) {
  std::string candidate = dir == "/" ? "/" + component : dir + "/" + component;
  struct stat st;
  if (lstat(candidate.c_str(), &st) == 0) return component;
  DIR* pDir = opendir(dir.c_str());
  if (!pDir) return component;
  std::string found = component;
  while (dirent* entry = readdir(pDir)) {
    if (strcasecmp(entry->d_name, component.c_str()) == 0) {
      found = entry->d_name;
      break;
    }
  }
  closedir(pDir);
  return found;
}

// Joins the components below base, resolving each one without case.
std::string BuildPath(const std::string& base, const std::vector<std::string>& components) {
  std::string path = base;
  for (const std::string& component : components) {
    std::string name = ResolveComponent(path, component);
    path = path == "/" ? "/" + name : path + "/" + name;
  }
  return path;
}

// Splits a path into components, dropping empty ones and "." and applying
// ".." lexically; ".." never climbs above the start.
std::vector<std::string> SplitComponents(const char* psz) {
  std::vector<std::string> components;
  std::string current;
  auto flush = [&]() {
    if (current.empty() || current == ".") {
    } else if (current == "..") {
      if (!components.empty()) components.pop_back();
    } else {
      components.push_back(AnsiToUtf8(current));
    }
    current.clear();
  };
  for (const char* p = psz; *p; ++p) {
    if (IsSeparator(*p))
      flush();
    else
      current += *p;
  }
  flush();
  return components;
}

}  // namespace

bool MapWindowsPathOrError(const char* pszWindowsPath, std::string* pLinuxPath, DWORD* pdwError) {
  DWORD dwDummy = 0;
  if (!pdwError) pdwError = &dwDummy;
  if (!pszWindowsPath || !pLinuxPath) {
    *pdwError = ERROR_INVALID_PARAMETER;
    return false;
  }
  const char* p = pszWindowsPath;
  if (!*p) {
    *pdwError = ERROR_PATH_NOT_FOUND;
    return false;
  }
  if (IsSeparator(p[0]) && IsSeparator(p[1]) && (p[2] == '?' || p[2] == '.') && IsSeparator(p[3])) {
    *pdwError = ERROR_FILE_NOT_FOUND;  // device namespace: only the device opener serves it
    return false;
  }
  if (IsSeparator(p[0]) && IsSeparator(p[1])) {
    *pdwError = ERROR_BAD_PATHNAME;  // network shares do not exist here
    return false;
  }
  bool bHasDrive = ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':';
  if (bHasDrive) {
    char drive = static_cast<char>(p[0] | 0x20);
    std::vector<std::string> components = SplitComponents(p + 2);
    if (drive == 'c') {
      *pLinuxPath = BuildPath(MachineRoot() + "/drive_c", components);
      return true;
    }
    if (drive == 'z') {
      *pLinuxPath = BuildPath("/", components);
      return true;
    }
    *pdwError = ERROR_PATH_NOT_FOUND;
    return false;
  }
  if (IsSeparator(p[0])) {
    // Root of the current drive, which is Z: for a process started on Linux.
    *pLinuxPath = BuildPath("/", SplitComponents(p));
    return true;
  }
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) {
    *pdwError = ERROR_PATH_NOT_FOUND;
    return false;
  }
  std::vector<std::string> components = SplitComponents(cwd);
  for (std::string& component : SplitComponents(p)) components.push_back(component);
  *pLinuxPath = BuildPath("/", components);
  return true;
}

bool MapWindowsPath(const char* pszWindowsPath, std::string* pLinuxPath) {
  DWORD dwError = 0;
  return MapWindowsPathOrError(pszWindowsPath, pLinuxPath, &dwError);
}

std::string LinuxToWindowsPath(const std::string& linuxPath) {
  std::string absolute = linuxPath;
  if (absolute.empty() || absolute[0] != '/') {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) absolute = std::string(cwd) + "/" + absolute;
  }
  std::string out = "Z:";
  for (char ch : Utf8ToAnsi(absolute)) out += ch == '/' ? '\\' : ch;
  if (out == "Z:") out += '\\';
  return out;
}

DWORD ErrorFromErrno(int err, const std::string& linuxPath) {
  switch (err) {
    case ENOENT: {
      std::string::size_type slash = linuxPath.find_last_of('/');
      std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : linuxPath.substr(0, slash);
      struct stat st;
      if (stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
      return ERROR_FILE_NOT_FOUND;
    }
    case ENOTDIR:
    case ELOOP:
      return ERROR_PATH_NOT_FOUND;
    case ENAMETOOLONG:
      return 206;  // ERROR_FILENAME_EXCED_RANGE
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case EPIPE:
      return 232;  // ERROR_NO_DATA: the reading end is closed
    case EIO:
      return ERROR_WRITE_FAULT;
    case ENXIO:
    case ENODEV:
      return ERROR_DEVICE_NOT_CONNECTED;
    default:
      return ERROR_INVALID_FUNCTION;
  }
}

}  // namespace qjplat

// Modules: shared objects loaded with dlopen, with DllMain called on the
// first load and the last unload, and their Windows file names.
#include "posix/internal.h"

#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr DWORD kErrorBadExeFormat = 193;
constexpr DWORD kErrorDllInitFailed = 1114;

typedef BOOL(WINAPI* DllMainProc)(HINSTANCE, DWORD, LPVOID);

struct Module {
  void* pvHandle;    // from dlopen
  std::string path;  // Linux path as loaded
  DWORD dwRefs;
};

// The loaded modules by handle. The lock is held across DllMain, as Windows
// holds its loader lock, and may be taken again from inside DllMain.
struct ModuleTable {
  std::recursive_mutex mutex;
  std::map<HMODULE, Module> byHandle;
};

ModuleTable& Modules() {
  static ModuleTable* table = new ModuleTable;
  return *table;
}

HMODULE ToHandle(void* pvHandle) { return reinterpret_cast<HMODULE>(pvHandle); }

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ExecutablePath() {
  char szPath[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", szPath, sizeof szPath - 1);
  if (n <= 0) return std::string();
  return std::string(szPath, static_cast<size_t>(n));
}

std::string FolderOf(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  std::string::size_type slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A bare name is searched in the executable's folder, the system folder and
// the current folder; a path is mapped. With no file under the name, a
// ".dll" name also tries ".so".
std::string FindModuleFile(const char* pszName) {
  std::string name = pszName;
  std::vector<std::string> candidates;
  if (name.find_first_of("\\/") == std::string::npos) {
    std::string system;
    qjplat::MapWindowsPath(("C:\\windows\\system32\\" + name).c_str(), &system);
    candidates = {FolderOf(ExecutablePath()) + "/" + name, system, "./" + name};
  } else {
    std::string mapped;
    if (qjplat::MapWindowsPath(pszName, &mapped)) candidates.push_back(mapped);
  }
  std::vector<std::string> withSo;
  for (const std::string& candidate : candidates) {
    if (candidate.size() > 4 && strcasecmp(candidate.c_str() + candidate.size() - 4, ".dll") == 0)
      withSo.push_back(candidate.substr(0, candidate.size() - 4) + ".so");
  }
  candidates.insert(candidates.end(), withSo.begin(), withSo.end());
  for (const std::string& candidate : candidates)
    if (FileExists(candidate)) return candidate;
  return std::string();
}

DllMainProc DllMainOf(void* pvHandle) {
  return reinterpret_cast<DllMainProc>(dlsym(pvHandle, "DllMain"));
}

// The executable's own handle (GetModuleHandleA(NULL)).
void* MainHandle() {
  static void* pvMain = dlopen(nullptr, RTLD_NOW);
  return pvMain;
}

// The Linux path of the object that contains the address, empty if none.
std::string PathOfAddress(const void* pv) {
  Dl_info info;
  link_map* pMap = nullptr;
  if (!pv || !dladdr1(pv, &info, reinterpret_cast<void**>(&pMap), RTLD_DL_LINKMAP) || !pMap) return std::string();
  link_map* pMainMap = nullptr;
  if (dlinfo(MainHandle(), RTLD_DI_LINKMAP, &pMainMap) == 0 && pMap == pMainMap) return ExecutablePath();
  if (!pMap->l_name || !*pMap->l_name) return ExecutablePath();
  return pMap->l_name;
}

}  // namespace

namespace qjplat {

std::string ModuleLinuxPath(HMODULE hModule) {
  if (!hModule || hModule == ToHandle(MainHandle())) return ExecutablePath();
  {
    ModuleTable& table = Modules();
    std::lock_guard<std::recursive_mutex> lock(table.mutex);
    auto it = table.byHandle.find(hModule);
    if (it != table.byHandle.end()) return it->second.path;
  }
  return PathOfAddress(hModule);
}

}  // namespace qjplat

// Loads the module (a shared object) or adds a reference to it. DllMain runs
// with DLL_PROCESS_ATTACH on the first load; when it returns FALSE the module
// is unloaded and the call fails with ERROR_DLL_INIT_FAILED. A missing file
// gives ERROR_MOD_NOT_FOUND, one that is not a shared object
// ERROR_BAD_EXE_FORMAT.
QJ_PLATFORM_API HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
  if (!lpLibFileName || !*lpLibFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string path = FindModuleFile(lpLibFileName);
  if (path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ModuleTable& table = Modules();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  void* pvHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!pvHandle) {
    SetLastError(kErrorBadExeFormat);
    return nullptr;
  }
  HMODULE hModule = ToHandle(pvHandle);
  auto it = table.byHandle.find(hModule);
  if (it != table.byHandle.end()) {
    dlclose(pvHandle);  // the table holds one dlopen reference per module
    ++it->second.dwRefs;
    return hModule;
  }
  table.byHandle[hModule] = Module{pvHandle, path, 1};
  if (DllMainProc pfnDllMain = DllMainOf(pvHandle)) {
    if (!pfnDllMain(reinterpret_cast<HINSTANCE>(hModule), DLL_PROCESS_ATTACH, nullptr)) {
      pfnDllMain(reinterpret_cast<HINSTANCE>(hModule), DLL_PROCESS_DETACH, nullptr);
      table.byHandle.erase(hModule);
      dlclose(pvHandle);
      SetLastError(kErrorDllInitFailed);
      return nullptr;
    }
  }
  return hModule;
}

// Drops one reference; the last one runs DllMain with DLL_PROCESS_DETACH and
// unloads the module. FALSE with ERROR_INVALID_HANDLE for a handle that
// LoadLibraryA did not return.
QJ_PLATFORM_API BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  ModuleTable& table = Modules();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  auto it = table.byHandle.find(hLibModule);
  if (it == table.byHandle.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (--it->second.dwRefs > 0) return TRUE;
  void* pvHandle = it->second.pvHandle;
  if (DllMainProc pfnDllMain = DllMainOf(pvHandle))
    pfnDllMain(reinterpret_cast<HINSTANCE>(hLibModule), DLL_PROCESS_DETACH, nullptr);
  table.byHandle.erase(hLibModule);
  dlclose(pvHandle);
  return TRUE;
}

// Exports by name; ordinals are not served (ERROR_PROC_NOT_FOUND), neither
// are unknown names.
QJ_PLATFORM_API FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  if (!lpProcName || IS_INTRESOURCE(lpProcName)) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* pvHandle = nullptr;
  {
    ModuleTable& table = Modules();
    std::lock_guard<std::recursive_mutex> lock(table.mutex);
    auto it = table.byHandle.find(hModule);
    if (it != table.byHandle.end()) pvHandle = it->second.pvHandle;
  }
  if (!hModule || hModule == ToHandle(MainHandle())) pvHandle = MainHandle();
  if (!pvHandle) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  void* pv = dlsym(pvHandle, lpProcName);
  if (!pv) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(pv);
}

// The Windows form ("Z:\...") of the module's file, NULL naming the
// executable. A short buffer receives nSize - 1 characters and the
// terminator; the result is then nSize with ERROR_INSUFFICIENT_BUFFER.
QJ_PLATFORM_API DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  std::string linuxPath = qjplat::ModuleLinuxPath(hModule);
  if (linuxPath.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  std::string path = qjplat::LinuxToWindowsPath(linuxPath);
  if (!lpFilename || nSize == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= nSize) {
    std::memcpy(lpFilename, path.data(), nSize - 1);
    lpFilename[nSize - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  std::memcpy(lpFilename, path.c_str(), path.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

// NULL gives the executable's handle; a name matches a loaded module's file
// name without case, with or without its extension. Adds no reference.
QJ_PLATFORM_API HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  if (!lpModuleName) return ToHandle(MainHandle());
  std::string wanted = BaseName(lpModuleName);
  ModuleTable& table = Modules();
  std::lock_guard<std::recursive_mutex> lock(table.mutex);
  for (const auto& entry : table.byHandle) {
    std::string name = BaseName(entry.second.path);
    std::string stem = name.substr(0, name.find_last_of('.'));
    std::string wantedStem = wanted.substr(0, wanted.find_last_of('.'));
    if (strcasecmp(name.c_str(), wanted.c_str()) == 0 || strcasecmp(stem.c_str(), wanted.c_str()) == 0 ||
        strcasecmp(stem.c_str(), wantedStem.c_str()) == 0)
      return entry.first;
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

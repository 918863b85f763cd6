// The simulated machine's registry: controls for tests and host tools.
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

#ifndef QJ_SIM_API
#define QJ_SIM_API __attribute__((visibility("default")))
#endif

namespace sim {

// Empties the registry of this machine and removes its file. Open key
// handles other than the predefined keys then fail with ERROR_KEY_DELETED.
QJ_SIM_API void ResetRegistry();

// The file the registry persists to: <machine root>/registry.reg.
QJ_SIM_API std::string RegistryFilePath();

// While set, creating or opening exactly the key root\path (RegCreateKeyA,
// RegCreateKeyExA, RegOpenKeyA, RegOpenKeyExA) fails with
// ERROR_ACCESS_DENIED. Keys below it can still be created; the key itself
// is then made as their parent. Held by this process only.
QJ_SIM_API void FailKeyCreation(HKEY root, const char* path, bool fail);

// Grants this process only `access` (KEY_* rights) on the key root\path and
// on every key below it that has no grant of its own, as an access-control
// list would: KEY_READ on HKEY_LOCAL_MACHINE is the machine as a user who is
// not an administrator sees it. The key need not exist. Opening asks the
// grant for the rights requested (RegOpenKeyA and RegCreateKeyA ask for the
// maximum allowed), creating a key needs KEY_CREATE_SUB_KEY on its parent,
// deleting needs DELETE; each value call then needs its right on the handle.
// Refusals are ERROR_ACCESS_DENIED. Held by this process only.
QJ_SIM_API void SetKeyAccess(HKEY root, const char* path, REGSAM access);

// Ends every FailKeyCreation and SetKeyAccess.
QJ_SIM_API void ClearRegistryFailures();

// One successful RegSetValueExA: the key's full path
// ("HKEY_LOCAL_MACHINE\\..."), the value name ("" for the default value),
// its type and data.
struct RegistryWrite {
  std::string strKey;
  std::string strName;
  DWORD dwType;
  std::vector<BYTE> data;
};

// The value writes of this process since the registry was reset or the log
// cleared, in call order: a test sees every intermediate write, not only
// the value left at the end. Writes of unchanged data count too. The log is
// bounded for long runs: it keeps the most recent 4096 writes and at most
// 4 MiB of their data (always the newest write), dropping the oldest first.
QJ_SIM_API std::vector<RegistryWrite> RegistryWrites();
QJ_SIM_API void ClearRegistryWrites();

// The key keyPath ("HKEY_LOCAL_MACHINE\\System\\...", HKLM, HKCU, HKCR and
// HKU also accepted) and everything below it as .reg text, as the Windows
// registry editor exports it; "" when the key does not exist.
QJ_SIM_API std::string ExportRegistry(const char* keyPath);

// Merges .reg text (as ExportRegistry writes it, or the Windows registry
// editor) into the registry, as importing the file on Windows would, and
// saves it. False when the registry cannot be written or a line cannot be
// read; *pstrIssues (may be NULL) then lists the lines, one "line N: what"
// each. The readable lines are merged either way.
QJ_SIM_API bool ImportRegistry(const std::string& text, std::string* pstrIssues);

}  // namespace sim

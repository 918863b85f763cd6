// Controls of the simulated machine's registry.
#include "platform/sim/registry.h"

#include "posix/advapi32/regstore.h"

#include <mutex>
#include <string>
#include <vector>

using qjplat::reg::RegNode;
using qjplat::reg::Store;

namespace sim {

namespace {

// The length of "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes", the home of HKEY_CLASSES_ROOT.
constexpr size_t kClassesPathLength = sizeof("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes") - 1;

// "A\\B\\" as "A\B": no empty names.
std::string NormalPath(const char* pszPath) {
  std::string out;
  std::string part;
  for (const char* p = pszPath ? pszPath : ""; ; ++p) {
    if (*p == '\\' || *p == '\0') {
      if (!part.empty()) {
        if (!out.empty()) out += '\\';
        out += part;
        part.clear();
      }
      if (*p == '\0') break;
    } else {
      part += *p;
    }
  }
  return out;
}

}  // namespace

void ResetRegistry() {
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Mutex());
  store.Reset();
}

std::string RegistryFilePath() {
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Mutex());
  return store.FilePath();
}

// The upper-case full path of root\path; "" when root is no key. The
// store's mutex must be held.
std::string FullUpperPath(Store& store, HKEY root, const char* path) {
  store.SyncForRead();
  LONG lErr = ERROR_SUCCESS;
  const RegNode* pRoot = store.Resolve(root, &lErr);
  if (!pRoot) return std::string();
  std::string full = pRoot->Path();
  const std::string rest = NormalPath(path);
  if (!rest.empty()) full += '\\' + rest;
  return qjplat::reg::UpperName(full);
}

void FailKeyCreation(HKEY root, const char* path, bool fail) {
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Mutex());
  const std::string full = FullUpperPath(store, root, path);
  if (full.empty()) return;
  if (fail) {
    store.FailPaths().insert(full);
  } else {
    store.FailPaths().erase(full);
  }
}

void SetKeyAccess(HKEY root, const char* path, REGSAM access) {
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Mutex());
  const std::string full = FullUpperPath(store, root, path);
  if (!full.empty()) store.Grants()[full] = access & KEY_ALL_ACCESS;
}

void ClearRegistryFailures() {
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Mutex());
  store.FailPaths().clear();
  store.Grants().clear();
}

std::vector<RegistryWrite> RegistryWrites() {
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Mutex());
  return store.Writes();
}

void ClearRegistryWrites() {
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Mutex());
  store.ClearWrites();
}

bool ImportRegistry(const std::string& text, std::string* pstrIssues) {
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Mutex());
  Store::Writer writer(store);
  if (writer.Error() != ERROR_SUCCESS) {
    if (pstrIssues) *pstrIssues = "the registry file cannot be written (error " + std::to_string(writer.Error()) + ")";
    return false;
  }
  std::vector<qjplat::reg::RegParseIssue> issues;
  qjplat::reg::ParseRegText(text, store.Top(), &issues);
  qjplat::reg::EnsureSkeleton(store.Top());  // as on load, whatever the text did
  writer.MarkChanged();
  const LONG lResult = writer.Commit();
  if (pstrIssues) {
    pstrIssues->clear();
    for (const qjplat::reg::RegParseIssue& issue : issues)
      *pstrIssues += "line " + std::to_string(issue.nLine) + ": " + issue.strWhat + "\n";
    if (lResult != ERROR_SUCCESS) *pstrIssues += "the registry file cannot be written (error " + std::to_string(lResult) + ")\n";
  }
  return issues.empty() && lResult == ERROR_SUCCESS;
}

std::string ExportRegistry(const char* keyPath) {
  const std::string path = NormalPath(keyPath);
  if (path.empty()) return std::string();
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Mutex());
  store.SyncForRead();
  const RegNode* pKey = qjplat::reg::FindPath(store.Top(), path);
  if (!pKey) return std::string();
  std::string display = pKey->Path();
  const std::string hive = path.substr(0, path.find('\\'));
  if (qjplat::reg::NamesEqual(hive, "HKEY_CLASSES_ROOT") || qjplat::reg::NamesEqual(hive, "HKCR"))
    display = "HKEY_CLASSES_ROOT" + display.substr(kClassesPathLength);
  return qjplat::reg::FormatRegExport(*pKey, display);
}

}  // namespace sim

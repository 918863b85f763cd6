// The test program's RegSetValueExA: the engine's calls bind to this
// definition at link time; it notes each "CurrentValue" write and forwards
// the call to the layer's function, the next definition in load order.
#include "registry_write_log.h"

#include <dlfcn.h>

#include <cstring>

#include "settings.h"

namespace {

std::vector<inputtest::Bytes>& Writes() {
  static std::vector<inputtest::Bytes> writes;
  return writes;
}

using RegSetValueExAProc = LSTATUS(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);

RegSetValueExAProc LayerRegSetValueExA() {
  static const RegSetValueExAProc pfn = reinterpret_cast<RegSetValueExAProc>(dlsym(RTLD_NEXT, "RegSetValueExA"));
  return pfn;
}

}  // namespace

extern "C" LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                                         const BYTE* lpData, DWORD cbData) {
  if (lpValueName != nullptr && std::strcmp(lpValueName, SETTINGS_VALUE_NAME) == 0 && lpData != nullptr)
    Writes().emplace_back(lpData, lpData + cbData);
  const RegSetValueExAProc pfn = LayerRegSetValueExA();
  if (pfn == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
  return pfn(hKey, lpValueName, Reserved, dwType, lpData, cbData);
}

namespace inputtest {

std::vector<Bytes> RecordWrites() { return Writes(); }
void ClearRecordWrites() { Writes().clear(); }

}  // namespace inputtest

// advapi32: the registry calls. Names of keys and values compare without
// case and keep the case they were created with; HKEY_CLASSES_ROOT is the
// view of HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
#include "posix/advapi32/regstore.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

using qjplat::reg::IsHiveRoot;
using qjplat::reg::IsProtectedKey;
using qjplat::reg::NowFileTime;
using qjplat::reg::RegNode;
using qjplat::reg::RegValue;
using qjplat::reg::Store;

namespace {

using Lock = std::lock_guard<std::mutex>;

// Splits a subkey path into its names. A path may not start with a
// backslash; doubled and trailing backslashes are ignored.
LONG SplitSubKey(LPCSTR pszSubKey, std::vector<std::string_view>* pParts) {
  pParts->clear();
  if (!pszSubKey || !*pszSubKey) return ERROR_SUCCESS;
  if (pszSubKey[0] == '\\') return ERROR_BAD_PATHNAME;
  std::string_view path(pszSubKey);
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) pParts->push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

std::string_view ValueName(LPCSTR pszName) { return pszName ? std::string_view(pszName) : std::string_view(); }

void PutFileTime(uint64_t ft, PFILETIME pft) {
  if (!pft) return;
  pft->dwLowDateTime = static_cast<DWORD>(ft);
  pft->dwHighDateTime = static_cast<DWORD>(ft >> 32);
}

// The key rights that samDesired asks for: the generic rights mapped as
// Windows maps them for keys; MAXIMUM_ALLOWED, the WOW64 view flags and bits
// that are no key right ask for nothing.
REGSAM RequestedRights(REGSAM samDesired) {
  REGSAM requested = samDesired & KEY_ALL_ACCESS;
  if (samDesired & GENERIC_READ) requested |= KEY_READ;
  if (samDesired & GENERIC_WRITE) requested |= KEY_WRITE;
  if (samDesired & GENERIC_EXECUTE) requested |= KEY_EXECUTE;
  if (samDesired & GENERIC_ALL) requested |= KEY_ALL_ACCESS;
  return requested;
}

// The access check of an open: every requested right must be allowed; with
// MAXIMUM_ALLOWED the handle gets all that is allowed, and nothing allowed
// at all refuses it. False: ERROR_ACCESS_DENIED.
bool GrantAccess(REGSAM samDesired, REGSAM allowed, REGSAM* pGranted) {
  const REGSAM requested = RequestedRights(samDesired);
  if ((requested & ~allowed) != 0) return false;
  if ((samDesired & MAXIMUM_ALLOWED) != 0) {
    if (allowed == 0) return false;
    *pGranted = allowed;
    return true;
  }
  *pGranted = requested;
  return true;
}

// Creating each missing key of parts[i..] below pNode needs KEY_CREATE_SUB_KEY
// on its parent's grant (not on the handle the caller holds).
bool MayCreateBelow(const Store& store, const RegNode* pNode, const std::vector<std::string_view>& parts, size_t i) {
  if (IsHiveRoot(pNode)) return false;
  std::string parent = pNode->Path();
  for (; i < parts.size(); ++i) {
    if ((store.AllowedAccess(parent) & KEY_CREATE_SUB_KEY) == 0) return false;
    parent += '\\';
    parent += parts[i];
  }
  return true;
}

LONG OpenOrCreate(HKEY hKey, LPCSTR lpSubKey, bool bCreate, REGSAM samDesired, PHKEY phkResult,
                  LPDWORD lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  std::vector<std::string_view> parts;
  LONG lErr = SplitSubKey(lpSubKey, &parts);
  if (lErr != ERROR_SUCCESS) return lErr;

  Store& store = Store::Get();
  Lock lock(store.Mutex());
  std::unique_ptr<Store::Writer> writer;
  if (bCreate) {
    writer = std::make_unique<Store::Writer>(store);
    if (writer->Error() != ERROR_SUCCESS) return writer->Error();
  } else {
    store.SyncForRead();
  }
  RegNode* pNode = store.Resolve(hKey, &lErr);
  if (!pNode) return lErr;

  size_t i = 0;
  for (; i < parts.size(); ++i) {
    RegNode* pChild = pNode->FindChild(parts[i]);
    if (!pChild) break;
    pNode = pChild;
  }
  DWORD dwDisposition = REG_OPENED_EXISTING_KEY;
  REGSAM granted = 0;
  if (i < parts.size()) {
    if (!bCreate) return ERROR_FILE_NOT_FOUND;
    if (qjplat::reg::KeyDepth(pNode) + (parts.size() - i) > qjplat::reg::kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
    std::string target = pNode->Path();
    for (size_t j = i; j < parts.size(); ++j) {
      target += '\\';
      target += parts[j];
    }
    if (store.IsFailPath(target)) return ERROR_ACCESS_DENIED;
    // Checked before anything is made, so a refusal leaves no key behind.
    if (!MayCreateBelow(store, pNode, parts, i)) return ERROR_ACCESS_DENIED;
    if (!GrantAccess(samDesired, store.AllowedAccess(target), &granted)) return ERROR_ACCESS_DENIED;
    const uint64_t ftNow = NowFileTime();
    pNode->ftLastWrite = ftNow;
    bool bCreated = false;
    for (; i < parts.size(); ++i) {
      pNode = pNode->AddChild(parts[i], &bCreated);
      pNode->ftLastWrite = ftNow;
    }
    writer->MarkChanged();
    lErr = writer->Commit();
    if (lErr != ERROR_SUCCESS) return lErr;
    dwDisposition = REG_CREATED_NEW_KEY;
  } else {
    const std::string path = pNode->Path();
    if (store.IsFailPath(path)) return ERROR_ACCESS_DENIED;
    if (!GrantAccess(samDesired, store.AllowedAccess(path), &granted)) return ERROR_ACCESS_DENIED;
  }
  *phkResult = store.AddHandle(pNode, granted);
  if (lpdwDisposition) *lpdwDisposition = dwDisposition;
  return ERROR_SUCCESS;
}

// RegOpenKeyA and RegCreateKeyA hand back the caller's own handle for an
// empty subkey, after checking that it is one.
LONG SameHandle(HKEY hKey, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  Store& store = Store::Get();
  Lock lock(store.Mutex());
  store.SyncForRead();
  LONG lErr = ERROR_SUCCESS;
  if (!store.Resolve(hKey, &lErr)) {
    *phkResult = nullptr;
    return lErr;
  }
  *phkResult = hKey;
  return ERROR_SUCCESS;
}

}  // namespace

// Creates or opens hKey\lpSubKey for the maximum access allowed; NULL or ""
// gives back hKey itself. ERROR_SUCCESS, ERROR_INVALID_HANDLE,
// ERROR_KEY_DELETED, ERROR_ACCESS_DENIED (a new key directly below
// HKEY_LOCAL_MACHINE or HKEY_USERS, no right to create it, or no access).
LSTATUS WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  if (!lpSubKey || !*lpSubKey) return SameHandle(hKey, phkResult);
  return OpenOrCreate(hKey, lpSubKey, true, MAXIMUM_ALLOWED, phkResult, nullptr);
}

// Creates or opens hKey\lpSubKey with every missing parent; NULL or "" opens
// a new handle to hKey's key. *lpdwDisposition: REG_CREATED_NEW_KEY or
// REG_OPENED_EXISTING_KEY. Creating needs KEY_CREATE_SUB_KEY on the parent
// key's grant, whatever hKey was opened for; the new handle holds
// samDesired. Class, options and security are accepted and not modelled.
LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                               REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                               LPDWORD lpdwDisposition) {
  return OpenOrCreate(hKey, lpSubKey, true, samDesired, phkResult, lpdwDisposition);
}

// Opens hKey\lpSubKey for the maximum access allowed; NULL or "" gives back
// hKey itself. ERROR_FILE_NOT_FOUND when the key does not exist,
// ERROR_ACCESS_DENIED when nothing at all is allowed on it.
LSTATUS WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  if (!lpSubKey || !*lpSubKey) return SameHandle(hKey, phkResult);
  return OpenOrCreate(hKey, lpSubKey, false, MAXIMUM_ALLOWED, phkResult, nullptr);
}

// Opens hKey\lpSubKey for samDesired; NULL or "" opens a new handle to hKey's
// key. ERROR_FILE_NOT_FOUND when the key does not exist,
// ERROR_ACCESS_DENIED when the key's grant lacks a requested right.
LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) {
  return OpenOrCreate(hKey, lpSubKey, false, samDesired, phkResult, nullptr);
}

// ERROR_SUCCESS (also for a predefined key), ERROR_INVALID_HANDLE.
LSTATUS WINAPI RegCloseKey(HKEY hKey) {
  Store& store = Store::Get();
  Lock lock(store.Mutex());
  return store.CloseHandle(hKey);
}

// Sets a value (NULL or "" names the default value) to exactly cbData bytes.
// ERROR_ACCESS_DENIED for a handle without KEY_SET_VALUE, ERROR_NOACCESS for
// NULL data with a non-zero size.
LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                              DWORD cbData) {
  Store& store = Store::Get();
  Lock lock(store.Mutex());
  Store::Writer writer(store);
  if (writer.Error() != ERROR_SUCCESS) return writer.Error();
  LONG lErr = ERROR_SUCCESS;
  RegNode* pNode = store.ResolveFor(hKey, KEY_SET_VALUE, &lErr);
  if (!pNode) return lErr;
  if (!lpData && cbData != 0) return ERROR_NOACCESS;
  const std::string_view name = ValueName(lpValueName);
  std::vector<BYTE> data(lpData, lpData + cbData);
  sim::RegistryWrite record{pNode->Path(), std::string(name), dwType, data};
  RegValue* pOld = pNode->FindValue(name);
  if (pOld && pOld->dwType == dwType && pOld->data == data) {
    store.LogWrite(std::move(record));
    return ERROR_SUCCESS;
  }
  if (pOld) {
    pOld->dwType = dwType;
    pOld->data = std::move(data);
  } else {
    pNode->values.push_back(RegValue{std::string(name), dwType, std::move(data)});
  }
  pNode->ftLastWrite = NowFileTime();
  writer.MarkChanged();
  const LONG lResult = writer.Commit();
  if (lResult == ERROR_SUCCESS) store.LogWrite(std::move(record));
  return lResult;
}

// Reads a value. lpData NULL: size only. A short buffer: ERROR_MORE_DATA with
// the size needed in *lpcbData and the buffer left as it was. A missing value
// (the default value included): ERROR_FILE_NOT_FOUND. A handle without
// KEY_QUERY_VALUE: ERROR_ACCESS_DENIED.
LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
  Store& store = Store::Get();
  Lock lock(store.Mutex());
  store.SyncForRead();
  LONG lErr = ERROR_SUCCESS;
  RegNode* pNode = store.ResolveFor(hKey, KEY_QUERY_VALUE, &lErr);
  if (!pNode) return lErr;
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  const RegValue* pValue = pNode->FindValue(ValueName(lpValueName));
  if (!pValue) return ERROR_FILE_NOT_FOUND;
  const DWORD cbValue = static_cast<DWORD>(pValue->data.size());
  if (lpType) *lpType = pValue->dwType;
  if (!lpcbData) return ERROR_SUCCESS;
  if (lpData) {
    if (*lpcbData < cbValue) {
      *lpcbData = cbValue;
      return ERROR_MORE_DATA;
    }
    if (cbValue) std::memcpy(lpData, pValue->data.data(), cbValue);
  }
  *lpcbData = cbValue;
  return ERROR_SUCCESS;
}

// Deletes hKey\lpSubKey ("" deletes hKey's own key); the rights of hKey do
// not matter, the key's grant must allow DELETE. ERROR_ACCESS_DENIED for a
// key with subkeys, for the predefined keys and without DELETE;
// ERROR_FILE_NOT_FOUND when it does not exist. Open handles to the key then
// fail with ERROR_KEY_DELETED.
LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  std::vector<std::string_view> parts;
  LONG lErr = SplitSubKey(lpSubKey, &parts);
  if (lErr != ERROR_SUCCESS) return lErr;
  Store& store = Store::Get();
  Lock lock(store.Mutex());
  Store::Writer writer(store);
  if (writer.Error() != ERROR_SUCCESS) return writer.Error();
  RegNode* pNode = store.Resolve(hKey, &lErr);
  if (!pNode) return lErr;
  for (std::string_view part : parts) {
    pNode = pNode->FindChild(part);
    if (!pNode) return ERROR_FILE_NOT_FOUND;
  }
  if (IsProtectedKey(pNode) || !pNode->children.empty()) return ERROR_ACCESS_DENIED;
  if ((store.AllowedAccess(pNode->Path()) & DELETE) == 0) return ERROR_ACCESS_DENIED;
  RegNode* pParent = pNode->pParent;
  const std::shared_ptr<RegNode> keep = pParent->SharedChild(pNode);
  pParent->RemoveChild(pNode);
  pParent->ftLastWrite = NowFileTime();
  writer.MarkChanged();
  return writer.Commit();
}

// ERROR_FILE_NOT_FOUND when the value does not exist, ERROR_ACCESS_DENIED
// for a handle without KEY_SET_VALUE.
LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  Store& store = Store::Get();
  Lock lock(store.Mutex());
  Store::Writer writer(store);
  if (writer.Error() != ERROR_SUCCESS) return writer.Error();
  LONG lErr = ERROR_SUCCESS;
  RegNode* pNode = store.ResolveFor(hKey, KEY_SET_VALUE, &lErr);
  if (!pNode) return lErr;
  if (!pNode->RemoveValue(ValueName(lpValueName))) return ERROR_FILE_NOT_FOUND;
  pNode->ftLastWrite = NowFileTime();
  writer.MarkChanged();
  return writer.Commit();
}

// cchName counts the terminating NUL.
LSTATUS WINAPI RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
  DWORD cch = cchName;
  return RegEnumKeyExA(hKey, dwIndex, lpName, &cch, nullptr, nullptr, nullptr, nullptr);
}

// Subkeys in case-insensitive order. ERROR_NO_MORE_ITEMS past the last one;
// ERROR_MORE_DATA when the name and its NUL do not fit in *lpcchName
// characters. On success *lpcchName is the name's length without the NUL.
// A handle without KEY_ENUMERATE_SUB_KEYS: ERROR_ACCESS_DENIED.
LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                             LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  Store& store = Store::Get();
  Lock lock(store.Mutex());
  store.SyncForRead();
  LONG lErr = ERROR_SUCCESS;
  RegNode* pNode = store.ResolveFor(hKey, KEY_ENUMERATE_SUB_KEYS, &lErr);
  if (!pNode) return lErr;
  if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
  if (dwIndex >= pNode->children.size()) return ERROR_NO_MORE_ITEMS;
  const RegNode& child = *pNode->children[dwIndex];
  const size_t cch = child.strName.size();
  if (cch + 1 > *lpcchName) return ERROR_MORE_DATA;
  std::memcpy(lpName, child.strName.c_str(), cch + 1);
  *lpcchName = static_cast<DWORD>(cch);
  if (lpClass && *lpcchClass > 0) lpClass[0] = '\0';
  if (lpcchClass) *lpcchClass = 0;
  PutFileTime(child.ftLastWrite, lpftLastWriteTime);
  return ERROR_SUCCESS;
}

// Values in the order they were first set. ERROR_NO_MORE_ITEMS past the
// last; ERROR_MORE_DATA when the name does not fit (nothing written) or the
// data does not fit (name, type and the size needed written). A handle
// without KEY_QUERY_VALUE: ERROR_ACCESS_DENIED.
LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                             LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  Store& store = Store::Get();
  Lock lock(store.Mutex());
  store.SyncForRead();
  LONG lErr = ERROR_SUCCESS;
  RegNode* pNode = store.ResolveFor(hKey, KEY_QUERY_VALUE, &lErr);
  if (!pNode) return lErr;
  if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  if (dwIndex >= pNode->values.size()) return ERROR_NO_MORE_ITEMS;
  const RegValue& value = pNode->values[dwIndex];
  const size_t cch = value.strName.size();
  if (cch + 1 > *lpcchValueName) return ERROR_MORE_DATA;
  std::memcpy(lpValueName, value.strName.c_str(), cch + 1);
  *lpcchValueName = static_cast<DWORD>(cch);
  if (lpType) *lpType = value.dwType;
  if (!lpcbData) return ERROR_SUCCESS;
  const DWORD cbValue = static_cast<DWORD>(value.data.size());
  if (lpData && *lpcbData < cbValue) {
    *lpcbData = cbValue;
    return ERROR_MORE_DATA;
  }
  if (lpData && cbValue) std::memcpy(lpData, value.data.data(), cbValue);
  *lpcbData = cbValue;
  return ERROR_SUCCESS;
}

// Counts and largest sizes of a key's subkeys and values: name lengths in
// characters without the NUL, data in bytes. Keys have no class here (empty,
// length 0). Every output may be NULL. A handle without KEY_QUERY_VALUE:
// ERROR_ACCESS_DENIED.
LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  Store& store = Store::Get();
  Lock lock(store.Mutex());
  store.SyncForRead();
  LONG lErr = ERROR_SUCCESS;
  RegNode* pNode = store.ResolveFor(hKey, KEY_QUERY_VALUE, &lErr);
  if (!pNode) return lErr;
  if (lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
  if (lpClass && *lpcchClass > 0) lpClass[0] = '\0';
  if (lpcchClass) *lpcchClass = 0;
  size_t cchMaxSubKey = 0;
  for (const auto& c : pNode->children) cchMaxSubKey = std::max(cchMaxSubKey, c->strName.size());
  size_t cchMaxValueName = 0;
  size_t cbMaxValue = 0;
  for (const RegValue& v : pNode->values) {
    cchMaxValueName = std::max(cchMaxValueName, v.strName.size());
    cbMaxValue = std::max(cbMaxValue, v.data.size());
  }
  if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(pNode->children.size());
  if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = static_cast<DWORD>(cchMaxSubKey);
  if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
  if (lpcValues) *lpcValues = static_cast<DWORD>(pNode->values.size());
  if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = static_cast<DWORD>(cchMaxValueName);
  if (lpcbMaxValueLen) *lpcbMaxValueLen = static_cast<DWORD>(cbMaxValue);
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
  PutFileTime(pNode->ftLastWrite, lpftLastWriteTime);
  return ERROR_SUCCESS;
}

// Every change is already in the file when its call returns.
LSTATUS WINAPI RegFlushKey(HKEY hKey) {
  Store& store = Store::Get();
  Lock lock(store.Mutex());
  store.SyncForRead();
  LONG lErr = ERROR_SUCCESS;
  return store.Resolve(hKey, &lErr) ? ERROR_SUCCESS : lErr;
}

// Reads a whole registry tree through the API as a program would: every key
// opened, enumerated and queried, values read into short and fitting
// buffers. Used by the registry fuzz targets.
#pragma once

#include "platform/win32.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

// Aborts (a finding) when a call that reported success gave no handle.
inline void WalkKey(HKEY hKey, int nDepth) {
  DWORD cSubKeys = 0, cchMaxSubKey = 0, cValues = 0, cchMaxValueName = 0, cbMaxValue = 0;
  if (RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &cSubKeys, &cchMaxSubKey, nullptr, &cValues,
                       &cchMaxValueName, &cbMaxValue, nullptr, nullptr) != ERROR_SUCCESS)
    return;
  std::vector<char> name(cchMaxValueName + 1);
  std::vector<BYTE> data(cbMaxValue + 1);
  for (DWORD i = 0; i < cValues; ++i) {
    DWORD cchName = DWORD(name.size()), cbData = 1, dwType = 0;
    BYTE small[1];
    RegEnumValueA(hKey, i, name.data(), &cchName, nullptr, &dwType, small, &cbData);
    cchName = DWORD(name.size());
    cbData = DWORD(data.size());
    if (RegEnumValueA(hKey, i, name.data(), &cchName, nullptr, &dwType, data.data(), &cbData) != ERROR_SUCCESS) continue;
    if (cbData > cbMaxValue) std::abort();
    cbData = DWORD(data.size());
    RegQueryValueExA(hKey, name.data(), nullptr, &dwType, data.data(), &cbData);
  }
  std::vector<char> subName(cchMaxSubKey + 1);
  for (DWORD i = 0; i < cSubKeys && nDepth < 600; ++i) {
    DWORD cchSub = DWORD(subName.size());
    if (RegEnumKeyExA(hKey, i, subName.data(), &cchSub, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
    HKEY hSub = nullptr;
    if (RegOpenKeyExA(hKey, subName.data(), 0, KEY_READ, &hSub) != ERROR_SUCCESS) continue;
    if (!hSub) std::abort();
    WalkKey(hSub, nDepth + 1);
    RegCloseKey(hSub);
  }
}

inline void WalkRegistry() {
  for (HKEY hRoot : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS}) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(hRoot, nullptr, 0, KEY_READ, &h) != ERROR_SUCCESS) std::abort();  // the hives always exist
    if (!h) std::abort();
    WalkKey(h, 0);
    RegCloseKey(h);
  }
  // What the product opens and creates, through the predefined keys.
  HKEY h = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}\\InProcServer32", 0, nullptr,
                      0, KEY_ALL_ACCESS, nullptr, &h, nullptr) == ERROR_SUCCESS) {
    if (!h) std::abort();
    RegSetValueExA(h, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Both"), 5);
    RegCloseKey(h);
  }
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\VevOvuRivizud\\47", 0, KEY_READ, &h) == ERROR_SUCCESS) {
    if (!h) std::abort();
    RegCloseKey(h);
  }
}

}  // namespace fuzz

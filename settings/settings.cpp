#include "settings.h"

#include <cstdio>

namespace {
const DWORD kDefaultVibration = 63;
const size_t kKeyNameSize = 260;
}  // namespace

void FillSettingsDefaults(SettingsRecord* pRecord) {
  for (DWORD i = 0; i < 12; ++i) {
    pRecord->byButtonMap[i] = static_cast<BYTE>(i + 1);
    pRecord->byTurbo[i] = 0;
    pRecord->dwKeyCode[i] = 0;
  }
  pRecord->dwAxisCalib[0] = AXIS_CALIB_DEFAULT;
  pRecord->dwAxisCalib[1] = AXIS_CALIB_DEFAULT;
  pRecord->dwSensitivity = 0;
  pRecord->dwTimeCycle = kDefaultVibration;
  pRecord->dwMotorPower = kDefaultVibration;
  pRecord->dwAutoMode = 0;
}

LONG CalibrateAxis(LONG lPos, DWORD dwCalib) {
  DWORD b = static_cast<DWORD>(lPos);
  const DWORD hi = dwCalib & 0xFFu;
  DWORD dwResult = 0;
  if (dwCalib & AXIS_CALIB_TWO_POINT) {
    const DWORD lo = (dwCalib >> 8) & 0xFFu;
    if (hi == lo) {
      // No range to scale over: a step at the one calibrated point.
      dwResult = b < lo ? 0u : (b > lo ? 255u : 127u);
    } else {
      if (b > hi) b = hi;
      if (b < lo) b = lo;
      dwResult = (255u * b - 255u * lo) / (hi - lo);
    }
  } else {
    const DWORD c = (dwCalib >> 8) & 0xFFu;
    const DWORD lo = (dwCalib >> 16) & 0xFFu;
    if (b > hi) b = hi;
    if (b < lo) b = lo;
    if (b > c) {
      // b can exceed a centre equal to the upper end only when L > U.
      dwResult = (hi == c) ? 255u : 128u * (b - c) / (hi - c) + 127u;
    } else if (b == c) {
      dwResult = 127;
    } else {
      // b >= lo here, so c > lo and the divisor is never 0.
      dwResult = 127u * (b - lo) / (c - lo);
    }
  }
  LONG lResult = static_cast<LONG>(dwResult);
  if (lResult < 0) lResult = 0;
  if (lResult > 255) lResult = 255;
  return lResult;
}

SettingsKey::SettingsKey(const char* pszPath, int nSetting, DWORD cbRecordSize) : hKey(NULL), cbRecord(cbRecordSize) {
  if (pszPath == NULL) return;
  char szKey[kKeyNameSize];
  const int cch = std::snprintf(szKey, sizeof(szKey), "%s\\%d", pszPath, nSetting);
  // A name cut short would open some other key.
  if (cch < 0 || static_cast<size_t>(cch) >= sizeof(szKey)) return;
  HKEY hOpened = NULL;
  if (RegOpenKeyA(HKEY_LOCAL_MACHINE, szKey, &hOpened) == ERROR_SUCCESS) {
    hKey = hOpened;
    return;
  }
  hOpened = NULL;
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, szKey, &hOpened) == ERROR_SUCCESS) hKey = hOpened;
}

SettingsKey::~SettingsKey() { Close(); }

int SettingsKey::Read(void* pBuffer, DWORD cbSize) {
  if (pBuffer == NULL || cbSize != cbRecord || hKey == NULL) return -1;
  DWORD dwType = 0;
  DWORD cbData = cbSize;
  if (RegQueryValueExA(hKey, SETTINGS_VALUE_NAME, NULL, &dwType, static_cast<LPBYTE>(pBuffer), &cbData) !=
      ERROR_SUCCESS)
    return -1;
  return static_cast<int>(cbData);
}

int SettingsKey::Write(const void* pData, DWORD cbSize) {
  if (pData == NULL || cbSize != cbRecord || hKey == NULL) return -1;
  if (RegSetValueExA(hKey, SETTINGS_VALUE_NAME, 0, REG_BINARY, static_cast<const BYTE*>(pData), cbSize) !=
      ERROR_SUCCESS)
    return -1;
  return static_cast<int>(cbSize);
}

void SettingsKey::Close() {
  if (hKey == NULL) return;
  RegCloseKey(hKey);
  hKey = NULL;
}

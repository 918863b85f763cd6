// Device setup: OEM joystick entries, the device-tree "UpperFilters" values
// and the upper-filter device property of the controller.
#include "padsetup.h"

#include <vector>

namespace {

const char kOemBaseKey[] =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\VID_7C3A&PID_A0";
const char kDeviceTreeKey[] = "Enum\\HID\\VID_7C3A&PID_A02F";
const char kControllerHardwareId[] = "hid\\vid_7c3a&pid_a02f";

const char kPropSheetClsid[] = "{2F64d0A8-7C3A-A02F-C5B1-6E93A0D4172B}";
const char kFFDriverClsid[] = "{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}";
const char kOemName[] = "USB trivalo game controller";

// "PdFx31.sys" as a list of one name: the name's NUL and the list's NUL.
const BYTE kUpperFilter[12] = {'P', 'd', 'F', 'x', '3', '1', '.', 's', 'y', 's', 0, 0};

// JOYREGHWSETTINGS: dwFlags JOY_HWS_HASPOV | JOY_HWS_POVISPOLL, dwNumButtons 256.
const BYTE kOemData[8] = {0x0A, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};
// First field of DIOBJECTATTRIBUTES: DIDOI_FFACTUATOR | DIDOI_ASPECTPOSITION | DIDOI_POLLED.
const BYTE kAxisAttributes[4] = {0x01, 0x81, 0x00, 0x00};
// DIFFOBJECTATTRIBUTES: dwFFMaxForce 0x10800003, dwFFForceResolution 12.
const BYTE kAxisFFAttributes[8] = {0x03, 0x00, 0x80, 0x10, 0x0C, 0x00, 0x00, 0x00};
// DIFFDEVICEATTRIBUTES: dwFlags 0, dwFFSamplePeriod 1000, dwFFMinTimeResolution 1000.
const BYTE kFFDeviceAttributes[12] = {0x00, 0x00, 0x00, 0x00, 0xE8, 0x03, 0x00, 0x00, 0xE8, 0x03, 0x00, 0x00};

// Key names and enumerated subkey names, in bytes.
constexpr DWORD kNameBufferSize = 520;
// First read of a device's hardware-ID list, in bytes.
constexpr DWORD kHardwareIdBufferSize = 4048;

void SetText(HKEY hKey, const char* pszName, const char* pszText) {
  RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszText),
                 static_cast<DWORD>(lstrlenA(pszText) + 1));
}

void SetBinary(HKEY hKey, const char* pszName, const BYTE* pData, DWORD cbData) {
  RegSetValueExA(hKey, pszName, 0, REG_BINARY, pData, cbData);
}

// Replaces an existing "UpperFilters" value of one instance key; a key
// without the value stays without it.
void ReplaceUpperFilters(HKEY hInstanceKey) {
  BYTE byValue[kNameBufferSize];
  DWORD cbValue = sizeof(byValue);
  DWORD dwType = 0;
  LONG lResult = RegQueryValueExA(hInstanceKey, "UpperFilters", NULL, &dwType, byValue, &cbValue);
  // ERROR_MORE_DATA: the value exists but is longer than the buffer.
  if (lResult != ERROR_SUCCESS && lResult != ERROR_MORE_DATA) return;
  RegSetValueExA(hInstanceKey, "UpperFilters", 0, REG_SZ, kUpperFilter, sizeof(kUpperFilter));
}

// True when one entry of the REG_MULTI_SZ list in pList (cbList bytes
// returned) is the controller's hardware ID. The buffer must hold a NUL
// after the returned bytes, so an unterminated last entry ends inside it.
bool ListHoldsController(const char* pList, DWORD cbList) {
  DWORD dwOffset = 0;
  while (dwOffset < cbList && pList[dwOffset] != '\0') {
    const char* pszEntry = pList + dwOffset;
    if (lstrcmpiA(pszEntry, kControllerHardwareId) == 0) return true;
    dwOffset += static_cast<DWORD>(lstrlenA(pszEntry)) + 1;
  }
  return false;
}

}  // namespace

extern "C" int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd) {
  InstallDeviceFilter();
  WriteOemJoystickEntries(kProductByte);
  return 1;
}

int InstallDeviceFilter() {
  HDEVINFO hDevInfo = SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (hDevInfo == INVALID_HANDLE_VALUE) return 0;

  SP_DEVINFO_DATA DeviceInfoData;
  DeviceInfoData.cbSize = sizeof(SP_DEVINFO_DATA);
  bool bScanEnded = false;
  for (DWORD dwIndex = 0; SetupDiEnumDeviceInfo(hDevInfo, dwIndex, &DeviceInfoData); ++dwIndex) {
    // Two bytes past the size offered to the call stay NUL, so walking a
    // list that is not properly terminated stops inside the buffer.
    std::vector<char> buffer(kHardwareIdBufferSize + 2, '\0');
    DWORD cbBuffer = kHardwareIdBufferSize;
    DWORD cbReturned = 0;
    DWORD dwDataType = 0;
    bool bSkipDevice = false;
    while (!SetupDiGetDeviceRegistryPropertyA(hDevInfo, &DeviceInfoData, SPDRP_HARDWAREID, &dwDataType,
                                              reinterpret_cast<PBYTE>(buffer.data()), cbBuffer, &cbReturned)) {
      const DWORD dwError = GetLastError();
      // ERROR_INVALID_DATA: the device has no hardware ID. A buffer too small
      // without a larger size reported would repeat the same failing read
      // forever: the device is passed over as one without a readable list.
      if (dwError == ERROR_INVALID_DATA || (dwError == ERROR_INSUFFICIENT_BUFFER && cbReturned <= cbBuffer)) {
        bSkipDevice = true;
        break;
      }
      if (dwError != ERROR_INSUFFICIENT_BUFFER) {
        bScanEnded = true;
        break;
      }
      cbBuffer = cbReturned;
      buffer.assign(cbBuffer + 2, '\0');
    }
    if (bScanEnded) break;
    if (bSkipDevice) continue;

    if (ListHoldsController(buffer.data(), cbReturned)) {
      WriteOemJoystickEntries(kProductByte);
      SetupDiSetDeviceRegistryPropertyA(hDevInfo, &DeviceInfoData, SPDRP_UPPERFILTERS, kUpperFilter,
                                        sizeof(kUpperFilter));
      break;  // only the first matching device
    }
  }

  DWORD dwLastError = GetLastError();
  SetupDiDestroyDeviceInfoList(hDevInfo);
  SetLastError(dwLastError);
  return dwLastError == 0 ? 1 : 0;
}

LONG WriteOemJoystickEntries(int nProduct) {
  char szKey[kNameBufferSize];
  HKEY hKey = NULL;

  wsprintfA(szKey, "%s%02x", kOemBaseKey, nProduct);
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, szKey, &hKey) == ERROR_SUCCESS) {
    SetText(hKey, "ConfigCLSID", kPropSheetClsid);
    SetBinary(hKey, "OEMData", kOemData, sizeof(kOemData));
    SetText(hKey, "OEMName", kOemName);
    RegCloseKey(hKey);
  }

  for (int nAxis = 0; nAxis < 2; ++nAxis) {
    wsprintfA(szKey, "%s%02x\\Axes\\%d", kOemBaseKey, nProduct, nAxis);
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, szKey, &hKey) == ERROR_SUCCESS) {
      SetBinary(hKey, "Attributes", kAxisAttributes, sizeof(kAxisAttributes));
      SetBinary(hKey, "FFAttributes", kAxisFFAttributes, sizeof(kAxisFFAttributes));
      RegCloseKey(hKey);
    }
  }

  wsprintfA(szKey, "%s%02x\\OEMForceFeedback", kOemBaseKey, nProduct);
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, szKey, &hKey) == ERROR_SUCCESS) {
    SetText(hKey, "CLSID", kFFDriverClsid);
    SetBinary(hKey, "Attributes", kFFDeviceAttributes, sizeof(kFFDeviceAttributes));
    RegCloseKey(hKey);
  }

  HKEY hTreeKey = NULL;
  LONG lResult = RegCreateKeyA(HKEY_LOCAL_MACHINE, kDeviceTreeKey, &hTreeKey);
  if (lResult != ERROR_SUCCESS) return lResult;

  DWORD cSubKeys = 0;
  if (RegQueryInfoKeyA(hTreeKey, NULL, NULL, NULL, &cSubKeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL) !=
      ERROR_SUCCESS)
    cSubKeys = 0;
  for (DWORD dwIndex = 0; dwIndex < cSubKeys; ++dwIndex) {
    if (RegEnumKeyA(hTreeKey, dwIndex, szKey, kNameBufferSize) != ERROR_SUCCESS) continue;
    HKEY hInstanceKey = NULL;
    if (RegCreateKeyA(hTreeKey, szKey, &hInstanceKey) != ERROR_SUCCESS) continue;
    ReplaceUpperFilters(hInstanceKey);
    RegCloseKey(hInstanceKey);
  }
  return RegCloseKey(hTreeKey);
}

// SetupAPI subset: device information sets over the simulated present
// devices, and their registry properties.
#include "platform/win32.h"

#include "posix/setupapi/device_table.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct DeviceInfoSet {
  std::vector<qjplat::DeviceEntry> devices;
};

// Sets are looked up by handle value; values are never reused, so a stale
// handle fails with ERROR_INVALID_HANDLE instead of reaching a newer set.
struct SetTable {
  std::mutex mutex;
  std::map<ULONG_PTR, std::shared_ptr<DeviceInfoSet>> sets;
  ULONG_PTR nextHandle = 0x5e700000u;
};

SetTable& Sets() {
  static SetTable* table = new SetTable;  // outlives every module's unload
  return *table;
}

std::shared_ptr<DeviceInfoSet> LookupSet(HDEVINFO hDevInfo) {
  SetTable& table = Sets();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.sets.find(reinterpret_cast<ULONG_PTR>(hDevInfo));
  return it != table.sets.end() ? it->second : nullptr;
}

BOOL Fail(DWORD dwError) {
  SetLastError(dwError);
  return FALSE;
}

BOOL Succeed() {
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// Checks that pData names an element of the set; ERROR_SUCCESS or the error.
DWORD CheckElement(const DeviceInfoSet& set, const SP_DEVINFO_DATA* pData) {
  if (pData == nullptr || pData->cbSize != sizeof(SP_DEVINFO_DATA)) return ERROR_INVALID_PARAMETER;
  for (const qjplat::DeviceEntry& entry : set.devices)
    if (entry.dwDevInst == pData->DevInst) return ERROR_SUCCESS;
  return ERROR_INVALID_PARAMETER;
}

// The properties a caller may set through SetupDiSetDeviceRegistryProperty,
// with the registry type each is stored as.
bool SettableProperty(DWORD dwProperty, DWORD* pdwType) {
  switch (dwProperty) {
    case SPDRP_HARDWAREID:
    case SPDRP_COMPATIBLEIDS:
    case SPDRP_UPPERFILTERS:
    case SPDRP_LOWERFILTERS:
      *pdwType = REG_MULTI_SZ;
      return true;
    case SPDRP_FRIENDLYNAME:
    case SPDRP_LOCATION_INFORMATION:
    case SPDRP_SECURITY_SDS:
    case SPDRP_UI_NUMBER_DESC_FORMAT:
      *pdwType = REG_SZ;
      return true;
    case SPDRP_CONFIGFLAGS:
    case SPDRP_DEVTYPE:
    case SPDRP_EXCLUSIVE:
    case SPDRP_CHARACTERISTICS:
    case SPDRP_REMOVAL_POLICY_OVERRIDE:
      *pdwType = REG_DWORD;
      return true;
    case SPDRP_SECURITY:
      *pdwType = REG_BINARY;
      return true;
    default:
      return false;
  }
}

}  // namespace

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND hwndParent, DWORD Flags) {
  const DWORD dwKnownFlags = DIGCF_DEFAULT | DIGCF_PRESENT | DIGCF_ALLCLASSES | DIGCF_PROFILE | DIGCF_DEVICEINTERFACE;
  if ((Flags & ~dwKnownFlags) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return INVALID_HANDLE_VALUE;
  }
  if (ClassGuid == nullptr && (Flags & DIGCF_ALLCLASSES) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto set = std::make_shared<DeviceInfoSet>();
  const GUID* pClassFilter = (Flags & DIGCF_ALLCLASSES) != 0 ? nullptr : ClassGuid;
  DWORD dwError = qjplat::CreateDeviceSnapshot(pClassFilter, Enumerator, &set->devices);
  if (dwError != ERROR_SUCCESS) {
    SetLastError(dwError);
    return INVALID_HANDLE_VALUE;
  }
  // The simulated devices expose no device interfaces.
  if ((Flags & DIGCF_DEVICEINTERFACE) != 0) set->devices.clear();
  SetTable& table = Sets();
  ULONG_PTR handle;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    handle = table.nextHandle;
    table.nextHandle += 4;
    table.sets[handle] = set;
  }
  SetLastError(ERROR_SUCCESS);
  return reinterpret_cast<HDEVINFO>(handle);
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex, PSP_DEVINFO_DATA DeviceInfoData) {
  std::shared_ptr<::DeviceInfoSet> set = LookupSet(DeviceInfoSet);
  if (!set) return Fail(ERROR_INVALID_HANDLE);
  if (DeviceInfoData == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) return Fail(ERROR_INVALID_USER_BUFFER);
  if (MemberIndex >= set->devices.size()) return Fail(ERROR_NO_MORE_ITEMS);
  const qjplat::DeviceEntry& entry = set->devices[MemberIndex];
  DeviceInfoData->ClassGuid = entry.ClassGuid;
  DeviceInfoData->DevInst = entry.dwDevInst;
  DeviceInfoData->Reserved = MemberIndex;
  return Succeed();
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                              DWORD Property, PDWORD PropertyRegDataType, PBYTE PropertyBuffer,
                                              DWORD PropertyBufferSize, PDWORD RequiredSize) {
  std::shared_ptr<::DeviceInfoSet> set = LookupSet(DeviceInfoSet);
  if (!set) return Fail(ERROR_INVALID_HANDLE);
  DWORD dwError = CheckElement(*set, DeviceInfoData);
  if (dwError != ERROR_SUCCESS) return Fail(dwError);
  if (Property >= SPDRP_MAXIMUM_PROPERTY) return Fail(ERROR_INVALID_REG_PROPERTY);
  if (PropertyBuffer == nullptr && PropertyBufferSize != 0) return Fail(ERROR_INVALID_PARAMETER);
  DWORD dwType = REG_NONE;
  std::vector<BYTE> data;
  dwError = qjplat::ReadDeviceProperty(DeviceInfoData->DevInst, Property, PropertyBufferSize, &dwType, &data);
  const DWORD cbData = static_cast<DWORD>(data.size());
  if (dwError == ERROR_SUCCESS && cbData > PropertyBufferSize) dwError = ERROR_INSUFFICIENT_BUFFER;
  if (dwError == ERROR_INSUFFICIENT_BUFFER) {
    if (RequiredSize != nullptr) *RequiredSize = cbData;
    if (PropertyRegDataType != nullptr) *PropertyRegDataType = dwType;
  }
  if (dwError != ERROR_SUCCESS) return Fail(dwError);
  if (cbData != 0) std::memcpy(PropertyBuffer, data.data(), cbData);
  if (RequiredSize != nullptr) *RequiredSize = cbData;
  if (PropertyRegDataType != nullptr) *PropertyRegDataType = dwType;
  return Succeed();
}

// Sets one of the properties a caller may set. FALSE with the last error:
// ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER, ERROR_INVALID_REG_PROPERTY,
// ERROR_NO_SUCH_DEVINST, or ERROR_ACCESS_DENIED for a caller who is not an
// administrator.
BOOL WINAPI SetupDiSetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                              DWORD Property, const BYTE* PropertyBuffer, DWORD PropertyBufferSize) {
  std::shared_ptr<::DeviceInfoSet> set = LookupSet(DeviceInfoSet);
  if (!set) return Fail(ERROR_INVALID_HANDLE);
  DWORD dwError = CheckElement(*set, DeviceInfoData);
  if (dwError != ERROR_SUCCESS) return Fail(dwError);
  DWORD dwType = REG_NONE;
  if (!SettableProperty(Property, &dwType)) return Fail(ERROR_INVALID_REG_PROPERTY);
  if (PropertyBuffer == nullptr && PropertyBufferSize != 0) return Fail(ERROR_INVALID_PARAMETER);
  dwError = qjplat::WriteDeviceProperty(DeviceInfoData->DevInst, Property, dwType, PropertyBuffer, PropertyBufferSize);
  if (dwError != ERROR_SUCCESS) return Fail(dwError);
  return Succeed();
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  SetTable& table = Sets();
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    if (table.sets.erase(reinterpret_cast<ULONG_PTR>(DeviceInfoSet)) == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  return Succeed();
}

// The table of simulated present devices, shared by SetupAPI and the tests.
#include "platform/sim/devices.h"

#include "posix/setupapi/device_table.h"

#include <map>
#include <mutex>
#include <strings.h>

namespace {

struct Property {
  DWORD dwType = REG_NONE;
  std::vector<BYTE> data;
};

struct Device {
  std::string strInstanceId;
  GUID ClassGuid = {};
  std::map<DWORD, Property> properties;
  std::map<DWORD, DWORD> readFailures;  // property -> error
};

struct DeviceTable {
  std::mutex mutex;
  std::map<DWORD, Device> devices;  // ordered by devnode number: enumeration order is insertion order
  DWORD dwNextDevInst = 1;
  DWORD dwSetCreationError = ERROR_SUCCESS;
  DWORD dwPropertyWriteError = ERROR_SUCCESS;
  std::vector<sim::PropertyRead> reads;
  sim::PropertyWriteHook writeHook;
};

DeviceTable& Table() {
  static DeviceTable* table = new DeviceTable;  // outlives every module's unload
  return *table;
}

// The enumerator is the instance ID up to its first backslash.
bool HasEnumerator(const std::string& strInstanceId, const char* pszEnumerator) {
  std::string::size_type end = strInstanceId.find('\\');
  std::string strEnumerator = strInstanceId.substr(0, end);
  return strcasecmp(strEnumerator.c_str(), pszEnumerator) == 0;
}

}  // namespace

namespace sim {

std::vector<BYTE> MultiSz(const std::vector<std::string>& entries) {
  std::vector<BYTE> data;
  for (const std::string& entry : entries) {
    data.insert(data.end(), entry.begin(), entry.end());
    data.push_back(0);
  }
  data.push_back(0);
  if (entries.empty()) data.push_back(0);
  return data;
}

DWORD AddDevice(const char* pszInstanceId, const std::vector<std::string>& hardwareIds, const GUID& classGuid) {
  DeviceTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  DWORD dwDevInst = table.dwNextDevInst++;
  Device& device = table.devices[dwDevInst];
  device.strInstanceId = pszInstanceId != nullptr ? pszInstanceId : "";
  device.ClassGuid = classGuid;
  if (!hardwareIds.empty()) {
    Property& property = device.properties[SPDRP_HARDWAREID];
    property.dwType = REG_MULTI_SZ;
    property.data = MultiSz(hardwareIds);
  }
  return dwDevInst;
}

bool RemoveDevice(DWORD dwDevInst) {
  DeviceTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.devices.erase(dwDevInst) != 0;
}

void ResetDevices() {
  DeviceTable& table = Table();
  PropertyWriteHook oldHook;  // destroyed outside the lock
  std::lock_guard<std::mutex> lock(table.mutex);
  table.devices.clear();
  table.dwSetCreationError = ERROR_SUCCESS;
  table.dwPropertyWriteError = ERROR_SUCCESS;
  table.reads.clear();
  oldHook.swap(table.writeHook);
}

bool SetDeviceProperty(DWORD dwDevInst, DWORD dwProperty, DWORD dwType, const void* pData, DWORD cbData) {
  DeviceTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.devices.find(dwDevInst);
  if (it == table.devices.end()) return false;
  Property& property = it->second.properties[dwProperty];
  property.dwType = dwType;
  const BYTE* pBytes = static_cast<const BYTE*>(pData);
  property.data.assign(pBytes, pBytes + (pBytes != nullptr ? cbData : 0));
  return true;
}

bool GetDeviceProperty(DWORD dwDevInst, DWORD dwProperty, DWORD* pdwType, std::vector<BYTE>* pData) {
  DeviceTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.devices.find(dwDevInst);
  if (it == table.devices.end()) return false;
  auto prop = it->second.properties.find(dwProperty);
  if (prop == it->second.properties.end()) return false;
  if (pdwType != nullptr) *pdwType = prop->second.dwType;
  if (pData != nullptr) *pData = prop->second.data;
  return true;
}

bool FailPropertyRead(DWORD dwDevInst, DWORD dwProperty, DWORD dwError) {
  DeviceTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.devices.find(dwDevInst);
  if (it == table.devices.end()) return false;
  if (dwError == ERROR_SUCCESS)
    it->second.readFailures.erase(dwProperty);
  else
    it->second.readFailures[dwProperty] = dwError;
  return true;
}

void FailDeviceSetCreation(DWORD dwError) {
  DeviceTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.dwSetCreationError = dwError;
}

void FailPropertyWrites(DWORD dwError) {
  DeviceTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.dwPropertyWriteError = dwError;
}

std::vector<PropertyRead> PropertyReads() {
  DeviceTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.reads;
}

void SetPropertyWriteHook(PropertyWriteHook hook) {
  DeviceTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.writeHook.swap(hook);
}

}  // namespace sim

namespace qjplat {

DWORD CreateDeviceSnapshot(const GUID* pClassGuid, const char* pszEnumerator, std::vector<DeviceEntry>* pDevices) {
  DeviceTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (table.dwSetCreationError != ERROR_SUCCESS) return table.dwSetCreationError;
  pDevices->clear();
  for (const auto& [dwDevInst, device] : table.devices) {
    if (pClassGuid != nullptr && device.ClassGuid != *pClassGuid) continue;
    if (pszEnumerator != nullptr && pszEnumerator[0] != '\0' && !HasEnumerator(device.strInstanceId, pszEnumerator))
      continue;
    DeviceEntry entry;
    entry.dwDevInst = dwDevInst;
    entry.ClassGuid = device.ClassGuid;
    pDevices->push_back(entry);
  }
  return ERROR_SUCCESS;
}

DWORD ReadDeviceProperty(DWORD dwDevInst, DWORD dwProperty, DWORD cbBuffer, DWORD* pdwType,
                         std::vector<BYTE>* pData) {
  DeviceTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.reads.push_back(sim::PropertyRead{dwDevInst, dwProperty, cbBuffer});
  auto it = table.devices.find(dwDevInst);
  if (it == table.devices.end()) return ERROR_NO_SUCH_DEVINST;
  const Device& device = it->second;
  auto prop = device.properties.find(dwProperty);
  if (prop != device.properties.end()) {
    *pdwType = prop->second.dwType;
    *pData = prop->second.data;
  }
  auto failure = device.readFailures.find(dwProperty);
  if (failure != device.readFailures.end()) return failure->second;
  return prop != device.properties.end() ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

DWORD WriteDeviceProperty(DWORD dwDevInst, DWORD dwProperty, DWORD dwType, const BYTE* pData, DWORD cbData) {
  DeviceTable& table = Table();
  sim::PropertyWriteHook hook;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.devices.find(dwDevInst);
    if (it == table.devices.end()) return ERROR_NO_SUCH_DEVINST;
    if (table.dwPropertyWriteError != ERROR_SUCCESS) return table.dwPropertyWriteError;
    if (pData == nullptr && cbData == 0) {
      it->second.properties.erase(dwProperty);
    } else {
      Property& property = it->second.properties[dwProperty];
      property.dwType = dwType;
      property.data.assign(pData, pData + cbData);
    }
    hook = table.writeHook;
  }
  if (hook) hook(dwDevInst, dwProperty);
  return ERROR_SUCCESS;
}

}  // namespace qjplat

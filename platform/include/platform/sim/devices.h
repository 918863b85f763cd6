// The simulated machine's present devices, as SetupAPI enumerates them
// (test and host control).
#pragma once

#include "platform/win32.h"

#include <functional>
#include <string>
#include <vector>

#ifndef QJ_SIM_API
#  define QJ_SIM_API __attribute__((visibility("default")))
#endif

namespace sim {

// The setup class of HID devices, the class a device gets when none is named.
constexpr GUID kHidClassGuid = {0x745a17a0, 0x74d3, 0x11d0, {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};

// Builds REG_MULTI_SZ data: each entry with its NUL, then the closing NUL.
// An empty list gives the two NULs of an empty list.
QJ_SIM_API std::vector<BYTE> MultiSz(const std::vector<std::string>& entries);

// Makes a device present. pszInstanceId is its device instance ID
// ("HID\VID_...\..."; the part before the first backslash is its
// enumerator). A non-empty hardwareIds list becomes its SPDRP_HARDWAREID
// property (REG_MULTI_SZ); with an empty list the device has none.
// Returns the device's devnode number (never 0), which SP_DEVINFO_DATA's
// DevInst carries.
QJ_SIM_API DWORD AddDevice(const char* pszInstanceId, const std::vector<std::string>& hardwareIds,
                           const GUID& classGuid = kHidClassGuid);
// Takes a device away; false when no device has that number. Sets created
// before keep listing it, and property calls on it then fail with
// ERROR_NO_SUCH_DEVINST.
QJ_SIM_API bool RemoveDevice(DWORD dwDevInst);
// Removes every device, every injected failure and the property-write hook.
QJ_SIM_API void ResetDevices();

// Stores a property exactly as given (any type, any bytes, including data
// that is not well formed); false when no device has that number.
QJ_SIM_API bool SetDeviceProperty(DWORD dwDevInst, DWORD dwProperty, DWORD dwType, const void* pData, DWORD cbData);
// Copies a property's type and bytes; false when the device or the property
// does not exist (outputs are then left alone). Injected read failures do not
// apply here.
QJ_SIM_API bool GetDeviceProperty(DWORD dwDevInst, DWORD dwProperty, DWORD* pdwType, std::vector<BYTE>* pData);

// Makes every SetupDiGetDeviceRegistryPropertyA of that device and property
// fail with dwError (0 ends the failure). With ERROR_INSUFFICIENT_BUFFER the
// call still reports the property's true size.
QJ_SIM_API bool FailPropertyRead(DWORD dwDevInst, DWORD dwProperty, DWORD dwError);
// Makes SetupDiGetClassDevsA fail with dwError (0 ends the failure).
QJ_SIM_API void FailDeviceSetCreation(DWORD dwError);
// Makes every SetupDiSetDeviceRegistryPropertyA that its arguments let
// through fail with dwError and change nothing (0 ends the failure).
// ERROR_ACCESS_DENIED is what a caller who is not an administrator gets.
QJ_SIM_API void FailPropertyWrites(DWORD dwError);

// One SetupDiGetDeviceRegistryPropertyA that reached a device: its devnode
// number, the property and the buffer size the caller offered, in bytes.
struct PropertyRead {
  DWORD dwDevInst;
  DWORD dwProperty;
  DWORD cbBuffer;
};
// The reads since the devices were reset, in call order.
QJ_SIM_API std::vector<PropertyRead> PropertyReads();

// Called after each successful SetupDiSetDeviceRegistryPropertyA, on the
// caller's thread and outside the device table's lock; an empty function
// removes the hook.
using PropertyWriteHook = std::function<void(DWORD dwDevInst, DWORD dwProperty)>;
QJ_SIM_API void SetPropertyWriteHook(PropertyWriteHook hook);

}  // namespace sim

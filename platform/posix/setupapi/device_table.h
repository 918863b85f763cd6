// The present-device table behind SetupAPI (shared between the SetupAPI
// subset and the simulated machine's device controls).
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

namespace qjplat {

struct DeviceEntry {
  DWORD dwDevInst = 0;
  GUID ClassGuid = {};
};

// Result of CreateDeviceSnapshot: ERROR_SUCCESS, or the injected failure.
// pClassGuid NULL: every class; pszEnumerator NULL or empty: every
// enumerator (compared without regard to case).
DWORD CreateDeviceSnapshot(const GUID* pClassGuid, const char* pszEnumerator, std::vector<DeviceEntry>* pDevices);

// Property access by devnode number. Results: ERROR_SUCCESS,
// ERROR_NO_SUCH_DEVINST (device gone), ERROR_INVALID_DATA (no such property,
// reads only) or an injected read failure. On ERROR_SUCCESS and on an
// injected ERROR_INSUFFICIENT_BUFFER, *pdwType and *pData hold the property.
// Every read is logged with cbBuffer, the size the caller offered.
DWORD ReadDeviceProperty(DWORD dwDevInst, DWORD dwProperty, DWORD cbBuffer, DWORD* pdwType,
                         std::vector<BYTE>* pData);
// cbData 0 with pData NULL deletes the property. Fails with the injected
// write failure, if any, before anything changes. Runs the write hook after
// a successful write.
DWORD WriteDeviceProperty(DWORD dwDevInst, DWORD dwProperty, DWORD dwType, const BYTE* pData, DWORD cbData);

}  // namespace qjplat

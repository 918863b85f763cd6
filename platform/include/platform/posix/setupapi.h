// setupapi: device information sets and device registry properties.
#pragma once

#include "platform/posix/types.h"

// A device information set: a snapshot of devices taken when the set is
// created. Not a kernel handle; released with SetupDiDestroyDeviceInfoList.
typedef PVOID HDEVINFO;

// One element of a device information set. The caller sets cbSize to the
// structure's size before passing it in.
struct SP_DEVINFO_DATA {
  DWORD cbSize;
  GUID ClassGuid;
  DWORD DevInst;
  ULONG_PTR Reserved;
};
typedef SP_DEVINFO_DATA* PSP_DEVINFO_DATA;
static_assert(sizeof(SP_DEVINFO_DATA) == (sizeof(void*) == 8 ? 32 : 28),
              "SP_DEVINFO_DATA keeps its Windows size");

// SetupDiGetClassDevs flags.
#define DIGCF_DEFAULT 0x00000001u
#define DIGCF_PRESENT 0x00000002u
#define DIGCF_ALLCLASSES 0x00000004u
#define DIGCF_PROFILE 0x00000008u
#define DIGCF_DEVICEINTERFACE 0x00000010u

// Device registry properties.
#define SPDRP_DEVICEDESC 0x00000000u
#define SPDRP_HARDWAREID 0x00000001u
#define SPDRP_COMPATIBLEIDS 0x00000002u
#define SPDRP_SERVICE 0x00000004u
#define SPDRP_CLASS 0x00000007u
#define SPDRP_CLASSGUID 0x00000008u
#define SPDRP_DRIVER 0x00000009u
#define SPDRP_CONFIGFLAGS 0x0000000Au
#define SPDRP_MFG 0x0000000Bu
#define SPDRP_FRIENDLYNAME 0x0000000Cu
#define SPDRP_LOCATION_INFORMATION 0x0000000Du
#define SPDRP_PHYSICAL_DEVICE_OBJECT_NAME 0x0000000Eu
#define SPDRP_CAPABILITIES 0x0000000Fu
#define SPDRP_UI_NUMBER 0x00000010u
#define SPDRP_UPPERFILTERS 0x00000011u
#define SPDRP_LOWERFILTERS 0x00000012u
#define SPDRP_BUSTYPEGUID 0x00000013u
#define SPDRP_LEGACYBUSTYPE 0x00000014u
#define SPDRP_BUSNUMBER 0x00000015u
#define SPDRP_ENUMERATOR_NAME 0x00000016u
#define SPDRP_SECURITY 0x00000017u
#define SPDRP_SECURITY_SDS 0x00000018u
#define SPDRP_DEVTYPE 0x00000019u
#define SPDRP_EXCLUSIVE 0x0000001Au
#define SPDRP_CHARACTERISTICS 0x0000001Bu
#define SPDRP_ADDRESS 0x0000001Cu
#define SPDRP_UI_NUMBER_DESC_FORMAT 0x0000001Du
#define SPDRP_DEVICE_POWER_DATA 0x0000001Eu
#define SPDRP_REMOVAL_POLICY 0x0000001Fu
#define SPDRP_REMOVAL_POLICY_HW_DEFAULT 0x00000020u
#define SPDRP_REMOVAL_POLICY_OVERRIDE 0x00000021u
#define SPDRP_INSTALL_STATE 0x00000022u
#define SPDRP_LOCATION_PATHS 0x00000023u
#define SPDRP_BASE_CONTAINERID 0x00000024u
#define SPDRP_MAXIMUM_PROPERTY 0x00000025u

// SetupAPI's own error codes (customer bit and error severity set).
#define ERROR_INVALID_REG_PROPERTY ((DWORD)0xE0000209u)
#define ERROR_NO_SUCH_DEVINST ((DWORD)0xE000020Bu)

// Creates a set of the devices of one setup class (ClassGuid) or of all
// classes (DIGCF_ALLCLASSES), optionally only those of one enumerator
// ("HID", "USB", ...). Result: the set, or INVALID_HANDLE_VALUE with
// ERROR_INVALID_PARAMETER (no class and no DIGCF_ALLCLASSES) or
// ERROR_INVALID_FLAGS (unknown flag bits).
QJ_PLATFORM_API HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND hwndParent,
                                                     DWORD Flags);
// Fills *DeviceInfoData with the set's element MemberIndex (0-based).
// Errors: ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER (NULL data),
// ERROR_INVALID_USER_BUFFER (cbSize is not the structure's size),
// ERROR_NO_MORE_ITEMS (index past the last element).
QJ_PLATFORM_API BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                                  PSP_DEVINFO_DATA DeviceInfoData);
// Copies one device property into PropertyBuffer; *RequiredSize (optional)
// receives the property's size in bytes, *PropertyRegDataType (optional) its
// registry type. Errors: ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER (bad
// element or a NULL buffer with a non-zero size), ERROR_INVALID_REG_PROPERTY,
// ERROR_INVALID_DATA (the device has no such property),
// ERROR_INSUFFICIENT_BUFFER (buffer left untouched, *RequiredSize set).
QJ_PLATFORM_API BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                                              PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                                              PDWORD PropertyRegDataType, PBYTE PropertyBuffer,
                                                              DWORD PropertyBufferSize, PDWORD RequiredSize);
// Sets (or, with a NULL buffer and a zero size, deletes) one settable device
// property. Errors: ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER,
// ERROR_INVALID_REG_PROPERTY (a property that cannot be set).
QJ_PLATFORM_API BOOL WINAPI SetupDiSetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet,
                                                              PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                                              const BYTE* PropertyBuffer, DWORD PropertyBufferSize);
// Releases a device information set. Error: ERROR_INVALID_HANDLE.
QJ_PLATFORM_API BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet);

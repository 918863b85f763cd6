// The setup program: registers the controller's joystick OEM entries and
// its HID upper filter driver.
#pragma once

#include "platform/win32.h"

// The low byte of the controller's USB product ID.
constexpr int kProductByte = 0x2F;

// Program entry: runs InstallDeviceFilter, then WriteOemJoystickEntries, and
// returns 1 whatever they report; the arguments are not used.
extern "C" int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);

// Sets the upper-filter property of the first present device whose hardware
// IDs hold the controller's, writing the OEM entries just before. Returns 1
// when that property was set (last error 0 at the end), otherwise 0; the
// last error is left as the scan ended.
int InstallDeviceFilter();

// Writes the joystick OEM entries for nProduct under HKEY_LOCAL_MACHINE and
// replaces the existing "UpperFilters" values below the controller's device
// tree key. Returns the error of creating or opening the device-tree key, or
// else the result of closing it.
LONG WriteOemJoystickEntries(int nProduct);

// DirectInput device access of the property pages: the one joystick device
// of a property sheet, made from its joystick ID through the joystick
// configuration and polled in the standard joystick format, and the
// watchdog that closes the sheet when polling keeps failing.
//
// Every routine runs on the property sheet's window thread. The DIUtil
// routines check their pointer arguments with IsBadReadPtr/IsBadWritePtr and
// write one OutputDebugStringA line for each failure.
#pragma once

#include "platform/win32.h"

class PropSheet;

// Lost-device watchdog, shared by all pages: the tick of the first failed
// poll of the current run of failures (0 = none pending) and the failures
// counted once 500 ms have passed since then. A successful poll of a page
// sets both to 0.
extern DWORD g_dwLostTick;
extern DWORD g_nLostCount;

// Makes the sheet's joystick-configuration object and device unless it has
// them, holding g_csModule (propsheet.h) throughout. hWndSheet is the
// property sheet window (the device's cooperative window). Results:
// E_POINTER for a sheet object that is not wholly readable and writable;
// S_FALSE when the sheet had its device already; the failure
// code of DirectInputCreateA, of the query for the joystick configuration or
// of DIUtilCreateDeviceFromJoyConfig; E_FAIL when there is no joystick
// configuration to make the device from; else the result of
// DIUtilCreateDeviceFromJoyConfig. The sheet releases what it was handed.
HRESULT AcquireDevice(HWND hWndSheet, PropSheet* pSheet);

// Makes the device of joystick nID: its instance from GetConfig, the device
// from CreateDevice, its IDirectInputDevice2 into *ppdiDevice2, set to the
// standard joystick format and to exclusive background cooperation with
// hWnd. Results: E_POINTER for a bad pointer; the failing call's code; else
// the result of SetCooperativeLevel. After a failing SetDataFormat or
// SetCooperativeLevel the device stays in *ppdiDevice2 for the caller to
// release.
HRESULT DIUtilCreateDeviceFromJoyConfig(short nID, HWND hWnd, IDirectInput* pdi, IDirectInputJoyConfig* pdiJoyCfg,
                                        IDirectInputDevice2** ppdiDevice2);

// Writes the type name of joystick nID ("VID_7C3A&PID_A02F") as ANSI into
// tszTypeName (cch characters, at most 256 used, always terminated). When
// GetConfig fails, string 2 of the module ("<< Error >>") goes into the
// buffer and to the debug output. Results: E_POINTER for a bad pointer, else
// the GetConfig result.
HRESULT DIUtilGetJoystickTypeName(short nID, IDirectInputJoyConfig* pdiJoyCfg, char* tszTypeName, int cch);

// Zeroes *pdijs, polls the device and reads its state. Results: E_POINTER
// for a bad pointer, else the GetDeviceState result (Poll's is not looked
// at).
HRESULT DIUtilPollJoystick(IDirectInputDevice2* pdiDevice2, DIJOYSTATE* pdijs);

// The value of a hexadecimal digit character (0..15); any other character
// is returned unchanged.
int ParseHexDigit(int c);

// Called after each failed poll of the page hWndPage. TRUE when it gave up:
// the fourth failure at or after 500 ms from the first of an unbroken run
// stops the page's timer 30, shows [ErrorInfo] "LoseDevice" of Setup.ini and
// posts WM_CLOSE to the sheet.
BOOL CheckLostDevice(HWND hWndPage);

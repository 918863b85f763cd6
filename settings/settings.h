// The user's controller settings record and the registry class of the
// property pages that reads and writes it.
#pragma once

#include <cstddef>
#include <type_traits>

#include "platform/win32.h"

// Registry location, under HKEY_LOCAL_MACHINE for the property pages (the
// subkey is the setting number n in decimal, appended with "%s\%d") and under
// HKEY_CURRENT_USER for the effect driver (read only). The setting number is
// the low byte of the controller's USB product ID.
constexpr const char SETTINGS_KEY_PATH[] = "Software\\VevOvuRivizud";
constexpr const char SETTINGS_USER_KEY_FORMAT[] = "SOFTWARE\\VevOvuRivizud\\%d";
constexpr const char SETTINGS_VALUE_NAME[] = "CurrentValue";
constexpr DWORD SETTINGS_RECORD_SIZE = 112;

// dwKeyCode: USB HID keyboard usage ID in bits 0-15 (0 = no key) and the
// modifier flags.
constexpr DWORD KEYCODE_USAGE_MASK = 0x0000FFFFu;
constexpr DWORD KEYCODE_CTRL = 0x00010000u;
constexpr DWORD KEYCODE_SHIFT = 0x00020000u;
constexpr DWORD KEYCODE_ALT = 0x00040000u;

// dwAxisCalib works on 8-bit axis positions. Three-point form (bit 24 clear):
// upper end U in bits 0-7, centre C in bits 8-15, lower end L in bits 16-23.
// Two-point form (bit 24 set): U in bits 0-7, L in bits 8-15.
constexpr DWORD AXIS_CALIB_TWO_POINT = 0x01000000u;
// Three-point L 0, C 127, U 255: positions read through it unchanged.
constexpr DWORD AXIS_CALIB_DEFAULT = 0x00007FFFu;

// The same 112 little-endian bytes in the registry, in memory and in profile
// files. Every field is naturally aligned, so packing leaves no gap.
#pragma pack(push, 4)
struct SettingsRecord {
  BYTE byButtonMap[12];   // reported button number (1..12) of physical button i
  BYTE byTurbo[12];       // turbo flag of button i: 0 off, 1 on
  DWORD dwKeyCode[12];    // keyboard key of button i (KEYCODE_*)
  DWORD dwAxisCalib[5];   // calibration word of X, Y, Rx, Ry, Z
  DWORD dwSensitivity;    // axis sensitivity level 0, 1, 2
  DWORD dwTimeCycle;      // vibration time cycle 0..255
  DWORD dwMotorPower;     // vibration motor power 0..255
  DWORD dwAutoMode;       // 0 manual, 1 auto
  DWORD dwReserved;       // carried unchanged with the record
};
#pragma pack(pop)
static_assert(sizeof(SettingsRecord) == SETTINGS_RECORD_SIZE, "the settings record is 112 bytes");
static_assert(offsetof(SettingsRecord, byButtonMap) == 0, "byButtonMap at 0");
static_assert(offsetof(SettingsRecord, byTurbo) == 12, "byTurbo at 12");
static_assert(offsetof(SettingsRecord, dwKeyCode) == 24, "dwKeyCode at 24");
static_assert(offsetof(SettingsRecord, dwAxisCalib) == 72, "dwAxisCalib at 72");
static_assert(offsetof(SettingsRecord, dwSensitivity) == 92, "dwSensitivity at 92");
static_assert(offsetof(SettingsRecord, dwTimeCycle) == 96, "dwTimeCycle at 96");
static_assert(offsetof(SettingsRecord, dwMotorPower) == 100, "dwMotorPower at 100");
static_assert(offsetof(SettingsRecord, dwAutoMode) == 104, "dwAutoMode at 104");
static_assert(offsetof(SettingsRecord, dwReserved) == 108, "dwReserved at 108");
static_assert(std::is_trivially_copyable<SettingsRecord>::value, "the record is copied as bytes");

// Sets every field whose full default is fixed: button i numbered i + 1, no
// turbo, no keys, X and Y AXIS_CALIB_DEFAULT, sensitivity 0, time cycle 63,
// motor power 63, manual mode. dwAxisCalib[2..4] (their defaults come from
// the layout file) and dwReserved are left as they are.
void FillSettingsDefaults(SettingsRecord* pRecord);

// Reads an 8-bit axis position (0..255) through one calibration word; the
// result is 0..255. Comparisons are unsigned, so a negative position reads as
// the word's upper end. A two-point word with equal ends reads positions below
// its point as 0, above as 255 and at it as 127; a three-point word whose
// clamped position lies above a centre equal to the upper end reads 255.
LONG CalibrateAxis(LONG lPos, DWORD dwCalib);

// Scoped registry key of the settings record: opened (or, failing that,
// created) under HKEY_LOCAL_MACHINE on construction, closed by Close or on
// destruction. Used on one thread at a time.
class SettingsKey {
 public:
  // Opens "<pszPath>\<nSetting>"; hKey stays NULL when pszPath is NULL, when
  // the name does not fit in 260 characters or when the key can neither be
  // opened nor created. Every Read and Write must name cbRecordSize bytes.
  SettingsKey(const char* pszPath, int nSetting, DWORD cbRecordSize);
  ~SettingsKey();

  // Reads "CurrentValue" (any value type) into pBuffer. Returns the byte count
  // stored, or -1 for a NULL buffer, a size other than cbRecord, no key, or a
  // failed query (a stored value longer than cbSize among them). A shorter
  // value fills only its own length; the rest of the buffer is left alone.
  int Read(void* pBuffer, DWORD cbSize);
  // Writes pData as the REG_BINARY value "CurrentValue". Returns cbSize, or
  // -1 for NULL data, a size other than cbRecord, no key, or a failed write.
  int Write(const void* pData, DWORD cbSize);
  // Closes the key when it is open; further reads and writes return -1.
  void Close();

  SettingsKey(const SettingsKey&) = delete;
  SettingsKey& operator=(const SettingsKey&) = delete;

  HKEY hKey;
  DWORD cbRecord;
};

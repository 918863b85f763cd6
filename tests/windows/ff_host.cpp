// A small Windows host of the effect driver, as DirectInput would use it:
// the driver is made through COM from its registration (CoCreateInstance with
// the class ID the driver registers), bound to joystick 0 with DeviceID on a
// device path that is a plain file here, and then plays a constant effect
// and stops it. The driver writes each 4-byte motor report to that path;
// the host reads the file back and checks the report bytes.
//
//   ff_host.exe REPORT-FILE [EXPECTED-MODULE]
// REPORT-FILE is made (or emptied) by the host; EXPECTED-MODULE, when given,
// is the path the driver module must have been loaded from (compared without
// case). Exit code 0 when every check holds, 1 otherwise; each step prints
// one line.
#include <windows.h>
#include <objbase.h>
#include <initguid.h>
#include <dinput.h>
#include <dinputd.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

// The driver's class ID (FF/qj_ff.cpp).
const GUID kClsidFFDriver = {0x5B2E91C7, 0x7C3A, 0xA02F, {0x8E, 0x14, 0x3D, 0x06, 0xB9, 0xF2, 0x7A, 0x40}};

int g_failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  std::fflush(stdout);
  if (!ok) ++g_failures;
}

// The user's settings record (112 bytes) with motor power 63 at offset 100,
// under the key of the product byte the playback server reads: 0 when
// winmm reports no joystick 0 (as under Wine), 47 for the controller.
void WriteSettings() {
  BYTE record[112] = {};
  const DWORD dwMotorPower = 63;
  std::memcpy(record + 100, &dwMotorPower, sizeof dwMotorPower);
  for (const char* key : {"SOFTWARE\\VevOvuRivizud\\0", "SOFTWARE\\VevOvuRivizud\\47"}) {
    HKEY hKey = NULL;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL) == ERROR_SUCCESS) {
      RegSetValueExA(hKey, "CurrentValue", 0, REG_BINARY, record, sizeof record);
      RegCloseKey(hKey);
    }
  }
}

bool ReadReport(const char* path, BYTE (&bytes)[4]) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, NULL);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD cb = 0;
  const BOOL ok = ReadFile(h, bytes, 4, &cb, NULL);
  CloseHandle(h);
  return ok && cb == 4;
}

// Waits (5 s at most) until the file holds the report b0 b1 b2 b3.
bool WaitForReport(const char* path, BYTE b0, BYTE b1, BYTE b2, BYTE b3) {
  BYTE last[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  for (int i = 0; i < 500; ++i) {
    BYTE bytes[4];
    if (ReadReport(path, bytes)) {
      std::memcpy(last, bytes, 4);
      if (bytes[0] == b0 && bytes[1] == b1 && bytes[2] == b2 && bytes[3] == b3) {
        std::printf("report %02X %02X %02X %02X\n", b0, b1, b2, b3);
        return true;
      }
    }
    Sleep(10);
  }
  std::printf("report wanted %02X %02X %02X %02X, file holds %02X %02X %02X %02X\n", b0, b1, b2, b3, last[0],
              last[1], last[2], last[3]);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ff_host REPORT-FILE [EXPECTED-MODULE]\n");
    return 2;
  }
  const char* path = argv[1];
  WriteSettings();

  // The "device": a file of four bytes that are no report.
  HANDLE hFile = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
  if (hFile == INVALID_HANDLE_VALUE) {
    std::printf("FAILED: cannot make %s (error %lu)\n", path, GetLastError());
    return 1;
  }
  const BYTE junk[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  DWORD cb = 0;
  WriteFile(hFile, junk, 4, &cb, NULL);
  CloseHandle(hFile);

  HRESULT hr = CoInitialize(NULL);
  Check(SUCCEEDED(hr), "CoInitialize");
  IDirectInputEffectDriver* pDriver = NULL;
  hr = CoCreateInstance(kClsidFFDriver, NULL, CLSCTX_INPROC_SERVER, IID_IDirectInputEffectDriver,
                        reinterpret_cast<void**>(&pDriver));
  std::printf("CoCreateInstance: 0x%08lX\n", static_cast<unsigned long>(hr));
  Check(hr == S_OK && pDriver != NULL, "CoCreateInstance of the driver's class");
  if (pDriver == NULL) {
    CoUninitialize();
    return 1;
  }

  // The module that COM loaded is the registered one.
  HMODULE hModule = NULL;
  char szModule[MAX_PATH] = "";
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(*reinterpret_cast<void**>(pDriver)), &hModule)) {
    GetModuleFileNameA(hModule, szModule, sizeof szModule);
  }
  std::printf("driver module: %s\n", szModule);
  if (argc > 2) Check(lstrcmpiA(szModule, argv[2]) == 0, "the driver comes from the registered module");

  DIDRIVERVERSIONS vers = {};
  vers.dwSize = sizeof vers;
  Check(pDriver->GetVersions(&vers) == S_OK && vers.dwFFDriverVersion == 0xF1F, "GetVersions");

  // Bind joystick 0 to the file; DeviceID turns both motors off first.
  WCHAR wszPath[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path, -1, wszPath, MAX_PATH);
  DIHIDFFINITINFO init = {};
  init.dwSize = sizeof init;
  init.pwszDeviceInterface = wszPath;
  Check(pDriver->DeviceID(0x0700, 0, TRUE, 0, &init) == S_OK, "DeviceID binds joystick 0");
  Check(WaitForReport(path, 0, 0, 0, 0), "DeviceID writes the all-off report");
  Check(pDriver->SetGain(0, 10000) == S_OK, "SetGain");

  // A constant force of 10000 towards the left motor, without end; with
  // motor power 63 (2/5) it is 4000, level 8 + 4000 * 23 / 10000 = 17.
  DICONSTANTFORCE force = {};
  force.lMagnitude = 10000;
  DWORD axes[2] = {0, 4};
  LONG directions[2] = {0, 0};
  DIEFFECT eff = {};
  eff.dwSize = sizeof eff;
  eff.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
  eff.dwDuration = INFINITE;
  eff.dwGain = 10000;
  eff.dwTriggerButton = DIEB_NOTRIGGER;
  eff.cAxes = 2;
  eff.rgdwAxes = axes;
  eff.rglDirection = directions;
  eff.cbTypeSpecificParams = sizeof force;
  eff.lpvTypeSpecificParams = &force;
  DWORD dwEffect = 0;
  Check(pDriver->DownloadEffect(0, 0, &dwEffect, &eff, DIEP_ALLPARAMS | DIEP_START) == S_OK && dwEffect == 1,
        "DownloadEffect of a constant force with DIEP_START gives handle 1");
  Check(WaitForReport(path, 0, 0x11, 0, 0), "the constant force reaches the left motor (level 17)");
  DWORD dwStatus = 0;
  Check(pDriver->GetEffectStatus(0, dwEffect, &dwStatus) == S_OK && dwStatus == DIEGES_PLAYING,
        "GetEffectStatus: playing");

  Check(pDriver->StopEffect(0, dwEffect) == S_OK, "StopEffect");
  Check(WaitForReport(path, 0, 0, 0, 0), "the stop turns both motors off");
  dwStatus = 0xFFFFFFFF;
  Check(pDriver->GetEffectStatus(0, dwEffect, &dwStatus) == S_OK && dwStatus == 0, "GetEffectStatus: stopped");

  Check(pDriver->Release() == 0, "the last Release tears the driver down");
  CoUninitialize();
  std::printf("%s\n", g_failures == 0 ? "ff_host: all checks passed" : "ff_host: checks failed");
  return g_failures == 0 ? 0 : 1;
}

// The effect driver's settings read: a "CurrentValue" of any type and size
// under HKEY_CURRENT_USER, read by a playback server as it is made, which
// then plays one effect with whatever record it kept.
#include "ffserver.h"
#include "fuzz_support.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb) {
  fuzz::UseFreshMachine();
  fuzz::Reader in(pData, cb);
  const DWORD dwType = in.Byte() % 12;
  const std::string value = in.Rest();
  // Joystick 0 has no device here: product ID 0, so the key of setting 0.
  HKEY hKey = nullptr;
  if (RegCreateKeyA(HKEY_CURRENT_USER, "SOFTWARE\\VevOvuRivizud\\0", &hKey) != ERROR_SUCCESS) return 0;
  RegSetValueExA(hKey, "CurrentValue", 0, dwType, reinterpret_cast<const BYTE*>(value.data()), DWORD(value.size()));
  RegCloseKey(hKey);

  FFServer server(0);
  server.m_bPathSet = 1;
  server.m_dwGain = 10000;
  DICONSTANTFORCE constant{10000};
  LONG lDirection = 0;
  DWORD dwAxis = 0;
  DIEFFECT eff{};
  eff.dwSize = sizeof eff;
  eff.dwFlags = DIEFF_POLAR;
  eff.dwDuration = 50000;
  eff.dwGain = 10000;
  eff.cAxes = 1;
  eff.rgdwAxes = &dwAxis;
  eff.rglDirection = &lDirection;
  eff.cbTypeSpecificParams = sizeof constant;
  eff.lpvTypeSpecificParams = &constant;
  for (DWORD dwType2 : {DWORD(ET_CONSTANT), DWORD(ET_SINE)}) {
    DWORD dwEffect = 0;
    if (!server.AddEffect(dwType2, &dwEffect, &eff, DIEP_ALLPARAMS)) continue;
    server.PlayEffect(dwEffect);
  }
  for (int i = 0; i < 80; ++i) {
    server.RunStep();
    sim::StepClock(1);
  }
  return 0;
}

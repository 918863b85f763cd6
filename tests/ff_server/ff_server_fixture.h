// Shared helpers of the playback-server tests: effect descriptions that own
// their arrays and blocks, a server bound to a simulated HID device on a
// frozen clock, and access to the stored records.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "ffserver.h"
#include "platform/sim/sim.h"
#include "platform/win32.h"

namespace fftest {

constexpr char kDevicePath[] = "\\\\?\\hid#vid_7c3a&pid_a02f#7&1&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr char kSecondDevicePath[] = "\\\\?\\hid#vid_7c3a&pid_a02f#7&2&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr DWORD kStartTick = 100000;
constexpr DWORD kSecondUs = 1000000;  // one second in DirectInput's microseconds

// A DIEFFECT together with the arrays, envelope and block it points to.
// Get() ties the pointers to this object, so copies stay usable.
struct Desc {
  DWORD rgdwAxes[8] = {0, 1, 2, 3, 4, 5, 6, 7};
  LONG rglDirection[8] = {};
  DIENVELOPE env = {sizeof(DIENVELOPE), 0, 0, 0, 0};
  bool bEnvelope = false;
  union Block {
    DICONSTANTFORCE constant;
    DIRAMPFORCE ramp;
    DIPERIODIC periodic;
    BYTE bytes[32];
  } block = {};
  DIEFFECT eff = {};

  Desc() {
    eff.dwSize = sizeof(DIEFFECT);
    eff.dwFlags = DIEFF_POLAR;
    eff.dwDuration = kSecondUs;
    eff.dwGain = 10000;
    eff.dwTriggerButton = 0xFFFFFFFF;
    eff.cAxes = 1;
  }
  const DIEFFECT* Get() {
    eff.rgdwAxes = rgdwAxes;
    eff.rglDirection = rglDirection;
    eff.lpEnvelope = bEnvelope ? &env : NULL;
    eff.lpvTypeSpecificParams = &block;
    return &eff;
  }
  Desc& Envelope(DWORD dwAttackLevel, DWORD dwAttackUs, DWORD dwFadeLevel, DWORD dwFadeUs) {
    env = {sizeof(DIENVELOPE), dwAttackLevel, dwAttackUs, dwFadeLevel, dwFadeUs};
    bEnvelope = true;
    return *this;
  }
  Desc& Polar(LONG lDirection) {
    eff.dwFlags = DIEFF_POLAR;
    eff.cAxes = 1;
    rglDirection[0] = lDirection;
    return *this;
  }
  Desc& Cartesian(DWORD cAxes, LONG d0, LONG d1) {
    eff.dwFlags = DIEFF_CARTESIAN;
    eff.cAxes = cAxes;
    rglDirection[0] = d0;
    rglDirection[1] = d1;
    return *this;
  }
};

inline Desc Constant(LONG lMagnitude, DWORD dwDurationUs = kSecondUs) {
  Desc d;
  d.eff.dwDuration = dwDurationUs;
  d.block.constant.lMagnitude = lMagnitude;
  d.eff.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
  return d;
}

inline Desc Ramp(LONG lStart, LONG lEnd, DWORD dwDurationUs = kSecondUs) {
  Desc d;
  d.eff.dwDuration = dwDurationUs;
  d.block.ramp = {lStart, lEnd};
  d.eff.cbTypeSpecificParams = sizeof(DIRAMPFORCE);
  return d;
}

inline Desc Periodic(DWORD dwMagnitude, LONG lOffset, DWORD dwPhase, DWORD dwPeriodUs,
                     DWORD dwDurationUs = INFINITE) {
  Desc d;
  d.eff.dwDuration = dwDurationUs;
  d.block.periodic = {dwMagnitude, lOffset, dwPhase, dwPeriodUs};
  d.eff.cbTypeSpecificParams = sizeof(DIPERIODIC);
  return d;
}

// The record that bears dwEffect, or NULL. Only while no playback thread runs.
inline EffectRecord* FindRecord(FFServer* pServer, DWORD dwEffect) {
  PtrListNode* pNode = pServer->m_EffectList.pHead;
  for (DWORD i = 0; i < pServer->m_EffectList.nCount; ++i, pNode = pNode->pNext) {
    EffectRecord* pRec = static_cast<EffectRecord*>(pNode);
    if (pRec->dwEffect == dwEffect) return pRec;
  }
  return NULL;
}

inline std::vector<BYTE> Bytes(BYTE b0, BYTE b1, BYTE b2, BYTE b3) { return {b0, b1, b2, b3}; }

// The bytes of every report the device received, in order.
inline std::vector<std::vector<BYTE>> ReportBytes(const sim::HidDevice& device) {
  std::vector<std::vector<BYTE>> out;
  for (const sim::HidReport& r : device.Reports()) out.push_back(r.bytes);
  return out;
}

// A server for joystick 0 bound to a simulated device, with the clock frozen
// and the module's zero-repeat count at 0. Settings default to a time cycle
// of 170 (periods play as requested) and a motor power of 170 (shares pass
// unscaled), and the device gain is full, unless a test changes them.
class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::FreezeClock(kStartTick);
    sim::RemoveHidDevices();
    device = sim::AddHidDevice(kDevicePath);
    g_nZeroReports = 0;
    server.reset(MakeServer(0, kDevicePath));
  }
  void TearDown() override {
    server.reset();
    sim::RemoveHidDevices();
    g_nZeroReports = 0;
    sim::ThawClock();
  }

  static FFServer* MakeServer(DWORD dwJoyId, const char* pszPath) {
    FFServer* pServer = new FFServer(dwJoyId);
    strcpy(pServer->m_szDevicePath, pszPath);
    pServer->m_bPathSet = 1;
    pServer->m_dwGain = 10000;
    pServer->m_Settings.dwTimeCycle = 170;
    pServer->m_Settings.dwMotorPower = 170;
    pServer->m_Settings.dwAutoMode = 0;
    return pServer;
  }

  DWORD Add(Desc d, DWORD dwEffectId = ET_CONSTANT) {
    DWORD dwEffect = 0;
    EXPECT_TRUE(server->AddEffect(dwEffectId, &dwEffect, d.Get(), DIEP_ALLPARAMS));
    return dwEffect;
  }
  // Adds and starts an effect at the current tick.
  DWORD Play(Desc d, DWORD dwEffectId = ET_CONSTANT) {
    DWORD dwEffect = Add(d, dwEffectId);
    EXPECT_TRUE(server->PlayEffect(dwEffect));
    return dwEffect;
  }
  // Runs one step dwMs after kStartTick and returns the left sum written.
  LONG LeftAt(DWORD dwMs) {
    sim::SetTick(kStartTick + dwMs);
    server->RunStep();
    return server->m_lLastLeft;
  }
  // Runs one step dwMs after kStartTick; the pair of sums written.
  std::pair<LONG, LONG> PairAt(DWORD dwMs) {
    sim::SetTick(kStartTick + dwMs);
    server->RunStep();
    return {server->m_lLastLeft, server->m_lLastRight};
  }

  std::shared_ptr<sim::HidDevice> device;
  std::unique_ptr<FFServer> server;
};

}  // namespace fftest

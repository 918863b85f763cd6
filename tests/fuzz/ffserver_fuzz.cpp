// The effect store and the playback step: downloads of any DIEFFECT contents,
// type indexes and flags, updates and every command of the store through
// FFServer, with playback steps on the frozen clock in between and a few
// hundred at the end. Arrays and blocks have exactly the sizes the
// description names, as DirectInput hands them over.
#include "ffserver.h"
#include "fuzz_support.h"

#include <memory>
#include <vector>

namespace {

const char kReportPath[] = "C:\\windows\\temp\\motor-report.bin";

// A description and the memory it points into.
struct Description {
  DIEFFECT eff{};
  std::vector<DWORD> axes;
  std::vector<LONG> directions;
  DIENVELOPE env{};
  std::vector<uint8_t> block;
  std::unique_ptr<uint8_t[]> pBlock;  // exactly block.size() bytes

  explicit Description(fuzz::Reader& in) {
    eff.dwSize = sizeof eff;
    eff.dwFlags = in.U32();
    eff.dwDuration = in.Flag() ? INFINITE : in.U32() % 4000000;
    eff.dwSamplePeriod = in.U32();
    eff.dwGain = in.Flag() ? in.U32() : in.U32() % 10001;
    eff.dwTriggerButton = in.U32();
    eff.cAxes = in.Byte() % 9;
    axes.resize(eff.cAxes);
    directions.resize(eff.cAxes);
    for (DWORD i = 0; i < eff.cAxes; ++i) {
      axes[i] = in.Byte();
      directions[i] = LONG(in.U32());
    }
    const uint8_t byShape = in.Byte();
    eff.rgdwAxes = (byShape & 1) ? nullptr : axes.data();
    eff.rglDirection = (byShape & 2) ? nullptr : directions.data();
    if (byShape & 4) {
      env = {sizeof env, in.U32(), in.U32() % 4000000, in.U32(), in.U32() % 4000000};
      eff.lpEnvelope = &env;
    }
    block = in.Bytes(64);
    eff.cbTypeSpecificParams = DWORD(block.size());
    if (!block.empty()) {
      pBlock.reset(new uint8_t[block.size()]);
      std::memcpy(pBlock.get(), block.data(), block.size());
    }
    eff.lpvTypeSpecificParams = (byShape & 8) ? nullptr : pBlock.get();
    eff.dwStartDelay = in.U32() % 3000000;
  }
};

void Steps(FFServer& server, int n) {
  for (int i = 0; i < n; ++i) {
    server.RunStep();
    sim::StepClock(1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb) {
  fuzz::UseFreshMachine();
  static const bool s_bReportFile = fuzz::WriteMachineFile(kReportPath, "", 0);
  (void)s_bReportFile;
  fuzz::Reader in(pData, cb);
  FFServer server(0);
  std::strcpy(server.m_szDevicePath, kReportPath);
  server.m_bPathSet = 1;
  server.m_dwGain = in.U32() % 10001;
  server.m_Settings.dwMotorPower = in.Byte();
  server.m_Settings.dwTimeCycle = in.Byte();
  server.m_Settings.dwAutoMode = in.Byte() & 1;
  std::vector<DWORD> handles;
  auto handle = [&]() -> DWORD {
    const uint8_t b = in.Byte();
    return handles.empty() || b >= 200 ? b : handles[b % handles.size()];
  };
  for (int nOps = 0; !in.Empty() && nOps < 64; ++nOps) {
    switch (in.Byte() % 16) {
      case 0: {
        const DWORD dwType = in.Byte() % 14;
        Description desc(in);
        DWORD dwEffect = 0;
        if (server.AddEffect(dwType, &dwEffect, &desc.eff, in.U32())) handles.push_back(dwEffect);
        break;
      }
      case 1: {
        const DWORD dwType = in.Byte() % 14;
        const DWORD dwEffect = handle();
        Description desc(in);
        server.UpdateEffect(dwType, dwEffect, &desc.eff, in.U32());
        break;
      }
      case 2: server.RemoveEffect(handle()); break;
      case 3: server.PlayEffect(handle()); break;
      case 4: server.RestartEffect(handle()); break;
      case 5: server.HaltEffect(handle()); break;
      case 6: server.PauseEffect(handle()); break;
      case 7: server.ResumeEffect(handle()); break;
      case 8: server.HaltAll(); break;
      case 9: server.PauseAll(); break;
      case 10: server.ResumeAll(); break;
      case 11: server.ResetEffects(); handles.clear(); break;
      case 12: server.QueryEffectState(handle()); break;
      case 13: server.m_dwGain = in.U32() % 10001; break;
      case 14: sim::StepClock(in.U32()); break;
      default: Steps(server, in.Byte() % 64); break;
    }
  }
  Steps(server, 300);
  return 0;
}

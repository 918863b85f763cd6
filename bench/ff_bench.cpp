// Costs of the effect driver's playback:
//   BM_RunStep/N        one playback step with N playing effects of mixed
//                       types, on a frozen clock stepped 1 ms per step (so
//                       the step's own Sleep(1) returns at once);
//   BM_StartLatency     DownloadEffect with DIEP_START to the first non-zero
//                       report at the device, through the real playback
//                       thread on the real clock (median, p99 and max over
//                       the starts);
//   BM_PlaybackCpu      CPU time that one playing joystick's thread uses per
//                       second of wall time (the process's CPU time while the
//                       benchmark thread sleeps);
//   BM_Download/N       one download (AddEffect, the handle search included)
//                       into a store that holds N effects;
//   BM_StepGap/N        the gaps between the ends of successive playback
//                       steps on the real clock while another thread
//                       downloads and destroys effects back to back into a
//                       store of N effects (p99 and max): how long the
//                       downloads hold the step off.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ffdriver.h"
#include "ffserver.h"
#include "platform/sim/sim.h"
#include "qj_ff.h"

namespace {

const char kDevicePath[] = "\\\\?\\hid#vid_7c3a&pid_a02f#7&1&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// One effect description with storage for its blocks (times in microseconds).
struct Effect {
  explicit Effect(DWORD dwType) {
    eff.dwSize = sizeof eff;
    eff.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    eff.dwDuration = INFINITE;
    eff.dwGain = 10000;
    eff.dwTriggerButton = 0xFFFFFFFF;
    eff.cAxes = 2;
    eff.rgdwAxes = axes;
    eff.rglDirection = directions;
    directions[0] = static_cast<LONG>((dwType * 4500) % 36000);
    envelope.dwSize = sizeof envelope;
    envelope.dwAttackLevel = 2000;
    envelope.dwAttackTime = 200000;
    eff.lpEnvelope = &envelope;
    if (dwType == ET_CONSTANT) {
      constant.lMagnitude = 7000;
      eff.cbTypeSpecificParams = sizeof constant;
      eff.lpvTypeSpecificParams = &constant;
    } else if (dwType == ET_RAMP) {
      ramp.lStart = -3000;
      ramp.lEnd = 9000;
      eff.dwDuration = 2000000;
      eff.cbTypeSpecificParams = sizeof ramp;
      eff.lpvTypeSpecificParams = &ramp;
    } else {
      periodic.dwMagnitude = 8000;
      periodic.dwPeriod = 150000;
      eff.cbTypeSpecificParams = sizeof periodic;
      eff.lpvTypeSpecificParams = &periodic;
    }
  }
  DWORD axes[2] = {0, 4};
  LONG directions[2] = {0, 0};
  DIENVELOPE envelope = {};
  DICONSTANTFORCE constant = {};
  DIRAMPFORCE ramp = {};
  DIPERIODIC periodic = {};
  DIEFFECT eff = {};
};

const DWORD kMixedTypes[] = {ET_CONSTANT, ET_SINE, ET_RAMP, ET_SQUARE, ET_TRIANGLE, ET_SAWTOOTHUP, ET_SAWTOOTHDOWN};

void BM_RunStep(benchmark::State& state) {
  sim::SetJoystick(0, 0x7C3A, 0xA02F);
  auto device = sim::AddHidDevice(kDevicePath);
  sim::FreezeClock(100000);
  {
    FFServer server(0);
    std::strcpy(server.m_szDevicePath, kDevicePath);
    server.m_bPathSet = 1;
    server.m_dwGain = 10000;
    const int cEffects = static_cast<int>(state.range(0));
    for (int i = 0; i < cEffects; ++i) {
      const DWORD dwType = kMixedTypes[i % (sizeof kMixedTypes / sizeof kMixedTypes[0])];
      Effect effect(dwType);
      DWORD dwHandle = 0;
      server.AddEffect(dwType, &dwHandle, &effect.eff, DIEP_ALLPARAMS);
      server.PlayEffect(dwHandle);
    }
    device->Clear();
    std::size_t cSteps = 0;
    for (auto _ : state) {
      sim::StepClock(1);
      server.RunStep();
      ++cSteps;
      if ((cSteps & 1023) == 0) device->Clear();  // keeps the recorded reports small
    }
    state.counters["effects"] = cEffects;
  }
  sim::ThawClock();
  sim::RemoveHidDevices();
}
BENCHMARK(BM_RunStep)->Arg(0)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond);

// The driver as DirectInput gets it, bound to joystick 0.
IDirectInputEffectDriver* BindDriver() {
  IClassFactory* pFactory = nullptr;
  if (DllGetClassObject(CLSID_FFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)) != S_OK) return nullptr;
  IDirectInputEffectDriver* pDriver = nullptr;
  pFactory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&pDriver));
  pFactory->Release();
  if (pDriver == nullptr) return nullptr;
  std::u16string wide(kDevicePath, kDevicePath + std::strlen(kDevicePath));
  DIHIDFFINITINFO init = {};
  init.dwSize = sizeof init;
  init.pwszDeviceInterface = &wide[0];
  pDriver->DeviceID(0x0700, 0, TRUE, 0, &init);
  pDriver->SetGain(0, 10000);
  return pDriver;
}

bool LastReportNonZero(const sim::HidDevice& device, std::size_t* pcSeen) {
  const auto reports = device.Reports();
  for (; *pcSeen < reports.size(); ++*pcSeen) {
    const auto& bytes = reports[*pcSeen].bytes;
    if (bytes[1] != 0 || bytes[2] != 0) return true;
  }
  return false;
}

void BM_StartLatency(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  sim::SetJoystick(0, 0x7C3A, 0xA02F);
  auto device = sim::AddHidDevice(kDevicePath);
  IDirectInputEffectDriver* pDriver = BindDriver();
  if (pDriver == nullptr) {
    state.SkipWithError("no driver");
    return;
  }
  const int cStarts = static_cast<int>(state.range(0));
  std::vector<double> latencies;
  std::vector<double> callTimes;  // DownloadEffect's own duration
  for (auto _ : state) {
    latencies.clear();
    callTimes.clear();
    for (int i = 0; i < cStarts; ++i) {
      Effect effect(ET_CONSTANT);
      effect.eff.lpEnvelope = nullptr;
      DWORD dwHandle = 0;
      std::size_t cSeen = device->ReportCount();
      const auto t0 = Clock::now();
      pDriver->DownloadEffect(0, ET_CONSTANT, &dwHandle, &effect.eff, DIEP_ALLPARAMS | DIEP_START);
      callTimes.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
      bool bSeen = false;
      while (!(bSeen = LastReportNonZero(*device, &cSeen)) && Clock::now() - t0 < std::chrono::seconds(1)) {
      }
      const auto t1 = Clock::now();
      if (!bSeen) {
        state.SkipWithError("no report within 1 s");
        break;
      }
      latencies.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
      // Stop and wait until the all-off pair reached the device, so that the
      // next start is a change of the pair again.
      pDriver->DestroyEffect(0, dwHandle);
      const auto tStop = Clock::now();
      for (;;) {
        const auto reports = device->Reports();
        if (!reports.empty() && reports.back().bytes[1] == 0 && reports.back().bytes[2] == 0) break;
        if (Clock::now() - tStop > std::chrono::seconds(1)) break;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
      device->Clear();
    }
  }
  pDriver->Release();
  sim::RemoveHidDevices();
  if (latencies.empty()) return;
  std::sort(latencies.begin(), latencies.end());
  auto at = [&](double q) { return latencies[static_cast<std::size_t>(q * (latencies.size() - 1))]; };
  state.counters["starts"] = static_cast<double>(latencies.size());
  state.counters["median_us"] = at(0.5);
  state.counters["p90_us"] = at(0.9);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = latencies.back();
  std::sort(callTimes.begin(), callTimes.end());
  state.counters["call_p99_us"] = callTimes[static_cast<std::size_t>(0.99 * (callTimes.size() - 1))];
}
BENCHMARK(BM_StartLatency)->Arg(250)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

double ProcessCpuSeconds() {
  rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// range(0): 1 = a sine effect plays on the joystick; 0 = the thread runs
// with nothing to play.
void BM_PlaybackCpu(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  sim::SetJoystick(0, 0x7C3A, 0xA02F);
  auto device = sim::AddHidDevice(kDevicePath);
  IDirectInputEffectDriver* pDriver = BindDriver();
  if (pDriver == nullptr) {
    state.SkipWithError("no driver");
    return;
  }
  Effect effect(ET_SINE);
  DWORD dwHandle = 0;
  if (state.range(0) != 0) pDriver->DownloadEffect(0, ET_SINE, &dwHandle, &effect.eff, DIEP_ALLPARAMS | DIEP_START);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  double cpuPerWall = 0;
  for (auto _ : state) {
    device->Clear();
    const double cpu0 = ProcessCpuSeconds();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    cpuPerWall = (ProcessCpuSeconds() - cpu0) / wall;
    state.counters["reports_per_s"] = device->ReportCount() / wall;
  }
  pDriver->Release();
  sim::RemoveHidDevices();
  state.counters["cpu_ms_per_s"] = cpuPerWall * 1000.0;
}
BENCHMARK(BM_PlaybackCpu)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A server with a path and full gain whose store holds cStored stopped
// effects; no thread runs.
struct StoredServer {
  explicit StoredServer(int cStored) : server(0) {
    std::strcpy(server.m_szDevicePath, kDevicePath);
    server.m_bPathSet = 1;
    server.m_dwGain = 10000;
    for (int i = 0; i < cStored; ++i) {
      Effect effect(ET_CONSTANT);
      DWORD dwHandle = 0;
      server.AddEffect(ET_CONSTANT, &dwHandle, &effect.eff, DIEP_ALLPARAMS);
    }
  }
  FFServer server;
};

void BM_Download(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  sim::SetJoystick(0, 0x7C3A, 0xA02F);
  auto device = sim::AddHidDevice(kDevicePath);
  {
    StoredServer stored(static_cast<int>(state.range(0)));
    Effect effect(ET_SINE);
    for (auto _ : state) {
      DWORD dwHandle = 0;
      const auto t0 = Clock::now();
      stored.server.AddEffect(ET_SINE, &dwHandle, &effect.eff, DIEP_ALLPARAMS);
      state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
      stored.server.RemoveEffect(dwHandle);
    }
    state.counters["stored"] = static_cast<double>(state.range(0));
  }
  sim::RemoveHidDevices();
}
BENCHMARK(BM_Download)->Arg(0)->Arg(100)->Arg(2000)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_StepGap(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  sim::SetJoystick(0, 0x7C3A, 0xA02F);
  auto device = sim::AddHidDevice(kDevicePath);
  {
    StoredServer stored(static_cast<int>(state.range(0)));
    Effect playing(ET_SINE);
    DWORD dwPlaying = 0;
    stored.server.AddEffect(ET_SINE, &dwPlaying, &playing.eff, DIEP_ALLPARAMS);
    stored.server.PlayEffect(dwPlaying);
    std::vector<double> gaps;
    std::size_t cDownloads = 0;
    for (auto _ : state) {
      gaps.clear();
      std::atomic<bool> bStop{false};
      // The playback thread's loop: a step (with its 1 ms sleep) after another.
      std::thread stepper([&] {
        auto tLast = Clock::now();
        while (!bStop.load()) {
          stored.server.RunStep();
          const auto t = Clock::now();
          gaps.push_back(std::chrono::duration<double, std::micro>(t - tLast).count());
          tLast = t;
        }
      });
      Effect effect(ET_CONSTANT);
      const auto tEnd = Clock::now() + std::chrono::seconds(1);
      while (Clock::now() < tEnd) {
        DWORD dwHandle = 0;
        stored.server.AddEffect(ET_CONSTANT, &dwHandle, &effect.eff, DIEP_ALLPARAMS);
        stored.server.RemoveEffect(dwHandle);
        ++cDownloads;
      }
      bStop = true;
      stepper.join();
      device->Clear();
    }
    if (!gaps.empty()) {
      std::sort(gaps.begin(), gaps.end());
      state.counters["steps"] = static_cast<double>(gaps.size());
      state.counters["downloads"] = static_cast<double>(cDownloads);
      state.counters["gap_median_us"] = gaps[gaps.size() / 2];
      state.counters["gap_p99_us"] = gaps[static_cast<std::size_t>(0.99 * (gaps.size() - 1))];
      state.counters["gap_max_us"] = gaps.back();
    }
  }
  sim::RemoveHidDevices();
}
BENCHMARK(BM_StepGap)->Arg(0)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

// Many callers at once, as a game with several threads and controllers calls
// the driver: the built module loaded through LoadLibraryA, one driver, four
// controllers on simulated devices and eight threads making random calls
// (downloads, updates, start, stop, destroy, gain, every command, status,
// state, DeviceID on IDs not bound yet) for a bounded time. Then: no handle
// was handed out twice while its effect lived; after a stop command's zero
// report no report of a quiet controller moves a motor; the driver's last
// Release and FreeLibrary leave no thread of the module behind.
#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>
#include <set>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/sim.h"
#include "platform/win32.h"

namespace {

const GUID kClsidFFDriver = {0x5B2E91C7, 0x7C3A, 0xA02F, {0x8E, 0x14, 0x3D, 0x06, 0xB9, 0xF2, 0x7A, 0x40}};
typedef HRESULT(STDAPICALLTYPE* GetClassObjectProc)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDAPICALLTYPE* VoidProc)(void);

constexpr DWORD kControllers = 4;  // IDs 0..3, each with its HID device
constexpr int kCallers = 8;
constexpr DWORD kEffectTypes = 12;  // constant, ramp, five periodic, four condition, custom

std::string WindowsPath(const std::string& path) {
  std::string windows = "Z:" + path;
  for (char& c : windows)
    if (c == '/') c = '\\';
  return windows;
}

// Threads of this process (Linux counts each as a task).
int ThreadCount() {
  int n = 0;
  if (DIR* pDir = opendir("/proc/self/task")) {
    while (dirent* pEntry = readdir(pDir))
      if (pEntry->d_name[0] != '.') ++n;
    closedir(pDir);
  }
  return n;
}

// Full motor power for the controller's product byte (0x2F = 47), so that
// forces reach the motors.
void WriteFullPowerSettings() {
  BYTE record[112] = {};
  const DWORD dwPower = 255;
  std::memcpy(record + 100, &dwPower, sizeof dwPower);
  HKEY hKey = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\VevOvuRivizud\\47", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &hKey, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(hKey, "CurrentValue", 0, REG_BINARY, record, sizeof record), ERROR_SUCCESS);
  RegCloseKey(hKey);
}

// An effect description of any type with random contents and its blocks.
struct RandomEffect {
  RandomEffect(std::mt19937& rng, DWORD dwType) {
    std::uniform_int_distribution<LONG> level(-10000, 10000);
    eff.dwSize = sizeof eff;
    eff.dwFlags = (rng() & 1) ? (DIEFF_POLAR | DIEFF_OBJECTOFFSETS) : (DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS);
    eff.dwDuration = (rng() % 4 == 0) ? INFINITE : static_cast<DWORD>(rng() % 300000);
    eff.dwSamplePeriod = rng() % 2000;
    eff.dwGain = rng() % 10001;
    eff.dwTriggerButton = 0xFFFFFFFF;
    eff.cAxes = 1 + rng() % 2;
    eff.rgdwAxes = axes;
    eff.rglDirection = directions;
    directions[0] = static_cast<LONG>(rng() % 36000);
    directions[1] = level(rng);
    eff.dwStartDelay = (rng() % 3 == 0) ? static_cast<DWORD>(rng() % 20000) : 0;
    if (rng() & 1) {
      envelope.dwSize = sizeof envelope;
      envelope.dwAttackLevel = rng() % 10001;
      envelope.dwAttackTime = rng() % 50000;
      envelope.dwFadeLevel = rng() % 10001;
      envelope.dwFadeTime = rng() % 50000;
      eff.lpEnvelope = &envelope;
    }
    if (dwType == 0) {
      constant.lMagnitude = level(rng);
      Block(&constant, sizeof constant);
    } else if (dwType == 1) {
      ramp.lStart = level(rng);
      ramp.lEnd = level(rng);
      Block(&ramp, sizeof ramp);
    } else if (dwType <= 6) {
      periodic.dwMagnitude = rng() % 10001;
      periodic.lOffset = level(rng) / 2;
      periodic.dwPhase = rng() % 36000;
      periodic.dwPeriod = 1000 + rng() % 200000;
      Block(&periodic, sizeof periodic);
    } else if (dwType <= 10) {
      condition[1] = level(rng);  // a condition block's positive coefficient
      Block(condition, sizeof condition);
    } else {
      Block(custom, sizeof custom);
    }
  }
  void Block(void* p, DWORD cb) {
    eff.cbTypeSpecificParams = cb;
    eff.lpvTypeSpecificParams = p;
  }
  DWORD axes[2] = {0, 4};
  LONG directions[2] = {0, 0};
  DIENVELOPE envelope = {};
  DICONSTANTFORCE constant = {};
  DIRAMPFORCE ramp = {};
  DIPERIODIC periodic = {};
  LONG condition[6] = {};  // the 24 bytes of a condition block
  BYTE custom[24] = {};
  DIEFFECT eff = {};
};

// The handles of one controller's live effects, as the callers know them.
// A reset frees every effect of the controller: it runs alone (unique lock)
// and starts a new epoch, while downloads and destroys share the lock; a
// caller destroys only the effects it downloaded in the current epoch, so
// that no caller frees another's effect behind its back.
struct Controller {
  std::shared_mutex resetGuard;
  DWORD dwEpoch = 0;  // written under the unique lock
  std::mutex mutex;
  std::set<DWORD> live;
  std::atomic<int> nReuses{0};  // a download that got a handle still live
};

class DriverStressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFullPowerSettings();
    for (DWORD id = 0; id < kControllers; ++id) {
      sim::SetJoystick(id, 0x7C3A, 0xA02F);
      devices.push_back(sim::AddHidDevice(sim::JoystickPath(id)));
    }
    // A thread made and joined first: a sanitizer's own helper thread,
    // which starts with the process's first thread, is then counted here.
    std::thread([] {}).join();
    nThreadsBefore = ThreadCount();
    hModule = LoadLibraryA(WindowsPath(QJ_FF_MODULE).c_str());
    ASSERT_NE(hModule, nullptr);
    auto pfnGetClassObject = reinterpret_cast<GetClassObjectProc>(GetProcAddress(hModule, "DllGetClassObject"));
    ASSERT_NE(pfnGetClassObject, nullptr);
    IClassFactory* pFactory = nullptr;
    ASSERT_EQ(pfnGetClassObject(kClsidFFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&pDriver)),
              S_OK);
    pFactory->Release();
    for (DWORD id = 0; id < kControllers; ++id) ASSERT_EQ(Bind(id), S_OK);
  }

  void TearDown() override {
    if (pDriver != nullptr) pDriver->Release();
    if (hModule != nullptr) FreeLibrary(hModule);
    sim::RemoveHidDevices();
    sim::ResetJoysticks();
  }

  HRESULT Bind(DWORD dwID) {
    const std::string path = sim::JoystickPath(dwID);
    std::u16string wide(path.begin(), path.end());
    DIHIDFFINITINFO init = {};
    init.dwSize = sizeof init;
    init.pwszDeviceInterface = &wide[0];
    return pDriver->DeviceID(0x0700, dwID, TRUE, 0, &init);
  }

  // One caller: random calls on random controllers until the deadline.
  void Caller(unsigned seed, std::chrono::steady_clock::time_point deadline) {
    std::mt19937 rng(seed);
    struct Owned {
      DWORD dwHandle, dwEpoch;
    };
    std::vector<Owned> mine[kControllers];  // effects this caller downloaded
    while (std::chrono::steady_clock::now() < deadline) {
      const DWORD id = rng() % kControllers;
      Controller& c = controllers[id];
      std::vector<Owned>& own = mine[id];
    auto anyOwn = [&] { return own.empty() ? static_cast<DWORD>(rng() % 8) : own[rng() % own.size()].dwHandle; };
      const unsigned op = rng() % 100;
      // Calls that keep no record go to any ID half the time, so they meet
      // the IDs that DeviceID binds meanwhile.
      const DWORD anyId = (rng() & 1) ? id : static_cast<DWORD>(rng() % 16);
      if (op < 30) {  // download a new effect, started or not
        std::shared_lock<std::shared_mutex> guard(c.resetGuard);
        const DWORD dwType = rng() % kEffectTypes;
        RandomEffect effect(rng, dwType);
        DWORD dwHandle = 0;
        const DWORD dwFlags = DIEP_ALLPARAMS | ((rng() & 1) ? DIEP_START : 0);
        if (pDriver->DownloadEffect(id, dwType, &dwHandle, &effect.eff, dwFlags) == S_OK && dwHandle != 0) {
          std::lock_guard<std::mutex> lock(c.mutex);
          if (!c.live.insert(dwHandle).second) ++c.nReuses;
          own.push_back({dwHandle, c.dwEpoch});
        }
      } else if (op < 45 && !own.empty()) {  // update one of its own
        std::shared_lock<std::shared_mutex> guard(c.resetGuard);
        const DWORD dwType = rng() % kEffectTypes;
        RandomEffect effect(rng, dwType);
        DWORD dwHandle = own[rng() % own.size()].dwHandle;
        pDriver->DownloadEffect(id, dwType, &dwHandle, &effect.eff, rng() & (DIEP_ALLPARAMS | DIEP_START));
      } else if (op < 55 && !own.empty()) {  // destroy one of its own
        std::shared_lock<std::shared_mutex> guard(c.resetGuard);
        const std::size_t i = rng() % own.size();
        const Owned owned = own[i];
        own.erase(own.begin() + static_cast<std::ptrdiff_t>(i));
        if (owned.dwEpoch != c.dwEpoch) continue;  // the reset freed it
        const DWORD dwHandle = owned.dwHandle;
        {
          std::lock_guard<std::mutex> lock(c.mutex);
          c.live.erase(dwHandle);
        }
        pDriver->DestroyEffect(id, dwHandle);
      } else if (op < 63) {
        pDriver->StartEffect(anyId, anyOwn(), 0, 1 + rng() % 2);
      } else if (op < 70) {
        pDriver->StopEffect(anyId, anyOwn());
      } else if (op < 75) {
        pDriver->SetGain(anyId, rng() % 12000);
      } else if (op < 82) {
        static const DWORD kCommands[] = {DISFFC_STOPALL, DISFFC_PAUSE, DISFFC_CONTINUE, DISFFC_SETACTUATORSON};
        pDriver->SendForceFeedbackCommand(id, kCommands[rng() % 4]);
      } else if (op < 84) {  // reset: every effect of the controller goes
        std::unique_lock<std::shared_mutex> guard(c.resetGuard);
        pDriver->SendForceFeedbackCommand(id, DISFFC_RESET);
        ++c.dwEpoch;
        std::lock_guard<std::mutex> lock(c.mutex);
        c.live.clear();
      } else if (op < 92) {
        DWORD dwStatus = 0xDEADBEEF;
        EXPECT_EQ(pDriver->GetEffectStatus(anyId, rng() % 16, &dwStatus), S_OK);
        EXPECT_TRUE(dwStatus == 0 || dwStatus == DIEGES_PLAYING) << dwStatus;
      } else if (op < 97) {
        DIDEVICESTATE state = {};
        state.dwSize = sizeof state;
        EXPECT_EQ(pDriver->GetForceFeedbackState(anyId, &state), S_OK);
      } else {  // DirectInput binds a controller that came later
        const DWORD dwNewId = kControllers + rng() % (16 - kControllers);
        Bind(dwNewId);
      }
    }
  }

  HMODULE hModule = nullptr;
  IDirectInputEffectDriver* pDriver = nullptr;
  std::vector<std::shared_ptr<sim::HidDevice>> devices;
  Controller controllers[kControllers];
  int nThreadsBefore = 0;
};

TEST_F(DriverStressTest, RandomCallsFromEightThreadsOnFourControllers) {
  ASSERT_NE(pDriver, nullptr);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  std::vector<std::thread> callers;
  for (int i = 0; i < kCallers; ++i) callers.emplace_back([this, i, deadline] { Caller(1000u + i, deadline); });
  for (std::thread& t : callers) t.join();

  for (DWORD id = 0; id < kControllers; ++id) {
    SCOPED_TRACE(id);
    EXPECT_EQ(controllers[id].nReuses.load(), 0) << "a handle was given out while its effect lived";
    EXPECT_GT(devices[id]->ReportCount(), 0u);
  }

  // Quiet now: a stop command's zero report is the last word on the motors.
  std::vector<std::size_t> cAtStop;
  for (DWORD id = 0; id < kControllers; ++id) {
    ASSERT_EQ(pDriver->SendForceFeedbackCommand(id, DISFFC_STOPALL), S_OK);
    cAtStop.push_back(devices[id]->ReportCount());
  }
  Sleep(50);
  for (DWORD id = 0; id < kControllers; ++id) {
    SCOPED_TRACE(id);
    const auto reports = devices[id]->Reports();
    ASSERT_GE(cAtStop[id], 1u);
    for (std::size_t i = cAtStop[id] - 1; i < reports.size(); ++i) {
      ASSERT_EQ(reports[i].bytes.size(), 4u);
      EXPECT_EQ(reports[i].bytes[1], 0) << "report " << i << " of " << reports.size();
      EXPECT_EQ(reports[i].bytes[2], 0) << "report " << i << " of " << reports.size();
    }
  }

  // The last Release stops every playback thread; the module may go.
  EXPECT_EQ(pDriver->Release(), 0u);
  pDriver = nullptr;
  auto pfnCanUnload = reinterpret_cast<VoidProc>(GetProcAddress(hModule, "DllCanUnloadNow"));
  ASSERT_NE(pfnCanUnload, nullptr);
  EXPECT_EQ(pfnCanUnload(), S_OK);
  EXPECT_TRUE(FreeLibrary(hModule));
  hModule = nullptr;
  // A joined worker has signalled its end; the system takes its thread away
  // a moment later.
  for (int i = 0; i < 5000 && ThreadCount() > nThreadsBefore; ++i) Sleep(1);
  EXPECT_EQ(ThreadCount(), nThreadsBefore) << "threads left behind";
}

}  // namespace

namespace {

// LockServer on one thread while another asks whether the module may go:
// the count is never torn, and once the locks and the factory are gone the
// module may unload.
TEST(DriverModuleLocks, LockServerRacesDllCanUnloadNow) {
  HMODULE hModule = LoadLibraryA(WindowsPath(QJ_FF_MODULE).c_str());
  ASSERT_NE(hModule, nullptr);
  auto pfnGetClassObject = reinterpret_cast<GetClassObjectProc>(GetProcAddress(hModule, "DllGetClassObject"));
  auto pfnCanUnload = reinterpret_cast<VoidProc>(GetProcAddress(hModule, "DllCanUnloadNow"));
  ASSERT_NE(pfnGetClassObject, nullptr);
  ASSERT_NE(pfnCanUnload, nullptr);
  IClassFactory* pFactory = nullptr;
  ASSERT_EQ(pfnGetClassObject(kClsidFFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
  std::atomic<bool> bDone{false};
  std::thread locker([&] {
    for (int i = 0; i < 20000; ++i) {
      pFactory->LockServer(TRUE);
      pFactory->LockServer(FALSE);
    }
    bDone = true;
  });
  int nBusy = 0;
  while (!bDone.load()) nBusy += (pfnCanUnload() == S_FALSE) ? 1 : 0;
  locker.join();
  EXPECT_GT(nBusy, 0);
  EXPECT_EQ(pfnCanUnload(), S_FALSE);  // the factory itself is still held
  EXPECT_EQ(pFactory->Release(), 0u);
  EXPECT_EQ(pfnCanUnload(), S_OK);
  EXPECT_TRUE(FreeLibrary(hModule));
}

}  // namespace

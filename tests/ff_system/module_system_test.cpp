// The built effect driver modules, loaded only through LoadLibraryA and
// GetProcAddress as DirectInput loads them, driving a simulated controller.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/sim/sim.h"
#include "platform/win32.h"

namespace {

const GUID kClsidFFDriver = {0x5B2E91C7, 0x7C3A, 0xA02F, {0x8E, 0x14, 0x3D, 0x06, 0xB9, 0xF2, 0x7A, 0x40}};
const char kClassKey[] = "CLSID\\{5B2E91C7-7C3A-A02F-8E14-3D06B9F27A40}";
const char kDevicePath[] = "\\\\?\\hid#vid_7c3a&pid_a02f#7&1&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

typedef HRESULT(STDAPICALLTYPE* GetClassObjectProc)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDAPICALLTYPE* VoidProc)(void);

using Bytes = std::vector<BYTE>;

std::string WindowsPath(const std::string& path) {
  std::string windows = "Z:" + path;
  for (char& c : windows)
    if (c == '/') c = '\\';
  return windows;
}

struct ModuleCase {
  const char* name;
  const char* path;
  bool bRegistration;
};

void PrintTo(const ModuleCase& c, std::ostream* os) { *os << c.name; }

const ModuleCase kModules[] = {
    {"full", QJ_FF_MODULE, true},
    {"noreg", QJ_FF_NOREG_MODULE, false},
};

// Writes the user's settings record with the given motor power for the
// controller's product byte (0x2F = 47), where a new playback server reads it.
void WriteSettings(DWORD dwMotorPower) {
  BYTE record[112] = {};
  std::memcpy(record + 100, &dwMotorPower, sizeof dwMotorPower);
  HKEY hKey = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\VevOvuRivizud\\47", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &hKey, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(hKey, "CurrentValue", 0, REG_BINARY, record, sizeof record), ERROR_SUCCESS);
  RegCloseKey(hKey);
}

bool WaitFor(const std::function<bool()>& cond, DWORD dwTimeoutMs = 3000) {
  for (DWORD i = 0; i < dwTimeoutMs; ++i) {
    if (cond()) return true;
    Sleep(1);
  }
  return cond();
}

// A polar constant force (times in microseconds).
struct Constant {
  Constant(LONG lMagnitude, LONG lDirection, DWORD dwDurationUs) {
    force.lMagnitude = lMagnitude;
    directions[0] = lDirection;
    eff.dwSize = sizeof eff;
    eff.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    eff.dwDuration = dwDurationUs;
    eff.dwGain = 10000;
    eff.dwTriggerButton = 0xFFFFFFFF;
    eff.cAxes = 2;
    eff.rgdwAxes = axes;
    eff.rglDirection = directions;
    eff.cbTypeSpecificParams = sizeof force;
    eff.lpvTypeSpecificParams = &force;
  }
  DICONSTANTFORCE force = {};
  DWORD axes[2] = {0, 4};
  LONG directions[2] = {0, 0};
  DIEFFECT eff = {};
};

class ModuleTest : public ::testing::TestWithParam<ModuleCase> {
 protected:
  void SetUp() override {
    sim::SetJoystick(0, 0x7C3A, 0xA02F);
    device = sim::AddHidDevice(kDevicePath);
    hModule = LoadLibraryA(WindowsPath(GetParam().path).c_str());
    ASSERT_NE(hModule, nullptr) << GetParam().path << " error " << GetLastError();
  }
  void TearDown() override {
    if (hModule != nullptr) {
      EXPECT_TRUE(FreeLibrary(hModule));
    }
    sim::RemoveHidDevices();
    sim::ResetJoysticks();
  }

  template <class T>
  T Proc(const char* name) {
    return reinterpret_cast<T>(GetProcAddress(hModule, name));
  }

  // The driver as DirectInput makes it: class factory, CreateInstance, the
  // factory released at once.
  IDirectInputEffectDriver* CreateDriver() {
    auto pfnGetClassObject = Proc<GetClassObjectProc>("DllGetClassObject");
    if (pfnGetClassObject == nullptr) return nullptr;
    IClassFactory* pFactory = nullptr;
    EXPECT_EQ(pfnGetClassObject(kClsidFFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)), S_OK);
    if (pFactory == nullptr) return nullptr;
    IDirectInputEffectDriver* pDriver = nullptr;
    EXPECT_EQ(pFactory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&pDriver)),
              S_OK);
    EXPECT_EQ(pFactory->Release(), 0u);
    return pDriver;
  }

  HRESULT Bind(IDirectInputEffectDriver* pDriver, DWORD dwID, const char* path) {
    std::u16string wide(path, path + std::strlen(path));
    DIHIDFFINITINFO init = {};
    init.dwSize = sizeof init;
    init.pwszDeviceInterface = &wide[0];
    return pDriver->DeviceID(0x0700, dwID, TRUE, 0, &init);
  }

  HMODULE hModule = nullptr;
  std::shared_ptr<sim::HidDevice> device;
};

TEST_P(ModuleTest, ExportsTheEntryPointsOfItsBuild) {
  for (const char* name : {"DllCanUnloadNow", "DllGetClassObject", "DllMain"}) {
    SCOPED_TRACE(name);
    EXPECT_NE(GetProcAddress(hModule, name), nullptr);
  }
  for (const char* name : {"DllRegisterServer", "DllUnregisterServer"}) {
    SCOPED_TRACE(name);
    SetLastError(0);
    FARPROC proc = GetProcAddress(hModule, name);
    EXPECT_EQ(proc != nullptr, GetParam().bRegistration);
    if (!GetParam().bRegistration) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    }
  }
  // Only the entry points are exported: the module's globals stay its own.
  for (const char* name : {"g_pDriver", "g_cLocks", "CLSID_FFDriver", "g_nZeroReports"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(GetProcAddress(hModule, name), nullptr);
  }
}

TEST_P(ModuleTest, DirectInputRoadDrivesTheMotors) {
  WriteSettings(63);  // motor-power factor 2/5
  IDirectInputEffectDriver* pDriver = CreateDriver();
  ASSERT_NE(pDriver, nullptr);
  auto pfnCanUnloadNow = Proc<VoidProc>("DllCanUnloadNow");
  ASSERT_NE(pfnCanUnloadNow, nullptr);
  EXPECT_EQ(pfnCanUnloadNow(), S_FALSE) << "the driver lives";

  ASSERT_EQ(Bind(pDriver, 0, kDevicePath), S_OK);
  ASSERT_TRUE(device->WaitForReports(1, 3000));
  EXPECT_EQ(device->Reports()[0].bytes, (Bytes{0, 0, 0, 0})) << "DeviceID turns both motors off first";
  ASSERT_EQ(pDriver->SetGain(0, 10000), S_OK);

  // Left motor: 10000 x 2/5 = 4000 -> level 8 + 4000*23/10000 = 17.
  Constant left(10000, 0, 200000);
  DWORD dwLeft = 0;
  const DWORD dwStartTick = GetTickCount();
  ASSERT_EQ(pDriver->DownloadEffect(0, 0, &dwLeft, &left.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
  EXPECT_EQ(dwLeft, 1u);
  auto firstIndexOf = [&](const Bytes& bytes) -> long {
    const auto reports = device->Reports();
    for (std::size_t i = 0; i < reports.size(); ++i)
      if (reports[i].bytes == bytes) return static_cast<long>(i);
    return -1;
  };
  ASSERT_TRUE(WaitFor([&] { return firstIndexOf(Bytes{0, 17, 0, 0}) >= 0; }));
  // It stops itself after its 200 ms; the fall to zero reaches the device.
  ASSERT_TRUE(WaitFor([&] {
    const auto reports = device->Reports();
    return reports.back().bytes == Bytes{0, 0, 0, 0} &&
           static_cast<std::size_t>(firstIndexOf(Bytes{0, 17, 0, 0})) < reports.size() - 1;
  }));
  {
    const auto reports = device->Reports();
    const std::size_t iOn = static_cast<std::size_t>(firstIndexOf(Bytes{0, 17, 0, 0}));
    for (std::size_t i = 1; i < iOn; ++i) EXPECT_EQ(reports[i].bytes, (Bytes{0, 0, 0, 0})) << i;
    std::size_t iOff = iOn;
    while (iOff < reports.size() && reports[iOff].bytes == Bytes{0, 17, 0, 0}) ++iOff;
    ASSERT_LT(iOff, reports.size());
    EXPECT_EQ(reports[iOff].bytes, (Bytes{0, 0, 0, 0}));
    EXPECT_GE(reports[iOff].dwTick - dwStartTick, 200u) << "stopped before its duration ran out";
  }

  // Both motors together: a right push of 5000 mixes with a left one of 10000.
  device->Clear();
  Constant right(5000, 9000, INFINITE);
  DWORD dwRight = 0;
  ASSERT_EQ(pDriver->DownloadEffect(0, 0, &dwRight, &right.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
  EXPECT_EQ(dwRight, 2u);
  ASSERT_EQ(pDriver->StartEffect(0, dwLeft, 0, INFINITE), S_OK);
  // 5000 x 2/5 = 2000 -> 12; with the left push: (17, 12) once both play.
  EXPECT_TRUE(WaitFor([&] { return firstIndexOf(Bytes{0, 17, 12, 0}) >= 0; }));
  ASSERT_EQ(pDriver->SendForceFeedbackCommand(0, DISFFC_STOPALL), S_OK);
  EXPECT_TRUE(WaitFor([&] { return device->Reports().back().bytes == Bytes{0, 0, 0, 0}; }));

  device->Clear();
  ASSERT_EQ(pDriver->StartEffect(0, dwRight, 0, 1), S_OK);
  ASSERT_TRUE(WaitFor([&] { return firstIndexOf(Bytes{0, 0, 12, 0}) >= 0; }));
  EXPECT_EQ(pDriver->Release(), 0u);
  const auto reports = device->Reports();
  EXPECT_EQ(reports.back().bytes, (Bytes{0, 0, 0, 0})) << "the last Release leaves the motors off";
  EXPECT_EQ(device->OpenHandles(), 0u);
  EXPECT_EQ(pfnCanUnloadNow(), S_OK);
}

// A game stops, pauses or resets and plays again at once, before the
// playback thread has run a step: the motors must run again, not stay off
// while the effect reports playing.
TEST_P(ModuleTest, CommandThenImmediateRestartDrivesTheMotorsAgain) {
  WriteSettings(63);  // motor-power factor 2/5: 10000 on the left gives level 17
  IDirectInputEffectDriver* pDriver = CreateDriver();
  ASSERT_NE(pDriver, nullptr);
  ASSERT_EQ(Bind(pDriver, 0, kDevicePath), S_OK);
  ASSERT_EQ(pDriver->SetGain(0, 10000), S_OK);
  Constant push(10000, 0, INFINITE);
  DWORD dwEffect = 0;
  ASSERT_EQ(pDriver->DownloadEffect(0, 0, &dwEffect, &push.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
  const Bytes kRunning = {0, 17, 0, 0};
  auto lastIsRunning = [&] {
    const auto reports = device->Reports();
    return !reports.empty() && reports.back().bytes == kRunning;
  };
  ASSERT_TRUE(WaitFor(lastIsRunning));

  struct Case {
    const char* name;
    std::function<void()> commandThenRestart;
  } cases[] = {
      {"stop all, start",
       [&] {
         pDriver->SendForceFeedbackCommand(0, DISFFC_STOPALL);
         pDriver->StartEffect(0, dwEffect, 0, 1);
       }},
      {"pause, continue",
       [&] {
         pDriver->SendForceFeedbackCommand(0, DISFFC_PAUSE);
         pDriver->SendForceFeedbackCommand(0, DISFFC_CONTINUE);
       }},
      {"reset, download and start",
       [&] {
         pDriver->SendForceFeedbackCommand(0, DISFFC_RESET);
         dwEffect = 0;
         pDriver->DownloadEffect(0, 0, &dwEffect, &push.eff, DIEP_ALLPARAMS | DIEP_START);
       }},
  };
  for (const Case& c : cases) {
    for (int iTry = 0; iTry < 10; ++iTry) {
      SCOPED_TRACE(testing::Message() << c.name << ", try " << iTry);
      device->Clear();
      c.commandThenRestart();
      EXPECT_TRUE(WaitFor(lastIsRunning)) << "the motors stayed off";
      DWORD dwStatus = 0;
      EXPECT_EQ(pDriver->GetEffectStatus(0, dwEffect, &dwStatus), S_OK);
      EXPECT_EQ(dwStatus, DIEGES_PLAYING);
    }
  }
  EXPECT_EQ(pDriver->Release(), 0u);
}

TEST_P(ModuleTest, UnpluggedDeviceIsSkippedWithoutFailure) {
  IDirectInputEffectDriver* pDriver = CreateDriver();
  ASSERT_NE(pDriver, nullptr);
  device->Unplug();
  ASSERT_EQ(Bind(pDriver, 0, kDevicePath), S_OK);
  ASSERT_EQ(pDriver->SetGain(0, 10000), S_OK);
  Constant push(10000, 0, INFINITE);
  DWORD dwEffect = 0;
  ASSERT_EQ(pDriver->DownloadEffect(0, 0, &dwEffect, &push.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
  DWORD dwStatus = 0;
  EXPECT_TRUE(WaitFor([&] {
    pDriver->GetEffectStatus(0, dwEffect, &dwStatus);
    return dwStatus == DIEGES_PLAYING;
  }));
  Sleep(20);
  EXPECT_EQ(device->ReportCount(), 0u);

  // Plugged in again, the next change of the pair reaches it.
  device->Plug();
  push.force.lMagnitude = 5000;
  ASSERT_EQ(pDriver->DownloadEffect(0, 0, &dwEffect, &push.eff, DIEP_TYPESPECIFICPARAMS), S_OK);
  EXPECT_TRUE(WaitFor([&] {
    const auto reports = device->Reports();
    return !reports.empty() && reports.back().bytes[1] != 0;
  }));
  EXPECT_EQ(pDriver->Release(), 0u);
}

TEST_P(ModuleTest, RegistrationThroughTheExports) {
  auto pfnRegister = Proc<VoidProc>("DllRegisterServer");
  auto pfnUnregister = Proc<VoidProc>("DllUnregisterServer");
  if (!GetParam().bRegistration) {
    EXPECT_EQ(pfnRegister, nullptr);
    EXPECT_EQ(pfnUnregister, nullptr);
    return;
  }
  ASSERT_NE(pfnRegister, nullptr);
  ASSERT_NE(pfnUnregister, nullptr);
  EXPECT_EQ(pfnRegister(), S_OK);

  char szModule[260] = {};
  ASSERT_GT(GetModuleFileNameA(hModule, szModule, sizeof szModule), 0u);
  HKEY hKey = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, (std::string(kClassKey) + "\\InProcServer32").c_str(), 0, KEY_READ, &hKey),
            ERROR_SUCCESS);
  // Each value is read into a sentinel-filled buffer: its size must cover
  // the text and exactly one terminator.
  for (const auto& [name, expected] : {std::pair<const char*, std::string>{nullptr, szModule}, {"ThreadingModel", "Both"}}) {
    SCOPED_TRACE(name ? name : "(default)");
    char szValue[300];
    std::memset(szValue, 0xcd, sizeof szValue);
    DWORD cb = sizeof szValue;
    DWORD dwType = 0;
    EXPECT_EQ(RegQueryValueExA(hKey, name, nullptr, &dwType, reinterpret_cast<BYTE*>(szValue), &cb), ERROR_SUCCESS);
    EXPECT_EQ(dwType, static_cast<DWORD>(REG_SZ));
    ASSERT_EQ(cb, expected.size() + 1);
    EXPECT_EQ(szValue[expected.size()], 0);
    EXPECT_EQ(std::string(szValue), expected) << "the server is the module itself, not the host";
  }
  RegCloseKey(hKey);

  sim::ClearDebugOutput();
  EXPECT_EQ(pfnUnregister(), S_OK);
  EXPECT_EQ(sim::DebugOutput(), std::string("ffnote: ") + kClassKey + "\n");
}

INSTANTIATE_TEST_SUITE_P(Builds, ModuleTest, ::testing::ValuesIn(kModules),
                         [](const ::testing::TestParamInfo<ModuleCase>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace

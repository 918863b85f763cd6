// The driver object: joystick-ID guards, its output records, DeviceID and the
// forwarding of effects and commands to the playback server.
#include "driver_fixture.h"

#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace {

using fftest::ConstantEffect;
using fftest::DriverTest;
using fftest::InitInfo;
using fftest::WaitFor;

const std::vector<BYTE> kAllOff = {0, 0, 0, 0};

// Releases the driver at the end of a test, whatever the asserts did.
struct DriverHolder {
  explicit DriverHolder(IDirectInputEffectDriver* p) : pDriver(p) {}
  ~DriverHolder() {
    if (pDriver != nullptr) pDriver->Release();
  }
  IDirectInputEffectDriver* operator->() const { return pDriver; }
  IDirectInputEffectDriver* pDriver;
};

TEST_F(DriverTest, IdGuardsOfEveryOperation) {
  // With the module's zero repeats used up, an idle bound server writes
  // nothing after its all-off report.
  g_nZeroReports = 5;
  DriverHolder driver(CreateBoundDriver());
  ASSERT_NE(driver.pDriver, nullptr);
  ConstantEffect effect(5000, 1000000);
  struct Op {
    const char* name;
    std::function<HRESULT(DWORD)> call;
  };
  const std::vector<Op> ops = {
      {"SetGain", [&](DWORD id) { return driver->SetGain(id, 10000); }},
      {"SendForceFeedbackCommand", [&](DWORD id) { return driver->SendForceFeedbackCommand(id, DISFFC_RESET); }},
      {"DownloadEffect",
       [&](DWORD id) {
         DWORD dwEffect = 0;
         HRESULT hr = driver->DownloadEffect(id, ET_CONSTANT, &dwEffect, &effect.eff, DIEP_ALLPARAMS | DIEP_START);
         EXPECT_EQ(dwEffect, 0u);
         return hr;
       }},
      {"DestroyEffect", [&](DWORD id) { return driver->DestroyEffect(id, 1); }},
      {"StartEffect", [&](DWORD id) { return driver->StartEffect(id, 1, 0, 1); }},
      {"StopEffect", [&](DWORD id) { return driver->StopEffect(id, 1); }},
      {"GetEffectStatus", [&](DWORD id) {
         DWORD dwStatus = 0xdeadbeef;
         HRESULT hr = driver->GetEffectStatus(id, 1, &dwStatus);
         EXPECT_EQ(dwStatus, 0u);
         return hr;
       }},
      {"GetForceFeedbackState", [&](DWORD id) {
         DIDEVICESTATE ds;
         std::memset(&ds, 0xcd, sizeof ds);
         ds.dwSize = sizeof ds;
         HRESULT hr = driver->GetForceFeedbackState(id, &ds);
         EXPECT_EQ(ds.dwState, 0xcdcdcdcdu);
         EXPECT_EQ(ds.dwSize, sizeof ds);
         if (hr == S_OK) {
           EXPECT_EQ(ds.dwLoad, 0u);
         }
         return hr;
       }},
      {"DeviceID(end)", [&](DWORD id) { return driver->DeviceID(0x0700, id, 0, 0, nullptr); }},
  };
  device->Clear();
  for (const Op& op : ops) {
    for (DWORD id : {16u, 17u, 0xFFFFFFFFu}) {
      SCOPED_TRACE(testing::Message() << op.name << " id " << id);
      EXPECT_EQ(op.call(id), E_FAIL);
    }
    SCOPED_TRACE(testing::Message() << op.name << " id 15 (not open)");
    EXPECT_EQ(op.call(15), S_OK);
  }
  EXPECT_EQ(driver->Escape(16, 1, nullptr), S_OK);
  EXPECT_EQ(driver->Escape(0, 1, nullptr), S_OK);
  EXPECT_EQ(g_pServer[15], nullptr);
  EXPECT_EQ(device->ReportCount(), 0u) << "a guarded call reached the device";
}

TEST_F(DriverTest, GetVersionsChecksTheRecordSize) {
  DriverHolder driver(CreateDriver());
  struct Case {
    DWORD dwSize;
    HRESULT hr;
  };
  for (const Case& c : {Case{0, E_INVALIDARG}, Case{15, E_INVALIDARG}, Case{16, S_OK}, Case{24, S_OK}}) {
    SCOPED_TRACE(c.dwSize);
    DIDRIVERVERSIONS vers;
    std::memset(&vers, 0xcd, sizeof vers);
    vers.dwSize = c.dwSize;
    EXPECT_EQ(driver->GetVersions(&vers), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(vers.dwSize, 16u);
      EXPECT_EQ(vers.dwFirmwareRevision, 3u);
      EXPECT_EQ(vers.dwHardwareRevision, 5u);
      EXPECT_EQ(vers.dwFFDriverVersion, 0xF1Fu);
    } else {
      EXPECT_EQ(vers.dwSize, c.dwSize);
      EXPECT_EQ(vers.dwFirmwareRevision, 0xcdcdcdcdu);
    }
  }
  EXPECT_EQ(driver->GetVersions(nullptr), E_INVALIDARG);
}

TEST_F(DriverTest, DeviceIdBindsOnceAndWritesAllOff) {
  DriverHolder driver(CreateDriver());
  InitInfo first(fftest::kDevicePath);
  ASSERT_EQ(driver->DeviceID(0x0700, 0, 1, 0, &first.info), S_OK);
  ASSERT_EQ(g_bServerOpen[0], 1);
  ASSERT_NE(g_pServer[0], nullptr);
  EXPECT_STREQ(g_pServer[0]->m_szDevicePath, fftest::kDevicePath);
  ASSERT_GE(device->ReportCount(), 1u);
  EXPECT_EQ(device->Reports()[0].bytes, kAllOff);
  EXPECT_EQ(g_pServer[0]->m_dwProductId, 0xA02Fu);

  FFServer* pServer = g_pServer[0];
  EXPECT_EQ(driver->DeviceID(0x0700, 0, 0, 0, nullptr), S_OK);
  EXPECT_EQ(g_pServer[0], pServer);
  EXPECT_EQ(g_bServerOpen[0], 1);
  EXPECT_STREQ(pServer->m_szDevicePath, fftest::kDevicePath);

  // The server still plays after fBegin 0.
  ConstantEffect effect(10000, INFINITE);
  DWORD dwEffect = 0;
  ASSERT_EQ(driver->SetGain(0, 10000), S_OK);
  ASSERT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwEffect, &effect.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
  EXPECT_EQ(dwEffect, 1u);
  EXPECT_TRUE(WaitFor([&] {
    for (const auto& report : device->Reports())
      if (report.bytes[1] != 0 || report.bytes[2] != 0) return true;
    return false;
  })) << "no motor report after DeviceID with fBegin 0";
}

// The controller unplugged and plugged into another port: DirectInput binds
// the open ID again with the new path. The server, its effect and its thread
// stay, and the level that plays reaches the controller on its new path.
TEST_F(DriverTest, DeviceIdAgainOnANewPathFollowsTheController) {
  DriverHolder driver(CreateBoundDriver());
  FFServer* pServer = g_pServer[0];
  ASSERT_NE(pServer, nullptr);
  ASSERT_EQ(driver->SetGain(0, 10000), S_OK);
  ConstantEffect effect(10000, INFINITE);  // both motors, 2/5 at the default power 0
  DWORD dwEffect = 0;
  ASSERT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwEffect, &effect.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
  const std::vector<BYTE> kPlaying = {0, 12, 12, 0};
  ASSERT_TRUE(WaitFor([&] { return device->ReportCount() > 0 && device->Reports().back().bytes == kPlaying; }));

  sim::RemoveHidDevices();
  const std::string newPath = fftest::DevicePath(3);
  auto replugged = sim::AddHidDevice(newPath);
  InitInfo init(newPath);
  EXPECT_EQ(driver->DeviceID(0x0700, 0, 1, 0, &init.info), S_OK);
  EXPECT_EQ(g_pServer[0], pServer);
  ASSERT_TRUE(WaitFor([&] { return replugged->ReportCount() > 0; })) << "nothing reached the new path";
  EXPECT_EQ(replugged->Reports().front().bytes, kPlaying) << "the steady level did not follow the controller";
  DWORD dwStatus = 0;
  EXPECT_EQ(driver->GetEffectStatus(0, dwEffect, &dwStatus), S_OK);
  EXPECT_EQ(dwStatus, DIEGES_PLAYING);

  // The same path again, in other case, changes nothing.
  Sleep(10);
  const std::size_t cReports = replugged->ReportCount();
  std::string upper = newPath;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  InitInfo same(upper);
  EXPECT_EQ(driver->DeviceID(0x0700, 0, 1, 0, &same.info), S_OK);
  Sleep(20);
  EXPECT_EQ(replugged->ReportCount(), cReports);
  g_pServer[0]->Lock();
  EXPECT_STREQ(g_pServer[0]->m_szDevicePath, newPath.c_str());
  g_pServer[0]->Unlock();

  // A path that does not fit leaves the open ID bound where it is.
  InitInfo tooLong("\\\\?\\hid#" + std::string(300, 'a'));
  EXPECT_EQ(driver->DeviceID(0x0700, 0, 1, 0, &tooLong.info), E_FAIL);
  EXPECT_EQ(driver->DeviceID(0x0700, 0, 1, 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(g_bServerOpen[0], 1);

  // The stop goes to the new path.
  ASSERT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_STOPALL), S_OK);
  EXPECT_TRUE(WaitFor([&] { return replugged->Reports().back().bytes == kAllOff; }));  // never empty here
}

TEST_F(DriverTest, DeviceIdRefusesBadPaths) {
  DriverHolder driver(CreateDriver());
  EXPECT_EQ(driver->DeviceID(0x0700, 1, 1, 0, nullptr), E_INVALIDARG);
  DIHIDFFINITINFO noPath = {};
  noPath.dwSize = sizeof noPath;
  EXPECT_EQ(driver->DeviceID(0x0700, 1, 1, 0, &noPath), E_INVALIDARG);

  // 259 characters fit the 260-byte path with its terminator; 260 do not.
  std::string fits = "\\\\?\\hid#";
  fits += std::string(259 - fits.size(), 'a');
  std::string tooLong = fits + "b";
  InitInfo longInfo(tooLong);
  EXPECT_EQ(driver->DeviceID(0x0700, 1, 1, 0, &longInfo.info), E_FAIL);
  EXPECT_EQ(g_bServerOpen[1], 0);
  EXPECT_EQ(g_pServer[1], nullptr);

  InitInfo fitInfo(fits);
  EXPECT_EQ(driver->DeviceID(0x0700, 1, 1, 0, &fitInfo.info), S_OK);
  ASSERT_NE(g_pServer[1], nullptr);
  EXPECT_EQ(std::strlen(g_pServer[1]->m_szDevicePath), 259u);
  EXPECT_EQ(std::string(g_pServer[1]->m_szDevicePath), fits);
}

TEST_F(DriverTest, ConcurrentDeviceIdMakesOneServer) {
  DriverHolder driver(CreateDriver());
  InitInfo init(fftest::kDevicePath);
  // With the module's zero repeats used up, only DeviceID's all-off report
  // reaches the device: one per server made.
  g_nZeroReports = 5;
  constexpr int kThreads = 8;
  std::vector<std::thread> threads;
  std::vector<HRESULT> results(kThreads, E_UNEXPECTED);
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&, i] { results[i] = driver->DeviceID(0x0700, 2, 1, 0, &init.info); });
  for (auto& t : threads) t.join();
  for (HRESULT hr : results) EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(g_bServerOpen[2], 1);
  EXPECT_EQ(device->Reports().size(), 1u) << "each server made writes its own all-off report";
  EXPECT_EQ(device->OpenCount(), 1u);
}

TEST_F(DriverTest, SetGainClampsToNominalMax) {
  DriverHolder driver(CreateBoundDriver());
  for (auto [dwGain, dwStored] : {std::pair<DWORD, DWORD>{0, 0}, {5000, 5000}, {10000, 10000}, {10001, 10000},
                                  {20000, 10000}, {0xFFFFFFFF, 10000}}) {
    SCOPED_TRACE(dwGain);
    EXPECT_EQ(driver->SetGain(0, dwGain), S_OK);
    EXPECT_EQ(g_pServer[0]->m_dwGain.load(), dwStored);
  }
}

TEST_F(DriverTest, EffectRoadThroughTheStore) {
  DriverHolder driver(CreateBoundDriver());
  ConstantEffect effect(6000, INFINITE);

  DWORD dwFirst = 0;
  EXPECT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwFirst, &effect.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
  EXPECT_EQ(dwFirst, 1u);
  DWORD dwStatus = 0xdeadbeef;
  EXPECT_EQ(driver->GetEffectStatus(0, dwFirst, &dwStatus), S_OK);
  EXPECT_EQ(dwStatus, DIEGES_PLAYING) << "DIEP_START plays before the call returns";

  DWORD dwSecond = 0;
  EXPECT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwSecond, &effect.eff, DIEP_ALLPARAMS), S_OK);
  EXPECT_EQ(dwSecond, 2u);
  dwStatus = 0xdeadbeef;
  EXPECT_EQ(driver->GetEffectStatus(0, dwSecond, &dwStatus), S_OK);
  EXPECT_EQ(dwStatus, 0u);

  EXPECT_EQ(driver->StartEffect(0, dwSecond, DIES_SOLO, 0), S_OK);
  EXPECT_EQ(g_pServer[0]->QueryEffectState(dwSecond), static_cast<DWORD>(EFFECT_STOPPED)) << "count 0 starts nothing";
  for (DWORD dwCount : {5u, INFINITE}) {
    SCOPED_TRACE(dwCount);
    EXPECT_EQ(driver->StartEffect(0, dwSecond, 0, dwCount), S_OK);
    EXPECT_EQ(g_pServer[0]->QueryEffectState(dwSecond), static_cast<DWORD>(EFFECT_PLAYING));
    EXPECT_EQ(driver->StopEffect(0, dwSecond), S_OK);
    EXPECT_EQ(g_pServer[0]->QueryEffectState(dwSecond), static_cast<DWORD>(EFFECT_STOPPED));
  }

  // Updating by handle (non-zero *pdwEffect) keeps the handle.
  DWORD dwUpdate = dwSecond;
  effect.force.lMagnitude = 2000;
  EXPECT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwUpdate, &effect.eff, DIEP_TYPESPECIFICPARAMS | DIEP_START),
            S_OK);
  EXPECT_EQ(dwUpdate, dwSecond);
  EXPECT_EQ(g_pServer[0]->QueryEffectState(dwSecond), static_cast<DWORD>(EFFECT_PLAYING));

  // DIEP_NORESTART: the playing effect is updated in place, its time runs on.
  const DWORD dwStartTick = [&] {
    g_pServer[0]->Lock();
    DWORD dwTick = 0;
    RotatePtrList(&g_pServer[0]->m_EffectList, [&](PtrListNode* pNode) {
      if (static_cast<EffectRecord*>(pNode)->dwEffect == dwSecond) dwTick = static_cast<EffectRecord*>(pNode)->dwStartTick;
      return true;
    });
    g_pServer[0]->Unlock();
    return dwTick;
  }();
  Sleep(5);
  effect.force.lMagnitude = 3000;
  EXPECT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwUpdate, &effect.eff, DIEP_TYPESPECIFICPARAMS | DIEP_NORESTART),
            S_OK);
  g_pServer[0]->Lock();
  RotatePtrList(&g_pServer[0]->m_EffectList, [&](PtrListNode* pNode) {
    const EffectRecord* pRec = static_cast<EffectRecord*>(pNode);
    if (pRec->dwEffect == dwSecond) {
      EXPECT_EQ(pRec->dwState, static_cast<DWORD>(EFFECT_PLAYING));
      EXPECT_EQ(pRec->dwStartTick, dwStartTick);
      EXPECT_EQ(static_cast<const DICONSTANTFORCE*>(pRec->lpvTypeSpecificParams)->lMagnitude, 3000);
    }
    return true;
  });
  g_pServer[0]->Unlock();

  EXPECT_EQ(driver->DestroyEffect(0, dwFirst), S_OK);
  DWORD dwReused = 0;
  EXPECT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwReused, &effect.eff, DIEP_ALLPARAMS), S_OK);
  EXPECT_EQ(dwReused, 1u) << "the lowest free handle is given out again";

  EXPECT_EQ(driver->DownloadEffect(0, ET_CONSTANT, nullptr, &effect.eff, DIEP_ALLPARAMS), E_INVALIDARG);
  EXPECT_EQ(driver->GetEffectStatus(0, dwFirst, nullptr), S_OK);
}

// What DirectInput would never pass: missing descriptions and outputs,
// descriptions with more axes than the record keeps or with a block too
// short for the type. Nothing crashes or reads past its input, and such an
// effect plays no force.
TEST_F(DriverTest, BadDescriptionsAndOutputs) {
  // With the module's zero repeats used up, the bound server writes nothing
  // after DeviceID's all-off report until its pair changes.
  g_nZeroReports = 5;
  DriverHolder driver(CreateBoundDriver());
  ASSERT_EQ(driver->SetGain(0, 10000), S_OK);
  ConstantEffect effect(6000, INFINITE);
  DWORD dwEffect = 0;
  EXPECT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwEffect, nullptr, DIEP_ALLPARAMS | DIEP_START), E_INVALIDARG);
  EXPECT_EQ(dwEffect, 0u);
  EXPECT_EQ(driver->DownloadEffect(0, ET_CONSTANT, nullptr, &effect.eff, DIEP_ALLPARAMS | DIEP_START), E_INVALIDARG);
  g_pServer[0]->Lock();  // the playback thread walks the list
  EXPECT_EQ(g_pServer[0]->m_EffectList.nCount, 0u) << "nothing is stored";
  g_pServer[0]->Unlock();

  ASSERT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwEffect, &effect.eff, DIEP_ALLPARAMS), S_OK);
  ASSERT_EQ(dwEffect, 1u);
  DWORD dwUpdate = dwEffect;
  EXPECT_EQ(driver->DownloadEffect(0, ET_RAMP, &dwUpdate, nullptr, DIEP_START), E_INVALIDARG);
  EXPECT_EQ(dwUpdate, dwEffect);
  EXPECT_EQ(g_pServer[0]->QueryEffectState(dwEffect), static_cast<DWORD>(EFFECT_STOPPED)) << "nothing is started";

  // Six axes: the arrays are read for the first four only (a sanitizer build
  // catches a read past these four-entry arrays).
  DWORD rgdwAxes[4] = {0, 4, 8, 12};
  LONG rglDirection[4] = {0, 0, 0, 0};
  ConstantEffect wide(6000, INFINITE);
  wide.eff.cAxes = 6;
  wide.eff.rgdwAxes = rgdwAxes;
  wide.eff.rglDirection = rglDirection;
  sim::ClearDebugOutput();
  DWORD dwWide = 0;
  EXPECT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwWide, &wide.eff, DIEP_ALLPARAMS), S_OK);
  EXPECT_EQ(dwWide, 2u);
  EXPECT_NE(sim::DebugOutput().find("peff->cAxes <= 4"), std::string::npos);
  EXPECT_EQ(driver->DestroyEffect(0, dwWide), S_OK);

  // A block too short for its type, and none at all, played with DIEP_START.
  device->Clear();
  BYTE byShort[2] = {0x10, 0x27};
  ConstantEffect shortBlock(0, 10000000);
  shortBlock.eff.cbTypeSpecificParams = sizeof byShort;
  shortBlock.eff.lpvTypeSpecificParams = byShort;
  ConstantEffect noBlock(0, 10000000);
  noBlock.eff.cbTypeSpecificParams = 0;
  noBlock.eff.lpvTypeSpecificParams = nullptr;
  for (DWORD dwType : {static_cast<DWORD>(ET_CONSTANT), static_cast<DWORD>(ET_RAMP), static_cast<DWORD>(ET_SINE)}) {
    for (ConstantEffect* pEffect : {&shortBlock, &noBlock}) {
      SCOPED_TRACE(testing::Message() << "type " << dwType << " block " << pEffect->eff.cbTypeSpecificParams);
      DWORD dwHandle = 0;
      EXPECT_EQ(driver->DownloadEffect(0, dwType, &dwHandle, &pEffect->eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
      EXPECT_NE(dwHandle, 0u);
      DWORD dwStatus = 0;
      EXPECT_EQ(driver->GetEffectStatus(0, dwHandle, &dwStatus), S_OK);
      EXPECT_EQ(dwStatus, DIEGES_PLAYING);
    }
  }
  Sleep(30);  // many playback steps
  EXPECT_EQ(device->ReportCount(), 0u) << "an effect without a usable block gave force";

  // NULL outputs of the COM methods.
  EXPECT_EQ(driver->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(DriverTest, CommandsActOnlyOnExactValues) {
  DriverHolder driver(CreateBoundDriver());
  ConstantEffect effect(6000, INFINITE);
  DWORD dwEffect = 0;
  ASSERT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwEffect, &effect.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
  for (DWORD dwCommand : {0u, 3u, 5u, 6u, 7u, 0x10u, 0x20u, 0x0Fu}) {
    SCOPED_TRACE(dwCommand);
    EXPECT_EQ(driver->SendForceFeedbackCommand(0, dwCommand), S_OK);
    EXPECT_EQ(g_pServer[0]->QueryEffectState(dwEffect), static_cast<DWORD>(EFFECT_PLAYING));
  }
  EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_PAUSE), S_OK);
  EXPECT_EQ(g_pServer[0]->QueryEffectState(dwEffect), static_cast<DWORD>(EFFECT_PAUSED));
  DWORD dwStatus = 0xdeadbeef;
  EXPECT_EQ(driver->GetEffectStatus(0, dwEffect, &dwStatus), S_OK);
  EXPECT_EQ(dwStatus, DIEGES_PLAYING) << "a paused effect reports playing";
  EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_CONTINUE), S_OK);
  EXPECT_EQ(g_pServer[0]->QueryEffectState(dwEffect), static_cast<DWORD>(EFFECT_PLAYING));
  EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_STOPALL), S_OK);
  EXPECT_EQ(g_pServer[0]->QueryEffectState(dwEffect), static_cast<DWORD>(EFFECT_STOPPED));
  EXPECT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_RESET), S_OK);
  DWORD dwNext = 0;
  ASSERT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwNext, &effect.eff, DIEP_ALLPARAMS), S_OK);
  EXPECT_EQ(dwNext, 1u) << "reset frees every effect";
  DWORD dwSecond = 0;
  ASSERT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwSecond, &effect.eff, DIEP_ALLPARAMS), S_OK);
  EXPECT_EQ(dwSecond, 2u);
}

TEST_F(DriverTest, ForceFeedbackStateFollowsThePlaybackStep) {
  DriverHolder driver(CreateBoundDriver());
  auto state = [&] {
    DIDEVICESTATE ds;
    std::memset(&ds, 0xcd, sizeof ds);
    ds.dwSize = sizeof ds;
    EXPECT_EQ(driver->GetForceFeedbackState(0, &ds), S_OK);
    EXPECT_EQ(ds.dwLoad, 0u);
    EXPECT_EQ(ds.dwSize, sizeof ds);
    return ds.dwState;
  };
  EXPECT_EQ(state(), DIGFFS_STOPPED);

  DIDEVICESTATE small;
  std::memset(&small, 0xcd, sizeof small);
  small.dwSize = 11;
  EXPECT_EQ(driver->GetForceFeedbackState(0, &small), E_INVALIDARG);
  EXPECT_EQ(small.dwState, 0xcdcdcdcdu);
  EXPECT_EQ(small.dwLoad, 0xcdcdcdcdu);
  EXPECT_EQ(driver->GetForceFeedbackState(0, nullptr), E_INVALIDARG);

  ConstantEffect effect(6000, INFINITE);
  DWORD dwEffect = 0;
  ASSERT_EQ(driver->DownloadEffect(0, ET_CONSTANT, &dwEffect, &effect.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
  EXPECT_TRUE(WaitFor([&] { return state() == 0; })) << "playing reports 0";
  ASSERT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_PAUSE), S_OK);
  EXPECT_TRUE(WaitFor([&] { return state() == DIGFFS_PAUSED; }));
  ASSERT_EQ(driver->SendForceFeedbackCommand(0, DISFFC_STOPALL), S_OK);
  EXPECT_TRUE(WaitFor([&] { return state() == DIGFFS_STOPPED; }));
}

TEST_F(DriverTest, LastReleaseTearsDownEveryServer) {
  IDirectInputEffectDriver* pDriver = CreateBoundDriver();
  ASSERT_NE(pDriver, nullptr);
  std::vector<std::shared_ptr<sim::HidDevice>> devices = {device};
  for (DWORD id : {7u, 15u}) {
    const std::string path = fftest::DevicePath(id);
    devices.push_back(sim::AddHidDevice(path));
    InitInfo init(path);
    EXPECT_EQ(pDriver->DeviceID(0x0700, id, 1, 0, &init.info), S_OK);
  }
  EXPECT_EQ(pDriver->SetGain(0, 10000), S_OK);
  ConstantEffect effect(10000, INFINITE);
  DWORD dwEffect = 0;
  EXPECT_EQ(pDriver->DownloadEffect(0, ET_CONSTANT, &dwEffect, &effect.eff, DIEP_ALLPARAMS | DIEP_START), S_OK);
  EXPECT_TRUE(WaitFor([&] {
    auto reports = device->Reports();
    return !reports.empty() && reports.back().bytes[1] != 0;
  }));

  EXPECT_EQ(pDriver->AddRef(), 2u);
  EXPECT_EQ(pDriver->Release(), 1u);
  EXPECT_EQ(g_bServerOpen[0], 1) << "a Release above 0 tears nothing down";
  for (const auto& dev : devices) dev->Clear();
  EXPECT_EQ(pDriver->Release(), 0u);
  for (DWORD id = 0; id < FF_MAX_JOYSTICKS; ++id) {
    SCOPED_TRACE(id);
    EXPECT_EQ(g_pServer[id], nullptr);
    EXPECT_EQ(g_bServerOpen[id], 0);
  }
  EXPECT_EQ(g_pDriver, nullptr);
  for (const auto& dev : devices) {
    SCOPED_TRACE(dev->Path());
    const auto reports = dev->Reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().bytes, kAllOff) << "the motors are left off";
    const std::size_t cAfter = dev->ReportCount();
    Sleep(20);
    EXPECT_EQ(dev->ReportCount(), cAfter) << "a playback thread outlived the driver";
    EXPECT_EQ(dev->OpenHandles(), 0u);
  }
}

}  // namespace

// The DIUtil routines and ParseHexDigit: bad pointers, each failing
// DirectInput call with its debug line, the type name and the polled state.
#include <cstring>

#include "device_fixture.h"

namespace {

using pagetest::DeviceAccessTest;
using pagetest::GuardedPage;
using pagetest::ReadOnlyPage;

TEST(ParseHexDigit, DigitsAndOthers) {
  const std::pair<int, int> cases[] = {{'0', 0}, {'2', 2}, {'9', 9}, {'A', 10}, {'F', 15}, {'a', 10}, {'f', 15},
                                       {'G', 'G'}, {'g', 'g'}, {'/', '/'}, {':', ':'}, {'@', '@'}, {0, 0}};
  for (const auto& c : cases) EXPECT_EQ(ParseHexDigit(c.first), c.second) << "character " << c.first;
}

TEST_F(DeviceAccessTest, CreateDeviceChecksPointersInOrder) {
  GuardedPage page;
  IDirectInputDevice2* pDevice = nullptr;
  void* pShort = page.Last(2);
  // Readable but not writable copies of good arguments.
  ReadOnlyPage roDi(m_pdi, sizeof(void*)), roConfig(m_pJoyConfig, sizeof(void*)), roOut;
  struct Case {
    IDirectInput* pdi;
    IDirectInputJoyConfig* pJoyConfig;
    IDirectInputDevice2** ppDevice;
    const char* pszLine;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, "DIUtilCreateDeviceFromJoyConfig() - invalid pdi\n"},
      {static_cast<IDirectInput*>(pShort), m_pJoyConfig, &pDevice, "DIUtilCreateDeviceFromJoyConfig() - invalid pdi\n"},
      {m_pdi, nullptr, nullptr, "DIUtilCreateDeviceFromJoyConfig() - invalid pdiJoyCfg\n"},
      {m_pdi, static_cast<IDirectInputJoyConfig*>(page.Guard()), &pDevice,
       "DIUtilCreateDeviceFromJoyConfig() - invalid pdiJoyCfg\n"},
      {m_pdi, m_pJoyConfig, nullptr, "DIUtilCreateDeviceFromJoyConfig() - invalid ppdiDevice2\n"},
      {m_pdi, m_pJoyConfig, static_cast<IDirectInputDevice2**>(page.Last(3)),
       "DIUtilCreateDeviceFromJoyConfig() - invalid ppdiDevice2\n"},
      {static_cast<IDirectInput*>(roDi.Get()), m_pJoyConfig, &pDevice, "DIUtilCreateDeviceFromJoyConfig() - invalid pdi\n"},
      {m_pdi, static_cast<IDirectInputJoyConfig*>(roConfig.Get()), &pDevice,
       "DIUtilCreateDeviceFromJoyConfig() - invalid pdiJoyCfg\n"},
      {m_pdi, m_pJoyConfig, static_cast<IDirectInputDevice2**>(roOut.Get()),
       "DIUtilCreateDeviceFromJoyConfig() - invalid ppdiDevice2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszLine);
    sim::ClearDebugOutput();
    EXPECT_EQ(DIUtilCreateDeviceFromJoyConfig(0, m_hSheet, c.pdi, c.pJoyConfig, c.ppDevice), E_POINTER);
    EXPECT_EQ(sim::DebugOutput(), c.pszLine);
  }
  EXPECT_EQ(pDevice, nullptr);
}

TEST_F(DeviceAccessTest, CreateDeviceMakesAnExclusiveJoystickDevice) {
  IDirectInputDevice2* pDevice = nullptr;
  ASSERT_EQ(DIUtilCreateDeviceFromJoyConfig(0, m_hSheet, m_pdi, m_pJoyConfig, &pDevice), DI_OK);
  ASSERT_NE(pDevice, nullptr);
  EXPECT_EQ(sim::DebugOutput(), "");
  EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore + 2) << "the first device interface was released";
  ASSERT_EQ(pDevice->Acquire(), DI_OK) << "the data format is set";
  DIJOYSTATE state;
  EXPECT_EQ(pDevice->GetDeviceState(sizeof state, &state), DI_OK) << "the joystick format, 80 bytes";

  IDirectInputDevice2* pOther = nullptr;
  ASSERT_EQ(DIUtilCreateDeviceFromJoyConfig(0, m_hSheet, m_pdi, m_pJoyConfig, &pOther), DI_OK);
  EXPECT_EQ(pOther->Acquire(), DIERR_OTHERAPPHASPRIO) << "exclusive cooperation";
  EXPECT_EQ(pOther->Release(), 0u);
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(DeviceAccessTest, EachFailingCallGivesItsLineAndCode) {
  struct Case {
    sim::DiCall call;
    HRESULT hr;
    const char* pszLine;
    bool bDeviceLeft;  // the device stays for the caller to release
  };
  const Case cases[] = {
      {sim::DiCall::kGetConfig, DIERR_NOMOREITEMS, "DIUtilCreateDeviceFromJoyConfig() - GetConfig() failed\n", false},
      {sim::DiCall::kCreateDevice, DIERR_DEVICENOTREG, "DIUtilCreateDeviceFromJoyConfig() - CreateDevice() failed\n",
       false},
      {sim::DiCall::kQueryDevice2, E_NOINTERFACE,
       "DIUtilCreateDeviceFromJoyConfig() - QueryInterface(IDirectInputDevice2) failed\n", false},
      {sim::DiCall::kSetDataFormat, DIERR_ACQUIRED,
       "DIUtilCreateDeviceFromJoyConfig() - SetDataFormat(Joystick) failed\n", true},
      {sim::DiCall::kSetCooperativeLevel, E_HANDLE,
       "DIUtilCreateDeviceFromJoyConfig() - SetCooperativeLevel() failed\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszLine);
    sim::ClearDebugOutput();
    sim::FailDirectInput(c.call, c.hr);
    IDirectInputDevice2* pDevice = nullptr;
    EXPECT_EQ(DIUtilCreateDeviceFromJoyConfig(0, m_hSheet, m_pdi, m_pJoyConfig, &pDevice), c.hr);
    EXPECT_EQ(sim::DebugOutput(), c.pszLine);
    EXPECT_EQ(pDevice != nullptr, c.bDeviceLeft);
    if (pDevice) {
      EXPECT_EQ(pDevice->Release(), 0u);
    }
    EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore + 1) << "nothing else is left behind";
    sim::FailDirectInput(c.call, S_OK);
  }
}

TEST_F(DeviceAccessTest, JoystickWithoutDeviceOrWindow) {
  // An ID with no joystick is "not configured": GetConfig succeeds with no
  // instance, so CreateDevice is what fails.
  IDirectInputDevice2* pDevice = nullptr;
  EXPECT_EQ(DIUtilCreateDeviceFromJoyConfig(5, m_hSheet, m_pdi, m_pJoyConfig, &pDevice), DIERR_DEVICENOTREG);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilCreateDeviceFromJoyConfig() - CreateDevice() failed\n");
  EXPECT_EQ(pDevice, nullptr);
  // The ID -1 is widened with its sign, past the last joystick.
  sim::ClearDebugOutput();
  EXPECT_EQ(DIUtilCreateDeviceFromJoyConfig(-1, m_hSheet, m_pdi, m_pJoyConfig, &pDevice), DIERR_NOMOREITEMS);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilCreateDeviceFromJoyConfig() - GetConfig() failed\n");
  // Exclusive cooperation needs a window.
  sim::ClearDebugOutput();
  EXPECT_EQ(DIUtilCreateDeviceFromJoyConfig(0, nullptr, m_pdi, m_pJoyConfig, &pDevice), E_HANDLE);
  ASSERT_NE(pDevice, nullptr);
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(DeviceAccessTest, TypeNameGivesTheSettingNumber) {
  char szName[260];
  std::memset(szName, 0xcd, sizeof szName);
  ASSERT_EQ(DIUtilGetJoystickTypeName(0, m_pJoyConfig, szName, sizeof szName), DI_OK);
  EXPECT_STREQ(szName, "VID_7C3A&PID_A02F");
  EXPECT_EQ(16 * ParseHexDigit(szName[15]) + ParseHexDigit(szName[16]), 47);
  EXPECT_EQ(sim::DebugOutput(), "");

  // A name longer than the buffer is cut and terminated; nothing past the
  // buffer is written.
  std::memset(szName, 0xcd, sizeof szName);
  ASSERT_EQ(DIUtilGetJoystickTypeName(0, m_pJoyConfig, szName, 9), DI_OK);
  EXPECT_EQ(szName[8], '\0');
  EXPECT_EQ(std::memcmp(szName, "VID_7C3A", 8), 0);
  EXPECT_EQ(static_cast<BYTE>(szName[9]), 0xcd);

  // A long name fills at most 256 bytes with its terminator.
  sim::SetJoystickTypeName(0, std::string(300, 'x'));
  std::memset(szName, 0xcd, sizeof szName);
  ASSERT_EQ(DIUtilGetJoystickTypeName(0, m_pJoyConfig, szName, sizeof szName), DI_OK);
  EXPECT_EQ(std::strlen(szName), 255u);
  EXPECT_EQ(static_cast<BYTE>(szName[256]), 0xcd);
}

TEST_F(DeviceAccessTest, RefusedTypeNameReadsAsTheErrorString) {
  for (short nID : {short(16), short(-1)}) {
    SCOPED_TRACE(nID);
    sim::ClearDebugOutput();
    char szName[260] = "previous";
    EXPECT_EQ(DIUtilGetJoystickTypeName(nID, m_pJoyConfig, szName, sizeof szName), DIERR_NOMOREITEMS);
    EXPECT_STREQ(szName, "<< Error >>");
    EXPECT_EQ(sim::DebugOutput(), "<< Error >>") << "written without a line feed";
  }
  // A short buffer takes what fits, a buffer of one character its
  // terminator, an empty one nothing.
  char szShort[6];
  EXPECT_EQ(DIUtilGetJoystickTypeName(16, m_pJoyConfig, szShort, sizeof szShort), DIERR_NOMOREITEMS);
  EXPECT_STREQ(szShort, "<< Er");
  char szOne[2] = {'x', 'y'};
  EXPECT_EQ(DIUtilGetJoystickTypeName(16, m_pJoyConfig, szOne, 1), DIERR_NOMOREITEMS);
  EXPECT_EQ(szOne[0], '\0');
  EXPECT_EQ(szOne[1], 'y');
  szOne[0] = 'x';
  EXPECT_EQ(DIUtilGetJoystickTypeName(16, m_pJoyConfig, szOne, 0), DIERR_NOMOREITEMS);
  EXPECT_EQ(szOne[0], 'x');
}

TEST_F(DeviceAccessTest, TypeNameChecksPointers) {
  char szName[260];
  EXPECT_EQ(DIUtilGetJoystickTypeName(0, nullptr, szName, sizeof szName), E_POINTER);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilGetJoystickTypeName() - invalid pdiJoyCfg\n");
  sim::ClearDebugOutput();
  EXPECT_EQ(DIUtilGetJoystickTypeName(0, m_pJoyConfig, nullptr, 260), E_POINTER);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilGetJoystickTypeName() - invalid tszTypeName\n");
  sim::ClearDebugOutput();
  ReadOnlyPage roConfig(m_pJoyConfig, sizeof(void*)), roName;
  EXPECT_EQ(DIUtilGetJoystickTypeName(0, static_cast<IDirectInputJoyConfig*>(roConfig.Get()), szName, sizeof szName),
            E_POINTER);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilGetJoystickTypeName() - invalid pdiJoyCfg\n");
  sim::ClearDebugOutput();
  EXPECT_EQ(DIUtilGetJoystickTypeName(0, m_pJoyConfig, static_cast<char*>(roName.Get()), 260), E_POINTER);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilGetJoystickTypeName() - invalid tszTypeName\n");
}

TEST_F(DeviceAccessTest, PollZeroesTheStateBeforeReadingIt) {
  IDirectInputDevice2* pDevice = MakeAcquiredDevice(0);
  ASSERT_NE(pDevice, nullptr);
  DIJOYSTATE scripted = sim::RestingJoystickState();
  scripted.lX = 1234;
  scripted.lRz = 65535;
  scripted.rgdwPOV[0] = 27000;
  scripted.rgbButtons[3] = 0x80;
  sim::SetJoystickState(0, scripted);

  DIJOYSTATE state;
  std::memset(&state, 0xcd, sizeof state);
  ASSERT_EQ(DIUtilPollJoystick(pDevice, &state), DI_OK);
  EXPECT_EQ(std::memcmp(&state, &scripted, sizeof state), 0);

  // A failing read leaves the zeroed state and says so.
  sim::FailDirectInput(sim::DiCall::kGetDeviceState, DIERR_INPUTLOST);
  std::memset(&state, 0xcd, sizeof state);
  EXPECT_EQ(DIUtilPollJoystick(pDevice, &state), DIERR_INPUTLOST);
  const DIJOYSTATE zero{};
  EXPECT_EQ(std::memcmp(&state, &zero, sizeof state), 0);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilPollJoystick() - GetDeviceState() failed\n");
  sim::FailDirectInput(sim::DiCall::kGetDeviceState, S_OK);

  // A failing Poll is not looked at; a lost device fails the read.
  sim::FailDirectInput(sim::DiCall::kPoll, E_FAIL);
  EXPECT_EQ(DIUtilPollJoystick(pDevice, &state), DI_OK);
  sim::FailDirectInput(sim::DiCall::kPoll, S_OK);
  sim::LoseJoystick(0);
  EXPECT_EQ(DIUtilPollJoystick(pDevice, &state), DIERR_INPUTLOST);
  EXPECT_EQ(pDevice->Release(), 0u);
}

TEST_F(DeviceAccessTest, PollChecksPointers) {
  IDirectInputDevice2* pDevice = MakeAcquiredDevice(0);
  ASSERT_NE(pDevice, nullptr);
  GuardedPage page;
  DIJOYSTATE state;
  EXPECT_EQ(DIUtilPollJoystick(nullptr, &state), E_POINTER);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilPollJoystick() - invalid pdiDevice2\n");
  sim::ClearDebugOutput();
  EXPECT_EQ(DIUtilPollJoystick(pDevice, nullptr), E_POINTER);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilPollJoystick() - invalid pdijs\n");
  sim::ClearDebugOutput();
  // 79 good bytes are one short of the state.
  EXPECT_EQ(DIUtilPollJoystick(pDevice, static_cast<DIJOYSTATE*>(page.Last(79))), E_POINTER);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilPollJoystick() - invalid pdijs\n");
  EXPECT_EQ(DIUtilPollJoystick(pDevice, static_cast<DIJOYSTATE*>(page.Last(80))), DI_OK);
  sim::ClearDebugOutput();
  ReadOnlyPage roDevice(pDevice, sizeof(void*)), roState;
  EXPECT_EQ(DIUtilPollJoystick(static_cast<IDirectInputDevice2*>(roDevice.Get()), &state), E_POINTER);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilPollJoystick() - invalid pdiDevice2\n");
  sim::ClearDebugOutput();
  EXPECT_EQ(DIUtilPollJoystick(pDevice, static_cast<DIJOYSTATE*>(roState.Get())), E_POINTER);
  EXPECT_EQ(sim::DebugOutput(), "DIUtilPollJoystick() - invalid pdijs\n");
  EXPECT_EQ(pDevice->Release(), 0u);
}

}  // namespace

namespace {

// The check page's road: each timer tick polls the device and hands a good
// state to the check; a failed poll hands nothing.
TEST_F(DeviceAccessTest, PolledStatesDriveTheCalibrationCheck) {
  IDirectInputDevice2* pDevice = MakeAcquiredDevice(0);
  ASSERT_NE(pDevice, nullptr);
  PageEngine engine;
  engine.m_dwAxisCount = 4;
  for (DWORD& dwWord : engine.m_Settings.dwAxisCalib) dwWord = AXIS_CALIB_DEFAULT;
  engine.ResetCheck();
  auto Tick = [&](LONG lX, LONG lRz) {
    DIJOYSTATE scripted = sim::RestingJoystickState();
    scripted.lX = lX;
    scripted.lRz = lRz;
    sim::SetJoystickState(0, scripted);
    DIJOYSTATE state;
    if (SUCCEEDED(DIUtilPollJoystick(pDevice, &state))) engine.CheckTick(nullptr, &state);
  };
  engine.NextCheckStep(nullptr);  // step 1: X and Y
  Tick(0x8000, 0);                // centre 128
  Tick(0x0A00, 0);
  sim::FailDirectInput(sim::DiCall::kGetDeviceState, DIERR_INPUTLOST);
  Tick(0, 0);  // lost: not measured
  sim::FailDirectInput(sim::DiCall::kGetDeviceState, S_OK);
  Tick(0xFA00, 0);
  for (int i = 0; i < 4; ++i) engine.NextCheckStep(nullptr);  // to step 5: Rz
  Tick(0, 0x8000);
  Tick(0, 0x2800);
  Tick(0, 0xD200);
  engine.NextCheckStep(nullptr);
  engine.NextCheckStep(nullptr);  // back to 0: stored
  EXPECT_EQ(engine.m_Settings.dwAxisCalib[0], 0x000A80FAu);
  EXPECT_EQ(engine.m_Settings.dwAxisCalib[1], AXIS_CALIB_DEFAULT) << "Y rested at its centre";
  EXPECT_EQ(engine.m_Settings.dwAxisCalib[2], 0x002880D2u);
  EXPECT_EQ(pDevice->Release(), 0u);
}

}  // namespace

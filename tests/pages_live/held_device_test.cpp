// The vibration test while another program holds the controller's HID
// collection open. A holder that does not share writing makes the page's
// open of the device fail: that report is lost, the lamps still follow the
// stick, and the first report after the holder lets go reaches the device.
// A holder that shares writing does not get in the way.
#include "live_fixture.h"

namespace {

using livetest::Bytes;
using livetest::LiveFixture;
using livetest::RawFor;
using livetest::Resting;

constexpr int kPowerPage = 3;
constexpr DWORD kPollMs = 10;

class HeldDeviceTest : public LiveFixture {
 protected:
  void SetUp() override {
    LiveFixture::SetUp();
    if (HasFatalFailure()) return;
    Engine().m_pManualButton->SetState(m_hWnd, 1);
  }

  void TearDown() override {
    Release();
    LiveFixture::TearDown();
  }

  // Another program opens the collection.
  void Hold(DWORD dwAccess, DWORD dwShare) {
    m_hHolder = CreateFileA(sim::JoystickPath(0).c_str(), dwAccess, dwShare, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(m_hHolder, INVALID_HANDLE_VALUE);
  }
  void Release() {
    if (m_hHolder != INVALID_HANDLE_VALUE) CloseHandle(m_hHolder);
    m_hHolder = INVALID_HANDLE_VALUE;
  }

  static DIJOYSTATE Stick(LONG x, LONG y) {
    DIJOYSTATE state = Resting();
    state.lX = RawFor(x);
    state.lY = RawFor(y);
    return state;
  }

  HANDLE m_hHolder = INVALID_HANDLE_VALUE;
};

TEST_F(HeldDeviceTest, StickFollowReportsAreLostWhileHeldAndArriveAfterRelease) {
  PageEngine& e = Engine();
  Hold(GENERIC_READ, FILE_SHARE_READ);
  Tick(kPowerPage, Stick(0, 127), kPollMs);
  Tick(kPowerPage, Stick(0, 127), kPollMs);
  EXPECT_EQ(e.m_pLeftMotorButton->GetState(), 1u) << "the page shows the motor running";
  EXPECT_TRUE(Reports().empty()) << "held: nothing arrives";
  EXPECT_EQ(m_pHid->OpenHandles(), 1u) << "only the holder's handle";

  Release();
  Tick(kPowerPage, Stick(0, 127), kPollMs);
  EXPECT_EQ(Reports(), Written(30, 0)) << "the next report after the release";
}

// The stop report is lost like any other: the device keeps the last level
// it received until a later report reaches it.
TEST_F(HeldDeviceTest, AStopWhileHeldLeavesTheDeviceAtItsLastLevel) {
  Tick(kPowerPage, Stick(0, 127), kPollMs);
  ASSERT_EQ(Reports(), Written(30, 0));
  Hold(GENERIC_READ | GENERIC_WRITE, 0);
  Tick(kPowerPage, Stick(127, 127), kPollMs);
  EXPECT_EQ(Engine().m_pLeftMotorButton->GetState(), 0u);
  Release();
  Tick(kPowerPage, Stick(127, 127), kPollMs);
  EXPECT_EQ(Reports(), Written(30, 0)) << "the centred stick writes once, when it gets there";

  Tick(kPowerPage, Stick(0, 127), kPollMs);
  Tick(kPowerPage, Stick(127, 127), kPollMs);
  std::vector<Bytes> expected = Written(30, 0);
  expected.push_back(Report(30, 0));
  for (const Bytes& b : Written(0, 0)) expected.push_back(b);
  EXPECT_EQ(Reports(), expected) << "later moves write again";
}

TEST_F(HeldDeviceTest, AHolderThatSharesWritingDoesNotBlock) {
  Hold(GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  Tick(kPowerPage, Stick(127, 255), kPollMs);
  EXPECT_EQ(Reports(), Written(0, 31));
}

}  // namespace

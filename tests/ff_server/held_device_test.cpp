// The motor report while another program holds the controller's HID
// collection open: a holder that does not share writing keeps the driver's
// open from succeeding, so the report is lost; one that shares writing does
// not get in the way.
#include "ff_server_fixture.h"

namespace fftest {
namespace {

// Another program's handle on the collection, closed with the object.
class Holder {
 public:
  Holder(DWORD dwAccess, DWORD dwShare)
      : m_h(CreateFileA(kDevicePath, dwAccess, dwShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Holder() { Release(); }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE; }
  void Release() {
    if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    m_h = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE m_h;
};

using HeldDeviceTest = ServerTest;

TEST_F(HeldDeviceTest, OnlyAHolderThatSharesWritingLetsTheReportThrough) {
  const struct {
    const char* pszHolder;
    DWORD dwAccess;
    DWORD dwShare;
    bool bWritten;
  } cases[] = {
      {"reader sharing reads only", GENERIC_READ, FILE_SHARE_READ, false},
      {"writer sharing nothing", GENERIC_READ | GENERIC_WRITE, 0, false},
      {"writer sharing writes only", GENERIC_WRITE, FILE_SHARE_WRITE, false},
      {"reader sharing both", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
      {"writer sharing both", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pszHolder);
    device->Clear();
    Holder holder(c.dwAccess, c.dwShare);
    ASSERT_TRUE(holder.IsOpen());
    EXPECT_EQ(server->WriteMotorReport(5000, 4000), 0) << "the result is the same either way";
    const auto reports = ReportBytes(*device);
    EXPECT_EQ(reports, c.bWritten ? std::vector<std::vector<BYTE>>{Bytes(0x00, 0x13, 0x11, 0x00)}
                                  : std::vector<std::vector<BYTE>>{});
    EXPECT_EQ(device->OpenHandles(), 1u) << "the driver closed what it opened";
  }
}

// The playback step while the holder blocks: the pair is lost, each step
// tries once more, and the first step after the holder lets go delivers it.
TEST_F(HeldDeviceTest, PlaybackWhileHeldDeliversThePairOnceReleased) {
  Holder holder(GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(holder.IsOpen());
  Play(Constant(10000, INFINITE).Polar(4500));
  PairAt(0);
  PairAt(1);
  EXPECT_EQ(device->ReportCount(), 0u) << "held: nothing arrives";

  holder.Release();
  EXPECT_EQ(PairAt(2), std::make_pair(7071, 7071));
  EXPECT_EQ(ReportBytes(*device), std::vector<std::vector<BYTE>>{Bytes(0x00, 0x18, 0x18, 0x00)})
      << "released: the pair the device never got";
  PairAt(3);
  EXPECT_EQ(device->ReportCount(), 1u) << "delivered once, the same pair is not sent again";
}

// The store's commands write their all-zero report through the same open:
// while held it is lost too, and the device keeps the last level it got
// until the next playback step.
TEST_F(HeldDeviceTest, AHaltWhileHeldLeavesTheMotorsAtTheirLastLevel) {
  Play(Constant(10000, INFINITE).Polar(4500));
  PairAt(0);
  {
    Holder holder(GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_TRUE(holder.IsOpen());
    ASSERT_TRUE(server->HaltAll());
  }
  const auto reports = ReportBytes(*device);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], Bytes(0x00, 0x18, 0x18, 0x00)) << "the all-off report never arrived";
  EXPECT_EQ(device->OpenHandles(), 0u);

  PairAt(1);
  const auto after = ReportBytes(*device);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[1], Bytes(0, 0, 0, 0)) << "the next step stops the motors the halt could not";
}

}  // namespace
}  // namespace fftest

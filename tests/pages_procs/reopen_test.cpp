// Leaving a sheet and opening the controller's properties again in the same
// process, as the control panel does when Properties is pressed again: the
// old sheet's device is released with its object, so no page may use it
// afterwards; the new sheet's pages run on the new device.
#include "procs_fixture.h"

namespace procstest {
namespace {

struct ReopenCase {
  int nPage;
  Way way;
};

std::string CaseName(const ::testing::TestParamInfo<ReopenCase>& info) {
  static const char* const kWays[] = {"Ok", "Cancel", "CloseBox", "LostDevice"};
  return std::string("Page") + std::to_string(info.param.nPage) + kWays[int(info.param.way)];
}

class Reopen : public ProcsFixture, public ::testing::WithParamInterface<ReopenCase> {
 protected:
  void ShowAndLeave(int nPage, Way way) {
    OpenSheet();
    if (nPage != kTest) Show(nPage);
    sim::RunMessages(50);
    EndSheet(way);
  }
};

TEST_P(Reopen, NoPageOfTheNextSheetReachesTheReleasedDevice) {
  const ReopenCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(ShowAndLeave(c.nPage, c.way));
  EXPECT_EQ(g_pCurDevice, nullptr) << "a closed sheet leaves no device current";
  EXPECT_EQ(sim::LiveDirectInputObjects(), m_lLiveBefore) << "the old device is released";
  ASSERT_NO_FATAL_FAILURE(NewSheet());
  m_pHid->Clear();

  // The new sheet opens and shows the page: no report is written on the
  // way, the page polls its own device, and the pages that drive the motors
  // make it current.
  OpenSheet();
  if (c.nPage != kTest) Show(c.nPage);
  EXPECT_TRUE(Reports().empty());
  const bool bCurrent = c.nPage == kTest || c.nPage == kKeyboard || c.nPage == kPower;
  EXPECT_EQ(g_pCurDevice, bCurrent ? SheetDevice() : nullptr);
  EXPECT_GT(RunAndCountTicks(c.nPage, 500), 0);
}

std::vector<ReopenCase> AllCases() {
  std::vector<ReopenCase> cases;
  for (int n = 0; n < kPages; ++n)
    for (Way way : {Way::kOk, Way::kCancel, Way::kCloseBox, Way::kLostDevice}) cases.push_back(ReopenCase{n, way});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryPageAndWay, Reopen, ::testing::ValuesIn(AllCases()), CaseName);

}  // namespace
}  // namespace procstest

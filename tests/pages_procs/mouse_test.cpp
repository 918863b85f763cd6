// Mouse messages of the pages: clicks on pages 0 to 4, the vibration page's
// drags with every second mouse move, and client coordinates read as signed
// 16-bit values.
#include <functional>

#include "procs_fixture.h"

namespace procstest {
namespace {

// The power slider's rectangle is 79..423: a press, move or release at x
// sets the motor power (x - 79) * 255 / 344, at least 2.
constexpr int kSliderY = 230;
DWORD PowerAt(int x) {
  const DWORD v = DWORD(x - 79) * 255 / 344;
  return v < 2 ? 2 : v;
}

// The lParam of a mouse message: x in the low word, y in the high word.
LPARAM At(int x, int y) {
  return static_cast<LPARAM>(DWORD(WORD(short(x))) | (DWORD(WORD(short(y))) << 16));
}

class PageMouse : public ProcsFixture {
 protected:
  void SetUp() override {
    ProcsFixture::SetUp();
    if (HasFatalFailure()) return;
    OpenSheet();
    Show(kPower);
  }
  LRESULT Send(int n, UINT uMsg, int x, int y) { return SendMessageA(m_hPage[n], uMsg, 0, At(x, y)); }
  static DWORD Power() { return g_PageEngine.m_Settings.dwMotorPower; }
};

// Each test sends an even number of mouse moves, so that every test starts
// where the module does: the next move is dropped.
TEST_F(PageMouse, EverySecondMoveDragsThePowerSlider) {
  Send(kPower, WM_LBUTTONDOWN, 300, kSliderY);
  EXPECT_EQ(g_PageEngine.m_bPowerDrag, 1);
  EXPECT_EQ(Power(), PowerAt(300));

  Send(kPower, WM_MOUSEMOVE, 100, kSliderY);
  EXPECT_EQ(Power(), PowerAt(300)) << "the first move is dropped";
  Send(kPower, WM_MOUSEMOVE, 120, kSliderY);
  EXPECT_EQ(Power(), PowerAt(120));
  Send(kPower, WM_MOUSEMOVE, 140, kSliderY);
  EXPECT_EQ(Power(), PowerAt(120));
  // Left of the page: a negative x, not 65531.
  Send(kPower, WM_MOUSEMOVE, -5, kSliderY);
  EXPECT_EQ(Power(), 2u);

  // The release updates once more and ends the drag.
  Send(kPower, WM_LBUTTONUP, 400, -3);
  EXPECT_EQ(Power(), PowerAt(400));
  EXPECT_EQ(g_PageEngine.m_bPowerDrag, 0);
  Send(kPower, WM_MOUSEMOVE, 200, kSliderY);
  Send(kPower, WM_MOUSEMOVE, 200, kSliderY);
  EXPECT_EQ(Power(), PowerAt(400));
}

TEST_F(PageMouse, ReleaseOutsideThePageLeftOfTheSlider) {
  Send(kPower, WM_LBUTTONDOWN, 300, kSliderY);
  Send(kPower, WM_LBUTTONUP, -200, -200);
  EXPECT_EQ(Power(), 2u);
  EXPECT_EQ(g_PageEngine.m_bPowerDrag, 0);
}

TEST_F(PageMouse, OnlyTheVibrationPageTakesReleases) {
  Show(kKeyMap);
  g_PageEngine.m_bPowerDrag = 1;
  Send(kKeyMap, WM_LBUTTONUP, 300, kSliderY);
  EXPECT_EQ(g_PageEngine.m_bPowerDrag, 1);
  g_PageEngine.m_bPowerDrag = 0;
}

// A point where the control takes a click (buttons hit-test at their
// drawing offset); false when there is none near its rectangle.
bool HitPoint(SkinControl* pControl, int* px, int* py) {
  RECT rc;
  pControl->GetRect(&rc);
  for (int y = rc.top - 10; y < rc.bottom + 10; ++y)
    for (int x = rc.left - 10; x < rc.right + 10; ++x)
      if (pControl->HitTest(x, y)) {
        *px = x;
        *py = y;
        return true;
      }
  return false;
}

// Pages 0 to 4 hand their clicks to the engine with their own page number:
// a click on one of the page's controls does what that page does with it.
TEST_F(PageMouse, ClicksReachTheShownPagesEngine) {
  PageEngine& e = g_PageEngine;
  struct Case {
    int nPage;
    SkinControl* pControl;
    std::function<bool()> done;  // what the click did
  };
  const Case cases[] = {
      {kTest, e.m_pTurboButton, [&] { return e.m_pTurboButton->GetState() == 1; }},
      {kKeyMap, e.m_pSetButton[5], [&] { return e.m_pSetButton[5]->GetState() == 1; }},
      {kKeyboard, e.m_pInitialButton, [&] { return e.m_Settings.dwKeyCode[0] == 0; }},
      {kPower, e.m_pPowerInitialButton, [&] { return e.m_Settings.dwTimeCycle == 63; }},
      {kCheck, e.m_pCheckButton, [&] { return e.m_dwCheckStep == 1; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nPage);
    Show(c.nPage);
    e.m_Settings.dwKeyCode[0] = 0x04;
    e.m_Settings.dwTimeCycle = 10;
    ASSERT_NE(c.pControl, nullptr);
    int x = 0, y = 0;
    ASSERT_TRUE(HitPoint(c.pControl, &x, &y));
    ASSERT_FALSE(c.done());
    EXPECT_EQ(Send(c.nPage, WM_LBUTTONDOWN, x, y), 0);
    EXPECT_TRUE(c.done());
  }
  // A click at a negative point picks no row.
  Show(kKeyMap);
  Send(kKeyMap, WM_LBUTTONDOWN, -1, -1);
  EXPECT_EQ(e.m_pSetButton[5]->GetState(), 0u);
}

}  // namespace
}  // namespace procstest

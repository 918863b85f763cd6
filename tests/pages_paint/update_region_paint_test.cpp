// The test page repainted through its update region: a paint after a live
// test tick redraws exactly what the tick invalidated, so a control that
// changes without invalidating its place keeps its old picture even when it
// lies between two controls that were repainted.
#include "paint_fixture.h"

#include <cstring>

namespace painttest {
namespace {

// The engine that the page window paints, as the test page's procedure
// paints g_PageEngine.
PageEngine* g_pShown = nullptr;

LRESULT CALLBACK TestPageWindow(HWND hWnd, UINT uMsg, WPARAM, LPARAM) {
  if (uMsg != WM_PAINT) return 0;
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hWnd, &ps);
  SetBkMode(hdc, TRANSPARENT);
  const COLORREF crOld = SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  g_pShown->Paint(hWnd, kTest, hdc);
  SetTextColor(hdc, crOld);
  EndPaint(hWnd, &ps);
  return 0;
}

// The stick at rest, hat centred, the given buttons down.
DIJOYSTATE StateWith(std::initializer_list<int> buttons) {
  DIJOYSTATE state;
  std::memset(&state, 0, sizeof state);
  state.lX = state.lY = state.lZ = state.lRx = state.lRy = state.lRz = 0x7FFF;
  for (DWORD& pov : state.rgdwPOV) pov = 0xFFFFFFFFu;
  for (int i : buttons) state.rgbButtons[i] = 0x80;
  return state;
}

class UpdateRegionPaint : public PaintTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(PaintTest::SetUp());
    g_pShown = &m_engine;
    m_hPage = sim::CreateTestWindow(kPageWidth, kPageHeight, TestPageWindow);
    ASSERT_NE(m_hPage, nullptr);
    m_extra.push_back(m_hPage);
    InvalidateRect(m_hPage, nullptr, FALSE);
    ASSERT_TRUE(UpdateWindow(m_hPage));
  }
  void TearDown() override {
    g_pShown = nullptr;
    PaintTest::TearDown();
  }

  // One tick of the live test on the page, then the paint that follows it.
  void TickAndPaint(const DIJOYSTATE& state) {
    m_engine.Tick(m_hPage, kTest, &state);
    sim::PumpMessages();
  }

  // The whole page painted afresh in its present state.
  HWND FreshPaint() {
    HWND hFresh = NewWindow();
    PaintPage(kTest, hFresh);
    return hFresh;
  }

  HWND m_hPage = nullptr;
};

// Lamps 0, 1 and 2 sit side by side in the first row; pressing all three
// repaints each, the middle one included.
TEST_F(UpdateRegionPaint, ATickRepaintsEveryLampItLights) {
  const HWND hReleased = FreshPaint();
  TickAndPaint(StateWith({0, 1, 2}));
  EXPECT_EQ(Diff(m_hPage, FreshPaint()), 0);
  for (int k = 0; k < 3; ++k) EXPECT_GT(Diff(m_hPage, hReleased, RectOf(m_engine.m_pButtonLamp[k])), 0) << k;

  // Releasing the outer two repaints them; the middle one stays lit.
  TickAndPaint(StateWith({1}));
  EXPECT_EQ(Diff(m_hPage, FreshPaint()), 0);
  EXPECT_EQ(Diff(m_hPage, hReleased, RectOf(m_engine.m_pButtonLamp[0])), 0);
  EXPECT_GT(Diff(m_hPage, hReleased, RectOf(m_engine.m_pButtonLamp[1])), 0);
  EXPECT_EQ(Diff(m_hPage, hReleased, RectOf(m_engine.m_pButtonLamp[2])), 0);
}

// A change that invalidates nothing (here the middle lamp moved without
// redraw) stays unseen while its neighbours on both sides are repainted:
// the paint covers the two invalidated lamps, not the box around them.
TEST_F(UpdateRegionPaint, AChangeBetweenTwoRepaintedLampsIsNotPaintedWithoutItsOwnInvalidation) {
  TickAndPaint(StateWith({0, 1, 2}));
  const HWND hBefore = FreshPaint();
  const RECT rcMiddle = RectOf(m_engine.m_pButtonLamp[1]);
  m_engine.m_pButtonLamp[1]->MoveTo(m_hPage, 0, 5, false);
  TickAndPaint(StateWith({1}));

  const HWND hFresh = FreshPaint();
  const RECT rcMoved{rcMiddle.left, rcMiddle.top, rcMiddle.right, rcMiddle.bottom + 5};
  EXPECT_GT(Diff(m_hPage, hFresh, rcMoved), 0) << "the moved lamp is not on the page";
  EXPECT_EQ(Diff(m_hPage, hBefore, rcMoved), 0) << "its place still shows the last paint";
  EXPECT_EQ(DiffOutside(m_hPage, hFresh, {rcMoved}), 0);
}

}  // namespace
}  // namespace painttest

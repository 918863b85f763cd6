// WM_PAINT: each page draws itself through the engine; the test page draws
// only while its device answers, with transparent text.
#include "procs_fixture.h"

namespace procstest {
namespace {

class PagePaint : public ProcsFixture {
 protected:
  // Paints page n through its procedure.
  void PaintThroughProc(int n) {
    InvalidateRect(m_hPage[n], nullptr, TRUE);
    UpdateWindow(m_hPage[n]);
  }

  // A window of page n's client size painted by the engine directly over the
  // dialog background, with the text settings of the page.
  HWND EngineReference(int n, bool bTestPageText) {
    RECT rc;
    GetClientRect(m_hPage[n], &rc);
    HWND hRef = sim::CreateTestWindow(rc.right, rc.bottom);
    m_hRefs.push_back(hRef);
    HDC hdc = GetDC(hRef);
    FillRect(hdc, &rc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    if (bTestPageText) {
      SetBkMode(hdc, TRANSPARENT);
      SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    g_PageEngine.Paint(hRef, n, hdc);
    ReleaseDC(hRef, hdc);
    return hRef;
  }

  // Pixels of the client area of hWnd that differ from hRef.
  static int Diff(HWND hWnd, HWND hRef) {
    RECT rc;
    GetClientRect(hWnd, &rc);
    int nDiff = 0;
    for (int y = 0; y < rc.bottom; ++y)
      for (int x = 0; x < rc.right; ++x)
        if (sim::GetWindowPixel(hWnd, x, y) != sim::GetWindowPixel(hRef, x, y)) ++nDiff;
    return nDiff;
  }

  void TearDown() override {
    for (HWND h : m_hRefs) DestroyWindow(h);
    ProcsFixture::TearDown();
  }

  std::vector<HWND> m_hRefs;
};

TEST_F(PagePaint, EveryPageShowsWhatTheEnginePaints) {
  OpenSheet();
  for (int n = 0; n < kPages; ++n) {
    SCOPED_TRACE(n);
    Show(n);
    PaintThroughProc(n);
    EXPECT_EQ(Diff(m_hPage[n], EngineReference(n, n == kTest)), 0);
    // Each paint gives its DC back.
    const size_t nObjects = sim::GdiObjectCount();
    PaintThroughProc(n);
    EXPECT_EQ(sim::GdiObjectCount(), nObjects);
  }
}

TEST_F(PagePaint, TestPageDrawsItsTextsTransparent) {
  OpenSheet();
  PaintThroughProc(kTest);
  // With the DC's defaults the texts would be drawn on an opaque background.
  EXPECT_GT(Diff(m_hPage[kTest], EngineReference(kTest, false)), 0);
}

TEST_F(PagePaint, TestPageDrawsNothingWhileItsDeviceDoesNotAnswer) {
  OpenSheet();
  sim::LoseJoystick(0);
  PaintThroughProc(kTest);
  const HWND hRef = EngineReference(kTest, true);
  RECT rc;
  GetClientRect(m_hPage[kTest], &rc);
  EXPECT_GT(Diff(m_hPage[kTest], hRef), rc.right * rc.bottom / 2) << "the skin is not drawn";
  // The other pages do not poll to paint.
  Show(kCheck);
  sim::LoseJoystick(0);
  PaintThroughProc(kCheck);
  EXPECT_EQ(Diff(m_hPage[kCheck], EngineReference(kCheck, false)), 0);
  // Once the device answers again the test page draws.
  Show(kTest);
  PaintThroughProc(kTest);
  EXPECT_EQ(Diff(m_hPage[kTest], hRef), 0);
}

}  // namespace
}  // namespace procstest

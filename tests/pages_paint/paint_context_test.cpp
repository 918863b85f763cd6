// What painting does to the device context and the window on every page:
// the colours and modes it leaves, the pen it borrows, the page numbers that
// draw nothing, absent controls, and one picture of each page.
#include "paint_fixture.h"

#include <climits>

namespace painttest {
namespace {

// Everything of a DC that a page could leave changed.
struct DcState {
  COLORREF crText;
  COLORREF crBk;
  int nBkMode;
  POINT ptCurrent;
};

DcState StateOf(HDC hdc) {
  DcState s{GetTextColor(hdc), GetBkColor(hdc), GetBkMode(hdc), {0, 0}};
  MoveToEx(hdc, 0, 0, &s.ptCurrent);
  MoveToEx(hdc, s.ptCurrent.x, s.ptCurrent.y, nullptr);
  return s;
}

class PaintContext : public PaintTest {
 protected:
  // Paints nPage straight into a DC of hWnd that hands over crText, an
  // opaque background and a pen of its own; returns the DC's state after the
  // paint and whether the pen was still selected.
  DcState PaintWith(HWND hWnd, int nPage, COLORREF crText, bool* pbPenKept) {
    Clear(hWnd);
    HDC hdc = GetDC(hWnd);
    SetTextColor(hdc, crText);
    SetBkColor(hdc, 0x123456);
    SetBkMode(hdc, OPAQUE);
    HPEN hPen = CreatePen(PS_SOLID, 1, 0x00FF00);
    HGDIOBJ hOldPen = SelectObject(hdc, hPen);
    MoveToEx(hdc, 7, 9, nullptr);
    m_engine.Paint(hWnd, nPage, hdc);
    const DcState after = StateOf(hdc);
    *pbPenKept = SelectObject(hdc, hOldPen) == hPen;
    DeleteObject(hPen);
    ReleaseDC(hWnd, hdc);
    return after;
  }

  // A state that gives every page something to stamp and write (on the
  // lamps that exist).
  void RichState() {
    for (int k : {0, 8})
      if (m_engine.m_pButtonLamp[k]) m_engine.m_pButtonLamp[k]->SetTag(m_hWnd, 1);
    if (m_engine.m_pButtonLamp[2]) m_engine.m_pButtonLamp[2]->SetState(m_hWnd, 1);
    m_engine.m_Settings.byButtonMap[1] = 7;
    m_engine.m_Settings.byButtonMap[6] = 2;
    m_engine.m_Settings.dwKeyCode[0] = KEYCODE_CTRL | 4;
    m_engine.m_Settings.dwKeyCode[6] = 44;
    m_engine.m_Settings.dwKeyCode[1] = KEYCODE_SHIFT | 58;
    m_engine.m_Settings.dwTimeCycle = 63;
    m_engine.m_dwCheckStep = 0;
  }
};

TEST_F(PaintContext, EveryPageRestoresTheTextColourAndPenAndInvalidatesNothing) {
  RichState();
  HWND hOther = NewWindow();
  for (int nPage = kTest; nPage <= kAbout; ++nPage) {
    SCOPED_TRACE(nPage);
    sim::ClearInvalidations();
    const size_t cObjects = sim::GdiObjectCount();
    bool bPenKept = false;
    const DcState after = PaintWith(m_hWnd, nPage, 0x0000FF, &bPenKept);
    EXPECT_EQ(after.crText, 0x0000FFu);
    EXPECT_EQ(after.crBk, 0x123456u);
    // The vibration and check pages leave the background transparent.
    EXPECT_EQ(after.nBkMode, nPage == kPower || nPage == kCheck ? TRANSPARENT : OPAQUE);
    EXPECT_TRUE(bPenKept);
    EXPECT_EQ(sim::GdiObjectCount(), cObjects);
    EXPECT_TRUE(sim::GetInvalidations().empty());

    // Only the keyboard page draws in the colour it was handed.
    PaintWith(hOther, nPage, 0x00FF00, &bPenKept);
    if (nPage == kKeyboard)
      EXPECT_GT(Diff(m_hWnd, hOther), 0);
    else
      EXPECT_EQ(Diff(m_hWnd, hOther), 0);
  }
}

TEST_F(PaintContext, NumbersThatAreNoPageDrawNothing) {
  RichState();
  for (int nPage : {-1, -2, 6, 7, 1000, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(nPage);
    Clear(m_hWnd);
    HDC hdc = GetDC(m_hWnd);
    MoveToEx(hdc, 7, 9, nullptr);
    const DcState before = StateOf(hdc);
    const size_t cObjects = sim::GdiObjectCount();
    m_engine.Paint(m_hWnd, nPage, hdc);
    const DcState after = StateOf(hdc);
    EXPECT_EQ(sim::GdiObjectCount(), cObjects);
    ReleaseDC(m_hWnd, hdc);
    EXPECT_EQ(after.crText, before.crText);
    EXPECT_EQ(after.crBk, before.crBk);
    EXPECT_EQ(after.nBkMode, before.nBkMode);
    EXPECT_EQ(after.ptCurrent.x, 7);
    EXPECT_EQ(after.ptCurrent.y, 9);
    int nDrawn = 0;
    for (int y = 0; y < kPageHeight; ++y)
      for (int x = 0; x < kPageWidth; ++x)
        if (Pixel(x, y) != 0x000000) ++nDrawn;
    EXPECT_EQ(nDrawn, 0);
  }
}

// Every control pointer of the engine, in field order.
std::vector<SkinControl**> ControlSlots(PageEngine& e) {
  std::vector<SkinControl**> slots = {
      &e.m_pTestBack,           &e.m_pLogo,        &e.m_pTurboButton,     &e.m_pClearButton,
      &e.m_pTurboMark,          &e.m_pTestCursor,  &e.m_pTestZSlider,     &e.m_pTestRzSlider,
      &e.m_pSensitivitySlider,  &e.m_pHat,         &e.m_pKeyboardBack,    &e.m_pKeyboardCover,
      &e.m_pInitialButton,      &e.m_pLoadButton,  &e.m_pSaveButton,      &e.m_pPowerBack,
      &e.m_pPowerInitialButton, &e.m_pAutoButton,  &e.m_pManualButton,    &e.m_pLeftMotorButton,
      &e.m_pRightMotorButton,   &e.m_pPowerSlider, &e.m_pPowerArrow,      &e.m_pTimeBall,
      &e.m_pPowerCursor,        &e.m_pKeyMapBack,  &e.m_pKeyMapCover,     &e.m_pCheckBack,
      &e.m_pCheckCover,         &e.m_pCheckCursor, &e.m_pCheckZSlider,    &e.m_pCheckRzSlider,
      &e.m_pCheckButton,        &e.m_pNextButton,  &e.m_pCheckSaveButton, &e.m_pAboutBack};
  for (SkinControl*& p : e.m_pButtonImage) slots.push_back(&p);
  for (SkinControl*& p : e.m_pButtonLamp) slots.push_back(&p);
  for (SkinControl*& p : e.m_pSetButton) slots.push_back(&p);
  return slots;
}

TEST_F(PaintContext, WithoutAnyControlOnlyTheVibrationPageDraws) {
  m_engine.DestroyControls();
  m_engine.m_Settings.byButtonMap[1] = 7;
  m_engine.m_Settings.dwKeyCode[0] = KEYCODE_CTRL | 4;
  m_engine.m_dwCheckStep = 0;
  for (int nPage = kTest; nPage <= kAbout; ++nPage) {
    SCOPED_TRACE(nPage);
    PaintPage(nPage);
    int nDrawn = 0;
    for (int y = 0; y < kPageHeight; ++y)
      for (int x = 0; x < kPageWidth; ++x)
        if (Pixel(x, y) != 0x000000) ++nDrawn;
    // The vibration page's label and curve are no controls.
    if (nPage == kPower)
      EXPECT_GT(nDrawn, 0);
    else
      EXPECT_EQ(nDrawn, 0);
  }
}

TEST_F(PaintContext, EachAbsentControlIsSkipped) {
  const size_t cSlots = ControlSlots(m_engine).size();
  ASSERT_EQ(cSlots, size_t(kPageControlCount));
  // The pages are built once per layout (building them costs far more than
  // a paint); each control is taken out for its paints and put back.
  // The covers exist only with fewer than 12 buttons or 4 axes.
  std::vector<bool> tested(cSlots, false);
  for (bool bReduced : {false, true}) {
    m_engine.m_dwAxisCount = bReduced ? 3 : 4;
    m_engine.m_dwButtonCount = bReduced ? 8 : 12;
    m_engine.BuildPages(m_hWnd);
    RichState();
    for (size_t i = 0; i < cSlots; ++i) {
      SCOPED_TRACE(i);
      SkinControl** pSlot = ControlSlots(m_engine)[i];
      if (tested[i] || !*pSlot) continue;
      tested[i] = true;
      SkinControl* pTaken = *pSlot;
      *pSlot = nullptr;
      for (int nPage = kTest; nPage <= kAbout; ++nPage) {
        for (DWORD dwStep : {0u, 1u, 6u}) {
          m_engine.m_dwCheckStep = dwStep;
          PaintPage(nPage);
          if (nPage != kCheck) break;
        }
      }
      *pSlot = pTaken;
    }
  }
  for (size_t i = 0; i < cSlots; ++i) EXPECT_TRUE(tested[i]) << "control " << i << " exists in neither layout";
}

TEST_F(PaintContext, WritesOnePicturePerPage) {
  RichState();
  const char* apszNames[] = {"page0-test",  "page1-keymap", "page2-keyboard",
                             "page3-power", "page4-check",  "page5-about"};
  for (int nPage = kTest; nPage <= kAbout; ++nPage) {
    PaintPage(nPage);
    EXPECT_TRUE(WritePng(apszNames[nPage])) << apszNames[nPage];
  }
}

}  // namespace
}  // namespace painttest

// The test page: the one turbo-mark object stamped behind every lamp whose
// turbo tag is set, with the lamps over it.
#include "paint_fixture.h"

namespace painttest {
namespace {

class TestPagePaint : public PaintTest {
 protected:
  // The turbo mark's place for lamp k: 2 pixels up and left of the lamp.
  RECT MarkRect(int k, const SkinBitmap& ball) {
    const RECT rcLamp = RectOf(m_engine.m_pButtonLamp[k]);
    return RECT{rcLamp.left - 2, rcLamp.top - 2, rcLamp.left - 2 + ball.Width(), rcLamp.top - 2 + ball.Height()};
  }
};

TEST_F(TestPagePaint, TurboMarkGoesBehindEveryTurboLampAndNowhereElse) {
  HWND hPlain = NewWindow();
  PaintPage(kTest, hPlain);

  const int aTurbo[] = {0, 5, 9};
  for (int k : aTurbo) m_engine.m_pButtonLamp[k]->SetTag(m_hWnd, k == 9 ? 7 : 1);  // any non-zero tag
  PaintPage(kTest);

  SkinBitmap ball("BtnWhiteBall");
  SkinBitmap lamp("BtnButton");
  ASSERT_TRUE(ball.Loaded());
  ASSERT_TRUE(lamp.Loaded());
  std::vector<RECT> marks;
  for (int k : aTurbo) {
    SCOPED_TRACE(k);
    const RECT rcMark = MarkRect(k, ball);
    const RECT rcLamp = RectOf(m_engine.m_pButtonLamp[k]);
    marks.push_back(rcMark);
    EXPECT_GT(Diff(m_hWnd, hPlain, rcMark), 0);
    // The ball shows wherever the lamp painted over it is transparent.
    const StampCheck under = CheckStamp(ball, rcMark.left, rcMark.top, [&](int x, int y) {
      return lamp.At(x - rcLamp.left, y - rcLamp.top) != kWhite;
    });
    EXPECT_GT(under.nOpaque, 0);
    EXPECT_EQ(under.nWrong, 0);
    const StampCheck over = CheckStamp(lamp, rcLamp.left, rcLamp.top);
    EXPECT_GT(over.nOpaque, 0);
    EXPECT_EQ(over.nWrong, 0);
  }
  EXPECT_EQ(DiffOutside(m_hWnd, hPlain, marks), 0);
  // Painting moved the mark without invalidating anything.
  EXPECT_TRUE(sim::GetInvalidations().empty());
}

TEST_F(TestPagePaint, NoTurboRowOrNoMarkDrawsNoMark) {
  PaintPage(kTest);
  HWND hNoMark = NewWindow();
  delete m_engine.m_pTurboMark;
  m_engine.m_pTurboMark = nullptr;
  PaintPage(kTest, hNoMark);
  EXPECT_EQ(Diff(m_hWnd, hNoMark), 0);

  // Without the mark object the turbo rows still show their lamps.
  m_engine.m_pButtonLamp[0]->SetTag(m_hWnd, 1);
  m_engine.m_pButtonLamp[11]->SetTag(m_hWnd, 1);
  PaintPage(kTest, hNoMark);
  EXPECT_EQ(Diff(m_hWnd, hNoMark), 0);
}

}  // namespace
}  // namespace painttest

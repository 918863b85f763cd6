// The key-map and keyboard pages: the one image per button number stamped
// beside every row that shows that number, the row buttons, and on the
// keyboard page the key of each row's button number.
#include "paint_fixture.h"

namespace painttest {
namespace {

class KeyPagesPaint : public PaintTest {
 protected:
  RECT RowRect(int k) { return RectOf(m_engine.m_pSetButton[k]); }
  // Where the image of row k goes: nOffset right of its row button.
  RECT ImageRect(int k, int nOffset) {
    const RECT rcRow = RowRect(k);
    return RECT{rcRow.left + nOffset, rcRow.top, rcRow.left + nOffset + 42, rcRow.top + 42};
  }
  void ExpectImage(int nNumber, const RECT& rcPlace) {
    SCOPED_TRACE(::testing::Message() << "button number " << nNumber);
    SkinBitmap image(("BtnButton_" + std::to_string(nNumber)).c_str());
    ASSERT_TRUE(image.Loaded());
    const StampCheck check = CheckStamp(image, rcPlace.left, rcPlace.top);
    EXPECT_GT(check.nOpaque, 0);
    EXPECT_EQ(check.nWrong, 0);
  }
  void Map(int k, BYTE n) { m_engine.m_Settings.byButtonMap[k] = n; }
};

TEST_F(KeyPagesPaint, KeyMapStampsTheNumberImageBesideEveryRowThatShowsIt) {
  Map(3, 5);
  Map(7, 5);
  Map(1, 0);
  Map(2, 13);
  PaintPage(kKeyMap);
  EXPECT_TRUE(sim::GetInvalidations().empty());

  ExpectImage(5, ImageRect(3, 144));
  ExpectImage(5, ImageRect(7, 144));
  ExpectImage(1, ImageRect(0, 144));  // a row with its own number shows it too
  ExpectImage(12, ImageRect(11, 144));
  SkinBitmap back("BKKeyMap");
  ASSERT_TRUE(back.Loaded());
  EXPECT_EQ(NotBackground(back, ImageRect(1, 144)), 0);  // entry 0
  EXPECT_EQ(NotBackground(back, ImageRect(2, 144)), 0);  // entry 13

  SkinBitmap row("BtnSet");
  ASSERT_TRUE(row.Loaded());
  for (int k = 0; k < kPageButtonCount; ++k) {
    SCOPED_TRACE(k);
    const StampCheck check = CheckStamp(row, RowRect(k).left, RowRect(k).top);
    EXPECT_GT(check.nOpaque, 0);
    EXPECT_EQ(check.nWrong, 0);
  }
}

TEST_F(KeyPagesPaint, EntriesOutsideTheNumbersDrawNoImageAnywhere) {
  HWND hReference = NewWindow();
  Map(2, 0);
  for (int nPage : {kKeyMap, kKeyboard}) {
    SCOPED_TRACE(nPage);
    PaintPage(nPage, hReference);
    for (BYTE n : {13, 14, 255}) {
      Map(2, n);
      PaintPage(nPage);
      EXPECT_EQ(Diff(m_hWnd, hReference), 0) << int(n);
    }
    Map(2, 0);
  }
}

TEST_F(KeyPagesPaint, KeyMapDrawsRowButtonsWhereTheyHitTest) {
  // Showing the key-map page gives the row buttons an offset of 4; painting
  // draws them there and leaves the offset their hit tests use.
  for (int k = 0; k < kPageButtonCount; ++k) m_engine.m_pSetButton[k]->MoveTo(m_hWnd, 4, 0, false);
  PaintPage(kKeyMap);
  SkinBitmap row("BtnSet");
  ASSERT_TRUE(row.Loaded());
  for (int k : {0, 6, 11}) {
    SCOPED_TRACE(k);
    const RECT rcRow = RowRect(k);
    const StampCheck check = CheckStamp(row, rcRow.left + 4, rcRow.top);
    EXPECT_GT(check.nOpaque, 0);
    EXPECT_EQ(check.nWrong, 0);
    EXPECT_TRUE(m_engine.m_pSetButton[k]->HitTest(rcRow.left + 4, rcRow.top));
    EXPECT_FALSE(m_engine.m_pSetButton[k]->HitTest(rcRow.left + 3, rcRow.top));
    // The number image keeps to the row's own rectangle.
    ExpectImage(k + 1, ImageRect(k, 144));
  }
}

TEST_F(KeyPagesPaint, KeyboardShowsImagesOfRemappedRowsOnly) {
  Map(0, 12);
  Map(2, 4);
  Map(9, 4);
  Map(4, 0);
  PaintPage(kKeyboard);
  EXPECT_TRUE(sim::GetInvalidations().empty());

  ExpectImage(12, ImageRect(0, 75));
  ExpectImage(4, ImageRect(2, 75));
  ExpectImage(4, ImageRect(9, 75));
  SkinBitmap back("BKKeyboardMap");
  ASSERT_TRUE(back.Loaded());
  for (int k : {3, 4, 5, 11}) {  // own numbers, and an entry of 0
    SCOPED_TRACE(k);
    EXPECT_EQ(NotBackground(back, ImageRect(k, 75)), 0);
  }
  SkinBitmap row("BtnSet");
  ASSERT_TRUE(row.Loaded());
  for (int k = 0; k < kPageButtonCount; ++k) {
    SCOPED_TRACE(k);
    const StampCheck check = CheckStamp(row, RowRect(k).left, RowRect(k).top);
    EXPECT_GT(check.nOpaque, 0);
    EXPECT_EQ(check.nWrong, 0);
  }
}

// The key text of each row, drawn in the colours the page's procedure hands
// over (the DC as BeginPaint gives it), is the key of the row's button
// number; an entry outside 1..12 counts as button 12.
TEST_F(KeyPagesPaint, KeyboardDrawsTheKeyOfEachRowsButtonNumber) {
  Map(2, 4);
  Map(9, 4);
  Map(7, 0);
  Map(8, 200);
  // Reference: the same rows without keys, the expected texts drawn over it.
  HWND hReference = NewWindow();
  PaintPage(kKeyboard, hReference);

  m_engine.m_Settings.dwKeyCode[3] = KEYCODE_CTRL | 4;  // Ctl+A
  m_engine.m_Settings.dwKeyCode[11] = 58;               // F1
  m_engine.m_Settings.dwKeyCode[0] = KEYCODE_SHIFT | KEYCODE_ALT | 57;
  // Row 5 keeps number 6, which has no key; row 3 keeps number 4.
  PaintPage(kKeyboard);

  const struct {
    int nRow;
    const char* pszText;
  } kTexts[] = {{0, "Alt+Shift+CapsLock"}, {2, "Ctl+A"}, {3, "Ctl+A"}, {9, "Ctl+A"}, {7, "F1"}, {8, "F1"}, {11, "F1"}};
  HDC hdc = GetDC(hReference);
  for (const auto& t : kTexts) {
    const Entry entry = ReadEntry("KeyboardPage", ("Keyboard" + std::to_string(t.nRow)).c_str());
    ASSERT_TRUE(entry.bFound) << t.nRow;
    ASSERT_GT(entry.rc.right, entry.rc.left) << t.nRow;
    EXPECT_GT(Diff(m_hWnd, hReference, entry.rc), 0) << t.nRow;
    DrawText(hdc, t.pszText, entry.rc);
  }
  ReleaseDC(hReference, hdc);
  EXPECT_EQ(Diff(m_hWnd, hReference), 0);
}

}  // namespace
}  // namespace painttest

// The covers: with fewer buttons or axes, the part of the page that shows
// rows or a slider not in use is painted over from the plain background.
#include "paint_fixture.h"

namespace painttest {
namespace {

struct CoverCase {
  int nPage;
  DWORD dwAxisCount;
  DWORD dwButtonCount;
  RECT rcPart;
};

void PrintTo(const CoverCase& c, std::ostream* os) {
  *os << "page " << c.nPage << ", " << c.dwAxisCount << " axes, " << c.dwButtonCount << " buttons";
}

const CoverCase kCovers[] = {
    {kKeyMap, 4, 8, {259, 156, 500, 344}},
    {kKeyboard, 4, 6, {259, 62, 500, 344}},
    {kCheck, 3, 12, {27, 294, 242, 374}},
    {kCheck, 2, 12, {27, 294, 242, 374}},
};

class CoverPaint : public PaintTest, public ::testing::WithParamInterface<CoverCase> {};

TEST_P(CoverPaint, ShowsThePlainBackgroundOverThePartNotInUse) {
  const CoverCase& c = GetParam();
  HWND hFull = NewWindow();
  PaintPage(c.nPage, hFull);

  m_engine.m_dwAxisCount = c.dwAxisCount;
  m_engine.m_dwButtonCount = c.dwButtonCount;
  m_engine.BuildPages(m_hWnd);
  m_engine.m_dwCheckStep = 0;
  PaintPage(c.nPage);
  SkinBitmap plain("Background");
  ASSERT_TRUE(plain.Loaded());
  EXPECT_EQ(NotBackground(plain, c.rcPart), 0);
  // The full page shows something else there.
  EXPECT_GT(Diff(m_hWnd, hFull, c.rcPart), 0);
}

INSTANTIATE_TEST_SUITE_P(Pages, CoverPaint, ::testing::ValuesIn(kCovers));

}  // namespace
}  // namespace painttest

// The vibration page: the time-cycle curve and its label, which is read from
// Setup.ini again on every paint.
#include "paint_fixture.h"

#include <algorithm>
#include <ostream>

namespace painttest {
namespace {

// Points of the curve worked out from its formula on their own: the angle
// grows by 0.4 - time cycle x 0.2 / 255 per point, y = 133 + trunc(25 sin).
// Four runs of three consecutive points: the first three (x 80..84), a top
// of the wave at the middle of the second run, a bottom at the middle of the
// third, and the last three (x 416..420).
struct CurveCase {
  DWORD dwTimeCycle;
  POINT pts[12];
};

void PrintTo(const CurveCase& c, std::ostream* os) { *os << "time cycle " << c.dwTimeCycle; }

// clang-format off
const CurveCase kCurves[] = {
    {0, {{80, 142}, {82, 150}, {84, 156}, {256, 112}, {258, 109}, {260, 109},
         {242, 157}, {244, 157}, {246, 153}, {416, 109}, {418, 111}, {420, 117}}},
    {63, {{80, 141}, {82, 149}, {84, 154}, {210, 111}, {212, 109}, {214, 109},
          {194, 157}, {196, 157}, {198, 153}, {416, 143}, {418, 135}, {420, 127}}},
    {128, {{80, 140}, {82, 147}, {84, 152}, {274, 111}, {276, 109}, {278, 109},
           {214, 157}, {216, 157}, {218, 154}, {416, 141}, {418, 148}, {420, 153}}},
    {255, {{80, 137}, {82, 142}, {84, 147}, {250, 109}, {252, 109}, {254, 110},
           {220, 157}, {222, 157}, {224, 155}, {416, 150}, {418, 146}, {420, 141}}},
};
// clang-format on

class PowerCurve : public PaintTest, public ::testing::WithParamInterface<CurveCase> {
 protected:
  // Whether (x, y) lies in a text rectangle of the page.
  bool InText(int x, int y) const {
    for (const char* pszKey : {"TimeCycle", "LeftMotor", "RightMotor", "MotorPower"}) {
      const Entry entry = ReadEntry("PowerPage", pszKey);
      if (x >= entry.rc.left && x < entry.rc.right && y >= entry.rc.top && y < entry.rc.bottom) return true;
    }
    return false;
  }
  // Pixels of column x, within the curve's reach (y 104 to 163), that do
  // not show the background although they lie outside [yLow, yHigh].
  int StrayInColumn(const SkinBitmap& back, int x, int yLow, int yHigh) const {
    int n = 0;
    for (int y = 104; y < 164; ++y)
      if ((y < yLow || y > yHigh) && !InText(x, y) && Pixel(x, y) != back.At(x, y)) ++n;
    return n;
  }
};

TEST_P(PowerCurve, PassesThroughThePointsOfItsFormula) {
  const CurveCase& c = GetParam();
  m_engine.m_Settings.dwTimeCycle = c.dwTimeCycle;
  PaintPage(kPower);
  for (const POINT& pt : c.pts) EXPECT_EQ(Pixel(pt.x, pt.y), kWhite) << pt.x << ", " << pt.y;

  // The first line runs from the mid-line at x 80 to the first point.
  for (int y = 133; y <= c.pts[0].y; ++y) EXPECT_EQ(Pixel(80, y), kWhite) << y;

  // At the middle of each run the 3-pixel line stays within 2 pixels of the
  // run's points, and nothing is drawn left of x 79 or right of x 421.
  SkinBitmap back("BKV");
  ASSERT_TRUE(back.Loaded());
  for (int i : {1, 4, 7, 10}) {
    const int yLow = std::min({c.pts[i - 1].y, c.pts[i].y, c.pts[i + 1].y}) - 2;
    const int yHigh = std::max({c.pts[i - 1].y, c.pts[i].y, c.pts[i + 1].y}) + 2;
    EXPECT_EQ(StrayInColumn(back, c.pts[i].x, yLow, yHigh), 0) << c.pts[i].x;
  }
  // The 3-pixel line reaches exactly one pixel beyond a top or a bottom.
  const POINT& top = c.pts[4];
  EXPECT_EQ(Pixel(top.x, top.y - 1), kWhite);
  EXPECT_EQ(Pixel(top.x, top.y - 2), back.At(top.x, top.y - 2));
  const POINT& bottom = c.pts[7];
  EXPECT_EQ(Pixel(bottom.x, bottom.y + 1), kWhite);
  EXPECT_EQ(Pixel(bottom.x, bottom.y + 2), back.At(bottom.x, bottom.y + 2));
  EXPECT_EQ(StrayInColumn(back, 78, 1, 0), 0);
  EXPECT_EQ(StrayInColumn(back, 422, 1, 0), 0);

  // Motor power and mode do not enter the curve.
  HWND hOther = NewWindow();
  m_engine.m_Settings.dwMotorPower = 255 - m_engine.m_Settings.dwMotorPower;
  m_engine.m_Settings.dwAutoMode = 1;
  PaintPage(kPower, hOther);
  EXPECT_EQ(Diff(m_hWnd, hOther), 0);
}

INSTANTIATE_TEST_SUITE_P(TimeCycles, PowerCurve, ::testing::ValuesIn(kCurves),
                         [](const ::testing::TestParamInfo<CurveCase>& param) {
                           return "Cycle" + std::to_string(param.param.dwTimeCycle);
                         });

TEST_F(PaintTest, PowerPageReadsItsLabelOnEveryPaint) {
  const Entry installed = ReadEntry("PowerPage", "TimeCycle");
  ASSERT_TRUE(installed.bFound);
  ASSERT_FALSE(installed.text.empty());
  HWND hFirst = NewWindow();
  PaintPage(kPower, hFirst);

  // A new label in a new place shows at the next paint; the old one is gone.
  ASSERT_TRUE(WriteSetupIni("[PowerPage]\r\nTimeCycle=120,300,400,330,Changed, with a comma\r\n"));
  PaintPage(kPower);
  const RECT rcNew{120, 300, 400, 330};
  EXPECT_EQ(DiffOutside(m_hWnd, hFirst, {rcNew, installed.rc}), 0);
  EXPECT_GT(Diff(m_hWnd, hFirst, rcNew), 0);

  // Reference: the page without the entry (no label at all), the new label
  // drawn over it as the page draws it.
  ASSERT_TRUE(WriteSetupIni("[PowerPage]\r\n"));
  HWND hExpected = NewWindow();
  PaintPage(kPower, hExpected);
  EXPECT_GT(Diff(hExpected, hFirst, installed.rc), 0);
  HDC hdc = GetDC(hExpected);
  SetTextColor(hdc, kWhite);
  SetBkMode(hdc, TRANSPARENT);
  DrawText(hdc, "Changed, with a comma", rcNew);
  ReleaseDC(hExpected, hdc);
  EXPECT_EQ(Diff(m_hWnd, hExpected), 0);
}

}  // namespace
}  // namespace painttest

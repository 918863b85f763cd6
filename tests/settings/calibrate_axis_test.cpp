#include <gtest/gtest.h>

#include <ostream>

#include "settings.h"

namespace {

DWORD ThreePoint(DWORD lo, DWORD c, DWORD hi) { return (lo << 16) | (c << 8) | hi; }
DWORD TwoPoint(DWORD lo, DWORD hi) { return AXIS_CALIB_TWO_POINT | (lo << 8) | hi; }

struct CalibCase {
  const char* pszWhat;
  DWORD dwWord;
  LONG lPos;
  LONG lExpected;
};

void PrintTo(const CalibCase& c, std::ostream* pOut) {
  *pOut << c.pszWhat << " (word 0x" << std::hex << c.dwWord << std::dec << ", position " << c.lPos << ")";
}

class SettingsCalibrateAxisTest : public ::testing::TestWithParam<CalibCase> {};

TEST_P(SettingsCalibrateAxisTest, ReadsThePositionThroughTheWord) {
  const CalibCase& c = GetParam();
  EXPECT_EQ(CalibrateAxis(c.lPos, c.dwWord), c.lExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsCalibrateAxisTest,
    ::testing::Values(
        // The default word reads every position unchanged.
        CalibCase{"default", AXIS_CALIB_DEFAULT, 0, 0}, CalibCase{"default", AXIS_CALIB_DEFAULT, 1, 1},
        CalibCase{"default", AXIS_CALIB_DEFAULT, 126, 126}, CalibCase{"default", AXIS_CALIB_DEFAULT, 127, 127},
        CalibCase{"default, 127 + 1 * 128 / 128", AXIS_CALIB_DEFAULT, 128, 128},
        CalibCase{"default", AXIS_CALIB_DEFAULT, 200, 200}, CalibCase{"default", AXIS_CALIB_DEFAULT, 255, 255},
        CalibCase{"default, negative reads as the upper end", AXIS_CALIB_DEFAULT, -1, 255},
        CalibCase{"default, beyond 255 clamps", AXIS_CALIB_DEFAULT, 300, 255},
        // Two-point L 16, U 240: 112 * 255 / 224 = 127.
        CalibCase{"L16 U240", TwoPoint(16, 240), 128, 127}, CalibCase{"L16 U240", TwoPoint(16, 240), 16, 0},
        CalibCase{"L16 U240", TwoPoint(16, 240), 0, 0}, CalibCase{"L16 U240", TwoPoint(16, 240), 240, 255},
        CalibCase{"L16 U240", TwoPoint(16, 240), 255, 255},
        CalibCase{"L16 U240, 84 * 255 / 224", TwoPoint(16, 240), 100, 95},
        // Two-point lo 40, hi 200.
        CalibCase{"L40 U200", TwoPoint(40, 200), 40, 0}, CalibCase{"L40 U200", TwoPoint(40, 200), 10, 0},
        CalibCase{"L40 U200", TwoPoint(40, 200), 120, 127}, CalibCase{"L40 U200", TwoPoint(40, 200), 200, 255},
        CalibCase{"L40 U200", TwoPoint(40, 200), 230, 255},
        CalibCase{"L40 U200, negative reads as the upper end", TwoPoint(40, 200), -5, 255},
        // Three-point L 20, C 100, U 200.
        CalibCase{"L20 C100 U200", ThreePoint(20, 100, 200), 100, 127},
        CalibCase{"L20 C100 U200, 127 + 50 * 128 / 100", ThreePoint(20, 100, 200), 150, 191},
        CalibCase{"L20 C100 U200, 40 * 127 / 80", ThreePoint(20, 100, 200), 60, 63},
        CalibCase{"L20 C100 U200", ThreePoint(20, 100, 200), 10, 0},
        CalibCase{"L20 C100 U200", ThreePoint(20, 100, 200), 250, 255},
        // Bits 25-31 do not change the form.
        CalibCase{"high bits", 0xFE000000u | ThreePoint(0, 127, 255), 64, 64},
        // Words that break the invariants: never a zero divisor.
        CalibCase{"two-point L = U, below", TwoPoint(100, 100), 99, 0},
        CalibCase{"two-point L = U, at", TwoPoint(100, 100), 100, 127},
        CalibCase{"two-point L = U, above", TwoPoint(100, 100), 101, 255},
        CalibCase{"two-point L = U, negative", TwoPoint(100, 100), -1, 255},
        CalibCase{"two-point 0 = 0", TwoPoint(0, 0), 0, 127},
        CalibCase{"two-point L > U", TwoPoint(200, 100), 150, 0},
        CalibCase{"three-point L > C = U", ThreePoint(200, 50, 50), 10, 255},
        CalibCase{"three-point L > C = U", ThreePoint(200, 50, 50), 250, 255},
        CalibCase{"three-point L > U > C, 127 + 150 * 128 / 50 clamped", ThreePoint(200, 50, 100), 10, 255},
        CalibCase{"three-point C = L, below", ThreePoint(50, 50, 200), 30, 127},
        CalibCase{"three-point C = U, at", ThreePoint(0, 255, 255), 255, 127},
        CalibCase{"three-point C = U, below, 100 * 127 / 255", ThreePoint(0, 255, 255), 100, 49},
        CalibCase{"three-point all zero", 0u, 0, 127}, CalibCase{"three-point all zero", 0u, 77, 127}));

}  // namespace

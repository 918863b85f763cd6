// The pages with their sliders filled and their cursors away from the
// centre: every pixel of the sliders' and cursors' places is what the skin
// bitmaps, stamped in the page's painting order, show there.
#include "paint_fixture.h"

#include <memory>

namespace painttest {
namespace {

using Member = SkinControl* PageEngine::*;
using pagetest::Inside;
using pagetest::Stamp;

constexpr COLORREF kBlack = 0x000000;

DWORD CursorState(DWORD x, DWORD y) { return (x << 16) + y; }

// A control's state, or its drawing offset (x, 0) when bMove is set.
struct ControlState {
  Member member;
  DWORD dwState;
  bool bMove = false;
};

// One bitmap as the page shows it: keyed at (x, y), cut to rc; the page
// background is the opaque first one.
struct Picture {
  const char* pszName;
  RECT rc;
  int x, y;
  COLORREF crKey = kWhite;
  bool bKeyed = true;
};

struct StateCase {
  const char* pszName;
  int nPage;
  std::vector<ControlState> states;
  std::vector<Picture> pictures;    // in painting order, the background first
  std::vector<RECT> places;         // the pixels looked at
  std::vector<RECT> captions;       // left out: text is drawn there
};

std::ostream& operator<<(std::ostream& os, const StateCase& c) { return os << c.pszName; }

Picture Background(const char* pszName) { return Picture{pszName, kWholePage, 0, 0, kWhite, false}; }
Picture At(const char* pszName, const RECT& rc, COLORREF crKey = kWhite) {
  return Picture{pszName, rc, int(rc.left), int(rc.top), crKey};
}
// A fill shown in place over its slider, cut to the filled part.
Picture Fill(const char* pszName, const RECT& rcSlider, LONG lRight, LONG lTop) {
  return Picture{pszName, RECT{rcSlider.left, lTop, lRight, rcSlider.bottom}, int(rcSlider.left),
                 int(rcSlider.top)};
}

// The lamps of the test page, released, painted over everything else.
std::vector<Picture> Lamps() {
  std::vector<Picture> v;
  for (int i = 0; i < 12; ++i) {
    const LONG x = 60 + 63 * (i % 6), y = i < 6 ? 58 : 115;
    v.push_back(At("BtnButton", RECT{x, y, x + 42, y + 42}));
  }
  return v;
}

std::vector<Picture> Join(std::vector<Picture> a, const std::vector<Picture>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const RECT kTestZ{28, 146, 241, 229}, kTestRz{268, 146, 481, 229}, kSensitivity{280, 250, 308, 283};
const RECT kCheckZ{27, 200, 242, 284}, kCheckRz{27, 294, 242, 374};
const RECT kPowerSlider{79, 220, 423, 242};

// Axis bars fill from left + 40 over 130 (test page) or 132 (check page)
// pixels of h; the sensitivity bar's bottom 33 v / 255 rows; the power bar
// 344 h / 255 pixels. A cursor at byte b stands at centre + size x (b - 127)
// / 255 (towards zero) with its 30-pixel image centred there.
const StateCase kCases[] = {
    {"TestPage",
     kTest,
     {{&PageEngine::m_pTestZSlider, 128u << 16},
      {&PageEngine::m_pTestRzSlider, 255u << 16},
      {&PageEngine::m_pSensitivitySlider, 170},
      {&PageEngine::m_pTestCursor, CursorState(20, 230)},  // -43, +42: (334, 344)
      {&PageEngine::m_pHat, 0xFFFFFFFFu}},
     Join({Background("BKJoystick"), At("BKCursor", {319, 329, 349, 359}), At("AxesSlider", kTestZ),
           Fill("AxesSlider_1", kTestZ, 28 + 40 + 65, 146), At("AxesSlider", kTestRz),
           Fill("AxesSlider_1", kTestRz, 268 + 40 + 130, 146), At("AxesSensitive", kSensitivity),
           Fill("AxesSensitive_1", kSensitivity, 308, 283 - 22)},
          Lamps()),
     {kTestZ, kTestRz, kSensitivity, {319, 250, 429, 359}},
     {{68, 194, 200, 210}, {308, 194, 440, 210}, {240, 286, 340, 302}, {326, 232, 429, 248}}},
    {"CheckPage",
     kCheck,
     {{&PageEngine::m_pCheckZSlider, 200u << 16},
      {&PageEngine::m_pCheckRzSlider, 50u << 16},
      {&PageEngine::m_pCheckCursor, CursorState(255, 0)}},  // +54, -54: (187, 66)
     {Background("BKJoyCheck"), At("BKCursor", {172, 51, 202, 81}), At("AxesSlider", kCheckZ),
      Fill("AxesSlider_1", kCheckZ, 27 + 40 + 103, 200), At("AxesSlider", kCheckRz),
      Fill("AxesSlider_1", kCheckRz, 27 + 40 + 25, 294)},
     {kCheckZ, kCheckRz, {79, 51, 202, 175}},
     {{79, 178, 188, 194}, {67, 250, 200, 266}, {67, 344, 200, 360}}},
    {"PowerPage",
     kPower,
     {{&PageEngine::m_pPowerSlider, 189u << 16},
      {&PageEngine::m_pPowerArrow, 251, true},  // 344 x 189 / 255 - 3
      {&PageEngine::m_pPowerCursor, CursorState(60, 200)}},  // -30, +32: (221, 359)
     {Background("BKV"), Fill("BKPowerLine", kPowerSlider, 79 + 254, 220), At("BKArrow", {330, 239, 339, 248}),
      At("BKCursor_1", {206, 344, 236, 374}, kBlack)},
     {kPowerSlider, {330, 239, 339, 248}, {194, 270, 309, 385}},
     {}},
};

class StatePaint : public PaintTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(StatePaint, SlidersAndCursorsShowTheirStates) {
  const StateCase& c = GetParam();
  for (const ControlState& s : c.states) {
    SkinControl* pControl = m_engine.*s.member;
    ASSERT_NE(pControl, nullptr);
    if (s.bMove)
      pControl->MoveTo(m_hWnd, int(s.dwState), 0, false);
    else
      pControl->SetState(m_hWnd, s.dwState);
  }
  m_engine.m_dwCheckStep = 7;  // no step texts or button
  PaintPage(c.nPage);

  std::vector<std::unique_ptr<SkinBitmap>> images;
  std::vector<Stamp> stamps;
  for (const Picture& p : c.pictures) {
    images.push_back(std::make_unique<SkinBitmap>(p.pszName));
    ASSERT_TRUE(images.back()->Loaded()) << p.pszName;
    stamps.push_back(Stamp{images.back().get(), p.rc, p.x, p.y, p.bKeyed, p.crKey});
  }
  const sim::Pixels page = sim::GetWindowPixels(m_hWnd);
  int nLooked = 0, nWrong = 0;
  for (int y = 0; y < kPageHeight; ++y)
    for (int x = 0; x < kPageWidth; ++x) {
      bool bPlace = false, bText = false;
      for (const RECT& rc : c.places) bPlace = bPlace || Inside(rc, x, y);
      for (const RECT& rc : c.captions) bText = bText || Inside(rc, x, y);
      if (!bPlace || bText) continue;
      ++nLooked;
      const COLORREF expected = pagetest::Shown(x, y, kBlack, stamps);
      if (page.At(x, y) != expected && ++nWrong <= 5)
        ADD_FAILURE() << "at " << x << ", " << y << ": " << std::hex << page.At(x, y) << " for " << expected;
    }
  EXPECT_GT(nLooked, 0);
  EXPECT_EQ(nWrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Pages, StatePaint, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<StateCase>& param) {
                           return std::string(param.param.pszName);
                         });

}  // namespace
}  // namespace painttest

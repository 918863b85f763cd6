// Buttons: invalidation of every operation, hit tests, offsets, captions and
// the images drawn in each state.
#include "skin_fixture.h"

#include <memory>

namespace {

using namespace skintest;

constexpr RECT kBounds{100, 50, 140, 70};
constexpr RECT kText{50, 200, 150, 220};
constexpr COLORREF kNormal = 0x00C000, kPressed = 0xC000C0;

class SkinButtonTest : public SkinTest {
 protected:
  std::unique_ptr<SkinControl> Make(const char* pszCaption, int nState, BYTE bRepaintText, bool bLabel = false,
                                    const RECT& rcText = kText) {
    if (m_normal.empty()) {
      m_normal = Solid("normal.bmp", 40, 20, kNormal);
      m_pressed = Solid("pressed.bmp", 40, 20, kPressed);
    }
    return Make(m_normal.c_str(), m_pressed.c_str(), pszCaption, nState, bRepaintText, bLabel, rcText);
  }
  std::unique_ptr<SkinControl> Make(const char* pszNormal, const char* pszPressed, const char* pszCaption, int nState,
                                    BYTE bRepaintText, bool bLabel, const RECT& rcText = kText) {
    std::unique_ptr<SkinControl> p;
    if (bLabel)
      p.reset(new SkinLabelButton(nullptr, pszNormal, pszPressed, kBounds.left, kBounds.top, kBounds.right,
                                  kBounds.bottom, rcText.left, rcText.top, rcText.right, rcText.bottom, pszCaption,
                                  m_hWnd, nState, bRepaintText));
    else
      p.reset(new SkinButton(nullptr, pszNormal, pszPressed, kBounds.left, kBounds.top, kBounds.right, kBounds.bottom,
                             rcText.left, rcText.top, rcText.right, rcText.bottom, pszCaption, m_hWnd, nState,
                             bRepaintText));
    return p;
  }
  std::string m_normal, m_pressed;
};

TEST_F(SkinButtonTest, ConstructionInvalidatesItsRectangleErasing) {
  auto button = Make("Cap", 0, 1);
  EXPECT_EQ(TakeCalls(), (Calls{{kBounds, TRUE}}));
  EXPECT_EQ(button->GetState(), 0u);
  EXPECT_EQ(button->GetTag(), 0u);
}

struct StateCase {
  const char* pszName;
  const char* pszCaption;
  BYTE bRepaintText;
  int nFrom;
  DWORD dwTo;
  RECT rcText;
  Calls expected;
};

std::ostream& operator<<(std::ostream& os, const StateCase& c) { return os << c.pszName; }

class SkinButtonState : public SkinButtonTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(SkinButtonState, InvalidatesTheUnmovedButtonAndTheEstimatedCaption) {
  const StateCase& c = GetParam();
  auto button = Make(c.pszCaption, c.nFrom, c.bRepaintText, false, c.rcText);
  button->MoveTo(m_hWnd, 7, 9, false);  // the offset plays no part
  TakeCalls();
  button->SetState(m_hWnd, c.dwTo);
  EXPECT_EQ(TakeCalls(), c.expected);
  EXPECT_EQ(button->GetState(), c.dwTo);
}

const char k20[] = "abcdefghijklmnopqrst";
const char k40[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
const char k32[] = "abcdefghijklmnopqrstuvwxyzABCDEF";

INSTANTIATE_TEST_SUITE_P(
    Changes, SkinButtonState,
    ::testing::Values(
        StateCase{"SameStateNothing", "abc", 1, 1, 1, kText, {}},
        StateCase{"PressNoFlag", "abc", 0, 0, 1, kText, {{kBounds, FALSE}}},
        StateCase{"PressThreeChars", "abc", 1, 0, 1, kText, {{kBounds, FALSE}, {{50, 200, 80, 220}, TRUE}}},
        StateCase{"PressOneChar", "L", 1, 0, 1, kText, {{kBounds, FALSE}, {{50, 200, 60, 220}, TRUE}}},
        StateCase{"PressTwentyCharsFullWidth", k20, 1, 0, 1, kText, {{kBounds, FALSE}, {kText, TRUE}}},
        StateCase{"PressEmptyCaption", "", 1, 0, 1, kText, {{kBounds, FALSE}}},
        StateCase{"PressNullCaption", nullptr, 1, 0, 1, kText, {{kBounds, FALSE}}},
        StateCase{"PressedToOtherPressed", "abc", 0, 1, 5, kText, {{kBounds, FALSE}}},
        StateCase{"Release", "abc", 1, 1, 0, kText, {{kBounds, FALSE}, {{50, 200, 80, 220}, TRUE}}},
        StateCase{"LongCaptionCutTo31", k40, 1, 0, 1, RECT{0, 0, 1000, 10},
                  {{kBounds, FALSE}, {{0, 0, 310, 10}, TRUE}}},
        StateCase{"ThirtyTwoCharsCutTo31", k32, 1, 0, 1, RECT{0, 0, 1000, 10},
                  {{kBounds, FALSE}, {{0, 0, 310, 10}, TRUE}}}),
    [](const ::testing::TestParamInfo<StateCase>& param) { return std::string(param.param.pszName); });

TEST_F(SkinButtonTest, InvalidateUsesTheMovedRectangleAndTheCaptionWhenFlagged) {
  const RECT moved{110, 70, 150, 90};
  const struct {
    const char* pszCaption;
    BYTE bRepaintText;
    bool bWithText;
    Calls expected;
  } cases[] = {
      {"abc", 1, false, {{moved, TRUE}, {kText, TRUE}}},
      {"", 1, false, {{moved, TRUE}}},   // flagged, but no caption to repaint
      {"", 1, true, {{moved, TRUE}}},
      {"abc", 0, true, {{moved, TRUE}}},  // with-text is not used
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << '"' << c.pszCaption << "\" flag " << int(c.bRepaintText) << " with-text "
                                      << c.bWithText);
    auto button = Make(c.pszCaption, 0, c.bRepaintText);
    button->MoveTo(m_hWnd, 10, 20, false);
    TakeCalls();
    button->Invalidate(m_hWnd, c.bWithText);
    EXPECT_EQ(TakeCalls(), c.expected);
  }
}

TEST_F(SkinButtonTest, MoveToInvalidatesOldAndNewPlaceOnlyWithRedraw) {
  auto button = Make("abc", 0, 1);
  TakeCalls();
  button->MoveTo(m_hWnd, 10, 20, false);
  EXPECT_TRUE(TakeCalls().empty());
  button->MoveTo(m_hWnd, -5, 0, true);
  const RECT old{110, 70, 150, 90}, now{95, 50, 135, 70};
  EXPECT_EQ(TakeCalls(), (Calls{{old, TRUE}, {kText, TRUE}, {now, TRUE}, {kText, TRUE}}));
  RECT rc;
  std::memset(&rc, 0xcd, sizeof rc);
  button->GetRect(&rc);
  EXPECT_EQ((Call{rc, FALSE}), (Call{kBounds, FALSE}));
}

TEST_F(SkinButtonTest, TagAndTextChangeWithoutInvalidating) {
  auto button = Make("abc", 0, 1, false, RECT{0, 0, 1000, 10});
  TakeCalls();
  button->SetTag(m_hWnd, 1);
  EXPECT_EQ(button->GetTag(), 1u);
  button->SetText("abcdefgh");
  button->SetText(nullptr);
  EXPECT_TRUE(TakeCalls().empty());
  button->SetState(m_hWnd, 1);
  EXPECT_EQ(TakeCalls(), (Calls{{kBounds, FALSE}, {{0, 0, 80, 10}, TRUE}}));
}

TEST_F(SkinButtonTest, HitTestIsHalfOpenOnTheMovedRectangle) {
  auto button = Make("", 0, 0);
  struct Probe {
    int x, y;
    bool bHit;
  };
  for (const Probe& p : {Probe{100, 50, true}, Probe{139, 69, true}, Probe{140, 60, false}, Probe{120, 70, false},
                         Probe{99, 60, false}, Probe{120, 49, false}}) {
    SCOPED_TRACE(::testing::Message() << "unmoved " << p.x << "," << p.y);
    EXPECT_EQ(button->HitTest(p.x, p.y), p.bHit);
  }
  button->MoveTo(m_hWnd, 10, 20, false);
  for (const Probe& p : {Probe{110, 70, true}, Probe{149, 89, true}, Probe{150, 80, false}, Probe{120, 90, false},
                         Probe{100, 50, false}, Probe{109, 75, false}, Probe{120, 69, false}}) {
    SCOPED_TRACE(::testing::Message() << "moved " << p.x << "," << p.y);
    EXPECT_EQ(button->HitTest(p.x, p.y), p.bHit);
  }
}

TEST_F(SkinButtonTest, PaintsTheStateImageAtTheOffsetAndTheCaptionOnlyWhilePressed) {
  auto button = Make("Hello", 0, 0);
  button->MoveTo(m_hWnd, 10, 20, false);
  Paint(*button);
  const RECT moved{110, 70, 150, 90};
  EXPECT_EQ(Count(moved, kNormal), 40 * 20);
  EXPECT_EQ(Changed(), 40 * 20);
  EXPECT_FALSE(HasInk(kText));
  button->SetState(m_hWnd, 1);
  Paint(*button);
  EXPECT_EQ(Count(moved, kPressed), 40 * 20);
  EXPECT_TRUE(HasInk(kText));
}

TEST_F(SkinButtonTest, LabelButtonShowsItsCaptionInBothStates) {
  auto label = Make("Hello", 0, 0, true);
  Paint(*label);
  EXPECT_EQ(Count(kBounds, kNormal), 40 * 20);
  EXPECT_TRUE(HasInk(kText));
  auto empty = Make("", 1, 0, true);
  ResetPage();
  Paint(*empty);
  EXPECT_EQ(Count(kBounds, kPressed), 40 * 20);
  EXPECT_EQ(Changed(), 40 * 20);
}

TEST_F(SkinButtonTest, NullImageDrawsNothingButTheCaption) {
  const std::string normal = Solid("only-normal.bmp", 40, 20, kNormal);
  auto button = Make(normal.c_str(), nullptr, "Hi", 1, 0, false);
  Paint(*button);
  EXPECT_EQ(Count(kBounds, kPaper), 40 * 20);
  EXPECT_TRUE(HasInk(kText));
}

TEST_F(SkinButtonTest, MissingFilesDrawNothingWhileTheButtonStillWorks) {
  const size_t nObjects = sim::GdiObjectCount();
  {
    const std::string missing = Missing();
    auto button = Make(missing.c_str(), missing.c_str(), "", 0, 0, false);
    Paint(*button);
    EXPECT_EQ(Changed(), 0);
    EXPECT_TRUE(button->HitTest(100, 50));
    TakeCalls();
    button->SetState(m_hWnd, 1);
    EXPECT_EQ(TakeCalls(), (Calls{{kBounds, FALSE}}));
    Paint(*button);
    EXPECT_EQ(Changed(), 0);
  }
  EXPECT_EQ(sim::GdiObjectCount(), nObjects);
}

TEST_F(SkinButtonTest, DeletingThroughTheBaseReleasesBothImages) {
  const std::string normal = Solid("n.bmp", 40, 20, kNormal), pressed = Solid("p.bmp", 40, 20, kPressed);
  const size_t nObjects = sim::GdiObjectCount();
  SkinControl* control = new SkinLabelButton(nullptr, normal.c_str(), pressed.c_str(), 0, 0, 40, 20, 0, 0, 0, 0,
                                             nullptr, m_hWnd, 0, 0);
  EXPECT_EQ(sim::GdiObjectCount(), nObjects + 2);
  delete control;
  EXPECT_EQ(sim::GdiObjectCount(), nObjects);
}

TEST_F(SkinButtonTest, ModuleHandleLoadsResourcesNotFiles) {
  // Resources are not available to the layer yet, so a file path given as
  // a resource name loads nothing.
  const std::string normal = Solid("res.bmp", 40, 20, kNormal);
  SkinButton button(reinterpret_cast<HINSTANCE>(uintptr_t(0x400000)), normal.c_str(), nullptr, kBounds.left,
                    kBounds.top, kBounds.right, kBounds.bottom, 0, 0, 0, 0, nullptr, m_hWnd, 0, 0);
  Paint(button);
  EXPECT_EQ(Changed(), 0);
}

}  // namespace

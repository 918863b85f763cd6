// The TESTBUTTON class: registration, the lamp chosen by the user data, and
// the caption of at most two characters, through dialog template 109.
#include <algorithm>
#include <cstring>
#include <vector>

#include "keycapture_fixture.h"

namespace keytest {
namespace {

INT_PTR CALLBACK QuietProc(HWND, UINT uMsg, WPARAM, LPARAM) { return uMsg == WM_INITDIALOG; }

class TestButtonTest : public KeyCaptureTest {
 protected:
  void SetUp() override {
    KeyCaptureTest::SetUp();
    UnregisterClassA("TESTBUTTON", g_hInstance);
    ASSERT_TRUE(RegisterTestButtonClass());
    m_hDlg = CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_TESTBUTTON), m_hPage, QuietProc, 0);
    ASSERT_NE(m_hDlg, nullptr);
    ShowWindow(m_hDlg, SW_SHOW);
    m_hButton = GetDlgItem(m_hDlg, IDC_TESTBUTTON);
    ASSERT_NE(m_hButton, nullptr);
  }
  void TearDown() override {
    if (m_hDlg) DestroyWindow(m_hDlg);
    KeyCaptureTest::TearDown();
  }
  void Show(LONG_PTR lUser, const char* pszText) {
    SetWindowLongPtrA(m_hButton, GWLP_USERDATA, lUser);
    SetWindowTextA(m_hButton, pszText);
    InvalidateRect(m_hButton, nullptr, TRUE);
    sim::PumpMessages();
  }
  // The lamp's centre, away from the caption.
  COLORREF Lamp() const { return sim::GetWindowPixel(m_hButton, 15, 24); }

  HWND m_hDlg = nullptr;
  HWND m_hButton = nullptr;
};

TEST_F(TestButtonTest, ASecondRegistrationFails) {
  EXPECT_FALSE(RegisterTestButtonClass());
  EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
}

// 20 x 20 dialog units of MS Shell Dlg 8 (6 x 13 base units): 30 x 33
// pixels, the caption's rectangle.
TEST_F(TestButtonTest, TemplatePlacesTheButton) {
  RECT rc;
  ASSERT_TRUE(GetClientRect(m_hButton, &rc));
  EXPECT_EQ(rc.right, 30);
  EXPECT_EQ(rc.bottom, 33);
  EXPECT_EQ(GetParent(m_hButton), m_hDlg);
}

TEST_F(TestButtonTest, UserDataOneShowsTheLitLamp) {
  Show(1, "");
  const COLORREF lit = Lamp();
  EXPECT_GT(GetRValue(lit), 200);
  EXPECT_LT(GetGValue(lit), 120);
  Show(0, "");
  const COLORREF unlit = Lamp();
  EXPECT_LT(GetRValue(unlit), 150);
  EXPECT_GT(GetRValue(unlit), 40);
  EXPECT_LT(GetGValue(unlit), 60);
  // Outside the ball the button face shows through the icon's mask.
  EXPECT_EQ(sim::GetWindowPixel(m_hButton, 0, 0), GetSysColor(COLOR_BTNFACE));
}

TEST_F(TestButtonTest, OtherUserDataShowsTheUnlitLamp) {
  Show(0, "");
  const COLORREF unlit = Lamp();
  Show(7, "");
  EXPECT_EQ(Lamp(), unlit);
}

// The caption is drawn in light grey (0xCACACA) over the lamp, without a
// background of its own: where the glyphs (smoothed at their edges) cover
// the red lamp, they make it lighter, up to that grey.
TEST_F(TestButtonTest, CaptionIsLightGreyOverTheLamp) {
  Show(1, "");
  std::vector<COLORREF> bare;
  for (int y = 0; y < 33; ++y)
    for (int x = 0; x < 30; ++x) bare.push_back(sim::GetWindowPixel(m_hButton, x, y));
  Show(1, "88");
  int nLighter = 0, nDarker = 0, nBrightest = 0;
  for (int y = 0; y < 33; ++y)
    for (int x = 0; x < 30; ++x) {
      const COLORREF c = sim::GetWindowPixel(m_hButton, x, y);
      const COLORREF b = bare[size_t(y * 30 + x)];
      if (c == b) continue;
      if (GetGValue(c) > GetGValue(b))
        ++nLighter;
      else
        ++nDarker;
      nBrightest = std::max(nBrightest, int(GetGValue(c)));
    }
  EXPECT_GT(nLighter, 20);
  EXPECT_EQ(nDarker, 0);
  EXPECT_EQ(nBrightest, 0xCA);
}

TEST_F(TestButtonTest, AFiveCharacterCaptionShowsOnlyItsFirstTwo) {
  auto Picture = [&] {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 33; ++y)
      for (int x = 0; x < 30; ++x) pixels.push_back(sim::GetWindowPixel(m_hButton, x, y));
    return pixels;
  };
  Show(1, "AB");
  const auto two = Picture();
  Show(1, "ABCDE");
  EXPECT_EQ(Picture(), two);
  Show(1, "A");
  EXPECT_NE(Picture(), two);
  Show(1, "");
  EXPECT_NE(Picture(), two);
}

// Each window loads its own two lamps at WM_CREATE and destroys both with
// the icon call at WM_DESTROY (an icon handed to DeleteObject would live on).
TEST_F(TestButtonTest, EachButtonLoadsTwoIconsAndDestroysThemWithItsWindow) {
  const size_t nBefore = sim::IconCount();
  HWND hSecond = CreateWindowExA(0, "TESTBUTTON", "X", WS_CHILD, 0, 0, 32, 32, m_hDlg, nullptr, g_hInstance, nullptr);
  ASSERT_NE(hSecond, nullptr);
  EXPECT_EQ(sim::IconCount(), nBefore + 2);
  SetWindowLongPtrA(hSecond, GWLP_USERDATA, 1);
  sim::PumpMessages();
  EXPECT_GT(GetRValue(sim::GetWindowPixel(hSecond, 15, 24)), 200);
  EXPECT_TRUE(DestroyWindow(hSecond));
  EXPECT_EQ(sim::IconCount(), nBefore);
  DestroyWindow(m_hDlg);
  m_hDlg = nullptr;
  EXPECT_EQ(sim::IconCount(), nBefore - 2) << "the template's button freed its own pair";
}

// The class as published: redrawn whole on a change of width or height,
// the arrow cursor, the button face behind the lamp, no icon, menu or extra
// bytes.
TEST_F(TestButtonTest, ClassIsRegisteredAsPublished) {
  WNDCLASSEXA wc;
  std::memset(&wc, 0xCD, sizeof wc);
  wc.cbSize = sizeof wc;
  ASSERT_TRUE(GetClassInfoExA(g_hInstance, "TESTBUTTON", &wc));
  EXPECT_EQ(wc.style, UINT(CS_HREDRAW | CS_VREDRAW));
  EXPECT_EQ(wc.lpfnWndProc, &TestButtonWndProc);
  EXPECT_EQ(wc.cbClsExtra, 0);
  EXPECT_EQ(wc.cbWndExtra, 0);
  EXPECT_EQ(wc.hIcon, nullptr);
  EXPECT_EQ(wc.hIconSm, nullptr);
  EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(wc.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  EXPECT_EQ(wc.lpszMenuName, nullptr);
}

}  // namespace
}  // namespace keytest

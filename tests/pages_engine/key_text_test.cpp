// PageEngine::FormatKeyText and its table USAGE_TO_VK.
#include "pageengine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

struct KeyCase {
  DWORD dwKeyCode;
  const char* pszText;
};

std::ostream& operator<<(std::ostream& os, const KeyCase& c) { return os << std::hex << "0x" << c.dwKeyCode; }

std::string Format(DWORD dwKeyCode) {
  auto pEngine = std::make_unique<PageEngine>();
  char szText[kPageTextSize];
  std::memset(szText, 'x', sizeof szText);
  szText[sizeof szText - 1] = '\0';
  pEngine->FormatKeyText(dwKeyCode, szText, sizeof szText);
  return szText;
}

class FormatKeyTextTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(FormatKeyTextTest, ShowsModifiersThenTheKey) { EXPECT_EQ(Format(GetParam().dwKeyCode), GetParam().pszText); }

INSTANTIATE_TEST_SUITE_P(
    Keys, FormatKeyTextTest,
    ::testing::Values(
        // Modifiers always in the order Ctl, Alt, Shift.
        KeyCase{0x00070004, "Ctl+Alt+Shift+A"}, KeyCase{0x00020039, "Shift+CapsLock"},
        KeyCase{0x00040004, "Alt+A"}, KeyCase{0x00060016, "Alt+Shift+S"},
        // A usage without a key adds nothing after the modifiers.
        KeyCase{0x00000000, ""}, KeyCase{0x00010035, "Ctl+"}, KeyCase{0x00000064, ""},
        // Named keys, print screen and keypad Enter as the table maps them.
        KeyCase{70, "PRINT"}, KeyCase{75, "PageUp"}, KeyCase{78, "PageDown"}, KeyCase{58, "F1"},
        KeyCase{69, "F12"}, KeyCase{71, "SCROLL"}, KeyCase{72, "PAUSE"}, KeyCase{83, "NUMLOCK"},
        KeyCase{42, "BACK"}, KeyCase{43, "TAB"}, KeyCase{44, "SPACE"}, KeyCase{73, "INSERT"},
        KeyCase{76, "DELETE"}, KeyCase{74, "HOME"}, KeyCase{77, "END"}, KeyCase{79, "RIGHT"},
        KeyCase{80, "LEFT"}, KeyCase{81, "DOWN"}, KeyCase{82, "UP"}, KeyCase{0x00010051, "Ctl+DOWN"},
        // Keys shown as the character they type.
        KeyCase{29, "Z"}, KeyCase{30, "1"}, KeyCase{38, "9"}, KeyCase{39, "0"}, KeyCase{45, "-"},
        KeyCase{51, ";"}, KeyCase{56, "/"}, KeyCase{85, "*"}, KeyCase{89, "1"}, KeyCase{98, "0"},
        // Bits above the modifiers are not shown; usages beyond the table
        // show as no key.
        KeyCase{0x80000004, "A"}, KeyCase{0x00010065, "Ctl+"}, KeyCase{0x0002FFFF, "Shift+"}));

TEST(FormatKeyText, WritesNothingIntoANullOrShortBuffer) {
  auto pEngine = std::make_unique<PageEngine>();
  pEngine->FormatKeyText(0x00070004, nullptr, kPageTextSize);

  char szText[kPageTextSize];
  std::memset(szText, 0xCD, sizeof szText);
  for (int cch : {-1, 0, 1, kPageTextSize - 1}) {
    pEngine->FormatKeyText(0x00070004, szText, cch);
    for (unsigned char ch : szText) ASSERT_EQ(ch, 0xCD) << "size " << cch;
  }
  pEngine->FormatKeyText(0x00070004, szText, kPageTextSize);
  EXPECT_STREQ(szText, "Ctl+Alt+Shift+A");
}

// Every key that the key-capture dialog can produce maps back to a key; the
// usages without a key are exactly 0-3, 53 and 100.
TEST(UsageToVk, MapsEveryKeyUsageToADistinctVirtualKey) {
  for (DWORD u = 0; u < kUsageToVkCount; ++u) {
    SCOPED_TRACE(u);
    const bool bNoKey = u <= 3 || u == 53 || u == 100;
    EXPECT_EQ(USAGE_TO_VK[u] == 0, bNoKey);
    if (USAGE_TO_VK[u] == 0) continue;
    for (DWORD v = 0; v < u; ++v) {
      EXPECT_NE(USAGE_TO_VK[u], USAGE_TO_VK[v]) << "same key as usage " << v;
    }
  }
  EXPECT_EQ(USAGE_TO_VK[50], 0xC0u);  // ` maps to VK_OEM_3
  EXPECT_EQ(USAGE_TO_VK[70], 0x2Au);  // print screen maps to VK_PRINT
  EXPECT_EQ(USAGE_TO_VK[88], 0x6Cu);  // keypad Enter maps to VK_SEPARATOR
}

}  // namespace

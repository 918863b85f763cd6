// PageEngine::ReadLayoutEntry over values of a Setup.ini in the machine,
// and the shipped data/Setup.ini against every key the pages read.
#include "pageengine.h"

#include "../support/page_fixture.h"

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr char kUntouched[] = "untouched";

bool SameRect(const RECT& rc, LONG l, LONG t, LONG r, LONG b) {
  return rc.left == l && rc.top == t && rc.right == r && rc.bottom == b;
}

class LayoutEntryTest : public pagetest::PageFixture {
 protected:
  // Reads [S] K after writing "K=<value>" as the whole file; the rectangle
  // starts as a sentinel, the text as kUntouched with 0xCD bytes behind it.
  bool Read(const std::string& value, const char* pszSection = "S", const char* pszKey = "K") {
    EXPECT_TRUE(pagetest::WriteSetupIni("[S]\r\nK=" + value + "\r\n"));
    return ReadOnly(pszSection, pszKey);
  }
  bool ReadOnly(const char* pszSection, const char* pszKey) {
    m_rc = RECT{-7, -7, -7, -7};
    std::memset(m_szText, 0xCD, sizeof m_szText);
    std::memcpy(m_szText, kUntouched, sizeof kUntouched);
    return m_pEngine->ReadLayoutEntry(pszSection, pszKey, &m_rc, m_szText);
  }

  std::unique_ptr<PageEngine> m_pEngine = std::make_unique<PageEngine>();
  RECT m_rc{};
  char m_szText[kPageTextSize + 16];
};

struct EntryCase {
  const char* pszValue;
  RECT rc;
  const char* pszText;
};

std::ostream& operator<<(std::ostream& os, const EntryCase& c) { return os << '"' << c.pszValue << '"'; }

class WellFormedEntry : public LayoutEntryTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(WellFormedEntry, GivesTheRectangleAndTheRest) {
  const EntryCase& c = GetParam();
  ASSERT_TRUE(Read(c.pszValue));
  EXPECT_TRUE(SameRect(m_rc, c.rc.left, c.rc.top, c.rc.right, c.rc.bottom))
      << m_rc.left << "," << m_rc.top << "," << m_rc.right << "," << m_rc.bottom;
  EXPECT_STREQ(m_szText, c.pszText);
}

INSTANTIATE_TEST_SUITE_P(
    Values, WellFormedEntry,
    ::testing::Values(EntryCase{"10,20,110,40,Hello", {10, 20, 110, 40}, "Hello"},
                      EntryCase{"10,20,110,40,", {10, 20, 110, 40}, ""},
                      EntryCase{"10,20,110,40,a,b", {10, 20, 110, 40}, "a,b"},
                      EntryCase{"7, x,3,4,T", {7, 0, 3, 4}, "T"},
                      // Blanks before a number are skipped; what follows its
                      // digits is not looked at.
                      EntryCase{"10, 12abc,\t110,  +40, Two words", {10, 12, 110, 40}, " Two words"},
                      EntryCase{"-5,+6,12abc,,tail text", {-5, 6, 12, 0}, "tail text"},
                      EntryCase{",,,,", {0, 0, 0, 0}, ""},
                      // Numbers beyond the int range saturate.
                      EntryCase{"99999999999,-99999999999,2147483647,-2147483648,x",
                                {INT_MAX, INT_MIN, INT_MAX, INT_MIN},
                                "x"}));

// Fewer than four commas, a missing key, section or file: false, an all-zero
// rectangle and the text as it was.
TEST_F(LayoutEntryTest, MalformedOrMissingValuesLeaveTheTextAndZeroTheRectangle) {
  for (const char* pszValue : {"10,20,110", "", "Hello", "1,2,3,4"}) {
    SCOPED_TRACE(pszValue);
    EXPECT_FALSE(Read(pszValue));
    EXPECT_TRUE(SameRect(m_rc, 0, 0, 0, 0));
    EXPECT_STREQ(m_szText, kUntouched);
  }
  EXPECT_FALSE(Read("1,2,3,4,x", "S", "Other"));
  EXPECT_TRUE(SameRect(m_rc, 0, 0, 0, 0));
  EXPECT_STREQ(m_szText, kUntouched);
  EXPECT_FALSE(Read("1,2,3,4,x", "Other", "K"));
  EXPECT_STREQ(m_szText, kUntouched);

  ASSERT_TRUE(pagetest::DeletePageFile("Setup.ini"));
  EXPECT_FALSE(ReadOnly("TestPage", "X_Y_0"));
  EXPECT_TRUE(SameRect(m_rc, 0, 0, 0, 0));
  EXPECT_STREQ(m_szText, kUntouched);
}

// The longest value the reader takes is 259 characters; after four commas
// at most 255 remain, which with the terminator fit 256 characters.
TEST_F(LayoutEntryTest, LongTextIsCutToFitTheCallersBuffer) {
  ASSERT_TRUE(Read(",,,," + std::string(400, 'w')));
  EXPECT_EQ(std::strlen(m_szText), 255u);
  for (size_t i = 256; i < sizeof m_szText; ++i) ASSERT_EQ(static_cast<unsigned char>(m_szText[i]), 0xCD) << i;

  ASSERT_TRUE(Read("100,200,300,400," + std::string(400, 'w')));
  EXPECT_TRUE(SameRect(m_rc, 100, 200, 300, 400));
  EXPECT_EQ(std::strlen(m_szText), 259u - 16u);
}

// The shipped layout file carries every key the pages read, each with four
// numbers, and every rectangle that is drawn lies on the 500 x 400 page.
TEST_F(LayoutEntryTest, ShippedSetupIniHoldsEveryKeyThePagesRead) {
  struct Key {
    std::string section, key;
    bool bRect;  // the rectangle is used
    bool bText;  // the text is used
  };
  std::vector<Key> keys;
  for (int i = 1; i <= 6; ++i) keys.push_back({"PageTitle", "Title" + std::to_string(i), false, true});
  for (const char* k : {"X_Y_0", "Axies2_0", "Axies3_0", "Sensitivity_0"}) keys.push_back({"TestPage", k, true, true});
  for (const char* k : {"X_Y_0", "Axies2_0", "Axies3_0"}) keys.push_back({"CheckPage", k, true, true});
  for (int s = 0; s <= 6; ++s) {
    keys.push_back({"CheckPage", "Check_Set0_" + std::to_string(s), true, true});
    for (int i = 1; i <= 4; ++i)
      keys.push_back({"CheckPage", "Check_Set0_" + std::to_string(s) + "_" + std::to_string(i), true, false});
  }
  for (int i = 0; i < 12; ++i) keys.push_back({"KeyboardPage", "Keyboard" + std::to_string(i), true, false});
  for (const char* k : {"LeftMotor", "RightMotor", "MotorPower", "TimeCycle"}) keys.push_back({"PowerPage", k, true, true});
  // Setting number 47: the low byte of the controller's product ID.
  for (const char* k : {"Mode_47_AxesRX", "Mode_47_AxesRY", "Mode_47_AxesZ", "OpenFileTitle"})
    keys.push_back({"DefaultSetting", k, false, true});
  for (const char* k : {"Error", "LoseDevice", "OpenFileErr", "SaveFileErr"}) keys.push_back({"ErrorInfo", k, false, true});
  keys.push_back({"DIALOGString", "GetKeyBoardTitle", true, true});
  keys.push_back({"DIALOGString", "GetKeyBoardText", true, false});

  for (const Key& k : keys) {
    SCOPED_TRACE(k.section + "/" + k.key);
    ASSERT_TRUE(ReadOnly(k.section.c_str(), k.key.c_str()));
    if (k.bText) {
      EXPECT_GT(std::strlen(m_szText), 0u);
    }
    if (k.bRect) {
      EXPECT_LT(m_rc.left, m_rc.right);
      EXPECT_LT(m_rc.top, m_rc.bottom);
      EXPECT_GE(m_rc.left, 0);
      EXPECT_GE(m_rc.top, 0);
      EXPECT_LE(m_rc.right, pagetest::kPageWidth);
      EXPECT_LE(m_rc.bottom, pagetest::kPageHeight);
    }
  }
  ASSERT_TRUE(ReadOnly("DefaultSetting", "Mode_47_AxesZ"));
  EXPECT_STREQ(m_szText, "32767");  // three-point 0, 127, 255
}

}  // namespace

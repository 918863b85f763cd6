// Resources of the test module (converted from user32_test.rc): strings,
// raw lookups, icons; metrics and the keyboard layout.
#include "user32_fixture.h"

#include <cstring>

namespace u32test {
namespace {

TEST_F(User32Test, LoadStringFindsStringsAcrossBlocks) {
  struct Case {
    UINT id;
    const char* text;
  };
  const Case cases[] = {{1, "First"},
                        {15, "End of block one"},
                        {16, "Start of block two"},
                        {300, "A longer string of thirty chars"},
                        {301, "Quote \" and tab\tend"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    char sz[64];
    std::memset(sz, 0xcd, sizeof sz);
    EXPECT_EQ(LoadStringA(Self(), c.id, sz, sizeof sz), int(std::strlen(c.text)));
    EXPECT_STREQ(sz, c.text);
  }
}

TEST_F(User32Test, LoadStringCutsToTheBufferAndMissesCleanly) {
  char sz[8];
  std::memset(sz, 0xcd, sizeof sz);
  EXPECT_EQ(LoadStringA(Self(), 300, sz, 6), 5);
  EXPECT_STREQ(sz, "A lon");
  EXPECT_EQ(sz[6], char(0xcd));
  EXPECT_EQ(LoadStringA(Self(), 2, sz, sizeof sz), 0);  // in a block, not defined
  EXPECT_STREQ(sz, "");
  EXPECT_EQ(LoadStringA(Self(), 4000, sz, sizeof sz), 0);  // no such block
  EXPECT_EQ(LoadStringA(nullptr, 1, sz, sizeof sz), 5);    // NULL is the executable
}

TEST_F(User32Test, FindResourceGivesTheBinaryForm) {
  HMODULE hSelf = reinterpret_cast<HMODULE>(Self());
  HRSRC hRes = FindResourceA(hSelf, MAKEINTRESOURCEA(100), RT_DIALOG);
  ASSERT_NE(hRes, nullptr);
  const auto* pTemplate = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(hSelf, hRes)));
  ASSERT_NE(pTemplate, nullptr);
  EXPECT_GE(SizeofResource(hSelf, hRes), DWORD(sizeof(DLGTEMPLATE)));
  EXPECT_EQ(pTemplate->cdit, 2);
  EXPECT_EQ(pTemplate->cx, 100);
  EXPECT_EQ(pTemplate->cy, 50);
  EXPECT_TRUE(pTemplate->style & DS_SETFONT);
  EXPECT_NE(FindResourceA(hSelf, "#100", RT_DIALOG), nullptr);
  EXPECT_EQ(FindResourceA(hSelf, MAKEINTRESOURCEA(100), RT_STRING), nullptr);
}

TEST_F(User32Test, IconsComeFromTheIconGroup) {
  HICON hIcon = static_cast<HICON>(LoadImageA(Self(), MAKEINTRESOURCEA(50), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
  ASSERT_NE(hIcon, nullptr);
  HWND h = sim::CreateTestWindow(40, 40);
  HDC hdc = GetDC(h);
  ASSERT_TRUE(DrawIconEx(hdc, 4, 4, hIcon, 0, 0, 0, nullptr, DI_NORMAL));
  ReleaseDC(h, hdc);
  const COLORREF centre = sim::GetWindowPixel(h, 4 + 16, 4 + 20);
  EXPECT_GT(GetGValue(centre), GetRValue(centre));
  EXPECT_EQ(sim::GetWindowPixel(h, 4, 4), 0xFFFFFFu);  // masked corner
  EXPECT_EQ(sim::GetWindowPixel(h, 39, 39), 0xFFFFFFu);
  // Icons are not GDI objects.
  EXPECT_FALSE(DeleteObject(hIcon));
  EXPECT_TRUE(DestroyIcon(hIcon));
  EXPECT_FALSE(DestroyIcon(hIcon));
  DestroyWindow(h);
  EXPECT_EQ(LoadImageA(Self(), MAKEINTRESOURCEA(51), IMAGE_ICON, 0, 0, 0), nullptr);
}

TEST_F(User32Test, DrawIconExScalesToTheSizeAsked) {
  HICON hIcon = static_cast<HICON>(LoadImageA(Self(), MAKEINTRESOURCEA(50), IMAGE_ICON, 0, 0, 0));
  ASSERT_NE(hIcon, nullptr);
  HWND h = sim::CreateTestWindow(80, 80);
  HDC hdc = GetDC(h);
  DrawIconEx(hdc, 0, 0, hIcon, 64, 64, 0, nullptr, DI_NORMAL);
  ReleaseDC(h, hdc);
  EXPECT_NE(sim::GetWindowPixel(h, 32, 40), 0xFFFFFFu);
  EXPECT_EQ(sim::GetWindowPixel(h, 70, 70), 0xFFFFFFu);
  DestroyIcon(hIcon);
  DestroyWindow(h);
}

TEST_F(User32Test, TheArrowCursorIsShared) {
  HCURSOR hArrow = LoadCursorA(nullptr, IDC_ARROW);
  ASSERT_NE(hArrow, nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), hArrow);
  EXPECT_TRUE(DestroyCursor(hArrow));
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), hArrow);
}

TEST_F(User32Test, SystemMetricsFollowTheSim) {
  EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
  EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN), GetSystemMetrics(SM_CYSCREEN) - GetSystemMetrics(SM_CYCAPTION));
  sim::SetSystemMetric(SM_CYFULLSCREEN, 560);
  EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN), 560);
  sim::SetSystemMetric(SM_CYFULLSCREEN, -1);
  EXPECT_EQ(GetSystemMetrics(SM_CYFULLSCREEN), 768 - 19);
}

TEST_F(User32Test, MapVirtualKeyGivesUnshiftedCharacters) {
  EXPECT_EQ(MapVirtualKeyA('A', MAPVK_VK_TO_CHAR), UINT('A'));
  EXPECT_EQ(MapVirtualKeyA('7', MAPVK_VK_TO_CHAR), UINT('7'));
  EXPECT_EQ(MapVirtualKeyA(VK_OEM_3, MAPVK_VK_TO_CHAR), UINT('`'));
  EXPECT_EQ(MapVirtualKeyA(VK_SPACE, MAPVK_VK_TO_CHAR), UINT(' '));
  EXPECT_EQ(MapVirtualKeyA(VK_F1, MAPVK_VK_TO_CHAR), 0u);
  EXPECT_EQ(MapVirtualKeyA(VK_SHIFT, MAPVK_VK_TO_CHAR), 0u);
  EXPECT_EQ(MapVirtualKeyA('A', MAPVK_VK_TO_VSC), 0x1Eu);
  EXPECT_EQ(MapVirtualKeyA(0x1E, MAPVK_VSC_TO_VK), UINT('A'));
}

}  // namespace
}  // namespace u32test

// Icons as Windows publishes them: an .ico file loaded with LoadImageA,
// drawn through its AND mask with DrawIconEx, destroyed with DestroyIcon.
// Win32 API only.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void Put16(std::vector<BYTE>& b, WORD w) {
  b.push_back(BYTE(w));
  b.push_back(BYTE(w >> 8));
}
void Put32(std::vector<BYTE>& b, DWORD dw) {
  Put16(b, WORD(dw));
  Put16(b, WORD(dw >> 16));
}

// A 32 x 32 16-colour icon: the left half red and opaque, the right half
// transparent.
std::vector<BYTE> HalfRedIcon() {
  std::vector<BYTE> dib;
  Put32(dib, 40);
  Put32(dib, 32);
  Put32(dib, 64);
  Put16(dib, 1);
  Put16(dib, 4);
  Put32(dib, 0);
  Put32(dib, 32 * 16 + 32 * 4);
  Put32(dib, 0);
  Put32(dib, 0);
  Put32(dib, 16);
  Put32(dib, 0);
  for (int i = 0; i < 16; ++i) Put32(dib, i == 1 ? 0x00FF0000u : 0);  // index 1 red (RGBQUAD)
  for (int row = 0; row < 32; ++row)
    for (int x = 0; x < 32; x += 2) dib.push_back(x < 16 ? 0x11 : 0x00);
  for (int row = 0; row < 32; ++row) {
    dib.push_back(0x00);
    dib.push_back(0x00);
    dib.push_back(0xFF);
    dib.push_back(0xFF);
  }
  std::vector<BYTE> ico;
  Put16(ico, 0);
  Put16(ico, 1);
  Put16(ico, 1);
  ico.push_back(32);
  ico.push_back(32);
  ico.push_back(16);
  ico.push_back(0);
  Put16(ico, 1);
  Put16(ico, 4);
  Put32(ico, DWORD(dib.size()));
  Put32(ico, 22);
  ico.insert(ico.end(), dib.begin(), dib.end());
  return ico;
}

std::string WriteTempIcon() {
  char szDir[MAX_PATH];
  GetTempPathA(MAX_PATH, szDir);
  std::string path = std::string(szDir) + "qj_user32_icon.ico";
  std::vector<BYTE> ico = HalfRedIcon();
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  DWORD dw = 0;
  WriteFile(h, ico.data(), DWORD(ico.size()), &dw, nullptr);
  CloseHandle(h);
  return path;
}

TEST(User32Icon, AnIconFileDrawsThroughItsMask) {
  std::string path = WriteTempIcon();
  ASSERT_FALSE(path.empty());
  HICON hIcon = static_cast<HICON>(LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
  ASSERT_NE(hIcon, nullptr);
  HDC hdcScreen = GetDC(nullptr);
  HDC hdc = CreateCompatibleDC(hdcScreen);
  HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, 40, 40);
  ReleaseDC(nullptr, hdcScreen);
  HGDIOBJ hOld = SelectObject(hdc, hbm);
  RECT rc = {0, 0, 40, 40};
  FillRect(hdc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ASSERT_TRUE(DrawIconEx(hdc, 2, 2, hIcon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(GetPixel(hdc, 2 + 5, 2 + 5), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(hdc, 2 + 25, 2 + 5), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(hdc, 1, 1), RGB(255, 255, 255));
  SelectObject(hdc, hOld);
  DeleteObject(hbm);
  DeleteDC(hdc);
  EXPECT_TRUE(DestroyIcon(hIcon));
  DeleteFileA(path.c_str());
}

TEST(User32Icon, TheArrowCursorLoads) { EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr); }

}  // namespace

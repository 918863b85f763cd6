// skinlook OUT.png
//
// Paints one control of each skin class into a 500 x 400 window, from
// bitmaps generated here and written as BMP files to the temporary folder,
// and writes the window as a PNG so that a person can see what the controls
// draw. Exit code 0 on success, 1 on a usage or write error.
#include "platform/sim/sim.h"
#include "skin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kPageWidth = 500;
constexpr int kPageHeight = 400;
constexpr COLORREF kWhite = 0xFFFFFF;

using PixelFn = std::function<COLORREF(int x, int y)>;

void Put32(std::vector<unsigned char>& v, size_t at, DWORD x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<unsigned char>(x >> (8 * i));
}

// Writes a 24-bit bottom-up BMP of cx x cy pixels; returns its path, or an
// empty string when the file cannot be written.
std::string WriteBmp(const char* pszName, int cx, int cy, const PixelFn& pixel) {
  char szTemp[MAX_PATH];
  DWORD cch = GetTempPathA(MAX_PATH, szTemp);
  if (cch == 0 || cch >= MAX_PATH) return std::string();
  std::string path = std::string(szTemp) + "skinlook-" + pszName + ".bmp";
  const size_t cbStride = ((size_t(cx) * 24 + 31) / 32) * 4;
  std::vector<unsigned char> v(54 + cbStride * size_t(cy), 0);
  v[0] = 'B';
  v[1] = 'M';
  Put32(v, 2, DWORD(v.size()));
  Put32(v, 10, 54);
  Put32(v, 14, 40);
  Put32(v, 18, DWORD(cx));
  Put32(v, 22, DWORD(cy));
  v[26] = 1;
  v[28] = 24;
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x) {
      COLORREF c = pixel(x, y);
      unsigned char* p = &v[54 + cbStride * size_t(cy - 1 - y) + size_t(x) * 3];
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
    }
  HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hFile == INVALID_HANDLE_VALUE) return std::string();
  DWORD dwWritten = 0;
  BOOL bOk = WriteFile(hFile, v.data(), DWORD(v.size()), &dwWritten, nullptr);
  CloseHandle(hFile);
  return (bOk && dwWritten == v.size()) ? path : std::string();
}

// A rounded shape of colour c on the white key: what a skin button looks like.
PixelFn Pill(int cx, int cy, COLORREF c) {
  return [=](int x, int y) {
    const int r = cy / 2;
    const int dx = x < r ? r - x : (x >= cx - r ? x - (cx - r - 1) : 0);
    const int dy = y - r;
    if (dx * dx + dy * dy > r * r) return kWhite;
    const int shade = 40 * y / cy;
    return RGB(std::max(0, GetRValue(c) - shade), std::max(0, GetGValue(c) - shade), std::max(0, GetBValue(c) - shade));
  };
}

PixelFn Ring(int n, COLORREF c, COLORREF key) {
  return [=](int x, int y) {
    const double d = std::hypot(x - n / 2.0 + 0.5, y - n / 2.0 + 0.5);
    if (d > n / 2.0 - 1) return key;
    if (d < n / 2.0 - 5) return d < 3 ? c : key;
    return c;
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: skinlook OUT.png\n");
    return 1;
  }
  HWND hWnd = sim::CreateTestWindow(kPageWidth, kPageHeight);

  const std::string back = WriteBmp("back", kPageWidth, kPageHeight, [](int x, int y) {
    return RGB(30 + x / 10, 40 + y / 10, 90 + (x + y) / 12);
  });
  const std::string cover = WriteBmp("cover", kPageWidth, kPageHeight, [](int x, int y) {
    return ((x / 10 + y / 10) % 2) ? RGB(90, 90, 90) : RGB(120, 120, 120);
  });
  const std::string logo = WriteBmp("logo", 88, 57, [](int x, int y) {
    const int dx = x - 44, dy = y - 28;
    return (dx * dx / 4 + dy * dy <= 26 * 26 / 1) && (dx * dx / 4 + dy * dy >= 18 * 18) ? RGB(255, 200, 0) : kWhite;
  });
  const std::string normal = WriteBmp("normal", 84, 24, Pill(84, 24, RGB(60, 120, 220)));
  const std::string pressed = WriteBmp("pressed", 84, 24, Pill(84, 24, RGB(230, 90, 40)));
  const std::string lampOff = WriteBmp("lampoff", 80, 81, Pill(80, 81, RGB(100, 100, 110)));
  const std::string lampOn = WriteBmp("lampon", 80, 81, Pill(80, 81, RGB(60, 220, 90)));
  const std::string track = WriteBmp("track", 213, 83, [](int x, int y) {
    return (y >= 30 && y < 53 && x >= 36 && x < 177) ? RGB(70, 70, 80) : kWhite;
  });
  const std::string fill = WriteBmp("fill", 213, 83, [](int x, int y) {
    return (y >= 32 && y < 51 && x >= 38 && x < 175) ? RGB(80, 200 - x / 2, 255) : kWhite;
  });
  const std::string vtrack = WriteBmp("vtrack", 28, 100, [](int x, int) { return x >= 8 && x < 20 ? RGB(70, 70, 80) : kWhite; });
  const std::string vfill = WriteBmp("vfill", 28, 100, [](int x, int y) {
    return x >= 9 && x < 19 ? RGB(255, 120 + y, 40) : kWhite;
  });
  const std::string cursorWhite = WriteBmp("cursorw", 30, 30, Ring(30, RGB(255, 40, 40), kWhite));
  const std::string cursorBlack = WriteBmp("cursorb", 30, 30, Ring(30, RGB(40, 255, 255), 0x000000));
  std::string hat[SkinHat::kDirections];
  const char* apszHat[SkinHat::kDirections];
  RECT arcHat[SkinHat::kDirections];
  for (int k = 0; k < SkinHat::kDirections; ++k) {
    const double a = k * 3.1415926535 / 4;
    const int cx = 400 + int(std::lround(40 * std::sin(a))), cy = 300 - int(std::lround(40 * std::cos(a)));
    hat[k] = WriteBmp(("hat" + std::to_string(k)).c_str(), 20, 20, Ring(20, RGB(255, 255, 0), kWhite));
    apszHat[k] = hat[k].c_str();
    arcHat[k] = RECT{cx - 10, cy - 10, cx + 10, cy + 10};
  }
  for (const std::string* p : {&back, &cover, &logo, &normal, &pressed, &lampOff, &lampOn, &track, &fill, &vtrack,
                               &vfill, &cursorWhite, &cursorBlack}) {
    if (p->empty()) {
      std::fprintf(stderr, "skinlook: cannot write the generated bitmaps\n");
      return 1;
    }
  }

  std::vector<std::unique_ptr<SkinControl>> controls;
  controls.emplace_back(new SkinBackground(nullptr, back.c_str(), 0, 0, kPageWidth, kPageHeight));
  controls.emplace_back(new SkinBackgroundPart(nullptr, cover.c_str(), 0, 0, kPageWidth, kPageHeight, 20, 300, 240, 390));
  controls.emplace_back(new SkinImage(nullptr, logo.c_str(), 204, 0, 292, 57));
  controls.emplace_back(new SkinButton(nullptr, normal.c_str(), pressed.c_str(), 20, 70, 104, 94, 20, 96, 200, 112,
                                       "Released", hWnd, 0, 0));
  controls.emplace_back(new SkinButton(nullptr, normal.c_str(), pressed.c_str(), 120, 70, 204, 94, 120, 96, 300, 112,
                                       "Pressed button", hWnd, 1, 0));
  controls.emplace_back(new SkinLabelButton(nullptr, lampOff.c_str(), lampOn.c_str(), 320, 60, 400, 141, 330, 142,
                                            480, 158, "Label off", hWnd, 0, 1));
  controls.emplace_back(new SkinLabelButton(nullptr, lampOff.c_str(), lampOn.c_str(), 410, 60, 490, 141, 420, 142,
                                            500, 158, "Label on", hWnd, 1, 1));
  SkinSlider* pAxis = new SkinSlider(hWnd, track.c_str(), fill.c_str(), 20, 150, 233, 233, 30, 236, 230, 252,
                                     "Axis h = 160", 40, 83, 1, 0);
  pAxis->SetState(hWnd, 160u << 16);
  controls.emplace_back(pAxis);
  SkinSlider* pBar = new SkinSlider(hWnd, vtrack.c_str(), vfill.c_str(), 260, 160, 288, 260, 250, 262, 330, 278,
                                    "v = 170", 0, 0, 0, 0);
  pBar->SetState(hWnd, 170);
  controls.emplace_back(pBar);
  SkinCursor* pCursor = new SkinCursor(hWnd, cursorWhite.c_str(), 60, 300, 160, 390, 110, 345, 30, 60, 282, 200, 298,
                                       "Cursor, white key", 0, 0);
  pCursor->SetState(hWnd, (200u << 16) + 60);
  controls.emplace_back(pCursor);
  SkinCursor* pBlack = new SkinCursor(hWnd, cursorBlack.c_str(), 180, 300, 280, 390, 230, 345, 30, 0, 0, 0, 0,
                                      nullptr, 0, 1);
  pBlack->SetState(hWnd, (20u << 16) + 255);
  controls.emplace_back(pBlack);
  SkinHat* pHat = new SkinHat(nullptr, apszHat, arcHat, 0);
  pHat->SetState(hWnd, 13500);
  controls.emplace_back(pHat);

  InvalidateRect(hWnd, nullptr, TRUE);
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hWnd, &ps);
  SetTextColor(hdc, kWhite);
  SetBkMode(hdc, TRANSPARENT);
  for (auto& control : controls) control->Paint(hdc);
  EndPaint(hWnd, &ps);

  const bool bOk = sim::WriteWindowPng(hWnd, argv[1]);
  controls.clear();
  for (const std::string* p : {&back, &cover, &logo, &normal, &pressed, &lampOff, &lampOn, &track, &fill, &vtrack,
                               &vfill, &cursorWhite, &cursorBlack})
    DeleteFileA(p->c_str());
  for (const std::string& h : hat) DeleteFileA(h.c_str());
  DestroyWindow(hWnd);
  if (!bOk) {
    std::fprintf(stderr, "skinlook: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

// Skin art: a dark slate page with lighter panels, blue push buttons with
// white labels, round lamps, green-to-red level bars. Keyed images use pure
// white (or pure black for the vibration cursor) for what must not show,
// and never use the key colour inside a picture.
#include "skingen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

namespace skingen {
namespace {

constexpr int kPageWidth = 500;
constexpr int kPageHeight = 400;
constexpr COLORREF kKeyWhite = 0xFFFFFF;
constexpr COLORREF kKeyBlack = 0x000000;

constexpr COLORREF Rgb(int r, int g, int b) {
  return COLORREF(unsigned(r & 0xFF) | (unsigned(g & 0xFF) << 8) | (unsigned(b & 0xFF) << 16));
}
int R(COLORREF c) { return int(c & 0xFF); }
int G(COLORREF c) { return int((c >> 8) & 0xFF); }
int B(COLORREF c) { return int((c >> 16) & 0xFF); }

COLORREF Mix(COLORREF a, COLORREF b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  auto mix = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
  return Rgb(mix(R(a), R(b)), mix(G(a), G(b)), mix(B(a), B(b)));
}

// Keeps a picture colour off the key colours so that it never turns
// transparent by accident.
COLORREF Safe(COLORREF c) {
  if (c == kKeyWhite) return Rgb(254, 254, 254);
  if (c == kKeyBlack) return Rgb(1, 1, 1);
  return c;
}

// The palette.
constexpr COLORREF kPageTop = Rgb(34, 44, 66);
constexpr COLORREF kPageBottom = Rgb(14, 18, 32);
constexpr COLORREF kPanel = Rgb(46, 60, 88);
constexpr COLORREF kPanelEdge = Rgb(92, 116, 160);
constexpr COLORREF kGroove = Rgb(20, 26, 40);
constexpr COLORREF kLabel = Rgb(200, 212, 232);
constexpr COLORREF kButtonTop = Rgb(86, 132, 214);
constexpr COLORREF kButtonBottom = Rgb(40, 74, 150);
constexpr COLORREF kButtonEdge = Rgb(170, 200, 250);
constexpr COLORREF kPressedTop = Rgb(232, 150, 40);
constexpr COLORREF kPressedBottom = Rgb(176, 92, 18);
constexpr COLORREF kLampOff = Rgb(64, 70, 84);
constexpr COLORREF kLampOn = Rgb(90, 220, 110);
constexpr COLORREF kAccent = Rgb(250, 170, 40);

class Canvas {
 public:
  Canvas(int cx, int cy, COLORREF fill) : m_cx(cx), m_cy(cy), m_pixels(size_t(cx) * size_t(cy), fill) {}

  int Width() const { return m_cx; }
  int Height() const { return m_cy; }
  COLORREF At(int x, int y) const { return m_pixels[size_t(y) * size_t(m_cx) + size_t(x)]; }
  void Put(int x, int y, COLORREF c) {
    if (x >= 0 && y >= 0 && x < m_cx && y < m_cy) m_pixels[size_t(y) * size_t(m_cx) + size_t(x)] = c;
  }
  // Covers the pixel by alpha (0..1) of c.
  void Blend(int x, int y, COLORREF c, double alpha) {
    if (x >= 0 && y >= 0 && x < m_cx && y < m_cy) Put(x, y, Safe(Mix(At(x, y), c, alpha)));
  }

  void Fill(int l, int t, int r, int b, COLORREF c) {
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) Put(x, y, c);
  }
  void VerticalGradient(int l, int t, int r, int b, COLORREF top, COLORREF bottom) {
    for (int y = t; y < b; ++y) {
      const COLORREF c = Safe(Mix(top, bottom, b - t > 1 ? double(y - t) / (b - t - 1) : 0.0));
      for (int x = l; x < r; ++x) Put(x, y, c);
    }
  }
  // The part of the canvas a shape may touch: its bounds in canvas units.
  struct Box {
    double l, t, r, b;
  };
  static constexpr Box kEverywhere{-1e9, -1e9, 1e9, 1e9};

  // A filled shape given by its signed distance (negative inside), edges
  // smoothed over one pixel against what lies below. With bHard the edge is
  // not smoothed (shapes on a key colour keep a clean outline). Only pixels
  // within two of box are looked at: the distance is at least 0.5 further
  // out, where the shape leaves a pixel as it is.
  void Shape(const std::function<double(double, double)>& distance, const std::function<COLORREF(int, int)>& colour,
             bool bHard, const Box& box = kEverywhere) {
    const int x0 = int(std::max(0.0, std::floor(box.l) - 2));
    const int y0 = int(std::max(0.0, std::floor(box.t) - 2));
    const int x1 = int(std::min(double(m_cx), std::ceil(box.r) + 2));
    const int y1 = int(std::min(double(m_cy), std::ceil(box.b) + 2));
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const double d = distance(x + 0.5, y + 0.5);
        if (bHard) {
          if (d <= 0.0) Put(x, y, Safe(colour(x, y)));
        } else if (d < 0.5) {
          Blend(x, y, colour(x, y), std::min(1.0, 0.5 - d));
        }
      }
  }
  void Disc(double cx, double cy, double radius, COLORREF c, bool bHard = false) {
    Shape([=](double x, double y) { return std::hypot(x - cx, y - cy) - radius; }, [=](int, int) { return c; },
          bHard, Box{cx - radius, cy - radius, cx + radius, cy + radius});
  }
  void Ring(double cx, double cy, double radius, double width, COLORREF c) {
    const double outer = radius + width / 2;
    Shape([=](double x, double y) { return std::fabs(std::hypot(x - cx, y - cy) - radius) - width / 2; },
          [=](int, int) { return c; }, false, Box{cx - outer, cy - outer, cx + outer, cy + outer});
  }
  void RoundRect(double l, double t, double r, double b, double radius, const std::function<COLORREF(int, int)>& colour,
                 bool bHard = false) {
    Shape(
        [=](double x, double y) {
          const double qx = std::max({l + radius - x, x - (r - radius), 0.0});
          const double qy = std::max({t + radius - y, y - (b - radius), 0.0});
          const double outside = std::hypot(qx, qy) - radius;
          if (qx > 0 || qy > 0) return outside;
          return -std::min({x - l, r - x, y - t, b - y});
        },
        colour, bHard, Box{l, t, r, b});
  }
  void Frame(int l, int t, int r, int b, COLORREF c) {
    Fill(l, t, r, t + 1, c);
    Fill(l, b - 1, r, b, c);
    Fill(l, t, l + 1, b, c);
    Fill(r - 1, t, r, b, c);
  }
  void Polygon(const std::vector<std::pair<double, double>>& points, COLORREF c, bool bHard) {
    Shape(
        [points](double x, double y) {
          // Distance to the edges, negative inside (even-odd rule).
          bool bInside = false;
          double dMin = 1e9;
          for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const double xi = points[i].first, yi = points[i].second;
            const double xj = points[j].first, yj = points[j].second;
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) bInside = !bInside;
            const double dx = xj - xi, dy = yj - yi;
            const double len2 = dx * dx + dy * dy;
            const double u = len2 > 0 ? std::clamp(((x - xi) * dx + (y - yi) * dy) / len2, 0.0, 1.0) : 0.0;
            dMin = std::min(dMin, std::hypot(x - (xi + u * dx), y - (yi + u * dy)));
          }
          return bInside ? -dMin : dMin;
        },
        [c](int, int) { return c; }, bHard);
  }

  // Draws text with the platform's DrawTextA (13-pixel face) centred in the
  // rectangle, or left-aligned with bLeft.
  void Text(int l, int t, int r, int b, const char* pszText, COLORREF c, bool bLeft = false) {
    l = std::max(l, 0);
    t = std::max(t, 0);
    r = std::min(r, m_cx);
    b = std::min(b, m_cy);
    if (r <= l || b <= t) return;
    const int cx = r - l, cy = b - t;
    HBITMAP hbm = CreateBitmap(cx, cy, 1, 32, nullptr);
    HDC hdc = CreateCompatibleDC(nullptr);
    if (!hbm || !hdc) {
      if (hbm) DeleteObject(hbm);
      if (hdc) DeleteDC(hdc);
      return;
    }
    HGDIOBJ hOld = SelectObject(hdc, hbm);
    for (int y = 0; y < cy; ++y)
      for (int x = 0; x < cx; ++x) SetPixel(hdc, x, y, At(l + x, t + y));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, Safe(c));
    RECT rc{0, 0, cx, cy};
    DrawTextA(hdc, pszText, int(std::strlen(pszText)), &rc,
              (bLeft ? DT_LEFT : DT_CENTER) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    // Only what the text covered changes. Over a key colour a pixel becomes
    // the text colour where the text covers it mostly and stays key
    // elsewhere, so that keyed images get no fringe of near-key pixels.
    for (int y = 0; y < cy; ++y)
      for (int x = 0; x < cx; ++x) {
        const COLORREF before = At(l + x, t + y);
        const COLORREF after = GetPixel(hdc, x, y);
        if (after == before) continue;
        if (before == kKeyWhite || before == kKeyBlack) {
          const int nMoved = std::abs(R(after) - R(before)) + std::abs(G(after) - G(before)) + std::abs(B(after) - B(before));
          const int nFull = std::abs(R(c) - R(before)) + std::abs(G(c) - G(before)) + std::abs(B(c) - B(before));
          if (2 * nMoved > nFull) Put(l + x, t + y, Safe(c));
        } else {
          Put(l + x, t + y, Safe(after));
        }
      }
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    DeleteObject(hbm);
  }

  // The 24-bit bottom-up BMP file image.
  std::vector<unsigned char> Bmp() const {
    const size_t cbStride = ((size_t(m_cx) * 24 + 31) / 32) * 4;
    std::vector<unsigned char> v(54 + cbStride * size_t(m_cy), 0);
    auto put32 = [&v](size_t at, unsigned x) {
      for (int i = 0; i < 4; ++i) v[at + i] = static_cast<unsigned char>(x >> (8 * i));
    };
    v[0] = 'B';
    v[1] = 'M';
    put32(2, unsigned(v.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, unsigned(m_cx));
    put32(22, unsigned(m_cy));
    v[26] = 1;
    v[28] = 24;
    put32(34, unsigned(cbStride * size_t(m_cy)));
    for (int y = 0; y < m_cy; ++y) {
      unsigned char* pRow = &v[54 + cbStride * size_t(m_cy - 1 - y)];
      for (int x = 0; x < m_cx; ++x) {
        const COLORREF c = At(x, y);
        pRow[3 * x] = static_cast<unsigned char>(B(c));
        pRow[3 * x + 1] = static_cast<unsigned char>(G(c));
        pRow[3 * x + 2] = static_cast<unsigned char>(R(c));
      }
    }
    return v;
  }

 private:
  int m_cx;
  int m_cy;
  std::vector<COLORREF> m_pixels;
};

// --- Pieces shared by several pictures ---------------------------------------

void PageBase(Canvas& c) {
  c.VerticalGradient(0, 0, kPageWidth, kPageHeight, kPageTop, kPageBottom);
  c.Frame(0, 0, kPageWidth, kPageHeight, Rgb(60, 74, 104));
}

void Panel(Canvas& c, int l, int t, int r, int b) {
  c.RoundRect(l, t, r, b, 6, [](int, int) { return kPanelEdge; });
  c.RoundRect(l + 1, t + 1, r - 1, b - 1, 5,
              [t, b](int, int y) { return Mix(Rgb(54, 70, 102), kPanel, double(y - t) / std::max(1, b - t)); });
}

void Groove(Canvas& c, int l, int t, int r, int b) {
  c.RoundRect(l, t, r, b, (b - t) / 2.0, [](int, int) { return Rgb(70, 86, 120); });
  c.RoundRect(l + 1, t + 1, r - 1, b - 1, (b - t - 2) / 2.0, [](int, int) { return kGroove; });
}

// A push button filling the canvas, on the white key.
void PushButton(Canvas& c, const char* pszLabel, bool bPressed) {
  const int cx = c.Width(), cy = c.Height();
  const COLORREF top = bPressed ? kPressedTop : kButtonTop;
  const COLORREF bottom = bPressed ? kPressedBottom : kButtonBottom;
  const double radius = std::min(6.0, cy / 3.0);
  c.RoundRect(0, 0, cx, cy, radius, [](int, int) { return kButtonEdge; }, true);
  c.RoundRect(1, 1, cx - 1, cy - 1, radius - 1,
              [=](int, int y) { return Mix(top, bottom, double(y) / std::max(1, cy - 1)); }, true);
  const int d = bPressed ? 1 : 0;
  c.Text(d, d, cx + d, cy + d, pszLabel, Rgb(250, 250, 250));
}

// A round lamp of colour on; with nNumber its number in the middle.
void Lamp(Canvas& c, COLORREF on, int nNumber) {
  const double m = c.Width() / 2.0;
  c.Disc(m, m, m - 0.5, Rgb(24, 28, 36), true);
  c.Disc(m, m, m - 3, Mix(on, Rgb(0, 0, 0), 0.35), true);
  c.Shape([=](double x, double y) { return std::hypot(x - m, y - m) - (m - 5); },
          [=](int x, int y) { return Mix(Mix(on, kKeyWhite, 0.45), on, std::hypot(x - m + 5, y - m + 5) / m); },
          true);
  if (nNumber > 0) {
    char sz[16];
    std::snprintf(sz, sizeof sz, "%d", nNumber);
    c.Text(0, 0, c.Width(), c.Height(), sz, Rgb(16, 20, 28));
  }
}

// An arrow head of the hat pointing at angle (degrees clockwise from up),
// centred in the canvas.
void HatArrow(Canvas& c, double dDegrees, COLORREF colour) {
  const double m = c.Width() / 2.0;
  const double a = dDegrees * 3.14159265358979 / 180.0;
  auto point = [&](double forward, double side) {
    const double fx = std::sin(a), fy = -std::cos(a);
    return std::make_pair(m + fx * forward - fy * side, m + fy * forward + fx * side);
  };
  c.Polygon({point(22, 0), point(-10, 18), point(-4, 0), point(-10, -18)}, colour, true);
}

// Positions of the hat's eight images on the test page (top-left corners).
constexpr int kHatLeft[8] = {105, 151, 174, 153, 103, 55, 34, 56};
constexpr int kHatTop[8] = {203, 223, 271, 320, 341, 321, 272, 222};

// --- Pages ---------------------------------------------------------------------

void DrawBlankPage(Canvas& c) { PageBase(c); }

void DrawTestPage(Canvas& c) {
  PageBase(c);
  Panel(c, 48, 50, 430, 162);
  // Sliders, hat, stick and sensitivity areas.
  Panel(c, 18, 168, 252, 396);
  Panel(c, 258, 168, 492, 228);
  Panel(c, 316, 230, 440, 364);
  c.Frame(326, 250, 430, 356, Rgb(120, 144, 190));
  c.Fill(377, 251, 378, 355, Rgb(70, 90, 130));
  c.Fill(327, 302, 429, 303, Rgb(70, 90, 130));
  // The hat: a ring with every direction shown dim.
  c.Ring(138, 306, 56, 3, Rgb(80, 100, 140));
  for (int k = 0; k < 8; ++k) {
    Canvas arrow(68, 68, kKeyWhite);
    HatArrow(arrow, 45.0 * k, Rgb(70, 84, 112));
    for (int y = 0; y < 68; ++y)
      for (int x = 0; x < 68; ++x)
        if (arrow.At(x, y) != kKeyWhite) c.Put(kHatLeft[k] + x, kHatTop[k] + y, arrow.At(x, y));
  }
  c.Text(108, 296, 168, 316, "Hat", kLabel);
  // The Clear button's resting look; its pressed image covers it.
  Canvas clear(70, 20, kKeyWhite);
  PushButton(clear, "Clear", false);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 70; ++x)
      if (clear.At(x, y) != kKeyWhite) c.Put(120 + x, 25 + y, clear.At(x, y));
  c.Text(300, 26, 490, 44, "Controller test", kLabel);
}

void DrawKeyPage(Canvas& c, const char* pszTitle, const char* pszHeading) {
  PageBase(c);
  c.Text(10, 8, 200, 26, pszTitle, kLabel, true);
  c.Text(300, 8, 490, 26, pszHeading, kLabel);
  for (int i = 0; i < 12; ++i) {
    const int x = i < 6 ? 36 : 259;
    const int y = 62 + 47 * (i % 6);
    // Column one numbers its rows at the left; column two inside its rows,
    // at the right end, so that a page's cover hides the number with the row.
    Panel(c, i < 6 ? x - 4 : x, y + 2, i < 6 ? 254 : 496, y + 44);
    char sz[16];
    std::snprintf(sz, sizeof sz, "%d", i + 1);
    if (i < 6)
      c.Text(4, y, 32, y + 46, sz, kLabel);
    else
      c.Text(470, y, 494, y + 46, sz, kLabel);
  }
  Panel(c, 104, 352, 406, 388);
}

void DrawPowerPage(Canvas& c) {
  PageBase(c);
  c.Text(10, 8, 200, 26, "Vibration", kLabel, true);
  Panel(c, 70, 62, 432, 172);
  c.Fill(80, 133, 422, 134, Rgb(70, 90, 130));
  Groove(c, 79, 220, 423, 242);
  for (int k = 0; k <= 10; ++k) c.Fill(79 + k * 344 / 10 - (k == 10 ? 1 : 0), 244, 80 + k * 344 / 10, 250, kPanelEdge);
  Panel(c, 32, 262, 132, 374);
  Panel(c, 367, 262, 467, 374);
  Panel(c, 184, 262, 319, 395);
  c.Frame(194, 270, 310, 386, Rgb(120, 144, 190));
  c.Fill(251, 271, 252, 385, Rgb(70, 90, 130));
  c.Fill(195, 327, 309, 328, Rgb(70, 90, 130));
}

void DrawCheckPage(Canvas& c) {
  PageBase(c);
  c.Text(10, 8, 200, 26, "Calibration", kLabel, true);
  Panel(c, 69, 44, 198, 198);
  c.Frame(79, 66, 189, 176, Rgb(120, 144, 190));
  c.Fill(133, 67, 134, 175, Rgb(70, 90, 130));
  c.Fill(80, 120, 188, 121, Rgb(70, 90, 130));
  Panel(c, 17, 206, 252, 286);
  Panel(c, 17, 298, 252, 376);
  Panel(c, 310, 50, 498, 380);
}

void DrawAboutPage(Canvas& c) {
  PageBase(c);
  Panel(c, 60, 90, 440, 330);
  c.Text(60, 120, 440, 146, "VQ6100 Vibration Game Controller", Rgb(240, 244, 250));
  c.Text(60, 160, 440, 180, "Game Controllers control panel pages", kLabel);
  c.Text(60, 190, 440, 210, "Test, button map, keyboard, vibration", kLabel);
  c.Text(60, 210, 440, 230, "and calibration settings", kLabel);
  c.Text(60, 270, 440, 290, "Version 1.0", kLabel);
}

// --- Controls --------------------------------------------------------------------

void DrawLogo(Canvas& c) {
  // A pad: a rounded body with two grips, a cross and four buttons.
  const COLORREF body = Rgb(70, 100, 170);
  c.Disc(22, 32, 18, body, true);
  c.Disc(66, 32, 18, body, true);
  c.RoundRect(18, 14, 70, 44, 10, [=](int, int) { return body; }, true);
  c.Fill(14, 30, 30, 34, Rgb(230, 236, 246));
  c.Fill(20, 24, 24, 40, Rgb(230, 236, 246));
  const COLORREF dots[4] = {Rgb(240, 80, 80), Rgb(90, 220, 110), Rgb(80, 150, 250), Rgb(250, 200, 60)};
  c.Disc(66, 24, 3.5, dots[0], true);
  c.Disc(74, 32, 3.5, dots[1], true);
  c.Disc(66, 40, 3.5, dots[2], true);
  c.Disc(58, 32, 3.5, dots[3], true);
  c.Text(0, 44, 88, 57, "VQ6100", Rgb(230, 236, 246));
}

// The stick cursor: a ring with a dot, on the given key colour.
void DrawCursor(Canvas& c, COLORREF colour) {
  c.Ring(15, 15, 11, 3, colour);
  c.Disc(15, 15, 3, colour);
  // Smoothing mixes with the key colour; snap the mixed pixels to the
  // picture so that no half-key fringe remains.
  const COLORREF key = c.At(0, 0);
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (c.At(x, y) != key) c.Put(x, y, Safe(Mix(c.At(x, y), colour, 0.5)));
}

// Axis slider: a groove from 40 to 170 pixels (the reach of its fill) with
// a round plate at the left, over the white key. The fill holds nothing
// left of the groove: a slider repaints only the strip of its scale when
// its value changes, so anything drawn there would stay as it was.
void DrawAxisSlider(Canvas& c, bool bFill) {
  if (!bFill) {
    c.RoundRect(6, 20, 206, 52, 12, [](int, int) { return kPanelEdge; }, true);
    c.RoundRect(7, 21, 205, 51, 11, [](int, int) { return Rgb(40, 52, 78); }, true);
    c.RoundRect(40, 29, 172, 43, 7, [](int, int) { return kGroove; }, true);
    c.Disc(22, 36, 10, kGroove, true);
    for (int k = 0; k <= 4; ++k) c.Fill(41 + k * 32, 45, 42 + k * 32, 49, Rgb(120, 140, 180));
  } else {
    c.RoundRect(41, 30, 171, 42, 6,
                [](int x, int) { return Mix(kLampOn, Rgb(250, 220, 80), double(x - 41) / 130.0); }, true);
    c.Fill(41, 30, 48, 42, kLampOn);
  }
}

// Sensitivity: three bars, growing to the right and upward.
void DrawSensitivity(Canvas& c, bool bFill) {
  for (int k = 0; k < 3; ++k) {
    const int l = 2 + k * 9, t = 22 - k * 10, r = l + 7, b = 32;
    if (bFill) {
      c.Fill(l, t, r, b, Mix(kLampOn, kAccent, k / 2.0));
    } else {
      c.Fill(l, t, r, b, kPanelEdge);
      c.Fill(l + 1, t + 1, r - 1, b - 1, kGroove);
    }
  }
}

void DrawPowerLine(Canvas& c) {
  c.RoundRect(1, 3, 343, 19, 8,
              [](int x, int) {
                const double t = x / 343.0;
                return t < 0.5 ? Mix(kLampOn, Rgb(250, 220, 60), t * 2) : Mix(Rgb(250, 220, 60), Rgb(240, 70, 50), t * 2 - 1);
              },
              true);
}

void DrawMotorButton(Canvas& c, const char* pszSide, bool bPressed) {
  const COLORREF ring = bPressed ? kAccent : kPanelEdge;
  c.Disc(40, 38, 36, ring, true);
  c.Disc(40, 38, 32, bPressed ? Rgb(120, 70, 20) : Rgb(34, 44, 66), true);
  c.Disc(40, 38, 14, bPressed ? kAccent : Rgb(86, 100, 130), true);
  for (int k = 1; k <= 2; ++k) {
    c.Shape(
        [k](double x, double y) {
          const double d = std::fabs(std::hypot(x - 40, y - 38) - (16 + 6 * k)) - 1.2;
          return std::fabs(std::atan2(y - 38, x - 40)) > 2.4 || std::fabs(std::atan2(y - 38, x - 40)) < 0.75 ? d : 1.0;
        },
        [=](int, int) { return bPressed ? Rgb(250, 230, 180) : Rgb(120, 140, 180); }, true);
  }
  c.Text(26, 28, 54, 48, pszSide, Rgb(250, 250, 250));
}

using Painter = std::function<void(Canvas&)>;

struct Recipe {
  SkinFile file;
  COLORREF background;
  Painter paint;
};

std::vector<Recipe> MakeRecipes() {
  std::vector<Recipe> v;
  auto add = [&v](const char* pszName, int cx, int cy, COLORREF background, Painter paint) {
    v.push_back(Recipe{SkinFile{pszName, cx, cy}, background, std::move(paint)});
  };
  auto button = [](const char* pszLabel, bool bPressed) {
    return [=](Canvas& c) { PushButton(c, pszLabel, bPressed); };
  };

  // Page backgrounds.
  add("BKJoystick", kPageWidth, kPageHeight, 0, DrawTestPage);
  add("BKKeyMap", kPageWidth, kPageHeight, 0, [](Canvas& c) { DrawKeyPage(c, "Button map", "Reported as"); });
  add("BKKeyboardMap", kPageWidth, kPageHeight, 0, [](Canvas& c) { DrawKeyPage(c, "Keyboard", "Key"); });
  add("BKV", kPageWidth, kPageHeight, 0, DrawPowerPage);
  add("BKJoyCheck", kPageWidth, kPageHeight, 0, DrawCheckPage);
  add("BKAbout", kPageWidth, kPageHeight, 0, DrawAboutPage);
  add("Background", kPageWidth, kPageHeight, 0, DrawBlankPage);

  // Test page.
  add("LogoJoy", 88, 57, kKeyWhite, DrawLogo);
  add("BKCursor", 30, 30, kKeyWhite, [](Canvas& c) { DrawCursor(c, Rgb(240, 80, 70)); });
  add("AxesSlider", 215, 84, kKeyWhite, [](Canvas& c) { DrawAxisSlider(c, false); });
  add("AxesSlider_1", 215, 84, kKeyWhite, [](Canvas& c) { DrawAxisSlider(c, true); });
  add("AxesSensitive", 28, 33, kKeyWhite, [](Canvas& c) { DrawSensitivity(c, false); });
  add("AxesSensitive_1", 28, 33, kKeyWhite, [](Canvas& c) { DrawSensitivity(c, true); });
  add("BtnTurbo", 70, 20, kKeyWhite, button("Turbo", false));
  add("BtnTurbo_1", 70, 20, kKeyWhite, button("Turbo", true));
  add("BtnClear", 70, 20, kKeyWhite, button("Clear", true));
  add("BtnWhiteBall", 46, 46, kKeyWhite, [](Canvas& c) { c.Disc(23, 23, 22.5, Rgb(255, 236, 150), true); });
  static const char* const kHatNames[8] = {"BmpCoolHat_1", "BmpCoolHat_2", "BmpCoolHat_3", "BmpCoolHat_4",
                                           "BmpCoolHat_5", "BmpCoolHat_6", "BmpCoolHat_7", "BmpCoolHat_8"};
  for (int k = 0; k < 8; ++k)
    add(kHatNames[k], 68, 68, kKeyWhite, [k](Canvas& c) { HatArrow(c, 45.0 * k, kAccent); });
  add("BtnButton", 42, 42, kKeyWhite, [](Canvas& c) { Lamp(c, kLampOff, 0); });
  static const char* const kNumberNames[12] = {"BtnButton_1", "BtnButton_2", "BtnButton_3",  "BtnButton_4",
                                               "BtnButton_5", "BtnButton_6", "BtnButton_7",  "BtnButton_8",
                                               "BtnButton_9", "BtnButton_10", "BtnButton_11", "BtnButton_12"};
  for (int k = 0; k < 12; ++k)
    add(kNumberNames[k], 42, 42, kKeyWhite, [k](Canvas& c) { Lamp(c, kLampOn, k + 1); });

  // Key-map and keyboard pages.
  add("BtnInitial", 84, 24, kKeyWhite, button("Default", false));
  add("BtnInitial_1", 84, 24, kKeyWhite, button("Default", true));
  add("BtnLoad", 84, 24, kKeyWhite, button("Load", false));
  add("BtnLoad_1", 84, 24, kKeyWhite, button("Load", true));
  add("BtnSave", 84, 24, kKeyWhite, button("Save", false));
  add("BtnSave_1", 84, 24, kKeyWhite, button("Save", true));
  add("BtnSet", 70, 46, kKeyWhite, button("Set", false));
  add("BtnSet_1", 70, 46, kKeyWhite, button("", true));

  // Vibration page.
  add("BtnInitial_v", 73, 21, kKeyWhite, button("Default", false));
  add("BtnInitial_v1", 73, 21, kKeyWhite, button("Default", true));
  add("BtnAuto_v", 73, 21, kKeyWhite, button("Auto", false));
  add("BtnAuto_v1", 73, 21, kKeyWhite, button("Auto", true));
  add("BtnManual_v", 73, 21, kKeyWhite, button("Manual", false));
  add("BtnManual_v1", 73, 21, kKeyWhite, button("Manual", true));
  add("BtnVLeft", 80, 81, kKeyWhite, [](Canvas& c) { DrawMotorButton(c, "L", false); });
  add("BtnVLeft_1", 80, 81, kKeyWhite, [](Canvas& c) { DrawMotorButton(c, "L", true); });
  add("BtnVRight", 80, 81, kKeyWhite, [](Canvas& c) { DrawMotorButton(c, "R", false); });
  add("BtnVRight_1", 80, 81, kKeyWhite, [](Canvas& c) { DrawMotorButton(c, "R", true); });
  add("BKPowerLine", 344, 22, kKeyWhite, DrawPowerLine);
  add("BKArrow", 9, 9, kKeyWhite, [](Canvas& c) { c.Polygon({{4.5, 0}, {9, 9}, {0, 9}}, kAccent, true); });
  add("BKTimeBall", 21, 21, kKeyWhite, [](Canvas& c) {
    c.Disc(10.5, 10.5, 10, Rgb(200, 110, 20), true);
    c.Disc(10.5, 10.5, 8, kAccent, true);
    c.Disc(8, 8, 3, Rgb(254, 230, 170), true);
  });
  add("BKCursor_1", 30, 30, kKeyBlack, [](Canvas& c) { DrawCursor(c, Rgb(90, 220, 240)); });

  // Check page.
  add("BtnCheck", 84, 24, kKeyWhite, button("Check", false));
  add("BtnCheck_1", 84, 24, kKeyWhite, button("Check", true));
  add("BtnNext", 84, 24, kKeyWhite, button("Next", false));
  return v;
}

const std::vector<Recipe>& Recipes() {
  static const std::vector<Recipe> recipes = MakeRecipes();
  return recipes;
}

bool WriteWholeFile(const std::string& path, const void* pData, DWORD cb) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD cbWritten = 0;
  const BOOL bOk = WriteFile(h, pData, cb, &cbWritten, nullptr);
  CloseHandle(h);
  return bOk && cbWritten == cb;
}

bool ReadWholeFile(const char* pszPath, std::vector<unsigned char>* pData) {
  HANDLE h = CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  pData->clear();
  unsigned char buffer[4096];
  DWORD cbRead = 0;
  bool bOk = true;
  while ((bOk = ReadFile(h, buffer, sizeof buffer, &cbRead, nullptr) != FALSE) && cbRead > 0)
    pData->insert(pData->end(), buffer, buffer + cbRead);
  CloseHandle(h);
  return bOk;
}

bool EnsureFolder(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  const DWORD dwAttributes = GetFileAttributesA(path.c_str());
  return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

const std::vector<SkinFile>& SkinFiles() {
  static const std::vector<SkinFile> files = [] {
    std::vector<SkinFile> v;
    for (const Recipe& recipe : Recipes()) v.push_back(recipe.file);
    return v;
  }();
  return files;
}

std::vector<unsigned char> DrawSkin(const char* pszName) {
  for (const Recipe& recipe : Recipes()) {
    if (std::strcmp(recipe.file.pszName, pszName) != 0) continue;
    Canvas canvas(recipe.file.cx, recipe.file.cy, recipe.background);
    recipe.paint(canvas);
    return canvas.Bmp();
  }
  return {};
}

bool WriteSkins(const char* pszFolder) {
  if (!EnsureFolder(pszFolder)) return false;
  // The pictures never change, so each is drawn once per process.
  static std::map<std::string, std::vector<unsigned char>> s_drawn;
  for (const SkinFile& file : SkinFiles()) {
    std::vector<unsigned char>& bmp = s_drawn[file.pszName];
    if (bmp.empty()) bmp = DrawSkin(file.pszName);
    const std::string path = std::string(pszFolder) + "\\" + file.pszName + ".bmp";
    if (!WriteWholeFile(path, bmp.data(), DWORD(bmp.size()))) return false;
  }
  return true;
}

std::vector<unsigned char> MakeButtonSound(int nButton) {
  if (nButton < 1 || nButton > 12) return {};
  constexpr unsigned kRate = 11025;
  constexpr unsigned kSamples = kRate * 3 / 25;  // 120 ms
  // A major pentatonic scale from A4 upwards, so neighbouring buttons differ.
  static const int kSteps[12] = {0, 2, 4, 7, 9, 12, 14, 16, 19, 21, 24, 26};
  const double dFrequency = 440.0 * std::pow(2.0, kSteps[nButton - 1] / 12.0);
  std::vector<unsigned char> wav;
  auto put32 = [&wav](uint32_t v) {
    for (int i = 0; i < 4; ++i) wav.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  auto put16 = [&wav](unsigned v) {
    wav.push_back(static_cast<unsigned char>(v));
    wav.push_back(static_cast<unsigned char>(v >> 8));
  };
  auto tag = [&wav](const char* p) { wav.insert(wav.end(), p, p + 4); };
  tag("RIFF");
  put32(36 + kSamples);
  tag("WAVE");
  tag("fmt ");
  put32(16);
  put16(1);  // PCM
  put16(1);  // mono
  put32(kRate);
  put32(kRate);  // bytes per second
  put16(1);      // block align
  put16(8);      // bits per sample
  tag("data");
  put32(kSamples);
  for (unsigned i = 0; i < kSamples; ++i) {
    // A quick rise and a linear fade, so the tone neither clicks nor rings.
    const double dEnvelope = std::min(1.0, i / 110.0) * (1.0 - double(i) / kSamples);
    const double dValue = std::sin(2.0 * 3.14159265358979 * dFrequency * i / kRate) * dEnvelope;
    wav.push_back(static_cast<unsigned char>(128 + std::lround(dValue * 90.0)));
  }
  return wav;
}

bool InstallButtonSounds() {
  const std::string folder = PageDataFolder();
  if (!EnsureFolder(folder) || !EnsureFolder(folder + "\\Wav")) return false;
  for (int nButton = 1; nButton <= 12; ++nButton) {
    char szName[16];
    std::snprintf(szName, sizeof szName, "Joy%x.wav", unsigned(nButton));
    const std::vector<unsigned char> wav = MakeButtonSound(nButton);
    if (!WriteWholeFile(folder + "\\Wav\\" + szName, wav.data(), DWORD(wav.size()))) return false;
  }
  return true;
}

std::string PageDataFolder() {
  char szSystem[MAX_PATH] = "";
  GetSystemDirectoryA(szSystem, MAX_PATH);
  return std::string(szSystem) + "\\VQ6100";
}

bool InstallPageData(const char* pszSetupIni) {
  const std::string folder = PageDataFolder();
  if (!EnsureFolder(folder)) return false;
  if (!WriteSkins((folder + "\\Image").c_str())) return false;
  if (!pszSetupIni) return true;
  std::vector<unsigned char> ini;
  if (!ReadWholeFile(pszSetupIni, &ini)) return false;
  return WriteWholeFile(folder + "\\Setup.ini", ini.data(), DWORD(ini.size()));
}

}  // namespace skingen

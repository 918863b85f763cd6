// Shared by the user32 tests: a class whose procedure records what reaches
// it, and a frozen clock.
#pragma once

#include "platform/sim/sim.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace u32test {

struct Seen {
  HWND hWnd;
  UINT uMsg;
  WPARAM wParam;
  LPARAM lParam;
};

inline std::vector<Seen>& Record() {
  static std::vector<Seen> record;
  return record;
}

inline std::vector<UINT> MessagesOf(HWND hWnd, bool bSkipPaint = true) {
  std::vector<UINT> out;
  for (const Seen& s : Record())
    if ((!hWnd || s.hWnd == hWnd) && !(bSkipPaint && (s.uMsg == WM_PAINT || s.uMsg == WM_ERASEBKGND)))
      out.push_back(s.uMsg);
  return out;
}

inline LRESULT CALLBACK RecordingProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  Record().push_back(Seen{hWnd, uMsg, wParam, lParam});
  return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

constexpr const char* kClass = "QjRecorder";

class User32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    Record().clear();
    sim::FreezeClock(1000);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = RecordingProc;
    wc.cbWndExtra = 16;
    wc.hInstance = Self();
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClass;
    ASSERT_NE(RegisterClassExA(&wc), 0);
  }
  void TearDown() override {
    for (HWND h : m_windows)
      if (IsWindow(h)) DestroyWindow(h);
    UnregisterClassA(kClass, Self());
    sim::ThawClock();
    sim::ClearDialogScripts();
  }
  static HINSTANCE Self() { return reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)); }
  HWND Make(DWORD dwStyle, int x, int y, int cx, int cy, HWND hParent = nullptr, UINT id = 0,
            const char* pszText = "") {
    HWND h = CreateWindowExA(0, kClass, pszText, dwStyle, x, y, cx, cy, hParent,
                             reinterpret_cast<HMENU>(ULONG_PTR(id)), Self(), nullptr);
    if (h) m_windows.push_back(h);
    return h;
  }
  std::vector<HWND> m_windows;
};

}  // namespace u32test

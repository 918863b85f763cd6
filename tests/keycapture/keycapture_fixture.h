// Shared by the key-capture tests: the layout file's two dialog lines in the
// simulated system folder, and a page window to own the dialog.
#pragma once

#include "platform/sim/sim.h"

#include "keycapture.h"
#include "pageengine.h"

#include <gtest/gtest.h>

#include <string>

namespace keytest {

// Rectangles of the [DIALOGString] lines in the dialog's client area.
constexpr RECT kTitleRect{10, 8, 320, 30};
constexpr RECT kKeyRect{10, 50, 320, 80};

class KeyCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // As the module's DllMain would: here the resources are the test
    // program's own.
    g_hInstance = reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr));
    char szDir[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(szDir, sizeof szDir), 0u);
    std::string folder = std::string(szDir) + "\\VQ6100";
    CreateDirectoryA(folder.c_str(), nullptr);
    m_ini = folder + "\\Setup.ini";
    const char kIni[] =
        "[DIALOGString]\r\nGetKeyBoardTitle=10,8,320,30,Press a key\r\nGetKeyBoardText=10,50,320,80,\r\n";
    HANDLE hFile = CreateFileA(m_ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    DWORD dwWritten = 0;
    ASSERT_TRUE(WriteFile(hFile, kIni, sizeof kIni - 1, &dwWritten, nullptr));
    CloseHandle(hFile);
    m_hPage = sim::CreateTestWindow(500, 400);
    ASSERT_NE(m_hPage, nullptr);
    sim::ClearDialogScripts();
  }
  void TearDown() override {
    DestroyWindow(m_hPage);
    sim::ClearDialogScripts();
  }

  // Runs the key-capture dialog as PageEngine::Click opens it.
  INT_PTR RunKeyCapture(const sim::DialogScript& script) {
    sim::ScriptNextDialog(script);
    return DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_KEYCAPTURE), m_hPage, KeyCaptureProc, 0);
  }

  std::string m_ini;
  HWND m_hPage = nullptr;
};

inline sim::KeyEvent Down(UINT vk) { return sim::KeyEvent{vk, true}; }
inline sim::KeyEvent Up(UINT vk) { return sim::KeyEvent{vk, false}; }

// Pixels of a rectangle of a recorded dialog that are darker than mid-grey.
inline int DarkPixels(const sim::DialogRun& run, const RECT& rc) {
  int n = 0;
  for (int y = rc.top; y < rc.bottom; ++y)
    for (int x = rc.left; x < rc.right; ++x) {
      COLORREF c = run.Pixel(x, y);
      if (c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128) ++n;
    }
  return n;
}

}  // namespace keytest

// Shared by the page tests: the simulated machine's page data (data/Setup.ini
// and the generated skin bitmaps below "<system>\VQ6100"), a page-sized test
// window and the invalidation record. Link qj_page_data.
#pragma once

#include "platform/sim/sim.h"
#include "skingen.h"

#include <gtest/gtest.h>

#include <string>

namespace pagetest {

constexpr int kPageWidth = 500;
constexpr int kPageHeight = 400;

// The layout file of the source tree, as a Windows path of the machine.
inline std::string SourceSetupIni() { return std::string("Z:") + QJ_SETUP_INI_PATH; }

// "<system>\VQ6100\<pszName>" ("Setup.ini", "Image\\BKJoystick.bmp").
inline std::string PageFile(const char* pszName) { return skingen::PageDataFolder() + "\\" + pszName; }

// "<system>\VQ6100\Image\<pszName>.bmp".
inline std::string SkinFile(const char* pszName) {
  return skingen::PageDataFolder() + "\\Image\\" + pszName + ".bmp";
}

// Writes the source tree's Setup.ini and every skin bitmap into the machine,
// replacing what a test changed there.
inline bool InstallPageData() { return skingen::InstallPageData(SourceSetupIni().c_str()); }

// Replaces the machine's Setup.ini by text (written as it stands).
inline bool WriteSetupIni(const std::string& text) {
  HANDLE h = CreateFileA(PageFile("Setup.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD cbWritten = 0;
  const BOOL bOk = WriteFile(h, text.data(), DWORD(text.size()), &cbWritten, nullptr);
  CloseHandle(h);
  return bOk && cbWritten == text.size();
}

inline bool DeletePageFile(const char* pszName) { return DeleteFileA(PageFile(pszName).c_str()) != FALSE; }

// Every test starts from the installed page data and a fresh 500 x 400
// window with an empty invalidation record; the data is installed again
// after each test, so a test may change or delete files freely.
class PageFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(InstallPageData()); }

  void SetUp() override {
    m_hWnd = sim::CreateTestWindow(kPageWidth, kPageHeight);
    ASSERT_NE(m_hWnd, nullptr);
    sim::ClearInvalidations();
  }

  void TearDown() override {
    DestroyWindow(m_hWnd);
    EXPECT_TRUE(InstallPageData());
  }

  HWND m_hWnd = nullptr;
};

}  // namespace pagetest

// Shared by the page tests: the simulated machine's page data (data/Setup.ini
// and the generated skin bitmaps below "<system>\VQ6100"), a page-sized test
// window and the invalidation record. Link qj_page_data.
#pragma once

#include "platform/sim/sim.h"
#include "skingen.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

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

// Writes cb bytes of pData to a file of the machine, replacing it.
inline bool WriteMachineFile(const std::string& path, const void* pData, size_t cb) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD cbWritten = 0;
  const BOOL bOk = WriteFile(h, pData, DWORD(cb), &cbWritten, nullptr);
  CloseHandle(h);
  return bOk && cbWritten == cb;
}

// The bytes of a file of the build machine, read in one call; empty when it
// cannot be read.
inline std::vector<unsigned char> ReadLinuxFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<unsigned char> data;
  if (!in) return data;
  data.resize(size_t(in.tellg()));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()))) data.clear();
  return data;
}

// Writes the source tree's Setup.ini and every skin bitmap into the machine,
// replacing what a test changed there. The bitmaps are copied from the ones
// the build drew (drawing them costs far more than a page test, above all
// under the sanitizers); one that is missing there is drawn here.
inline bool InstallPageData() {
#ifdef QJ_PAGE_DATA_IMAGES
  const std::string folder = skingen::PageDataFolder();
  CreateDirectoryA(folder.c_str(), nullptr);  // an existing folder is fine; a missing one fails below
  CreateDirectoryA((folder + "\\Image").c_str(), nullptr);
  for (const skingen::SkinFile& file : skingen::SkinFiles()) {
    std::vector<unsigned char> bmp = ReadLinuxFile(std::string(QJ_PAGE_DATA_IMAGES) + "/" + file.pszName + ".bmp");
    if (bmp.empty()) bmp = skingen::DrawSkin(file.pszName);
    if (!WriteMachineFile(SkinFile(file.pszName), bmp.data(), bmp.size())) return false;
  }
  const std::vector<unsigned char> ini = ReadLinuxFile(QJ_SETUP_INI_PATH);
  return !ini.empty() && WriteMachineFile(PageFile("Setup.ini"), ini.data(), ini.size());
#else
  return skingen::InstallPageData(SourceSetupIni().c_str());
#endif
}

// Replaces the machine's Setup.ini by text (written as it stands).
inline bool WriteSetupIni(const std::string& text) {
  return WriteMachineFile(PageFile("Setup.ini"), text.data(), text.size());
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

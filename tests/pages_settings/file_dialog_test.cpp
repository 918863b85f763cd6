// The layer's Open and Save As dialogs and message boxes as the simulated
// user answers them: what they write into OPENFILENAMEA, their errors, and
// the record of what they were opened with.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/sim.h"

namespace {

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ClearDialogRecord();
    std::memset(m_szFile, 0xCD, sizeof m_szFile);
    m_szFile[0] = '\0';
    std::memset(&m_ofn, 0, sizeof m_ofn);
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.lpstrFile = m_szFile;
    m_ofn.nMaxFile = 260;
  }
  void TearDown() override { sim::ClearDialogRecord(); }

  char m_szFile[300];
  OPENFILENAMEA m_ofn;
};

TEST_F(FileDialogTest, AChosenPathIsWrittenWithItsNameAndExtensionOffsets) {
  const struct {
    const char* pszPath;
    const char* pszDefExt;
    const char* pszResult;
    WORD wOffset, wExtension;
  } cases[] = {
      {"C:\\windows\\system32\\GameSave\\a.sav", nullptr, "C:\\windows\\system32\\GameSave\\a.sav", 29, 31},
      {"C:\\p\\my.set.sav", nullptr, "C:\\p\\my.set.sav", 5, 12},
      {"C:\\p.d\\noext", nullptr, "C:\\p.d\\noext", 7, 12},  // the terminator
      {"C:\\p\\dot.", nullptr, "C:\\p\\dot.", 5, 0},
      {"C:\\p\\noext", "sav", "C:\\p\\noext.sav", 5, 11},
      {"C:\\p\\x.txt", "sav", "C:\\p\\x.txt", 5, 7},
      {"name.sav", nullptr, "name.sav", 0, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pszPath);
    std::memset(m_szFile, 0xCD, sizeof m_szFile);
    m_szFile[0] = '\0';
    m_ofn.lpstrDefExt = c.pszDefExt;
    m_ofn.nFileOffset = m_ofn.nFileExtension = 0xBEEF;
    sim::ScriptFileChoice(c.pszPath);
    ASSERT_TRUE(GetOpenFileNameA(&m_ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_STREQ(m_szFile, c.pszResult);
    EXPECT_EQ(static_cast<unsigned char>(m_szFile[std::strlen(c.pszResult) + 1]), 0xCD) << "nothing past the NUL";
    EXPECT_EQ(m_ofn.nFileOffset, c.wOffset);
    EXPECT_EQ(m_ofn.nFileExtension, c.wExtension);
  }
}

TEST_F(FileDialogTest, ThePathMustFitWithItsTerminator) {
  const std::string path = "C:\\dir\\profile.sav";  // 18 characters
  m_ofn.nMaxFile = 19;
  sim::ScriptFileChoice(path);
  ASSERT_TRUE(GetSaveFileNameA(&m_ofn));
  EXPECT_EQ(std::string(m_szFile), path);

  for (DWORD nMax : {18u, 2u}) {
    SCOPED_TRACE(nMax);
    std::memset(m_szFile, 0xCD, sizeof m_szFile);
    m_ofn.nMaxFile = nMax;
    sim::ScriptFileChoice(path);
    EXPECT_FALSE(GetSaveFileNameA(&m_ofn));
    EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
    EXPECT_EQ(static_cast<unsigned char>(m_szFile[0]), 19) << "the size needed, in bytes";
    EXPECT_EQ(static_cast<unsigned char>(m_szFile[1]), 0);
    EXPECT_EQ(static_cast<unsigned char>(m_szFile[2]), 0xCD);
  }
  // No room for the size: nothing is written.
  std::memset(m_szFile, 0xCD, sizeof m_szFile);
  m_ofn.nMaxFile = 1;
  sim::ScriptFileChoice(path);
  EXPECT_FALSE(GetSaveFileNameA(&m_ofn));
  EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
  EXPECT_EQ(static_cast<unsigned char>(m_szFile[0]), 0xCD);
  EXPECT_EQ(sim::FileDialogRuns().back().chosenPath, path);
}

TEST_F(FileDialogTest, CancelUnansweredAndBadArgumentsFail) {
  sim::ScriptFileCancel();
  EXPECT_FALSE(GetOpenFileNameA(&m_ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u) << "a cancel is no error";
  EXPECT_EQ(m_szFile[0], '\0');

  EXPECT_FALSE(GetOpenFileNameA(&m_ofn));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_DIALOGFAILURE) << "no answer queued";

  const struct {
    DWORD lStructSize;
    bool bFile;
    DWORD dwError;
  } cases[] = {{0, true, CDERR_STRUCTSIZE},
               {OPENFILENAME_SIZE_VERSION_400A - 4, true, CDERR_STRUCTSIZE},
               {sizeof(OPENFILENAMEA) + 4, true, CDERR_STRUCTSIZE},
               {sizeof(OPENFILENAMEA), false, CDERR_INITIALIZATION}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lStructSize);
    m_ofn.lStructSize = c.lStructSize;
    m_ofn.lpstrFile = c.bFile ? m_szFile : nullptr;
    EXPECT_FALSE(GetOpenFileNameA(&m_ofn));
    EXPECT_EQ(CommDlgExtendedError(), c.dwError);
  }
  EXPECT_FALSE(GetSaveFileNameA(nullptr));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_INITIALIZATION);
  EXPECT_EQ(sim::FileDialogRuns().size(), 2u) << "a dialog that is not shown is not recorded";

  // The 4.0 size is accepted as well, and a success clears the error.
  m_ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  m_ofn.lpstrFile = m_szFile;
  sim::ScriptFileChoice("C:\\a.sav");
  EXPECT_TRUE(GetOpenFileNameA(&m_ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(FileDialogTest, TheRecordHoldsWhatTheDialogWasOpenedWith) {
  char szTitle[16] = "";
  const char kFilter[] = "Profiles\0*.sav\0All\0*.*\0";
  std::strcpy(m_szFile, "start.sav");
  m_ofn.hwndOwner = reinterpret_cast<HWND>(0x1234);
  m_ofn.hInstance = reinterpret_cast<HINSTANCE>(0x5678);
  m_ofn.lpstrFilter = kFilter;
  m_ofn.lpstrInitialDir = "C:\\here";
  m_ofn.lpstrTitle = "Pick one";
  m_ofn.Flags = OFN_NOCHANGEDIR | OFN_READONLY;
  m_ofn.lpstrFileTitle = szTitle;
  m_ofn.nMaxFileTitle = 6;
  sim::ScriptFileChoice("C:\\here\\chosen.sav");
  ASSERT_TRUE(GetOpenFileNameA(&m_ofn));

  ASSERT_EQ(sim::FileDialogRuns().size(), 1u);
  const sim::FileDialogRun run = sim::FileDialogRuns()[0];
  EXPECT_FALSE(run.bSave);
  EXPECT_EQ(run.lStructSize, sizeof(OPENFILENAMEA));
  EXPECT_EQ(run.hwndOwner, reinterpret_cast<HWND>(0x1234));
  EXPECT_EQ(run.hInstance, reinterpret_cast<HINSTANCE>(0x5678));
  EXPECT_EQ(run.filter, (std::vector<std::string>{"Profiles", "*.sav", "All", "*.*"}));
  EXPECT_EQ(run.initialFile, "start.sav");
  EXPECT_EQ(run.nMaxFile, 260u);
  EXPECT_EQ(run.initialDir, "C:\\here");
  EXPECT_EQ(run.title, "Pick one");
  EXPECT_EQ(run.dwFlags, OFN_NOCHANGEDIR | OFN_READONLY);
  EXPECT_TRUE(run.bAnswered);
  EXPECT_FALSE(run.bCancelled);
  EXPECT_EQ(run.chosenPath, "C:\\here\\chosen.sav");
  EXPECT_EQ(sim::PendingFileDialogScripts(), 0u);

  // The name without its folder, cut to the title buffer; the first filter.
  EXPECT_STREQ(szTitle, "chose");
  EXPECT_EQ(m_ofn.nFilterIndex, 1u);
}

TEST_F(FileDialogTest, AnswersAreTakenInTheOrderQueued) {
  sim::ScriptFileChoice("C:\\one.sav");
  sim::ScriptFileCancel();
  sim::ScriptFileChoice("C:\\three.sav");
  EXPECT_TRUE(GetOpenFileNameA(&m_ofn));
  EXPECT_STREQ(m_szFile, "C:\\one.sav");
  EXPECT_FALSE(GetSaveFileNameA(&m_ofn));
  EXPECT_TRUE(GetSaveFileNameA(&m_ofn));
  EXPECT_STREQ(m_szFile, "C:\\three.sav");
  const std::vector<sim::FileDialogRun> runs = sim::FileDialogRuns();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_TRUE(runs[1].bCancelled);
  EXPECT_EQ(runs[2].initialFile, "C:\\one.sav") << "the buffer as the caller left it";
}

TEST(MessageBoxTest, IsRecordedAndAnsweredWithItsFirstButtonUnlessScripted) {
  sim::ClearDialogRecord();
  HWND hOwner = reinterpret_cast<HWND>(0x42);
  EXPECT_EQ(MessageBoxA(hOwner, "text", "caption", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "q", "c", MB_YESNO | MB_ICONQUESTION), IDYES);
  sim::ScriptNextMessageBox(IDCANCEL);
  EXPECT_EQ(MessageBoxA(nullptr, "q", nullptr, MB_OKCANCEL), IDCANCEL);
  const std::vector<sim::MessageBoxRun> runs = sim::MessageBoxRuns();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].hWnd, hOwner);
  EXPECT_EQ(runs[0].text, "text");
  EXPECT_EQ(runs[0].caption, "caption");
  EXPECT_EQ(runs[0].uType, MB_OK);
  EXPECT_EQ(runs[1].uType, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(runs[2].caption, "Error") << "the system's caption";
  EXPECT_EQ(runs[2].nResult, IDCANCEL);
  sim::ClearDialogRecord();
}

}  // namespace

// The layer's Open and Save As dialogs check a typed name against their
// flags as the system dialogs do: OFN_FILEMUSTEXIST takes only existing
// files (in the Save As dialog too), it and OFN_PATHMUSTEXIST only names in
// existing folders. A refused name gets the system's warning and the dialog
// waits for the user's next answer.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/sim.h"

namespace {

class FileDialogChecks : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ClearDialogRecord();
    char szTemp[MAX_PATH] = "";
    ASSERT_GT(GetTempPathA(MAX_PATH, szTemp), 0u);
    m_dir = std::string(szTemp) + "qj-dialog-checks";
    CreateDirectoryA(m_dir.c_str(), nullptr);
    m_existing = m_dir + "\\there.sav";
    HANDLE h = CreateFileA(m_existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    DeleteFileA((m_dir + "\\missing.sav").c_str());
  }
  void TearDown() override {
    DeleteFileA(m_existing.c_str());
    RemoveDirectoryA(m_dir.c_str());
    sim::ClearDialogRecord();
  }

  // Runs one dialog; its result, the name it wrote and its extended error.
  BOOL Run(bool bSave, DWORD dwFlags, const char* pszDefExt = nullptr) {
    std::memset(m_szFile, 0, sizeof m_szFile);
    std::memset(&m_ofn, 0, sizeof m_ofn);
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = reinterpret_cast<HWND>(0x77);
    m_ofn.lpstrFile = m_szFile;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrTitle = "Profiles";
    m_ofn.lpstrDefExt = pszDefExt;
    m_ofn.Flags = dwFlags;
    const BOOL bResult = bSave ? GetSaveFileNameA(&m_ofn) : GetOpenFileNameA(&m_ofn);
    m_dwError = CommDlgExtendedError();
    return bResult;
  }

  std::string m_dir;
  std::string m_existing;
  char m_szFile[MAX_PATH];
  OPENFILENAMEA m_ofn;
  DWORD m_dwError = 0;
};

constexpr char kFileNotFound[] = "\nFile not found.\nCheck the file name and try again.";
constexpr char kPathNotFound[] = "\nPath does not exist.\nCheck the path and try again.";

TEST_F(FileDialogChecks, ANameThatBreaksTheFlagsIsWarnedAboutAndTheNextAnswerTaken) {
  const struct {
    const char* pszWhat;
    bool bSave;
    DWORD dwFlags;
    const char* pszName;  // below the test folder; "" for the existing file
    const char* pszWarning;  // null: the name is taken
  } cases[] = {
      {"open, an existing file", false, OFN_FILEMUSTEXIST, "", nullptr},
      {"open, a missing file", false, OFN_FILEMUSTEXIST, "\\missing.sav", kFileNotFound},
      {"open, a missing folder", false, OFN_FILEMUSTEXIST, "\\nowhere\\x.sav", kPathNotFound},
      {"save, an existing file", true, OFN_FILEMUSTEXIST, "", nullptr},
      {"save, a new file the flag refuses", true, OFN_FILEMUSTEXIST, "\\missing.sav", kFileNotFound},
      {"save, a new file in an existing folder", true, OFN_PATHMUSTEXIST, "\\missing.sav", nullptr},
      {"save, a missing folder", true, OFN_PATHMUSTEXIST, "\\nowhere\\x.sav", kPathNotFound},
      {"save, a file named as a folder", true, OFN_PATHMUSTEXIST, "\\there.sav\\x.sav", kPathNotFound},
      {"save, no checks", true, 0, "\\nowhere\\x.sav", nullptr},
      {"open, no checks", false, OFN_READONLY, "\\missing.sav", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pszWhat);
    sim::ClearDialogRecord();
    const std::string typed = *c.pszName ? m_dir + c.pszName : m_existing;
    sim::ScriptFileChoice(typed);
    sim::ScriptFileChoice(m_existing);  // what the user types after a warning
    ASSERT_TRUE(Run(c.bSave, c.dwFlags));
    EXPECT_EQ(m_dwError, 0u);
    const std::vector<sim::MessageBoxRun> boxes = sim::MessageBoxRuns();
    const sim::FileDialogRun run = sim::FileDialogRuns().at(0);
    if (c.pszWarning == nullptr) {
      EXPECT_EQ(std::string(m_szFile), typed);
      EXPECT_TRUE(boxes.empty());
      EXPECT_TRUE(run.refusedPaths.empty());
      EXPECT_EQ(sim::PendingFileDialogScripts(), 1u);
    } else {
      EXPECT_EQ(std::string(m_szFile), m_existing);
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, typed + c.pszWarning);
      EXPECT_EQ(boxes[0].caption, "Profiles");
      EXPECT_EQ(boxes[0].uType, UINT(MB_OK | MB_ICONWARNING));
      EXPECT_EQ(boxes[0].hWnd, reinterpret_cast<HWND>(0x77));
      EXPECT_EQ(run.refusedPaths, std::vector<std::string>{typed});
      EXPECT_EQ(sim::PendingFileDialogScripts(), 0u);
    }
    EXPECT_EQ(run.chosenPath, std::string(m_szFile));
  }
}

// After a warning with no further answer the user closes the dialog: a
// cancel, not a failure; nothing is written into the caller's buffer.
TEST_F(FileDialogChecks, AWarnedUserWhoGivesUpCancels) {
  const std::string missing = m_dir + "\\missing.sav";
  sim::ScriptFileChoice(missing);
  EXPECT_FALSE(Run(false, OFN_FILEMUSTEXIST));
  EXPECT_EQ(m_dwError, 0u);
  EXPECT_STREQ(m_szFile, "");
  ASSERT_EQ(sim::FileDialogRuns().size(), 1u);
  EXPECT_TRUE(sim::FileDialogRuns()[0].bCancelled);
  EXPECT_EQ(sim::MessageBoxRuns().size(), 1u);

  // Two refusals in a row, then a cancel.
  sim::ClearDialogRecord();
  sim::ScriptFileChoice(missing);
  sim::ScriptFileChoice(m_dir + "\\nowhere\\x.sav");
  sim::ScriptFileCancel();
  EXPECT_FALSE(Run(true, OFN_FILEMUSTEXIST));
  EXPECT_EQ(m_dwError, 0u);
  EXPECT_EQ(sim::MessageBoxRuns().size(), 2u);
  EXPECT_EQ(sim::FileDialogRuns()[0].refusedPaths.size(), 2u);
  EXPECT_TRUE(sim::FileDialogRuns()[0].bCancelled);
}

// The default extension is appended before the name is checked; without a
// title the caption is the dialog's own.
TEST_F(FileDialogChecks, TheCheckedNameCarriesTheDefaultExtension) {
  sim::ScriptFileChoice(m_dir + "\\there");
  ASSERT_TRUE(Run(false, OFN_FILEMUSTEXIST, "sav"));
  EXPECT_EQ(std::string(m_szFile), m_existing);

  sim::ClearDialogRecord();
  sim::ScriptFileChoice(m_dir + "\\missing");
  sim::ScriptFileCancel();
  m_ofn.lpstrTitle = nullptr;
  std::memset(m_szFile, 0, sizeof m_szFile);
  m_ofn.lpstrDefExt = "sav";
  m_ofn.Flags = OFN_FILEMUSTEXIST;
  EXPECT_FALSE(GetSaveFileNameA(&m_ofn));
  ASSERT_EQ(sim::MessageBoxRuns().size(), 1u);
  EXPECT_EQ(sim::MessageBoxRuns()[0].text, m_dir + "\\missing.sav" + kFileNotFound);
  EXPECT_EQ(sim::MessageBoxRuns()[0].caption, "Save As");
}

}  // namespace

// Profiles from the keyboard page of an open sheet, the user at the file
// dialogs: a new profile can be saved, a name in a missing folder is warned
// about by the dialog, and the Open dialog takes only existing profiles.
#include <string>
#include <vector>

#include "../dinput_pages/child_page_fixture.h"

namespace {

using procstest::kKeyboard;
using Bytes = std::vector<BYTE>;

constexpr int kSaveX = 312, kSaveY = 358;  // the keyboard page's Save and Load buttons
constexpr int kLoadX = 211, kLoadY = 358;

class KeyboardProfiles : public pagesheet::ChildPageSheet {
 protected:
  void SetUp() override {
    ChildPageSheet::SetUp();
    if (HasFatalFailure()) return;
    char szSystem[MAX_PATH] = "";
    GetSystemDirectoryA(szSystem, sizeof szSystem);
    m_folder = std::string(szSystem) + "\\GameSave";
    for (const char* pszName : {"fresh.sav", "second.sav"}) DeleteFileA(Profile(pszName).c_str());
    for (int n : {procstest::kTest, kKeyboard}) ASSERT_NE(CreateChildPage(n), nullptr);
    OpenSheet();
    Show(kKeyboard);
    sim::ClearDialogRecord();
  }
  void TearDown() override {
    for (const char* pszName : {"fresh.sav", "second.sav"}) DeleteFileA(Profile(pszName).c_str());
    ChildPageSheet::TearDown();
  }

  std::string Profile(const char* pszName) const { return m_folder + "\\" + pszName; }

  void ClickAt(int x, int y) {
    SendMessageA(m_hPage[kKeyboard], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(m_hPage[kKeyboard], WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }

  static Bytes FileBytes(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Bytes();
    Bytes bytes(1024);
    DWORD cb = 0;
    ReadFile(h, bytes.data(), DWORD(bytes.size()), &cb, nullptr);
    CloseHandle(h);
    bytes.resize(cb);
    return bytes;
  }
  static Bytes Edited() {
    const BYTE* p = reinterpret_cast<const BYTE*>(&g_PageEngine.m_Settings);
    return Bytes(p, p + sizeof g_PageEngine.m_Settings);
  }

  std::string m_folder;
};

TEST_F(KeyboardProfiles, ANewProfileIsSaved) {
  g_PageEngine.m_Settings.dwKeyCode[3] = 0x04;  // an edit, so the file is not a default record
  sim::ScriptFileChoice(Profile("fresh.sav"));
  ClickAt(kSaveX, kSaveY);

  const std::vector<sim::FileDialogRun> runs = sim::FileDialogRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].bSave);
  EXPECT_EQ(runs[0].dwFlags & OFN_FILEMUSTEXIST, 0u);
  EXPECT_TRUE(runs[0].refusedPaths.empty()) << "the dialog took the new name";
  EXPECT_EQ(FileBytes(Profile("fresh.sav")), Edited());
  EXPECT_TRUE(sim::MessageBoxRuns().empty());
}

// A name in a folder that does not exist is refused by the dialog itself;
// the name typed next is saved.
TEST_F(KeyboardProfiles, ANameInAMissingFolderIsWarnedAboutAndTheNextOneSaved) {
  const std::string nowhere = m_folder + "\\nowhere\\x.sav";
  sim::ScriptFileChoice(nowhere);
  sim::ScriptFileChoice(Profile("second.sav"));
  ClickAt(kSaveX, kSaveY);

  const std::vector<sim::MessageBoxRun> boxes = sim::MessageBoxRuns();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, nowhere + "\nPath does not exist.\nCheck the path and try again.");
  EXPECT_EQ(boxes[0].uType, UINT(MB_OK | MB_ICONWARNING));
  EXPECT_EQ(FileBytes(Profile("second.sav")), Edited());
  EXPECT_EQ(GetFileAttributesA((m_folder + "\\nowhere").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Loading offers only existing profiles: a missing name is warned about and
// the user, giving up, leaves the edited record as it was.
TEST_F(KeyboardProfiles, LoadingAMissingProfileIsRefusedByTheDialog) {
  const Bytes before = Edited();
  sim::ScriptFileChoice(Profile("fresh.sav"));
  ClickAt(kLoadX, kLoadY);
  const std::vector<sim::MessageBoxRun> boxes = sim::MessageBoxRuns();
  ASSERT_EQ(boxes.size(), 1u) << "the dialog's warning, not the page's read error";
  EXPECT_EQ(boxes[0].text, Profile("fresh.sav") + "\nFile not found.\nCheck the file name and try again.");
  EXPECT_EQ(Edited(), before);
  EXPECT_FALSE(sim::FileDialogRuns().at(0).bSave);
}

}  // namespace

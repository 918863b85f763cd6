// Profile files: loading and saving the edited record through the file
// dialogs, and what goes wrong with short, long, locked and unwritable files.
#include <sys/resource.h>

#include <csignal>

#include "settings_fixture.h"

namespace settingstest {
namespace {

constexpr char kTitle[] = "Controller profile";  // the shipped Setup.ini's texts
constexpr char kCaption[] = "Game controller";
constexpr char kOpenError[] = "The profile could not be read.";
constexpr char kSaveError[] = "The profile could not be written.";

Bytes PatternBytes(size_t cb, BYTE bySeed) {
  Bytes bytes(cb);
  for (size_t i = 0; i < cb; ++i) bytes[i] = static_cast<BYTE>(bySeed + i * 7);
  return bytes;
}

class ProfileTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    if (HasFatalFailure()) return;
    CreateDirectoryA(ProfileFolder().c_str(), nullptr);
    Engine().m_Settings = EditedRecord();
    ASSERT_TRUE(StoreValue(Bytes(112, 0x5A)));
    sim::ClearInvalidations();
  }

  // Each test leaves the machine without its files.
  void TearDown() override {
    RemoveProfiles({"mine.sav", "short.sav", "locked.sav", "missing.sav", "new.sav", "long.sav", "full.sav"});
    SettingsFixture::TearDown();
  }

  std::string ProfilePath(const char* pszName) const { return ProfileFolder() + "\\" + pszName; }

  static std::vector<sim::Invalidation> WholeWindowErases(HWND hWnd) {
    std::vector<sim::Invalidation> v;
    for (const sim::Invalidation& inv : sim::GetInvalidations())
      if (inv.hWnd == hWnd && inv.bWholeWindow && inv.bErase) v.push_back(inv);
    return v;
  }
};

TEST_F(ProfileTest, BothDialogsOpenOnTheProfileFolderWithTheProfileFilter) {
  ASSERT_TRUE(RemoveDirectoryA(ProfileFolder().c_str()));
  sim::ScriptFileCancel();
  sim::ScriptFileCancel();
  Engine().LoadProfile(m_hWnd);
  Engine().SaveProfile(m_hWnd);

  const std::vector<sim::FileDialogRun> runs = sim::FileDialogRuns();
  ASSERT_EQ(runs.size(), 2u);
  for (const sim::FileDialogRun& run : runs) {
    SCOPED_TRACE(run.bSave ? "save" : "open");
    EXPECT_EQ(run.lStructSize, OPENFILENAME_SIZE_VERSION_400A);
    EXPECT_EQ(run.hwndOwner, m_hWnd);
    EXPECT_EQ(run.hInstance, g_hInstance);
    EXPECT_EQ(run.filter, (std::vector<std::string>{"*.sav", "*.sav"}));
    EXPECT_EQ(run.nFilterIndex, 0u);
    EXPECT_TRUE(run.bHasFile);
    EXPECT_EQ(run.initialFile, "");
    EXPECT_EQ(run.nMaxFile, 260u);
    EXPECT_FALSE(run.bHasFileTitle);
    EXPECT_EQ(run.initialDir, ProfileFolder());
    EXPECT_EQ(run.title, kTitle);
    // Save As without OFN_FILEMUSTEXIST, which would refuse every new name.
    EXPECT_EQ(run.dwFlags, run.bSave ? 0x120809u : 0x121009u);
    EXPECT_FALSE(run.bHasDefExt);
  }
  EXPECT_FALSE(runs[0].bSave);
  EXPECT_TRUE(runs[1].bSave);
  EXPECT_NE(GetFileAttributesA(ProfileFolder().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << "the folder is made";
}

TEST_F(ProfileTest, ARecordFileOrALongerOneLoadsItsFirst112Bytes) {
  for (size_t cbFile : {size_t(112), size_t(200)}) {
    SCOPED_TRACE(cbFile);
    Engine().m_Settings = EditedRecord();
    ASSERT_TRUE(StoreValue(Bytes(112, 0x5A)));
    sim::ClearInvalidations();
    RecordingControl rows[12];
    for (int i = 0; i < 12; ++i) Engine().m_pSetButton[i] = &rows[i];
    // A record unlike the edited one, then a tail of other bytes.
    SettingsRecord record = EditedRecord();
    for (int i = 0; i < 12; ++i) record.byButtonMap[i] = static_cast<BYTE>((i + 5) % 12 + 1);
    record.dwKeyCode[0] = KEYCODE_SHIFT | 57;
    record.dwMotorPower = 7;
    record.dwReserved = 0x01020304u;
    Bytes file = BytesOf(record);
    const Bytes tail = PatternBytes(cbFile - 112, 3);
    file.insert(file.end(), tail.begin(), tail.end());
    ASSERT_TRUE(WriteFileBytes(ProfilePath("mine.sav"), file));
    sim::ScriptFileChoice(ProfilePath("mine.sav"));

    Engine().LoadProfile(m_hWnd);

    EXPECT_EQ(BytesOf(Engine().m_Settings), BytesOf(record));
    // Apply, then the keyboard page's test record.
    EXPECT_EQ(StoredValue(), BytesOf(FullDefaults()));
    EXPECT_EQ(rows[3].Calls(ControlCall::kMoveTo).size(), 1u);
    EXPECT_EQ(WholeWindowErases(m_hWnd).size(), 1u) << "the page is repainted";
    EXPECT_TRUE(sim::MessageBoxRuns().empty());
    EXPECT_EQ(ReadFileBytes(ProfilePath("mine.sav")), file) << "the file is not changed";
    for (int i = 0; i < 12; ++i) Engine().m_pSetButton[i] = nullptr;
  }
}

TEST_F(ProfileTest, AShortFileShowsTheOpenErrorAndChangesNothing) {
  for (size_t cbFile : {size_t(111), size_t(0)}) {
    SCOPED_TRACE(cbFile);
    sim::ClearDialogRecord();
    ASSERT_TRUE(WriteFileBytes(ProfilePath("short.sav"), PatternBytes(cbFile, 9)));
    sim::ScriptFileChoice(ProfilePath("short.sav"));

    Engine().LoadProfile(m_hWnd);

    const std::vector<sim::MessageBoxRun> boxes = sim::MessageBoxRuns();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].hWnd, m_hWnd);
    EXPECT_EQ(boxes[0].text, kOpenError);
    EXPECT_EQ(boxes[0].caption, kCaption);
    EXPECT_EQ(boxes[0].uType, MB_OK);
    EXPECT_EQ(BytesOf(Engine().m_Settings), BytesOf(EditedRecord()));
    EXPECT_EQ(StoredValue(), Bytes(112, 0x5A)) << "no record is written";
    EXPECT_TRUE(WholeWindowErases(m_hWnd).empty());
  }
  // The file is closed again: it can be deleted.
  EXPECT_TRUE(DeleteFileA(ProfilePath("short.sav").c_str()));
}

TEST_F(ProfileTest, ACancelledDialogOrAFileThatCannotBeOpenedDoesNothing) {
  const Bytes file = PatternBytes(112, 1);
  ASSERT_TRUE(WriteFileBytes(ProfilePath("locked.sav"), file));
  // Held open by another writer that shares nothing.
  HANDLE hHolder = CreateFileA(ProfilePath("locked.sav").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(hHolder, INVALID_HANDLE_VALUE);

  sim::ScriptFileCancel();
  Engine().LoadProfile(m_hWnd);
  sim::ScriptFileChoice(ProfilePath("locked.sav"));
  Engine().LoadProfile(m_hWnd);
  sim::ScriptFileCancel();
  Engine().SaveProfile(m_hWnd);
  sim::ScriptFileChoice(ProfilePath("locked.sav"));
  Engine().SaveProfile(m_hWnd);
  CloseHandle(hHolder);

  EXPECT_EQ(sim::FileDialogRuns().size(), 4u);
  EXPECT_TRUE(sim::MessageBoxRuns().empty()) << "no message for a cancel or a file that does not open";
  EXPECT_EQ(BytesOf(Engine().m_Settings), BytesOf(EditedRecord()));
  EXPECT_EQ(StoredValue(), Bytes(112, 0x5A));
  EXPECT_EQ(ReadFileBytes(ProfilePath("locked.sav")), file);
  EXPECT_TRUE(WholeWindowErases(m_hWnd).empty());
}

TEST_F(ProfileTest, SavingWritesTheEditedRecordAndKeepsALongerFilesTail) {
  Engine().Activate(m_hWnd, 0);  // the registry holds the test record now
  const Bytes longer = PatternBytes(200, 5);
  ASSERT_TRUE(WriteFileBytes(ProfilePath("long.sav"), longer));

  sim::ScriptFileChoice(ProfilePath("new.sav"));
  Engine().SaveProfile(m_hWnd);
  sim::ScriptFileChoice(ProfilePath("long.sav"));
  Engine().SaveProfile(m_hWnd);

  const Bytes record = BytesOf(EditedRecord());
  EXPECT_EQ(ReadFileBytes(ProfilePath("new.sav")), record) << "the edited record, not the test record";
  Bytes expected = record;
  expected.insert(expected.end(), longer.begin() + 112, longer.end());
  EXPECT_EQ(ReadFileBytes(ProfilePath("long.sav")), expected);
  EXPECT_TRUE(sim::MessageBoxRuns().empty());

  // What was saved loads back.
  Engine().m_Settings = SettingsRecord{};
  sim::ScriptFileChoice(ProfilePath("long.sav"));
  Engine().LoadProfile(m_hWnd);
  EXPECT_EQ(BytesOf(Engine().m_Settings), record);
}

TEST_F(ProfileTest, AFailedWriteDeletesTheFileAndShowsTheSaveError) {
  // A file-size limit below the record makes the write come up short (the
  // limit's signal is ignored so that the write returns instead).
  sim::ScriptFileChoice(ProfilePath("full.sav"));
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit oldLimit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
  rlimit small = oldLimit;
  small.rlim_cur = 50;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Engine().SaveProfile(m_hWnd);
  setrlimit(RLIMIT_FSIZE, &oldLimit);
  sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_FALSE(FileExists(ProfilePath("full.sav")));
  const std::vector<sim::MessageBoxRun> boxes = sim::MessageBoxRuns();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].hWnd, m_hWnd);
  EXPECT_EQ(boxes[0].text, kSaveError);
  EXPECT_EQ(boxes[0].caption, kCaption);
  EXPECT_EQ(boxes[0].uType, MB_OK);
}

TEST_F(ProfileTest, MissingTextsLeaveTheTitleAndMessageEmpty) {
  ASSERT_TRUE(pagetest::WriteSetupIni("[PageTitle]\r\nTitle1=0,0,0,0,Test\r\n"));
  ASSERT_TRUE(WriteFileBytes(ProfilePath("short.sav"), PatternBytes(10, 0)));
  sim::ScriptFileChoice(ProfilePath("short.sav"));
  Engine().LoadProfile(m_hWnd);
  ASSERT_EQ(sim::FileDialogRuns().size(), 1u);
  EXPECT_TRUE(sim::FileDialogRuns()[0].bHasTitle);
  EXPECT_EQ(sim::FileDialogRuns()[0].title, "");
  ASSERT_EQ(sim::MessageBoxRuns().size(), 1u);
  EXPECT_EQ(sim::MessageBoxRuns()[0].text, "");
  EXPECT_EQ(sim::MessageBoxRuns()[0].caption, "");
}

}  // namespace
}  // namespace settingstest

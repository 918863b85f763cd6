// Clicks on the key-map and keyboard pages: arming a row for remapping, key
// capture through the scripted key-capture dialog (IDOK stores the key for
// the row's button number, IDCANCEL nothing), the Initial buttons, and the
// Load and Save buttons through the scripted file dialogs.
#include <cstring>
#include <string>

#include "input_fixture.h"

namespace {

using inputtest::Bytes;
using inputtest::BytesOf;
using inputtest::Engine;
using inputtest::InputFixture;
using inputtest::kKeyboardPage;
using inputtest::kKeyMapPage;
using inputtest::RecordWrites;
using inputtest::RectOf;

// Row k's row button as built (before the page's offset).
RECT RowRect(int k) {
  const int x = k < 6 ? 36 : 259;
  const int y = 62 + 47 * (k % 6);
  return RECT{x, y, x + 70, y + 46};
}

// A row button that lets the test read its caption.
class ProbeButton : public SkinButton {
 public:
  ProbeButton(HWND hWnd, const RECT& rc)
      : SkinButton(nullptr, nullptr, nullptr, rc.left, rc.top, rc.right, rc.bottom, 0, 0, 0, 0, nullptr, hWnd, 0, 0) {}
  std::string Caption() const { return m_szCaption; }
};

RECT LayoutRect(const char* pszSection, const char* pszKey) {
  RECT rc{0, 0, 0, 0};
  char szText[kPageTextSize] = "";
  Engine().ReadLayoutEntry(pszSection, pszKey, &rc, szText);
  return rc;
}

bool Erased(const std::vector<sim::Invalidation>& invalidations) {
  for (const sim::Invalidation& inv : invalidations)
    if (inv.bErase) return true;
  return false;
}

std::vector<int> PressedRows() {
  std::vector<int> rows;
  for (int k = 0; k < kPageButtonCount; ++k)
    if (Engine().m_pSetButton[k]->GetState() != 0) rows.push_back(k);
  return rows;
}

// A record in which most fields differ from the defaults.
SettingsRecord ProfileRecord() {
  SettingsRecord r;
  std::memset(&r, 0, sizeof r);
  for (int i = 0; i < 12; ++i) {
    r.byButtonMap[i] = static_cast<BYTE>(12 - i);
    r.dwKeyCode[i] = static_cast<DWORD>(4 + i);
  }
  r.byTurbo[1] = 1;
  r.dwAxisCalib[0] = r.dwAxisCalib[1] = 0x00206090;
  r.dwSensitivity = 2;
  r.dwTimeCycle = 99;
  r.dwMotorPower = 77;
  r.dwReserved = 0x0BADF00D;
  return r;
}

std::string ProfilePath(const char* pszName) {
  char szSystem[MAX_PATH] = "";
  GetSystemDirectoryA(szSystem, sizeof szSystem);
  std::string folder = std::string(szSystem) + "\\GameSave";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\" + pszName;
}

Bytes ReadWholeFile(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return Bytes();
  Bytes bytes(1024);
  DWORD cb = 0;
  ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &cb, nullptr);
  CloseHandle(h);
  bytes.resize(cb);
  return bytes;
}

bool WriteWholeFile(const std::string& path, const Bytes& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD cb = 0;
  const BOOL bOk = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &cb, nullptr);
  CloseHandle(h);
  return bOk && cb == bytes.size();
}

// --- Key-map page -------------------------------------------------------------

class KeyMapPageInput : public InputFixture {
 protected:
  void SetUp() override {
    InputFixture::SetUp();
    if (HasFatalFailure()) return;
    Show(kKeyMapPage);  // the row buttons stand 4 pixels right here
  }
};

TEST_F(KeyMapPageInput, OnlyTheLastClickedRowWaitsForAButton) {
  const RECT rc5 = RowRect(5);
  const RECT rc8 = RowRect(8);
  Click(kKeyMapPage, rc5.left + 4, rc5.top);
  EXPECT_EQ(PressedRows(), std::vector<int>{5});
  Click(kKeyMapPage, rc8.right + 3, rc8.bottom - 1);
  EXPECT_EQ(PressedRows(), std::vector<int>{8});
  Click(kKeyMapPage, rc5.right + 4, rc5.top + 10);  // the moved right edge: off the row
  EXPECT_TRUE(PressedRows().empty()) << "a click elsewhere releases the choice";
  Click(kKeyMapPage, rc5.left + 3, rc5.top + 10);  // left of the moved row
  EXPECT_TRUE(PressedRows().empty());
  EXPECT_TRUE(RecordWrites().empty()) << "choosing a row changes no setting";
}

TEST_F(KeyMapPageInput, InitialRestoresTheButtonNumbers) {
  PageEngine& e = Engine();
  for (int i = 0; i < 12; ++i) e.m_Settings.byButtonMap[i] = static_cast<BYTE>(12 - i);
  Click(kKeyMapPage, 198, 370);  // right edge of (114, 358, 198, 382)
  EXPECT_EQ(e.m_Settings.byButtonMap[0], 12);
  EXPECT_TRUE(RecordWrites().empty());

  Click(kKeyMapPage, 114, 358);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(e.m_Settings.byButtonMap[i], i + 1) << "row " << i;
  EXPECT_EQ(RecordWrites(), PassedOn(kKeyMapPage));
  EXPECT_TRUE(WholePageErased());
}

// --- Keyboard page ---------------------------------------------------------------

class KeyboardPageInput : public InputFixture {
 protected:
  void SetUp() override {
    InputFixture::SetUp();
    if (HasFatalFailure()) return;
    // Row buttons whose captions the test can read.
    PageEngine& e = Engine();
    for (int k = 0; k < kPageButtonCount; ++k) {
      delete e.m_pSetButton[k];
      m_pProbe[k] = new ProbeButton(m_hWnd, RowRect(k));
      e.m_pSetButton[k] = m_pProbe[k];
    }
    Show(kKeyboardPage);
  }

  // Clicks row k with the dialog answered by keys and then nEnd.
  void CaptureOnRow(int k, std::vector<sim::KeyEvent> keys, int nEnd) {
    sim::DialogScript script;
    script.keys = std::move(keys);
    script.nEndCommand = nEnd;
    sim::ScriptNextDialog(script);
    const RECT rc = RowRect(k);
    Click(kKeyboardPage, rc.left, rc.top);
  }

  static sim::KeyEvent Down(UINT vk) { return sim::KeyEvent{vk, true}; }
  static sim::KeyEvent Up(UINT vk) { return sim::KeyEvent{vk, false}; }

  ProbeButton* m_pProbe[kPageButtonCount] = {};
};

TEST_F(KeyboardPageInput, CapturedKeyBelongsToTheButtonNumberOfEveryRowShowingIt) {
  PageEngine& e = Engine();
  e.m_Settings.byButtonMap[2] = 4;
  e.m_Settings.byButtonMap[3] = 3;
  e.m_Settings.byButtonMap[9] = 4;
  CaptureOnRow(9, {Down(VK_CONTROL), Down('A'), Up('A')}, IDOK);

  const sim::DialogRun run = sim::LastDialogRun();
  EXPECT_TRUE(run.bRan) << "the key-capture dialog ran";
  EXPECT_EQ(run.caption, "Dialog");
  for (int i = 0; i < 12; ++i)
    EXPECT_EQ(e.m_Settings.dwKeyCode[i], i == 3 ? (KEYCODE_CTRL | 0x04) : 0u) << "entry " << i;
  EXPECT_EQ(m_pProbe[2]->Caption(), "Ctl+A");
  EXPECT_EQ(m_pProbe[9]->Caption(), "Ctl+A");
  EXPECT_EQ(m_pProbe[3]->Caption(), "") << "row 3 shows button 3, not 4";
  EXPECT_TRUE(Erased(InvalidationsOf(LayoutRect("KeyboardPage", "Keyboard2"))));
  EXPECT_TRUE(Erased(InvalidationsOf(LayoutRect("KeyboardPage", "Keyboard9"))));
  EXPECT_TRUE(InvalidationsOf(LayoutRect("KeyboardPage", "Keyboard3")).empty());
  const std::vector<Bytes> writes = RecordWrites();
  EXPECT_EQ(writes, PassedOn(kKeyboardPage));
  EXPECT_TRUE(PressedRows().empty()) << "the row is released after the dialog";
}

TEST_F(KeyboardPageInput, CancelledCaptureStoresNothing) {
  PageEngine& e = Engine();
  const SettingsRecord before = e.m_Settings;
  CaptureOnRow(4, {Down('B'), Up('B')}, IDCANCEL);
  EXPECT_TRUE(sim::LastDialogRun().bRan);
  EXPECT_EQ(e.m_dwCapturedKey, 0x05u) << "the dialog did capture the key";
  EXPECT_EQ(BytesOf(e.m_Settings), BytesOf(before));
  EXPECT_EQ(m_pProbe[4]->Caption(), "");
  EXPECT_TRUE(RecordWrites().empty());
  EXPECT_TRUE(PressedRows().empty());
}

TEST_F(KeyboardPageInput, ARowWithoutAButtonNumberCountsAsButtonTwelve) {
  PageEngine& e = Engine();
  for (BYTE byNumber : {BYTE(0), BYTE(13), BYTE(255)}) {
    SCOPED_TRACE("number " + std::to_string(byNumber));
    e.m_Settings.byButtonMap[4] = byNumber;
    e.m_Settings.dwKeyCode[11] = 0;
    m_pProbe[11]->SetText("");
    CaptureOnRow(4, {Down(VK_F1), Up(VK_F1)}, IDOK);
    EXPECT_EQ(e.m_Settings.dwKeyCode[11], 0x3Au);
    EXPECT_EQ(m_pProbe[11]->Caption(), "F1") << "row 11 shows button 12";
    EXPECT_EQ(m_pProbe[4]->Caption(), "");
    for (int i = 0; i < 11; ++i) EXPECT_EQ(e.m_Settings.dwKeyCode[i], 0u) << "entry " << i;
  }
}

TEST_F(KeyboardPageInput, InitialClearsEveryKey) {
  PageEngine& e = Engine();
  for (int i = 0; i < 12; ++i) e.m_Settings.dwKeyCode[i] = KEYCODE_SHIFT | static_cast<DWORD>(4 + i);
  Click(kKeyboardPage, 197, 381);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(e.m_Settings.dwKeyCode[i], 0u) << "entry " << i;
  EXPECT_EQ(RecordWrites(), PassedOn(kKeyboardPage));
  EXPECT_TRUE(WholePageErased());
}

// --- Load and Save, on both key pages ---------------------------------------------

class ProfileButtons : public InputFixture, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    InputFixture::SetUp();
    if (HasFatalFailure()) return;
    Show(GetParam());
  }
  // Leaves the machine without the profiles and their folder.
  void TearDown() override {
    for (const char* pszName : {"input.sav", "saved.sav"}) DeleteFileA(ProfilePath(pszName).c_str());
    const std::string folder = ProfilePath("");
    RemoveDirectoryA(folder.substr(0, folder.size() - 1).c_str());
    InputFixture::TearDown();
  }
};

TEST_P(ProfileButtons, LoadTakesTheChosenProfile) {
  PageEngine& e = Engine();
  const std::string path = ProfilePath("input.sav");
  ASSERT_TRUE(WriteWholeFile(path, BytesOf(ProfileRecord())));
  sim::ScriptFileChoice(path);
  Click(GetParam(), 211, 358);
  EXPECT_EQ(BytesOf(e.m_Settings), BytesOf(ProfileRecord()));
  const std::vector<sim::FileDialogRun> runs = sim::FileDialogRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_FALSE(runs[0].bSave);
  EXPECT_EQ(runs[0].hwndOwner, m_hWnd);
  EXPECT_EQ(e.m_pLoadButton->GetState(), 0u);
  EXPECT_EQ(RecordWrites(), PassedOn(kKeyboardPage)) << "the loaded record, then the keyboard page's";

  // A cancelled dialog changes nothing.
  Forget();
  e.m_Settings.dwTimeCycle = 1;
  const SettingsRecord before = e.m_Settings;
  sim::ScriptFileCancel();
  Click(GetParam(), 294, 381);
  EXPECT_EQ(BytesOf(e.m_Settings), BytesOf(before));
  EXPECT_EQ(sim::FileDialogRuns().size(), 2u);
  EXPECT_TRUE(RecordWrites().empty());
  EXPECT_EQ(e.m_pLoadButton->GetState(), 0u);
}

TEST_P(ProfileButtons, SaveWritesTheEditedRecord) {
  PageEngine& e = Engine();
  e.m_Settings = ProfileRecord();
  const std::string path = ProfilePath("saved.sav");
  sim::ScriptFileChoice(path);
  Click(GetParam(), 312, 358);
  const std::vector<sim::FileDialogRun> runs = sim::FileDialogRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].bSave);
  EXPECT_EQ(ReadWholeFile(path), BytesOf(ProfileRecord()));
  EXPECT_EQ(e.m_pSaveButton->GetState(), 0u);
  EXPECT_TRUE(RecordWrites().empty()) << "saving leaves the registry";

  Click(GetParam(), 396, 370);  // right edge of Save: no dialog
  EXPECT_EQ(sim::FileDialogRuns().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(KeyPages, ProfileButtons, ::testing::Values(kKeyMapPage, kKeyboardPage));

}  // namespace

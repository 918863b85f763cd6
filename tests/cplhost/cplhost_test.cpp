// The Game Controllers stand-in against a test sheet server (fake_sheet.cpp)
// whose pages write down the protocol they see: how the sheet is found and
// opened, the order of the notifications on page changes, Apply, OK, Cancel
// and the close box, refusals, timers on the simulated clock, mouse, keys,
// scripted dialogs, the controller state and the pictures.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/sim.h"
#include "platform/win32.h"
#include "sheet_host.h"
#include "user_script.h"

namespace {

const char kFakeClsid[] = "{6E0A51C3-2B7D-4F18-9C40-1D5E7A3B9F62}";
const char kOemKey[] =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\VID_7C3A&PID_A02f";
constexpr DWORD kStart = 100000;

std::string WindowsPath(const std::string& path) {
  std::string windows = "Z:" + path;
  for (char& c : windows)
    if (c == '/') c = '\\';
  return windows;
}

void WriteString(HKEY hRoot, const std::string& key, const char* pszValue, const std::string& text) {
  HKEY hKey = nullptr;
  ASSERT_EQ(RegCreateKeyExA(hRoot, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(hKey, pszValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
  RegCloseKey(hKey);
}

// RGB of one pixel of a PNG file; false when the file cannot be read.
bool PngPixel(const std::string& path, int x, int y, unsigned* pRgb, int* pcx = nullptr, int* pcy = nullptr) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return false;
  if (pcx) *pcx = int(image.width);
  if (pcy) *pcy = int(image.height);
  if (x < 0 || y < 0 || x >= int(image.width) || y >= int(image.height)) return false;
  const unsigned char* p = &pixels[(size_t(y) * image.width + size_t(x)) * 3];
  *pRgb = unsigned(p[0]) << 16 | unsigned(p[1]) << 8 | p[2];
  return true;
}

class CplHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::FreezeClock(kStart);
    WriteString(HKEY_LOCAL_MACHINE, kOemKey, "ConfigCLSID", kFakeClsid);
    // The test holds the module too, so that its record outlives the
    // stand-in's unload.
    m_hFake = LoadLibraryA(WindowsPath(QJ_FAKE_SHEET).c_str());
    ASSERT_NE(m_hFake, nullptr);
    m_pfnEvents = reinterpret_cast<const char* (*)()>(reinterpret_cast<void*>(GetProcAddress(m_hFake, "FakeSheetEvents")));
    m_pfnClear = reinterpret_cast<void (*)()>(reinterpret_cast<void*>(GetProcAddress(m_hFake, "FakeSheetClear")));
    m_pfnRefuse = reinterpret_cast<void (*)(int)>(reinterpret_cast<void*>(GetProcAddress(m_hFake, "FakeSheetRefuse")));
    ASSERT_TRUE(m_pfnEvents && m_pfnClear && m_pfnRefuse);
    m_pfnClear();
    m_pfnRefuse(0);
    m_options.modulePath = QJ_FAKE_SHEET;
    m_options.outDir = sim::MachineRoot();
    m_options.pLog = &m_log;
  }

  void TearDown() override {
    m_host.Shutdown();
    if (m_hFake) FreeLibrary(m_hFake);
  }

  // Opens the sheet and plays the script; the events the pages saw since
  // the sheet opened.
  std::string Play(const std::string& script) {
    std::istringstream in(script);
    std::vector<cplhost::Step> steps;
    std::string error;
    EXPECT_TRUE(cplhost::ParseScript(in, &steps, &error)) << error;
    EXPECT_TRUE(m_host.Open(m_options, &error)) << error;
    for (const cplhost::Step& step : steps) EXPECT_TRUE(m_host.Run(step, &error)) << error;
    return Events();
  }

  std::string Events() const { return m_pfnEvents(); }

  // The events from the first line that starts with from.
  std::string EventsFrom(const std::string& from) const {
    const std::string events = Events();
    const size_t pos = events.find(from);
    return pos == std::string::npos ? std::string() : events.substr(pos);
  }

  HMODULE m_hFake = nullptr;
  const char* (*m_pfnEvents)() = nullptr;
  void (*m_pfnClear)() = nullptr;
  void (*m_pfnRefuse)(int) = nullptr;
  cplhost::HostOptions m_options;
  std::ostringstream m_log;
  cplhost::SheetHost m_host;
};

TEST_F(CplHostTest, FindsTheServerThroughTheOemEntriesAndInProcServer32) {
  WriteString(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kFakeClsid + "\\InProcServer32", nullptr,
              WindowsPath(QJ_FAKE_SHEET));
  m_options.modulePath.clear();
  m_options.uJoyId = 2;
  EXPECT_EQ(Play(""),
            "setid 2\n"
            "page 0 init lparam size child parent\n"
            "page 0 setactive\n")
      << "page 1 is made only when it is first shown";
  HWND hPage = m_host.PageWindow(0);
  EXPECT_EQ(GetParent(hPage), m_host.SheetWindow());
  EXPECT_TRUE(IsWindowVisible(hPage));
  EXPECT_EQ(m_host.PageWindow(1), nullptr);
  char szCaption[64] = "";
  GetWindowTextA(m_host.SheetWindow(), szCaption, sizeof szCaption);
  EXPECT_STREQ(szCaption, "Fake sheet");
  // The page keeps its template's size: 100 x 50 dialog units of 8-point
  // MS Shell Dlg.
  RECT rc;
  GetClientRect(hPage, &rc);
  EXPECT_EQ(rc.right, 150);
  EXPECT_EQ(rc.bottom, 81);

  m_host.Shutdown();
  EXPECT_EQ(EventsFrom("page 0 querycancel"),
            "page 0 querycancel\n"
            "page 0 reset 1\n"
            "page 0 destroy\n"
            "sheet released\n")
      << "the close box at the end";
  EXPECT_FALSE(IsWindow(hPage));
}

// What a page sees of the sheet's window handling, in the real sheet's
// order: the dialog manager's WM_SETFONT before WM_INITDIALOG, the page
// placed in the page area, PSN_SETACTIVE, the old page hidden and the new
// one shown (WM_SHOWWINDOW, then the position change while the sheet window
// is visible), then painted on an erased background.
TEST_F(CplHostTest, PagesSeeTheWindowMessagesOfARealSheetInItsOrder) {
  auto pfnWatch = reinterpret_cast<void (*)(int)>(reinterpret_cast<void*>(GetProcAddress(m_hFake, "FakeSheetWatchWindow")));
  ASSERT_NE(pfnWatch, nullptr);
  pfnWatch(1);
  Play("page 1\n");
  pfnWatch(0);
  EXPECT_EQ(Events(),
            "setid 0\n"
            "page 0 setfont\npage 0 init lparam size child parent\npage 0 poschanging\npage 0 poschanged\n"
            // The first page is shown before the sheet window: no position change.
            "page 0 setactive\npage 0 showwindow 1\npage 0 erasebkgnd\n"
            "page 0 killactive\n"
            "page 1 setfont\npage 1 init lparam size child parent\npage 1 poschanging\npage 1 poschanged\n"
            "page 1 setactive\npage 0 showwindow 0\npage 0 poschanging\npage 0 poschanged\n"
            "page 1 showwindow 1\npage 1 poschanging\npage 1 poschanged\npage 1 erasebkgnd\n");
}

TEST_F(CplHostTest, OpenFailsWithoutConfigClsid) {
  HKEY hKey = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kOemKey, 0, KEY_ALL_ACCESS, &hKey), ERROR_SUCCESS);
  RegDeleteValueA(hKey, "ConfigCLSID");
  RegCloseKey(hKey);
  std::string error;
  EXPECT_FALSE(m_host.Open(m_options, &error));
  EXPECT_NE(error.find("ConfigCLSID"), std::string::npos) << error;
  EXPECT_EQ(Events(), "") << "no server was loaded";
}

TEST_F(CplHostTest, PageChangesAndTimersOnTheSimulatedClock) {
  Play("wait 30\npage 1\nwait 20\npage 0\nwait 10\n");
  std::string expected = "setid 0\npage 0 init lparam size child parent\npage 0 setactive\n";
  for (DWORD t = 10; t <= 30; t += 10) expected += "page 0 timer " + std::to_string(kStart + t) + "\n";
  expected += "page 0 killactive\npage 1 init lparam size child parent\npage 1 setactive\n";
  for (DWORD t = 40; t <= 50; t += 10) expected += "page 1 timer " + std::to_string(kStart + t) + "\n";
  expected += "page 1 killactive\npage 0 setactive\n";
  expected += "page 0 timer " + std::to_string(kStart + 60) + "\n";
  EXPECT_EQ(Events(), expected);
  EXPECT_EQ(m_host.CurrentPage(), 0);
  EXPECT_TRUE(IsWindowVisible(m_host.PageWindow(0)));
  EXPECT_FALSE(IsWindowVisible(m_host.PageWindow(1)));
}

TEST_F(CplHostTest, ApplyOkCancelAndTheirOrder) {
  struct Case {
    const char* pszScript;
    const char* pszFrom;
    const char* pszExpected;
    bool bOpen;
  };
  // A click at y 25 has the page report a change (PSM_CHANGED).
  const Case cases[] = {
      {"page 1\nclick 5 25\napply\n", "page 1 killactive",
       "page 1 killactive\npage 0 apply 0\npage 1 apply 0\npage 1 setactive\n", true},
      {"page 1\ncancel\n", "page 1 querycancel",
       "page 1 querycancel\npage 0 reset 0\npage 1 reset 0\npage 0 destroy\npage 1 destroy\n", false},
      {"ok\n", "page 0 killactive", "page 0 killactive\npage 0 apply 1\npage 0 destroy\n", false},
      {"close\n", "page 0 querycancel", "page 0 querycancel\npage 0 reset 1\npage 0 destroy\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszScript);
    m_pfnClear();
    Play(c.pszScript);
    EXPECT_EQ(EventsFrom(c.pszFrom), c.pszExpected);
    EXPECT_EQ(m_host.IsOpen(), c.bOpen);
    m_host.Shutdown();
  }
}

// Apply is disabled until a page reports a change, and again after it
// applied; a page that takes its change back disables it while no other
// page reports one.
TEST_F(CplHostTest, ApplyDoesNothingWhileDisabled) {
  struct Case {
    const char* pszScript;
    int nApplies;  // PSN_APPLY notifications the pages saw
  };
  const Case cases[] = {
      {"apply\n", 0},
      {"click 5 25\napply\napply\n", 1},
      {"click 5 25\nclick 5 35\napply\n", 0},
      {"click 5 25\npage 1\nclick 5 25\npage 0\nclick 5 35\napply\n", 2},
      {"click 5 25\npage 1\nclick 5 35\napply\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pszScript);
    m_pfnClear();
    m_log.str("");
    const std::string events = Play(c.pszScript);
    int nApplies = 0;
    for (size_t pos = events.find(" apply 0"); pos != std::string::npos; pos = events.find(" apply 0", pos + 1))
      ++nApplies;
    EXPECT_EQ(nApplies, c.nApplies) << events;
    if (c.nApplies == 0) {
      EXPECT_EQ(EventsFrom("page 0 killactive"), "") << "not even the page shown is left";
      EXPECT_NE(m_log.str().find("Apply is disabled"), std::string::npos) << m_log.str();
    }
    EXPECT_TRUE(m_host.IsOpen());
    m_host.Shutdown();
  }
}

// Properties pressed again: the module stays loaded and a new sheet object
// from a new factory opens on page 0, also after the close box of a sheet
// left open; once the sheet has closed, the controller and the clock still
// play, a line on the sheet does not.
TEST_F(CplHostTest, ReopenMakesANewSheetOnTheLoadedModule) {
  Play("ok\nunplug\nwait 20\nplug\nreopen\npage 1\nreopen\n");
  EXPECT_EQ(EventsFrom("page 0 apply 1"),
            "page 0 apply 1\npage 0 destroy\nsheet released\n"
            "setid 0\npage 0 init lparam size child parent\npage 0 setactive\n"
            "page 0 killactive\npage 1 init lparam size child parent\npage 1 setactive\n"
            "page 1 querycancel\npage 0 reset 1\npage 1 reset 1\npage 0 destroy\npage 1 destroy\nsheet released\n"
            "setid 0\npage 0 init lparam size child parent\npage 0 setactive\n");
  EXPECT_TRUE(m_host.IsOpen());
  EXPECT_EQ(m_host.CurrentPage(), 0);
  EXPECT_NE(m_host.Module(), nullptr);

  std::string error;
  std::istringstream in("close\nwait 10\nstick 1 2\npage 1\n");
  std::vector<cplhost::Step> steps;
  ASSERT_TRUE(cplhost::ParseScript(in, &steps, &error)) << error;
  for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(m_host.Run(steps[i], &error)) << error;
  EXPECT_FALSE(m_host.IsOpen());
  EXPECT_FALSE(m_host.Run(steps[3], &error));
  EXPECT_EQ(error, "line 4: the sheet is closed");
}

TEST_F(CplHostTest, ReopenNeedsALoadedServer) {
  std::string error;
  EXPECT_FALSE(m_host.Reopen(&error));
  EXPECT_EQ(error, "no server is loaded");
}

TEST_F(CplHostTest, UnplugAndPlugTheController) {
  Play("unplug\n");
  sim::JoystickSnapshot snapshot;
  ASSERT_TRUE(sim::GetJoystickSnapshot(0, &snapshot));
  EXPECT_FALSE(snapshot.bPlugged);
  std::shared_ptr<sim::HidDevice> device = sim::FindHidDevice(m_host.DevicePath());
  ASSERT_NE(device, nullptr);
  EXPECT_FALSE(device->IsPlugged());
  std::string error;
  std::istringstream in("plug\n");
  std::vector<cplhost::Step> steps;
  ASSERT_TRUE(cplhost::ParseScript(in, &steps, &error)) << error;
  EXPECT_TRUE(m_host.Run(steps[0], &error)) << error;
  ASSERT_TRUE(sim::GetJoystickSnapshot(0, &snapshot));
  EXPECT_TRUE(snapshot.bPlugged);
  EXPECT_TRUE(device->IsPlugged());
}

TEST_F(CplHostTest, PagesThatRefuse) {
  m_pfnRefuse(1);  // page 0 refuses to be left
  Play("page 1\n");
  EXPECT_EQ(EventsFrom("page 0 killactive"), "page 0 killactive\n");
  EXPECT_EQ(m_host.CurrentPage(), 0);
  EXPECT_EQ(m_host.PageWindow(1), nullptr);
  m_host.Shutdown();

  m_pfnClear();
  m_pfnRefuse(2);  // Cancel is refused
  Play("cancel\n");
  EXPECT_EQ(EventsFrom("page 0 querycancel"), "page 0 querycancel\n");
  EXPECT_TRUE(m_host.IsOpen());
  m_pfnRefuse(0);
  m_host.Shutdown();

  m_pfnClear();
  m_pfnRefuse(4);  // page 1 finds its changes invalid
  Play("page 1\npage 0\nok\n");
  EXPECT_EQ(EventsFrom("page 0 killactive\npage 0 apply"),
            "page 0 killactive\npage 0 apply 1\npage 1 apply 1\npage 0 setactive\n");
  EXPECT_TRUE(m_host.IsOpen());
  m_pfnRefuse(0);
}

TEST_F(CplHostTest, MouseAndKeysReachThePageShown) {
  Play("click 30 40\ndrag 10 20 13 24\nkey a down\nkey a up\nmove 7 45\nclick 7 45\npage 1\nclick 7 45\n");
  EXPECT_EQ(EventsFrom("page 0 move 7 45"),
            "page 0 move 7 45\npage 0 down 7 45 held\npage 0 up 7 45\npage 0 killactive\n"
            "page 1 init lparam size child parent\npage 1 setactive\n"
            "page 1 move 7 45\npage 1 down 7 45 held\npage 1 up 7 45\n")
      << "a pointer already at the press point does not move; a tab takes it away";
  // The pointer comes to each press without a button held.
  EXPECT_EQ(EventsFrom("page 0 move"),
            "page 0 move 30 40\npage 0 down 30 40 held\npage 0 up 30 40\n"
            "page 0 move 10 20\npage 0 down 10 20 held\npage 0 move 10 21 held\npage 0 move 11 22 held\n"
            "page 0 move 12 23 held\npage 0 move 13 24 held\npage 0 up 13 24\n"
            "page 0 key 41 down\npage 0 key 41 up\n"
            "page 0 move 7 45\npage 0 down 7 45 held\npage 0 up 7 45\npage 0 killactive\n"
            "page 1 init lparam size child parent\npage 1 setactive\n"
            "page 1 move 7 45\npage 1 down 7 45 held\npage 1 up 7 45\n");
}

TEST_F(CplHostTest, ScriptedKeyCaptureAndFileDialogs) {
  Play("keycapture +ctrl a ok\nclick 5 15\nkeycapture f1 cancel\nclick 5 15\n"
       "file C:\\windows\\system32\\GameSave\\one.sav\nclick 5 5\nfile cancel\nclick 5 5\n");
  EXPECT_EQ(EventsFrom("page 0 move 5 15"),
            "page 0 move 5 15\npage 0 down 5 15 held\ncapture open\ncapture key 11 down\ncapture key 41 down\ncapture key 41 up\n"
            "capture end 1\ncapture result 1\npage 0 up 5 15\npage 0 key 11 up\n"
            "page 0 down 5 15 held\ncapture open\ncapture key 70 down\ncapture key 70 up\n"
            "capture end 2\ncapture result 2\npage 0 up 5 15\n"
            "page 0 move 5 5\npage 0 down 5 5 held\nfile C:\\windows\\system32\\GameSave\\one.sav\npage 0 up 5 5\n"
            "page 0 down 5 5 held\nfile none 0\npage 0 up 5 5\n");
  EXPECT_EQ(sim::PendingFileDialogScripts(), 0u);
}

// A WM_CLOSE that reaches the sheet while a page runs a modal dialog: the
// cancel sequence goes out at once, the pages go only after the dialog has
// ended and the page's click has returned, as in the real sheet's loop.
TEST_F(CplHostTest, CloseDuringAModalDialogWaitsForIt) {
  Play("keycapture f9 ok\nclick 5 15\n");
  EXPECT_EQ(EventsFrom("capture open"),
            "capture open\ncapture key 78 down\n"
            "page 0 querycancel\npage 0 reset 1\n"
            "capture key 78 up\ncapture end 1\ncapture result 1\npage 0 destroy\n");
  EXPECT_FALSE(m_host.IsOpen());
}

TEST_F(CplHostTest, ControllerStateFollowsTheScript) {
  Play("buttons 0x5\npress 2\nrelease 1\nstick 100 200 300 400\npov 9000\n");
  sim::JoystickSnapshot snapshot;
  ASSERT_TRUE(sim::GetJoystickSnapshot(0, &snapshot));
  EXPECT_EQ(snapshot.joystick.wMid, cplhost::kVendorId);
  EXPECT_EQ(snapshot.joystick.wPid, cplhost::kProductId);
  const BYTE expected[4] = {0, 0x80, 0x80, 0};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(snapshot.state.rgbButtons[i], expected[i]) << "button " << i + 1;
  EXPECT_EQ(snapshot.state.lX, 100);
  EXPECT_EQ(snapshot.state.lY, 200);
  EXPECT_EQ(snapshot.state.lZ, 300);
  EXPECT_EQ(snapshot.state.lRz, 400);
  EXPECT_EQ(snapshot.state.rgdwPOV[0], 9000u);
  EXPECT_NE(sim::FindHidDevice(m_host.DevicePath()), nullptr) << "the controller's HID device is there";
}

TEST_F(CplHostTest, PicturesShowThePageShown) {
  Play("click 30 40\npng first\npage 1\npng second\n");
  unsigned rgb = 0;
  int cx = 0, cy = 0;
  const std::string first = m_options.outDir + "/first.png", second = m_options.outDir + "/second.png";
  ASSERT_TRUE(PngPixel(first, 0, 0, &rgb, &cx, &cy)) << first;
  EXPECT_EQ(rgb, 0xFF0000u) << "page 0 paints red";
  EXPECT_EQ(cx, 150);
  EXPECT_EQ(cy, 81);
  ASSERT_TRUE(PngPixel(first, 32, 42, &rgb));
  EXPECT_EQ(rgb, 0x0000FFu) << "the mark at the click";
  ASSERT_TRUE(PngPixel(second, 0, 0, &rgb, &cx, &cy)) << second;
  EXPECT_EQ(rgb, 0x00FF00u) << "page 1 paints green";
  EXPECT_EQ(cx, 150) << "every page fills the page area of the largest page";
  EXPECT_EQ(cy, 81);
  std::remove(first.c_str());
  std::remove(second.c_str());
}

TEST(CplHostScript, BadLinesAreNamed) {
  const char* const bad[] = {"jump 3",          "page",        "page x",         "click 1",
                             "press 33",        "stick 1 2 3", "pov 36000",      "key f99 down",
                             "key a sideways",  "keycapture a", "keycapture nokey ok", "png a/b",
                             "wait -1",         "apply now",    "reopen 2",    "close x",
                             "move 1",          "unplug 0"};
  for (const char* pszBad : bad) {
    SCOPED_TRACE(pszBad);
    std::istringstream in(std::string("# a comment\nwait 10\n") + pszBad + "\n");
    std::vector<cplhost::Step> steps;
    std::string error;
    EXPECT_FALSE(cplhost::ParseScript(in, &steps, &error));
    EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << error;
  }
  std::istringstream in("keycapture +shift -shift f12 ok  # comment\n");
  std::vector<cplhost::Step> steps;
  std::string error;
  ASSERT_TRUE(cplhost::ParseScript(in, &steps, &error)) << error;
  ASSERT_EQ(steps.size(), 1u);
  ASSERT_EQ(steps[0].keys.size(), 4u);
  EXPECT_TRUE(steps[0].keys[0].vk == VK_SHIFT && steps[0].keys[0].bDown);
  EXPECT_TRUE(steps[0].keys[1].vk == VK_SHIFT && !steps[0].keys[1].bDown);
  EXPECT_TRUE(steps[0].keys[2].vk == VK_F12 && steps[0].keys[2].bDown);
  EXPECT_TRUE(steps[0].keys[3].vk == VK_F12 && !steps[0].keys[3].bDown);
  EXPECT_TRUE(steps[0].bFlag);
}

}  // namespace

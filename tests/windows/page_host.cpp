// page_host: the Game Controllers control panel's part in front of the
// property-sheet server module, on Windows (under Wine in CI): the module's
// pages in the system's own property sheet, driven by a user script.
//
//   page_host.exe [--out DIR] [--joystick N] [--limit S] [--trace] MODULE SCRIPT
//
// MODULE is the server (cplpages.dll, or the test build cplpages64.dll),
// loaded by its path; its dinput.dll must be the DirectInput test double
// (di_double.cpp: the DLL override dinput=n, the double beside this host).
// The page data (Setup.ini, skins, sounds) must be installed below the
// system folder, as an installer does. SCRIPT takes the user lines of the
// Game Controllers stand-in (data/cplscripts/README.md), played on the real
// sheet in real time (so "wait MS" lets MS milliseconds pass; "reopen" closes
// a sheet still open with its close box, releases the server's object and
// opens a new sheet from the same module, which stays loaded), and these:
//
//   until closed          messages are handled until the sheet has closed
//   until report HHHHHHHH until the device has received that report
//   until reports N       until the device has received N reports since the
//                         last "expect reports"
//   until polled          until the shown page has read the joystick's state
//   expect notify T...    the notifications the pages got since the last
//                         "expect notify", exactly: P:init (the page was made),
//                         P:setactive, P:killactive, P:querycancel, P:apply=L,
//                         P:reset=L (L the PSHNOTIFY lParam), P the page number
//   expect reports H...   the reports the device got since the last "expect
//                         reports" (or "expect auto"), exactly, each as 8
//                         hexadecimal digits (report ID, left, right, reserved)
//   expect auto           those reports are an automatic vibration test: one
//                         or more bursts, each of both motors at the level that
//                         the burst's draw gives (the draw's seed is the tick of
//                         the page's timer handling that started the burst: at
//                         or after its read of the joystick, at or before its
//                         report) and each
//                         followed by the all-zero report twice no sooner than
//                         the drawn burst length (the last one may be cut short
//                         by Manual or by the test's end); all-zero pairs may
//                         stand between bursts and at the end
//   expect message TEXT   the message boxes shown since the last "expect
//                         message": one, "CAPTION: TEXT"
//
// Once the sheet has closed, a line that needs it (a page, the mouse, the
// keys, the sheet's buttons, a picture) is a failure; the controller, "wait",
// the dialog answers and "reopen" still play.
//
// Every "until", and every user action waiting for its messages to be
// handled, gives up after S seconds (--limit, default 20; a failure). At the
// end a sheet still
// open is closed with its close box, the server's object released and the
// module unloaded when DllCanUnloadNow allows it; then every DirectInput
// object the module made must have been released, none used after its
// release, and no call made that the pages are not expected to make.
//
// Pictures ("png NAME") are OUT\NAME.bmp, the page's client area, and
// OUT\NAME-sheet.bmp, the whole sheet window. Standard output is the
// protocol log: each line, each notification, each motor report, each
// check ("ok: ..." or "FAILED: ..."). Exit code 0 when every check holds, 1
// otherwise, 2 for a usage or script error, 3 when the program faulted.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "page_sheet.h"
#include "user_script.h"

namespace {

using pagehost::MotorReport;
using pagehost::PageSheet;

// A picture waits this long for the page to read the joystick's state.
constexpr DWORD kPictureSettleMs = 3000;

int g_nFailures = 0;
std::string g_at;       // "line N (context): ", the prefix of that line's checks

void Say(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void Check(bool bOk, const std::string& what) {
  Say(std::string(bOk ? "ok: " : "FAILED: ") + what);
  if (!bOk) ++g_nFailures;
}

LONG WINAPI OnUnhandledFault(EXCEPTION_POINTERS* pInfo) {
  std::printf("FAILED: %sthe program faulted (exception 0x%08lX at %p)\n", g_at.c_str(),
              static_cast<unsigned long>(pInfo->ExceptionRecord->ExceptionCode), pInfo->ExceptionRecord->ExceptionAddress);
  std::fflush(stdout);
  ExitProcess(3);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Hex(const BYTE (&bytes)[4]) {
  char sz[16];
  std::snprintf(sz, sizeof sz, "%02x%02x%02x%02x", bytes[0], bytes[1], bytes[2], bytes[3]);
  return sz;
}

// got matches want word by word, a word "X*" matching one or more X.
bool Matches(const std::vector<std::string>& got, const std::vector<std::string>& want) {
  size_t i = 0;
  for (const std::string& word : want) {
    const bool bRepeat = !word.empty() && word.back() == '*';
    const std::string one = bRepeat ? word.substr(0, word.size() - 1) : word;
    if (i >= got.size() || got[i] != one) return false;
    ++i;
    while (bRepeat && i < got.size() && got[i] == one) ++i;
  }
  return i == got.size();
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text.empty() ? "(none)" : text;
}

// A line of the host's own.
enum class HostVerb { kUntil, kExpectNotify, kExpectReports, kExpectAuto, kExpectMessage };

struct Line {
  int nLine = 0;
  std::string source;
  std::string context;  // the last whole-line comment before the line (a table's case)
  bool bHost = false;
  HostVerb verb = HostVerb::kUntil;
  std::vector<std::string> words;  // the host line's arguments
  std::string rest;                // its text after the verb(s)
  cplhost::Step step;              // a user line of the stand-in's format
};

// 8 hexadecimal digits; "HHHHHHHH*" in an expect line stands for one or
// more of that report.
bool IsHexReport(const std::string& word, bool bRepeatAllowed = false) {
  if (bRepeatAllowed && word.size() == 9 && word[8] == '*') return IsHexReport(word.substr(0, 8));
  if (word.size() != 8) return false;
  for (char c : word)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool ParseHostLine(const std::vector<std::string>& words, const std::string& source, Line* pLine, std::string* pError) {
  const std::string verb = Lower(words[0]);
  const std::string object = words.size() > 1 ? Lower(words[1]) : std::string();
  auto rest = [&](size_t nSkip) {
    std::istringstream in(source);
    std::string word;
    for (size_t i = 0; i < nSkip; ++i) in >> word;
    std::string text;
    std::getline(in, text);
    const size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first);
  };
  pLine->bHost = true;
  pLine->words.assign(words.begin() + 1, words.end());
  if (verb == "until") {
    pLine->verb = HostVerb::kUntil;
    const bool bOk = (object == "closed" && words.size() == 2) || (object == "polled" && words.size() == 2) ||
                     (object == "report" && words.size() == 3 && IsHexReport(words[2])) ||
                     (object == "reports" && words.size() == 3 && std::atoi(words[2].c_str()) > 0);
    if (!bOk) *pError = "until takes closed, polled, report HHHHHHHH or reports N";
    return bOk;
  }
  if (verb == "expect") {
    pLine->words.erase(pLine->words.begin(), pLine->words.begin() + (words.size() > 1 ? 1 : 0));
    if (object == "notify") {
      pLine->verb = HostVerb::kExpectNotify;
      return true;
    }
    if (object == "reports") {
      pLine->verb = HostVerb::kExpectReports;
      for (const std::string& word : pLine->words)
        if (!IsHexReport(word, true)) {
          *pError = "\"" + word + "\" is not a report of 8 hexadecimal digits";
          return false;
        }
      return true;
    }
    if (object == "auto" && words.size() == 2) {
      pLine->verb = HostVerb::kExpectAuto;
      return true;
    }
    if (object == "message" && words.size() > 2) {
      pLine->verb = HostVerb::kExpectMessage;
      pLine->rest = rest(2);
      return true;
    }
    *pError = "expect takes notify, reports, auto or message TEXT";
    return false;
  }
  pLine->bHost = false;
  return true;
}

// The script: the host's lines, and the stand-in's user lines read by its
// own reader (given the line alone, behind empty lines for its number).
bool ParseScript(std::istream& in, std::vector<Line>* pLines, std::string* pError) {
  std::string text;
  std::string context;
  int nLine = 0;
  while (std::getline(in, text)) {
    ++nLine;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const size_t first = text.find_first_not_of(" \t");
    if (first != std::string::npos && text[first] == '#') {
      const size_t start = text.find_first_not_of("# \t", first);
      context = start == std::string::npos ? std::string() : text.substr(start);
      continue;
    }
    const std::string source = text.substr(0, text.find('#'));
    std::istringstream wordsIn(source);
    std::vector<std::string> words;
    for (std::string word; wordsIn >> word;) words.push_back(word);
    if (words.empty()) continue;
    Line line;
    line.nLine = nLine;
    line.context = context;
    line.source = source.substr(source.find_first_not_of(" \t"));
    line.source.erase(line.source.find_last_not_of(" \t") + 1);
    std::string error;
    if (!ParseHostLine(words, line.source, &line, &error)) {
      *pError = "line " + std::to_string(nLine) + ": " + error;
      return false;
    }
    if (!line.bHost) {
      std::istringstream single(std::string(static_cast<size_t>(nLine - 1), '\n') + text);
      std::vector<cplhost::Step> steps;
      if (!cplhost::ParseScript(single, &steps, pError)) return false;
      line.step = steps.at(0);
    }
    pLines->push_back(line);
  }
  return true;
}

// ------------------------------------------------------- the auto test

// The draws of one burst of the automatic test for the seed dwSeed, with
// the C runtime's rand (the module's, msvcrt's): time cycle, then motor
// power raised to 2; the burst lasts 500 + 1000 * cycle / 255 ms and runs
// both motors at 10 + 21 * power / 255.
struct Burst {
  DWORD dwTimeCycle;
  DWORD dwMotorPower;
  DWORD dwLevel;
  DWORD dwLengthMs;
};
Burst DrawBurst(DWORD dwSeed) {
  auto draw = [] { return static_cast<DWORD>(std::rand()) % 32768u * 255u / 32767u; };
  std::srand(dwSeed);
  Burst burst;
  burst.dwTimeCycle = draw();
  burst.dwMotorPower = draw();
  if (burst.dwMotorPower < 2) burst.dwMotorPower = 2;
  burst.dwLevel = burst.dwMotorPower * 21 / 255 + 10;
  burst.dwLengthMs = burst.dwTimeCycle * 1000 / 255 + 500;
  return burst;
}

// Without a read of the joystick before a burst's report, the tick it was
// drawn at is sought this far before the report.
constexpr DWORD kSeedWindowMs = 10;

bool IsZero(const MotorReport& r) { return r.bytes[0] == 0 && r.bytes[1] == 0 && r.bytes[2] == 0 && r.bytes[3] == 0; }

bool CheckAutoTest(const std::vector<MotorReport>& reports, DWORD dwOpenTick, std::string* pWhy) {
  size_t i = 0;
  int nBursts = 0;
  while (i < reports.size()) {
    const MotorReport& r = reports[i];
    if (IsZero(r)) {
      if (i + 1 >= reports.size() || !IsZero(reports[i + 1])) {
        *pWhy = "report " + std::to_string(i + 1) + ": an all-zero report written once";
        return false;
      }
      i += 2;
      continue;
    }
    if (r.bytes[0] != 0 || r.bytes[3] != 0 || r.bytes[1] != r.bytes[2]) {
      *pWhy = "report " + std::to_string(i + 1) + " (" + Hex(r.bytes) + ") is no burst of both motors";
      return false;
    }
    if (i + 2 >= reports.size() || !IsZero(reports[i + 1]) || !IsZero(reports[i + 2])) {
      *pWhy = "report " + std::to_string(i + 1) + ": a burst not followed by the all-zero report twice";
      return false;
    }
    const DWORD dwEnd = reports[i + 1].dwTick;
    // The last burst may be cut short: by Manual, or by the end of the test.
    bool bLast = true;
    for (size_t k = i + 3; k < reports.size(); ++k) bLast = bLast && IsZero(reports[k]);
    // The timer's handling reads the joystick, takes the tick it draws with,
    // then writes the report.
    const DWORD dwWindow = r.dwPollTick != 0 ? r.dwTick - r.dwPollTick : kSeedWindowMs;
    std::string seeds;
    for (DWORD d = 0; d <= dwWindow; ++d) {
      const DWORD dwSeed = r.dwTick - d;
      const Burst burst = DrawBurst(dwSeed);
      if (burst.dwLevel == r.bytes[1] && (bLast || dwEnd - dwSeed >= burst.dwLengthMs))
        seeds += (seeds.empty() ? "" : ", ") + std::to_string(dwSeed - dwOpenTick) + " ms (cycle " +
                 std::to_string(burst.dwTimeCycle) + ", power " + std::to_string(burst.dwMotorPower) + ")";
    }
    Say("auto test burst " + std::to_string(nBursts + 1) + ": level " + std::to_string(r.bytes[1]) + " at " +
        std::to_string(r.dwTick - dwOpenTick) + " ms, over after " + std::to_string(dwEnd - r.dwTick) +
        " ms; drawn at " + (seeds.empty() ? std::string("no tick that fits") : seeds));
    if (seeds.empty()) {
      *pWhy = "burst " + std::to_string(nBursts + 1) + ": level " + std::to_string(r.bytes[1]) +
              " and its length fit no draw at the ticks before its report";
      return false;
    }
    ++nBursts;
    i += 3;
  }
  if (nBursts == 0) *pWhy = "no burst";
  return nBursts > 0;
}

// ------------------------------------------------------------ playing

struct Options {
  std::string out = ".";
  std::string module;
  std::string script;
  UINT uJoyId = 0;
  DWORD dwLimitMs = 20000;
  bool bTrace = false;
};

class Player {
 public:
  explicit Player(const Options& options) : m_options(options), m_sheet(Say, options.dwLimitMs) {
    std::memset(&m_state, 0, sizeof m_state);
    m_state.lX = m_state.lY = m_state.lZ = m_state.lRz = 32767;
    for (DWORD& dwPov : m_state.rgdwPOV) dwPov = 0xFFFFFFFF;
  }

  bool Start(std::string* pError) {
    m_sheet.SetTrace(m_options.bTrace);
    if (!m_sheet.Load(m_options.module, pError)) return false;
    m_sheet.Double()->SetState(m_state);
    const bool bOpen = m_sheet.Open(m_options.uJoyId, pError);
    Keep(m_sheet.TakeReports());
    return bOpen;
  }

  void Play(const Line& line) {
    g_at = "line " + std::to_string(line.nLine) + (line.context.empty() ? "" : " (" + line.context + ")") + ": ";
    Say("line " + std::to_string(line.nLine) + ": " + line.source);
    if (line.bHost) PlayHost(line);
    else if (!m_sheet.IsOpen() && cplhost::NeedsOpenSheet(line.step.verb)) Check(false, g_at + "the sheet is closed");
    else PlayUser(line.step);
    for (const std::string& problem : m_sheet.TakeProblems()) Check(false, g_at + problem);
    Keep(m_sheet.TakeReports());
    // A use after release is told at the line that made it.
    DiCounters counters;
    m_sheet.Double()->GetCounters(&counters);
    if (counters.cUsesAfterRelease != m_cUsesSeen)
      Check(false, g_at + "the pages used released DirectInput objects (" +
                       std::to_string(counters.cUsesAfterRelease - m_cUsesSeen) + " uses)");
    m_cUsesSeen = counters.cUsesAfterRelease;
  }

  void End() {
    g_at = "at the end: ";
    if (m_sheet.IsOpen()) {
      Say("end of script; the user closes the sheet");
      m_sheet.CloseBox();
      Until([this] { return !m_sheet.IsOpen(); }, "the sheet closes");
    }
    CheckReleased(g_at);
    DiCounters counters;
    m_sheet.Double()->GetCounters(&counters);
    Check(counters.cUsesAfterRelease == 0, g_at + "no DirectInput object used after its release (" +
                                               std::to_string(counters.cUsesAfterRelease) + " uses)");
    Check(counters.cUnexpected == 0,
          "the pages made only the calls the double implements (" + std::to_string(counters.cUnexpected) + " others)");
    Say("DirectInput double: " + std::to_string(counters.cObjectsMade) + " objects made, " +
        std::to_string(counters.cStatesRead) + " states read, " + std::to_string(counters.cRefused) + " calls refused");
    m_sheet.Unload();
    Keep(m_sheet.TakeReports());
  }

 private:
  void Keep(std::vector<MotorReport> reports) {
    m_reports.insert(m_reports.end(), reports.begin(), reports.end());
    std::vector<std::string> notes = m_sheet.TakeNotes();
    m_notes.insert(m_notes.end(), notes.begin(), notes.end());
    std::vector<std::string> messages = m_sheet.TakeMessages();
    m_messages.insert(m_messages.end(), messages.begin(), messages.end());
  }

  bool Until(const std::function<bool()>& done, const std::string& what) {
    const bool bOk = m_sheet.Pump(m_options.dwLimitMs, [&] {
      Keep(m_sheet.TakeReports());
      return done();
    });
    if (!bOk) Check(false, g_at + what + " within " + std::to_string(m_options.dwLimitMs / 1000) + " s");
    return bOk;
  }

  // The shown page has read the current joystick state at least once.
  std::function<bool()> Polled() {
    DiCounters start;
    m_sheet.Double()->GetCounters(&start);
    return [this, start] {
      DiCounters now;
      m_sheet.Double()->GetCounters(&now);
      return now.nStateRead == now.nState && now.cStatesRead > start.cStatesRead;
    };
  }

  // Every DirectInput object of the closed sheets is released.
  void CheckReleased(const std::string& at) {
    DiCounters counters;
    m_sheet.Double()->GetCounters(&counters);
    Check(counters.cObjectsLive == 0, at + "every DirectInput object the pages made is released (" +
                                          std::to_string(counters.cObjectsLive) + " live)");
  }

  void PlayHost(const Line& line) {
    const std::string& at = g_at;
    switch (line.verb) {
      case HostVerb::kUntil: {
        const std::string object = Lower(line.words[0]);
        if (object == "closed") {
          Until([this] { return !m_sheet.IsOpen(); }, "the sheet closes");
        } else if (object == "polled") {
          Until(Polled(), "the page reads the joystick");
        } else if (object == "report") {
          const std::string want = Lower(line.words[1]);
          Until([this, want] {
            for (const MotorReport& r : m_reports)
              if (Hex(r.bytes) == want) return true;
            return false;
          }, "the device receives " + want);
        } else {
          const size_t n = static_cast<size_t>(std::atoi(line.words[1].c_str()));
          Until([this, n] { return m_reports.size() >= n; }, "the device receives " + line.words[1] + " reports");
        }
        break;
      }
      case HostVerb::kExpectNotify: {
        std::vector<std::string> want;
        for (const std::string& word : line.words) want.push_back(Lower(word));
        Check(m_notes == want, at + "notifications " + Joined(m_notes) + (m_notes == want ? "" : ", wanted " + Joined(want)));
        m_notes.clear();
        break;
      }
      case HostVerb::kExpectReports: {
        std::vector<std::string> got, want;
        for (const MotorReport& r : m_reports) got.push_back(Hex(r.bytes));
        for (const std::string& word : line.words) want.push_back(Lower(word));
        const bool bOk = Matches(got, want);
        Check(bOk, at + "motor reports " + Joined(got) + (bOk ? "" : ", wanted " + Joined(want)));
        m_reports.clear();
        break;
      }
      case HostVerb::kExpectAuto: {
        std::string why;
        const bool bOk = CheckAutoTest(m_reports, m_sheet.OpenTick(), &why);
        Check(bOk, at + "the motor reports are an automatic test" + (bOk ? "" : ": " + why));
        m_reports.clear();
        break;
      }
      case HostVerb::kExpectMessage: {
        const std::vector<std::string> want = {line.rest};
        Check(m_messages == want, at + "message boxes " + Joined(m_messages) +
                                      (m_messages == want ? "" : ", wanted " + line.rest));
        m_messages.clear();
        break;
      }
    }
  }

  void PlayUser(const cplhost::Step& step) {
    using cplhost::Verb;
    const std::string& at = g_at;
    switch (step.verb) {
      case Verb::kPage:
        if (step.n[0] >= m_sheet.PageCount()) {
          Check(false, at + "the sheet has " + std::to_string(m_sheet.PageCount()) + " pages");
          break;
        }
        // The tab of the page shown does nothing.
        if (step.n[0] != m_sheet.CurrentPage()) m_sheet.SelectPage(static_cast<int>(step.n[0]));
        m_bPointerOnPage = false;
        break;
      case Verb::kClick:
        PointerTo(step.n[0], step.n[1]);
        m_sheet.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, step.n[0], step.n[1]);
        m_sheet.Mouse(WM_LBUTTONUP, 0, step.n[0], step.n[1]);
        m_sheet.MouseDone();
        break;
      case Verb::kDrag: {
        PointerTo(step.n[0], step.n[1]);
        m_sheet.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, step.n[0], step.n[1]);
        const long dx = step.n[2] - step.n[0], dy = step.n[3] - step.n[1];
        const long nSteps = std::max(std::labs(dx), std::labs(dy));
        for (long i = 1; i <= nSteps; ++i)
          m_sheet.Mouse(WM_MOUSEMOVE, MK_LBUTTON, step.n[0] + dx * i / nSteps, step.n[1] + dy * i / nSteps);
        m_sheet.Mouse(WM_LBUTTONUP, 0, step.n[2], step.n[3]);
        m_sheet.MouseDone();
        m_ptPointer = {step.n[2], step.n[3]};
        break;
      }
      case Verb::kButtons:
        for (int i = 0; i < 32; ++i) m_state.rgbButtons[i] = (step.dwMask >> i) & 1 ? 0x80 : 0;
        m_sheet.Double()->SetState(m_state);
        break;
      case Verb::kPress:
      case Verb::kRelease:
        m_state.rgbButtons[step.n[0] - 1] = step.verb == Verb::kPress ? 0x80 : 0;
        m_sheet.Double()->SetState(m_state);
        break;
      case Verb::kStick:
        m_state.lX = static_cast<LONG>(step.n[0]);
        m_state.lY = static_cast<LONG>(step.n[1]);
        if (step.nCount == 4) {
          m_state.lZ = static_cast<LONG>(step.n[2]);
          m_state.lRz = static_cast<LONG>(step.n[3]);
        }
        m_sheet.Double()->SetState(m_state);
        break;
      case Verb::kPov:
        m_state.rgdwPOV[0] = step.dwMask;
        m_sheet.Double()->SetState(m_state);
        break;
      case Verb::kWait:
        m_sheet.Pump(static_cast<DWORD>(step.n[0]));
        break;
      case Verb::kKey:
        m_sheet.Key(static_cast<UINT>(step.n[0]), step.bFlag);
        break;
      case Verb::kKeyCapture: {
        pagehost::DialogAnswers answers = m_sheet.Answers();
        answers.bKeys = true;
        answers.keys.clear();
        for (const cplhost::KeyStroke& stroke : step.keys) answers.keys.push_back({stroke.vk, stroke.bDown});
        answers.bKeysOk = step.bFlag;
        m_sheet.SetAnswers(answers);
        break;
      }
      case Verb::kFile: {
        pagehost::DialogAnswers answers = m_sheet.Answers();
        answers.bFile = true;
        answers.bFileCancel = step.bFlag;
        answers.file = step.text;
        if (!answers.file.empty() && answers.file[0] == '/') {
          answers.file = "Z:" + answers.file;
          for (char& c : answers.file)
            if (c == '/') c = '\\';
        }
        m_sheet.SetAnswers(answers);
        break;
      }
      case Verb::kClose:
        m_sheet.CloseBox();
        m_bPointerOnPage = false;
        break;
      case Verb::kReopen: {
        if (m_sheet.IsOpen()) {
          m_sheet.CloseBox();
          if (!Until([this] { return !m_sheet.IsOpen(); }, "the sheet closes")) break;
        }
        CheckReleased(at + "before the sheet opens again: ");
        std::string error;
        if (!m_sheet.Open(m_options.uJoyId, &error)) Check(false, at + error);
        m_bPointerOnPage = false;
        Keep(m_sheet.TakeReports());
        break;
      }
      case Verb::kUnplug:
      case Verb::kPlug:
        m_sheet.Double()->SetLost(step.verb == Verb::kUnplug);
        break;
      case Verb::kMove:
        PointerTo(step.n[0], step.n[1]);
        m_sheet.MouseDone();
        break;
      case Verb::kApply:
        // A user can press Apply only while the sheet enables it.
        m_bPointerOnPage = false;
        if (m_sheet.ApplyEnabled()) m_sheet.PressButton(PSBTN_APPLYNOW);
        else Say("Apply is disabled (no page has reported a change); nothing happens");
        break;
      case Verb::kOk:
        m_sheet.PressButton(PSBTN_OK);
        m_bPointerOnPage = false;
        break;
      case Verb::kCancel:
        m_sheet.PressButton(PSBTN_CANCEL);
        m_bPointerOnPage = false;
        break;
      case Verb::kPng: {
        if (!m_sheet.Pump(kPictureSettleMs, Polled())) Say("(the page has not read the joystick; pictured as it is)");
        const std::string path = m_options.out + "\\" + step.text + ".bmp";
        Check(m_sheet.Picture(path), at + "page " + std::to_string(m_sheet.CurrentPage()) + " pictured in " + path);
        break;
      }
    }
  }

  // The pointer comes over the page to X, Y: a WM_MOUSEMOVE without a button
  // held, unless it is there already.
  void PointerTo(long x, long y) {
    if (m_bPointerOnPage && m_ptPointer.x == x && m_ptPointer.y == y) return;
    m_sheet.Mouse(WM_MOUSEMOVE, 0, static_cast<int>(x), static_cast<int>(y));
    m_bPointerOnPage = true;
    m_ptPointer = {x, y};
  }

  Options m_options;
  PageSheet m_sheet;
  DIJOYSTATE m_state;
  std::vector<MotorReport> m_reports;    // since the last expect reports
  std::vector<std::string> m_notes;      // since the last expect notify
  std::vector<std::string> m_messages;   // since the last expect message
  LONG m_cUsesSeen = 0;                  // uses after release told so far
  bool m_bPointerOnPage = false;         // the pointer is over the page shown, at m_ptPointer
  POINT m_ptPointer = {0, 0};
};

bool ParseArgs(int argc, char** argv, Options* pOptions) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--out" && i + 1 < argc) {
      pOptions->out = argv[++i];
    } else if (arg == "--joystick" && i + 1 < argc) {
      char* pEnd = nullptr;
      const long n = std::strtol(argv[++i], &pEnd, 10);
      if (pEnd == nullptr || *pEnd != 0 || n < 0 || n > 15) return false;
      pOptions->uJoyId = static_cast<UINT>(n);
    } else if (arg == "--limit" && i + 1 < argc) {
      char* pEnd = nullptr;
      const long n = std::strtol(argv[++i], &pEnd, 10);
      if (pEnd == nullptr || *pEnd != 0 || n < 1 || n > 3600) return false;
      pOptions->dwLimitMs = static_cast<DWORD>(n) * 1000;
    } else if (arg == "--trace") {
      pOptions->bTrace = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return false;
  pOptions->module = positional[0];
  pOptions->script = positional[1];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  SetUnhandledExceptionFilter(OnUnhandledFault);
  Options options;
  if (!ParseArgs(argc, argv, &options)) {
    std::fprintf(stderr, "usage: page_host [--out DIR] [--joystick N] [--limit S] [--trace] MODULE SCRIPT\n");
    return 2;
  }
  std::ifstream in(options.script);
  if (!in) {
    std::fprintf(stderr, "page_host: cannot read %s\n", options.script.c_str());
    return 2;
  }
  std::vector<Line> lines;
  std::string error;
  if (!ParseScript(in, &lines, &error)) {
    std::fprintf(stderr, "page_host: %s: %s\n", options.script.c_str(), error.c_str());
    return 2;
  }
  CreateDirectoryA(options.out.c_str(), nullptr);
  Player player(options);
  if (!player.Start(&error)) {
    Check(false, error);
    return 1;
  }
  for (const Line& line : lines) player.Play(line);
  player.End();
  Say(g_nFailures == 0 ? "page_host: all checks passed" : "page_host: " + std::to_string(g_nFailures) + " checks failed");
  return g_nFailures == 0 ? 0 : 1;
}

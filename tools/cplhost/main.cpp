// cplhost: stands in for the Game Controllers control panel in front of a
// controller's property-sheet server.
//
//   cplhost [--machine DIR] [--out DIR] [--joystick N] [--module FILE] SCRIPT
//
// It attaches the simulated controller (vendor 0x7C3A, product 0xA02F) at
// joystick N (default 0) with its HID device, reads the ConfigCLSID of the
// controller's joystick OEM entries, loads the server (FILE, or the
// InProcServer32 of that class), opens the sheet on page 0 and plays the
// user script (data/cplscripts/README.md) on the frozen simulated clock. At
// the end of the script a sheet still open is closed with its close box.
// Pictures go to OUT/<name>.png, every motor report the controller received
// to OUT/reports.csv (OUT default "."); the protocol log goes to standard
// output. Exit code 0, or 1 for a script, server or output failure.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/sim/sim.h"
#include "platform/win32.h"
#include "sheet_host.h"
#include "user_script.h"

namespace {

// The simulated clock starts here, so that no tick of the run reads as 0.
constexpr DWORD kStartTick = 100000;

struct Options {
  std::string machine;
  std::string out = ".";
  std::string module;
  std::string script;
  UINT uJoyId = 0;
};

void Usage() {
  std::fprintf(stderr, "usage: cplhost [--machine DIR] [--out DIR] [--joystick N] [--module FILE] SCRIPT\n");
}

bool ParseArgs(int argc, char** argv, Options* pOptions) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* pOut) {
      if (i + 1 >= argc) return false;
      *pOut = argv[++i];
      return true;
    };
    std::string joystick;
    if (arg == "--machine") {
      if (!value(&pOptions->machine)) return false;
    } else if (arg == "--out") {
      if (!value(&pOptions->out)) return false;
    } else if (arg == "--module") {
      if (!value(&pOptions->module)) return false;
    } else if (arg == "--joystick") {
      if (!value(&joystick)) return false;
      char* pEnd = nullptr;
      const long n = std::strtol(joystick.c_str(), &pEnd, 10);
      if (!pEnd || *pEnd || n < 0 || n > 15) return false;
      pOptions->uJoyId = UINT(n);
    } else if (!arg.empty() && arg[0] == '-') {
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 1) return false;
  pOptions->script = positional[0];
  return true;
}

// Ends the process when one action runs far longer than any action can: a
// modal dialog that no script line answers waits for ever. Its state lives
// for the whole process, as its thread does.
namespace watchdog {

std::atomic<long long> g_nStartMs{-1};  // steady-clock start of the action; -1: none runs
std::atomic<long> g_nLimitMs{30000};
std::atomic<int> g_nLine{0};

long long Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Watch() {
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long long nStart = g_nStartMs;
    if (nStart >= 0 && Now() - nStart > g_nLimitMs) {
      std::fprintf(stderr,
                   "cplhost: line %d did not finish; a dialog that no script line answers "
                   "(keycapture before the click that opens it?)\n",
                   int(g_nLine));
      std::fflush(stdout);
      _exit(1);
    }
  }
}

void Install() { std::thread(Watch).detach(); }

// An action of nSimulatedMs milliseconds of the simulated clock begins.
void Start(int nLine, long nSimulatedMs) {
  g_nLine = nLine;
  g_nLimitMs = 30000 + nSimulatedMs / 10;
  g_nStartMs = Now();
}

void Stop() { g_nStartMs = -1; }

}  // namespace watchdog

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, &options)) {
    Usage();
    return 1;
  }
  std::ifstream in(options.script);
  if (!in) {
    std::fprintf(stderr, "cplhost: cannot read %s\n", options.script.c_str());
    return 1;
  }
  std::vector<cplhost::Step> steps;
  std::string error;
  if (!cplhost::ParseScript(in, &steps, &error)) {
    std::fprintf(stderr, "cplhost: %s: %s\n", options.script.c_str(), error.c_str());
    return 1;
  }
  mkdir(options.out.c_str(), 0777);
  if (!options.machine.empty()) sim::SetMachineRoot(options.machine);
  sim::FreezeClock(kStartTick);

  cplhost::HostOptions hostOptions;
  hostOptions.modulePath = options.module;
  hostOptions.uJoyId = options.uJoyId;
  hostOptions.outDir = options.out;
  hostOptions.pLog = &std::cout;
  int nExit = 0;
  {
    cplhost::SheetHost host;
    watchdog::Install();
    watchdog::Start(0, 0);
    if (!host.Open(hostOptions, &error)) {
      std::fprintf(stderr, "cplhost: %s\n", error.c_str());
      return 1;
    }
    watchdog::Stop();
    for (const cplhost::Step& step : steps) {
      if (!host.IsOpen() && cplhost::NeedsOpenSheet(step.verb)) {
        std::cout << "cplhost: the sheet closed before line " << step.nLine << "; the rest is not played\n";
        break;
      }
      watchdog::Start(step.nLine, step.verb == cplhost::Verb::kWait ? step.n[0] : 0);
      const bool bOk = host.Run(step, &error);
      watchdog::Stop();
      if (!bOk) {
        std::fprintf(stderr, "cplhost: %s\n", error.c_str());
        nExit = 1;
        break;
      }
    }
    if (host.IsOpen()) std::cout << "cplhost: end of script; the user closes the sheet\n";
    watchdog::Start(0, 0);
    host.Shutdown();
    watchdog::Stop();
    if (sim::PendingFileDialogScripts())
      std::cout << "cplhost: " << sim::PendingFileDialogScripts() << " file line(s) found no file dialog\n";
    const std::string reports = options.out + "/reports.csv";
    if (!host.WriteReports(reports)) {
      std::fprintf(stderr, "cplhost: cannot write %s\n", reports.c_str());
      nExit = 1;
    }
  }
  std::cout.flush();
  return nExit;
}

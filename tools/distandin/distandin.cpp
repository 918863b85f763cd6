// distandin: stands in for DirectInput in front of the effect driver module.
//
// It loads the module with LoadLibraryA, registers it (DllRegisterServer,
// when the module has it), gets the class factory through DllGetClassObject
// and the driver through CreateInstance, binds a joystick to a simulated
// controller (vendor 0x7C3A, product 0xA02F) with DeviceID and a simulated HID
// device path, then runs an effect script on the real clock. It prints every
// motor report the device receives with its time since the bind, and writes
// the left and right levels over time as CSV and as an SVG plot.
//
//   distandin [--csv FILE] [--svg FILE] [--machine DIR] MODULE SCRIPT
//
// Script format (one item a line; '#' starts a comment):
//
//   joystick <0..15>                       joystick ID to bind (default 0)
//   settings power=<0..255> cycle=<0..255> auto=<0|1>
//                                          the user's settings record that the
//                                          driver reads when it binds; without
//                                          this line the record is all zero
//   <ms> gain <value>                      SetGain
//   <ms> load <name> <type> [key=value...] DownloadEffect of a new effect
//   <ms> play <name> <type> [key=value...] the same with DIEP_START
//   <ms> update <name> [start] key=value... DownloadEffect of the keys named
//                                          (their DIEP_* flags), DIEP_START
//                                          with "start"
//   <ms> start <name> [count|inf]          StartEffect (count 1 by default)
//   <ms> stop <name>                       StopEffect
//   <ms> destroy <name>                    DestroyEffect
//   <ms> command reset|stopall|pause|continue   SendForceFeedbackCommand
//   <ms> end                               the run ends (default: 500 ms after
//                                          the last step)
//
// <ms> is the time since the bind; steps never go back in time. Settings
// lines come before the first step.
//
// Types: constant ramp square sine triangle sawup sawdown.
// Keys (times in milliseconds; the tool hands DirectInput microseconds):
//   dur=<ms|inf> (default 1000)  delay=<ms>  gain=<0..10000> (default 10000)
//   dir=<0..35999>    polar direction in hundredths of a degree (0 drives the
//                     left motor, 9000 the right); without it the effect has
//                     one Cartesian axis and drives both motors
//   mag=<-10000..10000>  constant: the magnitude; periodic: the magnitude
//                     (0..10000)                         (default 10000)
//   offset=<-10000..10000>  phase=<0..35999>  period=<ms> (default 100): periodic
//   from=<level> to=<level>: ramp (defaults 0 and 10000)
//   attack=<level>/<ms>  fade=<level>/<ms>: the envelope
//
// Time: the run follows the real clock, so report times vary by a
// millisecond or two from run to run.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "effect_script.h"
#include "platform/sim/sim.h"
#include "platform/win32.h"

namespace {

using distandin::Action;
using distandin::EffectParams;
using distandin::Script;
using distandin::Step;

const GUID kClsidFFDriver = {0x5B2E91C7, 0x7C3A, 0xA02F, {0x8E, 0x14, 0x3D, 0x06, 0xB9, 0xF2, 0x7A, 0x40}};
const char kDevicePath[] = "\\\\?\\hid#vid_7c3a&pid_a02f#7&1&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr WORD kVendorId = 0x7C3A;
constexpr WORD kProductId = 0xA02F;

typedef HRESULT(STDAPICALLTYPE* DllGetClassObjectProc)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDAPICALLTYPE* DllVoidProc)(void);

struct Options {
  std::string module;
  std::string script;
  std::string csv;
  std::string svg;
  std::string machine;
};

void Usage() { std::fprintf(stderr, "usage: distandin [--csv FILE] [--svg FILE] [--machine DIR] MODULE SCRIPT\n"); }

bool ParseArgs(int argc, char** argv, Options* pOptions) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* pOut) {
      if (i + 1 >= argc) return false;
      *pOut = argv[++i];
      return true;
    };
    if (arg == "--csv") {
      if (!value(&pOptions->csv)) return false;
    } else if (arg == "--svg") {
      if (!value(&pOptions->svg)) return false;
    } else if (arg == "--machine") {
      if (!value(&pOptions->machine)) return false;
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

// The Windows name of a Linux path ("Z:\..."), as a Windows host would pass it.
std::string WindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string windows = "Z:" + path;
  for (char& c : windows)
    if (c == '/') c = '\\';
  return windows;
}

// Writes the 112-byte settings record where the driver reads it.
void WriteSettings(const Script& script) {
  BYTE record[112] = {};
  auto put = [&](std::size_t offset, DWORD dwValue) { std::memcpy(record + offset, &dwValue, sizeof dwValue); };
  put(96, script.dwTimeCycle);
  put(100, script.dwMotorPower);
  put(104, script.dwAutoMode);
  char szKey[64];
  std::snprintf(szKey, sizeof szKey, "SOFTWARE\\VevOvuRivizud\\%u", static_cast<unsigned>(kProductId & 0xFF));
  HKEY hKey = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, szKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr) !=
      ERROR_SUCCESS) {
    std::fprintf(stderr, "distandin: cannot create HKEY_CURRENT_USER\\%s\n", szKey);
    return;
  }
  RegSetValueExA(hKey, "CurrentValue", 0, REG_BINARY, record, sizeof record);
  RegCloseKey(hKey);
}

// One effect of the script with the DirectInput description built from it.
struct Effect {
  EffectParams params;
  DWORD dwHandle = 0;
  DWORD rgdwAxes[2] = {0, 4};  // X and Y offsets of the joystick state
  LONG rglDirection[2] = {0, 0};
  DIENVELOPE envelope = {};
  DICONSTANTFORCE constant = {};
  DIRAMPFORCE ramp = {};
  DIPERIODIC periodic = {};
  DIEFFECT eff = {};

  // Fills eff from params.
  void Build() {
    eff = DIEFFECT{};
    eff.dwSize = sizeof eff;
    eff.dwFlags = DIEFF_OBJECTOFFSETS | (params.bPolar ? DIEFF_POLAR : DIEFF_CARTESIAN);
    eff.dwDuration = params.dwDurationMs == INFINITE ? INFINITE : params.dwDurationMs * 1000;
    eff.dwSamplePeriod = 0;
    eff.dwGain = params.dwGain;
    eff.dwTriggerButton = 0xFFFFFFFF;  // DIEB_NOTRIGGER
    eff.cAxes = params.bPolar ? 2 : 1;
    rglDirection[0] = params.bPolar ? params.lDirection : 0;
    rglDirection[1] = 0;
    eff.rgdwAxes = rgdwAxes;
    eff.rglDirection = rglDirection;
    envelope.dwSize = sizeof envelope;
    envelope.dwAttackLevel = params.dwAttackLevel;
    envelope.dwAttackTime = params.dwAttackMs * 1000;
    envelope.dwFadeLevel = params.dwFadeLevel;
    envelope.dwFadeTime = params.dwFadeMs * 1000;
    eff.lpEnvelope = params.bEnvelope ? &envelope : nullptr;
    eff.dwStartDelay = params.dwDelayMs * 1000;
    if (params.dwType == 0) {
      constant.lMagnitude = params.lMagnitude;
      eff.cbTypeSpecificParams = sizeof constant;
      eff.lpvTypeSpecificParams = &constant;
    } else if (params.dwType == 1) {
      ramp.lStart = params.lRampFrom;
      ramp.lEnd = params.lRampTo;
      eff.cbTypeSpecificParams = sizeof ramp;
      eff.lpvTypeSpecificParams = &ramp;
    } else {
      periodic.dwMagnitude = static_cast<DWORD>(params.lMagnitude < 0 ? -params.lMagnitude : params.lMagnitude);
      periodic.lOffset = params.lOffset;
      periodic.dwPhase = params.dwPhase;
      periodic.dwPeriod = params.dwPeriodMs * 1000;
      eff.cbTypeSpecificParams = sizeof periodic;
      eff.lpvTypeSpecificParams = &periodic;
    }
  }
};

// DIEP_* flags for the keys an update names.
DWORD UpdateFlags(const std::vector<std::string>& words) {
  DWORD dwFlags = 0;
  for (const std::string& word : words) {
    const std::string key = word.substr(0, word.find('='));
    if (key == "dur") dwFlags |= DIEP_DURATION;
    if (key == "delay") dwFlags |= DIEP_STARTDELAY;
    if (key == "gain") dwFlags |= DIEP_GAIN;
    if (key == "dir") dwFlags |= DIEP_DIRECTION | DIEP_AXES;
    if (key == "attack" || key == "fade") dwFlags |= DIEP_ENVELOPE;
    if (key == "mag" || key == "offset" || key == "phase" || key == "period" || key == "from" || key == "to")
      dwFlags |= DIEP_TYPESPECIFICPARAMS;
  }
  return dwFlags;
}

struct Sample {
  DWORD dwMs;
  BYTE byLeft;
  BYTE byRight;
};

// Prints the reports that arrived since *pcSeen and appends them to samples.
void DrainReports(const sim::HidDevice& device, DWORD dwT0, std::size_t* pcSeen, std::vector<Sample>* pSamples) {
  const std::vector<sim::HidReport> reports = device.Reports();
  for (; *pcSeen < reports.size(); ++*pcSeen) {
    const sim::HidReport& report = reports[*pcSeen];
    const DWORD dwMs = report.dwTick - dwT0;
    std::printf("%7u ms  report", static_cast<unsigned>(dwMs));
    for (BYTE b : report.bytes) std::printf(" %02X", b);
    if (report.bytes.size() == 4) {
      std::printf("   left %2u  right %2u", report.bytes[1], report.bytes[2]);
      pSamples->push_back(Sample{dwMs, report.bytes[1], report.bytes[2]});
    }
    std::printf("\n");
  }
}

bool WriteCsv(const std::string& path, const std::vector<Sample>& samples) {
  std::ofstream out(path);
  if (!out) return false;
  out << "time_ms,left,right\n";
  for (const Sample& s : samples) out << s.dwMs << ',' << unsigned(s.byLeft) << ',' << unsigned(s.byRight) << '\n';
  return static_cast<bool>(out);
}

std::string EscapeXml(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '&')
      escaped += "&amp;";
    else if (c == '<')
      escaped += "&lt;";
    else if (c == '>')
      escaped += "&gt;";
    else
      escaped += c;
  }
  return escaped;
}

// Step plot of both levels (0..31) against time.
bool WriteSvg(const std::string& path, const std::vector<Sample>& samples, DWORD dwEndMs, const std::string& title) {
  std::ofstream out(path);
  if (!out) return false;
  const double kWidth = 900, kHeight = 360, kLeft = 60, kRight = 20, kTop = 40, kBottom = 50;
  const double plotW = kWidth - kLeft - kRight, plotH = kHeight - kTop - kBottom;
  const double dEnd = dwEndMs > 0 ? dwEndMs : 1;
  auto x = [&](double ms) { return kLeft + plotW * (ms < dEnd ? ms : dEnd) / dEnd; };
  auto y = [&](double level) { return kTop + plotH * (1.0 - level / 31.0); };
  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\"" << kHeight
      << "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  out << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  out << "<text x=\"" << kLeft << "\" y=\"22\" font-size=\"14\">" << EscapeXml(title) << "</text>\n";
  for (int level : {0, 8, 16, 24, 31}) {
    out << "<line x1=\"" << kLeft << "\" x2=\"" << kLeft + plotW << "\" y1=\"" << y(level) << "\" y2=\"" << y(level)
        << "\" stroke=\"#ddd\"/>\n";
    out << "<text x=\"" << kLeft - 8 << "\" y=\"" << y(level) + 4 << "\" text-anchor=\"end\">" << level << "</text>\n";
  }
  double dStep = 10;
  for (double candidate : {10.0, 20.0, 50.0, 100.0, 200.0, 250.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 60000.0}) {
    dStep = candidate;
    if (dEnd / candidate <= 12) break;
  }
  for (double ms = 0; ms <= dEnd; ms += dStep) {
    out << "<line x1=\"" << x(ms) << "\" x2=\"" << x(ms) << "\" y1=\"" << kTop + plotH << "\" y2=\"" << kTop + plotH + 5
        << "\" stroke=\"black\"/>\n";
    out << "<text x=\"" << x(ms) << "\" y=\"" << kTop + plotH + 18 << "\" text-anchor=\"middle\">"
        << static_cast<unsigned>(ms) << "</text>\n";
  }
  out << "<rect x=\"" << kLeft << "\" y=\"" << kTop << "\" width=\"" << plotW << "\" height=\"" << plotH
      << "\" fill=\"none\" stroke=\"black\"/>\n";
  out << "<text x=\"" << kLeft + plotW / 2 << "\" y=\"" << kHeight - 12
      << "\" text-anchor=\"middle\">time (ms)</text>\n";
  out << "<text x=\"16\" y=\"" << kTop + plotH / 2 << "\" transform=\"rotate(-90 16 " << kTop + plotH / 2
      << ")\" text-anchor=\"middle\">motor level</text>\n";
  auto series = [&](bool bLeft, const char* colour, const char* dash) {
    std::ostringstream points;
    double level = 0;
    points << x(0) << ',' << y(0);
    for (const Sample& s : samples) {
      points << ' ' << x(s.dwMs) << ',' << y(level);
      level = bLeft ? s.byLeft : s.byRight;
      points << ' ' << x(s.dwMs) << ',' << y(level);
    }
    points << ' ' << x(dEnd) << ',' << y(level);
    out << "<polyline fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"2\" stroke-dasharray=\"" << dash
        << "\" points=\"" << points.str() << "\"/>\n";
  };
  series(true, "#d62728", "none");
  series(false, "#1f77b4", "6,3");
  out << "<text x=\"" << kLeft + plotW - 150 << "\" y=\"" << kTop - 8 << "\" fill=\"#d62728\">left</text>\n";
  out << "<text x=\"" << kLeft + plotW - 80 << "\" y=\"" << kTop - 8 << "\" fill=\"#1f77b4\">right</text>\n";
  out << "</svg>\n";
  return static_cast<bool>(out);
}

// Runs one step against the driver; false for a step naming an unknown effect.
bool RunStep(IDirectInputEffectDriver* pDriver, DWORD dwID, const Step& step, std::map<std::string, Effect>* pEffects) {
  HRESULT hr = S_OK;
  auto find = [&](Effect** ppEffect) {
    auto it = pEffects->find(step.name);
    if (it == pEffects->end()) {
      std::fprintf(stderr, "distandin: line %d: no effect named '%s'\n", step.iLine, step.name.c_str());
      return false;
    }
    *ppEffect = &it->second;
    return true;
  };
  Effect* pEffect = nullptr;
  switch (step.action) {
    case Action::Gain:
      hr = pDriver->SetGain(dwID, step.dwValue);
      std::printf("%7u ms  gain %u -> 0x%08X\n", static_cast<unsigned>(step.dwAtMs),
                  static_cast<unsigned>(step.dwValue), static_cast<unsigned>(hr));
      return true;
    case Action::Load:
    case Action::Play: {
      Effect& effect = (*pEffects)[step.name];
      if (effect.dwHandle != 0) pDriver->DestroyEffect(dwID, effect.dwHandle);
      effect = Effect{};
      effect.params = step.params;
      effect.Build();
      DWORD dwFlags = DIEP_ALLPARAMS | (step.action == Action::Play ? DIEP_START : 0);
      hr = pDriver->DownloadEffect(dwID, effect.params.dwType, &effect.dwHandle, &effect.eff, dwFlags);
      std::printf("%7u ms  %s %s (%s) -> handle %u, 0x%08X\n", static_cast<unsigned>(step.dwAtMs),
                  step.action == Action::Play ? "play" : "load", step.name.c_str(),
                  distandin::TypeName(effect.params.dwType), static_cast<unsigned>(effect.dwHandle),
                  static_cast<unsigned>(hr));
      return true;
    }
    case Action::Update: {
      if (!find(&pEffect)) return false;
      std::string error;
      distandin::ApplyKeys(step.keys, &pEffect->params, nullptr, &error);
      pEffect->Build();
      DWORD dwFlags = UpdateFlags(step.keys) | (step.bRestart ? DIEP_START : 0);
      hr = pDriver->DownloadEffect(dwID, pEffect->params.dwType, &pEffect->dwHandle, &pEffect->eff, dwFlags);
      std::printf("%7u ms  update %s flags 0x%08X -> 0x%08X\n", static_cast<unsigned>(step.dwAtMs), step.name.c_str(),
                  static_cast<unsigned>(dwFlags), static_cast<unsigned>(hr));
      return true;
    }
    case Action::Start:
      if (!find(&pEffect)) return false;
      hr = pDriver->StartEffect(dwID, pEffect->dwHandle, 0, step.dwValue);
      break;
    case Action::Stop:
      if (!find(&pEffect)) return false;
      hr = pDriver->StopEffect(dwID, pEffect->dwHandle);
      break;
    case Action::Destroy:
      if (!find(&pEffect)) return false;
      hr = pDriver->DestroyEffect(dwID, pEffect->dwHandle);
      pEffects->erase(step.name);
      break;
    case Action::Command:
      hr = pDriver->SendForceFeedbackCommand(dwID, step.dwValue);
      std::printf("%7u ms  command 0x%X -> 0x%08X\n", static_cast<unsigned>(step.dwAtMs),
                  static_cast<unsigned>(step.dwValue), static_cast<unsigned>(hr));
      return true;
    case Action::End:
      return true;
  }
  const char* const names[] = {"gain", "load", "play", "update", "start", "stop", "destroy", "command", "end"};
  std::printf("%7u ms  %s %s -> 0x%08X\n", static_cast<unsigned>(step.dwAtMs), names[static_cast<int>(step.action)],
              step.name.c_str(), static_cast<unsigned>(hr));
  return true;
}

int Run(const Options& options) {
  std::ifstream in(options.script);
  if (!in) {
    std::fprintf(stderr, "distandin: cannot read %s\n", options.script.c_str());
    return 2;
  }
  std::stringstream text;
  text << in.rdbuf();
  Script script;
  std::string error;
  if (!distandin::ParseScript(text.str(), &script, &error)) {
    std::fprintf(stderr, "distandin: %s: %s\n", options.script.c_str(), error.c_str());
    return 2;
  }

  if (!options.machine.empty()) sim::SetMachineRoot(options.machine);
  sim::SetJoystick(script.dwJoystick, kVendorId, kProductId);
  std::shared_ptr<sim::HidDevice> device = sim::AddHidDevice(kDevicePath);
  WriteSettings(script);

  const std::string modulePath = WindowsPath(options.module);
  HMODULE hModule = LoadLibraryA(modulePath.c_str());
  if (hModule == nullptr) {
    std::fprintf(stderr, "distandin: LoadLibraryA(%s) failed, error %u\n", modulePath.c_str(),
                 static_cast<unsigned>(GetLastError()));
    return 1;
  }
  auto pfnRegister = reinterpret_cast<DllVoidProc>(GetProcAddress(hModule, "DllRegisterServer"));
  auto pfnGetClassObject = reinterpret_cast<DllGetClassObjectProc>(GetProcAddress(hModule, "DllGetClassObject"));
  auto pfnCanUnloadNow = reinterpret_cast<DllVoidProc>(GetProcAddress(hModule, "DllCanUnloadNow"));
  if (pfnGetClassObject == nullptr || pfnCanUnloadNow == nullptr) {
    std::fprintf(stderr, "distandin: the module lacks DllGetClassObject or DllCanUnloadNow\n");
    FreeLibrary(hModule);
    return 1;
  }
  if (pfnRegister != nullptr)
    std::printf("DllRegisterServer -> 0x%08X\n", static_cast<unsigned>(pfnRegister()));
  else
    std::printf("DllRegisterServer: not exported by this build\n");

  IClassFactory* pFactory = nullptr;
  HRESULT hr = pfnGetClassObject(kClsidFFDriver, IID_IClassFactory, reinterpret_cast<void**>(&pFactory));
  IDirectInputEffectDriver* pDriver = nullptr;
  if (SUCCEEDED(hr)) {
    hr = pFactory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&pDriver));
    pFactory->Release();
  }
  if (FAILED(hr) || pDriver == nullptr) {
    std::fprintf(stderr, "distandin: no effect driver (0x%08X)\n", static_cast<unsigned>(hr));
    FreeLibrary(hModule);
    return 1;
  }

  DIDRIVERVERSIONS versions = {};
  versions.dwSize = sizeof versions;
  pDriver->GetVersions(&versions);
  std::printf("driver versions: firmware %u, hardware %u, driver 0x%X\n",
              static_cast<unsigned>(versions.dwFirmwareRevision), static_cast<unsigned>(versions.dwHardwareRevision),
              static_cast<unsigned>(versions.dwFFDriverVersion));

  std::u16string wszPath(kDevicePath, kDevicePath + std::strlen(kDevicePath));
  DIHIDFFINITINFO init = {};
  init.dwSize = sizeof init;
  init.pwszDeviceInterface = &wszPath[0];
  const DWORD dwT0 = GetTickCount();
  hr = pDriver->DeviceID(0x0700, script.dwJoystick, TRUE, 0, &init);
  std::printf("%7u ms  DeviceID joystick %u -> 0x%08X\n", 0u, static_cast<unsigned>(script.dwJoystick),
              static_cast<unsigned>(hr));

  std::map<std::string, Effect> effects;
  std::vector<Sample> samples;
  std::size_t cSeen = 0;
  bool bOk = SUCCEEDED(hr);
  for (const Step& step : script.steps) {
    if (!bOk) break;
    while (GetTickCount() - dwT0 < step.dwAtMs) {
      DrainReports(*device, dwT0, &cSeen, &samples);
      Sleep(1);
    }
    DrainReports(*device, dwT0, &cSeen, &samples);
    bOk = RunStep(pDriver, script.dwJoystick, step, &effects);
  }
  while (bOk && GetTickCount() - dwT0 < script.dwEndMs) {
    DrainReports(*device, dwT0, &cSeen, &samples);
    Sleep(1);
  }

  // DirectInput's unbind, then its last Release, which stops the playback.
  pDriver->DeviceID(0x0700, script.dwJoystick, FALSE, 0, &init);
  pDriver->Release();
  DrainReports(*device, dwT0, &cSeen, &samples);
  std::printf("DllCanUnloadNow -> 0x%08X\n", static_cast<unsigned>(pfnCanUnloadNow()));
  FreeLibrary(hModule);

  const DWORD dwEnd = GetTickCount() - dwT0;
  if (!options.csv.empty() && !WriteCsv(options.csv, samples)) {
    std::fprintf(stderr, "distandin: cannot write %s\n", options.csv.c_str());
    return 1;
  }
  if (!options.svg.empty() &&
      !WriteSvg(options.svg, samples, dwEnd, options.script.substr(options.script.find_last_of('/') + 1))) {
    std::fprintf(stderr, "distandin: cannot write %s\n", options.svg.c_str());
    return 1;
  }
  std::printf("%zu reports\n", samples.size());
  return bOk ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArgs(argc, argv, &options)) {
    Usage();
    return 2;
  }
  return Run(options);
}

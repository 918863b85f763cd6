// Parser of the stand-in's effect scripts.
#include "effect_script.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace distandin {
namespace {

const char* const kTypeNames[] = {"constant", "ramp", "square", "sine", "triangle", "sawup", "sawdown"};

bool ParseLong(const std::string& text, long lMin, long lMax, long* plValue) {
  if (text.empty()) return false;
  char* pEnd = nullptr;
  errno = 0;
  const long lValue = std::strtol(text.c_str(), &pEnd, 10);
  if (errno != 0 || *pEnd != '\0' || lValue < lMin || lValue > lMax) return false;
  *plValue = lValue;
  return true;
}

bool ParseDword(const std::string& text, DWORD dwMax, DWORD* pdwValue) {
  long lValue = 0;
  if (!ParseLong(text, 0, static_cast<long>(dwMax), &lValue)) return false;
  *pdwValue = static_cast<DWORD>(lValue);
  return true;
}

// "level/ms" of an envelope end.
bool ParseLevelTime(const std::string& text, DWORD* pdwLevel, DWORD* pdwMs) {
  const std::string::size_type slash = text.find('/');
  if (slash == std::string::npos) return false;
  return ParseDword(text.substr(0, slash), 10000, pdwLevel) && ParseDword(text.substr(slash + 1), 3600000, pdwMs);
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

}  // namespace

int TypeIndex(const std::string& name) {
  for (int i = 0; i < static_cast<int>(sizeof kTypeNames / sizeof kTypeNames[0]); ++i)
    if (name == kTypeNames[i]) return i;
  return -1;
}

const char* TypeName(DWORD dwType) {
  return dwType < sizeof kTypeNames / sizeof kTypeNames[0] ? kTypeNames[dwType] : "?";
}

bool ApplyKeys(const std::vector<std::string>& words, EffectParams* pParams, std::vector<std::string>* pKeys,
               std::string* pError) {
  constexpr DWORD kMaxMs = 3600000;  // an hour
  for (const std::string& word : words) {
    const std::string::size_type eq = word.find('=');
    if (eq == std::string::npos) {
      *pError = "expected key=value, got '" + word + "'";
      return false;
    }
    const std::string key = word.substr(0, eq);
    const std::string value = word.substr(eq + 1);
    long lValue = 0;
    bool bOk = true;
    if (key == "dur") {
      if (value == "inf")
        pParams->dwDurationMs = INFINITE;
      else
        bOk = ParseDword(value, kMaxMs, &pParams->dwDurationMs);
    } else if (key == "delay") {
      bOk = ParseDword(value, kMaxMs, &pParams->dwDelayMs);
    } else if (key == "gain") {
      bOk = ParseDword(value, 10000, &pParams->dwGain);
    } else if (key == "dir") {
      bOk = ParseLong(value, 0, 35999, &lValue);
      pParams->bPolar = true;
      pParams->lDirection = static_cast<LONG>(lValue);
    } else if (key == "mag") {
      bOk = ParseLong(value, -10000, 10000, &lValue);
      pParams->lMagnitude = static_cast<LONG>(lValue);
    } else if (key == "offset") {
      bOk = ParseLong(value, -10000, 10000, &lValue);
      pParams->lOffset = static_cast<LONG>(lValue);
    } else if (key == "phase") {
      bOk = ParseDword(value, 35999, &pParams->dwPhase);
    } else if (key == "period") {
      bOk = ParseDword(value, kMaxMs, &pParams->dwPeriodMs) && pParams->dwPeriodMs > 0;
    } else if (key == "from") {
      bOk = ParseLong(value, -10000, 10000, &lValue);
      pParams->lRampFrom = static_cast<LONG>(lValue);
    } else if (key == "to") {
      bOk = ParseLong(value, -10000, 10000, &lValue);
      pParams->lRampTo = static_cast<LONG>(lValue);
    } else if (key == "attack") {
      bOk = ParseLevelTime(value, &pParams->dwAttackLevel, &pParams->dwAttackMs);
      pParams->bEnvelope = true;
    } else if (key == "fade") {
      bOk = ParseLevelTime(value, &pParams->dwFadeLevel, &pParams->dwFadeMs);
      pParams->bEnvelope = true;
    } else {
      *pError = "unknown key '" + key + "'";
      return false;
    }
    if (!bOk) {
      *pError = "bad value in '" + word + "'";
      return false;
    }
    if (pKeys != nullptr) pKeys->push_back(key);
  }
  return true;
}

bool ParseScript(const std::string& text, Script* pScript, std::string* pError) {
  Script script;
  std::istringstream in(text);
  std::string line;
  int iLine = 0;
  bool bEnded = false;
  auto fail = [&](const std::string& message) {
    *pError = "line " + std::to_string(iLine) + ": " + message;
    return false;
  };
  while (std::getline(in, line)) {
    ++iLine;
    const std::string::size_type hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    if (bEnded) return fail("nothing may follow 'end'");

    if (words[0] == "joystick" || words[0] == "settings") {
      if (!script.steps.empty()) return fail("'" + words[0] + "' must come before the first step");
      if (words[0] == "joystick") {
        if (words.size() != 2 || !ParseDword(words[1], 15, &script.dwJoystick)) return fail("joystick <0..15>");
        continue;
      }
      script.bSettings = true;
      for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string::size_type eq = words[i].find('=');
        const std::string key = words[i].substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : words[i].substr(eq + 1);
        bool bOk = false;
        if (key == "power") bOk = ParseDword(value, 255, &script.dwMotorPower);
        if (key == "cycle") bOk = ParseDword(value, 255, &script.dwTimeCycle);
        if (key == "auto") bOk = ParseDword(value, 1, &script.dwAutoMode);
        if (!bOk) return fail("settings power=<0..255> cycle=<0..255> auto=<0|1>, got '" + words[i] + "'");
      }
      continue;
    }

    Step step;
    step.iLine = iLine;
    if (!ParseDword(words[0], 3600000, &step.dwAtMs)) return fail("a step starts with its time in ms");
    if (!script.steps.empty() && step.dwAtMs < script.steps.back().dwAtMs)
      return fail("steps must not go back in time");
    if (words.size() < 2) return fail("missing action");
    const std::string& action = words[1];
    const std::vector<std::string> rest(words.begin() + 2, words.end());

    if (action == "gain") {
      step.action = Action::Gain;
      if (rest.size() != 1 || !ParseDword(rest[0], 0xFFFFFFFFu >> 1, &step.dwValue)) return fail("gain <value>");
    } else if (action == "load" || action == "play") {
      step.action = action == "load" ? Action::Load : Action::Play;
      if (rest.size() < 2) return fail(action + " <name> <type> [key=value ...]");
      step.name = rest[0];
      const int iType = TypeIndex(rest[1]);
      if (iType < 0) return fail("unknown effect type '" + rest[1] + "'");
      step.params.dwType = static_cast<DWORD>(iType);
      std::string error;
      if (!ApplyKeys(std::vector<std::string>(rest.begin() + 2, rest.end()), &step.params, nullptr, &error))
        return fail(error);
    } else if (action == "update") {
      step.action = Action::Update;
      if (rest.size() < 2) return fail("update <name> [start] key=value ...");
      step.name = rest[0];
      std::vector<std::string> keyWords;
      for (std::size_t i = 1; i < rest.size(); ++i) {
        if (rest[i] == "start")
          step.bRestart = true;
        else
          keyWords.push_back(rest[i]);
      }
      // The keys are checked here; their values are applied to the effect's
      // parameters when the step runs.
      EffectParams scratch;
      std::string error;
      if (!ApplyKeys(keyWords, &scratch, nullptr, &error)) return fail(error);
      step.keys = keyWords;
    } else if (action == "start") {
      step.action = Action::Start;
      if (rest.empty() || rest.size() > 2) return fail("start <name> [count|inf]");
      step.name = rest[0];
      step.dwValue = 1;
      if (rest.size() == 2) {
        if (rest[1] == "inf")
          step.dwValue = INFINITE;
        else if (!ParseDword(rest[1], 1000000, &step.dwValue))
          return fail("bad start count");
      }
    } else if (action == "stop" || action == "destroy") {
      step.action = action == "stop" ? Action::Stop : Action::Destroy;
      if (rest.size() != 1) return fail(action + " <name>");
      step.name = rest[0];
    } else if (action == "command") {
      step.action = Action::Command;
      if (rest.size() != 1) return fail("command reset|stopall|pause|continue");
      const std::map<std::string, DWORD> commands = {
          {"reset", DISFFC_RESET}, {"stopall", DISFFC_STOPALL}, {"pause", DISFFC_PAUSE}, {"continue", DISFFC_CONTINUE}};
      auto it = commands.find(rest[0]);
      if (it == commands.end()) return fail("unknown command '" + rest[0] + "'");
      step.dwValue = it->second;
    } else if (action == "end") {
      step.action = Action::End;
      if (!rest.empty()) return fail("'end' takes nothing");
      bEnded = true;
    } else {
      return fail("unknown action '" + action + "'");
    }
    script.steps.push_back(step);
  }
  if (script.steps.empty()) {
    *pError = "the script has no step";
    return false;
  }
  script.dwEndMs = bEnded ? script.steps.back().dwAtMs : script.steps.back().dwAtMs + 500;
  *pScript = script;
  return true;
}

}  // namespace distandin

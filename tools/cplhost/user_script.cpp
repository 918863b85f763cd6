#include "user_script.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace cplhost {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A decimal or 0x-prefixed number that fills the whole word.
bool ParseNumber(const std::string& word, long* pValue) {
  if (word.empty()) return false;
  errno = 0;
  char* pEnd = nullptr;
  const long value = std::strtol(word.c_str(), &pEnd, 0);
  if (errno || !pEnd || *pEnd) return false;
  *pValue = value;
  return true;
}

struct NamedKey {
  const char* pszName;
  UINT vk;
};

const NamedKey kNamedKeys[] = {
    {"back", VK_BACK},       {"backspace", VK_BACK}, {"tab", VK_TAB},          {"enter", VK_RETURN},
    {"return", VK_RETURN},   {"shift", VK_SHIFT},    {"ctrl", VK_CONTROL},     {"control", VK_CONTROL},
    {"alt", VK_MENU},        {"menu", VK_MENU},      {"pause", VK_PAUSE},      {"capslock", VK_CAPITAL},
    {"esc", VK_ESCAPE},      {"escape", VK_ESCAPE},  {"space", VK_SPACE},      {"pgup", VK_PRIOR},
    {"pgdn", VK_NEXT},       {"end", VK_END},        {"home", VK_HOME},        {"left", VK_LEFT},
    {"up", VK_UP},           {"right", VK_RIGHT},    {"down", VK_DOWN},        {"print", VK_PRINT},
    {"snapshot", VK_SNAPSHOT}, {"ins", VK_INSERT},   {"insert", VK_INSERT},    {"del", VK_DELETE},
    {"delete", VK_DELETE},   {"multiply", VK_MULTIPLY}, {"add", VK_ADD},       {"subtract", VK_SUBTRACT},
    {"decimal", VK_DECIMAL}, {"divide", VK_DIVIDE},  {"numlock", VK_NUMLOCK},  {"scroll", VK_SCROLL},
};

bool ParseKeyStroke(const std::string& word, KeyStroke* pStroke, bool* pbBoth) {
  std::string name = word;
  *pbBoth = true;
  pStroke->bDown = true;
  if (name.size() > 1 && (name[0] == '+' || name[0] == '-')) {
    *pbBoth = false;
    pStroke->bDown = name[0] == '+';
    name = name.substr(1);
  }
  pStroke->vk = VirtualKeyOf(name);
  return pStroke->vk != 0;
}

class LineParser {
 public:
  LineParser(int nLine, const std::vector<std::string>& words, std::string* pError)
      : m_nLine(nLine), m_words(words), m_pError(pError) {}

  bool Parse(Step* pStep) {
    const std::string verb = Lower(m_words[0]);
    const size_t nArgs = m_words.size() - 1;
    if (verb == "page") {
      pStep->verb = Verb::kPage;
      return Numbers(pStep, 1, 1) && Range(pStep->n[0], 0, 255, "page");
    }
    if (verb == "click") {
      pStep->verb = Verb::kClick;
      return Numbers(pStep, 2, 2);
    }
    if (verb == "drag") {
      pStep->verb = Verb::kDrag;
      return Numbers(pStep, 4, 4);
    }
    if (verb == "buttons") {
      pStep->verb = Verb::kButtons;
      long mask = 0;
      if (nArgs != 1 || !ParseNumber(m_words[1], &mask) || mask < 0 || mask > 0xFFFFFFFFL)
        return Fail("buttons takes one mask from 0 to 0xFFFFFFFF");
      pStep->dwMask = DWORD(mask);
      return true;
    }
    if (verb == "press" || verb == "release") {
      pStep->verb = verb == "press" ? Verb::kPress : Verb::kRelease;
      return Numbers(pStep, 1, 1) && Range(pStep->n[0], 1, 32, "button");
    }
    if (verb == "stick") {
      pStep->verb = Verb::kStick;
      if (!Numbers(pStep, 2, 4)) return false;
      if (pStep->nCount == 3) return Fail("stick takes 2 or 4 axes");
      for (int i = 0; i < pStep->nCount; ++i)
        if (!Range(pStep->n[i], 0, 65535, "axis")) return false;
      return true;
    }
    if (verb == "pov") {
      pStep->verb = Verb::kPov;
      if (nArgs == 1 && (Lower(m_words[1]) == "center" || Lower(m_words[1]) == "centre" || m_words[1] == "-1")) {
        pStep->dwMask = 0xFFFFFFFF;
        return true;
      }
      if (!Numbers(pStep, 1, 1) || !Range(pStep->n[0], 0, 35999, "pov")) return false;
      pStep->dwMask = DWORD(pStep->n[0]);
      return true;
    }
    if (verb == "wait") {
      pStep->verb = Verb::kWait;
      return Numbers(pStep, 1, 1) && Range(pStep->n[0], 0, 3600000, "wait");
    }
    if (verb == "key") {
      pStep->verb = Verb::kKey;
      if (nArgs != 2) return Fail("key takes a key and down or up");
      pStep->n[0] = long(VirtualKeyOf(m_words[1]));
      const std::string how = Lower(m_words[2]);
      if (!pStep->n[0]) return Fail("unknown key \"" + m_words[1] + "\"");
      if (how != "down" && how != "up") return Fail("key takes down or up, not \"" + m_words[2] + "\"");
      pStep->bFlag = how == "down";
      return true;
    }
    if (verb == "keycapture") {
      pStep->verb = Verb::kKeyCapture;
      if (nArgs < 1) return Fail("keycapture ends with ok or cancel");
      const std::string end = Lower(m_words.back());
      if (end != "ok" && end != "cancel") return Fail("keycapture ends with ok or cancel");
      pStep->bFlag = end == "ok";
      for (size_t i = 1; i + 1 < m_words.size(); ++i) {
        KeyStroke stroke;
        bool bBoth = false;
        if (!ParseKeyStroke(m_words[i], &stroke, &bBoth)) return Fail("unknown key \"" + m_words[i] + "\"");
        pStep->keys.push_back(stroke);
        if (bBoth) pStep->keys.push_back(KeyStroke{stroke.vk, false});
      }
      return true;
    }
    if (verb == "file") {
      pStep->verb = Verb::kFile;
      if (nArgs != 1) return Fail("file takes one path (without spaces) or cancel");
      pStep->bFlag = Lower(m_words[1]) == "cancel";
      pStep->text = m_words[1];
      return true;
    }
    static const struct {
      const char* pszName;
      Verb verb;
    } kBare[] = {{"apply", Verb::kApply}, {"ok", Verb::kOk},         {"cancel", Verb::kCancel},
                 {"close", Verb::kClose}, {"reopen", Verb::kReopen}, {"unplug", Verb::kUnplug},
                 {"plug", Verb::kPlug}};
    for (const auto& bare : kBare) {
      if (verb != bare.pszName) continue;
      pStep->verb = bare.verb;
      return nArgs == 0 || Fail(verb + " takes nothing");
    }
    if (verb == "move") {
      pStep->verb = Verb::kMove;
      return Numbers(pStep, 2, 2);
    }
    if (verb == "png") {
      pStep->verb = Verb::kPng;
      if (nArgs != 1) return Fail("png takes one name");
      for (char c : m_words[1])
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
          return Fail("png names use letters, digits, '-', '_' and '.'");
      pStep->text = m_words[1];
      return true;
    }
    return Fail("unknown action \"" + m_words[0] + "\"");
  }

 private:
  bool Fail(const std::string& text) {
    *m_pError = "line " + std::to_string(m_nLine) + ": " + text;
    return false;
  }

  bool Numbers(Step* pStep, size_t nMin, size_t nMax) {
    const size_t nArgs = m_words.size() - 1;
    if (nArgs < nMin || nArgs > nMax)
      return Fail(m_words[0] + " takes " + std::to_string(nMin) +
                  (nMin == nMax ? "" : " to " + std::to_string(nMax)) + " numbers");
    for (size_t i = 0; i < nArgs; ++i)
      if (!ParseNumber(m_words[i + 1], &pStep->n[i])) return Fail("\"" + m_words[i + 1] + "\" is not a number");
    pStep->nCount = int(nArgs);
    return true;
  }

  bool Range(long value, long lo, long hi, const char* pszWhat) {
    if (value >= lo && value <= hi) return true;
    return Fail(std::string(pszWhat) + " " + std::to_string(value) + " is outside " + std::to_string(lo) + ".." +
                std::to_string(hi));
  }

  int m_nLine;
  const std::vector<std::string>& m_words;
  std::string* m_pError;
};

}  // namespace

bool NeedsOpenSheet(Verb verb) {
  switch (verb) {
    case Verb::kButtons:
    case Verb::kPress:
    case Verb::kRelease:
    case Verb::kStick:
    case Verb::kPov:
    case Verb::kWait:
    case Verb::kKeyCapture:
    case Verb::kFile:
    case Verb::kReopen:
    case Verb::kUnplug:
    case Verb::kPlug:
      return false;
    default:
      return true;
  }
}

UINT VirtualKeyOf(const std::string& rawName) {
  const std::string name = Lower(rawName);
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return UINT(std::toupper(static_cast<unsigned char>(name[0])));
  if (name.size() >= 2 && name[0] == 'f' && std::isdigit(static_cast<unsigned char>(name[1]))) {
    long n = 0;
    if (ParseNumber(name.substr(1), &n) && n >= 1 && n <= 24) return UINT(VK_F1 + n - 1);
  }
  if (name.compare(0, 6, "numpad") == 0 && name.size() == 7 && std::isdigit(static_cast<unsigned char>(name[6])))
    return UINT(VK_NUMPAD0 + (name[6] - '0'));
  for (const NamedKey& key : kNamedKeys)
    if (name == key.pszName) return key.vk;
  long code = 0;
  if (name.compare(0, 2, "0x") == 0 && ParseNumber(name, &code) && code > 0 && code <= 0xFF) return UINT(code);
  return 0;
}

bool ParseScript(std::istream& in, std::vector<Step>* pSteps, std::string* pError) {
  pSteps->clear();
  std::string line;
  int nLine = 0;
  while (std::getline(in, line)) {
    ++nLine;
    const std::string source = line.substr(0, line.find('#'));
    std::istringstream words(source);
    std::vector<std::string> list;
    for (std::string word; words >> word;) list.push_back(word);
    if (list.empty()) continue;
    Step step;
    step.nLine = nLine;
    step.source = source.substr(source.find_first_not_of(" \t"));
    step.source.erase(step.source.find_last_not_of(" \t\r") + 1);
    LineParser parser(nLine, list, pError);
    if (!parser.Parse(&step)) return false;
    pSteps->push_back(step);
  }
  return true;
}

}  // namespace cplhost

// The registry tree, and its text form in the format of the Windows registry
// editor (version 5 files, written as ANSI with CRLF line ends).
#include "posix/advapi32/regtree.h"

#include "posix/internal.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace qjplat::reg {

namespace {

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

const char* const kHiveNames[] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"};
const char kClassesPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes";

}  // namespace

const char kRegHeader[] = "Windows Registry Editor Version 5.00";

int CompareNames(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char ca = static_cast<unsigned char>(UpperChar(a[i]));
    const unsigned char cb = static_cast<unsigned char>(UpperChar(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool NamesEqual(std::string_view a, std::string_view b) { return a.size() == b.size() && CompareNames(a, b) == 0; }

std::string UpperName(std::string_view name) {
  std::string s(name);
  for (char& c : s) c = UpperChar(c);
  return s;
}

// ---------------------------------------------------------------------------
// Nodes

namespace {

std::vector<std::shared_ptr<RegNode>>::const_iterator LowerBound(const std::vector<std::shared_ptr<RegNode>>& v,
                                                                 std::string_view name) {
  return std::lower_bound(v.begin(), v.end(), name, [](const std::shared_ptr<RegNode>& p, std::string_view n) {
    return CompareNames(p->strName, n) < 0;
  });
}

}  // namespace

RegNode* RegNode::FindChild(std::string_view name) const {
  auto it = LowerBound(children, name);
  if (it != children.end() && NamesEqual((*it)->strName, name)) return it->get();
  return nullptr;
}

RegNode* RegNode::AddChild(std::string_view name, bool* pbCreated) {
  auto it = LowerBound(children, name);
  if (it != children.end() && NamesEqual((*it)->strName, name)) {
    *pbCreated = false;
    return it->get();
  }
  auto node = std::make_shared<RegNode>();
  node->strName = std::string(name);
  node->pParent = this;
  node->ftLastWrite = ftLastWrite;
  RegNode* p = node.get();
  children.insert(children.begin() + (it - children.begin()), std::move(node));
  *pbCreated = true;
  return p;
}

bool RegNode::RemoveChild(const RegNode* pChild) {
  for (auto it = children.begin(); it != children.end(); ++it) {
    if (it->get() == pChild) {
      (*it)->pParent = nullptr;
      (*it)->bDeleted = true;
      children.erase(it);
      return true;
    }
  }
  return false;
}

std::shared_ptr<RegNode> RegNode::SharedChild(const RegNode* pChild) const {
  for (const auto& c : children)
    if (c.get() == pChild) return c;
  return nullptr;
}

RegValue* RegNode::FindValue(std::string_view name) {
  for (RegValue& v : values)
    if (NamesEqual(v.strName, name)) return &v;
  return nullptr;
}

bool RegNode::RemoveValue(std::string_view name) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (NamesEqual(it->strName, name)) {
      values.erase(it);
      return true;
    }
  }
  return false;
}

std::string RegNode::Path() const {
  std::vector<const RegNode*> chain;
  for (const RegNode* p = this; p && p->pParent; p = p->pParent) chain.push_back(p);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path += '\\';
    path += (*it)->strName;
  }
  return path;
}

std::shared_ptr<RegNode> NewTree() {
  auto top = std::make_shared<RegNode>();
  EnsureSkeleton(top.get());
  return top;
}

void EnsureSkeleton(RegNode* pTop) {
  bool bCreated = false;
  for (const char* hive : kHiveNames) pTop->AddChild(hive, &bCreated);
  RegNode* pHklm = pTop->FindChild("HKEY_LOCAL_MACHINE");
  pHklm->AddChild("SOFTWARE", &bCreated)->AddChild("Classes", &bCreated);
  // The hives below HKEY_LOCAL_MACHINE that the system's callers write to:
  // no new key can be created directly below it.
  pHklm->AddChild("SYSTEM", &bCreated);
}

bool IsHiveRoot(const RegNode* pNode) {
  return pNode->pParent && !pNode->pParent->pParent &&
         (NamesEqual(pNode->strName, "HKEY_LOCAL_MACHINE") || NamesEqual(pNode->strName, "HKEY_USERS"));
}

bool IsProtectedKey(const RegNode* pNode) {
  if (!pNode->pParent || !pNode->pParent->pParent || IsHiveRoot(pNode->pParent)) return true;
  return NamesEqual(pNode->Path(), kClassesPath);
}

size_t KeyDepth(const RegNode* pNode) {
  size_t n = 0;
  for (const RegNode* p = pNode; p && p->pParent && p->pParent->pParent; p = p->pParent) ++n;
  return n;
}

void DetachTree(RegNode* pTop) {
  std::vector<RegNode*> pending{pTop};
  while (!pending.empty()) {
    RegNode* pNode = pending.back();
    pending.pop_back();
    for (auto& c : pNode->children) pending.push_back(c.get());
    pNode->bDeleted = true;
    pNode->pParent = nullptr;
  }
}

namespace {

// Splits "A\B\C" into its parts; false for an empty part.
bool SplitPath(std::string_view path, std::vector<std::string_view>* pParts) {
  pParts->clear();
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end == start) return false;
    pParts->push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

// The hive part of a path, as the node path it stands for ("" when unknown).
std::string HivePath(std::string_view hive) {
  static const struct {
    const char* pszName;
    const char* pszShort;
    const char* pszPath;
  } kRoots[] = {
      {"HKEY_LOCAL_MACHINE", "HKLM", "HKEY_LOCAL_MACHINE"},
      {"HKEY_CURRENT_USER", "HKCU", "HKEY_CURRENT_USER"},
      {"HKEY_USERS", "HKU", "HKEY_USERS"},
      {"HKEY_CLASSES_ROOT", "HKCR", kClassesPath},
  };
  for (const auto& r : kRoots)
    if (NamesEqual(hive, r.pszName) || NamesEqual(hive, r.pszShort)) return r.pszPath;
  return std::string();
}

RegNode* WalkParts(RegNode* pNode, const std::vector<std::string_view>& parts, size_t first) {
  for (size_t i = first; pNode && i < parts.size(); ++i) pNode = pNode->FindChild(parts[i]);
  return pNode;
}

}  // namespace

RegNode* FindPath(RegNode* pTop, std::string_view path) {
  std::vector<std::string_view> parts;
  if (!SplitPath(path, &parts)) return nullptr;
  const std::string hive = HivePath(parts[0]);
  if (hive.empty()) return nullptr;
  std::vector<std::string_view> hiveParts;
  SplitPath(hive, &hiveParts);
  return WalkParts(WalkParts(pTop, hiveParts, 0), parts, 1);
}

// ---------------------------------------------------------------------------
// Writing

namespace {

// Types whose data the editor's version 5 files hold as UTF-16LE.
bool IsWideType(DWORD dwType) { return dwType == REG_SZ || dwType == REG_EXPAND_SZ || dwType == REG_MULTI_SZ; }

void AppendEscaped(std::string_view s, std::string* pOut) {
  for (char c : s) {
    if (c == '\\' || c == '"') *pOut += '\\';
    *pOut += c;
  }
}

// REG_SZ data that the quoted form holds without loss: one terminating NUL,
// no other NUL and no control characters (which would break the line).
bool IsPlainText(const std::vector<BYTE>& data) {
  if (data.empty() || data.back() != 0) return false;
  for (size_t i = 0; i + 1 < data.size(); ++i)
    if (data[i] < 0x20) return false;
  return true;
}

// Hex bytes as the editor writes them: a line is broken after the comma once
// it is 77 or more characters wide, and continues indented by two spaces.
void AppendHex(const std::vector<BYTE>& bytes, std::string* pLine) {
  static const char kDigits[] = "0123456789abcdef";
  size_t nLineLen = pLine->size();
  for (size_t i = 0; i < bytes.size(); ++i) {
    *pLine += kDigits[bytes[i] >> 4];
    *pLine += kDigits[bytes[i] & 0xF];
    if (i + 1 == bytes.size()) break;
    *pLine += ',';
    nLineLen += 3;
    if (nLineLen >= 77) {
      *pLine += "\\\r\n  ";
      nLineLen = 2;
    }
  }
}

void AppendValue(const RegValue& v, std::string* pOut) {
  std::string line;
  if (v.strName.empty()) {
    line = "@";
  } else {
    line = "\"";
    AppendEscaped(v.strName, &line);
    line += "\"";
  }
  line += '=';
  if (v.dwType == REG_SZ && IsPlainText(v.data)) {
    line += '"';
    AppendEscaped(std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1), &line);
    line += '"';
  } else if (v.dwType == REG_DWORD && v.data.size() == 4) {
    char buf[24];
    const DWORD dw = static_cast<DWORD>(v.data[0]) | (static_cast<DWORD>(v.data[1]) << 8) |
                     (static_cast<DWORD>(v.data[2]) << 16) | (static_cast<DWORD>(v.data[3]) << 24);
    std::snprintf(buf, sizeof buf, "dword:%08x", dw);
    line += buf;
  } else {
    if (v.dwType == REG_BINARY) {
      line += "hex:";
    } else {
      char buf[24];
      std::snprintf(buf, sizeof buf, "hex(%x):", v.dwType);
      line += buf;
    }
    if (IsWideType(v.dwType)) {
      // The layer's strings are ANSI (code page 1252) bytes; each becomes one
      // UTF-16 unit, so the file imports on Windows and reads back unchanged.
      std::vector<BYTE> wide;
      wide.reserve(v.data.size() * 2);
      for (BYTE b : v.data) {
        const WCHAR wch = CodePage1252ToUnicode(b);
        wide.push_back(static_cast<BYTE>(wch & 0xFF));
        wide.push_back(static_cast<BYTE>(wch >> 8));
      }
      AppendHex(wide, &line);
    } else {
      AppendHex(v.data, &line);
    }
  }
  *pOut += line;
  *pOut += "\r\n";
}

void AppendSection(const RegNode& key, const std::string& strPath, std::string* pOut) {
  *pOut += '[';
  *pOut += strPath;
  *pOut += "]\r\n";
  for (const RegValue& v : key.values) AppendValue(v, pOut);
  *pOut += "\r\n";
}

// The key's section (when bSelf) and then every key below it, depth first in
// sorted order. One path string grows and shrinks with the walk.
void AppendSubtree(const RegNode& key, const std::string& strPath, bool bSelf, std::string* pOut) {
  if (bSelf) AppendSection(key, strPath, pOut);
  struct Level {
    const RegNode* pNode;
    size_t iNext;       // the next child to visit
    size_t cchParent;   // the path's length without this key's name
  };
  std::string path = strPath;
  std::vector<Level> stack{{&key, 0, path.size()}};
  while (!stack.empty()) {
    Level& top = stack.back();
    if (top.iNext == top.pNode->children.size()) {
      path.resize(top.cchParent);
      stack.pop_back();
      continue;
    }
    const RegNode& child = *top.pNode->children[top.iNext++];
    const size_t cch = path.size();
    path += '\\';
    path += child.strName;
    AppendSection(child, path, pOut);
    stack.push_back({&child, 0, cch});
  }
}

std::string Header() { return std::string(kRegHeader) + "\r\n\r\n"; }

}  // namespace

std::string FormatRegFile(const RegNode& top) {
  std::string out = Header();
  // A hive needs a section of its own only for values set on it directly.
  for (const auto& hive : top.children) AppendSubtree(*hive, hive->strName, !hive->values.empty(), &out);
  return out;
}

std::string FormatRegExport(const RegNode& key, const std::string& strDisplayPath) {
  std::string out = Header();
  AppendSubtree(key, strDisplayPath, true, &out);
  return out;
}

// ---------------------------------------------------------------------------
// Reading

namespace {

BYTE NarrowUnit(unsigned lo, unsigned hi) {
  const int ch = CodePage1252FromUnicode(static_cast<WCHAR>(lo | (hi << 8)));
  return ch < 0 ? BYTE('?') : static_cast<BYTE>(ch);
}

class RegParser {
 public:
  RegParser(std::string_view text, RegNode* pTop, std::vector<RegParseIssue>* pIssues)
      : m_text(text), m_pTop(pTop), m_pIssues(pIssues) {}

  void Run() {
    std::string line;
    if (!NextLine(&line)) {
      Issue(1, "the file is empty (no header line)");
      return;
    }
    StripBom(&line);
    if (line == kRegHeader) {
      m_bWideStrings = true;
    } else if (line == "REGEDIT4") {
      m_bWideStrings = false;
    } else {
      Issue(m_nLine, "missing header line \"" + std::string(kRegHeader) + "\"");
      ParseLine(line);
    }
    while (NextLine(&line)) ParseLine(line);
  }

 private:
  bool NextLine(std::string* pLine) {
    if (m_pos >= m_text.size()) return false;
    size_t end = m_text.find('\n', m_pos);
    if (end == std::string_view::npos) end = m_text.size();
    *pLine = std::string(m_text.substr(m_pos, end - m_pos));
    if (!pLine->empty() && pLine->back() == '\r') pLine->pop_back();
    m_pos = end + 1;
    ++m_nLine;
    return true;
  }

  static void StripBom(std::string* pLine) {
    if (pLine->compare(0, 3, "\xEF\xBB\xBF") == 0) pLine->erase(0, 3);
  }

  void Issue(int nLine, const std::string& what) { m_pIssues->push_back({nLine, what}); }

  static std::string Trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
  }

  void ParseLine(const std::string& raw) {
    const std::string line = Trimmed(raw);
    if (line.empty() || line[0] == ';') return;
    if (line[0] == '[') {
      ParseSection(line);
    } else if (line[0] == '@' || line[0] == '"') {
      ParseValue(line);
    } else {
      Issue(m_nLine, "unexpected text \"" + line.substr(0, 40) + "\"");
    }
  }

  void ParseSection(const std::string& line) {
    m_pKey = nullptr;
    m_bSkipKey = true;
    if (line.back() != ']') {
      Issue(m_nLine, "key name without closing ']'");
      return;
    }
    std::string path = line.substr(1, line.size() - 2);
    bool bDelete = false;
    if (!path.empty() && path[0] == '-') {
      bDelete = true;
      path.erase(0, 1);
    }
    std::vector<std::string_view> parts;
    if (!SplitPath(path, &parts)) {
      Issue(m_nLine, "empty key name in [" + path + "]");
      return;
    }
    const std::string hive = HivePath(parts[0]);
    if (hive.empty() || parts[0].size() < 5) {  // the short forms are not part of the format
      Issue(m_nLine, "unknown root key \"" + std::string(parts[0]) + "\"");
      return;
    }
    std::vector<std::string_view> hiveParts;
    SplitPath(hive, &hiveParts);
    RegNode* pNode = WalkParts(m_pTop, hiveParts, 0);
    if (bDelete) {
      RegNode* pVictim = WalkParts(pNode, parts, 1);
      if (!pVictim) return;
      // As RegDeleteKeyA, the hives and the home of HKEY_CLASSES_ROOT stay.
      if (IsProtectedKey(pVictim)) {
        Issue(m_nLine, "the key [" + path + "] cannot be deleted");
        return;
      }
      const std::shared_ptr<RegNode> keep = pVictim->pParent->SharedChild(pVictim);
      pVictim->pParent->RemoveChild(pVictim);
      DetachTree(pVictim);
      return;
    }
    if (hiveParts.size() - 1 + parts.size() - 1 > kMaxKeyDepth) {
      Issue(m_nLine, "the key is deeper than " + std::to_string(kMaxKeyDepth) + " levels");
      return;
    }
    bool bCreated = false;
    for (size_t i = 1; i < parts.size(); ++i) pNode = pNode->AddChild(parts[i], &bCreated);
    m_pKey = pNode;
    m_bSkipKey = false;
  }

  // Reads a quoted string at line[*pPos] (the opening quote) with the \\ and \"
  // escapes; false when the closing quote is missing.
  static bool ReadQuoted(const std::string& line, size_t* pPos, std::string* pOut) {
    size_t i = *pPos + 1;
    pOut->clear();
    while (i < line.size()) {
      char c = line[i];
      if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"')) {
        *pOut += line[i + 1];
        i += 2;
      } else if (c == '"') {
        *pPos = i + 1;
        return true;
      } else {
        *pOut += c;
        ++i;
      }
    }
    return false;
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // "aa,bb,..." (spaces allowed); false on anything else.
  static bool ParseHexBytes(const std::string& text, std::vector<BYTE>* pOut) {
    pOut->clear();
    std::string t = Trimmed(text);
    if (t.empty()) return true;
    size_t start = 0;
    while (start <= t.size()) {
      size_t end = t.find(',', start);
      if (end == std::string::npos) end = t.size();
      std::string tok = Trimmed(t.substr(start, end - start));
      if (tok.empty() || tok.size() > 2) return false;
      int v = 0;
      for (char c : tok) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        v = v * 16 + d;
      }
      pOut->push_back(static_cast<BYTE>(v));
      start = end + 1;
    }
    return true;
  }

  // Joins continuation lines (a line that ends in '\') onto a hex value.
  bool JoinContinuations(std::string* pData) {
    while (!pData->empty() && pData->back() == '\\') {
      pData->pop_back();
      std::string next;
      if (!NextLine(&next)) return false;
      *pData += Trimmed(next);
    }
    return true;
  }

  void ParseValue(const std::string& line) {
    const int nFirstLine = m_nLine;
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (!ReadQuoted(line, &pos, &name)) {
      Issue(nFirstLine, "value name without closing quote");
      return;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') {
      Issue(nFirstLine, "missing '=' after value name \"" + name + "\"");
      return;
    }
    std::string data = Trimmed(line.substr(pos + 1));
    RegValue v;
    v.strName = name;
    bool bDelete = false;
    std::string what;
    if (data.compare(0, 3, "hex") == 0 && !JoinContinuations(&data)) {
      Issue(nFirstLine, "value \"" + name + "\" is cut off (the file ends inside its data)");
      return;
    }
    if (!ParseData(data, &v, &bDelete, &what)) {
      Issue(nFirstLine, "value \"" + name + "\": " + what);
      return;
    }
    if (m_bSkipKey) return;  // the section's own line was reported
    if (!m_pKey) {
      Issue(nFirstLine, "value \"" + name + "\" outside of any key section");
      return;
    }
    if (bDelete) {
      m_pKey->RemoveValue(name);
    } else if (RegValue* pOld = m_pKey->FindValue(name)) {
      pOld->dwType = v.dwType;
      pOld->data = std::move(v.data);
    } else {
      m_pKey->values.push_back(std::move(v));
    }
  }

  bool ParseData(const std::string& data, RegValue* pValue, bool* pbDelete, std::string* pWhat) {
    if (data == "-") {
      *pbDelete = true;
      return true;
    }
    if (!data.empty() && data[0] == '"') {
      size_t pos = 0;
      std::string text;
      if (!ReadQuoted(data, &pos, &text)) {
        *pWhat = "text without closing quote";
        return false;
      }
      if (!Trimmed(data.substr(pos)).empty()) {
        *pWhat = "unexpected text after the closing quote";
        return false;
      }
      pValue->dwType = REG_SZ;
      pValue->data.assign(text.begin(), text.end());
      pValue->data.push_back(0);
      return true;
    }
    if (data.compare(0, 6, "dword:") == 0) {
      const std::string digits = data.substr(6);
      if (digits.empty() || digits.size() > 8) {
        *pWhat = "dword needs 1 to 8 hexadecimal digits";
        return false;
      }
      DWORD dw = 0;
      for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) {
          *pWhat = "dword needs 1 to 8 hexadecimal digits";
          return false;
        }
        dw = dw * 16 + static_cast<DWORD>(d);
      }
      pValue->dwType = REG_DWORD;
      pValue->data = {static_cast<BYTE>(dw), static_cast<BYTE>(dw >> 8), static_cast<BYTE>(dw >> 16),
                      static_cast<BYTE>(dw >> 24)};
      return true;
    }
    if (data.compare(0, 3, "hex") == 0) {
      size_t colon = data.find(':');
      if (colon == std::string::npos) {
        *pWhat = "hex data without ':'";
        return false;
      }
      const std::string kind = data.substr(3, colon - 3);
      DWORD dwType = REG_BINARY;
      if (!kind.empty()) {
        if (kind.size() < 3 || kind.front() != '(' || kind.back() != ')' || kind.size() > 10) {
          *pWhat = "bad type \"" + kind + "\"";
          return false;
        }
        dwType = 0;
        for (size_t i = 1; i + 1 < kind.size(); ++i) {
          const int d = HexDigit(kind[i]);
          if (d < 0) {
            *pWhat = "bad type \"" + kind + "\"";
            return false;
          }
          dwType = dwType * 16 + static_cast<DWORD>(d);
        }
      }
      std::vector<BYTE> bytes;
      if (!ParseHexBytes(data.substr(colon + 1), &bytes)) {
        *pWhat = "bad hexadecimal bytes";
        return false;
      }
      if (m_bWideStrings && IsWideType(dwType) && bytes.size() % 2 == 0) {
        // UTF-16LE back to the layer's ANSI bytes; a character that code
        // page 1252 lacks becomes '?', as the A calls give it on Windows.
        std::vector<BYTE> narrow;
        narrow.reserve(bytes.size() / 2);
        for (size_t i = 0; i < bytes.size(); i += 2) narrow.push_back(NarrowUnit(bytes[i], bytes[i + 1]));
        bytes = std::move(narrow);
      }
      pValue->dwType = dwType;
      pValue->data = std::move(bytes);
      return true;
    }
    *pWhat = "unknown data form \"" + data.substr(0, 20) + "\"";
    return false;
  }

  std::string_view m_text;
  size_t m_pos = 0;
  int m_nLine = 0;
  RegNode* m_pTop;
  std::vector<RegParseIssue>* m_pIssues;
  RegNode* m_pKey = nullptr;
  bool m_bSkipKey = false;
  bool m_bWideStrings = true;
};

// A file saved as UTF-16LE (the editor's own export form) read as ANSI bytes.
std::string NarrowUtf16(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 2);
  for (size_t i = 2; i + 1 < text.size(); i += 2) {
    out += static_cast<char>(NarrowUnit(static_cast<unsigned char>(text[i]), static_cast<unsigned char>(text[i + 1])));
  }
  return out;
}

}  // namespace

void ParseRegText(std::string_view text, RegNode* pTop, std::vector<RegParseIssue>* pIssues) {
  EnsureSkeleton(pTop);
  if (text.size() >= 2 && text[0] == '\xFF' && text[1] == '\xFE') {
    const std::string narrow = NarrowUtf16(text);
    RegParser(narrow, pTop, pIssues).Run();
    return;
  }
  RegParser(text, pTop, pIssues).Run();
}

}  // namespace qjplat::reg

// GetPrivateProfileStringA and GetPrivateProfileIntA: INI files read from
// disk on every call, so that a change to the file is seen at once.
#include "posix/internal.h"

#include <strings.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct IniKey {
  std::string name;
  std::string value;
};

struct IniSection {
  std::string name;
  std::vector<IniKey> keys;
};

bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f'; }

std::string Trim(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// A value in matching double or single quotes loses them.
std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

// Lines before the first section and comment lines (";") belong to nothing;
// a line without "=" inside a section is a key without a value.
std::vector<IniSection> ParseIni(const std::string& text) {
  std::vector<IniSection> sections;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == ';') continue;
    if (trimmed[0] == '[') {
      std::string::size_type close = trimmed.find(']');
      sections.push_back(IniSection{Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
      continue;
    }
    if (sections.empty()) continue;
    std::string::size_type eq = trimmed.find('=');
    if (eq == std::string::npos) {
      sections.back().keys.push_back(IniKey{trimmed, std::string()});
    } else {
      sections.back().keys.push_back(IniKey{Trim(trimmed.substr(0, eq)), Unquote(Trim(trimmed.substr(eq + 1)))});
    }
  }
  return sections;
}

// A name without a folder lies in the Windows folder.
bool ReadIniFile(LPCSTR lpFileName, std::string* pText) {
  std::string windowsPath = lpFileName ? lpFileName : "win.ini";
  if (windowsPath.find_first_of("\\/") == std::string::npos && windowsPath.find(':') == std::string::npos)
    windowsPath = "C:\\windows\\" + windowsPath;
  std::string path;
  if (!qjplat::MapWindowsPath(windowsPath.c_str(), &path)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  *pText = text.str();
  return true;
}

// Copies one string, cut to nSize - 1 characters; returns the count copied.
DWORD CopyValue(const std::string& value, LPSTR lpReturnedString, DWORD nSize) {
  size_t cch = value.size() < nSize - 1 ? value.size() : nSize - 1;
  std::memcpy(lpReturnedString, value.data(), cch);
  lpReturnedString[cch] = '\0';
  return static_cast<DWORD>(cch);
}

// Copies names as a list of terminated strings with a final extra
// terminator. A list that does not fit is cut to nSize - 2 characters and
// ends in two terminators; the result is then nSize - 2.
DWORD CopyList(const std::vector<std::string>& names, LPSTR lpReturnedString, DWORD nSize) {
  std::string list;
  for (const std::string& name : names) {
    list += name;
    list += '\0';
  }
  if (nSize == 1) {
    lpReturnedString[0] = '\0';
    return 0;
  }
  if (list.size() + 1 <= nSize) {
    std::memcpy(lpReturnedString, list.data(), list.size());
    lpReturnedString[list.size()] = '\0';
    if (list.empty() && nSize >= 2) lpReturnedString[1] = '\0';
    return list.empty() ? 0 : static_cast<DWORD>(list.size());
  }
  std::memcpy(lpReturnedString, list.data(), nSize - 2);
  lpReturnedString[nSize - 2] = '\0';
  lpReturnedString[nSize - 1] = '\0';
  return nSize - 2;
}

}  // namespace

// The value of the key in the section, trimmed of blanks and of surrounding
// quotes, cut to nSize - 1 characters; the default (trailing blanks removed,
// "" for NULL) when the file, section or key is missing. A NULL section
// lists the section names, a NULL key the section's key names, each ending
// in a terminator and the list in a second one. Names compare without case.
// Returns the number of characters copied without the final terminator.
QJ_PLATFORM_API DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                                      LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
  if (!lpReturnedString || nSize == 0) return 0;
  std::string text;
  bool bRead = ReadIniFile(lpFileName, &text);
  std::vector<IniSection> sections = bRead ? ParseIni(text) : std::vector<IniSection>();
  if (!bRead) SetLastError(ERROR_FILE_NOT_FOUND);

  if (!lpAppName) {
    std::vector<std::string> names;
    for (const IniSection& section : sections) {
      bool bSeen = false;
      for (const std::string& name : names) bSeen = bSeen || strcasecmp(name.c_str(), section.name.c_str()) == 0;
      if (!bSeen) names.push_back(section.name);
    }
    return CopyList(names, lpReturnedString, nSize);
  }
  if (!lpKeyName) {
    std::vector<std::string> names;
    for (const IniSection& section : sections)
      if (strcasecmp(section.name.c_str(), lpAppName) == 0)
        for (const IniKey& key : section.keys) names.push_back(key.name);
    return CopyList(names, lpReturnedString, nSize);
  }
  for (const IniSection& section : sections) {
    if (strcasecmp(section.name.c_str(), lpAppName) != 0) continue;
    for (const IniKey& key : section.keys)
      if (strcasecmp(key.name.c_str(), lpKeyName) == 0) return CopyValue(key.value, lpReturnedString, nSize);
  }
  std::string fallback = lpDefault ? lpDefault : "";
  while (!fallback.empty() && fallback.back() == ' ') fallback.pop_back();
  return CopyValue(fallback, lpReturnedString, nSize);
}

// The value's leading decimal number (with an optional sign; a value that
// does not start with one gives 0), or nDefault when the key is missing or
// empty.
QJ_PLATFORM_API UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault,
                                                  LPCSTR lpFileName) {
  if (!lpAppName || !lpKeyName) return static_cast<UINT>(nDefault);
  char szValue[256];
  DWORD cch = GetPrivateProfileStringA(lpAppName, lpKeyName, "", szValue, sizeof szValue, lpFileName);
  if (cch == 0) return static_cast<UINT>(nDefault);
  const char* p = szValue;
  bool bNegative = false;
  if (*p == '-' || *p == '+') bNegative = *p++ == '-';
  uint32_t value = 0;
  while (*p >= '0' && *p <= '9') value = value * 10u + static_cast<uint32_t>(*p++ - '0');
  return bNegative ? 0u - value : value;
}

// The registry's in-memory tree and its .reg text form (internal to the
// advapi32 piece of the layer).
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qjplat::reg {

// Names of keys and values compare without case, as upper-case ASCII, which
// is also the order in which subkeys are enumerated and written.
int CompareNames(std::string_view a, std::string_view b);
bool NamesEqual(std::string_view a, std::string_view b);
std::string UpperName(std::string_view name);

struct RegValue {
  std::string strName;  // "" is the key's default value
  DWORD dwType = REG_NONE;
  std::vector<BYTE> data;  // exactly the bytes that were set
};

// One key. Children are kept sorted by CompareNames; values keep the order in
// which they were first set. A node that left the tree (deleted, or dropped by
// a reload) has bDeleted set and no parent; handles may still hold it.
struct RegNode {
  std::string strName;
  RegNode* pParent = nullptr;
  std::vector<std::shared_ptr<RegNode>> children;
  std::vector<RegValue> values;
  bool bDeleted = false;
  uint64_t ftLastWrite = 0;  // FILETIME units: 100 ns since 1601

  RegNode* FindChild(std::string_view name) const;
  // Returns the existing child of that name, or a new one (*pbCreated true).
  RegNode* AddChild(std::string_view name, bool* pbCreated);
  bool RemoveChild(const RegNode* pChild);
  std::shared_ptr<RegNode> SharedChild(const RegNode* pChild) const;
  RegValue* FindValue(std::string_view name);
  bool RemoveValue(std::string_view name);
  // The path from the top of the tree: "HKEY_LOCAL_MACHINE\SOFTWARE\...".
  std::string Path() const;
};

// The top of the tree: its children are the hives HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE and HKEY_USERS; HKEY_LOCAL_MACHINE\SOFTWARE\Classes, the
// home of HKEY_CLASSES_ROOT, and HKEY_LOCAL_MACHINE\SYSTEM always exist.
std::shared_ptr<RegNode> NewTree();
void EnsureSkeleton(RegNode* pTop);
// HKEY_LOCAL_MACHINE and HKEY_USERS hold only the machine's hives: no key
// can be created directly below them.
bool IsHiveRoot(const RegNode* pNode);
// The predefined keys, the hives (HKEY_LOCAL_MACHINE\SOFTWARE among them)
// and the home of HKEY_CLASSES_ROOT: the keys that cannot be deleted.
bool IsProtectedKey(const RegNode* pNode);
// Marks every node of a tree that is being dropped as deleted, so handles that
// still hold one of them fail with ERROR_KEY_DELETED. Iterative: a tree of
// any depth is walked in bounded stack (as are the save and the stamp).
void DetachTree(RegNode* pTop);

// A registry tree is at most 512 levels deep below its hive (the published
// limit); deeper keys are refused by the calls and left out of .reg files.
constexpr size_t kMaxKeyDepth = 512;
// The number of names between the hive and pNode (0 for a hive).
size_t KeyDepth(const RegNode* pNode);
// Finds a key by its full path ("HKEY_CLASSES_ROOT\..." maps to
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes; the short forms HKLM, HKCU, HKCR and
// HKU are accepted). Returns NULL when it does not exist.
RegNode* FindPath(RegNode* pTop, std::string_view path);

extern const char kRegHeader[];  // "Windows Registry Editor Version 5.00"

// The whole tree as a .reg file: header, blank line, one section per key in
// sorted order, CRLF line ends.
std::string FormatRegFile(const RegNode& top);
// One key and its subtree, section names starting with strDisplayPath.
std::string FormatRegExport(const RegNode& key, const std::string& strDisplayPath);

struct RegParseIssue {
  int nLine;
  std::string strWhat;
};
// Reads .reg text into a tree (the hives are made first). Lines that cannot be read are skipped
// and listed in *pIssues; everything else is kept.
void ParseRegText(std::string_view text, RegNode* pTop, std::vector<RegParseIssue>* pIssues);

}  // namespace qjplat::reg

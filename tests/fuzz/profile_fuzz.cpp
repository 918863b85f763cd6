// Profile strings and layout entries: any text as Setup.ini, read with
// GetPrivateProfileStringA (section and key lists, short buffers) and with
// PageEngine::ReadLayoutEntry, and every entry's text drawn as the pages draw
// captions (DrawTextA with DT_BOTTOM in the entry's rectangle).
#include "fuzz_support.h"
#include "pageengine.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// The names of a NUL-separated list that GetPrivateProfileStringA returned.
std::vector<std::string> Names(const char* pList, DWORD cch) {
  std::vector<std::string> names;
  for (DWORD i = 0; i < cch;) {
    const std::string name(pList + i);
    if (name.empty()) break;
    names.push_back(name);
    i += DWORD(name.size()) + 1;
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb) {
  fuzz::UseFreshMachine();
  char szSystem[MAX_PATH] = "";
  GetSystemDirectoryA(szSystem, MAX_PATH);
  const std::string folder = std::string(szSystem) + "\\VQ6100";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string ini = folder + "\\Setup.ini";
  if (!fuzz::WriteMachineFile(ini, pData, cb)) return 0;

  static std::vector<char> list(4096);
  const DWORD cchSections = GetPrivateProfileStringA(nullptr, nullptr, "", list.data(), DWORD(list.size()), ini.c_str());
  const std::vector<std::string> sections = Names(list.data(), cchSections);
  HBITMAP hbm = CreateBitmap(200, 120, 1, 32, nullptr);
  HDC hdc = CreateCompatibleDC(nullptr);
  HGDIOBJ hOld = SelectObject(hdc, hbm);
  SetBkMode(hdc, TRANSPARENT);
  for (size_t s = 0; s < sections.size() && s < 16; ++s) {
    const DWORD cchKeys =
        GetPrivateProfileStringA(sections[s].c_str(), nullptr, "", list.data(), DWORD(list.size()), ini.c_str());
    const std::vector<std::string> keys = Names(list.data(), cchKeys);
    for (size_t k = 0; k < keys.size() && k < 32; ++k) {
      // Short buffers: the value cut to fit, always terminated.
      char szShort[5];
      for (DWORD cch : {DWORD(0), DWORD(1), DWORD(2), DWORD(5)})
        GetPrivateProfileStringA(sections[s].c_str(), keys[k].c_str(), "dflt", szShort, cch, ini.c_str());
      RECT rc{0, 0, 0, 0};
      char szText[260] = "";
      if (!g_PageEngine.ReadLayoutEntry(sections[s].c_str(), keys[k].c_str(), &rc, szText)) continue;
      if (std::strlen(szText) >= sizeof szText) std::abort();
      DrawTextA(hdc, szText, int(std::strlen(szText)), &rc, DT_BOTTOM);
    }
  }
  SelectObject(hdc, hOld);
  DeleteDC(hdc);
  DeleteObject(hbm);
  return 0;
}

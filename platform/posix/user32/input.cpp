// The keyboard layout (US), system metrics of the simulated screen and the
// beep.
#include "posix/user32/window.h"

#include <mutex>
#include <unordered_map>

namespace qjplat {
namespace user32 {
namespace {

// Scan codes of set 1 by virtual key, for the keys of a US keyboard.
struct KeyScan {
  BYTE vk;
  BYTE scan;
};
constexpr KeyScan kScanCodes[] = {
    {VK_ESCAPE, 0x01}, {'1', 0x02}, {'2', 0x03}, {'3', 0x04}, {'4', 0x05}, {'5', 0x06}, {'6', 0x07},
    {'7', 0x08}, {'8', 0x09}, {'9', 0x0A}, {'0', 0x0B}, {VK_OEM_MINUS, 0x0C}, {VK_OEM_PLUS, 0x0D},
    {VK_BACK, 0x0E}, {VK_TAB, 0x0F}, {'Q', 0x10}, {'W', 0x11}, {'E', 0x12}, {'R', 0x13}, {'T', 0x14},
    {'Y', 0x15}, {'U', 0x16}, {'I', 0x17}, {'O', 0x18}, {'P', 0x19}, {VK_OEM_4, 0x1A}, {VK_OEM_6, 0x1B},
    {VK_RETURN, 0x1C}, {VK_CONTROL, 0x1D}, {'A', 0x1E}, {'S', 0x1F}, {'D', 0x20}, {'F', 0x21}, {'G', 0x22},
    {'H', 0x23}, {'J', 0x24}, {'K', 0x25}, {'L', 0x26}, {VK_OEM_1, 0x27}, {VK_OEM_7, 0x28}, {VK_OEM_3, 0x29},
    {VK_SHIFT, 0x2A}, {VK_OEM_5, 0x2B}, {'Z', 0x2C}, {'X', 0x2D}, {'C', 0x2E}, {'V', 0x2F}, {'B', 0x30},
    {'N', 0x31}, {'M', 0x32}, {VK_OEM_COMMA, 0x33}, {VK_OEM_PERIOD, 0x34}, {VK_OEM_2, 0x35},
    {VK_MULTIPLY, 0x37}, {VK_MENU, 0x38}, {VK_SPACE, 0x39}, {VK_CAPITAL, 0x3A}, {VK_F1, 0x3B}, {VK_F2, 0x3C},
    {VK_F3, 0x3D}, {VK_F4, 0x3E}, {VK_F5, 0x3F}, {VK_F6, 0x40}, {VK_F7, 0x41}, {VK_F8, 0x42}, {VK_F9, 0x43},
    {VK_F10, 0x44}, {VK_NUMLOCK, 0x45}, {VK_SCROLL, 0x46}, {VK_NUMPAD7, 0x47}, {VK_NUMPAD8, 0x48},
    {VK_NUMPAD9, 0x49}, {VK_SUBTRACT, 0x4A}, {VK_NUMPAD4, 0x4B}, {VK_NUMPAD5, 0x4C}, {VK_NUMPAD6, 0x4D},
    {VK_ADD, 0x4E}, {VK_NUMPAD1, 0x4F}, {VK_NUMPAD2, 0x50}, {VK_NUMPAD3, 0x51}, {VK_NUMPAD0, 0x52},
    {VK_DECIMAL, 0x53}, {VK_F11, 0x57}, {VK_F12, 0x58}, {VK_LSHIFT, 0x2A}, {VK_RSHIFT, 0x36},
    {VK_LCONTROL, 0x1D}, {VK_LMENU, 0x38},
};

UINT CharOf(UINT vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return '0' + (vk - VK_NUMPAD0);
  switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_BACK: return '\b';
    case VK_TAB: return '\t';
    case VK_ESCAPE: return 0x1B;
    case VK_CANCEL: return 0x03;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    case VK_OEM_1: return ';';
    case VK_OEM_PLUS: return '=';
    case VK_OEM_COMMA: return ',';
    case VK_OEM_MINUS: return '-';
    case VK_OEM_PERIOD: return '.';
    case VK_OEM_2: return '/';
    case VK_OEM_3: return '`';
    case VK_OEM_4: return '[';
    case VK_OEM_5: return '\\';
    case VK_OEM_6: return ']';
    case VK_OEM_7: return '\'';
    default: return 0;
  }
}

struct Metrics {
  std::mutex mutex;
  std::unordered_map<int, int> overrides;
};

Metrics& AllMetrics() {
  static Metrics* metrics = new Metrics;
  return *metrics;
}

int DefaultMetric(int nIndex) {
  switch (nIndex) {
    case SM_CXSCREEN: return 1024;
    case SM_CYSCREEN: return 768;
    case SM_CXVSCROLL: return 16;
    case SM_CYHSCROLL: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 19;
    case SM_CXFULLSCREEN: return GetSystemMetrics(SM_CXSCREEN);
    case SM_CYFULLSCREEN: return GetSystemMetrics(SM_CYSCREEN) - GetSystemMetrics(SM_CYCAPTION);
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CMONITORS: return 1;
    default: return 0;
  }
}

}  // namespace

void SetMetricOverride(int nIndex, int nValue) {
  Metrics& metrics = AllMetrics();
  std::lock_guard<std::mutex> lock(metrics.mutex);
  if (nValue < 0)
    metrics.overrides.erase(nIndex);
  else
    metrics.overrides[nIndex] = nValue;
}

}  // namespace user32
}  // namespace qjplat

using namespace qjplat::user32;

// MAPVK_VK_TO_CHAR gives the unshifted character, letters in upper case, 0
// for a key without one; MAPVK_VK_TO_VSC and MAPVK_VSC_TO_VK map set-1 scan
// codes. Unknown map types give 0.
UINT WINAPI MapVirtualKeyA(UINT uCode, UINT uMapType) {
  switch (uMapType) {
    case MAPVK_VK_TO_CHAR:
      return uCode > 0xFF ? 0 : CharOf(uCode);
    case MAPVK_VK_TO_VSC:
      for (const KeyScan& k : kScanCodes)
        if (k.vk == uCode) return k.scan;
      return 0;
    case MAPVK_VSC_TO_VK:
    case MAPVK_VSC_TO_VK_EX:
      for (const KeyScan& k : kScanCodes) {
        if (k.scan != uCode) continue;
        if (uMapType == MAPVK_VSC_TO_VK && k.vk >= VK_LSHIFT && k.vk <= VK_RMENU) continue;
        if (uMapType == MAPVK_VSC_TO_VK_EX && k.vk >= VK_SHIFT && k.vk <= VK_MENU) continue;
        return k.vk;
      }
      return uCode == 0x36 && uMapType == MAPVK_VSC_TO_VK ? VK_SHIFT : 0;
    default:
      return 0;
  }
}

int WINAPI GetSystemMetrics(int nIndex) {
  {
    Metrics& metrics = AllMetrics();
    std::lock_guard<std::mutex> lock(metrics.mutex);
    auto it = metrics.overrides.find(nIndex);
    if (it != metrics.overrides.end()) return it->second;
  }
  return DefaultMetric(nIndex);
}

BOOL WINAPI MessageBeep(UINT uType) {
  (void)uType;
  return TRUE;
}

// Icons and cursors: icon groups of a module's resources and .ico files,
// decoded into a colour image and an AND mask; DrawIconEx.
#include "posix/user32/window.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace qjplat {
namespace user32 {
namespace {

// An icon or cursor: image[y][x] is the XOR colour, mask[y][x] 1 where the
// screen shows through.
struct Icon {
  int cx = 0;
  int cy = 0;
  std::vector<COLORREF> image;
  std::vector<uint8_t> mask;
  bool bShared = false;  // system cursors and icons: never destroyed
};

struct IconTable {
  std::mutex mutex;
  std::unordered_map<HICON, std::shared_ptr<Icon>> icons;
};

IconTable& Icons() {
  static IconTable* table = new IconTable;  // outlives every module's unload
  return *table;
}

HICON AddIcon(std::shared_ptr<Icon> icon) {
  HICON h = reinterpret_cast<HICON>(icon.get());
  IconTable& table = Icons();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.icons[h] = std::move(icon);
  return h;
}

std::shared_ptr<Icon> LookupIcon(HICON h) {
  IconTable& table = Icons();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.icons.find(h);
  return it == table.icons.end() ? nullptr : it->second;
}

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// One icon image as the resource (RT_ICON) or the .ico file keeps it: a
// BITMAPINFOHEADER whose height counts both halves, the palette, the XOR
// image and the 1-bit AND mask, rows bottom-up, each padded to 32 bits.
// 1, 4, 8, 24 and 32 bits per pixel; PNG images are not read.
std::shared_ptr<Icon> DecodeIconImage(const uint8_t* p, size_t cb) {
  if (!p || cb < 40 || Le32(p) < 40 || Le32(p) > cb) return nullptr;
  const int32_t nWidth = int32_t(Le32(p + 4));
  const int32_t nHeight2 = int32_t(Le32(p + 8));
  const uint16_t nBits = Le16(p + 14);
  const uint32_t nClrUsed = Le32(p + 32);
  if (nWidth <= 0 || nWidth > 256 || nHeight2 <= 0 || nHeight2 > 512 || Le32(p + 16) != BI_RGB) return nullptr;
  if (nBits != 1 && nBits != 4 && nBits != 8 && nBits != 24 && nBits != 32) return nullptr;
  const int nHeight = nHeight2 / 2;
  if (nHeight <= 0) return nullptr;
  size_t off = Le32(p);
  size_t nColours = nBits <= 8 ? (nClrUsed ? std::min<size_t>(nClrUsed, size_t(1) << nBits) : size_t(1) << nBits) : 0;
  if ((cb - off) / 4 < nColours) return nullptr;
  std::vector<COLORREF> palette(256, 0);
  for (size_t i = 0; i < nColours; ++i) palette[i] = RGB(p[off + 4 * i + 2], p[off + 4 * i + 1], p[off + 4 * i]);
  off += nColours * 4;
  const size_t cbXorRow = ((size_t(nWidth) * nBits + 31) / 32) * 4;
  const size_t cbAndRow = ((size_t(nWidth) + 31) / 32) * 4;
  if (cb - off < cbXorRow * size_t(nHeight)) return nullptr;
  const bool bHasMask = cb - off - cbXorRow * size_t(nHeight) >= cbAndRow * size_t(nHeight);
  auto icon = std::make_shared<Icon>();
  icon->cx = nWidth;
  icon->cy = nHeight;
  icon->image.assign(size_t(nWidth) * size_t(nHeight), 0);
  icon->mask.assign(size_t(nWidth) * size_t(nHeight), 0);
  for (int row = 0; row < nHeight; ++row) {
    const uint8_t* q = p + off + cbXorRow * size_t(row);
    const uint8_t* m = p + off + cbXorRow * size_t(nHeight) + cbAndRow * size_t(row);
    const int y = nHeight - 1 - row;
    for (int x = 0; x < nWidth; ++x) {
      COLORREF c = 0;
      switch (nBits) {
        case 1: c = palette[(q[x / 8] >> (7 - x % 8)) & 1]; break;
        case 4: c = palette[(x % 2) ? (q[x / 2] & 0x0F) : (q[x / 2] >> 4)]; break;
        case 8: c = palette[q[x]]; break;
        case 24: c = RGB(q[3 * x + 2], q[3 * x + 1], q[3 * x]); break;
        case 32: c = RGB(q[4 * x + 2], q[4 * x + 1], q[4 * x]); break;
      }
      uint8_t bit = bHasMask ? uint8_t((m[x / 8] >> (7 - x % 8)) & 1) : 0;
      // A 32-bit image with alpha and no mask: transparent where alpha is 0.
      if (nBits == 32 && !bHasMask && q[4 * x + 3] == 0) bit = 1;
      icon->image[size_t(y) * size_t(nWidth) + size_t(x)] = c;
      icon->mask[size_t(y) * size_t(nWidth) + size_t(x)] = bit;
    }
  }
  return icon;
}

// The entry of an icon directory (a GRPICONDIR resource or an ICONDIR file
// header) that fits cx x cy best (0 meaning SM_CXICON): the closest size,
// then the most colours.
int BestEntry(const uint8_t* pEntries, int nCount, size_t cbEntry, int cx, int cy) {
  if (cx <= 0) cx = GetSystemMetrics(SM_CXICON);
  if (cy <= 0) cy = GetSystemMetrics(SM_CYICON);
  int nBest = -1;
  long nBestScore = 0;
  for (int i = 0; i < nCount; ++i) {
    const uint8_t* e = pEntries + cbEntry * size_t(i);
    int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    int bits = Le16(e + 6);
    long score = (std::labs(long(w - cx)) + std::labs(long(h - cy))) * 1000 - bits;
    if (nBest < 0 || score < nBestScore) {
      nBest = i;
      nBestScore = score;
    }
  }
  return nBest;
}

std::shared_ptr<Icon> IconFromGroupResource(HMODULE hModule, LPCSTR name, int cx, int cy) {
  const QJ_RESOURCE_ENTRY* pGroup = FindModuleResource(hModule, RT_GROUP_ICON, name, 0x0409, true);
  if (!pGroup || pGroup->cbData < 6) return nullptr;
  const uint8_t* p = pGroup->pbData;
  const int nCount = Le16(p + 4);
  constexpr size_t kEntry = 14;  // GRPICONDIRENTRY
  if (nCount <= 0 || pGroup->cbData < 6 + kEntry * size_t(nCount)) return nullptr;
  const int nBest = BestEntry(p + 6, nCount, kEntry, cx, cy);
  const WORD nId = Le16(p + 6 + kEntry * size_t(nBest) + 12);
  const QJ_RESOURCE_ENTRY* pImage = FindModuleResource(hModule, RT_ICON, MAKEINTRESOURCEA(nId), pGroup->wLanguage, true);
  return pImage ? DecodeIconImage(pImage->pbData, pImage->cbData) : nullptr;
}

std::shared_ptr<Icon> IconFromFile(LPCSTR pszPath, int cx, int cy) {
  HANDLE hFile = CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hFile == INVALID_HANDLE_VALUE) return nullptr;
  DWORD dwHigh = 0;
  DWORD dwSize = GetFileSize(hFile, &dwHigh);
  std::vector<uint8_t> data;
  bool bOk = dwSize != INVALID_FILE_SIZE && dwHigh == 0 && dwSize <= (4u << 20);
  if (bOk) {
    data.resize(dwSize);
    DWORD dwRead = 0;
    bOk = ReadFile(hFile, data.data(), dwSize, &dwRead, nullptr) && dwRead == dwSize;
  }
  CloseHandle(hFile);
  constexpr size_t kEntry = 16;  // ICONDIRENTRY
  if (!bOk || data.size() < 6 || Le16(&data[2]) != 1) return nullptr;
  const int nCount = Le16(&data[4]);
  if (nCount <= 0 || data.size() < 6 + kEntry * size_t(nCount)) return nullptr;
  const int nBest = BestEntry(&data[6], nCount, kEntry, cx, cy);
  const uint8_t* e = &data[6 + kEntry * size_t(nBest)];
  const uint32_t cbImage = Le32(e + 8), offImage = Le32(e + 12);
  if (offImage > data.size() || cbImage > data.size() - offImage) return nullptr;
  return DecodeIconImage(&data[offImage], cbImage);
}

// Nearest-neighbour scaling to cx x cy.
std::shared_ptr<Icon> Scaled(const std::shared_ptr<Icon>& icon, int cx, int cy) {
  if (!icon || ((cx <= 0 || cx == icon->cx) && (cy <= 0 || cy == icon->cy))) return icon;
  if (cx <= 0) cx = icon->cx;
  if (cy <= 0) cy = icon->cy;
  auto scaled = std::make_shared<Icon>();
  scaled->cx = cx;
  scaled->cy = cy;
  scaled->image.resize(size_t(cx) * size_t(cy));
  scaled->mask.resize(size_t(cx) * size_t(cy));
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x) {
      size_t src = size_t(y * icon->cy / cy) * size_t(icon->cx) + size_t(x * icon->cx / cx);
      scaled->image[size_t(y) * size_t(cx) + size_t(x)] = icon->image[src];
      scaled->mask[size_t(y) * size_t(cx) + size_t(x)] = icon->mask[src];
    }
  return scaled;
}

// The shared system cursors and icons: an arrow-like shape is enough, as no
// surface of the layer shows a pointer.
HICON SystemIcon(WORD id) {
  static std::mutex mutex;
  static std::unordered_map<WORD, HICON>* handles = new std::unordered_map<WORD, HICON>;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = handles->find(id);
  if (it != handles->end()) return it->second;
  auto icon = std::make_shared<Icon>();
  icon->cx = icon->cy = 32;
  icon->image.assign(32 * 32, 0);
  icon->mask.assign(32 * 32, 1);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x <= y / 2; ++x) icon->mask[size_t(y) * 32 + size_t(x)] = 0;
  icon->bShared = true;
  HICON h = AddIcon(icon);
  (*handles)[id] = h;
  return h;
}

}  // namespace

HANDLE LoadIconImage(HINSTANCE hInst, LPCSTR name, int cx, int cy, UINT fuLoad) {
  if (!name) return nullptr;
  if ((fuLoad & LR_DEFAULTSIZE) && cx == 0) cx = GetSystemMetrics(SM_CXICON);
  if ((fuLoad & LR_DEFAULTSIZE) && cy == 0) cy = GetSystemMetrics(SM_CYICON);
  std::shared_ptr<Icon> icon;
  if (fuLoad & LR_LOADFROMFILE) {
    if (IS_INTRESOURCE(name)) return nullptr;
    icon = IconFromFile(name, cx, cy);
  } else if (!hInst && IS_INTRESOURCE(name)) {
    return SystemIcon(LOWORD(reinterpret_cast<ULONG_PTR>(name)));
  } else {
    icon = IconFromGroupResource(reinterpret_cast<HMODULE>(hInst), name, cx, cy);
  }
  if (!icon) {
    SetLastError(fuLoad & LR_LOADFROMFILE ? ERROR_FILE_NOT_FOUND : ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  icon = Scaled(icon, cx, cy);
  if (fuLoad & LR_SHARED) {
    auto copy = std::make_shared<Icon>(*icon);
    copy->bShared = true;
    icon = copy;
  }
  return AddIcon(icon);
}

size_t CountIcons() {
  IconTable& table = Icons();
  std::lock_guard<std::mutex> lock(table.mutex);
  return size_t(std::count_if(table.icons.begin(), table.icons.end(),
                              [](const auto& entry) { return !entry.second->bShared; }));
}

}  // namespace user32
}  // namespace qjplat

using namespace qjplat::user32;

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
  return static_cast<HICON>(LoadIconImage(hInstance, lpIconName, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

// The system cursors for a NULL instance; a module's cursors are not kept.
HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
  if (hInstance || !IS_INTRESOURCE(lpCursorName)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return SystemIcon(LOWORD(reinterpret_cast<ULONG_PTR>(lpCursorName)));
}

// FALSE with ERROR_INVALID_CURSOR_HANDLE for a handle that is no icon. A
// shared icon stays (DestroyIcon answers TRUE as Windows does).
BOOL WINAPI DestroyIcon(HICON hIcon) {
  IconTable& table = Icons();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.icons.find(hIcon);
  if (it == table.icons.end()) {
    constexpr DWORD kErrorInvalidCursorHandle = 1402;
    SetLastError(kErrorInvalidCursorHandle);
    return FALSE;
  }
  if (!it->second->bShared) table.icons.erase(it);
  return TRUE;
}

BOOL WINAPI DestroyCursor(HCURSOR hCursor) { return DestroyIcon(hCursor); }

// DI_MASK ANDs the mask onto the target, DI_IMAGE then XORs the image (alone
// it copies the image); cx and cy 0 take the icon's size (or the system
// size with DI_DEFAULTSIZE). Clipped to the DC.
BOOL WINAPI DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT istepIfAniCur,
                       HBRUSH hbrFlickerFreeDraw, UINT diFlags) {
  (void)istepIfAniCur;
  auto found = LookupIcon(hIcon);
  if (!found) {
    SetLastError(1402);
    return FALSE;
  }
  if (diFlags & DI_DEFAULTSIZE) {
    if (!cxWidth) cxWidth = GetSystemMetrics(SM_CXICON);
    if (!cyWidth) cyWidth = GetSystemMetrics(SM_CYICON);
  }
  auto icon = Scaled(found, cxWidth, cyWidth);
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  auto dc = qjplat::gdi::LookupDc(hdc);
  if (!dc || !dc->m_target) return FALSE;
  if (!(diFlags & (DI_MASK | DI_IMAGE))) return TRUE;
  const RECT rcDraw = dc->DrawableRect();
  qjplat::gdi::Bitmap& target = *dc->m_target;
  COLORREF brush = 0xFFFFFF;
  bool bFlicker = false;
  if (hbrFlickerFreeDraw) {
    if (auto br = qjplat::gdi::LookupAs<qjplat::gdi::Brush>(hbrFlickerFreeDraw)) {
      brush = br->m_color;
      bFlicker = !br->m_bNull;
    }
  }
  for (int y = 0; y < icon->cy; ++y) {
    const int ty = yTop + y;
    if (ty < rcDraw.top || ty >= rcDraw.bottom) continue;
    for (int x = 0; x < icon->cx; ++x) {
      const int tx = xLeft + x;
      if (tx < rcDraw.left || tx >= rcDraw.right || !dc->Visible(tx, ty)) continue;
      const size_t i = size_t(y) * size_t(icon->cx) + size_t(x);
      uint32_t& px = target.At(tx, ty);
      COLORREF d = bFlicker ? brush : target.IsMono() ? (px ? 0xFFFFFF : 0) : px;
      if (diFlags & DI_MASK) d = icon->mask[i] ? d : 0;
      if (diFlags & DI_IMAGE) d = (diFlags & DI_MASK) ? (d ^ icon->image[i]) : icon->image[i];
      px = target.IsMono() ? qjplat::gdi::ColourToMono(d) : (d & 0xFFFFFF);
    }
  }
  return TRUE;
}

BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
  return DrawIconEx(hDC, X, Y, hIcon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

// Copies of the two images as new bitmaps that the caller deletes.
BOOL WINAPI GetIconInfo(HICON hIcon, PICONINFO piconinfo) {
  auto icon = LookupIcon(hIcon);
  if (!icon || !piconinfo) {
    SetLastError(1402);
    return FALSE;
  }
  std::lock_guard<std::recursive_mutex> lock(qjplat::gdi::Lock());
  auto colour = qjplat::gdi::NewBitmap(icon->cx, icon->cy, 32);
  auto mask = qjplat::gdi::NewBitmap(icon->cx, icon->cy, 1);
  if (!colour || !mask) return FALSE;
  for (int y = 0; y < icon->cy; ++y)
    for (int x = 0; x < icon->cx; ++x) {
      colour->At(x, y) = icon->image[size_t(y) * size_t(icon->cx) + size_t(x)];
      mask->At(x, y) = icon->mask[size_t(y) * size_t(icon->cx) + size_t(x)];
    }
  piconinfo->fIcon = TRUE;
  piconinfo->xHotspot = DWORD(icon->cx / 2);
  piconinfo->yHotspot = DWORD(icon->cy / 2);
  piconinfo->hbmColor = static_cast<HBITMAP>(qjplat::gdi::Register(colour));
  piconinfo->hbmMask = static_cast<HBITMAP>(qjplat::gdi::Register(mask));
  return TRUE;
}

// The layer shows no pointer; the cursor is only remembered.
HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
  static std::atomic<HCURSOR> s_hCurrent{nullptr};
  return s_hCurrent.exchange(hCursor);
}

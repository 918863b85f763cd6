// BMP files: decoding from memory, LoadImageA with LR_LOADFROMFILE and
// LoadBitmapA (resources are not available yet and load as NULL).
//
// Accepted: an info header of 40 bytes or one of its longer versions, 1, 4, 8,
// 24 and 32 bits per pixel uncompressed, 32 bits with bit-field masks,
// bottom-up and top-down rows. Every size is checked against the file before
// anything is read, so a truncated or lying file fails as a whole.
#include "posix/gdi32/gdi.h"
#include "posix/user32/window.h"

#include <climits>
#include <cstring>

using namespace qjplat::gdi;

namespace {

constexpr size_t kFileHeader = 14;
constexpr DWORD kMaxFileBytes = 256u << 20;

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) ++bits;
  }
  uint32_t Get(uint32_t px) const {
    if (!bits) return 0;
    uint32_t v = (px & mask) >> shift;
    uint32_t vmax = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
    return uint32_t((uint64_t(v) * 255 + vmax / 2) / vmax);
  }
};

QJ_PIXEL_LOOP void DecodeRow24(const uint8_t* p, uint32_t* pOut, int nWidth) {
  PixelsRead(p, size_t(nWidth) * 3);
  PixelsWritten(pOut, size_t(nWidth) * sizeof *pOut);
  for (int x = 0; x < nWidth; ++x, p += 3) pOut[x] = RGB(p[2], p[1], p[0]);
}

}  // namespace

namespace qjplat {
namespace gdi {

std::shared_ptr<Bitmap> DecodeBmp(const uint8_t* pData, size_t cbData) {
  if (!pData || cbData < kFileHeader + 40) return nullptr;
  if (pData[0] != 'B' || pData[1] != 'M') return nullptr;
  const uint32_t dwOffBits = Le32(pData + 10);
  const uint8_t* pInfo = pData + kFileHeader;
  const uint32_t biSize = Le32(pInfo);
  if (biSize < 40 || biSize > cbData - kFileHeader) return nullptr;
  const int32_t biWidth = int32_t(Le32(pInfo + 4));
  const int32_t biHeight = int32_t(Le32(pInfo + 8));
  const uint16_t biPlanes = Le16(pInfo + 12);
  const uint16_t biBitCount = Le16(pInfo + 14);
  const uint32_t biCompression = Le32(pInfo + 16);
  const uint32_t biClrUsed = Le32(pInfo + 32);
  if (biPlanes != 1 || biWidth <= 0 || biHeight == 0 || biHeight == INT32_MIN) return nullptr;
  const bool bTopDown = biHeight < 0;
  const int64_t nWidth = biWidth;
  const int64_t nHeight = bTopDown ? -int64_t(biHeight) : int64_t(biHeight);
  if (nWidth > kMaxBitmapSide || nHeight > kMaxBitmapSide || nWidth * nHeight > kMaxBitmapPixels) return nullptr;

  size_t cbHeaders = kFileHeader + biSize;
  uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
  switch (biBitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
      if (biCompression != BI_RGB) return nullptr;
      break;
    case 32:
      if (biCompression == BI_BITFIELDS) {
        // The three masks follow a 40-byte header and sit inside longer ones.
        if (biSize == 40) {
          if (cbData < cbHeaders + 12) return nullptr;
          for (int i = 0; i < 3; ++i) masks[i] = Le32(pData + cbHeaders + 4 * i);
          cbHeaders += 12;
        } else {
          if (biSize < 52) return nullptr;
          for (int i = 0; i < 3; ++i) masks[i] = Le32(pInfo + 40 + 4 * i);
        }
      } else if (biCompression != BI_RGB) {
        return nullptr;
      }
      break;
    default:
      return nullptr;
  }

  // Palette of RGBQUADs for up to 8 bits per pixel.
  COLORREF palette[256];
  std::memset(palette, 0, sizeof palette);
  size_t nColours = 0;
  if (biBitCount <= 8) {
    const size_t nMax = size_t(1) << biBitCount;
    nColours = biClrUsed ? biClrUsed : nMax;
    if (nColours > nMax) nColours = nMax;
    if (cbData < cbHeaders || (cbData - cbHeaders) / 4 < nColours) return nullptr;
    for (size_t i = 0; i < nColours; ++i) {
      const uint8_t* q = pData + cbHeaders + 4 * i;
      palette[i] = RGB(q[2], q[1], q[0]);
    }
  }

  const uint64_t cbStride = ((uint64_t(nWidth) * biBitCount + 31) / 32) * 4;
  if (dwOffBits < kFileHeader + 40 || dwOffBits > cbData) return nullptr;
  if (cbStride * uint64_t(nHeight) > uint64_t(cbData - dwOffBits)) return nullptr;

  // A two-colour image of exactly black and white is a monochrome bitmap.
  const bool bMono = biBitCount == 1 && nColours == 2 && palette[0] == 0x000000 && palette[1] == 0xFFFFFF;
  auto bitmap = NewBitmap(int(nWidth), int(nHeight), bMono ? 1 : 32);
  if (!bitmap) return nullptr;
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
  for (int64_t row = 0; row < nHeight; ++row) {
    const uint8_t* p = pData + dwOffBits + size_t(cbStride * uint64_t(row));
    const int y = int(bTopDown ? row : nHeight - 1 - row);
    uint32_t* pOut = bitmap->Row(y);
    if (biBitCount == 24) {  // the skins' format
      DecodeRow24(p, pOut, int(nWidth));
      continue;
    }
    for (int x = 0; x < int(nWidth); ++x) {
      uint32_t v = 0;
      switch (biBitCount) {
        case 1: {
          uint32_t index = (p[x / 8] >> (7 - x % 8)) & 1;
          v = bMono ? index : (index < nColours ? palette[index] : 0);
          break;
        }
        case 4: {
          uint32_t index = (x % 2) ? (p[x / 2] & 0x0F) : (p[x / 2] >> 4);
          v = index < nColours ? palette[index] : 0;
          break;
        }
        case 8: {
          uint32_t index = p[x];
          v = index < nColours ? palette[index] : 0;
          break;
        }
        case 24: {
          const uint8_t* q = p + size_t(x) * 3;
          v = RGB(q[2], q[1], q[0]);
          break;
        }
        case 32: {
          uint32_t px = Le32(p + size_t(x) * 4);
          v = RGB(red.Get(px), green.Get(px), blue.Get(px));
          break;
        }
      }
      pOut[x] = v;
    }
  }
  return bitmap;
}

}  // namespace gdi
}  // namespace qjplat

namespace {

// The whole file through the layer's own file API, so that Windows paths map
// as everywhere else; false for a missing file or one beyond kMaxFileBytes.
bool ReadWholeFile(LPCSTR pszPath, std::vector<uint8_t>* pData) {
  HANDLE hFile = CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
  if (hFile == INVALID_HANDLE_VALUE) return false;
  DWORD dwHigh = 0;
  DWORD dwSize = GetFileSize(hFile, &dwHigh);
  bool bOk = dwSize != INVALID_FILE_SIZE && dwHigh == 0 && dwSize <= kMaxFileBytes;
  if (bOk) {
    pData->resize(dwSize);
    DWORD dwRead = 0;
    bOk = dwSize == 0 || (ReadFile(hFile, pData->data(), dwSize, &dwRead, nullptr) && dwRead == dwSize);
  }
  CloseHandle(hFile);
  return bOk;
}

}  // namespace

HANDLE WINAPI LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad) {
  // Icons and cursors belong to user32.
  if (type == IMAGE_ICON || type == IMAGE_CURSOR) return qjplat::user32::LoadIconImage(hInst, name, cx, cy, fuLoad);
  if (type != IMAGE_BITMAP || !name) return nullptr;
  if (!(fuLoad & LR_LOADFROMFILE)) return LoadBitmapA(hInst, name);
  if (IS_INTRESOURCE(name)) return nullptr;
  std::vector<uint8_t> data;
  if (!ReadWholeFile(name, &data)) return nullptr;
  auto bitmap = DecodeBmp(data.data(), data.size());
  if (!bitmap) return nullptr;
  if ((fuLoad & LR_MONOCHROME) && !bitmap->IsMono()) {
    auto mono = NewBitmap(bitmap->Width(), bitmap->Height(), 1);
    for (int y = 0; y < bitmap->Height(); ++y)
      for (int x = 0; x < bitmap->Width(); ++x) mono->At(x, y) = ColourToMono(bitmap->At(x, y));
    bitmap = mono;
  }
  return Register(bitmap);
}

HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName) {
  constexpr DWORD kErrorResourceNameNotFound = 1814;
  SetLastError(kErrorResourceNameNotFound);
  return nullptr;
}

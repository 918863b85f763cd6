// BMP files as the skin controls load them: LoadImageA with LR_LOADFROMFILE
// (also with LR_MONOCHROME), GetObjectA, and the blits of keyed drawing onto
// colour and monochrome targets.
#include "fuzz_support.h"

#include <cstdlib>

namespace {

void Blit(HBITMAP hbm, const BITMAP& bm, int nBitsTarget) {
  HDC hdcImage = CreateCompatibleDC(nullptr);
  HDC hdcTarget = CreateCompatibleDC(nullptr);
  HBITMAP hbmTarget = CreateBitmap(64, 48, 1, nBitsTarget, nullptr);
  HGDIOBJ hOldImage = SelectObject(hdcImage, hbm);
  HGDIOBJ hOldTarget = SelectObject(hdcTarget, hbmTarget);
  SetBkColor(hdcImage, 0xFFFFFF);
  for (DWORD rop : {SRCCOPY, SRCAND, SRCPAINT, NOTSRCCOPY, DWORD(0x00B8074A)})
    BitBlt(hdcTarget, -3, 5, bm.bmWidth, bm.bmHeight, hdcImage, 1, -2, rop);
  SelectObject(hdcTarget, hOldTarget);
  SelectObject(hdcImage, hOldImage);
  DeleteObject(hbmTarget);
  DeleteDC(hdcTarget);
  DeleteDC(hdcImage);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cb) {
  fuzz::UseFreshMachine();
  const char kPath[] = "C:\\windows\\temp\\fuzz.bmp";
  if (!fuzz::WriteMachineFile(kPath, pData, cb)) return 0;
  for (UINT fuLoad : {UINT(LR_LOADFROMFILE), UINT(LR_LOADFROMFILE | LR_MONOCHROME)}) {
    HBITMAP hbm = static_cast<HBITMAP>(LoadImageA(nullptr, kPath, IMAGE_BITMAP, 0, 0, fuLoad));
    if (!hbm) continue;
    BITMAP bm{};
    if (GetObjectA(hbm, sizeof bm, &bm) != sizeof bm || bm.bmWidth <= 0 || bm.bmHeight <= 0) std::abort();
    Blit(hbm, bm, 32);
    Blit(hbm, bm, 1);
    DeleteObject(hbm);
  }
  return 0;
}

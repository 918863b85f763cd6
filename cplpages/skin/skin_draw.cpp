// Keyed drawing and the helpers every skin control shares.
#include "skin.h"

#include <cstring>

void DrawTransparent(HDC hdcDest, HBITMAP hbmImage, int x, int y, int cx, int cy, int xSrc, int ySrc,
                     COLORREF crTransparent) {
  if (!hbmImage) return;

  HDC hdcImage = CreateCompatibleDC(hdcDest);
  HGDIOBJ hOldImage = SelectObject(hdcImage, hbmImage);

  BITMAP bm;
  std::memset(&bm, 0, sizeof bm);
  GetObjectA(hbmImage, sizeof bm, &bm);
  POINT ptSize = {bm.bmWidth, bm.bmHeight};
  DPtoLP(hdcImage, &ptSize, 1);
  const int w = ptSize.x;
  const int h = ptSize.y;

  HDC hdcInvMask = CreateCompatibleDC(hdcDest);
  HDC hdcMask = CreateCompatibleDC(hdcDest);
  HDC hdcWork = CreateCompatibleDC(hdcDest);
  HDC hdcSave = CreateCompatibleDC(hdcDest);
  HBITMAP hbmInvMask = CreateBitmap(w, h, 1, 1, nullptr);
  HBITMAP hbmMask = CreateBitmap(w, h, 1, 1, nullptr);
  HBITMAP hbmWork = CreateCompatibleBitmap(hdcDest, w, h);
  HBITMAP hbmSave = CreateCompatibleBitmap(hdcDest, w, h);
  HGDIOBJ hOldInvMask = SelectObject(hdcInvMask, hbmInvMask);
  HGDIOBJ hOldMask = SelectObject(hdcMask, hbmMask);
  HGDIOBJ hOldWork = SelectObject(hdcWork, hbmWork);
  HGDIOBJ hOldSave = SelectObject(hdcSave, hbmSave);

  SetMapMode(hdcImage, GetMapMode(hdcDest));

  // Keep the image, so that it can be restored after it is blackened below.
  BitBlt(hdcSave, 0, 0, w, h, hdcImage, 0, 0, SRCCOPY);

  // Mask bit 1 where the image shows the transparent colour.
  COLORREF crOldBk = SetBkColor(hdcImage, crTransparent);
  BitBlt(hdcMask, 0, 0, w, h, hdcImage, 0, 0, SRCCOPY);
  SetBkColor(hdcImage, crOldBk);
  BitBlt(hdcInvMask, 0, 0, w, h, hdcMask, 0, 0, NOTSRCCOPY);

  // The page under the image, black under its opaque pixels, with the
  // image's opaque pixels laid over it.
  BitBlt(hdcWork, 0, 0, w, h, hdcDest, x, y, SRCCOPY);
  BitBlt(hdcWork, 0, 0, w, h, hdcMask, xSrc, ySrc, SRCAND);
  BitBlt(hdcImage, 0, 0, w, h, hdcInvMask, 0, 0, SRCAND);
  BitBlt(hdcWork, 0, 0, w, h, hdcImage, xSrc, ySrc, SRCPAINT);
  BitBlt(hdcDest, x, y, cx, cy, hdcWork, 0, 0, SRCCOPY);

  BitBlt(hdcImage, 0, 0, w, h, hdcSave, 0, 0, SRCCOPY);

  SelectObject(hdcInvMask, hOldInvMask);
  SelectObject(hdcMask, hOldMask);
  SelectObject(hdcWork, hOldWork);
  SelectObject(hdcSave, hOldSave);
  DeleteObject(hbmInvMask);
  DeleteObject(hbmMask);
  DeleteObject(hbmWork);
  DeleteObject(hbmSave);
  SelectObject(hdcImage, hOldImage);
  DeleteDC(hdcImage);
  DeleteDC(hdcInvMask);
  DeleteDC(hdcMask);
  DeleteDC(hdcWork);
  DeleteDC(hdcSave);
}

HBITMAP LoadSkinFile(const char* pszPath) {
  if (!pszPath) return nullptr;
  return static_cast<HBITMAP>(LoadImageA(nullptr, pszPath, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

HBITMAP LoadSkinBitmap(HINSTANCE hInstance, const char* pszName) {
  if (!pszName) return nullptr;
  if (hInstance) return LoadBitmapA(hInstance, pszName);
  return LoadSkinFile(pszName);
}

void CopySkinCaption(char (&szCaption)[kSkinCaptionSize], const char* pszText) {
  if (!pszText) return;
  size_t cch = std::strlen(pszText);
  if (cch > kSkinCaptionSize - 1) cch = kSkinCaptionSize - 1;
  std::memmove(szCaption, pszText, cch);
  szCaption[cch] = '\0';
}

void DrawSkinCaption(HDC hdc, const char* pszCaption, const RECT& rcText) {
  if (!pszCaption[0]) return;
  RECT rc = rcText;
  DrawTextA(hdc, pszCaption, int(std::strlen(pszCaption)), &rc, DT_BOTTOM);
}

void FreeSkinBitmap(HBITMAP hbm) {
  if (hbm) DeleteObject(hbm);
}

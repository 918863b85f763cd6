// Images: the opaque page background, an opaque part of a full-page image,
// and the movable white-keyed image.
#include "skin.h"

namespace {

// Copies cx x cy pixels of hbm from (xSrc, ySrc) to (x, y) of hdc, opaque.
void CopyOpaque(HDC hdc, HBITMAP hbm, int x, int y, int cx, int cy, int xSrc, int ySrc) {
  if (!hbm) return;
  HDC hdcMem = CreateCompatibleDC(nullptr);
  HGDIOBJ hOld = SelectObject(hdcMem, hbm);
  BitBlt(hdc, x, y, cx, cy, hdcMem, xSrc, ySrc, SRCCOPY);
  SelectObject(hdcMem, hOld);
  DeleteDC(hdcMem);
}

int Width(const RECT& rc) { return rc.right - rc.left; }
int Height(const RECT& rc) { return rc.bottom - rc.top; }

}  // namespace

SkinBackground::SkinBackground(HINSTANCE hInstance, const char* pszImage, int nLeft, int nTop, int nRight,
                               int nBottom)
    : m_rcBounds{nLeft, nTop, nRight, nBottom},
      m_hbmImage(LoadSkinBitmap(hInstance, pszImage)),
      m_nOffsetX(0),
      m_nOffsetY(0) {}

SkinBackground::~SkinBackground() { FreeSkinBitmap(m_hbmImage); }

void SkinBackground::Paint(HDC hdc) {
  CopyOpaque(hdc, m_hbmImage, m_rcBounds.left + m_nOffsetX, m_rcBounds.top + m_nOffsetY, Width(m_rcBounds),
             Height(m_rcBounds), 0, 0);
}

DWORD SkinBackground::GetState() { return 0; }

void SkinBackground::SetState(HWND hWnd, DWORD) { InvalidateRect(hWnd, &m_rcBounds, TRUE); }

DWORD SkinBackground::GetTag() { return 0; }

void SkinBackground::SetTag(HWND, DWORD) {}

void SkinBackground::MoveTo(HWND, int x, int y, bool) {
  m_nOffsetX = x;
  m_nOffsetY = y;
}

void SkinBackground::GetRect(RECT* prc) {
  if (prc) *prc = m_rcBounds;
}

bool SkinBackground::HitTest(int, int) { return false; }

void SkinBackground::Invalidate(HWND hWnd, bool) {
  RECT rc = m_rcBounds;
  OffsetRect(&rc, m_nOffsetX, m_nOffsetY);
  InvalidateRect(hWnd, &rc, TRUE);
}

void SkinBackground::SetText(const char*) {}

SkinBackgroundPart::SkinBackgroundPart(HINSTANCE hInstance, const char* pszImage, int nLeft, int nTop, int nRight,
                                       int nBottom, int nPartLeft, int nPartTop, int nPartRight, int nPartBottom)
    : m_rcBounds{nLeft, nTop, nRight, nBottom},
      m_rcPart{nPartLeft, nPartTop, nPartRight, nPartBottom},
      m_hbmImage(LoadSkinBitmap(hInstance, pszImage)),
      m_nOffsetX(0),
      m_nOffsetY(0) {}

SkinBackgroundPart::~SkinBackgroundPart() { FreeSkinBitmap(m_hbmImage); }

void SkinBackgroundPart::Paint(HDC hdc) {
  CopyOpaque(hdc, m_hbmImage, m_rcPart.left + m_nOffsetX, m_rcPart.top + m_nOffsetY, Width(m_rcPart),
             Height(m_rcPart), m_rcPart.left, m_rcPart.top);
}

DWORD SkinBackgroundPart::GetState() { return 0; }

void SkinBackgroundPart::SetState(HWND hWnd, DWORD) { InvalidateRect(hWnd, &m_rcBounds, TRUE); }

DWORD SkinBackgroundPart::GetTag() { return 0; }

void SkinBackgroundPart::SetTag(HWND, DWORD) {}

void SkinBackgroundPart::MoveTo(HWND, int x, int y, bool) {
  m_nOffsetX = x;
  m_nOffsetY = y;
}

void SkinBackgroundPart::GetRect(RECT* prc) {
  if (prc) *prc = m_rcBounds;
}

bool SkinBackgroundPart::HitTest(int, int) { return false; }

void SkinBackgroundPart::Invalidate(HWND hWnd, bool) { InvalidateRect(hWnd, &m_rcPart, TRUE); }

void SkinBackgroundPart::SetText(const char*) {}

SkinImage::SkinImage(HINSTANCE hInstance, const char* pszImage, int nLeft, int nTop, int nRight, int nBottom)
    : m_rcBounds{nLeft, nTop, nRight, nBottom},
      m_hbmImage(pszImage ? static_cast<HBITMAP>(
                                LoadImageA(hInstance, pszImage, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE))
                          : nullptr),
      m_nState(0),
      m_nOffsetX(0),
      m_nOffsetY(0) {}

SkinImage::~SkinImage() { FreeSkinBitmap(m_hbmImage); }

void SkinImage::Paint(HDC hdc) {
  DrawTransparent(hdc, m_hbmImage, m_rcBounds.left + m_nOffsetX, m_rcBounds.top + m_nOffsetY, Width(m_rcBounds),
                  Height(m_rcBounds), 0, 0, kSkinWhiteKey);
}

DWORD SkinImage::GetState() { return m_nState; }

void SkinImage::SetState(HWND hWnd, DWORD dwState) {
  m_nState = dwState;
  InvalidateRect(hWnd, &m_rcBounds, TRUE);
}

DWORD SkinImage::GetTag() { return 0; }

void SkinImage::SetTag(HWND, DWORD) {}

void SkinImage::MoveTo(HWND hWnd, int x, int y, bool bRedraw) {
  if (bRedraw) Invalidate(hWnd, false);
  m_nOffsetX = x;
  m_nOffsetY = y;
  if (bRedraw) Invalidate(hWnd, false);
}

void SkinImage::GetRect(RECT* prc) {
  if (!prc) return;
  *prc = m_rcBounds;
  OffsetRect(prc, m_nOffsetX, m_nOffsetY);
}

bool SkinImage::HitTest(int x, int y) {
  return m_rcBounds.left + m_nOffsetX <= x && x < m_rcBounds.right + m_nOffsetX && m_rcBounds.top + m_nOffsetY <= y &&
         y < m_rcBounds.bottom + m_nOffsetY;
}

void SkinImage::Invalidate(HWND hWnd, bool) {
  RECT rc = m_rcBounds;
  OffsetRect(&rc, m_nOffsetX, m_nOffsetY);
  InvalidateRect(hWnd, &rc, TRUE);
}

void SkinImage::SetText(const char*) {}

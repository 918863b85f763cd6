// The stick-position cursor: a square keyed image placed by a two-axis
// position inside its range; its repaints never leave the range.
#include "skin.h"

#include <algorithm>

namespace {

constexpr int kCentreByte = 127;

}  // namespace

SkinCursor::SkinCursor(HWND hWnd, const char* pszImage, int nRangeLeft, int nRangeTop, int nRangeRight,
                       int nRangeBottom, int nCentreX, int nCentreY, int nSize, int nTextLeft, int nTextTop,
                       int nTextRight, int nTextBottom, const char* pszCaption, BYTE bRepaintText, BYTE bBlackKey)
    : m_hbmImage(nullptr),
      m_rcRange{nRangeLeft, nRangeTop, nRangeRight, nRangeBottom},
      m_nSize(nSize),
      m_nX(0),
      m_nY(0),
      m_nCentreX(nCentreX),
      m_nCentreY(nCentreY),
      m_rcText{nTextLeft, nTextTop, nTextRight, nTextBottom},
      m_szCaption{},
      m_bRepaintText(bRepaintText),
      m_bBlackKey(bBlackKey) {
  CopySkinCaption(m_szCaption, pszCaption);
  m_hbmImage = LoadSkinFile(pszImage);
  Invalidate(hWnd, true);
}

SkinCursor::~SkinCursor() { FreeSkinBitmap(m_hbmImage); }

void SkinCursor::ImageBox(int* px, int* py, int* pnSide) const {
  const int nX = m_nCentreX + (m_rcRange.right - m_rcRange.left) * m_nX / 255;
  const int nY = m_nCentreY + (m_rcRange.bottom - m_rcRange.top) * m_nY / 255;
  const int nHalf = m_nSize / 2;
  *px = nX - nHalf;
  *py = nY - nHalf;
  *pnSide = 2 * nHalf;
}

void SkinCursor::Paint(HDC hdc) {
  int x, y, nSide;
  ImageBox(&x, &y, &nSide);
  DrawTransparent(hdc, m_hbmImage, x, y, nSide, nSide, 0, 0, m_bBlackKey == 1 ? kSkinBlackKey : kSkinWhiteKey);
  DrawSkinCaption(hdc, m_szCaption, m_rcText);
}

DWORD SkinCursor::GetState() { return (DWORD(m_nX + kCentreByte) << 16) + (DWORD(m_nY + kCentreByte) & 0xFFFF); }

void SkinCursor::SetState(HWND hWnd, DWORD dwState) {
  Invalidate(hWnd, false);
  m_nX = int(dwState >> 16) - kCentreByte;
  m_nY = int(dwState & 0xFFFF) - kCentreByte;
  Invalidate(hWnd, false);
}

DWORD SkinCursor::GetTag() { return 0; }

void SkinCursor::SetTag(HWND, DWORD) {}

// Always repaints the old and the new place, whatever bRedraw says.
void SkinCursor::MoveTo(HWND hWnd, int x, int y, bool) {
  Invalidate(hWnd, false);
  m_nX = x - kCentreByte;
  m_nY = y - kCentreByte;
  Invalidate(hWnd, false);
}

void SkinCursor::GetRect(RECT* prc) {
  if (!prc) return;
  int x, y, nSide;
  ImageBox(&x, &y, &nSide);
  *prc = RECT{x - 1, y - 1, x + nSide + 1, y + nSide + 1};
}

bool SkinCursor::HitTest(int, int) { return false; }

void SkinCursor::Invalidate(HWND hWnd, bool bWithText) {
  RECT rc;
  GetRect(&rc);
  rc.left = std::max(rc.left, m_rcRange.left);
  rc.top = std::max(rc.top, m_rcRange.top);
  rc.right = std::min(rc.right, m_rcRange.right);
  rc.bottom = std::min(rc.bottom, m_rcRange.bottom);
  InvalidateRect(hWnd, &rc, TRUE);
  if ((m_bRepaintText == 1 && m_szCaption[0]) || bWithText) InvalidateRect(hWnd, &m_rcText, TRUE);
}

void SkinCursor::SetText(const char* pszText) { CopySkinCaption(m_szCaption, pszText); }

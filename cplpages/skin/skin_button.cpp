// Two-image buttons, with a caption shown while pressed (SkinButton) or
// always (SkinLabelButton).
#include "skin.h"

#include <algorithm>
#include <cstring>

namespace {

// Estimated width of one caption character, for the caption's repaint.
constexpr int kCaptionCharWidth = 10;

}  // namespace

SkinButton::SkinButton(HINSTANCE hInstance, const char* pszNormal, const char* pszPressed, int nLeft, int nTop,
                       int nRight, int nBottom, int nTextLeft, int nTextTop, int nTextRight, int nTextBottom,
                       const char* pszCaption, HWND hWnd, int nState, BYTE bRepaintText)
    : m_rcBounds{nLeft, nTop, nRight, nBottom},
      m_hbmNormal(nullptr),
      m_hbmPressed(nullptr),
      m_nState(nState),
      m_nTag(0),
      m_nOffsetX(0),
      m_nOffsetY(0),
      m_rcText{nTextLeft, nTextTop, nTextRight, nTextBottom},
      m_szCaption{},
      m_bRepaintText(bRepaintText) {
  CopySkinCaption(m_szCaption, pszCaption);
  m_hbmNormal = LoadSkinBitmap(hInstance, pszNormal);
  m_hbmPressed = LoadSkinBitmap(hInstance, pszPressed);
  InvalidateRect(hWnd, &m_rcBounds, TRUE);
}

SkinButton::~SkinButton() {
  FreeSkinBitmap(m_hbmNormal);
  FreeSkinBitmap(m_hbmPressed);
}

void SkinButton::PaintImage(HDC hdc) {
  HBITMAP hbm = m_nState == 0 ? m_hbmNormal : m_hbmPressed;
  DrawTransparent(hdc, hbm, m_rcBounds.left + m_nOffsetX, m_rcBounds.top + m_nOffsetY,
                  m_rcBounds.right - m_rcBounds.left, m_rcBounds.bottom - m_rcBounds.top, 0, 0, kSkinWhiteKey);
}

void SkinButton::PaintCaption(HDC hdc) { DrawSkinCaption(hdc, m_szCaption, m_rcText); }

void SkinButton::Paint(HDC hdc) {
  PaintImage(hdc);
  if (m_nState != 0) PaintCaption(hdc);
}

void SkinLabelButton::Paint(HDC hdc) {
  PaintImage(hdc);
  PaintCaption(hdc);
}

DWORD SkinButton::GetState() { return DWORD(m_nState); }

// Repaints the unmoved rectangle without erasing; the caption, when it is
// repainted, over an estimate of its width.
void SkinButton::SetState(HWND hWnd, DWORD dwState) {
  const int nState = int(dwState);
  if (nState == m_nState) return;
  InvalidateRect(hWnd, &m_rcBounds, FALSE);
  m_nState = nState;
  if (m_bRepaintText == 1 && m_szCaption[0]) {
    RECT rc = m_rcText;
    const LONG lEstimate = m_rcText.left + kCaptionCharWidth * LONG(std::strlen(m_szCaption));
    rc.right = std::min(lEstimate, m_rcText.right);
    InvalidateRect(hWnd, &rc, TRUE);
  }
}

DWORD SkinButton::GetTag() { return DWORD(m_nTag); }

void SkinButton::SetTag(HWND, DWORD dwTag) { m_nTag = int(dwTag); }

void SkinButton::MoveTo(HWND hWnd, int x, int y, bool bRedraw) {
  if (bRedraw) Invalidate(hWnd, false);
  m_nOffsetX = x;
  m_nOffsetY = y;
  if (bRedraw) Invalidate(hWnd, false);
}

void SkinButton::GetRect(RECT* prc) {
  if (prc) *prc = m_rcBounds;
}

bool SkinButton::HitTest(int x, int y) {
  return m_rcBounds.left + m_nOffsetX <= x && x < m_rcBounds.right + m_nOffsetX && m_rcBounds.top + m_nOffsetY <= y &&
         y < m_rcBounds.bottom + m_nOffsetY;
}

void SkinButton::Invalidate(HWND hWnd, bool) {
  RECT rc = m_rcBounds;
  OffsetRect(&rc, m_nOffsetX, m_nOffsetY);
  InvalidateRect(hWnd, &rc, TRUE);
  if (m_bRepaintText == 1 && m_szCaption[0]) InvalidateRect(hWnd, &m_rcText, TRUE);
}

void SkinButton::SetText(const char* pszText) { CopySkinCaption(m_szCaption, pszText); }

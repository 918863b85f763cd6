// Sliders: a track image with a fill image shown in place over the part that
// the horizontal and vertical values fill.
#include "skin.h"

namespace {

// Axis bars repaint only their middle band on a horizontal change.
constexpr int kNarrowTop = 26;
constexpr int kNarrowBottom = 20;

DWORD High(DWORD dwState) { return dwState >> 16; }
DWORD Low(DWORD dwState) { return dwState & 0xFFFF; }

}  // namespace

SkinSlider::SkinSlider(HWND hWnd, const char* pszTrack, const char* pszFill, int nLeft, int nTop, int nRight,
                       int nBottom, int nTextLeft, int nTextTop, int nTextRight, int nTextBottom,
                       const char* pszCaption, int nFillStart, int nFillEndMargin, BYTE bNarrowRepaint,
                       BYTE bRepaintText)
    : m_rcBounds{nLeft, nTop, nRight, nBottom},
      m_hbmTrack(nullptr),
      m_hbmFill(nullptr),
      m_nState(0),
      m_rcText{nTextLeft, nTextTop, nTextRight, nTextBottom},
      m_szCaption{},
      m_bRepaintText(bRepaintText),
      m_nFillStart(nFillStart),
      m_nFillEndMargin(nFillEndMargin),
      m_bNarrowRepaint(bNarrowRepaint) {
  CopySkinCaption(m_szCaption, pszCaption);
  m_hbmTrack = LoadSkinFile(pszTrack);
  m_hbmFill = LoadSkinFile(pszFill);
  Invalidate(hWnd, false);
}

SkinSlider::~SkinSlider() {
  FreeSkinBitmap(m_hbmTrack);
  FreeSkinBitmap(m_hbmFill);
}

void SkinSlider::Paint(HDC hdc) {
  const DWORD h = High(m_nState);
  const DWORD v = Low(m_nState);
  const int nWidth = m_rcBounds.right - m_rcBounds.left;
  const int nHeight = m_rcBounds.bottom - m_rcBounds.top;
  const int nFillRight =
      h != 0 ? int(m_rcBounds.left + m_nFillStart + DWORD(nWidth - m_nFillEndMargin) * h / 255) : m_rcBounds.right;
  const int nFillTop = v != 0 ? int(m_rcBounds.bottom - DWORD(nHeight) * v / 255) : m_rcBounds.top;
  DrawTransparent(hdc, m_hbmTrack, m_rcBounds.left, m_rcBounds.top, nWidth, nHeight, 0, 0, kSkinWhiteKey);
  if (h != 0 || v != 0)
    DrawTransparent(hdc, m_hbmFill, m_rcBounds.left, nFillTop, nFillRight - m_rcBounds.left,
                    m_rcBounds.bottom - nFillTop, 0, nFillTop - m_rcBounds.top, kSkinWhiteKey);
  DrawSkinCaption(hdc, m_szCaption, m_rcText);
}

DWORD SkinSlider::GetState() { return m_nState; }

// Invalidates only the strip between the old and the new fill edge, without
// erasing; an unchanged state invalidates nothing.
void SkinSlider::SetState(HWND hWnd, DWORD dwState) {
  RECT rc = m_rcBounds;
  bool bChanged = true;
  const int nWidth = m_rcBounds.right - m_rcBounds.left;
  const int nHeight = m_rcBounds.bottom - m_rcBounds.top;
  const DWORD hOld = High(m_nState), hNew = High(dwState);
  if (hOld != hNew) {
    const DWORD lo = hOld < hNew ? hOld : hNew;
    const DWORD hi = hOld < hNew ? hNew : hOld;
    const DWORD span = DWORD(nWidth - m_nFillEndMargin);
    const int a = int(span * lo / 255);
    rc.left = m_rcBounds.left + m_nFillStart + (a > 0 ? a - 1 : 0);
    rc.right = LONG(m_rcBounds.left + m_nFillStart + int(span * hi / 255) + 1);
    if (m_bNarrowRepaint == 1) {
      rc.top = m_rcBounds.top + kNarrowTop;
      rc.bottom = m_rcBounds.bottom - kNarrowBottom;
    }
  } else {
    bChanged = false;
  }
  const DWORD vOld = Low(m_nState), vNew = Low(dwState);
  if (vOld != vNew) {
    const DWORD lo = vOld < vNew ? vOld : vNew;
    const DWORD hi = vOld < vNew ? vNew : vOld;
    rc.top = LONG(m_rcBounds.bottom - int(DWORD(nHeight) * hi / 255));
    rc.bottom = LONG(m_rcBounds.bottom - int(DWORD(nHeight) * lo / 255) + 1);
    bChanged = true;
  }
  m_nState = dwState;
  if (!bChanged) return;
  InvalidateRect(hWnd, &rc, FALSE);
  if (m_bRepaintText == 1 && m_szCaption[0]) InvalidateRect(hWnd, &m_rcText, FALSE);
}

DWORD SkinSlider::GetTag() { return 0; }

void SkinSlider::SetTag(HWND, DWORD) {}

void SkinSlider::MoveTo(HWND, int, int, bool) {}

void SkinSlider::GetRect(RECT* prc) {
  if (prc) *prc = m_rcBounds;
}

bool SkinSlider::HitTest(int x, int y) {
  return m_rcBounds.left <= x && x < m_rcBounds.right && m_rcBounds.top <= y && y < m_rcBounds.bottom;
}

void SkinSlider::Invalidate(HWND hWnd, bool) {
  InvalidateRect(hWnd, &m_rcBounds, FALSE);
  InvalidateRect(hWnd, &m_rcText, FALSE);
}

void SkinSlider::SetText(const char* pszText) { CopySkinCaption(m_szCaption, pszText); }

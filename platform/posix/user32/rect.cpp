// Rectangle helpers. Every rectangle excludes its right and bottom edge.
#include "platform/win32.h"

#include <algorithm>

BOOL WINAPI SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom) {
  if (!lprc) return FALSE;
  *lprc = RECT{xLeft, yTop, xRight, yBottom};
  return TRUE;
}

BOOL WINAPI SetRectEmpty(LPRECT lprc) { return SetRect(lprc, 0, 0, 0, 0); }

BOOL WINAPI IsRectEmpty(const RECT* lprc) {
  return (!lprc || lprc->right <= lprc->left || lprc->bottom <= lprc->top) ? TRUE : FALSE;
}

BOOL WINAPI IntersectRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2) {
  if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
  RECT rc{std::max(lprcSrc1->left, lprcSrc2->left), std::max(lprcSrc1->top, lprcSrc2->top),
          std::min(lprcSrc1->right, lprcSrc2->right), std::min(lprcSrc1->bottom, lprcSrc2->bottom)};
  if (IsRectEmpty(&rc)) {
    SetRectEmpty(lprcDst);
    return FALSE;
  }
  *lprcDst = rc;
  return TRUE;
}

BOOL WINAPI UnionRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2) {
  if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
  const bool bEmpty1 = IsRectEmpty(lprcSrc1), bEmpty2 = IsRectEmpty(lprcSrc2);
  if (bEmpty1 && bEmpty2) {
    SetRectEmpty(lprcDst);
    return FALSE;
  }
  if (bEmpty1) {
    *lprcDst = *lprcSrc2;
  } else if (bEmpty2) {
    *lprcDst = *lprcSrc1;
  } else {
    *lprcDst = RECT{std::min(lprcSrc1->left, lprcSrc2->left), std::min(lprcSrc1->top, lprcSrc2->top),
                    std::max(lprcSrc1->right, lprcSrc2->right), std::max(lprcSrc1->bottom, lprcSrc2->bottom)};
  }
  return TRUE;
}

BOOL WINAPI OffsetRect(LPRECT lprc, int dx, int dy) {
  if (!lprc) return FALSE;
  lprc->left += dx;
  lprc->right += dx;
  lprc->top += dy;
  lprc->bottom += dy;
  return TRUE;
}

BOOL WINAPI PtInRect(const RECT* lprc, POINT pt) {
  if (!lprc) return FALSE;
  return (pt.x >= lprc->left && pt.x < lprc->right && pt.y >= lprc->top && pt.y < lprc->bottom) ? TRUE : FALSE;
}

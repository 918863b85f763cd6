// The point-of-view hat: the state picks one of eight direction images.
#include "skin.h"

namespace {

// Point-of-view values (hundredths of a degree clockwise from up) of the
// eight directions, in image order.
constexpr DWORD kDirectionStates[SkinHat::kDirections] = {0, 4500, 9000, 13500, 18000, 22500, 27000, 31500};

}  // namespace

SkinHat::SkinHat(HINSTANCE hInstance, const char* const apszImage[kDirections], const RECT arcDirection[kDirections],
                 DWORD dwState)
    : m_rcDirection{}, m_hbmDirection{}, m_nState(dwState), m_nOffsetX(0), m_nOffsetY(0) {
  for (int i = 0; i < kDirections; ++i) {
    m_rcDirection[i] = arcDirection[i];
    m_hbmDirection[i] = LoadSkinBitmap(hInstance, apszImage ? apszImage[i] : nullptr);
  }
}

SkinHat::~SkinHat() {
  for (HBITMAP hbm : m_hbmDirection) FreeSkinBitmap(hbm);
}

int SkinHat::DirectionOf(DWORD dwState) {
  for (int i = 0; i < kDirections; ++i)
    if (kDirectionStates[i] == dwState) return i;
  return -1;
}

void SkinHat::Paint(HDC hdc) {
  const int k = DirectionOf(m_nState);
  if (k < 0 || !m_hbmDirection[k]) return;
  const RECT& rc = m_rcDirection[k];
  DrawTransparent(hdc, m_hbmDirection[k], rc.left + m_nOffsetX, rc.top + m_nOffsetY, rc.right - rc.left,
                  rc.bottom - rc.top, 0, 0, kSkinWhiteKey);
}

DWORD SkinHat::GetState() { return m_nState; }

// Repaints the new and the old direction's rectangle (unmoved), erasing.
void SkinHat::SetState(HWND hWnd, DWORD dwState) {
  if (dwState == m_nState) return;
  const int kNew = DirectionOf(dwState);
  if (kNew >= 0) InvalidateRect(hWnd, &m_rcDirection[kNew], TRUE);
  const int kOld = DirectionOf(m_nState);
  if (kOld >= 0) InvalidateRect(hWnd, &m_rcDirection[kOld], TRUE);
  m_nState = dwState;
}

DWORD SkinHat::GetTag() { return 0; }

void SkinHat::SetTag(HWND, DWORD) {}

void SkinHat::MoveTo(HWND, int x, int y, bool) {
  m_nOffsetX = x;
  m_nOffsetY = y;
}

void SkinHat::GetRect(RECT* prc) {
  if (prc) *prc = RECT{0, 0, 0, 0};
}

bool SkinHat::HitTest(int, int) { return false; }

void SkinHat::Invalidate(HWND, bool) {}

void SkinHat::SetText(const char*) {}

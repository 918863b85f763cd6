// Skin controls: the bitmap-drawn elements of the property pages.
//
// Every control knows its rectangle in the page window's client area, paints
// itself only when asked (from WM_PAINT), hit-tests half-open rectangles and
// invalidates in the page window what a change of state or place makes
// stale. Each control owns the bitmaps it loaded and deletes them in its
// destructor; a bitmap that failed to load is null and is not drawn.
#pragma once

#include "platform/win32.h"

// Caption buffers hold 31 characters and the terminator; longer text is cut.
constexpr int kSkinCaptionSize = 32;

// The transparent colours of keyed images.
constexpr COLORREF kSkinWhiteKey = 0xFFFFFF;
constexpr COLORREF kSkinBlackKey = 0x000000;

// Draws cx x cy pixels of hbmImage, from (xSrc, ySrc) of it, at (x, y) of
// hdcDest, letting every pixel of exactly crTransparent show the destination.
// The masks are built over the image's whole size; the image bitmap is
// changed during the call and restored before it returns, so one image must
// not be drawn by two threads at once. A null image draws nothing.
void DrawTransparent(HDC hdcDest, HBITMAP hbmImage, int x, int y, int cx, int cy, int xSrc, int ySrc,
                     COLORREF crTransparent);

class SkinControl {
 public:
  SkinControl() = default;
  SkinControl(const SkinControl&) = delete;
  SkinControl& operator=(const SkinControl&) = delete;

  virtual ~SkinControl() = default;
  // Draws the control at its current place into the page's DC.
  virtual void Paint(HDC hdc) = 0;
  // The class's state word; 0 for classes without state.
  virtual DWORD GetState() = 0;
  // Takes a new state and invalidates in hWnd what must be redrawn.
  virtual void SetState(HWND hWnd, DWORD dwState) = 0;
  // The owner's word (buttons); 0 elsewhere.
  virtual DWORD GetTag() = 0;
  // Stores the owner's word (buttons) without invalidating anything.
  virtual void SetTag(HWND hWnd, DWORD dwTag) = 0;
  // Moves the control; with bRedraw the old and the new place are
  // invalidated (some classes always or never invalidate).
  virtual void MoveTo(HWND hWnd, int x, int y, bool bRedraw) = 0;
  // The control's rectangle as its class defines it.
  virtual void GetRect(RECT* prc) = 0;
  // True when (x, y), client coordinates, lies on the control.
  virtual bool HitTest(int x, int y) = 0;
  // Invalidates the control's current place (and its caption where its
  // class says so) so that the next WM_PAINT redraws it.
  virtual void Invalidate(HWND hWnd, bool bWithText) = 0;
  // Replaces the caption (null is ignored); invalidates nothing.
  virtual void SetText(const char* pszText) = 0;
};

// A two-image button: the normal image while the state is 0, the pressed
// image otherwise; its caption shows only while pressed.
class SkinButton : public SkinControl {
 public:
  SkinButton(HINSTANCE hInstance, const char* pszNormal, const char* pszPressed, int nLeft, int nTop, int nRight,
             int nBottom, int nTextLeft, int nTextTop, int nTextRight, int nTextBottom, const char* pszCaption,
             HWND hWnd, int nState, BYTE bRepaintText);
  ~SkinButton() override;

  void Paint(HDC hdc) override;
  DWORD GetState() override;
  void SetState(HWND hWnd, DWORD dwState) override;
  DWORD GetTag() override;
  void SetTag(HWND hWnd, DWORD dwTag) override;
  void MoveTo(HWND hWnd, int x, int y, bool bRedraw) override;
  void GetRect(RECT* prc) override;
  bool HitTest(int x, int y) override;
  void Invalidate(HWND hWnd, bool bWithText) override;
  void SetText(const char* pszText) override;

 protected:
  void PaintImage(HDC hdc);
  void PaintCaption(HDC hdc);

  RECT m_rcBounds;
  HBITMAP m_hbmNormal;
  HBITMAP m_hbmPressed;
  int m_nState;
  int m_nTag;
  int m_nOffsetX;
  int m_nOffsetY;
  RECT m_rcText;
  char m_szCaption[kSkinCaptionSize];
  BYTE m_bRepaintText;
};

// A button whose caption shows in both states.
class SkinLabelButton : public SkinButton {
 public:
  using SkinButton::SkinButton;
  void Paint(HDC hdc) override;
};

// A track with a fill over it: the fill grows from the left with the
// horizontal value h (state bits 16 to 31) and from the bottom with the
// vertical value v (bits 0 to 15), each 0 to 255.
class SkinSlider : public SkinControl {
 public:
  SkinSlider(HWND hWnd, const char* pszTrack, const char* pszFill, int nLeft, int nTop, int nRight, int nBottom,
             int nTextLeft, int nTextTop, int nTextRight, int nTextBottom, const char* pszCaption, int nFillStart,
             int nFillEndMargin, BYTE bNarrowRepaint, BYTE bRepaintText);
  ~SkinSlider() override;

  void Paint(HDC hdc) override;
  DWORD GetState() override;
  void SetState(HWND hWnd, DWORD dwState) override;
  DWORD GetTag() override;
  void SetTag(HWND hWnd, DWORD dwTag) override;
  void MoveTo(HWND hWnd, int x, int y, bool bRedraw) override;
  void GetRect(RECT* prc) override;
  bool HitTest(int x, int y) override;
  void Invalidate(HWND hWnd, bool bWithText) override;
  void SetText(const char* pszText) override;

 private:
  RECT m_rcBounds;
  HBITMAP m_hbmTrack;
  HBITMAP m_hbmFill;
  DWORD m_nState;
  RECT m_rcText;
  char m_szCaption[kSkinCaptionSize];
  BYTE m_bRepaintText;
  int m_nFillStart;
  int m_nFillEndMargin;
  BYTE m_bNarrowRepaint;
};

// A square keyed image showing a two-axis position, -127 to 128 on each
// axis, inside a range rectangle.
class SkinCursor : public SkinControl {
 public:
  SkinCursor(HWND hWnd, const char* pszImage, int nRangeLeft, int nRangeTop, int nRangeRight, int nRangeBottom,
             int nCentreX, int nCentreY, int nSize, int nTextLeft, int nTextTop, int nTextRight, int nTextBottom,
             const char* pszCaption, BYTE bRepaintText, BYTE bBlackKey);
  ~SkinCursor() override;

  void Paint(HDC hdc) override;
  DWORD GetState() override;
  void SetState(HWND hWnd, DWORD dwState) override;
  DWORD GetTag() override;
  void SetTag(HWND hWnd, DWORD dwTag) override;
  void MoveTo(HWND hWnd, int x, int y, bool bRedraw) override;
  void GetRect(RECT* prc) override;
  bool HitTest(int x, int y) override;
  void Invalidate(HWND hWnd, bool bWithText) override;
  void SetText(const char* pszText) override;

 private:
  // The image box: its top-left corner and side.
  void ImageBox(int* px, int* py, int* pnSide) const;

  HBITMAP m_hbmImage;
  RECT m_rcRange;
  int m_nSize;
  int m_nX;
  int m_nY;
  int m_nCentreX;
  int m_nCentreY;
  RECT m_rcText;
  char m_szCaption[kSkinCaptionSize];
  BYTE m_bRepaintText;
  BYTE m_bBlackKey;
};

// The point-of-view hat: one image per direction (0, 4500, ... 31500
// hundredths of a degree); any other state shows none.
class SkinHat : public SkinControl {
 public:
  static constexpr int kDirections = 8;

  SkinHat(HINSTANCE hInstance, const char* const apszImage[kDirections], const RECT arcDirection[kDirections],
          DWORD dwState);
  ~SkinHat() override;

  void Paint(HDC hdc) override;
  DWORD GetState() override;
  void SetState(HWND hWnd, DWORD dwState) override;
  DWORD GetTag() override;
  void SetTag(HWND hWnd, DWORD dwTag) override;
  void MoveTo(HWND hWnd, int x, int y, bool bRedraw) override;
  void GetRect(RECT* prc) override;
  bool HitTest(int x, int y) override;
  void Invalidate(HWND hWnd, bool bWithText) override;
  void SetText(const char* pszText) override;

  // The direction index of a state, or -1 when it names none.
  static int DirectionOf(DWORD dwState);

 private:
  RECT m_rcDirection[kDirections];
  HBITMAP m_hbmDirection[kDirections];
  DWORD m_nState;
  int m_nOffsetX;
  int m_nOffsetY;
};

// An opaque image, the page background.
class SkinBackground : public SkinControl {
 public:
  SkinBackground(HINSTANCE hInstance, const char* pszImage, int nLeft, int nTop, int nRight, int nBottom);
  ~SkinBackground() override;

  void Paint(HDC hdc) override;
  DWORD GetState() override;
  void SetState(HWND hWnd, DWORD dwState) override;
  DWORD GetTag() override;
  void SetTag(HWND hWnd, DWORD dwTag) override;
  void MoveTo(HWND hWnd, int x, int y, bool bRedraw) override;
  void GetRect(RECT* prc) override;
  bool HitTest(int x, int y) override;
  void Invalidate(HWND hWnd, bool bWithText) override;
  void SetText(const char* pszText) override;

 private:
  RECT m_rcBounds;
  HBITMAP m_hbmImage;
  int m_nOffsetX;
  int m_nOffsetY;
};

// An opaque full-page image of which only m_rcPart is copied, to the same
// place on the page.
class SkinBackgroundPart : public SkinControl {
 public:
  SkinBackgroundPart(HINSTANCE hInstance, const char* pszImage, int nLeft, int nTop, int nRight, int nBottom,
                     int nPartLeft, int nPartTop, int nPartRight, int nPartBottom);
  ~SkinBackgroundPart() override;

  void Paint(HDC hdc) override;
  DWORD GetState() override;
  void SetState(HWND hWnd, DWORD dwState) override;
  DWORD GetTag() override;
  void SetTag(HWND hWnd, DWORD dwTag) override;
  void MoveTo(HWND hWnd, int x, int y, bool bRedraw) override;
  void GetRect(RECT* prc) override;
  bool HitTest(int x, int y) override;
  void Invalidate(HWND hWnd, bool bWithText) override;
  void SetText(const char* pszText) override;

 private:
  RECT m_rcBounds;
  RECT m_rcPart;
  HBITMAP m_hbmImage;
  int m_nOffsetX;
  int m_nOffsetY;
};

// A white-keyed image that can be moved (logo, markers, button numbers).
class SkinImage : public SkinControl {
 public:
  SkinImage(HINSTANCE hInstance, const char* pszImage, int nLeft, int nTop, int nRight, int nBottom);
  ~SkinImage() override;

  void Paint(HDC hdc) override;
  DWORD GetState() override;
  void SetState(HWND hWnd, DWORD dwState) override;
  DWORD GetTag() override;
  void SetTag(HWND hWnd, DWORD dwTag) override;
  void MoveTo(HWND hWnd, int x, int y, bool bRedraw) override;
  void GetRect(RECT* prc) override;
  bool HitTest(int x, int y) override;
  void Invalidate(HWND hWnd, bool bWithText) override;
  void SetText(const char* pszText) override;

 private:
  RECT m_rcBounds;
  HBITMAP m_hbmImage;
  DWORD m_nState;
  int m_nOffsetX;
  int m_nOffsetY;
};

// Shared by the controls: the loading rule (a resource of hInstance when one
// is given, else a file; a null name gives a null bitmap), the caption copy
// (cut to 31 characters; null leaves the caption), and DrawTextA with
// DT_BOTTOM alone.
HBITMAP LoadSkinBitmap(HINSTANCE hInstance, const char* pszName);
HBITMAP LoadSkinFile(const char* pszPath);
void CopySkinCaption(char (&szCaption)[kSkinCaptionSize], const char* pszText);
void DrawSkinCaption(HDC hdc, const char* pszCaption, const RECT& rcText);
void FreeSkinBitmap(HBITMAP hbm);

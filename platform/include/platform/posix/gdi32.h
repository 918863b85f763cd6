// gdi32: memory device contexts, colour (32-bit) and monochrome (1-bit)
// bitmaps, BitBlt with the ternary raster operations, BMP files, pens,
// brushes, lines and rectangles.
#pragma once

#include "platform/posix/types.h"

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(rgb) ((BYTE)(rgb))
#define GetGValue(rgb) ((BYTE)(((WORD)(rgb)) >> 8))
#define GetBValue(rgb) ((BYTE)((rgb) >> 16))
#define CLR_INVALID 0xFFFFFFFFu

// Ternary raster operations: bits 16 to 23 are the truth table indexed by
// (pattern << 2) | (source << 1) | destination.
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define SRCERASE 0x00440328u
#define NOTSRCCOPY 0x00330008u
#define NOTSRCERASE 0x001100A6u
#define MERGECOPY 0x00C000CAu
#define MERGEPAINT 0x00BB0226u
#define PATCOPY 0x00F00021u
#define PATPAINT 0x00FB0A09u
#define PATINVERT 0x005A0049u
#define DSTINVERT 0x00550009u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Mapping modes.
#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17

// GetObjectA object types.
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10

// LoadImageA.
#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2
#define LR_DEFAULTCOLOR 0x00000000u
#define LR_MONOCHROME 0x00000001u
#define LR_LOADFROMFILE 0x00000010u
#define LR_CREATEDIBSECTION 0x00002000u

// Bitmap compression.
#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};
typedef BITMAP* LPBITMAP;
typedef BITMAP* PBITMAP;
static_assert(sizeof(BITMAP) == (sizeof(void*) == 8 ? 32 : 24), "BITMAP keeps its published size");

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14, "BITMAPFILEHEADER is 14 bytes, packed");

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD is 4 bytes");

// Device contexts and objects.
QJ_PLATFORM_API HDC WINAPI CreateCompatibleDC(HDC hdc);
QJ_PLATFORM_API BOOL WINAPI DeleteDC(HDC hdc);
QJ_PLATFORM_API HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h);
QJ_PLATFORM_API BOOL WINAPI DeleteObject(HGDIOBJ ho);
QJ_PLATFORM_API HGDIOBJ WINAPI GetStockObject(int i);
QJ_PLATFORM_API int WINAPI GetObjectA(HANDLE h, int c, LPVOID pv);
QJ_PLATFORM_API DWORD WINAPI GetObjectType(HGDIOBJ h);

// Bitmaps. CreateBitmap takes 1 plane of 1 or 32 bits per pixel; lpBits rows
// are padded to 16 bits, as published.
QJ_PLATFORM_API HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount,
                                            const void* lpBits);
QJ_PLATFORM_API HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy);
QJ_PLATFORM_API BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
QJ_PLATFORM_API COLORREF WINAPI GetPixel(HDC hdc, int x, int y);
QJ_PLATFORM_API COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color);

// Bitmap images: BMP files (1, 4, 8, 24 and 32 bits per pixel) with
// LR_LOADFROMFILE; bitmap resources are not available and load as NULL.
// IMAGE_ICON and IMAGE_CURSOR are user32's (see user32.h).
QJ_PLATFORM_API HANDLE WINAPI LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad);
QJ_PLATFORM_API HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName);

// Colours, modes and coordinates of a device context.
QJ_PLATFORM_API COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color);
QJ_PLATFORM_API COLORREF WINAPI GetBkColor(HDC hdc);
QJ_PLATFORM_API COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color);
QJ_PLATFORM_API COLORREF WINAPI GetTextColor(HDC hdc);
QJ_PLATFORM_API int WINAPI SetBkMode(HDC hdc, int mode);
QJ_PLATFORM_API int WINAPI GetBkMode(HDC hdc);
QJ_PLATFORM_API int WINAPI SetMapMode(HDC hdc, int iMode);
QJ_PLATFORM_API int WINAPI GetMapMode(HDC hdc);
QJ_PLATFORM_API BOOL WINAPI DPtoLP(HDC hdc, LPPOINT lppt, int c);
QJ_PLATFORM_API BOOL WINAPI LPtoDP(HDC hdc, LPPOINT lppt, int c);

// Pens, brushes and drawing.
QJ_PLATFORM_API HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color);
QJ_PLATFORM_API HBRUSH WINAPI CreateSolidBrush(COLORREF color);
QJ_PLATFORM_API BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
QJ_PLATFORM_API BOOL WINAPI LineTo(HDC hdc, int x, int y);
QJ_PLATFORM_API BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom);

// The GDI functions the system draws with, under their Windows names and signatures.
//
// Every bitmap holds 32-bit pixels stored as DIB words 0xXXRRGGBB (blue in the low byte);
// a new bitmap is black. The screen is a reference device of 96 dots per inch with no
// pixels of its own. A null, stale or wrong-kind handle makes a call fail the way GDI
// does (it returns its failure value and draws nothing); it never crashes.
#pragma once

#include "platform/win_types.h"
#include "platform/gdi_text.h"  // fonts, measuring and drawing text

// Device contexts.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
int GetDeviceCaps(HDC hdc, int index);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);

// Objects.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
DWORD GetObjectType(HGDIOBJ object);
int GetObjectW(HANDLE object, int size, LPVOID out);
int GetObjectA(HANDLE object, int size, LPVOID out);
// OBJ_BITMAP, OBJ_BRUSH, OBJ_PEN or OBJ_FONT: the object of that kind selected into hdc.
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);

// Bitmaps and pixel transfer.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// BI_RGB sections of 24 or 32 bits a pixel, without file mappings.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage);
int SetDIBitsToDevice(HDC hdc, int x_dest, int y_dest, DWORD width, DWORD height, int x_src,
                      int y_src, UINT start_scan, UINT lines, const void* bits,
                      const BITMAPINFO* info, UINT usage);
BOOL BitBlt(HDC dest, int x, int y, int cx, int cy, HDC src, int x_src, int y_src, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int cx, int cy, HDC src, int x_src, int y_src,
                int cx_src, int cy_src, DWORD rop);
COLORREF GetPixel(HDC hdc, int x, int y);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
// The rectangle that drawing on hdc can reach: its bitmap's (there are no clip regions);
// NULLREGION and an empty rectangle for the screen, ERROR for no context.
int GetClipBox(HDC hdc, LPRECT rect);

// Brushes and fills.
HBRUSH CreateSolidBrush(COLORREF color);
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);

// Pens and rectangles. A pen of width 0 or 1 draws one pixel wide.
HPEN CreatePen(int style, int width, COLORREF color);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);

// Regions: sets of pixels kept as rectangles in y-x bands, as GDI keeps them.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreatePolygonRgn(const POINT* points, int count, int fill_mode);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
DWORD GetRegionData(HRGN region, DWORD count, LPRGNDATA data);
int GetRgnBox(HRGN region, LPRECT rect);
BOOL PtInRegion(HRGN region, int x, int y);

// Arithmetic and rectangles.
int MulDiv(int number, int numerator, int denominator);
BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL IsRectEmpty(const RECT* rect);
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b);
BOOL OffsetRect(RECT* rect, int dx, int dy);

// Single pixels, solid brushes and rectangle fills.
#include <algorithm>

#include "platform/gdi.h"
#include "platform/surface/gdi_objects.h"

using namespace vx::gdi;

namespace {

// COLORREF 0x00BBGGRR <-> DIB word 0x00RRGGBB.
std::uint32_t WordFromColor(COLORREF c) {
  return GetBValue(c) | (std::uint32_t{GetGValue(c)} << 8) | (std::uint32_t{GetRValue(c)} << 16);
}
COLORREF ColorFromWord(std::uint32_t w) {
  return RGB(static_cast<BYTE>(w >> 16), static_cast<BYTE>(w >> 8), static_cast<BYTE>(w));
}

}  // namespace

COLORREF GetPixel(HDC hdc, int x, int y) {
  Dc* dc = FindDc(hdc);
  if (!dc) return CLR_INVALID;
  const Surface s = SurfaceOf(*dc);
  if (!s.pixels || x < 0 || y < 0 || x >= s.width || y >= s.height) return CLR_INVALID;
  return ColorFromWord(s.Row(y)[x]);
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  Dc* dc = FindDc(hdc);
  if (!dc) return CLR_INVALID;
  const Surface s = SurfaceOf(*dc);
  if (!s.writable || x < 0 || y < 0 || x >= s.width || y >= s.height) return CLR_INVALID;
  s.Row(y)[x] = WordFromColor(color);
  return color & 0x00FFFFFF;
}

int GetClipBox(HDC hdc, LPRECT rect) {
  Dc* dc = FindDc(hdc);
  if (!dc || !rect) return ERROR;
  const Surface s = SurfaceOf(*dc);
  *rect = RECT{0, 0, s.width, s.height};
  return s.pixels ? SIMPLEREGION : NULLREGION;
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto brush = std::make_unique<Brush>();
  brush->color = color & 0x00FFFFFF;
  return static_cast<HBRUSH>(AddObject(std::move(brush)));
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH hbrush) {
  Dc* dc = FindDc(hdc);
  Brush* brush = FindBrush(hbrush);
  if (!dc || !rect || !brush) return 0;
  const Surface s = SurfaceOf(*dc);
  if (brush->hollow || !s.writable) return 1;
  const int left = std::max<LONG>(rect->left, 0), right = std::min<LONG>(rect->right, s.width);
  const int top = std::max<LONG>(rect->top, 0), bottom = std::min<LONG>(rect->bottom, s.height);
  const std::uint32_t word = WordFromColor(brush->color);
  for (int y = top; y < bottom; ++y) std::fill(s.Row(y) + left, s.Row(y) + std::max(left, right), word);
  return 1;
}

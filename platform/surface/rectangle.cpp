// Rectangle: an outline drawn with the selected pen around an inside filled with the
// selected brush.
//
// As GDI draws it, the outline runs through the pixels of the rectangle's left and top
// edges and the last column and row inside it (right - 1, bottom - 1); the brush fills what
// lies within. A pen wider than one pixel is centred on that outline, an even width reaching
// one pixel further up and left than down and right, and rounds the outer corners as a
// round pen tip would. A null pen draws no outline, and the brush then fills one pixel less
// in width and height.
#include <algorithm>
#include <cstdint>

#include "platform/gdi.h"
#include "platform/surface/gdi_objects.h"

using namespace vx::gdi;

namespace {

// The outline through the pixels of [left, right] x [top, bottom] (all inside), drawn with a
// pen `width` pixels wide.
class Outline {
 public:
  Outline(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, int width)
      : l_(left), t_(top), r_(right), b_(bottom), w_(width), before_(width / 2),
        after_(width - 1 - width / 2) {}

  void Draw(const Surface& s, std::uint32_t word) const {
    const std::int64_t y0 = std::max<std::int64_t>(t_ - before_, 0);
    const std::int64_t y1 = std::min<std::int64_t>(b_ + after_ + 1, s.height);
    for (std::int64_t y = y0; y < y1; ++y) {
      std::uint32_t* row = s.Row(int(y));
      if (y > t_ + after_ && y < b_ - before_) {
        // Between the top and bottom bands only the two side bands are drawn.
        Fill(s, row, l_ - before_, l_ + after_ + 1, word);
        Fill(s, row, r_ - before_, r_ + after_ + 1, word);
        continue;
      }
      const std::int64_t x0 = std::max<std::int64_t>(l_ - before_, 0);
      const std::int64_t x1 = std::min<std::int64_t>(r_ + after_ + 1, s.width);
      for (std::int64_t x = x0; x < x1; ++x) {
        if (Covers(x, y)) row[x] = word;
      }
    }
  }

 private:
  static void Fill(const Surface& s, std::uint32_t* row, std::int64_t from, std::int64_t to,
                   std::uint32_t word) {
    from = std::max<std::int64_t>(from, 0);
    to = std::min<std::int64_t>(to, s.width);
    if (from < to) std::fill(row + from, row + to, word);
  }

  // Offset of a coordinate beyond [low, high], negative below it; 0 within.
  static std::int64_t Beyond(std::int64_t v, std::int64_t low, std::int64_t high) {
    return v < low ? v - low : v > high ? v - high : 0;
  }

  bool Covers(std::int64_t x, std::int64_t y) const {
    const std::int64_t ox = Beyond(x, l_, r_), oy = Beyond(y, t_, b_);
    if (ox == 0 && oy == 0) {
      return x - l_ <= after_ || r_ - x <= before_ || y - t_ <= after_ || b_ - y <= before_;
    }
    if (ox < -before_ || ox > after_ || oy < -before_ || oy > after_) return false;
    // Beyond a corner: within half the width of it.
    return ox == 0 || oy == 0 || ox * ox + oy * oy <= std::int64_t{w_} * w_ / 4;
  }

  std::int64_t l_, t_, r_, b_;
  int w_;
  std::int64_t before_, after_;  // pixels of the pen above/left and below/right of the outline
};

}  // namespace

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  Dc* dc = FindDc(hdc);
  if (!dc) return FALSE;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (left == right || top == bottom) return TRUE;
  const Pen* pen = FindPen(dc->pen);
  const bool outlined = !pen || pen->style != PS_NULL;
  // Filled first: the outline lies over the brush's edge.
  const RECT inside = outlined ? RECT{left + 1, top + 1, right - 1, bottom - 1}
                               : RECT{left, top, right - 1, bottom - 1};
  if (FindBrush(dc->brush)) FillRect(hdc, &inside, static_cast<HBRUSH>(dc->brush));

  const Surface s = SurfaceOf(*dc);
  if (!outlined || !s.writable) return TRUE;
  const COLORREF color = pen ? pen->color : RGB(0, 0, 0);
  const std::uint32_t word =
      GetBValue(color) | (std::uint32_t{GetGValue(color)} << 8) | (std::uint32_t{GetRValue(color)} << 16);
  Outline(left, top, std::int64_t{right} - 1, std::int64_t{bottom} - 1, pen ? pen->width : 1).Draw(s, word);
  return TRUE;
}

// How far drawing on a context reaches, and how much a source context holds, so that a
// routine asked for a figure or a picture far larger than the surface does no work on what
// could never show or never be read.
#pragma once

#include <cstdint>

#include "platform/gdi.h"

namespace vx {

// The rectangle of `dc` that drawing can reach, in logical coordinates (its clip box);
// empty when nothing can be drawn or the context is unusable. Nothing outside it changes
// whatever is drawn.
RECT DrawableBox(HDC dc);

// The part of a width x height rectangle placed at (x, y) on `dc` that drawing can reach:
// columns [left, right) and rows [top, bottom) counted from the rectangle's corner, and
// where that part's corner lands on `dc`. A routine that composes the rectangle off the
// surface need make only this part: nothing drawn elsewhere could show.
struct ShownPart {
  int left = 0, top = 0, right = 0, bottom = 0;
  int target_x = 0, target_y = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
};

// `width` and `height` at most 2^31 - 1; 64-bit positions, so that no sum wraps.
ShownPart ShownPartOf(HDC dc, std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height);

// The size of the bitmap selected into the memory context `dc`. False for any other
// context, whose extent is not known here.
bool MemorySurfaceSize(HDC dc, SIZE& size);

}  // namespace vx

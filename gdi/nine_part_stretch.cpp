// DrawDCtoDC2: a rectangle of one context stretched into a rectangle of another in nine
// parts, so that borders drawn in the corners and along the edges keep their thickness.
#include <cstdint>
#include <limits>

#include "gdi/scratch_surface.h"
#include "gdi/surface_extent.h"
#include "gdi/vxgdi.h"

namespace {

bool SlicesFit(std::int64_t first, std::int64_t second, std::int64_t extent) {
  return first >= 0 && second >= 0 && first + second <= extent;
}

}  // namespace

void CvxGDI::DrawDCtoDC2(HDC dest, int x, int y, int width, int height, HDC source,
                         int source_x, int source_y, int source_width, int source_height,
                         int left, int right, int top, int bottom) {
  if (width <= 0 || height <= 0 || source_width <= 0 || source_height <= 0) return;
  if (!SlicesFit(left, right, width) || !SlicesFit(left, right, source_width) ||
      !SlicesFit(top, bottom, height) || !SlicesFit(top, bottom, source_height))
    return;
  // A source rectangle that runs past the largest coordinate lies on no surface; refusing
  // it keeps every coordinate below within an int.
  constexpr std::int64_t kLargest = std::numeric_limits<int>::max();
  if (std::int64_t{source_x} + source_width > kLargest ||
      std::int64_t{source_y} + source_height > kLargest)
    return;

  // Only the part of the rectangle that can show on the destination is composed; (ox, oy)
  // is where that part's corner lies in the rectangle.
  const vx::ShownPart shown = vx::ShownPartOf(dest, x, y, width, height);
  if (shown.empty()) return;
  const int shown_width = shown.width(), shown_height = shown.height();
  const int ox = shown.left, oy = shown.top;

  vx::ScratchSurface parts(dest, shown_width, shown_height);
  if (!parts) return;
  HDC dc = parts.dc();
  const int previous_mode = SetStretchBltMode(dc, HALFTONE);

  // Where the right and bottom slices start, and the size of the middle, in the source
  // rectangle and in the destination rectangle.
  const int sx = source_x, sy = source_y;
  const int source_right = sx + source_width - right, source_bottom = sy + source_height - bottom;
  const int source_middle_width = source_width - left - right;
  const int source_middle_height = source_height - top - bottom;
  const int right_x = width - right - ox, bottom_y = height - bottom - oy;
  const int middle_width = width - left - right, middle_height = height - top - bottom;
  const int left_x = -ox, top_y = -oy, middle_x = left - ox, middle_y = top - oy;

  BitBlt(dc, left_x, top_y, left, top, source, sx, sy, SRCCOPY);
  BitBlt(dc, right_x, top_y, right, top, source, source_right, sy, SRCCOPY);
  BitBlt(dc, left_x, bottom_y, left, bottom, source, sx, source_bottom, SRCCOPY);
  BitBlt(dc, right_x, bottom_y, right, bottom, source, source_right, source_bottom, SRCCOPY);

  StretchBlt(dc, middle_x, top_y, middle_width, top, source, sx + left, sy, source_middle_width, top,
             SRCCOPY);
  StretchBlt(dc, middle_x, bottom_y, middle_width, bottom, source, sx + left, source_bottom,
             source_middle_width, bottom, SRCCOPY);
  StretchBlt(dc, left_x, middle_y, left, middle_height, source, sx, sy + top, left, source_middle_height,
             SRCCOPY);
  StretchBlt(dc, right_x, middle_y, right, middle_height, source, source_right, sy + top, right,
             source_middle_height, SRCCOPY);
  StretchBlt(dc, middle_x, middle_y, middle_width, middle_height, source, sx + left, sy + top,
             source_middle_width, source_middle_height, SRCCOPY);

  BitBlt(dest, shown.target_x, shown.target_y, shown_width, shown_height, dc, 0, 0, SRCCOPY);
  SetStretchBltMode(dc, previous_mode);
}

// StretchBlt in the modes BLACKONWHITE (the default of a new context) and WHITEONBLACK.
#pragma once

#include "platform/surface/gdi_objects.h"

namespace vx::gdi {

// A stretch from a source rectangle to a destination rectangle, both with positive
// extents; a flip runs one axis of the source the other way.
struct StretchRects {
  int x, y, cx, cy;
  int x_src, y_src, cx_src, cy_src;
  bool flip_x, flip_y;
};

// Enlarging repeats source pixels as COLORONCOLOR does. Shrinking gives each destination
// pixel the source pixels that fall to it, combined bit by bit: with AND for BLACKONWHITE
// (dark pixels win), with OR for WHITEONBLACK. Source pixels off the source surface take no
// part; a destination pixel with none keeps its own.
void StretchCombiningScans(const Surface& dest, const Surface& src, const StretchRects& rects,
                           int mode);

}  // namespace vx::gdi

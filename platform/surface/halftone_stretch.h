// The HALFTONE stretch mode: StretchBlt with smoothing instead of dropped and repeated
// pixels.
#pragma once

#include "platform/surface/gdi_objects.h"

namespace vx::gdi {

// Stretches the source rectangle (x_src, y_src, cx_src, cy_src) of `src` onto the
// destination rectangle (x, y, cx, cy) of `dest`; all extents positive, flip_x and flip_y
// mirror the picture. Each axis on its own: shrinking averages the source pixels a
// destination pixel covers, weighted by how much of each it covers; enlarging interpolates
// linearly between the two nearest source pixel centres; equal extents copy. Only the
// three colour channels are filtered (the fourth byte becomes 0). Source pixels off their
// surface do not count; a destination pixel with none keeps what it had.
void HalftoneStretch(const Surface& dest, int x, int y, int cx, int cy, const Surface& src,
                     int x_src, int y_src, int cx_src, int cy_src, bool flip_x, bool flip_y);

}  // namespace vx::gdi

// The soft drop shadow under a text watermark: the text drawn in a grey level on a black
// mask, shifted, blurred, and the shadow colour laid through the mask.
#pragma once

#include <cstdint>

#include "object/mark_text.h"
#include "object/shadow_blur.h"
#include "platform/gdi.h"

namespace vx {

// The TextMarkShadow properties the shadow uses (the angle is not one of them: the shadow
// always moves right and down by the same distance).
struct ShadowStyle {
  COLORREF color;
  LONG distance;  // pixels right and down
  LONG size;      // blur radius
  LONG opacity;   // percent; the grey level of the mask
};

// The mask's grey level: the low 8 bits of trunc(opacity x 0.01 x 255), so 100 gives 255,
// 50 gives 127 and 101 gives 1.
std::uint8_t ShadowGrey(LONG opacity);

// The blurred shadow mask of `text` on a picture of `picture` size: the text moved by the
// distance and drawn in the grey level on black (band by band, on a surface compatible with
// `reference`, only where it can draw), then blurred. `measuring` has the text's font
// selected. Empty when no pixel of the shadow shows.
MaskPiece ShadowMask(HDC reference, HDC measuring, const MarkText& text, SIZE picture,
                     const ShadowStyle& style);

// Lays the shadow colour over `layer` through the part of `mask` on it with
// CvxGDI::BitBltDCByMaskDC, each pixel taking the colour in proportion to its mask level.
// The layer holds the picture pixels of `layer_area`, its top-left pixel the area's.
void LayShadow(HDC layer, const RECT& layer_area, const MaskPiece& mask, COLORREF color);

}  // namespace vx

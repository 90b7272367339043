// Inside the drawing layer: glyph outlines rasterised with FreeType, turned and styled as
// outlines (never as bitmaps), and mixed into a surface in the text colour.
//
// Each pixel a glyph covers mixes the text colour over what the surface holds with the
// coverage (0..255) as weight, through the colour mixer of CvxGDI::ShadeColors, so a
// fully covered pixel takes the text colour exactly and an uncovered one is untouched.
#pragma once

#include <cstddef>
#include <cstdint>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/text/font_object.h"

namespace vx::text {

// Pixels that text is drawn into: 32-bit words 0xXXRRGGBB or 24-bit B, G, R triples.
struct PixelTarget {
  std::uint8_t* bits = nullptr;
  std::ptrdiff_t stride = 0;  // bytes from one row to the next
  int bytes_per_pixel = 4;
  int width = 0;
  int height = 0;
};

struct TextPaint {
  PixelTarget target;
  RECT clip{};                // pixels that may change, inside the target
  std::uint32_t color = 0;    // 0x00RRGGBB
};

// The frame a run is drawn in: its baseline origin and direction, in 26.6 device pixels.
struct RunFrame {
  double origin_x = 0;  // device pixels, y downwards
  double origin_y = 0;
  double cos = 1;       // the baseline's direction, counter-clockwise from the x axis
  double sin = 0;

  // Device position of a point given along the baseline (x) and below it (down).
  void ToDevice(double x, double down, double& dx, double& dy) const {
    dx = origin_x + x * cos + down * sin;
    dy = origin_y - x * sin + down * cos;
  }
};

// A frame turned by an escapement in tenths of a degree; quarter turns are exact.
RunFrame MakeRunFrame(double origin_x, double origin_y, LONG escapement);

// Draws one glyph with its pen origin at `pen` (pixels along the baseline) plus shaping
// offsets (26.6, y upwards), hinted at the font's size, grey or bilevel as the face's gasp
// table asks, emboldened and slanted when the face must synthesise those styles.
// Returns the glyph's advance in whole pixels as hinting left it when it was drawn
// bilevel, and -1 otherwise; fills `ink` when given.
int DrawGlyph(const TextPaint& paint, const RunFrame& frame, const FaceUse& face, unsigned glyph,
              int ppem, double pen, FT_Pos x_offset, FT_Pos y_offset, GlyphInk* ink = nullptr);

// Whether a glyph of this ink, placed as DrawGlyph places it, can change a pixel of the
// paint's clip. Placing only moves, turns and rounds, each point alone and monotonically,
// so the box's corners placed bound the placed points: a glyph found not to reach the clip
// would have drawn nothing.
bool GlyphReachesClip(const TextPaint& paint, const RunFrame& frame, const GlyphInk& ink, double pen,
                      FT_Pos x_offset, FT_Pos y_offset);

// Fills the band [x0, x1) along the baseline, from `top` to `bottom` pixels below it
// (negative: above): underlines and strike-outs.
void FillBand(const TextPaint& paint, const RunFrame& frame, double x0, double x1, double top,
              double bottom);

}  // namespace vx::text

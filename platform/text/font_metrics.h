// Inside the drawing layer: the pixel sizes and text metrics of a face at a logical
// font's height, by GDI's rules for TrueType faces.
#pragma once

#include "platform/text/font_face.h"
#include "platform/gdi_text.h"

namespace vx::text {

// Largest size the layer draws text at; a larger request fails as GDI calls fail.
constexpr int kMaxPixelsPerEm = 16384;

// Pixels per em for an lfHeight: a negative height is the em itself, a positive one the
// cell height (win ascent + win descent), 0 the default height of 16 cell pixels. At
// least 1; 0 when the size would pass kMaxPixelsPerEm.
int PixelsPerEm(const FaceTables& tables, LONG height);

// value x ppem / units per em, rounded half up.
int ScaleRounded(std::int64_t value, int ppem, int units_per_em);

// A glyph advance in pixels, scaled as FreeType scales it (16.16 scale, then rounded).
int ScaleAdvance(int advance_units, int ppem, int units_per_em);

// Width that an emboldened face adds to every glyph.
constexpr int kSyntheticBoldExtra = 1;

// The metrics of a face at `ppem` for a logical font.
TEXTMETRICW ComputeTextMetrics(const FaceTables& tables, int ppem, const LOGFONTW& logfont,
                               bool synthetic_bold);

}  // namespace vx::text

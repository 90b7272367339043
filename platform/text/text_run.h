// Inside the drawing layer: one line of text drawn from its reference point, the top left
// of its first character's cell, along the font's escapement: its glyphs, the font's
// underline and strike-out, and the underlines of "&" prefixes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/text/glyph_raster.h"
#include "platform/text/text_shaping.h"

namespace vx::text {

// Draws `shaped` (the glyphs of `text`) with the reference point at (x, y); `underlined`
// lists UTF-16 indices of `text` whose characters get an underline of their own.
void DrawRun(const TextPaint& paint, RealizedFont& font, const ShapedText& shaped, int x, int y,
             const std::vector<std::uint32_t>& underlined = {});

}  // namespace vx::text

// Inside the drawing layer: a run of text turned into glyphs with pixel positions, the
// one measure that both measuring and drawing use.
//
// Scripts that need no shaping (Latin, Greek, Cyrillic, CJK, ...) are measured as GDI
// measures them: each character's advance from its face's hmtx, scaled as FreeType scales
// it, without kerning or ligatures. Complex scripts and right-to-left text are ordered
// with FriBidi and shaped with HarfBuzz. A surrogate pair is one character.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/text/font_object.h"

namespace vx::text {

struct PlacedGlyph {
  const FaceUse* face = nullptr;
  unsigned glyph = 0;
  int x = 0;                // pen position in pixels from the start of the run
  FT_Pos x_offset = 0;      // shaping offsets, 26.6 pixels, y upwards
  FT_Pos y_offset = 0;
  int advance = 0;          // pixels
  std::uint32_t cluster = 0;  // UTF-16 index of the first unit of the character shown
  bool shaped = false;        // placed by HarfBuzz rather than advance after advance
};

struct ShapedText {
  std::vector<PlacedGlyph> glyphs;  // in visual order, left to right
  // Per UTF-16 unit, in logical order: a character's advance on its first unit, 0 on the
  // others. Their sum is `width`.
  std::vector<int> unit_advances;
  int width = 0;
};

ShapedText ShapeText(RealizedFont& font, std::u16string_view text);

}  // namespace vx::text

// Inside the drawing layer: a run of text turned into glyphs with pixel positions, the
// one measure that both measuring and drawing use.
//
// Scripts that need no shaping (Latin, Greek, Cyrillic, CJK, ...) are measured as GDI
// measures them: each character's advance from its face's hmtx, scaled as FreeType scales
// it, without kerning or ligatures. Complex scripts and right-to-left text are ordered
// with FriBidi and shaped with HarfBuzz. A surrogate pair is one character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/text/font_object.h"

namespace vx::text {

struct PlacedGlyph {
  const FaceUse* face = nullptr;
  unsigned glyph = 0;
  std::int64_t x = 0;       // pen position in pixels from the start of the run
  FT_Pos x_offset = 0;      // shaping offsets, 26.6 pixels, y upwards
  FT_Pos y_offset = 0;
  std::int64_t advance = 0; // pixels
  std::uint32_t cluster = 0;  // UTF-16 index of the first unit of the character shown
  bool shaped = false;        // placed by HarfBuzz rather than advance after advance
};

struct ShapedText {
  std::vector<PlacedGlyph> glyphs;  // in visual order, left to right
  // Per UTF-16 unit, in logical order: a character's advance on its first unit, 0 on the
  // others. Their sum is `width`, which is summed in 64 bits: a long run at a large size
  // passes the 32-bit range.
  std::vector<std::int64_t> unit_advances;
  std::int64_t width = 0;
};

ShapedText ShapeText(RealizedFont& font, std::u16string_view text);

// Texts a font has shaped, by their characters. A call of DrawText measures and draws the
// same lines more than once, and a text watermark makes several such calls with one font;
// each text is shaped once. At most kShapingMemoUnits units are kept: past them the memo
// starts again.
struct ShapingMemo {
  std::unordered_map<std::u16string, ShapedText> texts;
  std::size_t units = 0;
};
inline constexpr std::size_t kShapingMemoUnits = std::size_t{1} << 20;
inline constexpr std::size_t kShapingMemoEntryUnits = 32;

// ShapeText through the font's memo. The result stays valid until the next call.
const ShapedText& ShapeTextOnce(RealizedFont& font, std::u16string_view text);

}  // namespace vx::text

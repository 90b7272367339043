// The text watermark's drawing, apart from the object so that tests can hold it to the
// pixel against a merge of whole-picture layers.
#pragma once

#include "object/image_mark.h"
#include "object/text_shadow.h"
#include "platform/gdi.h"

namespace vx {

// The Resize object's text watermark properties, as one call of AddTextMark reads them
// (the font properties make the font the call is given).
struct TextMarkSettings {
  COLORREF color;
  LONG area_width;
  LONG rotate;  // not 0: one run with TextOutW; 0: wrapped into the text rectangle
  MarkPlacement placement;
  LONG opacity;  // MarkTransparent
  bool shadow_visible;
  ShadowStyle shadow;
};

// The longest text mark: 2^17 UTF-16 units (some forty pages), far beyond any caption, and
// the most the drawing layer measures in about a quarter of a second.
inline constexpr unsigned kMaxTextMarkUnits = 1u << 17;

// Whether `text` (null is the empty text; it ends at its first zero character) is within
// kMaxTextMarkUnits; looks at no more of it than that.
bool TextMarkFitsLimit(const OLECHAR* text);

// Measures `text` (null is the empty text; it ends at its first zero character) in `font`,
// places it, and stamps it onto `picture` with its shadow when visible, merged at the
// opacity. Only the part of the picture that the text and its blurred shadow can reach is
// copied, drawn on and merged, band by band: the pixels come out as from merging a copy of
// the whole picture. Nothing is drawn when the picture has no size.
void StampTextMark(HDC picture, SIZE picture_size, HFONT font, const TextMarkSettings& settings,
                   const OLECHAR* text, POINT position);

}  // namespace vx

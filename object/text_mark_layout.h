// Where the text watermark goes: its font, its measured size, the area-width limit and the
// text rectangle, apart from the drawing so that tests can hold each to the pixel.
#pragma once

#include "object/image_mark.h"
#include "platform/gdi.h"

namespace vx {

// The text watermark's font properties.
struct TextMarkFontSettings {
  const OLECHAR* face;  // up to 31 characters and a zero
  LONG height;          // the logical font height
  LONG bold;            // not 0: weight 700
  LONG italic;          // not 0: its low 8 bits are the italic flag
  LONG underline;       // not 0: its low 8 bits are the underline flag
  LONG rotate;          // degrees counter-clockwise; only a positive value turns the font
};

// The stock GUI font's logical font with the face, height, weight, italic, underline and
// escapement of the settings, antialiased. Every other member is the stock font's.
LOGFONTW TextMarkLogFont(const TextMarkFontSettings& settings);

// Width and height of the text as DrawTextW measures it with DT_CALCRECT alone on
// `measuring` (which has the font selected): lines break only at line breaks, their
// height has no external leading, "&" is a prefix character, and a turned font measures
// as if it were not turned.
SIZE MeasureMarkText(HDC measuring, const WCHAR* text);

// The measured width limited by TextMarkAreaWidth: an area width of 1 or more that the
// text is not narrower than takes its place.
LONG AreaLimitedWidth(LONG measured_width, LONG area_width);

// The text rectangle for a text of `text` size on a picture of `picture` size. Under rules
// 0 to 4 the offsets move it (a positive offset right or down) and `position` (lPosX,
// lPosY) plays no part; under any other rule it stands at `position` and the offsets play
// no part. Centring halves toward zero. The rectangle is as wide as the text; it reaches
// down to the picture's bottom edge for the centre and the two top places, so that wrapped
// lines have room, and is as high as the text otherwise.
RECT TextMarkRect(const MarkPlacement& placement, POINT position, SIZE picture, SIZE text);

}  // namespace vx

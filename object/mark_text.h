// The text of a text watermark as it is drawn, on the picture's layer and on the shadow
// mask alike: in one of two modes, and within which pixels that can change anything.
#pragma once

#include <cstdint>
#include <string>

#include "platform/gdi.h"

namespace vx {

struct MarkText {
  HFONT font = nullptr;
  std::basic_string<WCHAR> text;  // up to the caller's first zero character
  RECT rect{0, 0, 0, 0};          // the text rectangle, in pixels of the surface drawn on
  // One run with TextOutW at the rectangle's top-left, line breaks and "&" drawn as they
  // are and nothing clipped; otherwise DrawTextExW wraps it into the rectangle, clipped.
  bool single_line = false;
};

// The same text with its rectangle moved by (dx, dy); a place beyond the 32-bit range is
// held at its ends, off any surface.
MarkText Shifted(const MarkText& text, std::int64_t dx, std::int64_t dy);

// Draws the text in `color` on `dc` with a transparent background; the context's text
// colour, font and background mode are restored afterwards.
void DrawMarkText(HDC dc, const MarkText& text, COLORREF color);

// A rectangle that holds every pixel drawing the text can change. `measuring` is a context
// with the text's font selected. Wrapped text is clipped to its rectangle and stops below
// its last line; a single run can reach past its measured box by its glyphs' overhangs and
// the rounding of their advances, so the box is widened by a cell height on every side and
// two pixels a character along the run, then turned with the font. All zero when nothing
// is drawn.
RECT MarkTextBounds(HDC measuring, const MarkText& text);

// A memory context compatible with `reference` with `font` selected, for measuring text;
// both are let go at the end of its scope (the font is only borrowed).
class MeasuringContext {
 public:
  MeasuringContext(HDC reference, HFONT font);
  ~MeasuringContext();
  MeasuringContext(const MeasuringContext&) = delete;
  MeasuringContext& operator=(const MeasuringContext&) = delete;

  explicit operator bool() const { return previous_font_ != nullptr; }
  HDC dc() const { return dc_; }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_font_ = nullptr;
};

}  // namespace vx

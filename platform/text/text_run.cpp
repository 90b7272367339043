#include "platform/text/text_run.h"

#include <algorithm>

#include "platform/text/font_face.h"
#include "platform/text/font_metrics.h"

namespace vx::text {

namespace {

// A stroke across the run, in pixels below the baseline (negative: above).
struct Stroke {
  int top = 0;
  int bottom = 0;
};

Stroke Underline(const RealizedFont& font) {
  const FaceTables& t = font.primary().face->tables();
  const int thickness = std::max(1, ScaleRounded(t.underline_thickness, font.ppem(), t.units_per_em));
  const int centre = ScaleRounded(-std::int64_t{t.underline_position}, font.ppem(), t.units_per_em);
  const int top = centre - thickness / 2;
  return {top, top + thickness};
}

Stroke StrikeOut(const RealizedFont& font) {
  const FaceTables& t = font.primary().face->tables();
  const int thickness = std::max(1, ScaleRounded(t.strikeout_thickness, font.ppem(), t.units_per_em));
  const int top = -ScaleRounded(t.strikeout_position, font.ppem(), t.units_per_em);
  return {top, top + thickness};
}

}  // namespace

void DrawRun(const TextPaint& paint, RealizedFont& font, const ShapedText& shaped, int x, int y,
             const std::vector<std::uint32_t>& underlined) {
  if (paint.clip.left >= paint.clip.right || paint.clip.top >= paint.clip.bottom) return;
  const LOGFONTW& logfont = font.logfont();
  // The baseline lies the ascent below the reference point, turned with the text.
  const RunFrame turn = MakeRunFrame(0, 0, logfont.lfEscapement);
  double baseline_x, baseline_y;
  turn.ToDevice(0, font.metrics().tmAscent, baseline_x, baseline_y);
  const RunFrame frame = MakeRunFrame(x + baseline_x, y + baseline_y, logfont.lfEscapement);
  // Bilevel glyphs are drawn at their hinted advances, as GDI draws them, though they are
  // measured at their scaled ones; the difference gathers along the run.
  int drift = 0;
  for (const PlacedGlyph& g : shaped.glyphs) {
    const int hinted = DrawGlyph(paint, frame, *g.face, g.glyph, font.ppem(), g.x + drift, g.x_offset,
                                 g.y_offset);
    if (hinted >= 0 && !g.shaped) drift += hinted + (g.face->synthetic_bold ? kSyntheticBoldExtra : 0) - g.advance;
  }
  const Stroke under = Underline(font);
  if (logfont.lfUnderline) FillBand(paint, frame, 0, shaped.width, under.top, under.bottom);
  if (logfont.lfStrikeOut) {
    const Stroke strike = StrikeOut(font);
    FillBand(paint, frame, 0, shaped.width, strike.top, strike.bottom);
  }
  for (std::uint32_t index : underlined) {
    int left = shaped.width, right = 0;
    for (const PlacedGlyph& g : shaped.glyphs) {
      if (g.cluster != index) continue;
      left = std::min(left, g.x);
      right = std::max(right, g.x + g.advance);
    }
    FillBand(paint, frame, left, right, under.top, under.bottom);
  }
}

}  // namespace vx::text

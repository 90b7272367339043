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
  // A glyph drawn once is known: where it cannot reach the clip it is passed over, its
  // advance taken from what drawing found, so that a long run costs little beyond what shows.
  std::int64_t drift = 0;
  for (const PlacedGlyph& g : shaped.glyphs) {
    const double pen = double(g.x + drift);
    int hinted;
    if (const GlyphInk* known = font.KnownInk(*g.face, g.glyph)) {
      hinted = known->hinted_advance;
      if (GlyphReachesClip(paint, frame, *known, pen, g.x_offset, g.y_offset)) {
        DrawGlyph(paint, frame, *g.face, g.glyph, font.ppem(), pen, g.x_offset, g.y_offset);
      }
    } else {
      GlyphInk ink;
      hinted = DrawGlyph(paint, frame, *g.face, g.glyph, font.ppem(), pen, g.x_offset, g.y_offset, &ink);
      font.RememberInk(*g.face, g.glyph, ink);
    }
    if (hinted >= 0 && !g.shaped) drift += hinted + (g.face->synthetic_bold ? kSyntheticBoldExtra : 0) - g.advance;
  }
  const Stroke under = Underline(font);
  if (logfont.lfUnderline) FillBand(paint, frame, 0, double(shaped.width), under.top, under.bottom);
  if (logfont.lfStrikeOut) {
    const Stroke strike = StrikeOut(font);
    FillBand(paint, frame, 0, double(shaped.width), strike.top, strike.bottom);
  }
  if (underlined.empty()) return;
  // The extent of each character's glyphs, found in one pass, so that the cost does not
  // grow with the number of underlined characters times the glyphs. A character without
  // glyphs spans from the run's width back to 0, which draws nothing.
  const std::size_t units = shaped.unit_advances.size();
  std::vector<std::int64_t> left(units, shaped.width), right(units, 0);
  for (const PlacedGlyph& g : shaped.glyphs) {
    if (g.cluster >= units) continue;
    left[g.cluster] = std::min(left[g.cluster], g.x);
    right[g.cluster] = std::max(right[g.cluster], g.x + g.advance);
  }
  for (std::uint32_t index : underlined) {
    const bool known = index < units;
    FillBand(paint, frame, double(known ? left[index] : shaped.width), double(known ? right[index] : 0), under.top,
             under.bottom);
  }
}

}  // namespace vx::text

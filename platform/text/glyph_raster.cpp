#include "platform/text/glyph_raster.h"

#include FT_GASP_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/color_mix.h"
#include "platform/text/font_face.h"
#include "platform/text/text_diagnostics.h"

namespace vx::text {

namespace {

// A glyph is rendered in bands of at most this many bytes, so that a huge glyph on a huge
// surface needs no huge buffer.
constexpr std::int64_t kBandBytes = 4 << 20;

// Slant of a synthesised italic: x moves right by 0.2126 of the height (12 degrees).
constexpr FT_Fixed kItalicShear = 0x366A;

FT_Fixed ToFixed(double v) { return static_cast<FT_Fixed>(std::lround(v * 65536.0)); }

void Blend(const PixelTarget& t, int x, int y, std::uint32_t color, int coverage) {
  std::uint8_t* p = t.bits + y * t.stride + std::ptrdiff_t(x) * t.bytes_per_pixel;
  if (t.bytes_per_pixel == 4) {
    std::uint32_t word;
    std::memcpy(&word, p, 4);
    word = ShadeColorsInline(word, color, coverage);
    std::memcpy(p, &word, 4);
  } else {
    const std::uint32_t word = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    const std::uint32_t mixed = ShadeColorsInline(word, color, coverage);
    p[0] = static_cast<std::uint8_t>(mixed);
    p[1] = static_cast<std::uint8_t>(mixed >> 8);
    p[2] = static_cast<std::uint8_t>(mixed >> 16);
  }
}

// GDI antialiases in 16 grey steps: coverage is cut to a multiple of 1/16, and less than
// 2/16 of a pixel paints nothing, so that faint fringes and specks of tiny text stay away
// while full coverage stays full.
int GreyLevel(int coverage) {
  const int level = coverage * 16 / 255;
  return level < 2 ? 0 : level * 255 / 16;
}

std::int64_t FloorDiv64(FT_Pos v) { return v >= 0 ? v / 64 : -((-v + 63) / 64); }
std::int64_t CeilDiv64(FT_Pos v) { return -FloorDiv64(-v); }

// The pixels of the clip that a box of outline points (26.6 device pixels, y upwards:
// device row r spans -(r+1)..-r) covers, right and bottom exclusive; empty when none.
struct PixelSpan {
  std::int64_t left, top, right, bottom;
  bool empty() const { return left >= right || top >= bottom; }
};
PixelSpan SpanInClip(const FT_BBox& box, const RECT& clip) {
  return {std::max<std::int64_t>(FloorDiv64(box.xMin), clip.left),
          std::max<std::int64_t>(FloorDiv64(-box.yMax), clip.top),
          std::min<std::int64_t>(CeilDiv64(box.xMax), clip.right),
          std::min<std::int64_t>(CeilDiv64(-box.yMin), clip.bottom)};
}

// Renders an outline given in device pixels and mixes it into the paint's clip.
void FillOutline(const TextPaint& paint, FT_Outline* outline, bool bilevel) {
  FT_BBox box;
  FT_Outline_Get_CBox(outline, &box);
  const PixelSpan span = SpanInClip(box, paint.clip);
  if (span.empty()) return;
  const std::int64_t left = span.left, right = span.right, top = span.top, bottom = span.bottom;
  const int width = static_cast<int>(right - left);
  const int pitch = bilevel ? (width + 7) / 8 : width;
  const std::int64_t band_rows = std::max<std::int64_t>(1, kBandBytes / pitch);
  std::vector<unsigned char> buffer;
  for (std::int64_t band_top = top; band_top < bottom; band_top += band_rows) {
    const std::int64_t band_bottom = std::min(bottom, band_top + band_rows);
    const int rows = static_cast<int>(band_bottom - band_top);
    buffer.assign(std::size_t(pitch) * rows, 0);
    FT_Bitmap bitmap{};
    bitmap.rows = static_cast<unsigned>(rows);
    bitmap.width = static_cast<unsigned>(width);
    bitmap.pitch = pitch;
    bitmap.buffer = buffer.data();
    bitmap.num_grays = bilevel ? 2 : 256;
    bitmap.pixel_mode = bilevel ? FT_PIXEL_MODE_MONO : FT_PIXEL_MODE_GRAY;
    // The bitmap's lower left corner is the outline's origin.
    FT_Outline_Translate(outline, -left * 64, band_bottom * 64);
    const FT_Error error = FT_Outline_Get_Bitmap(FreeTypeLibrary(), outline, &bitmap);
    FT_Outline_Translate(outline, left * 64, -band_bottom * 64);
    if (error) return;
    for (int i = 0; i < rows; ++i) {
      const unsigned char* row = buffer.data() + std::size_t(i) * pitch;
      const int y = static_cast<int>(band_top + i);
      for (int j = 0; j < width; ++j) {
        const int coverage = bilevel ? ((row[j >> 3] >> (7 - (j & 7))) & 1) * 255 : GreyLevel(row[j]);
        if (coverage) Blend(paint.target, static_cast<int>(left + j), y, paint.color, coverage);
      }
    }
  }
}

// Grey where the face's gasp table asks for grey at this size (and where it has none),
// bilevel where it does not.
bool DrawsBilevel(FT_Face face, int ppem) {
  const FT_Int flags = FT_Get_Gasp(face, static_cast<FT_UInt>(ppem));
  return flags != FT_GASP_NO_TABLE && !(flags & FT_GASP_DO_GRAY);
}

// Moves a glyph's outline into the run's frame at the pen, turns it with the baseline and
// puts it onto the device.
void PlaceOutline(FT_Outline* outline, const RunFrame& frame, double pen, FT_Pos x_offset, FT_Pos y_offset) {
  FT_Outline_Translate(outline, static_cast<FT_Pos>(std::lround(pen * 64)) + x_offset, y_offset);
  if (frame.sin != 0 || frame.cos != 1) {
    FT_Matrix turn{ToFixed(frame.cos), ToFixed(-frame.sin), ToFixed(frame.sin), ToFixed(frame.cos)};
    FT_Outline_Transform(outline, &turn);
  }
  FT_Outline_Translate(outline, static_cast<FT_Pos>(std::llround(frame.origin_x * 64)),
                       static_cast<FT_Pos>(std::llround(-frame.origin_y * 64)));
}

}  // namespace

RunFrame MakeRunFrame(double origin_x, double origin_y, LONG escapement) {
  RunFrame frame;
  frame.origin_x = origin_x;
  frame.origin_y = origin_y;
  const LONG tenths = ((escapement % 3600) + 3600) % 3600;
  switch (tenths) {
    case 0: break;
    case 900: frame.cos = 0, frame.sin = 1; break;
    case 1800: frame.cos = -1, frame.sin = 0; break;
    case 2700: frame.cos = 0, frame.sin = -1; break;
    default: {
      const double radians = tenths * 3.14159265358979323846 / 1800.0;
      frame.cos = std::cos(radians);
      frame.sin = std::sin(radians);
    }
  }
  return frame;
}

int DrawGlyph(const TextPaint& paint, const RunFrame& frame, const FaceUse& use, unsigned glyph,
              int ppem, double pen, FT_Pos x_offset, FT_Pos y_offset, GlyphInk* ink) {
  GlyphInk found;
  if (!ink) ink = &found;
  *ink = {};
  FontFace& face = *use.face;
  if (!face.SetPixelSize(ppem)) return -1;
  const bool bilevel = DrawsBilevel(face.ft(), ppem);
  const FT_Int32 flags = FT_LOAD_NO_BITMAP | (bilevel ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  ++TextWorkCounters().glyph_loads;
  if (FT_Load_Glyph(face.ft(), glyph, flags) != 0) return -1;
  FT_GlyphSlot slot = face.ft()->glyph;
  ink->hinted_advance = bilevel ? static_cast<int>((slot->advance.x + 32) >> 6) : -1;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE || slot->outline.n_points == 0) return ink->hinted_advance;
  FT_Outline* outline = &slot->outline;
  if (use.synthetic_bold) {
    const FT_Pos strength = FT_Pos(ppem) * 64 / 24;
    FT_Outline_EmboldenXY(outline, strength, strength);
  }
  if (use.synthetic_italic) {
    FT_Matrix shear{0x10000, kItalicShear, 0, 0x10000};
    FT_Outline_Transform(outline, &shear);
  }
  ink->has_outline = true;
  FT_Outline_Get_CBox(outline, &ink->box);
  PlaceOutline(outline, frame, pen, x_offset, y_offset);
  FillOutline(paint, outline, bilevel);
  return ink->hinted_advance;
}

bool GlyphReachesClip(const TextPaint& paint, const RunFrame& frame, const GlyphInk& ink, double pen,
                      FT_Pos x_offset, FT_Pos y_offset) {
  if (!ink.has_outline) return false;
  FT_Vector corners[4] = {{ink.box.xMin, ink.box.yMin}, {ink.box.xMax, ink.box.yMin},
                          {ink.box.xMax, ink.box.yMax}, {ink.box.xMin, ink.box.yMax}};
  char tags[4] = {FT_CURVE_TAG_ON, FT_CURVE_TAG_ON, FT_CURVE_TAG_ON, FT_CURVE_TAG_ON};
  short contours[1] = {3};
  FT_Outline box{};
  box.n_contours = 1;
  box.n_points = 4;
  box.points = corners;
  box.tags = tags;
  box.contours = contours;
  PlaceOutline(&box, frame, pen, x_offset, y_offset);
  FT_BBox placed;
  FT_Outline_Get_CBox(&box, &placed);
  return !SpanInClip(placed, paint.clip).empty();
}

void FillBand(const TextPaint& paint, const RunFrame& frame, double x0, double x1, double top,
              double bottom) {
  if (x1 <= x0 || bottom <= top) return;
  FT_Vector points[4];
  const double along[4] = {x0, x1, x1, x0};
  const double down[4] = {top, top, bottom, bottom};
  for (int i = 0; i < 4; ++i) {
    double dx, dy;
    frame.ToDevice(along[i], down[i], dx, dy);
    points[i].x = static_cast<FT_Pos>(std::llround(dx * 64));
    points[i].y = static_cast<FT_Pos>(std::llround(-dy * 64));
  }
  char tags[4] = {FT_CURVE_TAG_ON, FT_CURVE_TAG_ON, FT_CURVE_TAG_ON, FT_CURVE_TAG_ON};
  short contours[1] = {3};
  FT_Outline outline{};
  outline.n_contours = 1;
  outline.n_points = 4;
  outline.points = points;
  outline.tags = tags;
  outline.contours = contours;
  FillOutline(paint, &outline, false);
}

}  // namespace vx::text

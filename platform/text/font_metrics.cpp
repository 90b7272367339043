#include "platform/text/font_metrics.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace vx::text {

namespace {

// Height in cell pixels that lfHeight 0 stands for.
constexpr LONG kDefaultCellHeight = 16;

// num / den rounded half up, den > 0, for either sign of num.
std::int64_t RoundHalfUp(std::int64_t num, std::int64_t den) {
  const std::int64_t twice = 2 * num + den;
  const std::int64_t q = twice / (2 * den);
  return (twice % (2 * den) < 0) ? q - 1 : q;
}

BYTE Family(const FaceTables& t) {
  if (t.fixed_pitch) return FF_MODERN;
  const int family_class = t.family_class >> 8;
  if (family_class == 8) return FF_SWISS;
  if (family_class >= 1 && family_class <= 7) return FF_ROMAN;
  return FF_SWISS;
}

}  // namespace

int ScaleRounded(std::int64_t value, int ppem, int units_per_em) {
  return static_cast<int>(RoundHalfUp(value * ppem, units_per_em));
}

int ScaleAdvance(int advance_units, int ppem, int units_per_em) {
  const FT_Fixed scale = FT_DivFix(FT_Long(ppem) * 64, units_per_em);
  // A face's shaping may ask for any advance; what no int holds is held at its ends.
  const std::int64_t pixels = (std::int64_t{FT_MulFix(advance_units, scale)} + 32) >> 6;
  return static_cast<int>(std::clamp<std::int64_t>(pixels, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max()));
}

int PixelsPerEm(const FaceTables& t, LONG height) {
  std::int64_t ppem;
  if (height < 0) {
    ppem = -std::int64_t{height};
  } else {
    const std::int64_t cell = height == 0 ? kDefaultCellHeight : height;
    ppem = RoundHalfUp(cell * t.units_per_em, std::int64_t{t.win_ascent} + t.win_descent);
  }
  if (ppem > kMaxPixelsPerEm) return 0;
  return static_cast<int>(std::max<std::int64_t>(ppem, 1));
}

TEXTMETRICW ComputeTextMetrics(const FaceTables& t, int ppem, const LOGFONTW& logfont,
                               bool synthetic_bold) {
  const int em = t.units_per_em;
  const int extra = synthetic_bold ? kSyntheticBoldExtra : 0;
  TEXTMETRICW tm{};
  tm.tmAscent = ScaleRounded(t.win_ascent, ppem, em);
  tm.tmDescent = ScaleRounded(t.win_descent, ppem, em);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = ScaleRounded(std::int64_t{t.win_ascent} + t.win_descent - em, ppem, em);
  const std::int64_t cell = std::int64_t{t.win_ascent} + t.win_descent;
  const std::int64_t hhea_cell = std::int64_t{t.hhea_ascent} - t.hhea_descent;
  tm.tmExternalLeading = ScaleRounded(std::max<std::int64_t>(0, t.line_gap - (cell - hhea_cell)), ppem, em);
  const int average = t.average_width > 0 ? t.average_width : em / 2;
  tm.tmAveCharWidth = ScaleRounded(average, ppem, em) + extra;
  tm.tmMaxCharWidth = ScaleRounded(std::max(t.bbox_width, 0), ppem, em) + extra;
  tm.tmWeight = synthetic_bold ? std::max<LONG>(logfont.lfWeight, FW_BOLD) : t.weight_class;
  tm.tmOverhang = 0;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = t.first_char;
  tm.tmLastChar = t.last_char;
  tm.tmDefaultChar = t.default_char;
  tm.tmBreakChar = t.break_char;
  tm.tmItalic = logfont.lfItalic ? 255 : 0;
  tm.tmUnderlined = logfont.lfUnderline ? 255 : 0;
  tm.tmStruckOut = logfont.lfStrikeOut ? 255 : 0;
  tm.tmPitchAndFamily = static_cast<BYTE>(Family(t) | TMPF_VECTOR | TMPF_TRUETYPE |
                                          (t.fixed_pitch ? 0 : TMPF_FIXED_PITCH));
  tm.tmCharSet = logfont.lfCharSet;
  return tm;
}

}  // namespace vx::text

#include "platform/text/text_shaping.h"

#include <fribidi.h>

#include <algorithm>

#include "platform/text/font_face.h"
#include "platform/text/font_metrics.h"
#include "platform/text/text_diagnostics.h"

namespace vx::text {

namespace {

struct Char {
  char32_t code = 0;
  std::uint32_t offset = 0;  // of its first UTF-16 unit
  std::uint8_t units = 1;
};

std::vector<Char> Decode(std::u16string_view text) {
  std::vector<Char> chars;
  chars.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      const char32_t code = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      chars.push_back({code, std::uint32_t(i), 2});
      ++i;
    } else {
      chars.push_back({u, std::uint32_t(i), 1});  // an unpaired surrogate shows as .notdef
    }
  }
  return chars;
}

// Format and filler characters that show nothing when a face has no glyph for them.
bool IsDefaultIgnorable(char32_t c) {
  return c == 0x034F || c == 0x061C || (c >= 0x115F && c <= 0x1160) || (c >= 0x17B4 && c <= 0x17B5) ||
         (c >= 0x180B && c <= 0x180F) || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x206F) || c == 0x3164 || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF ||
         c == 0xFFA0 || (c >= 0x1BCA0 && c <= 0x1BCA3) || (c >= 0x1D173 && c <= 0x1D17A) ||
         (c >= 0xE0000 && c <= 0xE0FFF);
}

// Scripts whose characters are drawn one glyph each, advance after advance.
bool NeedsNoShaping(hb_script_t script) {
  switch (script) {
    case HB_SCRIPT_COMMON:
    case HB_SCRIPT_INHERITED:
    case HB_SCRIPT_UNKNOWN:
    case HB_SCRIPT_LATIN:
    case HB_SCRIPT_GREEK:
    case HB_SCRIPT_CYRILLIC:
    case HB_SCRIPT_ARMENIAN:
    case HB_SCRIPT_GEORGIAN:
    case HB_SCRIPT_HAN:
    case HB_SCRIPT_HIRAGANA:
    case HB_SCRIPT_KATAKANA:
    case HB_SCRIPT_HANGUL:
    case HB_SCRIPT_BOPOMOFO: return true;
    default: return false;
  }
}

bool IsMark(hb_unicode_funcs_t* unicode, char32_t c) {
  const hb_unicode_general_category_t category = hb_unicode_general_category(unicode, c);
  return category == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK ||
         category == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
         category == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK;
}

// Embedding levels by the Unicode bidirectional algorithm in a left-to-right paragraph;
// all 0 when nothing in the text runs right to left.
std::vector<FriBidiLevel> BidiLevels(const std::vector<Char>& chars) {
  std::vector<FriBidiLevel> levels(chars.size(), 0);
  std::vector<FriBidiChar> codes(chars.size());
  std::vector<FriBidiCharType> types(chars.size());
  bool any_rtl = false;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    codes[i] = chars[i].code;
    types[i] = fribidi_get_bidi_type(codes[i]);
    any_rtl = any_rtl || FRIBIDI_IS_RTL(types[i]) || FRIBIDI_IS_EXPLICIT(types[i]) ||
              FRIBIDI_IS_ISOLATE(types[i]);
  }
  if (!any_rtl) return levels;
  std::vector<FriBidiBracketType> brackets(chars.size());
  fribidi_get_bracket_types(codes.data(), FriBidiStrIndex(codes.size()), types.data(), brackets.data());
  FriBidiParType direction = FRIBIDI_PAR_LTR;
  if (!fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), FriBidiStrIndex(codes.size()),
                                           &direction, levels.data())) {
    std::fill(levels.begin(), levels.end(), 0);
  }
  return levels;
}

// Common and inherited characters (spaces, punctuation, marks) belong to the script
// around them: the one before, or at the start the first one after.
std::vector<hb_script_t> ResolvedScripts(const std::vector<Char>& chars, hb_unicode_funcs_t* unicode) {
  std::vector<hb_script_t> scripts(chars.size());
  for (std::size_t i = 0; i < chars.size(); ++i) scripts[i] = hb_unicode_script(unicode, chars[i].code);
  auto is_real = [](hb_script_t s) {
    return s != HB_SCRIPT_COMMON && s != HB_SCRIPT_INHERITED && s != HB_SCRIPT_UNKNOWN;
  };
  hb_script_t last = HB_SCRIPT_COMMON;
  for (hb_script_t& s : scripts) {
    if (is_real(s)) last = s;
    else s = last;
  }
  const auto first_real = std::find_if(scripts.begin(), scripts.end(), is_real);
  if (first_real != scripts.end()) std::fill(scripts.begin(), first_real, *first_real);
  return scripts;
}

struct Run {
  std::size_t begin = 0;  // chars
  std::size_t end = 0;
  const FaceUse* face = nullptr;
  FriBidiLevel level = 0;
  hb_script_t script = HB_SCRIPT_COMMON;
  bool shaped = false;
  std::vector<PlacedGlyph> glyphs;  // x relative to the run's start
  std::int64_t width = 0;
};

class Shaper {
 public:
  Shaper(RealizedFont& font, std::u16string_view text)
      : font_(font), text_(text), unicode_(hb_unicode_funcs_get_default()) {}

  ShapedText Shape() {
    ShapedText out;
    out.unit_advances.assign(text_.size(), 0);
    chars_ = Decode(text_);
    if (chars_.empty()) return out;
    ChooseFaces();
    std::vector<Run> runs = SplitRuns();
    for (Run& run : runs) {
      if (run.shaped) {
        ShapeComplex(run);
      } else {
        PlaceSimple(run);
      }
      for (const PlacedGlyph& g : run.glyphs) out.unit_advances[g.cluster] += g.advance;
    }
    std::int64_t pen = 0;
    for (std::size_t index : VisualOrder(runs)) {
      for (PlacedGlyph g : runs[index].glyphs) {
        g.x += pen;
        out.glyphs.push_back(g);
      }
      pen += runs[index].width;
    }
    out.width = pen;
    return out;
  }

 private:
  void ChooseFaces() {
    faces_.resize(chars_.size());
    invisible_.assign(chars_.size(), false);
    const FaceUse& primary = font_.primary();
    for (std::size_t i = 0; i < chars_.size(); ++i) {
      const char32_t c = chars_[i].code;
      if (primary.face->Glyph(c) == 0 && IsDefaultIgnorable(c)) {
        faces_[i] = &primary;
        invisible_[i] = true;
      } else if (i > 0 && IsMark(unicode_, c) && faces_[i - 1]->face->Glyph(c) != 0) {
        faces_[i] = faces_[i - 1];  // a mark stays on its base's face
      } else {
        faces_[i] = &font_.FaceFor(c);
      }
    }
  }

  std::vector<Run> SplitRuns() {
    const std::vector<FriBidiLevel> levels = BidiLevels(chars_);
    const std::vector<hb_script_t> scripts = ResolvedScripts(chars_, unicode_);
    std::vector<Run> runs;
    for (std::size_t i = 0; i < chars_.size(); ++i) {
      const bool shaped = (levels[i] & 1) || !NeedsNoShaping(scripts[i]);
      if (runs.empty() || runs.back().face != faces_[i] || runs.back().level != levels[i] ||
          runs.back().shaped != shaped || (shaped && runs.back().script != scripts[i])) {
        Run run;
        run.begin = i;
        run.face = faces_[i];
        run.level = levels[i];
        run.script = scripts[i];
        run.shaped = shaped;
        runs.push_back(std::move(run));
      }
      runs.back().end = i + 1;
    }
    return runs;
  }

  int Extra(const FaceUse& face) const { return face.synthetic_bold ? kSyntheticBoldExtra : 0; }

  void PlaceSimple(Run& run) {
    const FontFace& face = *run.face->face;
    const int em = face.tables().units_per_em;
    for (std::size_t i = run.begin; i < run.end; ++i) {
      if (invisible_[i]) continue;
      PlacedGlyph g;
      g.face = run.face;
      g.glyph = face.Glyph(chars_[i].code);
      g.x = run.width;
      g.advance = ScaleAdvance(face.AdvanceUnits(g.glyph), font_.ppem(), em) + Extra(*run.face);
      g.cluster = chars_[i].offset;
      run.glyphs.push_back(g);
      run.width += g.advance;
    }
  }

  void ShapeComplex(Run& run) {
    const FontFace& face = *run.face->face;
    const int em = face.tables().units_per_em;
    const FT_Fixed scale = FT_DivFix(FT_Long(font_.ppem()) * 64, em);
    hb_buffer_t* buffer = hb_buffer_create();
    const std::uint32_t first = chars_[run.begin].offset;
    const std::uint32_t last = chars_[run.end - 1].offset + chars_[run.end - 1].units;
    // The whole text goes in as context, so that letters join across run edges.
    hb_buffer_add_utf16(buffer, reinterpret_cast<const std::uint16_t*>(text_.data()), int(text_.size()),
                        first, int(last - first));
    hb_buffer_set_direction(buffer, (run.level & 1) ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer, run.script);
    hb_buffer_set_language(buffer, hb_language_get_default());
    // GDI does not kern; the features a script needs to be written stay on.
    const hb_feature_t no_kerning{HB_TAG('k', 'e', 'r', 'n'), 0, 0, ~0u};
    hb_shape(face.hb(), buffer, &no_kerning, 1);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    for (unsigned i = 0; i < count; ++i) {
      PlacedGlyph g;
      g.face = run.face;
      g.glyph = infos[i].codepoint;
      g.x = run.width;
      g.x_offset = FT_MulFix(positions[i].x_offset, scale);
      g.y_offset = FT_MulFix(positions[i].y_offset, scale);
      g.advance = ScaleAdvance(positions[i].x_advance, font_.ppem(), em) +
                  (positions[i].x_advance != 0 ? Extra(*run.face) : 0);
      g.cluster = std::min<std::uint32_t>(infos[i].cluster, std::uint32_t(text_.size() - 1));
      g.shaped = true;
      run.glyphs.push_back(g);
      run.width += g.advance;
    }
    hb_buffer_destroy(buffer);
  }

  // Runs from left to right: each sequence at a level or higher is reversed, from the
  // highest level down to the lowest odd one.
  static std::vector<std::size_t> VisualOrder(const std::vector<Run>& runs) {
    std::vector<std::size_t> order(runs.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    int highest = 0, lowest_odd = 1000;
    for (const Run& run : runs) {
      highest = std::max<int>(highest, run.level);
      if (run.level & 1) lowest_odd = std::min<int>(lowest_odd, run.level);
    }
    for (int level = highest; level >= lowest_odd; --level) {
      for (std::size_t i = 0; i < order.size();) {
        if (runs[order[i]].level < level) {
          ++i;
          continue;
        }
        std::size_t j = i;
        while (j < order.size() && runs[order[j]].level >= level) ++j;
        std::reverse(order.begin() + std::ptrdiff_t(i), order.begin() + std::ptrdiff_t(j));
        i = j;
      }
    }
    return order;
  }

  RealizedFont& font_;
  std::u16string_view text_;
  hb_unicode_funcs_t* unicode_;
  std::vector<Char> chars_;
  std::vector<const FaceUse*> faces_;
  std::vector<bool> invisible_;
};

}  // namespace

ShapedText ShapeText(RealizedFont& font, std::u16string_view text) {
  ++TextWorkCounters().shapings;
  return Shaper(font, text).Shape();
}

const ShapedText& ShapeTextOnce(RealizedFont& font, std::u16string_view text) {
  ShapingMemo& memo = font.shaping_memo();
  std::u16string key(text);
  if (auto known = memo.texts.find(key); known != memo.texts.end()) return known->second;
  // Each entry counts a little more than its units, so that many short lines are bounded too.
  const std::size_t cost = text.size() + kShapingMemoEntryUnits;
  if (memo.units + cost > kShapingMemoUnits) {
    memo.texts.clear();
    memo.units = 0;
  }
  memo.units += cost;
  return memo.texts.emplace(std::move(key), ShapeText(font, text)).first->second;
}

}  // namespace vx::text

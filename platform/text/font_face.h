// Inside the drawing layer: a font file's face opened with FreeType (outlines, metrics)
// and HarfBuzz (shaping), with the table values that text metrics are computed from.
//
// FreeType faces are not safe to use from two threads at once: every use of a FontFace,
// and every text call, holds TextLock().
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace vx {
struct TextWork;
}

namespace vx::text {

// The lock every text call holds while it uses faces, fonts and the FreeType library.
std::mutex& TextLock();

// The counters of text_diagnostics.h; change them with TextLock() held.
vx::TextWork& TextWorkCounters();

// Vertical metrics and the other table values, in font units.
struct FaceTables {
  int units_per_em = 2048;
  int win_ascent = 0;   // the cell's ascent: OS/2 usWinAscent or, without it, hhea
  int win_descent = 0;  // the cell's descent, positive below the baseline
  int hhea_ascent = 0;
  int hhea_descent = 0;  // negative below the baseline
  int line_gap = 0;
  int average_width = 0;  // OS/2 xAvgCharWidth
  int bbox_width = 0;     // head xMax - xMin
  int weight_class = 400;
  int family_class = 0;  // OS/2 sFamilyClass
  bool fixed_pitch = false;
  int underline_position = 0;  // centre of the underline, negative below the baseline
  int underline_thickness = 0;
  int strikeout_position = 0;
  int strikeout_thickness = 0;
  char16_t first_char = 0x20;
  char16_t last_char = 0xFFFD;
  char16_t default_char = 0;
  char16_t break_char = 0x20;
};

class FontFace {
 public:
  // The face of a font file; null when it cannot be opened or is not a usable outline
  // font. Faces opened by path are cached for the life of the process.
  static std::shared_ptr<FontFace> Open(const std::string& path, int index);
  // A face from bytes held in memory (copied); not cached.
  static std::shared_ptr<FontFace> FromBytes(const std::uint8_t* data, std::size_t size);

  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  const FaceTables& tables() const { return tables_; }
  FT_Face ft() const { return ft_; }
  hb_font_t* hb() const { return hb_; }  // scaled in font units

  // Glyph of a character, 0 (.notdef) when the face has none.
  unsigned Glyph(char32_t c) const { return FT_Get_Char_Index(ft_, c); }
  // Advance of a glyph in font units, from hmtx.
  int AdvanceUnits(unsigned glyph) const;
  // Sets FreeType's size to this many pixels per em, when it is not already.
  bool SetPixelSize(int ppem);

 private:
  FontFace() = default;
  static std::shared_ptr<FontFace> FromBlob(hb_blob_t* blob, int index);
  bool ReadTables();

  hb_blob_t* blob_ = nullptr;
  FT_Face ft_ = nullptr;
  hb_face_t* hb_face_ = nullptr;
  hb_font_t* hb_ = nullptr;
  FaceTables tables_;
  int pixel_size_ = 0;
};

// FreeType's library, created on first use.
FT_Library FreeTypeLibrary();

}  // namespace vx::text

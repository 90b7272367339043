#include "platform/text/font_face.h"
#include "platform/text/text_diagnostics.h"

#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H

#include <algorithm>
#include <map>
#include <utility>

namespace vx::text {

namespace {

// Faces whose metrics no sane text needs: rejected rather than trusted.
constexpr int kMinUnitsPerEm = 16;
constexpr int kMaxUnitsPerEm = 16384;

}  // namespace

std::mutex& TextLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

vx::TextWork& TextWorkCounters() {
  static vx::TextWork counters;
  return counters;
}

FT_Library FreeTypeLibrary() {
  static FT_Library library = [] {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return FT_Library{};
    return lib;
  }();
  return library;
}

std::shared_ptr<FontFace> FontFace::Open(const std::string& path, int index) {
  static auto* cache = new std::map<std::pair<std::string, int>, std::shared_ptr<FontFace>>;
  const auto key = std::make_pair(path, index);
  if (auto found = cache->find(key); found != cache->end()) return found->second;
  std::shared_ptr<FontFace> face;
  if (hb_blob_t* blob = hb_blob_create_from_file_or_fail(path.c_str())) face = FromBlob(blob, index);
  (*cache)[key] = face;  // a file that failed stays failed
  return face;
}

std::shared_ptr<FontFace> FontFace::FromBytes(const std::uint8_t* data, std::size_t size) {
  if (!data || size == 0 || size > 0x7FFFFFFF) return nullptr;
  hb_blob_t* blob = hb_blob_create(reinterpret_cast<const char*>(data), static_cast<unsigned>(size),
                                   HB_MEMORY_MODE_DUPLICATE, nullptr, nullptr);
  return FromBlob(blob, 0);
}

std::shared_ptr<FontFace> FontFace::FromBlob(hb_blob_t* blob, int index) {
  std::shared_ptr<FontFace> face(new FontFace);
  face->blob_ = blob;  // released by the destructor from here on
  unsigned length = 0;
  const char* data = hb_blob_get_data(blob, &length);
  FT_Library library = FreeTypeLibrary();
  if (!library || !data || length == 0) return nullptr;
  if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(data), FT_Long(length), index,
                         &face->ft_) != 0) {
    face->ft_ = nullptr;
    return nullptr;
  }
  if (!FT_IS_SCALABLE(face->ft_) || !face->ReadTables()) return nullptr;
  face->hb_face_ = hb_face_create(blob, static_cast<unsigned>(index));
  face->hb_ = hb_font_create(face->hb_face_);
  hb_font_set_scale(face->hb_, face->tables_.units_per_em, face->tables_.units_per_em);
  return face;
}

FontFace::~FontFace() {
  if (hb_) hb_font_destroy(hb_);
  if (hb_face_) hb_face_destroy(hb_face_);
  if (ft_) FT_Done_Face(ft_);
  hb_blob_destroy(blob_);
}

bool FontFace::ReadTables() {
  FaceTables& t = tables_;
  t.units_per_em = ft_->units_per_EM;
  if (t.units_per_em < kMinUnitsPerEm || t.units_per_em > kMaxUnitsPerEm) return false;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft_, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(ft_, FT_SFNT_HHEA));
  const auto* head = static_cast<const TT_Header*>(FT_Get_Sfnt_Table(ft_, FT_SFNT_HEAD));
  const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(ft_, FT_SFNT_POST));

  t.hhea_ascent = hhea ? hhea->Ascender : ft_->ascender;
  t.hhea_descent = hhea ? hhea->Descender : ft_->descender;
  t.line_gap = hhea ? hhea->Line_Gap : 0;
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    t.win_ascent = os2->usWinAscent;
    t.win_descent = os2->usWinDescent;
  } else {
    t.win_ascent = std::max(0, t.hhea_ascent);
    t.win_descent = std::max(0, -t.hhea_descent);
  }
  if (t.win_ascent + t.win_descent <= 0) {
    // Nothing says how tall the cell is: take the em, split as most faces split it.
    t.win_ascent = t.units_per_em * 4 / 5;
    t.win_descent = t.units_per_em - t.win_ascent;
  }
  if (os2 && os2->version != 0xFFFF) {
    t.average_width = os2->xAvgCharWidth;
    t.weight_class = os2->usWeightClass;
    t.family_class = os2->sFamilyClass;
    t.strikeout_position = os2->yStrikeoutPosition;
    t.strikeout_thickness = os2->yStrikeoutSize;
    t.first_char = static_cast<char16_t>(os2->usFirstCharIndex);
    t.last_char = static_cast<char16_t>(os2->usLastCharIndex);
    if (os2->version >= 2) {
      t.default_char = static_cast<char16_t>(os2->usDefaultChar);
      t.break_char = static_cast<char16_t>(os2->usBreakChar);
    }
  }
  if (t.strikeout_thickness <= 0) {
    t.strikeout_position = t.units_per_em * 3 / 10;
    t.strikeout_thickness = std::max(1, t.units_per_em / 20);
  }
  t.bbox_width = head ? head->xMax - head->xMin : ft_->bbox.xMax - ft_->bbox.xMin;
  t.fixed_pitch = (post && post->isFixedPitch) || FT_IS_FIXED_WIDTH(ft_);
  t.underline_position = ft_->underline_position;
  t.underline_thickness = ft_->underline_thickness;
  if (t.underline_thickness <= 0) {
    t.underline_position = -t.units_per_em / 10;
    t.underline_thickness = std::max(1, t.units_per_em / 20);
  }
  return true;
}

int FontFace::AdvanceUnits(unsigned glyph) const {
  FT_Fixed advance = 0;
  if (FT_Get_Advance(ft_, glyph, FT_LOAD_NO_SCALE, &advance) != 0) return 0;
  return static_cast<int>(advance);
}

bool FontFace::SetPixelSize(int ppem) {
  if (ppem == pixel_size_) return true;
  if (FT_Set_Pixel_Sizes(ft_, 0, static_cast<FT_UInt>(ppem)) != 0) {
    pixel_size_ = 0;
    return false;
  }
  pixel_size_ = ppem;
  return true;
}

}  // namespace vx::text

vx::TextWork vx::TextWorkDone() {
  std::lock_guard lock(text::TextLock());
  return text::TextWorkCounters();
}

// Inside the drawing layer: what a logical font becomes when text is measured or drawn
// with it: a face, a size, metrics, and the fallback faces for characters the face lacks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "platform/gdi_text.h"
#include "platform/surface/logical_font.h"

namespace vx::text {

class FontFace;
struct ShapingMemo;

// A face as a font uses it, with the styles it must synthesise.
struct FaceUse {
  std::shared_ptr<FontFace> face;
  bool synthetic_bold = false;
  bool synthetic_italic = false;
};

// What drawing a glyph found out about it, enough to tell later where it can draw without
// loading it again: the box of its outline's points as hinted and styled, before it is
// placed (26.6, y upwards), and its advance as hinting left it.
struct GlyphInk {
  bool has_outline = false;
  FT_BBox box{};
  int hinted_advance = -1;  // whole pixels when drawn bilevel, else -1
};

class RealizedFont : public gdi::FontRealization {
 public:
  // The face and size for a LOGFONTW; null when no face is installed or the size is
  // beyond what the layer draws.
  static std::unique_ptr<RealizedFont> Realize(const LOGFONTW& logfont);
  // A font on a given face (fonts read from memory); null when the size is refused.
  static std::unique_ptr<RealizedFont> OnFace(const LOGFONTW& logfont, FaceUse primary,
                                              std::u16string family);
  ~RealizedFont() override;

  const LOGFONTW& logfont() const { return logfont_; }
  const FaceUse& primary() const { return primary_; }
  const std::u16string& family() const { return family_; }
  const TEXTMETRICW& metrics() const { return metrics_; }
  int ppem() const { return ppem_; }

  // The face that shows a character: the primary face when it has it, else a fallback
  // face that does; the primary face (and its .notdef) when none has it. Faces used by
  // fallback live as long as this font.
  const FaceUse& FaceFor(char32_t c);

  // The ink of a glyph of one of this font's faces at its size, once drawn; null before.
  const GlyphInk* KnownInk(const FaceUse& face, unsigned glyph) const;
  void RememberInk(const FaceUse& face, unsigned glyph, const GlyphInk& ink);

  // The texts shaped in this font (text_shaping.h), kept for the calls that follow.
  ShapingMemo& shaping_memo();

 private:
  RealizedFont() = default;

  LOGFONTW logfont_{};
  FaceUse primary_;
  std::u16string family_;
  TEXTMETRICW metrics_{};
  int ppem_ = 0;
  std::unordered_map<const void*, std::unique_ptr<FaceUse>> fallback_faces_;  // by catalogue face
  std::unordered_map<char32_t, const FaceUse*> fallback_by_char_;
  // By face (the primary's or a fallback's, which live as long as the font) and glyph.
  struct InkKey {
    const FaceUse* face;
    unsigned glyph;
    bool operator==(const InkKey& other) const { return face == other.face && glyph == other.glyph; }
  };
  struct InkKeyHash {
    std::size_t operator()(const InkKey& key) const {
      return std::hash<const void*>()(key.face) ^ (std::size_t{key.glyph} * 0x9E3779B97F4A7C15u);
    }
  };
  std::unordered_map<InkKey, GlyphInk, InkKeyHash> inks_;
  std::unique_ptr<ShapingMemo> shaping_memo_;
};

}  // namespace vx::text

namespace vx::gdi {

// The realized font selected into a context; null when the context is bad or its font
// cannot be realized. Call with TextLock held.
text::RealizedFont* RealizedFontOf(HDC hdc);

}  // namespace vx::gdi

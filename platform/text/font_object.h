// Inside the drawing layer: what a logical font becomes when text is measured or drawn
// with it: a face, a size, metrics, and the fallback faces for characters the face lacks.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "platform/gdi_text.h"
#include "platform/surface/logical_font.h"

namespace vx::text {

class FontFace;

// A face as a font uses it, with the styles it must synthesise.
struct FaceUse {
  std::shared_ptr<FontFace> face;
  bool synthetic_bold = false;
  bool synthetic_italic = false;
};

class RealizedFont : public gdi::FontRealization {
 public:
  // The face and size for a LOGFONTW; null when no face is installed or the size is
  // beyond what the layer draws.
  static std::unique_ptr<RealizedFont> Realize(const LOGFONTW& logfont);
  // A font on a given face (fonts read from memory); null when the size is refused.
  static std::unique_ptr<RealizedFont> OnFace(const LOGFONTW& logfont, FaceUse primary,
                                              std::u16string family);

  const LOGFONTW& logfont() const { return logfont_; }
  const FaceUse& primary() const { return primary_; }
  const std::u16string& family() const { return family_; }
  const TEXTMETRICW& metrics() const { return metrics_; }
  int ppem() const { return ppem_; }

  // The face that shows a character: the primary face when it has it, else a fallback
  // face that does; the primary face (and its .notdef) when none has it. Faces used by
  // fallback live as long as this font.
  const FaceUse& FaceFor(char32_t c);

 private:
  RealizedFont() = default;

  LOGFONTW logfont_{};
  FaceUse primary_;
  std::u16string family_;
  TEXTMETRICW metrics_{};
  int ppem_ = 0;
  std::unordered_map<const void*, std::unique_ptr<FaceUse>> fallback_faces_;  // by catalogue face
  std::unordered_map<char32_t, const FaceUse*> fallback_by_char_;
};

}  // namespace vx::text

namespace vx::gdi {

// The realized font selected into a context; null when the context is bad or its font
// cannot be realized. Call with TextLock held.
text::RealizedFont* RealizedFontOf(HDC hdc);

}  // namespace vx::gdi

// What a logical font becomes for measuring and drawing: face, size, metrics, fallbacks.
#include <string_view>

#include "platform/text/font_catalog.h"
#include "platform/text/font_face.h"
#include "platform/text/font_metrics.h"
#include "platform/text/font_object.h"
#include "platform/text/text_shaping.h"

namespace vx::text {

namespace {

std::u16string_view FaceName(const LOGFONTW& logfont) {
  std::u16string_view name(logfont.lfFaceName, LF_FACESIZE);
  return name.substr(0, name.find(u'\0'));
}

// Characters that never come from another face: they are controls or not characters.
bool StaysWithPrimary(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c < 0xE000);
}

}  // namespace

std::unique_ptr<RealizedFont> RealizedFont::Realize(const LOGFONTW& logfont) {
  const FaceChoice choice = MatchFace(FaceName(logfont), logfont.lfWeight, logfont.lfItalic != 0);
  if (!choice.face) return nullptr;
  std::shared_ptr<FontFace> face = FontFace::Open(choice.face->path, choice.face->index);
  if (!face) return nullptr;
  return OnFace(logfont, {face, choice.synthetic_bold, choice.synthetic_italic}, choice.family);
}

std::unique_ptr<RealizedFont> RealizedFont::OnFace(const LOGFONTW& logfont, FaceUse primary,
                                                   std::u16string family) {
  if (!primary.face) return nullptr;
  const int ppem = PixelsPerEm(primary.face->tables(), logfont.lfHeight);
  if (ppem == 0) return nullptr;
  std::unique_ptr<RealizedFont> font(new RealizedFont);
  font->logfont_ = logfont;
  font->primary_ = std::move(primary);
  font->family_ = std::move(family);
  font->ppem_ = ppem;
  font->metrics_ = ComputeTextMetrics(font->primary_.face->tables(), ppem, logfont,
                                      font->primary_.synthetic_bold);
  return font;
}

const FaceUse& RealizedFont::FaceFor(char32_t c) {
  if (StaysWithPrimary(c) || primary_.face->Glyph(c) != 0) return primary_;
  if (auto known = fallback_by_char_.find(c); known != fallback_by_char_.end()) return *known->second;
  const FaceUse* use = &primary_;
  const FaceChoice choice = FallbackFace(c, logfont_.lfWeight, logfont_.lfItalic != 0);
  if (choice.face) {
    std::unique_ptr<FaceUse>& slot = fallback_faces_[choice.face];
    if (!slot) {
      std::shared_ptr<FontFace> face = FontFace::Open(choice.face->path, choice.face->index);
      slot = std::make_unique<FaceUse>(FaceUse{face, choice.synthetic_bold, choice.synthetic_italic});
    }
    if (slot->face && slot->face->Glyph(c) != 0) use = slot.get();
  }
  fallback_by_char_[c] = use;
  return *use;
}

RealizedFont::~RealizedFont() = default;

ShapingMemo& RealizedFont::shaping_memo() {
  if (!shaping_memo_) shaping_memo_ = std::make_unique<ShapingMemo>();
  return *shaping_memo_;
}

const GlyphInk* RealizedFont::KnownInk(const FaceUse& face, unsigned glyph) const {
  const auto found = inks_.find({&face, glyph});
  return found == inks_.end() ? nullptr : &found->second;
}

void RealizedFont::RememberInk(const FaceUse& face, unsigned glyph, const GlyphInk& ink) {
  inks_[{&face, glyph}] = ink;
}

}  // namespace vx::text

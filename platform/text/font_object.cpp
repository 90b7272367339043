// What a context's font becomes for text: its face and metrics.
#include "platform/text/font_object.h"

#include <mutex>

#include <algorithm>

#include "platform/text/font_face.h"
#include "platform/gdi.h"

using namespace vx::gdi;

namespace vx::gdi {

text::RealizedFont* RealizedFontOf(HDC hdc) {
  Dc* dc = FindDc(hdc);
  Font* font = dc ? FindFont(dc->font) : nullptr;
  if (!font) return nullptr;
  if (!font->realized) font->realized = text::RealizedFont::Realize(font->logfont);
  return static_cast<text::RealizedFont*>(font->realized.get());
}

}  // namespace vx::gdi

int GetTextFaceW(HDC hdc, int count, LPWSTR name) {
  std::lock_guard lock(vx::text::TextLock());
  vx::text::RealizedFont* font = RealizedFontOf(hdc);
  if (!font) return 0;
  const std::u16string& family = font->family();
  if (!name) return static_cast<int>(family.size()) + 1;
  if (count <= 0) return 0;
  const int copied = std::min<int>(count - 1, static_cast<int>(family.size()));
  std::copy_n(family.data(), copied, name);
  name[copied] = 0;
  return copied + 1;
}

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics) {
  if (!metrics) return FALSE;
  std::lock_guard lock(vx::text::TextLock());
  vx::text::RealizedFont* font = RealizedFontOf(hdc);
  if (!font) return FALSE;
  *metrics = font->metrics();
  return TRUE;
}

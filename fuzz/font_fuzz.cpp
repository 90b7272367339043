// Fuzz target: a font file as the drawing layer reads one: opened with FreeType and
// HarfBuzz, its tables turned into metrics at a bilevel, a grey and a huge size, and text
// of several scripts shaped and drawn with it (bold, italic, turned) on a small surface.
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/text/font_face.h"
#include "platform/text/font_metrics.h"
#include "platform/text/text_run.h"

namespace {

constexpr char16_t kText[] = u"Hxgy fjord\u00E9 \u0645\u0631\u062D\u0628\u0627 \u0928\u092E\u0938\u094D\u0924\u0947 \u0E2A\u0E27\u0E31\u0E2A";

struct Size {
  LONG height;
  LONG weight;
  BYTE italic;
  LONG escapement;
};
constexpr Size kSizes[] = {{-12, 400, 0, 0}, {20, 700, 1, 300}, {-2000, 400, 0, 900}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::lock_guard lock(vx::text::TextLock());
  std::shared_ptr<vx::text::FontFace> face = vx::text::FontFace::FromBytes(data, size);
  if (!face) return 0;
  std::vector<std::uint32_t> pixels(64 * 48, 0x00102030);
  vx::text::TextPaint paint;
  paint.target = {reinterpret_cast<std::uint8_t*>(pixels.data()), 64 * 4, 4, 64, 48};
  paint.clip = {0, 0, 64, 48};
  paint.color = 0x00FFFFFF;
  for (const Size& s : kSizes) {
    LOGFONTW logfont{};
    logfont.lfHeight = s.height;
    logfont.lfWeight = s.weight;
    logfont.lfItalic = s.italic;
    logfont.lfUnderline = s.italic;
    logfont.lfEscapement = s.escapement;
    std::unique_ptr<vx::text::RealizedFont> font =
        vx::text::RealizedFont::OnFace(logfont, {face, s.weight >= 600, s.italic != 0}, u"fuzz");
    if (!font) continue;
    const vx::text::ShapedText shaped = vx::text::ShapeText(*font, kText);
    vx::text::DrawRun(paint, *font, shaped, 2, 2, {0});
  }
  return 0;
}

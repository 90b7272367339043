#include "object/text_shadow.h"

#include <vector>

#include "gdi/dib_words.h"
#include "gdi/scratch_surface.h"
#include "gdi/vxgdi.h"
#include "object/mark_area.h"

namespace vx {

namespace {

void Fill(HDC dc, int width, int height, COLORREF color) {
  const RECT all{0, 0, width, height};
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &all, brush);
  DeleteObject(brush);
}

}  // namespace

std::uint8_t ShadowGrey(LONG opacity) {
  const double level = (opacity * 0.01) * 255;
  return static_cast<std::uint8_t>(static_cast<std::int64_t>(level) & 0xFF);
}

MaskPiece ShadowMask(HDC reference, HDC measuring, const MarkText& text, SIZE picture,
                     const ShadowStyle& style) {
  // A black mask, or a blur without weights, leaves every level 0.
  const std::uint8_t grey = ShadowGrey(style.opacity);
  if (grey == 0 || style.size < 0) return {};
  const MarkText moved = Shifted(text, style.distance, style.distance);
  const RECT bounds = MarkTextBounds(measuring, moved);
  MaskPiece drawn;
  drawn.area = PictureArea(bounds.left, bounds.top, bounds.right, bounds.bottom, picture);
  if (IsEmptyArea(drawn.area)) return {};

  // The mask only where the shadow text can draw; it is black everywhere else.
  const int width = drawn.width(), height = drawn.height();
  ScratchSurface surface(reference, width, height);
  if (!surface) return {};
  Fill(surface.dc(), width, height, RGB(0, 0, 0));
  DrawMarkText(surface.dc(), Shifted(moved, -drawn.area.left, -drawn.area.top), RGB(grey, grey, grey));
  std::vector<std::uint32_t> words(std::size_t(width) * std::size_t(height));
  if (!ReadDibWords(surface.dc(), surface.bitmap(), width, height, words.data())) return {};
  // The three channels are equal; the red one is the level, as the masked blit reads it.
  drawn.levels.resize(words.size());
  for (std::size_t i = 0; i < words.size(); ++i) drawn.levels[i] = std::uint8_t(words[i] >> 16);
  return BlurShadowMask(drawn, picture, style.size);
}

void LayShadow(HDC layer, POINT layer_origin, const MaskPiece& mask, COLORREF color) {
  if (mask.empty()) return;
  const int width = mask.width(), height = mask.height();
  ScratchSurface colored(layer, width, height), weights(layer, width, height);
  if (!colored || !weights) return;
  Fill(colored.dc(), width, height, color);
  std::vector<std::uint32_t> grey(mask.levels.size());
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = mask.levels[i] * 0x010101u;
  WriteDibWords(weights.dc(), 0, 0, width, height, grey.data());
  CvxGDI::BitBltDCByMaskDC(layer, int(mask.area.left - layer_origin.x),
                           int(mask.area.top - layer_origin.y), width, height, colored.dc(),
                           weights.dc());
}

}  // namespace vx

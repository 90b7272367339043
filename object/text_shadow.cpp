#include "object/text_shadow.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
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

  // The mask only where the shadow text can draw (it is black everywhere else), drawn band
  // by band on one surface; only its levels are kept, a byte a pixel.
  const int width = drawn.width();
  const int rows = int(std::min<std::int64_t>(std::max<std::int64_t>(1, kBandPixels / width), drawn.height()));
  ScratchSurface surface(reference, width, rows);
  if (!surface) return {};
  std::vector<std::uint32_t> words(std::size_t(width) * std::size_t(rows));
  drawn.levels.resize(std::size_t(width) * std::size_t(drawn.height()));
  const bool whole = ForEachBand(drawn.area, [&](const RECT& band) {
    const int height = int(band.bottom - band.top);
    Fill(surface.dc(), width, rows, RGB(0, 0, 0));
    DrawMarkText(surface.dc(), Shifted(moved, -band.left, -band.top), RGB(grey, grey, grey));
    if (!ReadDibWords(surface.dc(), surface.bitmap(), width, rows, words.data())) return false;
    // The three channels are equal; the red one is the level, as the masked blit reads it.
    std::uint8_t* levels = &drawn.levels[std::size_t(band.top - drawn.area.top) * std::size_t(width)];
    for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i) levels[i] = std::uint8_t(words[i] >> 16);
    return true;
  });
  if (!whole) return {};
  return BlurShadowMask(drawn, picture, style.size);
}

void LayShadow(HDC layer, const RECT& layer_area, const MaskPiece& mask, COLORREF color) {
  if (mask.empty()) return;
  // The part of the mask on the layer.
  const RECT part{std::max(mask.area.left, layer_area.left), std::max(mask.area.top, layer_area.top),
                  std::min(mask.area.right, layer_area.right), std::min(mask.area.bottom, layer_area.bottom)};
  if (IsEmptyArea(part)) return;
  const int width = int(part.right - part.left), height = int(part.bottom - part.top);
  ScratchSurface colored(layer, width, height), weights(layer, width, height);
  if (!colored || !weights) return;
  // Called band by band while the picture is merged: a buffer that cannot be had leaves
  // the band's shadow out, as a surface that cannot be had does, rather than throw.
  const std::unique_ptr<std::uint32_t[]> grey(new (std::nothrow) std::uint32_t[std::size_t(width) * std::size_t(height)]);
  if (!grey) return;
  Fill(colored.dc(), width, height, color);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      grey[std::size_t(y) * std::size_t(width) + std::size_t(x)] = mask.At(part.left + x, part.top + y) * 0x010101u;
    }
  }
  WriteDibWords(weights.dc(), 0, 0, width, height, grey.get());
  CvxGDI::BitBltDCByMaskDC(layer, int(part.left - layer_area.left), int(part.top - layer_area.top), width,
                           height, colored.dc(), weights.dc());
}

}  // namespace vx

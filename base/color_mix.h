// The colour mixer behind CvxGDI::ShadeColors, inline so that per-pixel loops pay no call
// for it; text drawing in the platform layer mixes glyph coverage through it as well.
#pragma once

#include <algorithm>
#include <cstdint>

namespace vx {

// The 8-bit channel at `shift` of overlay over that of base, left in place.
constexpr std::uint32_t ShadeChannel(std::uint32_t base, std::uint32_t overlay,
                                     std::uint32_t weight, int shift) {
  const std::uint32_t below = (base >> shift) & 0xFF;
  const std::uint32_t above = (overlay >> shift) & 0xFF;
  return ((above * weight + below * (255 - weight)) / 255) << shift;
}

// Weight 0 returns base and 255 returns overlay, all 32 bits. Any other weight mixes each
// of the three low bytes as (overlay x weight + base x (255 - weight)) / 255, truncated,
// and leaves the top byte 0. Weights outside 0..255 count as the nearest end.
constexpr std::uint32_t ShadeColorsInline(std::uint32_t base, std::uint32_t overlay,
                                          int weight) {
  weight = std::clamp(weight, 0, 255);
  if (weight == 0) return base;
  if (weight == 255) return overlay;
  const auto w = static_cast<std::uint32_t>(weight);
  return ShadeChannel(base, overlay, w, 0) | ShadeChannel(base, overlay, w, 8) |
         ShadeChannel(base, overlay, w, 16);
}

}  // namespace vx

// The body of CvxGDI::ShadeColors, inline so that per-pixel loops pay no call for it.
#pragma once

#include <algorithm>
#include <cstdint>

namespace vx {

// Weight 0 returns base and 255 returns overlay, all 32 bits. Any other weight mixes each
// of the three low bytes as (overlay x weight + base x (255 - weight)) / 255, truncated,
// and leaves the top byte 0. Weights outside 0..255 count as the nearest end.
constexpr std::uint32_t ShadeColorsInline(std::uint32_t base, std::uint32_t overlay,
                                          int weight) {
  weight = std::clamp(weight, 0, 255);
  if (weight == 0) return base;
  if (weight == 255) return overlay;
  const std::uint32_t keep = 255 - static_cast<std::uint32_t>(weight);
  const std::uint32_t take = static_cast<std::uint32_t>(weight);
  std::uint32_t mixed = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const std::uint32_t b = (base >> shift) & 0xFF;
    const std::uint32_t o = (overlay >> shift) & 0xFF;
    mixed |= ((o * take + b * keep) / 255) << shift;
  }
  return mixed;
}

}  // namespace vx

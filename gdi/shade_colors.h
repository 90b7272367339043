// The body of CvxGDI::ShadeColors: vx::ShadeColorsInline, which the drawing layer's text
// uses too, so it lives below gdi/.
#pragma once

#include <cstdint>

#include "base/color_mix.h"

namespace vx {

// A straight-alpha colour laid over a DIB word as the pixel-buffer blits lay it: mixed
// with its alpha (0..255) as weight, and that alpha kept as the word's top byte.
constexpr std::uint32_t BlendOverWord(std::uint32_t below, std::uint32_t colour, std::uint32_t alpha) {
  return (ShadeColorsInline(below, colour, static_cast<int>(alpha)) & 0x00FFFFFF) | (alpha << 24);
}

}  // namespace vx

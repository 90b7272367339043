// The text watermark done the long way, for tests to hold the real one against: a layer
// and a shadow mask of the whole picture's size, the blur run over every pixel with an
// accumulator of three channels, and the whole layer merged back.
#pragma once

#include <cstdint>
#include <functional>

#include "object/text_mark.h"
#include "object/text_mark_layout.h"

namespace vx::testing {

// Both blur passes over every pixel of a width x height mask of `channels` channels, exactly
// as written out: a double accumulator of every pixel and channel filled along the rows,
// then the columns summed from it into the mask. Radius 0 keeps the mask (the formula
// would divide zero by zero there).
void BlurWholeMask(int width, int height, int channels, int size,
                   const std::function<std::uint8_t&(int x, int y, int channel)>& mask);

void StampTextMarkOnWholeLayers(HDC picture, SIZE size, const TextMarkFontSettings& font,
                                const TextMarkSettings& settings, const char16_t* text,
                                POINT position);

}  // namespace vx::testing

// The text watermark done the long way, for tests to hold the real one against: a layer
// and a shadow mask of the whole picture's size, the blur run over every pixel with an
// accumulator of three channels, and the whole layer merged back.
#pragma once

#include "object/text_mark.h"
#include "object/text_mark_layout.h"

namespace vx::testing {

void StampTextMarkOnWholeLayers(HDC picture, SIZE size, const TextMarkFontSettings& font,
                                const TextMarkSettings& settings, const char16_t* text,
                                POINT position);

}  // namespace vx::testing

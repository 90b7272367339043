// CMYK rows of a JPEG to DIB words without a profile: each ink taken off the paper's white
// in proportion, as stored. With an Adobe marker the four values are inverted, as nearly
// every CMYK JPEG stores them; without one they are plain ink amounts.
#pragma once

#include <cstdint>

namespace vx {

inline void JpegCmykToWords(const unsigned char* cmyk, std::uint32_t* out, int count, bool inverted) {
  const unsigned flip = inverted ? 0 : 255;
  for (int i = 0; i < count; ++i, cmyk += 4) {
    const unsigned c = cmyk[0] ^ flip, m = cmyk[1] ^ flip, y = cmyk[2] ^ flip, k = cmyk[3] ^ flip;
    const unsigned r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
    out[i] = 0xFF000000u | (r << 16) | (g << 8) | b;
  }
}

}  // namespace vx

// RGB pixels whose profile is three curves and a matrix (the RGB profiles of cameras and
// editors: Adobe RGB, Display P3, ProPhoto) converted to sRGB by the two profiles' own
// numbers, without lcms2's transform for each pixel: each channel through its curve into
// light (a table of 256 values), the 3 x 3 matrix from the source's primaries to sRGB's
// (both as their profiles give them, relative to the white of the connection space), and
// back through sRGB's curve from a table of kLightSteps + 1 steps of light. lcms2's own
// transform, made beside it, checks it when it is made: a profile whose colours this
// arithmetic does not bring to within one level of lcms2's is left to lcms2.
#pragma once

#include <lcms2.h>

#include <cstddef>
#include <cstdint>

namespace vx {

class MatrixShaperConversion {
 public:
  static constexpr int kLightSteps = 16384;

  // False when `source` is not such a profile or fails the check against `transform`:
  // lcms2's from `source` to sRGB as DIB words, taking DIB words (`words_in`) or R, G, B
  // bytes.
  bool Make(cmsHPROFILE source, cmsHPROFILE srgb, cmsHTRANSFORM transform, bool words_in);

  // R, G, B bytes into DIB words whose top byte is 0xFF.
  void ConvertRgb(const std::uint8_t* rgb, std::uint32_t* out, std::size_t count) const;
  // DIB words into DIB words, each keeping its top byte; `in` may be `out`.
  void ConvertWords(const std::uint32_t* in, std::uint32_t* out, std::size_t count) const;

  // The plain arithmetic alone, which the fast loops reproduce exactly.
  void ConvertWordsPlain(const std::uint32_t* in, std::uint32_t* out, std::size_t count) const;

  // The tables, as the fast loops read them.
  struct Tables {
    float light[3][256];  // R, G, B
    float matrix[9];      // rows R, G, B of sRGB from columns R, G, B of the source
    // sRGB's 8-bit value of each step of light, a 32-bit word each for the gathers.
    std::int32_t encoded[3][kLightSteps + 1];
  };

 private:
  Tables tables_;
};

// One channel's step of light from the matrix's sum, clamped: the plain and the fast loops
// both round this way, so that they agree to the bit.
inline int LightStep(float light) {
  const float scaled = light * float(MatrixShaperConversion::kLightSteps) + 0.5f;
  if (!(scaled > 0)) return 0;
  if (scaled >= float(MatrixShaperConversion::kLightSteps)) return MatrixShaperConversion::kLightSteps;
  return int(scaled);
}

}  // namespace vx

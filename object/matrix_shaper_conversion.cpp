#include "object/matrix_shaper_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "object/matrix_shaper_x86.h"

namespace vx {
namespace {

constexpr cmsTagSignature kColorants[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
constexpr cmsTagSignature kCurves[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};

// The profile's primaries as the columns of the matrix from R, G, B light to X, Y, Z.
bool PrimariesOf(cmsHPROFILE profile, double (&m)[3][3]) {
  for (int c = 0; c < 3; ++c) {
    const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, kColorants[c]));
    if (!xyz) return false;
    m[0][c] = xyz->X;
    m[1][c] = xyz->Y;
    m[2][c] = xyz->Z;
  }
  return true;
}

bool Invert(const double (&a)[3][3], double (&inverse)[3][3]) {
  const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                     a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                     a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  if (!std::isfinite(det) || std::fabs(det) < 1e-9) return false;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      // The cofactor of (c, r), by the rows and columns other than c and r, in turn.
      const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
      inverse[r][c] = (a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1]) / det;
    }
  }
  return true;
}

std::uint32_t Channel(const MatrixShaperConversion::Tables& t, int channel, float r, float g, float b) {
  const float* m = t.matrix + channel * 3;
  return std::uint32_t(t.encoded[channel][LightStep(m[0] * r + m[1] * g + m[2] * b)]);
}

// The DIB word of the colour whose stored values are (r, g, b), under the top byte `top`.
std::uint32_t Converted(const MatrixShaperConversion::Tables& t, std::uint32_t r, std::uint32_t g, std::uint32_t b,
                        std::uint32_t top) {
  const float red = t.light[0][r], green = t.light[1][g], blue = t.light[2][b];
  return top | Channel(t, 0, red, green, blue) << 16 | Channel(t, 1, red, green, blue) << 8 |
         Channel(t, 2, red, green, blue);
}

// A grid of colours and every grey, as R, G, B bytes, for the check against lcms2.
std::vector<std::uint8_t> CheckColours() {
  std::vector<std::uint8_t> rgb;
  for (int r = 0; r < 256; r += 17)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 17) rgb.insert(rgb.end(), {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)});
  for (int v = 0; v < 256; ++v) rgb.insert(rgb.end(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});
  return rgb;
}

}  // namespace

bool MatrixShaperConversion::Make(cmsHPROFILE source, cmsHPROFILE srgb, cmsHTRANSFORM transform, bool words_in) {
  if (!source || !srgb || !transform || cmsGetColorSpace(source) != cmsSigRgbData ||
      !cmsIsMatrixShaper(source) || cmsIsCLUT(source, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT))
    return false;
  double from[3][3], to[3][3], to_inverse[3][3];
  if (!PrimariesOf(source, from) || !PrimariesOf(srgb, to) || !Invert(to, to_inverse)) return false;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      const double m = to_inverse[r][0] * from[0][c] + to_inverse[r][1] * from[1][c] + to_inverse[r][2] * from[2][c];
      if (!std::isfinite(m) || std::fabs(m) > 16) return false;
      tables_.matrix[r * 3 + c] = float(m);
    }
  }
  for (int c = 0; c < 3; ++c) {
    const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(source, kCurves[c]));
    const auto* srgb_curve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb, kCurves[c]));
    if (!curve || !srgb_curve) return false;
    for (int v = 0; v < 256; ++v)
      tables_.light[c][v] = std::clamp(cmsEvalToneCurveFloat(curve, float(v) / 255), 0.0f, 1.0f);
    // sRGB's value of light x is the v whose rounding interval holds x's encoding: the
    // largest v whose lower edge, (v - 0.5) / 255 taken back into light by sRGB's curve,
    // lies at or below x. 255 evaluations of the curve instead of one a step.
    int value = 0;
    float next_edge = cmsEvalToneCurveFloat(srgb_curve, 0.5f / 255);
    for (int step = 0; step <= kLightSteps; ++step) {
      const float light = float(step) / kLightSteps;
      while (value < 255 && next_edge <= light) {
        ++value;
        next_edge = value < 255 ? cmsEvalToneCurveFloat(srgb_curve, (float(value) + 0.5f) / 255) : 2.0f;
      }
      tables_.encoded[c][step] = value;
    }
  }
  // Within one level of lcms2 on every colour of the grid, or not used.
  const std::vector<std::uint8_t> rgb = CheckColours();
  const std::size_t count = rgb.size() / 3;
  std::vector<std::uint32_t> words(count), by_lcms(count), ours(count);
  for (std::size_t i = 0; i < count; ++i)
    words[i] = std::uint32_t{rgb[3 * i]} << 16 | std::uint32_t{rgb[3 * i + 1]} << 8 | rgb[3 * i + 2];
  if (words_in) cmsDoTransform(transform, words.data(), by_lcms.data(), cmsUInt32Number(count));
  else cmsDoTransform(transform, rgb.data(), by_lcms.data(), cmsUInt32Number(count));
  ConvertWords(words.data(), ours.data(), count);
  for (std::size_t i = 0; i < count; ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      if (std::abs(int(by_lcms[i] >> shift & 0xFF) - int(ours[i] >> shift & 0xFF)) > 1) return false;
    }
  }
  return true;
}

void MatrixShaperConversion::ConvertRgb(const std::uint8_t* rgb, std::uint32_t* out, std::size_t count) const {
  for (std::size_t i = 0; i < count; ++i, rgb += 3) out[i] = Converted(tables_, rgb[0], rgb[1], rgb[2], 0xFF000000u);
}

void MatrixShaperConversion::ConvertWordsPlain(const std::uint32_t* in, std::uint32_t* out, std::size_t count) const {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t word = in[i];
    out[i] = Converted(tables_, word >> 16 & 0xFF, word >> 8 & 0xFF, word & 0xFF, word & 0xFF000000u);
  }
}

void MatrixShaperConversion::ConvertWords(const std::uint32_t* in, std::uint32_t* out, std::size_t count) const {
#ifdef VX_MATRIX_SHAPER_X86
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) {
    const std::size_t done = ConvertWordsAvx2(tables_, in, out, count);
    in += done;
    out += done;
    count -= done;
  }
#endif
  ConvertWordsPlain(in, out, count);
}

}  // namespace vx

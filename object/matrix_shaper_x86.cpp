// Eight DIB words at a time: the light of each channel gathered from its table, the matrix
// as separate multiplies and adds in the plain loop's order (no fused multiply-add), the
// step rounded and clamped as LightStep does, sRGB's value gathered from its table.
#include "object/matrix_shaper_x86.h"

#ifdef VX_MATRIX_SHAPER_X86
#include <immintrin.h>

namespace vx {
namespace {

[[gnu::target("avx2")]] __m256i Step(const float* m, __m256 r, __m256 g, __m256 b) {
  const __m256 sum = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(m[0]), r),
                                                 _mm256_mul_ps(_mm256_set1_ps(m[1]), g)),
                                   _mm256_mul_ps(_mm256_set1_ps(m[2]), b));
  __m256 scaled = _mm256_add_ps(_mm256_mul_ps(sum, _mm256_set1_ps(float(MatrixShaperConversion::kLightSteps))),
                                _mm256_set1_ps(0.5f));
  // max_ps answers its second operand for NaN: 0, as LightStep does.
  scaled = _mm256_max_ps(scaled, _mm256_setzero_ps());
  scaled = _mm256_min_ps(scaled, _mm256_set1_ps(float(MatrixShaperConversion::kLightSteps)));
  return _mm256_cvttps_epi32(scaled);
}

}  // namespace

[[gnu::target("avx2")]] std::size_t ConvertWordsAvx2(const MatrixShaperConversion::Tables& t, const std::uint32_t* in,
                                                     std::uint32_t* out, std::size_t count) {
  const __m256i byte = _mm256_set1_epi32(0xFF);
  const std::size_t whole = count / 8 * 8;
  for (std::size_t i = 0; i < whole; i += 8) {
    const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
    const __m256 r = _mm256_i32gather_ps(t.light[0], _mm256_and_si256(_mm256_srli_epi32(words, 16), byte), 4);
    const __m256 g = _mm256_i32gather_ps(t.light[1], _mm256_and_si256(_mm256_srli_epi32(words, 8), byte), 4);
    const __m256 b = _mm256_i32gather_ps(t.light[2], _mm256_and_si256(words, byte), 4);
    const __m256i red = _mm256_i32gather_epi32(t.encoded[0], Step(t.matrix, r, g, b), 4);
    const __m256i green = _mm256_i32gather_epi32(t.encoded[1], Step(t.matrix + 3, r, g, b), 4);
    const __m256i blue = _mm256_i32gather_epi32(t.encoded[2], Step(t.matrix + 6, r, g, b), 4);
    const __m256i top = _mm256_andnot_si256(_mm256_set1_epi32(0x00FFFFFF), words);
    const __m256i result = _mm256_or_si256(
        _mm256_or_si256(top, _mm256_slli_epi32(red, 16)), _mm256_or_si256(_mm256_slli_epi32(green, 8), blue));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), result);
  }
  return whole;
}

}  // namespace vx
#endif

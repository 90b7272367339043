// The resampler's inner loops in AVX2. They compute exactly the integers of the plain loops
// (resample_kernels.cpp), in another order where integer sums allow it.
#include "object/resample_kernels_x86.h"

#ifdef VX_RESAMPLE_X86
#include <immintrin.h>

#include <algorithm>

namespace vx::resample {
namespace {

// Interior rows are summed in 16-bit lanes this many at a time (257 x 255 < 2^16), then
// in 32-bit lanes, across one cache line of columns held in registers.
constexpr int kRowsIn16Bits = 257;
constexpr std::size_t kLine = 64;

[[gnu::target("avx2")]] __m256i Load16Bytes(const std::uint8_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

[[gnu::target("avx2")]] __m256i Load8Bytes(const std::uint8_t* p) {
  return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

// The interior sums of the 64 bytes from `top` down `count` rows, as 8 x 8 32-bit lanes.
[[gnu::target("avx2")]] void SumLine(const std::uint8_t* top, std::ptrdiff_t stride, int count,
                                     __m256i (&totals)[8]) {
  for (__m256i& t : totals) t = _mm256_setzero_si256();
  for (int done = 0; done < count;) {
    const int block = std::min(kRowsIn16Bits, count - done);
    __m256i lanes[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                        _mm256_setzero_si256()};
    const std::uint8_t* row = top + done * stride;
    for (int r = 0; r < block; ++r, row += stride) {
      for (int q = 0; q < 4; ++q) lanes[q] = _mm256_add_epi16(lanes[q], Load16Bytes(row + q * 16));
    }
    for (int q = 0; q < 4; ++q) {
      totals[2 * q] = _mm256_add_epi32(totals[2 * q], _mm256_cvtepu16_epi32(_mm256_castsi256_si128(lanes[q])));
      totals[2 * q + 1] = _mm256_add_epi32(totals[2 * q + 1], _mm256_cvtepu16_epi32(_mm256_extracti128_si256(lanes[q], 1)));
    }
    done += block;
  }
}

[[gnu::target("avx2")]] void AreaColumnsAvx2(const AreaRows& rows, std::size_t bytes,
                                             std::uint32_t* sums) {
  const __m256i unit = _mm256_set1_epi32(int(rows.unit));
  const __m256i first_weight = _mm256_set1_epi32(int(rows.first_weight));
  const __m256i last_weight = _mm256_set1_epi32(int(rows.last_weight));
  std::size_t c = 0;
  for (; c + kLine <= bytes; c += kLine) {
    __m256i totals[8];
    SumLine(rows.interior + c, rows.interior_stride, rows.interior_count, totals);
    for (int q = 0; q < 8; ++q) {
      __m256i sum = _mm256_add_epi32(_mm256_mullo_epi32(totals[q], unit),
                                     _mm256_mullo_epi32(Load8Bytes(rows.first + c + 8 * q), first_weight));
      if (rows.last) {
        sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(Load8Bytes(rows.last + c + 8 * q), last_weight));
      }
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + c + 8 * q), sum);
    }
  }
  // The last bytes, fewer than a line, one at a time.
  for (; c < bytes; ++c) {
    std::uint32_t interior = 0;
    const std::uint8_t* row = rows.interior + c;
    for (int r = 0; r < rows.interior_count; ++r, row += rows.interior_stride) interior += *row;
    std::uint32_t sum = interior * rows.unit + rows.first[c] * rows.first_weight;
    if (rows.last) sum += rows.last[c] * rows.last_weight;
    sums[c] = sum;
  }
}

// The four channels of a pixel of column sums, widened to 64 bits and weighted.
[[gnu::target("avx2")]] __m256i WeightedPixel(const std::uint32_t* p, __m256i weight) {
  return _mm256_mul_epu32(_mm256_cvtepu32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))), weight);
}

[[gnu::target("avx2")]] void AreaPixelsAvx2(const std::uint32_t* sums, int origin,
                                            const AreaCell* cells, int count, std::uint32_t unit,
                                            const RoundedMean& mean, std::uint32_t* out) {
  const __m256i unit_weight = _mm256_set1_epi64x(unit);
  for (int i = 0; i < count; ++i) {
    const AreaCell& cell = cells[i];
    const std::uint32_t* p = sums + std::ptrdiff_t(cell.first - origin) * 4;
    __m256i sum = WeightedPixel(p, _mm256_set1_epi64x(cell.first_weight));
    if (cell.last != cell.first) {
      const int n = cell.last - cell.first;
      for (int k = 1; k < n; ++k) sum = _mm256_add_epi64(sum, WeightedPixel(p + k * 4, unit_weight));
      sum = _mm256_add_epi64(sum, WeightedPixel(p + n * 4, _mm256_set1_epi64x(cell.last_weight)));
    }
    alignas(32) std::uint64_t channels[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(channels), sum);
    out[i] = mean(channels[0]) | mean(channels[1]) << 8 | mean(channels[2]) << 16;
  }
}

// Two rows' 16 bytes from column c, interleaved as 16-bit pairs and multiplied by the
// pair of weights, added to the sums of bytes (0..3, 8..11) and (4..7, 12..15).
[[gnu::target("avx2")]] void AddRowPair(const std::uint8_t* a, const std::uint8_t* b,
                                        __m256i weights, __m256i* low, __m256i* high) {
  const __m256i pa = Load16Bytes(a), pb = Load16Bytes(b);
  *low = _mm256_add_epi32(*low, _mm256_madd_epi16(_mm256_unpacklo_epi16(pa, pb), weights));
  *high = _mm256_add_epi32(*high, _mm256_madd_epi16(_mm256_unpackhi_epi16(pa, pb), weights));
}

[[gnu::target("avx2")]] __m256i WeightPair(std::int16_t a, std::int16_t b) {
  return _mm256_set1_epi32(int(std::uint16_t(a)) | int(std::uint32_t(std::uint16_t(b)) << 16));
}

// (sum + 128) >> 8 of both, saturated to 16 bits, in column order.
[[gnu::target("avx2")]] __m256i RoundAndPack(__m256i low, __m256i high) {
  const __m256i half = _mm256_set1_epi32(128);
  return _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(low, half), 8),
                            _mm256_srai_epi32(_mm256_add_epi32(high, half), 8));
}

[[gnu::target("avx2")]] void LanczosColumnsAvx2(const std::uint8_t* const* rows,
                                                const std::int16_t* weights, int taps,
                                                std::size_t bytes, std::int16_t* out) {
  std::size_t c = 0;
  for (; c + 32 <= bytes; c += 32) {
    __m256i low0 = _mm256_setzero_si256(), high0 = low0, low1 = low0, high1 = low0;
    int t = 0;
    for (; t + 2 <= taps; t += 2) {
      const __m256i w = WeightPair(weights[t], weights[t + 1]);
      AddRowPair(rows[t] + c, rows[t + 1] + c, w, &low0, &high0);
      AddRowPair(rows[t] + c + 16, rows[t + 1] + c + 16, w, &low1, &high1);
    }
    if (t < taps) {
      const __m256i w = WeightPair(weights[t], 0);
      AddRowPair(rows[t] + c, rows[t] + c, w, &low0, &high0);
      AddRowPair(rows[t] + c + 16, rows[t] + c + 16, w, &low1, &high1);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + c), RoundAndPack(low0, high0));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + c + 16), RoundAndPack(low1, high1));
  }
  for (; c < bytes; ++c) {
    std::int32_t sum = 0;
    for (int t = 0; t < taps; ++t) sum += weights[t] * rows[t][c];
    out[c] = static_cast<std::int16_t>(std::clamp((sum + 128) >> 8, -32768, 32767));
  }
}

// Four pixels of four 16-bit channels, two to a 128-bit lane, each lane reordered to
// channel pairs (b0 b1 g0 g1 r0 r1 a0 a1) and multiplied by its pair of weights.
[[gnu::target("avx2")]] void LanczosPixelsAvx2(const std::int16_t* columns, const int* first,
                                               const int* taps, const std::int16_t* weights,
                                               int weight_stride, int count, std::uint32_t* out) {
  const __m256i pairs = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,
                                         0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
  const __m256i lane_pairs = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
  const __m128i half = _mm_set1_epi32(1 << 19);
  for (int i = 0; i < count; ++i) {
    const std::int16_t* w = weights + std::ptrdiff_t(i) * weight_stride;
    const std::int16_t* p = columns + std::ptrdiff_t(first[i]) * 4;
    __m256i sum = _mm256_setzero_si256();
    for (int t = 0; t < taps[i]; t += 4) {
      const __m256i four = _mm256_shuffle_epi8(
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + t * 4)), pairs);
      const __m256i w4 = _mm256_permutevar8x32_epi32(
          _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(w + t))), lane_pairs);
      sum = _mm256_add_epi32(sum, _mm256_madd_epi16(four, w4));
    }
    __m128i total = _mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
    total = _mm_srai_epi32(_mm_add_epi32(total, half), 20);
    total = _mm_packus_epi16(_mm_packs_epi32(total, total), total);
    out[i] = std::uint32_t(_mm_cvtsi128_si32(total)) & 0x00FFFFFFu;
  }
}

const RowKernels kAvx2 = {AreaColumnsAvx2, AreaPixelsAvx2, LanczosColumnsAvx2, LanczosPixelsAvx2};

}  // namespace

const RowKernels& Avx2Kernels() { return kAvx2; }

}  // namespace vx::resample
#endif

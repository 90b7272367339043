// The resampler's inner loops written out plainly, and the choice of the fastest set.
#include "object/resample_kernels.h"

#include <algorithm>

#include "object/resample_kernels_x86.h"

namespace vx::resample {
namespace {

void AreaColumnsPlain(const AreaRows& rows, std::size_t bytes, std::uint32_t* sums) {
  std::fill(sums, sums + bytes, 0u);
  const std::uint8_t* row = rows.interior;
  for (int r = 0; r < rows.interior_count; ++r, row += rows.interior_stride) {
    for (std::size_t c = 0; c < bytes; ++c) sums[c] += row[c];
  }
  for (std::size_t c = 0; c < bytes; ++c) {
    std::uint32_t sum = sums[c] * rows.unit + rows.first[c] * rows.first_weight;
    if (rows.last) sum += rows.last[c] * rows.last_weight;
    sums[c] = sum;
  }
}

void AreaPixelsPlain(const std::uint32_t* sums, int origin, const AreaCell* cells, int count,
                     std::uint32_t unit, const RoundedMean& mean, std::uint32_t* out) {
  for (int i = 0; i < count; ++i) {
    const AreaCell& cell = cells[i];
    const std::uint32_t* p = sums + std::ptrdiff_t(cell.first - origin) * 4;
    std::uint32_t word = 0;
    for (int channel = 0; channel < 3; ++channel) {
      std::uint64_t sum = std::uint64_t(cell.first_weight) * p[channel];
      if (cell.last != cell.first) {
        const int n = cell.last - cell.first;
        std::uint64_t interior = 0;
        for (int k = 1; k < n; ++k) interior += p[k * 4 + channel];
        sum += interior * unit + std::uint64_t(cell.last_weight) * p[n * 4 + channel];
      }
      word |= mean(sum) << (8 * channel);
    }
    out[i] = word;
  }
}

std::int16_t ClampToInt16(std::int32_t v) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, -32768, 32767));
}

void LanczosColumnsPlain(const std::uint8_t* const* rows, const std::int16_t* weights, int taps,
                         std::size_t bytes, std::int16_t* out) {
  for (std::size_t c = 0; c < bytes; ++c) {
    std::int32_t sum = 0;
    for (int t = 0; t < taps; ++t) sum += weights[t] * rows[t][c];
    out[c] = ClampToInt16((sum + 128) >> 8);
  }
}

void LanczosPixelsPlain(const std::int16_t* columns, const int* first, const int* taps,
                        const std::int16_t* weights, int weight_stride, int count,
                        std::uint32_t* out) {
  for (int i = 0; i < count; ++i) {
    const std::int16_t* w = weights + std::ptrdiff_t(i) * weight_stride;
    const std::int16_t* p = columns + std::ptrdiff_t(first[i]) * 4;
    std::uint32_t word = 0;
    for (int channel = 0; channel < 3; ++channel) {
      std::int32_t sum = 0;
      for (int t = 0; t < taps[i]; ++t) sum += w[t] * p[t * 4 + channel];
      word |= std::uint32_t(std::clamp((sum + (1 << 19)) >> 20, 0, 255)) << (8 * channel);
    }
    out[i] = word;
  }
}

const RowKernels kPlain = {AreaColumnsPlain, AreaPixelsPlain, LanczosColumnsPlain, LanczosPixelsPlain};

}  // namespace

const RowKernels& PlainKernels() { return kPlain; }

const RowKernels& FastKernels() {
#ifdef VX_RESAMPLE_X86
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return Avx2Kernels();
#endif
  return kPlain;
}

}  // namespace vx::resample

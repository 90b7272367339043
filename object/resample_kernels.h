// The inner loops of the resampler, over the bytes of DIB rows (four channels a pixel, the
// fourth computed like the others and dropped at the end). Each comes plain and, where the
// processor has it, in AVX2; both give the same integers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx::resample {

// The rows of one output row of an area average, as weights of source rows: `first` and
// `last` weighted by their covered units (last is null when the output row lies in one
// source row), and `interior_count` rows from `interior` on, `interior_stride` bytes apart,
// each by `unit`.
struct AreaRows {
  const std::uint8_t* first;
  std::uint32_t first_weight;
  const std::uint8_t* last;
  std::uint32_t last_weight;
  const std::uint8_t* interior;
  std::ptrdiff_t interior_stride;
  int interior_count;
  std::uint32_t unit;
};

// sums[c] = weighted sum down the rows of byte c, for c < bytes. The caller keeps every sum
// below 2^32 (at most 255 x the weight of a whole output row).
using AreaColumnsFn = void (*)(const AreaRows& rows, std::size_t bytes, std::uint32_t* sums);

// What one output pixel of an area average takes along an axis: source pixels first..last,
// the end ones weighted by the units they cover, those between by the axis' unit.
// last_weight is 0 when first == last.
struct AreaCell {
  int first = 0, last = 0;
  std::uint32_t first_weight = 0, last_weight = 0;
};

// floor((2 x sum + d) / (2 x d)), the mean sum / d rounded half up, for d < 2^49 and sum
// <= 255 x d: a quotient in floating point, off by at most one, corrected by the exact
// remainder (without branches, whose outcome would be a coin toss). Numbers stay below
// 2^58, so signed 64 bits hold them.
class RoundedMean {
 public:
  explicit RoundedMean(std::uint64_t d)
      : twice_(std::int64_t(2 * d)), reciprocal_(1.0 / double(twice_)) {}
  std::uint32_t operator()(std::uint64_t sum) const {
    const std::int64_t n = std::int64_t(2 * sum) + twice_ / 2;
    std::int64_t q = static_cast<std::int64_t>(double(n) * reciprocal_);
    const std::int64_t remainder = n - q * twice_;
    q += std::int64_t(remainder >= twice_) - std::int64_t(remainder < 0);
    return static_cast<std::uint32_t>(q);
  }

 private:
  std::int64_t twice_;
  double reciprocal_;
};

// The row pass of an area average: out[i] = the means of the three colour channels of
// `sums` (4 a pixel, from pixel `origin` on) over cells[i], top byte 0. Sums along the row
// stay below 2^56.
using AreaPixelsFn = void (*)(const std::uint32_t* sums, int origin, const AreaCell* cells,
                              int count, std::uint32_t unit, const RoundedMean& mean,
                              std::uint32_t* out);

// out[c] = clamp_int16((sum over t of weights[t] x rows[t][c] + 128) >> 8), for c < bytes.
using LanczosColumnsFn = void (*)(const std::uint8_t* const* rows, const std::int16_t* weights,
                                  int taps, std::size_t bytes, std::int16_t* out);

// The Lanczos row pass: out[i], i < count, from the four channels of `columns` (int16, 6
// fractional bits) from pixel first[i] on, taps[i] pixels, weighted by the row of
// `weights` i x weight_stride on; each channel (sum + 2^19) >> 20 clamped to 0..255, top
// byte 0. Loops may read up to the next multiple of 4 taps: weight rows are padded with
// zeros to weight_stride (a multiple of 4), and `columns` with 4 pixels of zeros.
using LanczosPixelsFn = void (*)(const std::int16_t* columns, const int* first, const int* taps,
                                 const std::int16_t* weights, int weight_stride, int count,
                                 std::uint32_t* out);

struct RowKernels {
  AreaColumnsFn area_columns;
  AreaPixelsFn area_pixels;
  LanczosColumnsFn lanczos_columns;
  LanczosPixelsFn lanczos_pixels;
};

// The loops written out plainly, one byte at a time.
const RowKernels& PlainKernels();
// The fastest the processor runs.
const RowKernels& FastKernels();

}  // namespace vx::resample

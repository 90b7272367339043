// The Lanczos-3 stage of the resampler: weights of an axis, and output rows as a pass down
// the columns into 16-bit values with 6 fractional bits, then a pass along the row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "object/resample_kernels.h"

namespace vx::resample {

constexpr int kWeightBits = 14;  // weights of an output pixel sum to 1 << kWeightBits
constexpr int kColumnBits = 6;   // fractional bits kept between the two passes

// sinc(x) sinc(x / 3) for |x| < 3, else 0.
double Lanczos3(double x);

// Output pixel i takes `taps[i]` input pixels from `first[i]` on, with the weights at
// weights[i x stride ...], followed by zeros up to the stride (a multiple of 4). Every weight fits in 16 bits and the weights of a pixel sum to
// 1 << kWeightBits, their magnitudes to at most twice that.
struct LanczosAxis {
  std::vector<int> first, taps;
  int stride = 0;
  std::vector<std::int16_t> weights;
  int span_first = 0, span_end = 0;  // the input pixels used
  int max_taps = 0;

  int count() const { return int(first.size()); }
  const std::int16_t* WeightsOf(int i) const { return &weights[std::size_t(i) * std::size_t(stride)]; }
  // Counts input pixels from `origin` on instead of from 0.
  void MoveOrigin(int origin);
};

// The axis that maps the window [start, start + length) of an input of `extent` pixels
// onto `count` output pixels: output i is centred on start + (i + 0.5) x length / count;
// the kernel is widened by length / count when that exceeds 1; taps outside 0..extent are
// dropped and the rest scaled to sum to 1, then rounded to integers with the rounding
// error put on the largest; zero weights at the ends are left out.
LanczosAxis MakeLanczosAxis(int extent, double start, double length, int count);

// Gives the input rows of a Lanczos stage, asked for by non-decreasing first rows.
class RowSupply {
 public:
  virtual ~RowSupply() = default;
  // The start of input row y (a pointer to its pixel 0).
  virtual const std::uint32_t* Row(int y) = 0;
};

// Makes the output rows of a Lanczos stage one at a time.
class LanczosStage {
 public:
  // Allocates the working row (one int16 a byte of the input columns used).
  LanczosStage(const LanczosAxis& x, const LanczosAxis& y, const RowKernels& kernels);
  // Writes output row j (x.count() words, top bytes 0).
  void Row(int j, RowSupply& rows, std::uint32_t* out);

 private:
  const LanczosAxis& x_;
  const LanczosAxis& y_;
  const RowKernels& kernels_;
  std::vector<const std::uint8_t*> rows_;  // the input rows of the current output row
  // The column pass, 4 a pixel, and zeros for loops that read a few pixels past the last.
  static constexpr std::size_t kPadPixels = 4;
  std::vector<std::int16_t> columns_;
  std::vector<int> first_;                 // x_.first counted from x_.span_first
};

// Rows of the caller's picture.
class PictureRows : public RowSupply {
 public:
  PictureRows(const std::uint32_t* pixels, std::ptrdiff_t stride) : pixels_(pixels), stride_(stride) {}
  const std::uint32_t* Row(int y) override { return pixels_ + y * stride_; }

 private:
  const std::uint32_t* pixels_;
  std::ptrdiff_t stride_;
};

// How many consecutive input rows a stage with vertical axis `y` holds at once, asking for
// its rows in order.
int RowsHeldAtOnce(const LanczosAxis& y);

}  // namespace vx::resample

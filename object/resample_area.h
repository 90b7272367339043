// The area stage of the resampler: exact means of the source area each output pixel covers.
//
// Along one axis everything is counted in integer units: source pixel k covers units
// [k x per_pixel, (k + 1) x per_pixel) and output pixel i covers [origin + i x length,
// origin + (i + 1) x length), so that the weight of a source pixel in an output pixel is
// the number of units they share. Sums are then exact integers, and the mean of a channel
// is sum / (length_x x length_y), rounded half up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "object/resample_kernels.h"

namespace vx::resample {

// One axis of an area average, as above. An area average never enlarges: length >=
// per_pixel, and the outputs lie inside the source (origin >= 0, origin + count x length
// <= per_pixel x source extent).
struct AreaGrid {
  std::int64_t origin = 0;
  std::int64_t length = 1;
  std::int64_t per_pixel = 1;
  int count = 0;
};

struct AreaAxis {
  AreaGrid grid;            // reduced to the smallest units
  std::uint32_t unit = 1;   // grid.per_pixel, the weight of a whole source pixel
  std::vector<AreaCell> cells;
  int span_first = 0, span_end = 0;  // the source pixels used
};

// The axis of `grid` in its smallest units (all numbers divided by their greatest common
// divisor). Needs grid.length < 2^24.
AreaAxis MakeAreaAxis(const AreaGrid& grid);

// Makes the output rows of an area average one at a time from the source rows.
class AreaStage {
 public:
  // Allocates the working row (one uint32 a source byte of the columns used).
  AreaStage(const std::uint32_t* src, std::ptrdiff_t src_stride, const AreaAxis& x,
            const AreaAxis& y, const RowKernels& kernels);
  int width() const { return int(x_.cells.size()); }
  int height() const { return int(y_.cells.size()); }
  // Writes output row j (width() words, top bytes 0).
  void Row(int j, std::uint32_t* out);

 private:
  const std::uint8_t* SourceRow(int row) const;

  const std::uint32_t* src_;
  std::ptrdiff_t src_stride_;
  const AreaAxis& x_;
  const AreaAxis& y_;
  const RowKernels& kernels_;
  RoundedMean mean_;
  std::vector<std::uint32_t> sums_;  // column sums of the current row, 4 a source pixel
};

}  // namespace vx::resample

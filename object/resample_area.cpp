// The area stage: the cells of an axis, and output rows as column sums down the source rows
// an output row covers, then weighted sums of those along the row.
#include "object/resample_area.h"

#include <numeric>

namespace vx::resample {

AreaAxis MakeAreaAxis(const AreaGrid& grid) {
  const std::int64_t common = std::gcd(std::gcd(grid.per_pixel, grid.length), grid.origin);
  AreaAxis axis;
  axis.grid = {grid.origin / common, grid.length / common, grid.per_pixel / common, grid.count};
  const AreaGrid& g = axis.grid;
  axis.unit = static_cast<std::uint32_t>(g.per_pixel);
  axis.cells.resize(std::size_t(g.count));
  for (int i = 0; i < g.count; ++i) {
    const std::int64_t begin = g.origin + i * g.length, end = begin + g.length;
    AreaCell& cell = axis.cells[std::size_t(i)];
    cell.first = static_cast<int>(begin / g.per_pixel);
    cell.last = static_cast<int>((end - 1) / g.per_pixel);
    if (cell.first == cell.last) {
      cell.first_weight = static_cast<std::uint32_t>(g.length);
    } else {
      cell.first_weight = static_cast<std::uint32_t>((cell.first + 1) * g.per_pixel - begin);
      cell.last_weight = static_cast<std::uint32_t>(end - cell.last * g.per_pixel);
    }
  }
  axis.span_first = axis.cells.front().first;
  axis.span_end = axis.cells.back().last + 1;
  return axis;
}

AreaStage::AreaStage(const std::uint32_t* src, std::ptrdiff_t src_stride, const AreaAxis& x,
                     const AreaAxis& y, const RowKernels& kernels)
    : src_(src),
      src_stride_(src_stride),
      x_(x),
      y_(y),
      kernels_(kernels),
      mean_(std::uint64_t(x.grid.length) * std::uint64_t(y.grid.length)),
      sums_(std::size_t(x.span_end - x.span_first) * 4) {}

const std::uint8_t* AreaStage::SourceRow(int row) const {
  return reinterpret_cast<const std::uint8_t*>(src_ + row * src_stride_ + x_.span_first);
}

void AreaStage::Row(int j, std::uint32_t* out) {
  const AreaCell& rows = y_.cells[std::size_t(j)];
  const bool split = rows.last != rows.first;
  const AreaRows job = {SourceRow(rows.first),
                        rows.first_weight,
                        split ? SourceRow(rows.last) : nullptr,
                        rows.last_weight,
                        SourceRow(split ? rows.first + 1 : rows.first),  // not read when none
                        src_stride_ * std::ptrdiff_t(sizeof(std::uint32_t)),
                        split ? rows.last - rows.first - 1 : 0,
                        y_.unit};
  kernels_.area_columns(job, sums_.size(), sums_.data());
  kernels_.area_pixels(sums_.data(), x_.span_first, x_.cells.data(), width(), x_.unit, mean_, out);
}

}  // namespace vx::resample

#include "platform/surface/halftone_stretch.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vx::gdi {

namespace {

// One source pixel that a destination pixel reads along one axis, and its share.
struct Tap {
  int source;  // coordinate on the source surface
  double weight;
};

// The taps of every visible destination offset along one axis.
struct AxisFilter {
  std::vector<std::size_t> first;  // taps of visible offset i: [first[i], first[i + 1])
  std::vector<Tap> taps;
};

// A source offset within the rectangle and its weight in whole units of the axis.
struct RawTap {
  std::int64_t offset;
  std::int64_t weight;
};

std::int64_t FloorDivide(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

// Shrinking or keeping the size: destination offset j covers source offsets
// [j * src / dest, (j + 1) * src / dest). Measured in 1/dest of a source pixel every
// overlap is a whole number. Only offsets in [lowest, highest] are wanted.
void AreaTaps(std::int64_t j, std::int64_t dest, std::int64_t src, std::int64_t lowest,
              std::int64_t highest, std::vector<RawTap>& out) {
  const std::int64_t begin = j * src, end = (j + 1) * src;
  const std::int64_t first = std::max(begin / dest, lowest);
  const std::int64_t last = std::min((end - 1) / dest, highest);
  for (std::int64_t k = first; k <= last; ++k)
    out.push_back({k, std::min(end, (k + 1) * dest) - std::max(begin, k * dest)});
}

// Enlarging: the centre of destination offset j lies at source position
// ((2j + 1) * src - dest) / (2 * dest), counted from the centre of source offset 0; it
// takes the two source pixels around it in proportion, the edge pixels beyond the ends.
void LinearTaps(std::int64_t j, std::int64_t dest, std::int64_t src, std::vector<RawTap>& out) {
  const std::int64_t numerator = (2 * j + 1) * src - dest, denominator = 2 * dest;
  const std::int64_t k = FloorDivide(numerator, denominator);
  const std::int64_t fraction = numerator - k * denominator;
  out.push_back({std::clamp<std::int64_t>(k, 0, src - 1), denominator - fraction});
  if (fraction != 0) out.push_back({std::clamp<std::int64_t>(k + 1, 0, src - 1), fraction});
}

// Destination offsets [begin, end) of a stretch of `dest` destination pixels over the `src`
// source pixels from `origin` on an axis of `surface_size` source pixels.
AxisFilter BuildAxis(std::int64_t begin, std::int64_t end, std::int64_t dest, std::int64_t origin,
                     std::int64_t src, std::int64_t surface_size, bool mirror) {
  // Source offsets that lie on the surface.
  const std::int64_t lowest = std::max<std::int64_t>(0, -origin);
  const std::int64_t highest = std::min<std::int64_t>(src, surface_size - origin) - 1;
  AxisFilter filter;
  filter.first.reserve(std::size_t(end - begin + 1));
  std::vector<RawTap> raw;
  for (std::int64_t i = begin; i < end; ++i) {
    filter.first.push_back(filter.taps.size());
    const std::int64_t j = mirror ? dest - 1 - i : i;
    raw.clear();
    if (src >= dest) {
      AreaTaps(j, dest, src, lowest, highest, raw);
    } else {
      LinearTaps(j, dest, src, raw);
    }
    std::int64_t total = 0;
    for (const RawTap& t : raw)
      if (t.offset >= lowest && t.offset <= highest) total += t.weight;
    for (const RawTap& t : raw)
      if (t.offset >= lowest && t.offset <= highest && t.weight != 0)
        filter.taps.push_back({int(origin + t.offset), double(t.weight) / double(total)});
  }
  filter.first.push_back(filter.taps.size());
  return filter;
}

std::uint32_t Channel(double value) { return std::uint32_t(std::min(value + 0.5, 255.0)); }

}  // namespace

void HalftoneStretch(const Surface& dest, int x, int y, int cx, int cy, const Surface& src,
                     int x_src, int y_src, int cx_src, int cy_src, bool flip_x, bool flip_y) {
  // Only destination pixels on the surface are computed.
  const std::int64_t i_begin = std::max<std::int64_t>(0, -std::int64_t{x});
  const std::int64_t i_end = std::min<std::int64_t>(cx, std::int64_t{dest.width} - x);
  const std::int64_t j_begin = std::max<std::int64_t>(0, -std::int64_t{y});
  const std::int64_t j_end = std::min<std::int64_t>(cy, std::int64_t{dest.height} - y);
  if (i_begin >= i_end || j_begin >= j_end) return;
  const AxisFilter columns = BuildAxis(i_begin, i_end, cx, x_src, cx_src, src.width, flip_x);
  const AxisFilter rows = BuildAxis(j_begin, j_end, cy, y_src, cy_src, src.height, flip_y);

  for (std::int64_t j = j_begin; j < j_end; ++j) {
    const std::size_t row_first = rows.first[std::size_t(j - j_begin)];
    const std::size_t row_last = rows.first[std::size_t(j - j_begin) + 1];
    if (row_first == row_last) continue;  // no source here: the destination keeps its pixels
    std::uint32_t* out = dest.Row(int(y + j)) + x;
    for (std::int64_t i = i_begin; i < i_end; ++i) {
      const std::size_t column_first = columns.first[std::size_t(i - i_begin)];
      const std::size_t column_last = columns.first[std::size_t(i - i_begin) + 1];
      if (column_first == column_last) continue;
      double blue = 0, green = 0, red = 0;
      for (std::size_t r = row_first; r < row_last; ++r) {
        const std::uint32_t* line = src.Row(rows.taps[r].source);
        double row_blue = 0, row_green = 0, row_red = 0;
        for (std::size_t c = column_first; c < column_last; ++c) {
          const std::uint32_t pixel = line[columns.taps[c].source];
          const double w = columns.taps[c].weight;
          row_blue += w * double(pixel & 0xFF);
          row_green += w * double((pixel >> 8) & 0xFF);
          row_red += w * double((pixel >> 16) & 0xFF);
        }
        const double w = rows.taps[r].weight;
        blue += w * row_blue;
        green += w * row_green;
        red += w * row_red;
      }
      out[i] = Channel(blue) | Channel(green) << 8 | Channel(red) << 16;
    }
  }
}

}  // namespace vx::gdi

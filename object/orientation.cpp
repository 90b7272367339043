#include "object/orientation.h"

#include <algorithm>

namespace vx {
namespace {

// Where stored pixel (0, y) lands in the upright picture, and how far on (in words) each
// next pixel of the row lands.
struct RowPlacement {
  std::ptrdiff_t start;
  std::ptrdiff_t step;
};

RowPlacement PlaceOfRow(int y, int width, int height, int orientation, std::ptrdiff_t s) {
  const std::ptrdiff_t last_x = width - 1, last_y = height - 1;
  switch (orientation) {
    case 2: return {y * s + last_x, -1};
    case 3: return {(last_y - y) * s + last_x, -1};
    case 4: return {(last_y - y) * s, 1};
    case 5: return {y, s};
    case 6: return {last_y - y, s};
    case 7: return {last_x * s + (last_y - y), -s};
    case 8: return {last_x * s + y, -s};
    default: return {y * s, 1};
  }
}

// Rows are turned in groups this tall: for a quarter turn, the group's pixels of one
// stored column land side by side in one upright row.
constexpr int kGroupRows = 16;

}  // namespace

void PlaceOrientedRows(const std::uint32_t* rows, std::ptrdiff_t row_stride, int first_row, int count, int width,
                       int height, int orientation, std::uint32_t* upright, std::ptrdiff_t upright_stride) {
  if (!SwapsSides(orientation)) {
    for (int r = 0; r < count; ++r) {
      const RowPlacement place = PlaceOfRow(first_row + r, width, height, orientation, upright_stride);
      const std::uint32_t* in = rows + r * row_stride;
      if (place.step == 1) {
        std::copy(in, in + width, upright + place.start);
      } else {
        std::reverse_copy(in, in + width, upright + place.start - (width - 1));
      }
    }
    return;
  }
  for (int group = 0; group < count; group += kGroupRows) {
    const int group_rows = std::min(kGroupRows, count - group);
    std::uint32_t* starts[kGroupRows];
    std::ptrdiff_t step = 0;
    for (int r = 0; r < group_rows; ++r) {
      const RowPlacement place = PlaceOfRow(first_row + group + r, width, height, orientation, upright_stride);
      starts[r] = upright + place.start;
      step = place.step;
    }
    const std::uint32_t* in = rows + group * row_stride;
    for (int x = 0; x < width; ++x) {
      const std::ptrdiff_t offset = x * step;
      for (int r = 0; r < group_rows; ++r) starts[r][offset] = in[r * row_stride + x];
    }
  }
}

bool OrientInPlace(std::uint32_t* words, int width, int height, std::ptrdiff_t stride, int orientation) {
  if (SwapsSides(orientation)) return false;
  const auto row = [&](int y) { return words + y * stride; };
  if (orientation == 2 || orientation == 3) {
    for (int y = 0; y < height; ++y) std::reverse(row(y), row(y) + width);
  }
  if (orientation == 3 || orientation == 4) {
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
      std::swap_ranges(row(top), row(top) + width, row(bottom));
    }
  }
  return true;
}

}  // namespace vx

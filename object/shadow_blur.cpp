#include "object/shadow_blur.h"

#include <algorithm>
#include <cmath>

namespace vx {

namespace {

// The box of the levels of `piece` that are not 0, in picture pixels; empty when none.
RECT InkOf(const MaskPiece& piece) {
  RECT ink{piece.area.right, piece.area.bottom, piece.area.left, piece.area.top};
  for (int y = 0; y < piece.height(); ++y) {
    const std::uint8_t* row = &piece.levels[std::size_t(y) * std::size_t(piece.width())];
    const std::uint8_t* first = std::find_if(row, row + piece.width(), [](std::uint8_t v) { return v != 0; });
    if (first == row + piece.width()) continue;
    const std::uint8_t* last = row + piece.width();
    while (last[-1] == 0) --last;
    ink.left = std::min(ink.left, LONG(piece.area.left + (first - row)));
    ink.right = std::max(ink.right, LONG(piece.area.left + (last - row)));
    ink.top = std::min(ink.top, LONG(piece.area.top + y));
    ink.bottom = LONG(piece.area.top + y + 1);
  }
  return ink;
}

}  // namespace

std::vector<double> ShadowKernel(LONG size) {
  if (size < 0) return {};
  if (size == 0) return {1.0};
  const double sigma = size * 0.3333333333333333;
  std::vector<double> weights;
  weights.reserve(std::size_t(2 * size + 1));
  double sum = 0;
  for (LONG i = -size; i <= size; ++i) {
    const double square = double(i) * double(i);
    const double weight = std::exp(-square / (2 * sigma * sigma)) / (sigma * std::sqrt(6.2831852));
    weights.push_back(weight);
    sum += weight;
  }
  for (double& weight : weights) weight /= sum;
  return weights;
}

MaskPiece BlurShadowMask(const MaskPiece& drawn, SIZE picture, LONG size) {
  size = std::min(size, kLargestShadowSize);
  const std::vector<double> kernel = ShadowKernel(size);
  if (kernel.empty() || drawn.empty()) return {};
  const RECT ink = InkOf(drawn);
  if (ink.left >= ink.right) return {};
  const int s = int(size), taps = 2 * s + 1;

  MaskPiece blurred;
  blurred.area = {std::max<LONG>(ink.left - s, 0), std::max<LONG>(ink.top - s, 0),
                  std::min<LONG>(ink.right + s, picture.cx), std::min<LONG>(ink.bottom + s, picture.cy)};
  const int width = blurred.width(), height = blurred.height();
  const int ink_rows = int(ink.bottom - ink.top);

  // Along the rows. Rows without ink sum to 0 and are left out; a sum gains nothing from
  // the weights of pixels that are 0, so leaving those out changes no bit either. Each
  // pixel's sum is taken in the order of the weights, the loop over pixels innermost.
  std::vector<double> across(std::size_t(ink_rows) * std::size_t(width), 0.0);
  std::vector<double> row(std::size_t(width) + 2 * std::size_t(s));
  for (int r = 0; r < ink_rows; ++r) {
    const int y = int(ink.top) + r;
    // Columns blurred.area.left - s .. blurred.area.right - 1 + s, held to the picture.
    for (std::size_t k = 0; k < row.size(); ++k) {
      const LONG x = std::clamp<LONG>(blurred.area.left - s + LONG(k), 0, picture.cx - 1);
      const bool drawn_there = x >= drawn.area.left && x < drawn.area.right;
      row[k] = drawn_there ? drawn.At(x, y) : 0;
    }
    double* sums = &across[std::size_t(r) * std::size_t(width)];
    for (int i = 0; i < taps; ++i) {
      const double weight = kernel[std::size_t(i)];
      const double* source = row.data() + i;
      for (int x = 0; x < width; ++x) sums[x] += weight * source[x];
    }
  }

  // Along the columns, rows held to the picture; only rows with ink add anything.
  blurred.levels.resize(std::size_t(width) * std::size_t(height));
  std::vector<double> sums(static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    std::fill(sums.begin(), sums.end(), 0.0);
    const LONG picture_y = blurred.area.top + y;
    for (int i = 0; i < taps; ++i) {
      const LONG from = std::clamp<LONG>(picture_y - s + i, 0, picture.cy - 1);
      if (from < ink.top || from >= ink.bottom) continue;
      const double weight = kernel[std::size_t(i)];
      const double* source = &across[std::size_t(from - ink.top) * std::size_t(width)];
      for (int x = 0; x < width; ++x) sums[std::size_t(x)] += weight * source[x];
    }
    std::uint8_t* out = &blurred.levels[std::size_t(y) * std::size_t(width)];
    for (int x = 0; x < width; ++x) out[x] = MaskLevel(sums[std::size_t(x)]);
  }
  return blurred;
}

}  // namespace vx

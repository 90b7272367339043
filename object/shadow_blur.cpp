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

// Columns blurred at a time, so that the row sums kept for the column sums stay small.
constexpr int kStripColumns = 256;

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

std::int64_t ShadowBlurWork(RECT ink, SIZE picture, LONG size) {
  if (size < 0 || ink.left >= ink.right || ink.top >= ink.bottom) return 0;
  const std::int64_t r = size;
  const std::int64_t width = std::min<std::int64_t>(ink.right + r, picture.cx) - std::max<std::int64_t>(ink.left - r, 0);
  const std::int64_t height = std::min<std::int64_t>(ink.bottom + r, picture.cy) - std::max<std::int64_t>(ink.top - r, 0);
  return (2 * r + 1) * width * (std::int64_t{ink.bottom - ink.top} + height);
}

LONG AffordableShadowSize(RECT ink, SIZE picture, LONG size) {
  size = std::min(size, kLargestShadowSize);
  if (ShadowBlurWork(ink, picture, size) <= kShadowBlurBudget) return size;
  // The work grows with the radius: the largest radius within the budget, by halving.
  LONG within = 0, beyond = size;
  while (beyond - within > 1) {
    const LONG middle = within + (beyond - within) / 2;
    (ShadowBlurWork(ink, picture, middle) <= kShadowBlurBudget ? within : beyond) = middle;
  }
  return within;
}

MaskPiece BlurShadowMask(const MaskPiece& drawn, SIZE picture, LONG size) {
  if (size < 0 || drawn.empty()) return {};
  const RECT ink = InkOf(drawn);
  if (ink.left >= ink.right) return {};
  size = AffordableShadowSize(ink, picture, size);
  const std::vector<double> kernel = ShadowKernel(size);
  const int s = int(size), taps = 2 * s + 1;

  MaskPiece blurred;
  blurred.area = {std::max<LONG>(ink.left - s, 0), std::max<LONG>(ink.top - s, 0),
                  std::min<LONG>(ink.right + s, picture.cx), std::min<LONG>(ink.bottom + s, picture.cy)};
  const int width = blurred.width(), height = blurred.height();
  blurred.levels.resize(std::size_t(width) * std::size_t(height));

  // Strip by strip of columns, row by row, each pixel's two sums are taken as the whole
  // picture's are: along its row in the order of the weights, then along its column from
  // those row sums in the order of the weights. Rows without ink sum to 0 and are left
  // out; a sum gains nothing from the weights of pixels that are 0, so leaving those out
  // changes no bit either. A strip's row sums are kept only while a column sum needs them:
  // the rows within the radius of the row being summed.
  const int ink_rows = int(ink.bottom - ink.top);
  const int kept_rows = std::min(ink_rows, taps);
  std::vector<double> kept(std::size_t(kept_rows) * kStripColumns);
  std::vector<char> kept_has_ink(static_cast<std::size_t>(kept_rows));
  std::vector<double> row(std::size_t(kStripColumns) + 2 * std::size_t(s));
  std::vector<double> sums(kStripColumns);
  for (int x0 = 0; x0 < width; x0 += kStripColumns) {
    const int strip = std::min(kStripColumns, width - x0);
    LONG next_row = ink.top;  // the next ink row whose sums are to be made
    for (int y = 0; y < height; ++y) {
      const LONG picture_y = blurred.area.top + y;
      const LONG last_needed = std::min<LONG>(picture_y + s, picture.cy - 1);
      for (; next_row < ink.bottom && next_row <= last_needed; ++next_row) {
        const std::size_t slot = std::size_t(next_row - ink.top) % std::size_t(kept_rows);
        // Columns of the strip less the radius .. past it by the radius, held to the picture.
        bool has_ink = false;
        for (std::size_t k = 0; k < std::size_t(strip) + 2 * std::size_t(s); ++k) {
          const LONG x = std::clamp<LONG>(blurred.area.left + x0 - s + LONG(k), 0, picture.cx - 1);
          const bool drawn_there = x >= drawn.area.left && x < drawn.area.right;
          row[k] = drawn_there ? drawn.At(x, next_row) : 0;
          has_ink = has_ink || row[k] != 0;
        }
        kept_has_ink[slot] = has_ink;
        double* out = &kept[slot * kStripColumns];
        std::fill(out, out + strip, 0.0);
        if (!has_ink) continue;
        for (int i = 0; i < taps; ++i) {
          const double weight = kernel[std::size_t(i)];
          const double* source = row.data() + i;
          for (int x = 0; x < strip; ++x) out[x] += weight * source[x];
        }
      }
      std::fill(sums.begin(), sums.begin() + strip, 0.0);
      for (int i = 0; i < taps; ++i) {
        const LONG from = std::clamp<LONG>(picture_y - s + i, 0, picture.cy - 1);
        if (from < ink.top || from >= ink.bottom) continue;
        const std::size_t slot = std::size_t(from - ink.top) % std::size_t(kept_rows);
        if (!kept_has_ink[slot]) continue;
        const double weight = kernel[std::size_t(i)];
        const double* source = &kept[slot * kStripColumns];
        for (int x = 0; x < strip; ++x) sums[std::size_t(x)] += weight * source[x];
      }
      std::uint8_t* out = &blurred.levels[std::size_t(y) * std::size_t(width) + std::size_t(x0)];
      for (int x = 0; x < strip; ++x) out[x] = MaskLevel(sums[std::size_t(x)]);
    }
  }
  return blurred;
}

}  // namespace vx

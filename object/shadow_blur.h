// The soft edge of the text shadow: its grey mask blurred with a normalised Gaussian, first
// along the rows, then along the columns, in double precision.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/gdi.h"

namespace vx {

// Blur radii above this are taken as this: the cost grows with the radius.
constexpr LONG kLargestShadowSize = 1000;

// The most multiply-adds one blur may take (about a second). The sums are taken as written,
// weight after weight in double precision, because the truncation of each sum to a level
// turns any other order's last-bit differences into whole levels (a flat grey area comes out
// a level lower here and there); so the cost is (2r + 1) multiply-adds a pixel and pass, and
// a radius whose blur would cost more is cut to the largest that does not.
constexpr std::int64_t kShadowBlurBudget = std::int64_t{1} << 32;

// The 2s + 1 weights of radius s, for i = -s .. s: exp(-i^2 / (2 sigma^2)) / (sigma x
// sqrt(6.2831852)) with sigma = s x 0.3333333333333333, each divided by the sum of all of
// them taken in that order. Radius 0 gives the single weight 1 (the mask stays as drawn),
// a negative radius no weights at all.
std::vector<double> ShadowKernel(LONG size);

// A blurred sum as a mask level: 255 when within 0.0001 of 255, else the low 8 bits of its
// truncation. Inline: it runs once a pixel.
inline std::uint8_t MaskLevel(double sum) {
  if (std::fabs(sum - 255) < 0.0001) return 255;
  return static_cast<std::uint8_t>(static_cast<std::int64_t>(sum));
}

// Grey levels over a rectangle of the picture, one byte a pixel, rows top first. The mask
// is 0 everywhere outside the rectangle.
struct MaskPiece {
  RECT area{0, 0, 0, 0};  // picture pixels
  std::vector<std::uint8_t> levels;

  int width() const { return int(area.right - area.left); }
  int height() const { return int(area.bottom - area.top); }
  bool empty() const { return levels.empty(); }
  std::uint8_t At(int x, int y) const {  // picture pixel (x, y) inside the area
    return levels[std::size_t(y - area.top) * std::size_t(width()) + std::size_t(x - area.left)];
  }
};

// The multiply-adds of blurring ink within `ink` (a box of the picture) at radius `size`:
// the rows with ink along the ink grown by the radius, then every row of it.
std::int64_t ShadowBlurWork(RECT ink, SIZE picture, LONG size);

// The radius a blur of ink within `ink` is taken at: `size`, at most kLargestShadowSize, cut
// to the largest whose work is within kShadowBlurBudget.
LONG AffordableShadowSize(RECT ink, SIZE picture, LONG size);

// The mask `drawn` (inside a picture of `picture` size) blurred with ShadowKernel(size) as
// if the whole picture's mask were blurred: every row along its whole width with columns
// before the first and past the last taking the edge column, then every column likewise
// with the edge rows, each sum taken in the order of the weights. Only pixels within the
// radius of a drawn pixel that is not 0 can come out other than 0, so only they are
// computed and returned; the sums come out bit for bit as the whole picture's would.
// Nothing drawn, or a negative size, gives an empty piece. The size is taken as
// AffordableShadowSize gives it for the ink drawn.
MaskPiece BlurShadowMask(const MaskPiece& drawn, SIZE picture, LONG size);

}  // namespace vx

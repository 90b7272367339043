// Turning a picture of 32-bit DIB words upright by its Exif orientation (1 to 8, see
// exif_orientation.h): rows placed as they are decoded, or a whole picture turned in place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

// Orientations 5 to 8 turn a picture a quarter or mirror it along a diagonal: its width
// and height change places.
constexpr bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Places rows first_row to first_row + count - 1 of a stored picture of width x height,
// given at `rows` (row_stride words apart), where they belong in the upright picture at
// `upright` (upright_stride words a row; width and height swapped for orientations 5 to 8).
// Rows may come in any number of calls; an orientation out of range places them as 1.
void PlaceOrientedRows(const std::uint32_t* rows, std::ptrdiff_t row_stride, int first_row, int count, int width,
                       int height, int orientation, std::uint32_t* upright, std::ptrdiff_t upright_stride);

// Turns a picture upright where it lies, for the orientations that keep its sides (1 to 4);
// false, with nothing changed, for the others.
bool OrientInPlace(std::uint32_t* words, int width, int height, std::ptrdiff_t stride, int orientation);

}  // namespace vx

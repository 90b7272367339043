// The orientation tag of an Exif block: how the stored picture must be turned to stand
// upright. The block comes from files of any origin, so every offset and count in it is
// checked against its size before it is followed; a block that does not hold a valid
// orientation is taken as having none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vx {

// The eight values of the tag: 1 upright, 2 mirrored left to right, 3 turned half round,
// 4 mirrored top to bottom, 5 mirrored along the main diagonal, 6 to be turned a quarter
// clockwise, 7 mirrored along the other diagonal, 8 to be turned a quarter anticlockwise.
inline constexpr int kUpright = 1;

// The orientation (1 to 8) that the first image directory of a TIFF-structured block
// (byte order mark, 42, directory offset) gives; kUpright when the block has none, is
// broken, or gives a value out of range.
int ExifOrientation(std::span<const std::uint8_t> tiff);

// The TIFF-structured block of a JPEG APP1 segment's data when it is an Exif segment
// ("Exif" and two zero bytes first); empty otherwise.
std::span<const std::uint8_t> ExifBlockOfApp1(std::span<const std::uint8_t> segment);

}  // namespace vx

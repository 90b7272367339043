// The metadata of PNG data, found by walking its chunks from the signature on without
// decoding pixels: the eXIf chunk (an Exif block), the iTXt chunk "XML:com.adobe.xmp" (an
// XMP packet) and the iCCP chunk (an ICC profile, zlib-compressed). The walk stops at IEND
// or at the first chunk that does not fit in the data; the first of each kind counts.
// Compressed text is inflated by zlib up to kMaxInflatedBytes and refused beyond.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "object/picture_metadata.h"

namespace vx {

inline constexpr std::size_t kMaxInflatedBytes = 16 << 20;

// Exif (as for output: exif_block.h), XMP (its orientation reset with `turned_upright`)
// and ICC of PNG data; what is broken is left out.
PictureMetadata PngSourceMetadata(std::span<const std::uint8_t> png, bool turned_upright);

// The bytes zlib data inflates to, or empty when they are broken or more than `limit`.
std::vector<std::uint8_t> InflateBounded(std::span<const std::uint8_t> compressed, std::size_t limit);

}  // namespace vx

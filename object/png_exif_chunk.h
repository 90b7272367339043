// The eXIf chunk of PNG data: its bytes, a TIFF-structured Exif block, found by walking the
// chunks from the signature on without decoding anything.
#pragma once

#include <cstdint>
#include <span>

namespace vx {

// The data of the first eXIf chunk; empty when there is none before IEND or the end of
// the data, or when the data is no PNG.
std::span<const std::uint8_t> PngExifChunk(std::span<const std::uint8_t> png);

}  // namespace vx

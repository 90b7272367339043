#include "object/png_exif_chunk.h"

#include <algorithm>
#include <cstring>

namespace vx {

std::span<const std::uint8_t> PngExifChunk(std::span<const std::uint8_t> png) {
  static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < sizeof kSignature || !std::equal(std::begin(kSignature), std::end(kSignature), png.begin())) {
    return {};
  }
  // Each chunk: 4-byte big-endian length, 4-byte type, the data, 4-byte check value. The
  // check value is not verified: a damaged block only gives a wrong or no orientation.
  std::size_t at = sizeof kSignature;
  while (png.size() - at >= 12) {
    const std::uint8_t* chunk = png.data() + at;
    const std::uint32_t length = std::uint32_t{chunk[0]} << 24 | std::uint32_t{chunk[1]} << 16 |
                                 std::uint32_t{chunk[2]} << 8 | chunk[3];
    if (length > png.size() - at - 12) return {};
    if (std::memcmp(chunk + 4, "eXIf", 4) == 0) return png.subspan(at + 8, length);
    if (std::memcmp(chunk + 4, "IEND", 4) == 0) return {};
    at += 12 + std::size_t{length};
  }
  return {};
}

}  // namespace vx

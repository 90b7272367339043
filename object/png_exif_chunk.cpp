#include "object/png_exif_chunk.h"

#include "object/png_chunks.h"

namespace vx {

std::span<const std::uint8_t> PngExifChunk(std::span<const std::uint8_t> png) {
  // A damaged block only gives a wrong or no orientation.
  std::span<const std::uint8_t> exif;
  WalkPngChunks(png, [&exif](std::string_view type, std::span<const std::uint8_t> data) {
    if (type != "eXIf") return true;
    exif = data;
    return false;
  });
  return exif;
}

}  // namespace vx

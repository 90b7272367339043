// Shared body of the decoder fuzz targets: open, and when the picture is small enough,
// decode into a zeroed buffer and check what the decoder promises about the pixels.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/codecs/picture_decoder.h"

namespace vx {

inline int FuzzPicture(std::unique_ptr<PictureDecoder> (*open)(const std::uint8_t*, std::size_t),
                       const std::uint8_t* data, std::size_t size) {
  const std::unique_ptr<PictureDecoder> decoder = open(data, size);
  if (!decoder) return 0;
  const std::int64_t width = decoder->width(), height = decoder->height();
  if (width <= 0 || height <= 0) std::abort();
  if (width * height > (std::int64_t{1} << 22)) return 0;  // the caller's limits are far larger
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height), 0);
  decoder->Decode(pixels.data(), static_cast<std::ptrdiff_t>(width));
  // Written pixels are opaque; the others stay as they were.
  for (std::uint32_t pixel : pixels) {
    if (pixel != 0 && pixel >> 24 != 0xFF) std::abort();
  }
  return 0;
}

}  // namespace vx

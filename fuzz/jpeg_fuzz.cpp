// Fuzz target: JPEG data through the decoder, decoded into a zeroed picture when its size
// is modest.
#include <cstdint>
#include <vector>

#include "platform/picture_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<vx::PictureDecoder> decoder = vx::OpenJpeg(data, size);
  if (!decoder) return 0;
  const std::int64_t pixels = std::int64_t{decoder->width()} * decoder->height();
  if (pixels > (std::int64_t{1} << 22)) return 0;
  std::vector<std::uint32_t> rows(static_cast<std::size_t>(pixels));
  decoder->Decode(rows.data(), decoder->width());
  return 0;
}

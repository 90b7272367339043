// Which decoder a picture needs, told by its first bytes as the picture service tells it.
#include <cstring>

#include "platform/codecs/picture_decoder.h"

namespace vx {

std::unique_ptr<PictureDecoder> OpenPicture(const std::uint8_t* data, std::size_t size) {
  auto starts_with = [&](const char* signature) {
    const std::size_t n = std::strlen(signature);
    return size >= n && std::memcmp(data, signature, n) == 0;
  };
  if (starts_with("\xFF\xD8")) return OpenJpeg(data, size);
  if (starts_with("GIF87a") || starts_with("GIF89a")) return OpenGif(data, size);
  if (starts_with("BM")) return OpenBmp(data, size);
  return nullptr;
}

}  // namespace vx

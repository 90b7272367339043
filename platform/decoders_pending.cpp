// Stand-ins until the GIF and BMP decoders land; the real definitions take precedence.
#include "platform/picture_decoder.h"

namespace vx {
__attribute__((weak)) std::unique_ptr<PictureDecoder> OpenGif(const std::uint8_t*, std::size_t) { return nullptr; }
__attribute__((weak)) std::unique_ptr<PictureDecoder> OpenBmp(const std::uint8_t*, std::size_t) { return nullptr; }
}  // namespace vx

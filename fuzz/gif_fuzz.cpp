// libFuzzer target for the GIF decoder.
#include "fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return vx::FuzzPicture(vx::OpenGif, data, size);
}

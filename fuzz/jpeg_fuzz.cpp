// libFuzzer target for the JPEG decoder.
#include "fuzz/picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return vx::FuzzPicture(vx::OpenJpeg, data, size);
}

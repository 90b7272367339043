// libFuzzer target for the JPEG decoder: what the decoder promises about the pixels, and a
// two-band decode giving exactly what a one-band decode gives.
#include "fuzz/picture_fuzz.h"

namespace {

std::unique_ptr<vx::PictureDecoder> OpenInOneBand(const std::uint8_t* data, std::size_t size) {
  return vx::OpenJpeg(data, size, vx::JpegThreads::kOne);
}

void CompareBands(const std::uint8_t* data, std::size_t size) {
  const std::unique_ptr<vx::PictureDecoder> one = OpenInOneBand(data, size);
  const std::unique_ptr<vx::PictureDecoder> two = vx::OpenJpeg(data, size, vx::JpegThreads::kTwo);
  if (!one || !two) {
    if (one || two) std::abort();
    return;
  }
  if (one->width() != two->width() || one->height() != two->height()) std::abort();
  const std::int64_t width = one->width(), height = one->height();
  if (width * height > (std::int64_t{1} << 22)) return;
  std::vector<std::uint32_t> one_pixels(static_cast<std::size_t>(width * height), 0);
  std::vector<std::uint32_t> two_pixels(one_pixels.size(), 0);
  if (one->Decode(one_pixels.data(), static_cast<std::ptrdiff_t>(width)) !=
      two->Decode(two_pixels.data(), static_cast<std::ptrdiff_t>(width))) {
    std::abort();
  }
  if (one_pixels != two_pixels) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vx::FuzzPicture(OpenInOneBand, data, size);
  CompareBands(data, size);
  return 0;
}

#include "object/png_reader.h"

#include <cstdlib>
#include <cstring>

#include "gdi/vxgdi.h"

namespace {
// Larger pictures are refused before their pixels are asked for.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 29;
}  // namespace

CPngReader::~CPngReader() {
  if (reading_) png_image_free(&image_);
  Free();
}

void CPngReader::Read(const char* path) {
  if (Begin(path)) Finish();
}

bool CPngReader::Begin(const char* path) {
  Free();
  if (reading_) png_image_free(&image_);
  reading_ = false;
  std::memset(&image_, 0, sizeof image_);
  image_.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image_, path)) {
    image_.width = image_.height = 0;  // the library has let go of its state already
    return false;
  }
  reading_ = true;
  image_.format = PNG_FORMAT_RGBA;
  return true;
}

void CPngReader::Finish() {
  if (!reading_) return;
  const std::uint64_t count = std::uint64_t{image_.width} * image_.height;
  // calloc: rows that a broken file never delivers stay transparent black.
  if (count > 0 && count <= kMaxPixels) pixels_ = static_cast<unsigned char*>(std::calloc(count, 4));
  if (!pixels_) {
    png_image_free(&image_);
  } else {
    // On failure libpng has released its state; the rows it wrote stay.
    png_image_finish_read(&image_, nullptr, pixels_, 0, nullptr);
  }
  reading_ = false;
}

void CPngReader::Draw(HDC dc, LONG x, LONG y) {
  if (pixels_) CvxGDI::DrawDCByData(dc, x, y, width(), height(), pixels_);
}

void CPngReader::Free() {
  std::free(pixels_);
  pixels_ = nullptr;
}

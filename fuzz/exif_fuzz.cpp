// Fuzz target: the Exif orientation as loads read it, from any bytes taken as a TIFF block,
// as a JPEG APP1 segment, as PNG data (its eXIf chunk) and as a JPEG file through the
// object's own reader (its saved markers, then a decode at 1/8 when the picture is small).
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "object/exif_orientation.h"
#include "object/jpeg_source_reader.h"
#include "object/png_exif_chunk.h"

namespace {

void CheckOrientation(int orientation) {
  if (orientation < 1 || orientation > 8) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  CheckOrientation(vx::ExifOrientation(bytes));
  const std::span<const std::uint8_t> app1 = vx::ExifBlockOfApp1(bytes);
  if (!app1.empty() && app1.data() + app1.size() != data + size) std::abort();
  CheckOrientation(vx::ExifOrientation(app1));
  const std::span<const std::uint8_t> exif = vx::PngExifChunk(bytes);
  if (!exif.empty() && (exif.data() < data || exif.data() + exif.size() > data + size)) std::abort();
  CheckOrientation(vx::ExifOrientation(exif));

  vx::JpegSourceReader jpeg(bytes);
  if (!jpeg.ReadHeader()) return 0;
  CheckOrientation(jpeg.Orientation());
  // Large pictures only make each run slow; their limits are the loader's, tested elsewhere.
  if (std::int64_t{jpeg.width()} * jpeg.height() > (std::int64_t{1} << 22)) return 0;
  if (jpeg.Start(1) != vx::JpegSourceReader::Started::kYes) return 0;
  const int width = jpeg.output_width(), height = jpeg.output_height();
  if (width != vx::JpegSourceReader::ScaledSide(jpeg.width(), 1)) std::abort();
  std::vector<std::uint32_t> rows(std::size_t(width) * height);
  if (jpeg.ReadRows(rows.data(), width, height) > height) std::abort();
  return 0;
}

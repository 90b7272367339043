// The loads of JPEG files that the picture service cannot make: decoded smaller with
// libjpeg's DCT scaling (LoadMinWidth, LoadMinHeight), turned upright by their Exif
// orientation (AutoOrient) or converted to sRGB (ColorManage: by their ICC profile, CMYK
// ones by the press profile when they have none). Rows go from the decoder, converted
// while they are in the cache, straight to their upright place in the source bitmap, a
// few at a time, so that no second copy of the picture and no full-size picture is ever
// held. The metadata that outputs keep (KeepMetadata) is read from the same headers.
#include <algorithm>
#include <new>
#include <vector>

#include "base/picture_limits.h"
#include "object/colour_conversion.h"
#include "object/exif_orientation.h"
#include "object/jpeg_source_reader.h"
#include "object/orientation.h"
#include "object/resize.h"

namespace {

// Rows decoded at once before they are turned: the rows of one stored column then land
// side by side in an upright row.
constexpr int kStripRows = 16;

int AtLeastZero(LONG value) { return value > 0 ? static_cast<int>(value) : 0; }

// Decodes every row into the upright picture of `upright` words a row; the number of
// stored rows decoded, or -1 without memory for the strip.
int DecodeUpright(vx::JpegSourceReader& jpeg, int orientation, std::uint32_t* upright, LONG upright_width) {
  const int width = jpeg.output_width(), height = jpeg.output_height();
  if (orientation == vx::kUpright) return jpeg.ReadRows(upright, width, height);
  std::vector<std::uint32_t> strip;
  try {
    strip.resize(std::size_t(width) * kStripRows);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  int rows = 0;
  while (rows < height) {
    const int read = jpeg.ReadRows(strip.data(), width, kStripRows);
    vx::PlaceOrientedRows(strip.data(), width, rows, read, width, height, orientation, upright, upright_width);
    rows += read;
    if (read < kStripRows) break;
  }
  return rows;
}

}  // namespace

HRESULT CResize::LoadJpegWithReader(const unsigned char* data, std::size_t size, bool* used,
                                    vx::PictureMetadata* kept) {
  *used = false;
  vx::JpegSourceReader jpeg({data, size});
  if (!jpeg.ReadHeader()) return S_FALSE;
  const int orientation = AutoOrient ? jpeg.Orientation() : vx::kUpright;
  const bool swaps = vx::SwapsSides(orientation);
  // The least size the caller needs is that of the upright picture.
  const int min_width = AtLeastZero(swaps ? LoadMinHeight : LoadMinWidth);
  const int min_height = AtLeastZero(swaps ? LoadMinWidth : LoadMinHeight);
  const int eighths = min_width > 0 || min_height > 0 ? jpeg.ScaleFor(min_width, min_height) : 8;
  vx::PictureMetadata metadata;
  if (ColorManage || KeepMetadata) metadata = vx::JpegSourceMetadata(jpeg.SavedMarkers(), orientation != vx::kUpright);
  vx::ColourConversion conversion;
  if (ColorManage) {
    const vx::SourcePixels pixels = jpeg.StoredPixels();
    if (!conversion.FromProfile(metadata.icc, pixels) && pixels != vx::SourcePixels::kBgrx) {
      conversion.FromGenericCmyk(pixels);
    }
  }
  if (KeepMetadata) {
    metadata.icc = vx::OutputProfile(std::move(metadata.icc), conversion.active());
    *kept = std::move(metadata);
  }
  // The service's own work: its pixels are those of this reader without a conversion.
  if (orientation == vx::kUpright && eighths == 8 && !conversion.active()) return S_FALSE;
  *used = true;
  // The same limit as for every picture, so that a file the service would refuse is
  // refused here too, leaving the old picture loaded.
  if (!vx::PictureSizeAcceptable(jpeg.width(), jpeg.height())) {
    ErrorText = vx::error_text::kNoMemory;
    return S_FALSE;
  }

  // From here the old picture is gone, also when the new one cannot be shown.
  ReleaseSource();
  const OLECHAR* failure = nullptr;
  jpeg.ConvertWith(&conversion);
  switch (jpeg.Start(eighths)) {
    case vx::JpegSourceReader::Started::kYes: break;
    case vx::JpegSourceReader::Started::kBroken: failure = vx::error_text::kUnsupportedFormat; break;
    case vx::JpegSourceReader::Started::kOutOfMemory: failure = vx::error_text::kNoMemory; break;
  }
  if (!failure) {
    const LONG width = swaps ? jpeg.output_height() : jpeg.output_width();
    const LONG height = swaps ? jpeg.output_width() : jpeg.output_height();
    HDC screen = GetDC(nullptr);
    failure = NewSourceSection(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (!failure) {
      const int rows = DecodeUpright(jpeg, orientation, SourceWords, width);
      if (rows < 0) failure = vx::error_text::kNoMemory;
      if (rows == 0) failure = vx::error_text::kUnsupportedFormat;
    }
  }
  if (failure) {
    ReleaseSource();
    ErrorText = failure;
    return S_FALSE;
  }
  SourceFileWidth = swaps ? jpeg.height() : jpeg.width();
  SourceFileHeight = swaps ? jpeg.width() : jpeg.height();
  if (KeepMetadata) SourceSegments = vx::SegmentsForOutput(*kept);
  return S_OK;
}

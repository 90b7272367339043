// The object's own JPEG reader: libjpeg over a file's bytes in memory, for the loads that
// the picture service cannot do, a picture decoded smaller by libjpeg's DCT scaling (only
// the coefficients a reduced size needs are used, and no full-size picture is ever made)
// or turned upright by the orientation of its Exif block.
//
// The APP1 (Exif, XMP), APP2 (ICC profile) and APP13 (IPTC) markers are kept as the
// headers are read, so that what a load or an output wants of them is read without a
// second pass. Rows may be converted to sRGB as they are decoded, while they are in the
// cache (colour_conversion.h).
// The work a file can ask for is bounded as for every decode of ours: working memory
// capped, scans and the blocks they visit counted.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/jpeg_decode_limits.h"
#include "base/jpeg_error_jump.h"
#include "object/colour_conversion.h"
#include "object/picture_metadata.h"

namespace vx {

class JpegSourceReader {
 public:
  // The data must stay in place while the reader lives; nothing is copied.
  explicit JpegSourceReader(std::span<const std::uint8_t> data);
  ~JpegSourceReader();
  JpegSourceReader(const JpegSourceReader&) = delete;
  JpegSourceReader& operator=(const JpegSourceReader&) = delete;

  // Reads the headers and the saved markers. False when the data is no JPEG that libjpeg
  // can read.
  bool ReadHeader();
  // The picture's size as stored (before any turn), once the header is read.
  int width() const { return static_cast<int>(cinfo_.image_width); }
  int height() const { return static_cast<int>(cinfo_.image_height); }
  // The data of every saved marker of this code (JPEG_APP0 + n), in file order.
  std::vector<std::span<const std::uint8_t>> Markers(int code) const;
  // Every saved marker, in file order.
  std::vector<JpegMarkerView> SavedMarkers() const;
  // The Exif orientation (1 to 8) of the first Exif APP1 segment; 1 when there is none.
  int Orientation() const;
  // How the picture's colours are stored, once the header is read: the pixels a colour
  // conversion takes (kBgrx, or CMYK inverted or not as Adobe's marker says).
  SourcePixels StoredPixels() const;
  // Rows are converted by `conversion` (when active; it must outlive the reader): kBgrx
  // ones in place, CMYK ones instead of the plain ink arithmetic. Set before Start.
  void ConvertWith(const ColourConversion* conversion) { conversion_ = conversion; }

  // The smallest scale n/8 (n from 1 to 8) at which both sides of the decoded picture are
  // at least min_width and min_height (as stored); 8 when even the full size is smaller.
  int ScaleFor(int min_width, int min_height) const;
  // The size of the picture decoded at n/8: each side rounded up, as libjpeg makes it.
  static int ScaledSide(int side, int eighths);

  enum class Started { kYes, kBroken, kOutOfMemory };
  // Starts decoding at n/8 into 32-bit DIB words (blue in the low byte, top byte 0xFF). A
  // progressive picture's scans are all read here.
  Started Start(int eighths);
  int output_width() const { return static_cast<int>(cinfo_.output_width); }
  int output_height() const { return static_cast<int>(cinfo_.output_height); }
  // Decodes the next rows, at most `count`, into rows `stride` words apart. Returns how
  // many it decoded: fewer than asked only at the picture's end or where the data ended
  // or broke (after which it decodes nothing more).
  int ReadRows(std::uint32_t* rows, std::ptrdiff_t stride, int count);

 private:
  std::span<const std::uint8_t> data_;
  jpeg_decompress_struct cinfo_{};
  JpegErrorJump errors_{};
  JpegScanBudget budget_{};
  bool created_ = false;
  bool stopped_ = false;  // the data ended or broke: no more rows
  bool rows_follow_data_ = true;  // sequential: each row is decoded as its data is read
  bool cmyk_ = false;
  std::vector<JSAMPLE> cmyk_row_;
  const ColourConversion* conversion_ = nullptr;
};

}  // namespace vx

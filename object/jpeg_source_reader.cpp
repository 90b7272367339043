#include "object/jpeg_source_reader.h"

#include <algorithm>
#include <limits>

#include "base/jpeg_cmyk_words.h"
#include "object/exif_orientation.h"

namespace vx {
namespace {

// The markers kept while the headers are read: APP1 holds the Exif block and XMP, APP2
// the colour profile, APP13 the IPTC record.
constexpr int kSavedMarkers[] = {kApp1, kApp2, kApp13};
constexpr unsigned kLongestMarker = 0xFFFF;

}  // namespace

JpegSourceReader::JpegSourceReader(std::span<const std::uint8_t> data) : data_(data) {
  cinfo_.err = errors_.Install();
}

JpegSourceReader::~JpegSourceReader() {
  if (created_) jpeg_destroy_decompress(&cinfo_);
}

bool JpegSourceReader::ReadHeader() {
  // libjpeg takes the size as an unsigned long, 32 bits on Windows.
  if (data_.empty() || data_.size() > std::numeric_limits<unsigned long>::max()) return false;
  if (setjmp(errors_.return_point)) return false;
  if (!created_) {
    jpeg_create_decompress(&cinfo_);
    created_ = true;
    LimitJpegDecoding(cinfo_, budget_);
    for (int marker : kSavedMarkers) jpeg_save_markers(&cinfo_, marker, kLongestMarker);
  }
  // Past the end of the data the source supplies an end-of-image marker, as a file cut
  // short ends.
  jpeg_mem_src(&cinfo_, data_.data(), static_cast<unsigned long>(data_.size()));
  return jpeg_read_header(&cinfo_, TRUE) == JPEG_HEADER_OK;
}

std::vector<std::span<const std::uint8_t>> JpegSourceReader::Markers(int code) const {
  std::vector<std::span<const std::uint8_t>> found;
  for (jpeg_saved_marker_ptr m = cinfo_.marker_list; m; m = m->next) {
    if (m->marker == code) found.emplace_back(m->data, m->data_length);
  }
  return found;
}

std::vector<JpegMarkerView> JpegSourceReader::SavedMarkers() const {
  std::vector<JpegMarkerView> found;
  for (jpeg_saved_marker_ptr m = cinfo_.marker_list; m; m = m->next) {
    found.push_back({m->marker, {m->data, m->data_length}});
  }
  return found;
}

SourcePixels JpegSourceReader::StoredPixels() const {
  if (cinfo_.jpeg_color_space != JCS_CMYK && cinfo_.jpeg_color_space != JCS_YCCK) return SourcePixels::kBgrx;
  return cinfo_.saw_Adobe_marker ? SourcePixels::kAdobeCmyk : SourcePixels::kCmyk;
}

int JpegSourceReader::Orientation() const {
  for (std::span<const std::uint8_t> segment : Markers(JPEG_APP0 + 1)) {
    const std::span<const std::uint8_t> exif = ExifBlockOfApp1(segment);
    if (!exif.empty()) return ExifOrientation(exif);
  }
  return kUpright;
}

int JpegSourceReader::ScaledSide(int side, int eighths) {
  return static_cast<int>((std::int64_t{side} * eighths + 7) / 8);
}

int JpegSourceReader::ScaleFor(int min_width, int min_height) const {
  for (int eighths = 1; eighths < 8; ++eighths) {
    if (ScaledSide(width(), eighths) >= min_width && ScaledSide(height(), eighths) >= min_height) return eighths;
  }
  return 8;
}

JpegSourceReader::Started JpegSourceReader::Start(int eighths) {
  if (setjmp(errors_.return_point)) {
    return errors_.OutOfMemory() ? Started::kOutOfMemory : Started::kBroken;
  }
  cinfo_.scale_num = static_cast<unsigned>(std::clamp(eighths, 1, 8));
  cinfo_.scale_denom = 8;
  cmyk_ = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
  cinfo_.out_color_space = cmyk_ ? JCS_CMYK : JCS_EXT_BGRX;
  jpeg_calc_output_dimensions(&cinfo_);
  if (cmyk_) cmyk_row_.assign(std::size_t{cinfo_.output_width} * 4, 0);
  jpeg_start_decompress(&cinfo_);
  // A progressive picture cut short shows what its scans so far give; a sequential one
  // stops where its data ran out (see ReadRows).
  rows_follow_data_ = !jpeg_has_multiple_scans(&cinfo_);
  return Started::kYes;
}

int JpegSourceReader::ReadRows(std::uint32_t* rows, std::ptrdiff_t stride, int count) {
  volatile int done = 0;
  if (setjmp(errors_.return_point)) {
    stopped_ = true;
    return done;
  }
  while (!stopped_ && done < count && cinfo_.output_scanline < cinfo_.output_height) {
    std::uint32_t* row = rows + done * stride;
    JSAMPROW sample_row = cmyk_ ? cmyk_row_.data() : reinterpret_cast<JSAMPROW>(row);
    if (jpeg_read_scanlines(&cinfo_, &sample_row, 1) != 1) {
      stopped_ = true;
      break;
    }
    const bool converts = conversion_ && conversion_->active();
    if (cmyk_ && converts) {
      conversion_->Convert(cmyk_row_.data(), row, std::size_t{cinfo_.output_width});
    } else if (cmyk_) {
      JpegCmykToWords(cmyk_row_.data(), row, output_width(), cinfo_.saw_Adobe_marker);
    } else if (converts) {
      conversion_->Convert(row, row, std::size_t{cinfo_.output_width});
    }
    done = done + 1;
    // From where the data ran short, libjpeg makes rows up: they are not taken.
    if (rows_follow_data_ && errors_.data_short) stopped_ = true;
  }
  return done;
}

}  // namespace vx

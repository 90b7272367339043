// JPEG pictures through libjpeg: baseline, progressive, greyscale, RGB, CMYK and YCCK.
//
// Open reads the headers and starts decompression, which for a progressive picture reads
// every scan, so that a file whose structure is broken is refused before anything is
// drawn. Decode then writes rows straight into the caller's pixels.
//
// The work a file can ask for is bounded: sides past libjpeg's limit are measured from
// the frame header and left to the caller to refuse, working memory is capped, and a
// file of more scans than any encoder writes is refused before they are all read.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include "base/jpeg_error_jump.h"
#include "base/picture_limits.h"
#include "platform/picture_decoder.h"

namespace vx {

namespace {

// Beyond this much working memory (progressive pictures keep every coefficient) the
// library gives up instead of asking for more.
constexpr long kJpegMemoryLimit = 1L << 30;
// Progressive encoders write about ten scans; every scan may cost a pass over all the
// coefficients, so a file that repeats scans could keep the decoder busy for minutes.
constexpr int kMaxScans = 100;

std::uint16_t BigEndian16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

// The size in the frame header (SOFn), read without libjpeg, which refuses sides past
// JPEG_MAX_DIMENSION without saying how large they are. False when no frame header comes
// before the first scan.
bool ReadFrameSize(const std::uint8_t* data, std::size_t size, int* width, int* height) {
  std::size_t at = 2;  // after the start-of-image marker
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return false;
    const std::uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      at += 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return false;  // scan or end before any frame
    const std::size_t length = BigEndian16(data + at + 2);
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 7 || at + 9 > size) return false;
      *height = BigEndian16(data + at + 5);
      *width = BigEndian16(data + at + 7);
      return true;
    }
    at += 2 + length;
  }
  return false;
}

// Called by libjpeg as it reads: a file of more scans than that is refused as broken.
void LimitScans(j_common_ptr cinfo) {
  auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (decompress->input_scan_number > kMaxScans) ERREXIT4(cinfo, JERR_BAD_PROGRESSION, 0, 0, 0, 0);
}

// What libjpeg reports when the working memory it needs is beyond its cap.
bool IsMemoryError(int code) { return code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE; }

// The source reads from memory; past the end it supplies an end-of-image marker, as a
// truncated file ends.
const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  WARNMS(cinfo, JWRN_JPEG_EOF);
  cinfo->src->next_input_byte = kFakeEoi;
  cinfo->src->bytes_in_buffer = sizeof kFakeEoi;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* source = cinfo->src;
  if (count <= 0) return;
  if (static_cast<std::size_t>(count) > source->bytes_in_buffer) {
    FillInputBuffer(cinfo);  // skipping past the end: what follows is the end
    return;
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// CMYK as stored: with an Adobe marker the four values are inverted, as nearly every
// CMYK JPEG stores them; without one they are plain ink amounts.
void CmykToWords(const JSAMPLE* cmyk, std::uint32_t* out, int count, bool inverted) {
  for (int i = 0; i < count; ++i, cmyk += 4) {
    unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    const unsigned r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
    out[i] = 0xFF000000u | (r << 16) | (g << 8) | b;
  }
}

class JpegDecoder final : public PictureDecoder {
 public:
  JpegDecoder(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {
    cinfo_.err = errors_.Install();
    source_.next_input_byte = data;
    source_.bytes_in_buffer = size;
    source_.init_source = InitSource;
    source_.fill_input_buffer = FillInputBuffer;
    source_.skip_input_data = SkipInputData;
    source_.resync_to_restart = jpeg_resync_to_restart;
    source_.term_source = TermSource;
  }

  ~JpegDecoder() override {
    if (created_) jpeg_destroy_decompress(&cinfo_);
  }

  bool Open() {
    int frame_width = 0, frame_height = 0;
    // A side of 0 (a height left to a DNL marker) is libjpeg's to refuse.
    if (ReadFrameSize(data_, size_, &frame_width, &frame_height) && frame_width > 0 && frame_height > 0 &&
        (frame_width > JPEG_MAX_DIMENSION || frame_height > JPEG_MAX_DIMENSION)) {
      // Measured only: libjpeg would refuse it, and the caller refuses it for its size.
      width_ = frame_width;
      height_ = frame_height;
      return true;
    }
    if (setjmp(errors_.return_point)) {
      // Too large to decode within the memory cap: measured, and refused by the caller.
      exceeds_memory_ = IsMemoryError(errors_.manager.msg_code) && width_ > 0 && height_ > 0;
      return exceeds_memory_;
    }
    jpeg_create_decompress(&cinfo_);
    created_ = true;
    cinfo_.mem->max_memory_to_use = kJpegMemoryLimit;
    cinfo_.src = &source_;
    progress_.progress_monitor = LimitScans;
    cinfo_.progress = &progress_;
    if (jpeg_read_header(&cinfo_, TRUE) != JPEG_HEADER_OK) return false;
    width_ = static_cast<int>(cinfo_.image_width);
    height_ = static_cast<int>(cinfo_.image_height);
    if (width_ <= 0 || height_ <= 0) return false;
    if (std::int64_t{width_} * height_ > kMaxPicturePixels) return true;  // only measured, never started

    cmyk_ = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
    cinfo_.out_color_space = cmyk_ ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo_);
    // A progressive picture has been read whole by now; what it lacked is lost detail,
    // not lost rows, so its end is not tracked.
    single_scan_ = !jpeg_has_multiple_scans(&cinfo_);
    started_ = true;
    return true;
  }

  DecodeResult Decode(std::uint32_t* rows, std::ptrdiff_t stride) override {
    if (!started_ || decoded_) return DecodeResult::kNothing;
    decoded_ = true;
    std::vector<JSAMPLE> cmyk_row;
    if (cmyk_) cmyk_row.resize(std::size_t(width_) * 4);
    if (setjmp(errors_.return_point)) {
      // Broken beyond repair partway: the rows already written stay.
      return Result();
    }
    while (cinfo_.output_scanline < cinfo_.output_height) {
      const JDIMENSION y = cinfo_.output_scanline;
      auto* out = reinterpret_cast<std::uint32_t*>(rows + std::ptrdiff_t(y) * stride);
      JSAMPROW row = cmyk_ ? cmyk_row.data() : reinterpret_cast<JSAMPROW>(out);
      if (jpeg_read_scanlines(&cinfo_, &row, 1) != 1) return Result();
      if (single_scan_ && errors_.data_short) {
        // The data stopped within this row's band: it and what follows were never
        // in the file. Leave them as they were.
        ClearRow(rows, stride, y);
        return Result();
      }
      if (cmyk_) CmykToWords(cmyk_row.data(), out, width_, cinfo_.saw_Adobe_marker);
      rows_written_ = y + 1;
    }
    jpeg_finish_decompress(&cinfo_);
    return single_scan_ && errors_.data_short ? Result() : DecodeResult::kWhole;
  }

 private:
  // For a decode that stopped early.
  DecodeResult Result() const { return rows_written_ > 0 ? DecodeResult::kPart : DecodeResult::kNothing; }

  // Undo what this decoder wrote into row y (the caller's rows started black).
  void ClearRow(std::uint32_t* rows, std::ptrdiff_t stride, JDIMENSION y) {
    if (cmyk_) return;  // CMYK rows go through a scratch row and were not written yet
    std::uint32_t* row = rows + std::ptrdiff_t(y) * stride;
    std::fill(row, row + width_, 0u);
  }

  const std::uint8_t* data_;
  std::size_t size_;
  jpeg_decompress_struct cinfo_{};
  JpegErrorJump errors_{};
  jpeg_source_mgr source_{};
  jpeg_progress_mgr progress_{};
  JDIMENSION rows_written_ = 0;  // rows from the top that hold decoded pixels
  bool created_ = false;
  bool started_ = false;
  bool decoded_ = false;
  bool cmyk_ = false;
  bool single_scan_ = true;
};

}  // namespace

std::unique_ptr<PictureDecoder> OpenJpeg(const std::uint8_t* data, std::size_t size) {
  auto decoder = std::make_unique<JpegDecoder>(data, size);
  if (!decoder->Open()) return nullptr;
  return decoder;
}

}  // namespace vx

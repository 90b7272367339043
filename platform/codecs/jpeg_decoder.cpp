// JPEG pictures through libjpeg: baseline, progressive, greyscale, RGB, CMYK and YCCK.
//
// Open reads the headers and starts decompression, which for a progressive picture reads
// every scan, so that a file whose structure is broken is refused before anything is
// drawn. Decode then writes rows straight into the caller's pixels; a large baseline
// picture is decoded in two bands at once (see DecodeInTwoBands).
//
// The work a file can ask for is bounded: sides past libjpeg's limit are measured from
// the frame header and left to the caller to refuse, working memory is capped, and a
// file whose scans ask for more passes over the picture than any encoder writes is
// refused before they are all read (see jpeg_reading.cpp).
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "base/picture_limits.h"
#include "platform/codecs/helper_thread_slots.h"
#include "platform/codecs/jpeg_reading.h"
#include "platform/codecs/picture_decoder.h"

namespace vx {

namespace {

// From this many pixels on, a baseline picture is worth a second thread (see
// DecodeInTwoBands); below it the thread costs about what it saves.
constexpr std::int64_t kTwoBandPixels = std::int64_t{1} << 20;

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

// What libjpeg reports when the working memory it needs is beyond its cap.
bool IsMemoryError(int code) { return code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE; }

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

// Reads the decompressor's next rows up to `last` straight into the caller's rows (BGRX
// words). False when libjpeg gave up or the coded data ran short on the way.
bool ReadRowsCleanly(JpegReading& reading, std::uint32_t* rows, std::ptrdiff_t stride, JDIMENSION last) {
  if (setjmp(reading.errors.return_point)) return false;
  while (reading.cinfo.output_scanline < last) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(rows + std::ptrdiff_t(reading.cinfo.output_scanline) * stride);
    if (jpeg_read_scanlines(&reading.cinfo, &row, 1) != 1) return false;
  }
  return !reading.errors.data_short;
}

// The lower band of a two-band decode, on its own decompressor: the coded data of the rows
// above `first` is read without making pixels of it, then the rows from `first` down are
// decoded, and the data is read to its end as a one-band decode reads it. True when all of
// that went cleanly.
bool DecodeLowerBand(const std::uint8_t* data, std::size_t size, std::uint32_t* rows, std::ptrdiff_t stride,
                     JDIMENSION first) {
  JpegReading reading(data, size);
  if (setjmp(reading.errors.return_point)) return false;
  if (reading.ReadHeader() != JPEG_HEADER_OK) return false;
  reading.cinfo.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&reading.cinfo);
  if (jpeg_skip_scanlines(&reading.cinfo, first) != first || reading.errors.data_short) return false;
  if (!ReadRowsCleanly(reading, rows, stride, reading.cinfo.output_height)) return false;
  if (setjmp(reading.errors.return_point)) return false;
  jpeg_finish_decompress(&reading.cinfo);
  return !reading.errors.data_short;
}

class JpegDecoder final : public PictureDecoder {
 public:
  JpegDecoder(const std::uint8_t* data, std::size_t size, JpegThreads threads)
      : data_(data), size_(size), threads_(threads), reading_(data, size) {}

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
    jpeg_decompress_struct& cinfo = reading_.cinfo;
    if (setjmp(reading_.errors.return_point)) {
      // Too large to decode within the memory cap: measured, and refused by the caller.
      exceeds_memory_ = IsMemoryError(reading_.errors.manager.msg_code) && width_ > 0 && height_ > 0;
      return exceeds_memory_;
    }
    if (reading_.ReadHeader() != JPEG_HEADER_OK) return false;
    width_ = static_cast<int>(cinfo.image_width);
    height_ = static_cast<int>(cinfo.image_height);
    if (width_ <= 0 || height_ <= 0) return false;
    if (std::int64_t{width_} * height_ > kMaxPicturePixels) return true;  // only measured, never started

    cmyk_ = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk_ ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    // A progressive picture has been read whole by now; what it lacked is lost detail,
    // not lost rows, so its end is not tracked.
    single_scan_ = !jpeg_has_multiple_scans(&cinfo);
    started_ = true;
    return true;
  }

  DecodeResult Decode(std::uint32_t* rows, std::ptrdiff_t stride) override {
    if (!started_ || decoded_) return DecodeResult::kNothing;
    decoded_ = true;
    switch (TryTwoBands(rows, stride)) {
      case TwoBands::kClean: return DecodeResult::kWhole;
      case TwoBands::kNotTried: break;  // nothing decoded yet: one band from here
      case TwoBands::kUnclean:
        // The data ended or broke somewhere: decode again in one band from black rows,
        // so that what is kept of such a file is exactly what a one-band decode keeps.
        for (int y = 0; y < height_; ++y) ClearRow(rows, stride, JDIMENSION(y));
        if (!Restart()) return DecodeResult::kNothing;
        break;
    }
    return DecodeInOneBand(rows, stride);
  }

 private:
  enum class TwoBands { kClean, kUnclean, kNotTried };

  // Two bands when the picture is split and, by size, a helper thread's slot is free
  // (asked for, two bands are always tried).
  TwoBands TryTwoBands(std::uint32_t* rows, std::ptrdiff_t stride) {
    const JDIMENSION split = TwoBandSplit();
    if (split == 0) return TwoBands::kNotTried;
    std::optional<HelperThreadSlot> slot;
    if (threads_ == JpegThreads::kBySize && !slot.emplace().taken()) return TwoBands::kNotTried;
    return DecodeInTwoBands(rows, stride, split);
  }

  // The first row of the lower band, or 0 when this picture is decoded in one band. The
  // lower band's thread reads the upper band's coded data too (without making pixels),
  // so the upper band takes about two thirds of the rows; the split falls on a boundary
  // of the rows that libjpeg decodes together.
  JDIMENSION TwoBandSplit() const {
    const jpeg_decompress_struct& cinfo = reading_.cinfo;
    if (!single_scan_ || cmyk_ || threads_ == JpegThreads::kOne) return 0;
    if (threads_ == JpegThreads::kBySize && std::int64_t{width_} * height_ < kTwoBandPixels) return 0;
    const JDIMENSION unit = JDIMENSION(cinfo.max_v_samp_factor) * DCTSIZE;
    const JDIMENSION split = cinfo.output_height * 2 / 3 / unit * unit;
    return split > 0 && split < cinfo.output_height ? split : 0;
  }

  // The rows above `split` are decoded here, the rest at the same time on a second thread
  // with a decompressor of its own. Clean only when both bands came out whole and the
  // data was read to its end without a fault: then the pixels are those of a one-band
  // decode (libjpeg decodes the skipped data exactly as it would for pixels).
  TwoBands DecodeInTwoBands(std::uint32_t* rows, std::ptrdiff_t stride, JDIMENSION split) {
    bool lower_clean = false;
    std::thread lower;
    try {
      lower = std::thread([&] { lower_clean = DecodeLowerBand(data_, size_, rows, stride, split); });
    } catch (const std::system_error&) {
      return TwoBands::kNotTried;
    }
    const bool upper_clean = ReadRowsCleanly(reading_, rows, stride, split);
    lower.join();
    return upper_clean && lower_clean ? TwoBands::kClean : TwoBands::kUnclean;
  }

  // Back to the state after Open, for a decode from the first row.
  bool Restart() {
    jpeg_decompress_struct& cinfo = reading_.cinfo;
    if (setjmp(reading_.errors.return_point)) return false;
    jpeg_abort_decompress(&cinfo);
    if (reading_.ReadHeader() != JPEG_HEADER_OK) return false;
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    return true;
  }

  DecodeResult DecodeInOneBand(std::uint32_t* rows, std::ptrdiff_t stride) {
    jpeg_decompress_struct& cinfo = reading_.cinfo;
    std::vector<JSAMPLE> cmyk_row;
    if (cmyk_) cmyk_row.resize(std::size_t(width_) * 4);
    if (setjmp(reading_.errors.return_point)) {
      // Broken beyond repair partway: the rows already written stay.
      return Result();
    }
    while (cinfo.output_scanline < cinfo.output_height) {
      const JDIMENSION y = cinfo.output_scanline;
      auto* out = reinterpret_cast<std::uint32_t*>(rows + std::ptrdiff_t(y) * stride);
      JSAMPROW row = cmyk_ ? cmyk_row.data() : reinterpret_cast<JSAMPROW>(out);
      if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) return Result();
      if (single_scan_ && reading_.errors.data_short) {
        // The data stopped within this row's band: it and what follows were never
        // in the file. Leave them as they were.
        ClearRow(rows, stride, y);
        return Result();
      }
      if (cmyk_) CmykToWords(cmyk_row.data(), out, width_, cinfo.saw_Adobe_marker);
      rows_written_ = y + 1;
    }
    jpeg_finish_decompress(&cinfo);
    return single_scan_ && reading_.errors.data_short ? Result() : DecodeResult::kWhole;
  }

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
  JpegThreads threads_;
  JpegReading reading_;
  JDIMENSION rows_written_ = 0;  // rows from the top that hold decoded pixels
  bool started_ = false;
  bool decoded_ = false;
  bool cmyk_ = false;
  bool single_scan_ = true;
};

}  // namespace

std::unique_ptr<PictureDecoder> OpenJpeg(const std::uint8_t* data, std::size_t size, JpegThreads threads) {
  auto decoder = std::make_unique<JpegDecoder>(data, size, threads);
  if (!decoder->Open()) return nullptr;
  return decoder;
}

std::unique_ptr<PictureDecoder> OpenJpeg(const std::uint8_t* data, std::size_t size) {
  return OpenJpeg(data, size, JpegThreads::kBySize);
}

}  // namespace vx

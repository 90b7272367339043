// Decoders of the picture service: JPEG, GIF and BMP data held in memory.
//
// Opening reads and checks the headers (and whatever else must be read to know that the
// picture can be shown); decoding writes the pixels into rows the caller provides. The
// data must stay in place while the decoder lives; nothing is copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vx {

// How much of the picture a decode wrote.
enum class DecodeResult {
  kNothing,  // no row: the data ended or broke before the first one
  kPart,     // the rows before the point where the data ended or broke
  kWhole,
};

class PictureDecoder {
 public:
  virtual ~PictureDecoder() = default;

  // Pixel size as stored in the file; positive. It may be larger than anything that can
  // be allocated: the caller decides whether to go on.
  int width() const { return width_; }
  int height() const { return height_; }
  // The picture can be measured but not decoded: decoding it would take more working
  // memory than a decoder may have (the coefficients of a huge progressive JPEG).
  bool exceeds_memory() const { return exceeds_memory_; }

  // Writes the picture into `rows`: height() rows of width() DIB words, the first row at
  // `rows`, the next `stride` words further. Opaque pixels are written as 0xFFRRGGBB;
  // pixels that the file leaves transparent, and pixels after the point where the data
  // ended or broke, are not written, so the caller's content (black) stays. A decoder
  // decodes once.
  virtual DecodeResult Decode(std::uint32_t* rows, std::ptrdiff_t stride) = 0;

 protected:
  int width_ = 0;
  int height_ = 0;
  bool exceeds_memory_ = false;
};

// Each returns null when the data is not a picture of that format that can be shown.
std::unique_ptr<PictureDecoder> OpenJpeg(const std::uint8_t* data, std::size_t size);

// How many threads a JPEG decode may use. By size: two for a baseline picture of a
// megapixel or more when a helper thread's slot is free (see helper_thread_slots.h), else
// one. Either way the pixels and the result are those of a one-thread decode.
enum class JpegThreads { kOne, kTwo, kBySize };
std::unique_ptr<PictureDecoder> OpenJpeg(const std::uint8_t* data, std::size_t size, JpegThreads threads);
// A two-band decode of a file with restart markers starts its lower band at a marker that
// opens a row of MCUs, without reading the coded data above it; the others skip that data.
// The first iMCU row that band decodes (libjpeg's unit of 8 or 16 rows), or -1 when its
// lower band would skip.
int JpegRestartEntryRow(const std::uint8_t* data, std::size_t size);
// The two-band JPEG decodes of the process so far: those that came out whole from a
// restart marker and by skipping, and those redone in one band because the data ended or
// broke (or a band met any fault). For tests and benchmarks.
struct JpegBandCounts {
  unsigned long from_restart = 0, skipping = 0, redone = 0;
};
JpegBandCounts JpegBandsSoFar();

std::unique_ptr<PictureDecoder> OpenGif(const std::uint8_t* data, std::size_t size);
std::unique_ptr<PictureDecoder> OpenBmp(const std::uint8_t* data, std::size_t size);

// Chooses the decoder by the data's signature, as the picture service does.
std::unique_ptr<PictureDecoder> OpenPicture(const std::uint8_t* data, std::size_t size);

}  // namespace vx

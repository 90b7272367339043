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
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "base/jpeg_cmyk_words.h"
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

// Where the frame header (SOFn) starts, found without libjpeg, which refuses sides past
// JPEG_MAX_DIMENSION without saying how large they are: the offset of its marker, whose
// height and width follow at +5 and +7. None when no frame header comes before the first
// scan, or the markers before it are not laid out cleanly.
std::optional<std::size_t> FindFrameHeader(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 2;  // after the start-of-image marker
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return std::nullopt;
    const std::uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      at += 2;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return std::nullopt;  // scan or end before any frame
    const std::size_t length = BigEndian16(data + at + 2);
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 7 || at + 9 > size) return std::nullopt;
      return at;
    }
    at += 2 + length;
  }
  return std::nullopt;
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

// Where a lower band can begin without reading the coded data above it: just after the
// restart marker that opens the iMCU row `row` (the decompressor's unit of rows). Found only
// in files whose headers and markers are laid out cleanly.
struct RestartEntry {
  JDIMENSION row = 0;
  unsigned markers_before = 0;   // the restart markers up to and including that one
  std::size_t frame = 0;         // where the frame header starts
  std::size_t coded_data = 0;    // where the scan's coded data starts
  std::size_t after_marker = 0;  // the first byte after that marker
};

// Just after the n-th restart marker of the coded data from `start`, read as libjpeg reads
// it (0xFF 0x00 is a data byte, runs of 0xFF are fill before a marker). None when another
// marker, or one numbered out of turn, comes first.
std::optional<std::size_t> AfterRestartMarker(const std::uint8_t* data, std::size_t size, std::size_t start,
                                              unsigned n) {
  unsigned seen = 0;
  std::size_t at = start;
  while (at < size) {
    const void* next = std::memchr(data + at, 0xFF, size - at);
    if (!next) return std::nullopt;
    at = std::size_t(static_cast<const std::uint8_t*>(next) - data) + 1;
    while (at < size && data[at] == 0xFF) ++at;
    if (at == size) return std::nullopt;
    const std::uint8_t code = data[at++];
    if (code == 0x00) continue;
    if (code != JPEG_RST0 + (seen & 7)) return std::nullopt;
    if (++seen == n) return at;
  }
  return std::nullopt;
}

// The restart marker nearest the middle of the picture that opens an iMCU row, such that
// the upper band (through that row) and the lower one (from it) each take at most two
// thirds of the rows; none when the file has no such marker.
std::optional<RestartEntry> FindRestartEntry(const jpeg_decompress_struct& cinfo, const std::uint8_t* data,
                                             std::size_t size, std::size_t frame, std::size_t coded_data) {
  if (cinfo.restart_interval == 0) return std::nullopt;
  const std::int64_t rows = cinfo.total_iMCU_rows;
  const std::int64_t mcus_per_row =
      std::int64_t{cinfo.MCUs_per_row} * (cinfo.comps_in_scan == 1 ? cinfo.cur_comp_info[0]->v_samp_factor : 1);
  std::int64_t best = 0;
  for (std::int64_t row = 1; row + 1 < rows; ++row) {
    if (row * mcus_per_row % cinfo.restart_interval != 0) continue;
    if (best == 0 || std::abs(2 * row + 1 - rows) < std::abs(2 * best + 1 - rows)) best = row;
  }
  if (best == 0 || 3 * std::max(best + 1, rows - best) > 2 * rows) return std::nullopt;
  RestartEntry entry;
  entry.row = JDIMENSION(best);
  entry.markers_before = unsigned(best * mcus_per_row / cinfo.restart_interval);
  entry.frame = frame;
  entry.coded_data = coded_data;
  const std::optional<std::size_t> after = AfterRestartMarker(data, size, coded_data, entry.markers_before);
  if (!after) return std::nullopt;
  entry.after_marker = *after;
  return entry;
}

// What the whole file's decompressor read of the frame and the scan, copied for the lower
// band's thread, which compares its own reading with it.
struct FrameLayout {
  JDIMENSION width = 0, height = 0;
  int components = 0, comps_in_scan = 0, precision = 0, max_v_samp_factor = 0;
  J_COLOR_SPACE color_space = JCS_UNKNOWN;
  unsigned restart_interval = 0;
  struct Component {
    int id, h_samp_factor, v_samp_factor, quant_tbl_no;
  } component[MAX_COMPONENTS];

  explicit FrameLayout(const jpeg_decompress_struct& cinfo)
      : width(cinfo.image_width),
        height(cinfo.image_height),
        components(cinfo.num_components),
        comps_in_scan(cinfo.comps_in_scan),
        precision(cinfo.data_precision),
        max_v_samp_factor(cinfo.max_v_samp_factor),
        color_space(cinfo.jpeg_color_space),
        restart_interval(cinfo.restart_interval) {
    for (int i = 0; i < components && i < MAX_COMPONENTS; ++i) {
      const jpeg_component_info& c = cinfo.comp_info[i];
      component[i] = {c.component_id, c.h_samp_factor, c.v_samp_factor, c.quant_tbl_no};
    }
  }

  // Whether a decompressor reads this frame and scan, only with `height` rows.
  bool Matches(const jpeg_decompress_struct& cinfo, JDIMENSION rows) const {
    if (cinfo.image_width != width || cinfo.image_height != rows || cinfo.num_components != components ||
        cinfo.comps_in_scan != comps_in_scan || cinfo.data_precision != precision ||
        cinfo.max_v_samp_factor != max_v_samp_factor || cinfo.jpeg_color_space != color_space ||
        cinfo.restart_interval != restart_interval || cinfo.progressive_mode) {
      return false;
    }
    for (int i = 0; i < components; ++i) {
      const jpeg_component_info& c = cinfo.comp_info[i];
      const Component& w = component[i];
      if (c.component_id != w.id || c.h_samp_factor != w.h_samp_factor || c.v_samp_factor != w.v_samp_factor ||
          c.quant_tbl_no != w.quant_tbl_no) {
        return false;
      }
    }
    return true;
  }
};

// The lower band of a two-band decode, when the file has restart markers: its own
// decompressor reads the file's headers with the frame's height cut to the rows from iMCU
// row `entry.row` down, then the coded data from just after the restart marker that opens
// that row, as if the file began there. That row is the upper band's too: it is decoded
// (so that the rows below have the context that smooth upsampling takes from above) into a
// scratch row and dropped, and the rows from `split` down are written. The data is read to
// its end as a one-band decode reads it. True when all of that went cleanly.
bool DecodeLowerBandAfterRestart(const std::uint8_t* data, std::size_t size, const RestartEntry& entry,
                                 const FrameLayout& whole, std::uint32_t* rows, std::ptrdiff_t stride,
                                 JDIMENSION split) {
  const JDIMENSION first = entry.row * JDIMENSION(whole.max_v_samp_factor) * DCTSIZE;
  const JDIMENSION height = whole.height - first;
  const std::uint8_t cut_height[2] = {std::uint8_t(height >> 8), std::uint8_t(height)};
  std::unique_ptr<std::uint32_t[]> scratch(new (std::nothrow) std::uint32_t[whole.width]);
  if (!scratch) return false;
  JpegReading reading({{data, entry.frame + 5},
                       {cut_height, sizeof cut_height},
                       {data + entry.frame + 7, entry.coded_data - (entry.frame + 7)},
                       {data + entry.after_marker, size - entry.after_marker}},
                      entry.markers_before);
  if (setjmp(reading.errors.return_point)) return false;
  if (reading.ReadHeader() != JPEG_HEADER_OK || !whole.Matches(reading.cinfo, height)) return false;
  reading.cinfo.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&reading.cinfo);
  while (reading.cinfo.output_scanline < split - first) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(scratch.get());
    if (jpeg_read_scanlines(&reading.cinfo, &row, 1) != 1) return false;
  }
  if (!ReadRowsCleanly(reading, rows + std::ptrdiff_t(first) * stride, stride, reading.cinfo.output_height)) {
    return false;
  }
  if (setjmp(reading.errors.return_point)) return false;
  jpeg_finish_decompress(&reading.cinfo);
  return !reading.errors.data_short;
}

struct {
  std::atomic<unsigned long> from_restart{0}, skipping{0}, redone{0};
} band_counts;

class JpegDecoder final : public PictureDecoder {
 public:
  JpegDecoder(const std::uint8_t* data, std::size_t size, JpegThreads threads)
      : data_(data), size_(size), threads_(threads), reading_(data, size) {}

  bool Open() {
    frame_ = FindFrameHeader(data_, size_);
    const int frame_width = frame_ ? BigEndian16(data_ + *frame_ + 7) : 0;
    const int frame_height = frame_ ? BigEndian16(data_ + *frame_ + 5) : 0;
    // A side of 0 (a height left to a DNL marker) is libjpeg's to refuse.
    if (frame_width > 0 && frame_height > 0 && (frame_width > JPEG_MAX_DIMENSION || frame_height > JPEG_MAX_DIMENSION)) {
      // Measured only: libjpeg would refuse it, and the caller refuses it for its size.
      width_ = frame_width;
      height_ = frame_height;
      return true;
    }
    jpeg_decompress_struct& cinfo = reading_.cinfo;
    if (setjmp(reading_.errors.return_point)) {
      // Too large to decode within the memory cap: measured, and refused by the caller.
      exceeds_memory_ = reading_.errors.OutOfMemory() && width_ > 0 && height_ > 0;
      return exceeds_memory_;
    }
    if (reading_.ReadHeader() != JPEG_HEADER_OK) return false;
    coded_data_ = reading_.Position();
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
      case TwoBands::kClean:
        ++(from_restart_ ? band_counts.from_restart : band_counts.skipping);
        return DecodeResult::kWhole;
      case TwoBands::kNotTried: break;  // nothing decoded yet: one band from here
      case TwoBands::kUnclean:
        ++band_counts.redone;
        // The data ended or broke somewhere: decode again in one band from black rows,
        // so that what is kept of such a file is exactly what a one-band decode keeps.
        for (int y = 0; y < height_; ++y) ClearRow(rows, stride, JDIMENSION(y));
        if (!StartOver()) return DecodeResult::kNothing;
        break;
    }
    return DecodeInOneBand(rows, stride);
  }

 private:
  enum class TwoBands { kClean, kUnclean, kNotTried };

  // Two bands when the picture is large enough to split and, by size, a helper thread's
  // slot is free (asked for, two bands are always tried): from a restart marker in the
  // middle when the file has one there, else skipping the upper band's coded data.
  TwoBands TryTwoBands(std::uint32_t* rows, std::ptrdiff_t stride) {
    if (!TwoBandsWanted()) return TwoBands::kNotTried;
    std::optional<HelperThreadSlot> slot;
    if (threads_ == JpegThreads::kBySize && !slot.emplace().taken()) return TwoBands::kNotTried;
    if (const std::optional<RestartEntry> entry = RestartEntryOfThisFile()) {
      from_restart_ = true;
      return DecodeInTwoBandsAfterRestart(rows, stride, *entry);
    }
    const JDIMENSION split = SkippingSplit();
    if (split == 0) return TwoBands::kNotTried;
    return DecodeInTwoBands(rows, stride, split);
  }

  bool TwoBandsWanted() const {
    if (!single_scan_ || cmyk_ || threads_ == JpegThreads::kOne) return false;
    return threads_ != JpegThreads::kBySize || std::int64_t{width_} * height_ >= kTwoBandPixels;
  }

  // Only a file that nothing was wrong with so far is entered at a marker: its headers and
  // markers are then where a reading without libjpeg finds them.
 public:
  std::optional<RestartEntry> RestartEntryOfThisFile() const {
    if (!started_ || !single_scan_ || cmyk_) return std::nullopt;
    if (!frame_ || reading_.errors.manager.num_warnings != 0) return std::nullopt;
    return FindRestartEntry(reading_.cinfo, data_, size_, *frame_, coded_data_);
  }

 private:

  // The first row of the lower band when it skips the upper band's coded data, or 0 when
  // the picture is too short to split. The lower band's thread reads the upper band's
  // coded data too (without making pixels), so the upper band takes about two thirds of
  // the rows; the split falls on a boundary of the rows that libjpeg decodes together.
  JDIMENSION SkippingSplit() const {
    const jpeg_decompress_struct& cinfo = reading_.cinfo;
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

  // The same with the lower band entered at a restart marker, the upper band ending with
  // the iMCU row that marker opens. Besides both bands coming out whole, the upper band
  // must have met no fault at all, the marker included: then a one-band decode would have
  // arrived at that marker exactly as the lower band's decompressor starts after it (the
  // coded data from a restart marker on depends on nothing before it), and its pixels are
  // those of a one-band decode.
  TwoBands DecodeInTwoBandsAfterRestart(std::uint32_t* rows, std::ptrdiff_t stride, const RestartEntry& entry) {
    const FrameLayout layout(reading_.cinfo);
    const JDIMENSION split = (entry.row + 1) * JDIMENSION(layout.max_v_samp_factor) * DCTSIZE;
    bool lower_clean = false;
    std::thread lower;
    try {
      lower = std::thread(
          [&] { lower_clean = DecodeLowerBandAfterRestart(data_, size_, entry, layout, rows, stride, split); });
    } catch (const std::system_error&) {
      return TwoBands::kNotTried;
    }
    const bool upper_clean =
        ReadRowsCleanly(reading_, rows, stride, split) && reading_.errors.manager.num_warnings == 0;
    lower.join();
    return upper_clean && lower_clean ? TwoBands::kClean : TwoBands::kUnclean;
  }

  // Back to the state after Open, for a decode from the first row.
  bool StartOver() {
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
      if (cmyk_) JpegCmykToWords(cmyk_row.data(), out, width_, cinfo.saw_Adobe_marker);
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
  std::optional<std::size_t> frame_;  // where the frame header starts, when found cleanly
  std::size_t coded_data_ = 0;        // where the first scan's coded data starts
  JDIMENSION rows_written_ = 0;  // rows from the top that hold decoded pixels
  bool started_ = false;
  bool decoded_ = false;
  bool cmyk_ = false;
  bool single_scan_ = true;
  bool from_restart_ = false;  // the two bands split at a restart marker
};

}  // namespace

std::unique_ptr<PictureDecoder> OpenJpeg(const std::uint8_t* data, std::size_t size, JpegThreads threads) {
  auto decoder = std::make_unique<JpegDecoder>(data, size, threads);
  if (!decoder->Open()) return nullptr;
  return decoder;
}

JpegBandCounts JpegBandsSoFar() {
  return {band_counts.from_restart.load(), band_counts.skipping.load(), band_counts.redone.load()};
}

int JpegRestartEntryRow(const std::uint8_t* data, std::size_t size) {
  JpegDecoder decoder(data, size, JpegThreads::kTwo);
  if (!decoder.Open()) return -1;
  const std::optional<RestartEntry> entry = decoder.RestartEntryOfThisFile();
  return entry ? int(entry->row) : -1;
}

std::unique_ptr<PictureDecoder> OpenJpeg(const std::uint8_t* data, std::size_t size) {
  return OpenJpeg(data, size, JpegThreads::kBySize);
}

}  // namespace vx

// The limits every JPEG decode of ours keeps, whoever reads the file: libjpeg's working
// memory capped (progressive pictures keep every coefficient), and the scans counted as
// they begin, with the blocks they visit, so that a file repeating scans cannot keep the
// decoder busy for minutes.
#pragma once

#include <cstdint>

#include "base/jpeg_error_jump.h"

namespace vx {

// The progress monitor that counts; it must live as long as the decompressor.
struct JpegScanBudget {
  jpeg_progress_mgr monitor;  // first, so that libjpeg's pointer to it is one to this
  int scans_counted;
  std::uint64_t block_visits;
};

// On a created decompressor, before its headers are read: caps its memory and has `budget`
// count its scans from none. A scan past the limits then fails as a broken file does.
void LimitJpegDecoding(jpeg_decompress_struct& cinfo, JpegScanBudget& budget);

}  // namespace vx

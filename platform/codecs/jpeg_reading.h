// A libjpeg decompressor reading JPEG data held in memory, with the limits that every
// decode of ours keeps: working memory capped, scans and the blocks they cover counted,
// and fatal errors jumping back to the caller's setjmp on errors.return_point instead of
// ending the process.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/jpeg_error_jump.h"

namespace vx {

class JpegReading {
 public:
  // The data must stay in place while the decompressor lives; nothing is copied.
  JpegReading(const std::uint8_t* data, std::size_t size);
  ~JpegReading();
  JpegReading(const JpegReading&) = delete;
  JpegReading& operator=(const JpegReading&) = delete;

  // Creates the decompressor on first use and reads the headers from the data's start,
  // as a fresh decompressor would (also after an abort). libjpeg may jump to
  // errors.return_point, so call it under a setjmp.
  int ReadHeader();

  jpeg_decompress_struct cinfo{};
  JpegErrorJump errors{};

  // The progress monitor, which counts the scans as they begin and the blocks they cover.
  struct ScanBudget {
    jpeg_progress_mgr monitor;  // first, so that libjpeg's pointer to it is one to this
    int scans_counted;
    std::uint64_t block_visits;
  };

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  jpeg_source_mgr source_{};
  ScanBudget budget_{};
  bool created_ = false;
};

}  // namespace vx

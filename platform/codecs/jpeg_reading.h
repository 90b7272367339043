// A libjpeg decompressor reading JPEG data held in memory, with the limits that every
// decode of ours keeps: working memory capped, scans and the blocks they cover counted,
// and fatal errors jumping back to the caller's setjmp on errors.return_point instead of
// ending the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "base/jpeg_decode_limits.h"
#include "base/jpeg_error_jump.h"

namespace vx {

class JpegReading {
 public:
  struct Piece {
    const std::uint8_t* data;
    std::size_t size;
  };

  // The data must stay in place while the decompressor lives; nothing is copied.
  JpegReading(const std::uint8_t* data, std::size_t size);
  // Data in pieces, read one after the other as if they were one (at most kMostPieces).
  // Its restart markers count from `restarts_before`: the pieces continue a file's coded
  // data just after that many of its restart markers, so that the first marker they hold
  // carries the number that follows (see RestartSource in the .cpp).
  JpegReading(std::initializer_list<Piece> pieces, unsigned restarts_before);
  ~JpegReading();
  JpegReading(const JpegReading&) = delete;
  JpegReading& operator=(const JpegReading&) = delete;

  // Creates the decompressor on first use and reads the headers from the data's start,
  // as a fresh decompressor would (also after an abort). libjpeg may jump to
  // errors.return_point, so call it under a setjmp.
  int ReadHeader();

  // Where the next byte the decompressor reads lies in the data (a one-piece reading).
  std::size_t Position() const;

  jpeg_decompress_struct cinfo{};
  JpegErrorJump errors{};

  // The source manager and where it is in the pieces.
  static constexpr int kMostPieces = 4;
  struct Source {
    jpeg_source_mgr manager;  // first, so that libjpeg's pointer to it is one to this
    Piece pieces[kMostPieces];
    int piece_count;
    int next_piece;
    unsigned restarts_before;
  };

 private:
  Source source_{};
  JpegScanBudget budget_{};
  bool created_ = false;
};

}  // namespace vx

// LZW image data of a GIF frame, for the minimum code sizes above 8 that giflib refuses.
//
// Codes start one bit wider than the minimum code size and grow to 12 bits; they are
// packed least significant bit first into sub-blocks of up to 255 bytes, and an empty
// sub-block ends the data. No colour table has more than 256 entries, so a pixel value
// above 255 counts as broken data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vx {

class GifLzwReader {
 public:
  // `data` starts at the first sub-block, right after the minimum code size byte;
  // `min_code_size` is 2 to 11.
  GifLzwReader(const std::uint8_t* data, std::size_t size, int min_code_size);

  // Decodes the next `count` pixels; false when the data ends or breaks first.
  bool Read(std::uint8_t* out, std::size_t count);
  // Skips the rest of the data up to its empty sub-block; false when the data ends first.
  bool Finish();

 private:
  static constexpr int kMaxCodes = 4096;

  int NextByte();  // -1 at the end of the data
  int NextCode();  // -1 at the end of the data
  void Reset();
  bool DecodeNextString();

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  std::size_t block_left_ = 0;  // bytes left in the current sub-block
  bool ended_ = false;          // the empty sub-block was read
  std::uint32_t bits_ = 0;      // read but not yet used, lowest first
  int bit_count_ = 0;

  int min_code_size_;
  int clear_code_;
  int code_width_ = 0;
  int next_code_ = 0;
  int previous_ = -1;  // -1 right after a clear code
  std::array<std::uint16_t, kMaxCodes> prefix_{};
  std::array<std::uint8_t, kMaxCodes> suffix_{};
  std::array<std::uint8_t, kMaxCodes> first_{};
  std::array<std::uint8_t, kMaxCodes> pending_{};  // last string, reversed
  int pending_count_ = 0;
};

}  // namespace vx

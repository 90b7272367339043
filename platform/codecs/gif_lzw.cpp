#include "platform/codecs/gif_lzw.h"

#include <algorithm>

namespace vx {

GifLzwReader::GifLzwReader(const std::uint8_t* data, std::size_t size, int min_code_size)
    : data_(data), size_(size), min_code_size_(min_code_size), clear_code_(1 << min_code_size) {
  for (int code = 0; code < std::min(clear_code_, 256); ++code) {
    suffix_[code] = first_[code] = static_cast<std::uint8_t>(code);
  }
  Reset();
}

void GifLzwReader::Reset() {
  code_width_ = min_code_size_ + 1;
  next_code_ = clear_code_ + 2;
  previous_ = -1;
}

int GifLzwReader::NextByte() {
  if (block_left_ == 0) {
    if (ended_ || at_ >= size_) return -1;
    block_left_ = data_[at_++];
    if (block_left_ == 0) {
      ended_ = true;
      return -1;
    }
  }
  if (at_ >= size_) return -1;
  --block_left_;
  return data_[at_++];
}

int GifLzwReader::NextCode() {
  while (bit_count_ < code_width_) {
    const int byte = NextByte();
    if (byte < 0) return -1;
    bits_ |= static_cast<std::uint32_t>(byte) << bit_count_;
    bit_count_ += 8;
  }
  const int code = static_cast<int>(bits_ & ((1u << code_width_) - 1));
  bits_ >>= code_width_;
  bit_count_ -= code_width_;
  return code;
}

// Reads codes up to the next one that stands for pixels and puts its string, reversed,
// in pending_.
bool GifLzwReader::DecodeNextString() {
  for (;;) {
    const int code = NextCode();
    if (code == clear_code_) {
      Reset();
      continue;
    }
    // The end of the data or the end code before the last pixel, an undefined code, a
    // table entry right after a clear, or a pixel value beyond any colour table.
    if (code < 0 || code == clear_code_ + 1 || code > next_code_) return false;
    if ((previous_ < 0 && code >= clear_code_) || (code < clear_code_ && code > 255)) return false;
    if (previous_ >= 0 && next_code_ < kMaxCodes) {
      // The new entry is the previous string and the first pixel of this one, which for
      // a code that is defined by this very step is the previous string's first pixel.
      prefix_[next_code_] = static_cast<std::uint16_t>(previous_);
      suffix_[next_code_] = code == next_code_ ? first_[previous_] : first_[code];
      first_[next_code_] = first_[previous_];
      ++next_code_;
      if (next_code_ == (1 << code_width_) && code_width_ < 12) ++code_width_;
    }
    previous_ = code;
    int string = code;
    while (string >= clear_code_) {
      pending_[pending_count_++] = suffix_[string];
      string = prefix_[string];
    }
    pending_[pending_count_++] = static_cast<std::uint8_t>(string);
    return true;
  }
}

bool GifLzwReader::Read(std::uint8_t* out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (pending_count_ == 0 && !DecodeNextString()) return false;
    out[i] = pending_[--pending_count_];
  }
  return true;
}

bool GifLzwReader::Finish() {
  while (NextByte() >= 0) {
  }
  return ended_;
}

}  // namespace vx

// The chunks of PNG data, walked from the signature on without decoding anything: each is
// a 4-byte big-endian length, a 4-byte type, its data and a 4-byte check value (not
// verified here). The walk ends at IEND, at the end of the data, or at the first chunk
// that does not fit in it.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace vx {

// Calls visit(type, data) for each chunk before IEND until it returns false; false when
// the data is no PNG.
template <typename Visit>
bool WalkPngChunks(std::span<const std::uint8_t> png, Visit visit) {
  static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < sizeof kSignature || std::memcmp(png.data(), kSignature, sizeof kSignature) != 0) return false;
  std::size_t at = sizeof kSignature;
  while (png.size() - at >= 12) {
    const std::uint8_t* chunk = png.data() + at;
    const std::size_t length = std::size_t{chunk[0]} << 24 | std::size_t{chunk[1]} << 16 | std::size_t{chunk[2]} << 8 | chunk[3];
    if (length > png.size() - at - 12) break;
    const std::string_view type(reinterpret_cast<const char*>(chunk + 4), 4);
    if (type == "IEND" || !visit(type, png.subspan(at + 8, length))) break;
    at += 12 + length;
  }
  return true;
}

}  // namespace vx

// 16- and 32-bit numbers of a TIFF-structured block (Exif), in the block's byte order:
// "MM" big-endian, "II" little-endian. The caller has checked that the bytes lie inside.
#pragma once

#include <cstdint>

namespace vx {

inline std::uint16_t TiffU16(const std::uint8_t* p, bool big_endian) {
  return big_endian ? std::uint16_t(p[0] << 8 | p[1]) : std::uint16_t(p[1] << 8 | p[0]);
}

inline std::uint32_t TiffU32(const std::uint8_t* p, bool big_endian) {
  const std::uint32_t first = TiffU16(p, big_endian), second = TiffU16(p + 2, big_endian);
  return big_endian ? first << 16 | second : second << 16 | first;
}

}  // namespace vx

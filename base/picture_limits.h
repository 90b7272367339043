// The largest picture the system makes or takes: 65 500 pixels a side (the most a JPEG
// can hold) and 2^29 pixels in all (a bitmap of 2 GiB at 4 bytes a pixel). Decoders refuse
// larger pictures before anything is allocated for them.
#pragma once

#include <cstdint>

namespace vx {

inline constexpr std::int64_t kMaxPictureSide = 65500;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 29;

// A picture of at least one pixel within both limits.
constexpr bool PictureSizeAcceptable(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height <= kMaxPicturePixels;
}

}  // namespace vx

// Resampling of 32-bit DIB words by a proper filter, for thumbnails.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

enum class ResampleFilter { kArea = 1, kLanczos3 = 2 };
struct SourceWindow { double x, y, width, height; };  // in source pixels
// 32-bit DIB words 0xXXRRGGBB, rows top first, strides in words (may be negative). Top byte written 0.
// false (nothing written) when memory cannot be had or arguments are out of range.
bool ResamplePixels(const std::uint32_t* src, int src_width, int src_height, std::ptrdiff_t src_stride,
                    SourceWindow window, std::uint32_t* dst, int dst_width, int dst_height,
                    std::ptrdiff_t dst_stride, ResampleFilter filter);
}

// ResamplePixels: a picture, or a window of it, resized into another pixel buffer by area
// averaging or by Lanczos-3, separably (columns first, then rows) and in integers, so that
// the plain loops and the vector ones give the same bytes. Working memory is a few rows of
// the source and tables the size of the output, whatever the source's height.
//
// Window edges are taken to 1/256 of a source pixel (rounded to the nearest).
//
// Area averaging (kArea), for an axis that shrinks or keeps its size: each output pixel is
// the exact mean of the source area it covers, source pixels cut by its edges counting by
// the covered fraction, rounded half up to 8 bits. An axis that grows is resampled as by
// kLanczos3 (per axis: the other axis still averages).
//
// Lanczos-3 (kLanczos3): the kernel sinc(x) sinc(x/3), |x| < 3, widened by the ratio when
// the axis shrinks. Taps that fall outside the source are dropped and the others scaled
// to sum to one; taps outside the window but inside the source are used. Weights are
// worked out in double precision and rounded to 14 fractional bits, the column pass keeps
// 6 fractional bits, results are rounded half up and clamped to 0..255.
// An axis that shrinks by 3 or more is first area-averaged to twice its output size (with
// a margin for the kernel), then Lanczos-3 halves it: a thumbnail then costs about one
// addition per source byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

enum class ResampleFilter { kArea = 1, kLanczos3 = 2 };

// Pixels are 32-bit DIB words 0xXXRRGGBB (blue in the low byte), rows top first, `*_stride`
// words from one row to the next (may be negative for bottom-up). The source window is
// given in source pixels as doubles (x, y, width, height), so that a centred crop with
// fractional edges resamples exactly; the whole picture is {0, 0, src_width, src_height}.
// The top byte of every written word is 0. Returns false (writing nothing) when working
// memory cannot be had or an argument is out of range (empty sizes, window outside the
// source, sizes beyond 65500).
struct SourceWindow {
  double x, y, width, height;
};

bool ResamplePixels(const std::uint32_t* src, int src_width, int src_height,
                    std::ptrdiff_t src_stride, SourceWindow window, std::uint32_t* dst,
                    int dst_width, int dst_height, std::ptrdiff_t dst_stride,
                    ResampleFilter filter);

}  // namespace vx

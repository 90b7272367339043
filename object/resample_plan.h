// How the resampler goes about one call: which stages run, and the tables of each axis.
//
// An axis that area-averages (kArea, not growing) is done by the area stage alone. An axis
// that Lanczos-3 shrinks by kPreShrinkFrom or more is area-averaged to kPreShrinkTo times
// its output size (plus a margin for the kernel, where the source has pixels beyond the
// window) and then Lanczos-resampled by kPreShrinkTo. Any other axis is done by the Lanczos
// stage alone. When one stage has work on one axis only, it copies the other axis through.
#pragma once

#include <cstddef>
#include <cstdint>

#include "object/resample.h"
#include "object/resample_area.h"
#include "object/resample_kernels.h"
#include "object/resample_lanczos.h"

namespace vx::resample {

constexpr int kMaxSide = 65500;
constexpr int kEdgeSteps = 256;    // window edges are taken to 1/kEdgeSteps of a pixel
// Against ImageMagick's Lanczos the thumbnails of the photographs stay above 47 dB PSNR
// with these (bench/resample_quality.sh), at a fraction of the cost of the direct kernel.
constexpr int kPreShrinkFrom = 3;
constexpr int kPreShrinkTo = 2;

// A source window with its edges in 1/kEdgeSteps of a pixel.
struct Window {
  std::int64_t x = 0, y = 0, width = 0, height = 0;
};

// `window` with its edges rounded to the nearest 1/kEdgeSteps of a pixel; false when it is
// not finite, is empty or reaches outside a source of width x height.
bool SnapWindow(const SourceWindow& window, int width, int height, Window* snapped);

struct Plan {
  bool area = false;     // an area stage reads the source
  bool lanczos = false;  // a Lanczos stage reads the area stage's rows, or else the source
  AreaAxis area_x, area_y;
  LanczosAxis lanczos_x, lanczos_y;
};

// The plan for a valid window and output size (may throw std::bad_alloc).
Plan MakePlan(int src_width, int src_height, const Window& window, int dst_width,
              int dst_height, ResampleFilter filter);

// Carries out a plan with the given loops: allocates its working rows, then writes every
// output row. False, with nothing written, when the memory cannot be had.
bool RunPlan(const Plan& plan, const RowKernels& kernels, const std::uint32_t* src,
             std::ptrdiff_t src_stride, std::uint32_t* dst, std::ptrdiff_t dst_stride);

}  // namespace vx::resample

// The plan of a resampling call: the role of each axis and its tables.
#include "object/resample_plan.h"

#include <algorithm>
#include <cmath>

namespace vx::resample {
namespace {

enum class Role { kArea, kPreShrink, kLanczos };

Role RoleOf(std::int64_t length, int count, ResampleFilter filter) {
  if (filter == ResampleFilter::kArea) {
    return length >= std::int64_t{kEdgeSteps} * count ? Role::kArea : Role::kLanczos;
  }
  return length >= std::int64_t{kEdgeSteps} * kPreShrinkFrom * count ? Role::kPreShrink
                                                                     : Role::kLanczos;
}

// The tables of one axis: the source has `extent` pixels, the window is [start, start +
// length) in 1/kEdgeSteps of a pixel. `area` and `lanczos` say which stages run.
void PlanAxis(int extent, std::int64_t start, std::int64_t length, int count, Role role,
              bool area, bool lanczos, AreaAxis* area_axis, LanczosAxis* lanczos_axis) {
  switch (role) {
    case Role::kArea:
      *area_axis = MakeAreaAxis({start * count, length, std::int64_t{kEdgeSteps} * count, count});
      if (lanczos) *lanczos_axis = MakeLanczosAxis(count, 0.0, count, count);
      return;
    case Role::kPreShrink: {
      // The between size, and as many pixels on either side as the kernel reaches and the
      // source has.
      const std::int64_t between = std::int64_t{kPreShrinkTo} * count;
      const std::int64_t margin = 3 * kPreShrinkTo + 1;
      const std::int64_t before = std::min(margin, start * between / length);
      const std::int64_t after =
          std::min(margin, (std::int64_t{kEdgeSteps} * extent - start - length) * between / length);
      const int total = static_cast<int>(before + between + after);
      *area_axis = MakeAreaAxis(
          {start * between - before * length, length, kEdgeSteps * between, total});
      *lanczos_axis = MakeLanczosAxis(total, double(before), double(between), count);
      return;
    }
    case Role::kLanczos:
      *lanczos_axis = MakeLanczosAxis(extent, double(start) / kEdgeSteps,
                                      double(length) / kEdgeSteps, count);
      if (area) {  // the area stage copies the source pixels the kernel reaches
        const int first = lanczos_axis->span_first, end = lanczos_axis->span_end;
        *area_axis = MakeAreaAxis({first, 1, 1, end - first});
        lanczos_axis->MoveOrigin(first);
      }
      return;
  }
}

}  // namespace

bool SnapWindow(const SourceWindow& window, int width, int height, Window* snapped) {
  // Edges outside [-1, side + 1] are refused before they are scaled, so nothing overflows.
  auto edge = [](double v, int side, std::int64_t* out) {
    if (!(v >= -1.0 && v <= side + 1.0)) return false;
    *out = static_cast<std::int64_t>(std::floor(v * kEdgeSteps + 0.5));
    return true;
  };
  std::int64_t left, top, right, bottom;
  if (!edge(window.x, width, &left) || !edge(window.y, height, &top) ||
      !edge(window.x + window.width, width, &right) ||
      !edge(window.y + window.height, height, &bottom)) {
    return false;
  }
  if (left < 0 || top < 0 || right > std::int64_t{kEdgeSteps} * width ||
      bottom > std::int64_t{kEdgeSteps} * height || right <= left || bottom <= top) {
    return false;
  }
  *snapped = {left, top, right - left, bottom - top};
  return true;
}

Plan MakePlan(int src_width, int src_height, const Window& window, int dst_width,
              int dst_height, ResampleFilter filter) {
  const Role x = RoleOf(window.width, dst_width, filter);
  const Role y = RoleOf(window.height, dst_height, filter);
  Plan plan;
  plan.area = x != Role::kLanczos || y != Role::kLanczos;
  plan.lanczos = x != Role::kArea || y != Role::kArea;
  PlanAxis(src_width, window.x, window.width, dst_width, x, plan.area, plan.lanczos,
           &plan.area_x, &plan.lanczos_x);
  PlanAxis(src_height, window.y, window.height, dst_height, y, plan.area, plan.lanczos,
           &plan.area_y, &plan.lanczos_y);
  return plan;
}

}  // namespace vx::resample

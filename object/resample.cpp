// ResamplePixels: the arguments checked, the plan made and carried out, the stages chained
// through a ring of the few rows between them that the Lanczos stage holds at once.
#include "object/resample.h"

#include <new>
#include <vector>

#include "object/resample_plan.h"

namespace vx::resample {
namespace {

// The area stage's rows, made as the Lanczos stage first asks for them and kept in a ring.
class AreaRing : public RowSupply {
 public:
  AreaRing(AreaStage& area, int held)
      : area_(area), held_(held), words_(std::size_t(held) * std::size_t(area.width())) {}
  const std::uint32_t* Row(int y) override {
    for (; made_ <= y; ++made_) area_.Row(made_, Slot(made_));
    return Slot(y);
  }

 private:
  std::uint32_t* Slot(int y) { return &words_[std::size_t(y % held_) * std::size_t(area_.width())]; }

  AreaStage& area_;
  int held_;
  int made_ = 0;
  std::vector<std::uint32_t> words_;
};

}  // namespace

bool RunPlan(const Plan& plan, const RowKernels& kernels, const std::uint32_t* src,
             std::ptrdiff_t src_stride, std::uint32_t* dst, std::ptrdiff_t dst_stride) {
  try {
    if (!plan.lanczos) {
      AreaStage area(src, src_stride, plan.area_x, plan.area_y, kernels);
      for (int j = 0; j < area.height(); ++j) area.Row(j, dst + j * dst_stride);
      return true;
    }
    LanczosStage lanczos(plan.lanczos_x, plan.lanczos_y, kernels);
    const int height = plan.lanczos_y.count();
    if (!plan.area) {
      PictureRows rows(src, src_stride);
      for (int j = 0; j < height; ++j) lanczos.Row(j, rows, dst + j * dst_stride);
      return true;
    }
    AreaStage area(src, src_stride, plan.area_x, plan.area_y, kernels);
    AreaRing rows(area, RowsHeldAtOnce(plan.lanczos_y));
    for (int j = 0; j < height; ++j) lanczos.Row(j, rows, dst + j * dst_stride);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace vx::resample

namespace vx {

bool ResamplePixels(const std::uint32_t* src, int src_width, int src_height,
                    std::ptrdiff_t src_stride, SourceWindow window, std::uint32_t* dst,
                    int dst_width, int dst_height, std::ptrdiff_t dst_stride,
                    ResampleFilter filter) {
  using namespace resample;
  auto side = [](int n) { return n >= 1 && n <= kMaxSide; };
  auto stride = [](std::ptrdiff_t s, int width) { return s >= width || -s >= width; };
  resample::Window snapped;
  if (!src || !dst || !side(src_width) || !side(src_height) || !side(dst_width) ||
      !side(dst_height) || !stride(src_stride, src_width) || !stride(dst_stride, dst_width) ||
      (filter != ResampleFilter::kArea && filter != ResampleFilter::kLanczos3) ||
      !SnapWindow(window, src_width, src_height, &snapped)) {
    return false;
  }
  try {
    const Plan plan = MakePlan(src_width, src_height, snapped, dst_width, dst_height, filter);
    return RunPlan(plan, FastKernels(), src, src_stride, dst, dst_stride);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace vx

#include "base/jpeg_decode_limits.h"

#include <algorithm>

namespace vx {
namespace {

constexpr long kMemoryLimit = 1L << 30;
// Encoders write about ten scans, and every scan may cost a pass over all the coefficients.
constexpr int kMaxScans = 100;
// Nor may the scans together visit each block of the picture more than this many times on
// average: the usual progressions visit a block four to six times, and on a large picture
// even a hundred scans would take the better part of a minute. Small pictures keep the
// whole hundred scans.
constexpr std::uint64_t kMaxVisitsPerBlock = 32;
constexpr std::uint64_t kMinBlockVisits = std::uint64_t{1} << 22;

std::uint64_t BlocksOf(const jpeg_component_info& component) {
  return std::uint64_t{component.width_in_blocks} * component.height_in_blocks;
}

// Called by libjpeg before each step of reading: the scan that goes past the limits is
// refused as soon as it begins.
void LimitScans(j_common_ptr common) {
  auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
  auto* budget = reinterpret_cast<JpegScanBudget*>(cinfo->progress);
  if (cinfo->input_scan_number > kMaxScans) ERREXIT4(common, JERR_BAD_PROGRESSION, 0, 0, 0, 0);
  if (cinfo->input_scan_number == budget->scans_counted) return;
  budget->scans_counted = cinfo->input_scan_number;
  std::uint64_t picture_blocks = 0, scan_blocks = 0;
  for (int i = 0; i < cinfo->num_components; ++i) picture_blocks += BlocksOf(cinfo->comp_info[i]);
  for (int i = 0; i < cinfo->comps_in_scan; ++i) scan_blocks += BlocksOf(*cinfo->cur_comp_info[i]);
  budget->block_visits += scan_blocks;
  if (budget->block_visits > std::max(kMinBlockVisits, kMaxVisitsPerBlock * picture_blocks)) {
    ERREXIT4(common, JERR_BAD_PROGRESSION, 0, 0, 0, 0);
  }
}

}  // namespace

void LimitJpegDecoding(jpeg_decompress_struct& cinfo, JpegScanBudget& budget) {
  budget = {};
  budget.monitor.progress_monitor = LimitScans;
  cinfo.mem->max_memory_to_use = kMemoryLimit;
  cinfo.progress = &budget.monitor;
}

}  // namespace vx

#include "platform/codecs/jpeg_reading.h"

#include <algorithm>

namespace vx {

namespace {

// Beyond this much working memory (progressive pictures keep every coefficient) the
// library gives up instead of asking for more.
constexpr long kJpegMemoryLimit = 1L << 30;
// Progressive encoders write about ten scans; every scan may cost a pass over all the
// coefficients, so a file that repeats scans could keep the decoder busy for minutes.
constexpr int kMaxScans = 100;
// Nor may the scans together visit each block of the picture more than this many times
// on average: the usual progressions visit a block four to six times, and on a large
// picture even a hundred scans would take the better part of a minute. Small pictures
// keep the whole hundred scans.
constexpr std::uint64_t kMaxVisitsPerBlock = 32;
constexpr std::uint64_t kMinBlockVisits = std::uint64_t{1} << 22;

std::uint64_t BlocksOf(const jpeg_component_info& component) {
  return std::uint64_t{component.width_in_blocks} * component.height_in_blocks;
}

// Called by libjpeg before each step of reading: a file of more scans than the limits
// allow is refused as broken as soon as the scan that goes past them begins.
void LimitScans(j_common_ptr cinfo) {
  auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
  auto* budget = reinterpret_cast<JpegReading::ScanBudget*>(decompress->progress);
  if (decompress->input_scan_number > kMaxScans) ERREXIT4(cinfo, JERR_BAD_PROGRESSION, 0, 0, 0, 0);
  if (decompress->input_scan_number == budget->scans_counted) return;
  budget->scans_counted = decompress->input_scan_number;
  std::uint64_t picture_blocks = 0;
  for (int i = 0; i < decompress->num_components; ++i) picture_blocks += BlocksOf(decompress->comp_info[i]);
  std::uint64_t scan_blocks = 0;
  for (int i = 0; i < decompress->comps_in_scan; ++i) scan_blocks += BlocksOf(*decompress->cur_comp_info[i]);
  budget->block_visits += scan_blocks;
  if (budget->block_visits > std::max(kMinBlockVisits, kMaxVisitsPerBlock * picture_blocks)) {
    ERREXIT4(cinfo, JERR_BAD_PROGRESSION, 0, 0, 0, 0);
  }
}

// The source reads from memory; past the end it supplies an end-of-image marker, as a
// truncated file ends.
const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  WARNMS(cinfo, JWRN_JPEG_EOF);
  cinfo->src->next_input_byte = kFakeEoi;
  cinfo->src->bytes_in_buffer = sizeof kFakeEoi;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* source = cinfo->src;
  if (count <= 0) return;
  if (static_cast<std::size_t>(count) > source->bytes_in_buffer) {
    FillInputBuffer(cinfo);  // skipping past the end: what follows is the end
    return;
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

}  // namespace

JpegReading::JpegReading(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {
  cinfo.err = errors.Install();
  source_.init_source = InitSource;
  source_.fill_input_buffer = FillInputBuffer;
  source_.skip_input_data = SkipInputData;
  source_.resync_to_restart = jpeg_resync_to_restart;
  source_.term_source = TermSource;
  budget_.monitor.progress_monitor = LimitScans;
}

JpegReading::~JpegReading() {
  if (created_) jpeg_destroy_decompress(&cinfo);
}

int JpegReading::ReadHeader() {
  if (!created_) {
    jpeg_create_decompress(&cinfo);
    created_ = true;
    cinfo.mem->max_memory_to_use = kJpegMemoryLimit;
    cinfo.src = &source_;
    cinfo.progress = &budget_.monitor;
  }
  budget_.scans_counted = 0;
  budget_.block_visits = 0;
  source_.next_input_byte = data_;
  source_.bytes_in_buffer = size_;
  errors.manager.num_warnings = 0;
  errors.data_short = false;
  return jpeg_read_header(&cinfo, TRUE);
}

}  // namespace vx

#include "object/jpeg_output_choices.h"

namespace vx {

bool ApplyOutputChoices(jpeg_compress_struct& cinfo, const JpegOutputChoices& choices) {
  const int subsampling = choices.chroma_subsampling;
  if (subsampling != JpegOutputChoices::kChroma444 && subsampling != JpegOutputChoices::kChroma422 &&
      subsampling != JpegOutputChoices::kChroma420) {
    return false;
  }
  // Luminance sampled 2 x 1 or 2 x 2 times as densely as the two colour components.
  if (subsampling != JpegOutputChoices::kChroma444) {
    cinfo.comp_info[0].h_samp_factor = 2;
    cinfo.comp_info[0].v_samp_factor = subsampling == JpegOutputChoices::kChroma420 ? 2 : 1;
  }
  if (choices.optimize_coding) cinfo.optimize_coding = TRUE;
  if (choices.progressive) jpeg_simple_progression(&cinfo);
  return true;
}

void WriteSegments(jpeg_compress_struct& cinfo, const OutputSegments& segments) {
  for (const JpegSegment& segment : segments.segments) {
    jpeg_write_marker(&cinfo, segment.code, segment.data.data(), static_cast<unsigned int>(segment.data.size()));
  }
}

}  // namespace vx

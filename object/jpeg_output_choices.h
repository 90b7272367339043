// What a JPEG output may be asked to be beyond its quality: progressive, with its chroma
// subsampled, with Huffman tables made for the picture, and carrying the source's metadata.
// The defaults change nothing: a baseline file, 4:4:4, libjpeg's standard tables, no
// segment beyond JFIF.
#pragma once

#include <cstdio>

// jpeglib.h expects the standard types to be declared already.
#include <jpeglib.h>

#include "object/picture_metadata.h"

namespace vx {

struct JpegOutputChoices {
  bool progressive = false;
  int chroma_subsampling = kChroma444;  // kChroma444, kChroma422 or kChroma420
  bool optimize_coding = false;

  static constexpr int kChroma444 = 0;
  static constexpr int kChroma422 = 1;  // chroma at half the width
  static constexpr int kChroma420 = 2;  // chroma at half the width and half the height
};

// Applies the choices to a compressor already given its defaults, colour space and
// quality, before jpeg_start_compress. False (and nothing changed) for a subsampling
// that is none of the three.
bool ApplyOutputChoices(jpeg_compress_struct& cinfo, const JpegOutputChoices& choices);

// Writes the segments after jpeg_start_compress and before the first row.
void WriteSegments(jpeg_compress_struct& cinfo, const OutputSegments& segments);

}  // namespace vx

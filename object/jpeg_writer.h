// The JPEG writer: any bitmap selected into a device context, written as a JPEG file
// (YCbCr, JFIF marker) at a quality that libjpeg limits to 1..100. By default a baseline
// file without chroma subsampling and with the standard tables; the output choices and the
// metadata segments of jpeg_output_choices.h change that. The file appears whole or not at
// all.
#pragma once

#include "object/jpeg_output_choices.h"
#include "platform/gdi.h"

namespace vx {

// What a file is to be beyond its pixels.
struct JpegOutputSettings {
  LONG quality = 80;
  JpegOutputChoices choices;
  const OutputSegments* segments = nullptr;  // written after the JFIF segment; none when null
};

// Null when the file was written, else the error text that says why not.
const OLECHAR* WriteJpegFile(const OLECHAR* path, HDC dc, HBITMAP bitmap, LONG width, LONG height,
                             const JpegOutputSettings& settings);

// Null when a picture of this size can be written; else the error text the writer would
// give, so that callers need not make a large bitmap for a picture that will be refused.
// Sizes of 0, and negative ones whose rows come to 0 bytes, are not refused here: the
// library refuses them once the target is open.
const OLECHAR* OutputSizeRefusal(LONG width, LONG height);

}  // namespace vx

// The JPEG writer: any bitmap selected into a device context, written as a baseline JPEG
// file (YCbCr without chroma subsampling, JFIF marker, standard tables) at a quality that
// libjpeg limits to 1..100. The file appears whole or not at all.
#pragma once

#include "platform/gdi.h"

namespace vx {

// Null when the file was written, else the error text that says why not.
const OLECHAR* WriteJpegFile(const OLECHAR* path, HDC dc, HBITMAP bitmap, LONG width, LONG height,
                             LONG quality);

// Null when a picture of this size can be written; else the error text the writer would
// give, so that callers need not make a large bitmap for a picture that will be refused.
// Sizes of 0, and negative ones whose rows come to 0 bytes, are not refused here: the
// library refuses them once the target is open.
const OLECHAR* OutputSizeRefusal(LONG width, LONG height);

}  // namespace vx

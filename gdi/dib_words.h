// Moving the pixels of a surface to and from a buffer of DIB words 0xXXRRGGBB (blue in the
// low byte), one word per pixel, top row first, no gap between rows.
#pragma once

#include <cstdint>

#include "platform/gdi.h"

namespace vx {

// The header that describes such a buffer of width x height words to GDI.
BITMAPINFO TopDownDibInfo(int width, int height);

// Reads the whole width x height `bitmap` (selected into `dc`) into `words`. False when
// GDI could not deliver every row.
bool ReadDibWords(HDC dc, HBITMAP bitmap, int width, int height, std::uint32_t* words);

// Writes `words` to the area (x, y, width, height) of `target`; GDI drops what falls
// outside the target's surface.
void WriteDibWords(HDC target, int x, int y, int width, int height, const std::uint32_t* words);

}  // namespace vx

// How far drawing on a context reaches, and how much a source context holds, so that a
// routine asked for a figure or a picture far larger than the surface does no work on what
// could never show or never be read.
#pragma once

#include "platform/gdi.h"

namespace vx {

// The rectangle of `dc` that drawing can reach, in logical coordinates (its clip box);
// empty when nothing can be drawn or the context is unusable. Nothing outside it changes
// whatever is drawn.
RECT DrawableBox(HDC dc);

// The size of the bitmap selected into the memory context `dc`. False for any other
// context, whose extent is not known here.
bool MemorySurfaceSize(HDC dc, SIZE& size);

}  // namespace vx

// The image watermark's two steps, apart from the object so that tests can hold them to the
// pixel: where the mark goes, and stamping it.
#pragma once

#include "platform/gdi.h"

namespace vx {

// The MarkPos, MarkPosOffsetX and MarkPosOffsetY properties.
struct MarkPlacement {
  LONG rule;  // 0 centre, 1 top left, 2 top right, 3 bottom left, 4 bottom right, else free
  LONG offset_x;
  LONG offset_y;
};

// The picture pixel that the mark's top-left pixel covers. `position` (lPosX, lPosY) is
// added under every rule, the offsets under rules 0 to 4 only, with the same sign
// everywhere: a positive offset moves the mark right or down. Centring halves toward zero.
// Results beyond the 32-bit range are held at its ends, which keeps the mark off the
// picture.
POINT ImageMarkOrigin(const MarkPlacement& placement, POINT position, SIZE picture, SIZE mark);

// Lays an RGBA mark of `mark` size with its top-left pixel at `at` over `picture` by its
// own alpha, and merges the result into the picture at `opacity` percent with
// CvxGDI::BitBltDCByTransparent. Since the mixer leaves a pixel mixed with itself as it
// was, only the part of the picture under the mark is copied, drawn on and merged: the
// pixels come out as from a merge of a whole layer, at a cost that grows with the mark's
// visible size alone. A null `rgba` draws nothing.
void StampImageMark(HDC picture, SIZE picture_size, POINT at, SIZE mark,
                    const unsigned char* rgba, LONG opacity);

}  // namespace vx

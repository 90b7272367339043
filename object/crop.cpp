// MakeCropImage: a rectangle of the source picture, copied pixel for pixel.
#include "object/drawn_copy.h"

HRESULT CResize::MakeCropImage(BSTR strTargetImage, LONG lPosX, LONG lPosY, LONG lWidth,
                               LONG lHeight) {
  // The rectangle is neither clamped nor checked: the part of it off the picture stays
  // as the new bitmap starts, black.
  return SaveDrawnCopy(strTargetImage, lWidth, lHeight, [&](HDC dc) {
    BitBlt(dc, 0, 0, lWidth, lHeight, SourceDC, lPosX, lPosY, SRCCOPY);
    return true;
  });
}

// MakeCropImage: a rectangle of the source picture, copied pixel for pixel.
#include "object/resize.h"

HRESULT CResize::MakeCropImage(BSTR strTargetImage, LONG lPosX, LONG lPosY, LONG lWidth,
                               LONG lHeight) {
  if (!OutputSizeAcceptable(lWidth, lHeight)) return S_FALSE;
  // The rectangle is neither clamped nor checked: the part of it off the picture stays
  // as the new bitmap starts, black.
  HDC dc = CreateCompatibleDC(SourceDC);
  HBITMAP bitmap = CreateCompatibleBitmap(SourceDC, lWidth, lHeight);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, lWidth, lHeight, SourceDC, lPosX, lPosY, SRCCOPY);
  const bool written = SaveJpegImage(strTargetImage, dc, bitmap, lWidth, lHeight);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return written ? S_OK : S_FALSE;
}

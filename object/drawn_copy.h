// The frame shared by thumbnails and crops: a temporary bitmap the size of the output,
// drawn on from the source and handed to the JPEG writer.
#pragma once

#include "object/resize.h"

template <class Draw>
HRESULT CResize::SaveDrawnCopy(BSTR path, LONG width, LONG height, Draw draw) {
  // Sizes the writer would refuse are refused before the bitmap is made.
  if (!OutputSizeAcceptable(width, height)) return S_FALSE;
  HDC dc = CreateCompatibleDC(SourceDC);
  HBITMAP bitmap = CreateCompatibleBitmap(SourceDC, width, height);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  draw(dc);
  const bool written = SaveJpegImage(path, dc, bitmap, width, height);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return written ? S_OK : S_FALSE;
}

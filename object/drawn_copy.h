// The frame shared by thumbnails and crops: a temporary bitmap the size of the output,
// drawn on from the source and handed to the JPEG writer.
#pragma once

#include "gdi/scratch_surface.h"
#include "object/resize.h"

template <class Draw>
HRESULT CResize::SaveDrawnCopy(BSTR path, LONG width, LONG height, Draw draw) {
  // Sizes the writer would refuse are refused before the bitmap is made.
  if (!OutputSizeAcceptable(width, height)) return S_FALSE;
  // A copy of no size has nothing to draw on; the writer refuses it once the target is open.
  if (width <= 0 || height <= 0) {
    return SaveJpegImage(path, nullptr, nullptr, width, height) ? S_OK : S_FALSE;
  }
  // Before any load there is no source context: the copy is made for the screen, and
  // stays black.
  HDC screen = SourceDC ? nullptr : GetDC(nullptr);
  bool written = false;
  {
    vx::ScratchSurface copy(SourceDC ? SourceDC : screen, width, height);
    if (!copy) {
      ErrorText = vx::error_text::kNoMemoryForOutput;
    } else if (!draw(copy.dc())) {
      ErrorText = vx::error_text::kNoMemoryForOutput;
    } else {
      written = SaveJpegImage(path, copy.dc(), copy.bitmap(), width, height);
    }
  }
  if (screen) ReleaseDC(nullptr, screen);
  return written ? S_OK : S_FALSE;
}

#include "gdi/scratch_surface.h"

namespace vx {

ScratchSurface::ScratchSurface(HDC reference, int width, int height) {
  dc_ = CreateCompatibleDC(reference);
  if (!dc_) return;
  bitmap_ = CreateCompatibleBitmap(reference, width, height);
  if (!bitmap_) return;
  HGDIOBJ previous = SelectObject(dc_, bitmap_);
  if (previous && previous != HGDI_ERROR) previous_ = previous;
}

ScratchSurface::~ScratchSurface() {
  // The bitmap can only be deleted once it is no longer selected.
  if (previous_) SelectObject(dc_, previous_);
  if (bitmap_) DeleteObject(bitmap_);
  if (dc_) DeleteDC(dc_);
}

}  // namespace vx

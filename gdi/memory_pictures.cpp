// Compressed pictures held in memory: measured and drawn through the picture service.
#include "gdi/service_picture.h"
#include "gdi/vxgdi.h"

void CvxGDI::GetJPGSize(void* data, int size, int* width, int* height) {
  const vx::ServicePicture service(data, size > 0 ? static_cast<std::size_t>(size) : 0);
  SIZE pixels = service.PixelSize();
  // A size that did not convert (a picture too large for its HIMETRIC size) is no size.
  if (pixels.cx <= 0 || pixels.cy <= 0) pixels = {0, 0};
  if (width) *width = pixels.cx;
  if (height) *height = pixels.cy;
}

void CvxGDI::DrawJPG(HDC target, int x, int y, int cx, int cy, void* data, int size) {
  if (cx <= 0 || cy <= 0) return;
  const vx::ServicePicture service(data, size > 0 ? static_cast<std::size_t>(size) : 0);
  if (!service.picture()) return;
  // Whole pixels dropped or repeated, whatever mode the caller's context is in.
  const int previous_mode = SetStretchBltMode(target, COLORONCOLOR);
  service.Render(target, x, y, cx, cy);
  if (previous_mode) SetStretchBltMode(target, previous_mode);
}

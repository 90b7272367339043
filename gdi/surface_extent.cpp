#include "gdi/surface_extent.h"

#include <algorithm>

namespace vx {

RECT DrawableBox(HDC dc) {
  RECT box{};
  const int kind = GetClipBox(dc, &box);
  if (kind == ERROR || kind == NULLREGION) return RECT{0, 0, 0, 0};
  // A mapping mode that turns an axis can give the corners in either order.
  return RECT{std::min(box.left, box.right), std::min(box.top, box.bottom),
              std::max(box.left, box.right), std::max(box.top, box.bottom)};
}

ShownPart ShownPartOf(HDC dc, std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height) {
  const RECT box = DrawableBox(dc);
  ShownPart part;
  part.left = int(std::clamp<std::int64_t>(box.left - x, 0, width));
  part.top = int(std::clamp<std::int64_t>(box.top - y, 0, height));
  part.right = int(std::clamp<std::int64_t>(box.right - x, 0, width));
  part.bottom = int(std::clamp<std::int64_t>(box.bottom - y, 0, height));
  // Inside the drawable box whenever the part is not empty.
  part.target_x = int(std::clamp<std::int64_t>(x + part.left, INT32_MIN, INT32_MAX));
  part.target_y = int(std::clamp<std::int64_t>(y + part.top, INT32_MIN, INT32_MAX));
  return part;
}

bool MemorySurfaceSize(HDC dc, SIZE& size) {
  if (GetObjectType(dc) != OBJ_MEMDC) return false;
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  BITMAP info{};
  if (!bitmap || GetObjectW(bitmap, sizeof info, &info) != int(sizeof info)) return false;
  size = SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
  return true;
}

}  // namespace vx

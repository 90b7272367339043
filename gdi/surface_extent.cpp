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

bool MemorySurfaceSize(HDC dc, SIZE& size) {
  if (GetObjectType(dc) != OBJ_MEMDC) return false;
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  BITMAP info{};
  if (!bitmap || GetObjectW(bitmap, sizeof info, &info) != int(sizeof info)) return false;
  size = SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
  return true;
}

}  // namespace vx

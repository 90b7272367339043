// Region handles: creating, combining, reading back and testing regions.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/gdi.h"
#include "platform/surface/gdi_objects.h"
#include "platform/surface/region_bands.h"

using namespace vx::gdi;

namespace {

struct Region : Object {
  Region() : Object(Kind::kRegion) {}
  std::vector<RECT> rects;  // banded, see region_bands.h
};

Region* FindRegion(HGDIOBJ handle) { return Find<Region>(handle, Kind::kRegion); }

HRGN NewRegion(std::vector<RECT> rects) {
  auto region = std::unique_ptr<Region>(new (std::nothrow) Region);
  if (!region) return nullptr;
  region->rects = std::move(rects);
  return static_cast<HRGN>(AddObject(std::move(region)));
}

int TypeOf(const Region& region) {
  switch (region.rects.size()) {
    case 0: return NULLREGION;
    case 1: return SIMPLEREGION;
    default: return COMPLEXREGION;
  }
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  // The corners may come in any order; a rectangle without area is the empty region.
  std::vector<RECT> rects;
  if (left != right && top != bottom) {
    rects.push_back({std::min(left, right), std::min(top, bottom), std::max(left, right),
                     std::max(top, bottom)});
  }
  return NewRegion(std::move(rects));
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fill_mode) {
  if (!points || count < 2 || (fill_mode != ALTERNATE && fill_mode != WINDING)) return nullptr;
  std::vector<RECT> rects;
  try {
    if (!PolygonBands(points, count, fill_mode, rects)) return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return NewRegion(std::move(rects));
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  Region* out = FindRegion(dest);
  Region* a = FindRegion(src1);
  if (!out || !a) return ERROR;
  if (mode == RGN_COPY) {
    if (out != a) out->rects = a->rects;
    return TypeOf(*out);
  }
  Region* b = FindRegion(src2);
  if (!b || mode < RGN_AND || mode > RGN_DIFF) return ERROR;
  try {
    out->rects = CombineBands(a->rects, b->rects, mode);
  } catch (const std::bad_alloc&) {
    return ERROR;
  }
  return TypeOf(*out);
}

DWORD GetRegionData(HRGN handle, DWORD count, LPRGNDATA data) {
  const Region* region = FindRegion(handle);
  if (!region) return 0;
  const std::size_t rect_bytes = region->rects.size() * sizeof(RECT);
  const DWORD size = static_cast<DWORD>(sizeof(RGNDATAHEADER) + rect_bytes);
  if (!data) return size;
  if (count < size) return 0;
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(region->rects.size());
  data->rdh.nRgnSize = static_cast<DWORD>(rect_bytes);
  data->rdh.rcBound = BoundsOf(region->rects);
  if (rect_bytes) std::memcpy(data->Buffer, region->rects.data(), rect_bytes);
  return size;
}

int GetRgnBox(HRGN handle, LPRECT rect) {
  const Region* region = FindRegion(handle);
  if (!region || !rect) return ERROR;
  *rect = BoundsOf(region->rects);
  return TypeOf(*region);
}

BOOL PtInRegion(HRGN handle, int x, int y) {
  const Region* region = FindRegion(handle);
  if (!region) return FALSE;
  return std::any_of(region->rects.begin(), region->rects.end(), [&](const RECT& r) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  });
}

// Copying and stretching between device contexts.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi.h"
#include "platform/surface/gdi_objects.h"
#include "platform/surface/halftone_stretch.h"
#include "platform/surface/stretch_scans.h"

using namespace vx::gdi;

namespace {

struct Span {
  std::int64_t begin;
  std::int64_t end;
};

// Offsets 0..extent-1 of a copy at `dest` from `src` that land on both surfaces.
Span CommonSpan(std::int64_t extent, std::int64_t dest, std::int64_t dest_size, std::int64_t src,
                std::int64_t src_size) {
  const std::int64_t begin = std::max<std::int64_t>({0, -dest, -src});
  const std::int64_t end = std::min<std::int64_t>({extent, dest_size - dest, src_size - src});
  return {begin, std::max(begin, end)};
}

bool FillSolid(const Surface& s, int x, int y, int cx, int cy, std::uint32_t word) {
  const Span xs = CommonSpan(cx, x, s.width, x, s.width);
  const Span ys = CommonSpan(cy, y, s.height, y, s.height);
  for (std::int64_t j = ys.begin; j < ys.end; ++j) {
    std::uint32_t* row = s.Row(int(y + j));
    std::fill(row + x + xs.begin, row + x + xs.end, word);
  }
  return true;
}

// Source offset of each destination offset under nearest-neighbour sampling: the source
// pixel under the centre of the destination pixel. Whole rows and columns are dropped or
// repeated; nothing is blended.
// The map covers the destination offsets of `visible` only.
std::vector<std::int64_t> NearestMap(Span visible, std::int64_t dest_extent, std::int64_t src_extent,
                                     bool mirror) {
  std::vector<std::int64_t> map(static_cast<std::size_t>(visible.end - visible.begin));
  for (std::int64_t i = visible.begin; i < visible.end; ++i) {
    const std::int64_t s = (2 * i + 1) * src_extent / (2 * dest_extent);
    map[std::size_t(i - visible.begin)] = mirror ? src_extent - 1 - s : s;
  }
  return map;
}

// A rectangle with a negative extent runs the other way from its origin.
void Normalise(int& origin, int& extent, bool& flipped) {
  if (extent < 0) {
    origin += extent;
    extent = -extent;
    flipped = !flipped;
  }
}

}  // namespace

BOOL BitBlt(HDC hdest, int x, int y, int cx, int cy, HDC hsrc, int x_src, int y_src, DWORD rop) {
  Dc* dest = FindDc(hdest);
  if (!dest) return FALSE;
  const Surface d = SurfaceOf(*dest);
  if (rop == BLACKNESS || rop == WHITENESS) {
    if (d.writable && cx > 0 && cy > 0) FillSolid(d, x, y, cx, cy, rop == BLACKNESS ? 0 : 0x00FFFFFF);
    return TRUE;
  }
  if (rop != SRCCOPY) return FALSE;
  Dc* src = FindDc(hsrc);
  if (!src) return FALSE;
  const Surface s = SurfaceOf(*src);
  if (!d.writable || !s.pixels || cx <= 0 || cy <= 0) return TRUE;

  const Span xs = CommonSpan(cx, x, d.width, x_src, s.width);
  const Span ys = CommonSpan(cy, y, d.height, y_src, s.height);
  if (xs.begin >= xs.end || ys.begin >= ys.end) return TRUE;
  const std::size_t bytes = std::size_t(xs.end - xs.begin) * 4;
  auto copy_row = [&](std::int64_t j) {
    std::memmove(d.Row(int(y + j)) + x + xs.begin, s.Row(int(y_src + j)) + x_src + xs.begin, bytes);
  };
  // Within one surface, copy rows in the order that never reads a row already overwritten.
  if (d.pixels == s.pixels && y > y_src) {
    for (std::int64_t j = ys.end - 1; j >= ys.begin; --j) copy_row(j);
  } else {
    for (std::int64_t j = ys.begin; j < ys.end; ++j) copy_row(j);
  }
  return TRUE;
}

BOOL StretchBlt(HDC hdest, int x, int y, int cx, int cy, HDC hsrc, int x_src, int y_src, int cx_src,
                int cy_src, DWORD rop) {
  Dc* dest = FindDc(hdest);
  Dc* src = FindDc(hsrc);
  if (!dest || !src || rop != SRCCOPY) return FALSE;
  const Surface d = SurfaceOf(*dest);
  Surface s = SurfaceOf(*src);
  if (!d.writable || !s.pixels || cx == 0 || cy == 0 || cx_src == 0 || cy_src == 0) return TRUE;

  bool flip_x = false, flip_y = false;
  Normalise(x, cx, flip_x);
  Normalise(x_src, cx_src, flip_x);
  Normalise(y, cy, flip_y);
  Normalise(y_src, cy_src, flip_y);

  // Reading and writing one surface: sample from a copy of it.
  std::vector<std::uint32_t> copy;
  if (d.pixels == s.pixels) {
    copy.resize(std::size_t(s.width) * std::size_t(s.height));
    for (int row = 0; row < s.height; ++row) {
      std::copy(s.Row(row), s.Row(row) + s.width, copy.begin() + std::ptrdiff_t(row) * s.width);
    }
    s.pixels = copy.data();
    s.row_step = s.width;
  }

  if (dest->stretch_mode == BLACKONWHITE || dest->stretch_mode == WHITEONBLACK) {
    StretchCombiningScans(d, s, {x, y, cx, cy, x_src, y_src, cx_src, cy_src, flip_x, flip_y},
                          dest->stretch_mode);
    return TRUE;
  }

  // Only destination pixels on the surface are computed.
  const Span xs = CommonSpan(cx, x, d.width, x, d.width);
  const Span ys = CommonSpan(cy, y, d.height, y, d.height);
  if (xs.begin >= xs.end || ys.begin >= ys.end) return TRUE;

  if (dest->stretch_mode == HALFTONE) {
    HalftoneStretch(d, x, y, cx, cy, s, x_src, y_src, cx_src, cy_src, flip_x, flip_y);
    return TRUE;
  }

  const std::vector<std::int64_t> columns = NearestMap(xs, cx, cx_src, flip_x);
  const std::vector<std::int64_t> rows = NearestMap(ys, cy, cy_src, flip_y);
  for (std::int64_t j = ys.begin; j < ys.end; ++j) {
    const std::int64_t sy = y_src + rows[std::size_t(j - ys.begin)];
    if (sy < 0 || sy >= s.height) continue;  // no source here: the destination keeps its pixel
    const std::uint32_t* src_row = s.Row(int(sy));
    std::uint32_t* dst_row = d.Row(int(y + j));
    for (std::int64_t i = xs.begin; i < xs.end; ++i) {
      const std::int64_t sx = x_src + columns[std::size_t(i - xs.begin)];
      if (sx >= 0 && sx < s.width) dst_row[x + i] = src_row[sx];
    }
  }
  return TRUE;
}

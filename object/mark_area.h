// The part of the picture a watermark covers, and merging a drawn copy of that part back.
//
// The watermarks are laid over the picture through a layer merged at the MarkTransparent
// opacity. The colour mixer leaves a pixel mixed with itself as it was, so merging only a
// copy of the area that the mark draws on gives the same picture as merging a copy of the
// whole picture, at a cost that grows with the mark alone.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "gdi/scratch_surface.h"
#include "gdi/vxgdi.h"
#include "platform/gdi.h"

namespace vx {

// A coordinate held at the ends of the 32-bit range, which keeps anything placed beyond it
// off the picture.
inline LONG HoldInRange(std::int64_t value) {
  return static_cast<LONG>(std::clamp<std::int64_t>(value, std::numeric_limits<LONG>::min(),
                                                    std::numeric_limits<LONG>::max()));
}

inline bool IsEmptyArea(const RECT& area) {
  return area.left >= area.right || area.top >= area.bottom;
}

// The rectangle (left, top, right, bottom) cut to a picture of `picture` size; all zero
// when nothing of it lies on the picture.
inline RECT PictureArea(std::int64_t left, std::int64_t top, std::int64_t right,
                        std::int64_t bottom, SIZE picture) {
  const RECT area{HoldInRange(std::max<std::int64_t>(left, 0)),
                  HoldInRange(std::max<std::int64_t>(top, 0)),
                  HoldInRange(std::min<std::int64_t>(right, picture.cx)),
                  HoldInRange(std::min<std::int64_t>(bottom, picture.cy))};
  return IsEmptyArea(area) ? RECT{0, 0, 0, 0} : area;
}

// The smallest rectangle holding both; an empty one adds nothing.
inline RECT AreaUnion(const RECT& a, const RECT& b) {
  if (IsEmptyArea(a)) return b;
  if (IsEmptyArea(b)) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

// Copies `area` of the picture onto a layer, lets `draw(layer_dc)` draw on it (the layer's
// top-left pixel is the area's top-left pixel), and merges the layer back onto the picture
// with CvxGDI::BitBltDCByTransparent at `opacity` percent. An empty area draws nothing.
template <class Draw>
void MergeDrawnArea(HDC picture, const RECT& area, LONG opacity, Draw draw) {
  if (IsEmptyArea(area)) return;
  const int width = int(area.right - area.left), height = int(area.bottom - area.top);
  ScratchSurface layer(picture, width, height);
  if (!layer) return;
  BitBlt(layer.dc(), 0, 0, width, height, picture, int(area.left), int(area.top), SRCCOPY);
  draw(layer.dc());
  CvxGDI::BitBltDCByTransparent(picture, int(area.left), int(area.top), width, height,
                                layer.dc(), 0, 0, opacity);
}

// Pixels a band of a text watermark's area holds at most: its layers are drawn and merged
// band by band, so that what they take does not grow with the area.
inline constexpr std::int64_t kBandPixels = std::int64_t{1} << 20;

// Calls each(band) on bands of whole rows of `area`, top to bottom, of at most kBandPixels
// pixels (at least one row); stops at the first call that answers false, and answers
// whether none did.
template <class Each>
bool ForEachBand(const RECT& area, Each each) {
  if (IsEmptyArea(area)) return true;
  const std::int64_t width = std::int64_t{area.right} - area.left;
  const std::int64_t rows = std::max<std::int64_t>(1, kBandPixels / width);
  for (std::int64_t top = area.top; top < area.bottom; top += rows) {
    const RECT band{area.left, LONG(top), area.right, LONG(std::min<std::int64_t>(top + rows, area.bottom))};
    if (!each(band)) return false;
  }
  return true;
}

// MergeDrawnArea band by band: `draw(layer_dc, band)` draws the band of the area on a layer
// whose top-left pixel is the band's, and each band is merged before the next is drawn.
// The layer is made once, before anything is merged.
template <class Draw>
void MergeDrawnBands(HDC picture, const RECT& area, LONG opacity, Draw draw) {
  if (IsEmptyArea(area)) return;
  const int width = int(area.right - area.left);
  const int rows = int(std::min<std::int64_t>(std::max<std::int64_t>(1, kBandPixels / width),
                                              std::int64_t{area.bottom} - area.top));
  ScratchSurface layer(picture, width, rows);
  if (!layer) return;
  ForEachBand(area, [&](const RECT& band) {
    const int height = int(band.bottom - band.top);
    BitBlt(layer.dc(), 0, 0, width, height, picture, int(band.left), int(band.top), SRCCOPY);
    draw(layer.dc(), band);
    CvxGDI::BitBltDCByTransparent(picture, int(band.left), int(band.top), width, height,
                                  layer.dc(), 0, 0, opacity);
    return true;
  });
}

}  // namespace vx

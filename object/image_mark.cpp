// AddImageMark: a PNG picture stamped onto the source picture with its own alpha, at one
// of five named places or a free one, merged at the MarkTransparent opacity.
#include "object/image_mark.h"

#include <cstdint>

#include "gdi/vxgdi.h"
#include "object/mark_area.h"
#include "object/png_reader.h"
#include "object/resize.h"

namespace vx {

POINT ImageMarkOrigin(const MarkPlacement& placement, POINT position, SIZE picture, SIZE mark) {
  std::int64_t x = position.x, y = position.y;
  // Free room on each axis, for the right, bottom and centred places.
  const std::int64_t room_x = std::int64_t{picture.cx} - mark.cx;
  const std::int64_t room_y = std::int64_t{picture.cy} - mark.cy;
  const bool named = placement.rule >= 0 && placement.rule <= 4;
  if (named) {
    x += placement.offset_x;
    y += placement.offset_y;
  }
  switch (placement.rule) {
    case 0:
      x += room_x / 2;  // C++ division truncates toward zero, as the placement wants
      y += room_y / 2;
      break;
    case 2:
      x += room_x;
      break;
    case 3:
      y += room_y;
      break;
    case 4:
      x += room_x;
      y += room_y;
      break;
    default:  // 1, top left, and the free position add nothing more
      break;
  }
  return {HoldInRange(x), HoldInRange(y)};
}

void StampImageMark(HDC picture, SIZE picture_size, POINT at, SIZE mark,
                    const unsigned char* rgba, LONG opacity) {
  if (!rgba) return;
  // The part of the picture under the mark.
  const RECT area = PictureArea(at.x, at.y, std::int64_t{at.x} + mark.cx,
                                std::int64_t{at.y} + mark.cy, picture_size);
  const int width = int(area.right - area.left), height = int(area.bottom - area.top);
  MergeDrawnArea(picture, area, opacity, [&](HDC layer) {
    // Without margins and at the piece's own size, DrawDCByDataEx draws the visible piece
    // of the mark one to one, so that a mark mostly off the picture costs only what shows.
    // It only reads the pixels.
    RECT no_margins{0, 0, 0, 0};
    CvxGDI::DrawDCByDataEx(layer, 0, 0, width, height, const_cast<unsigned char*>(rgba),
                           int(area.left - at.x), int(area.top - at.y), width, height, mark.cx,
                           mark.cy, no_margins);
  });
}

}  // namespace vx

HRESULT CResize::AddImageMark(BSTR strMarkImageFile, LONG lPosX, LONG lPosY) {
  // A missing or undecodable file leaves the reader with a mark of no size or no pixels,
  // which draws nothing; the call succeeds all the same.
  CPngReader mark;
  mark.ReadHeader(strMarkImageFile);
  const SIZE picture{SourceWidth, SourceHeight};
  const SIZE size{mark.width(), mark.height()};
  const POINT at = vx::ImageMarkOrigin({MarkPos, MarkPosOffsetX, MarkPosOffsetY}, {lPosX, lPosY},
                                       picture, size);
  // Only the part of the mark that lands on the picture is decoded and kept: a mark far
  // larger than the picture costs the memory of the picture's part under it.
  const RECT shown = vx::PictureArea(at.x, at.y, std::int64_t{at.x} + size.cx,
                                     std::int64_t{at.y} + size.cy, picture);
  if (!vx::IsEmptyArea(shown)) {
    mark.FinishPart({LONG(std::int64_t{shown.left} - at.x), LONG(std::int64_t{shown.top} - at.y),
                     LONG(std::int64_t{shown.right} - at.x), LONG(std::int64_t{shown.bottom} - at.y)});
  }
  const RECT& part = mark.part();
  vx::StampImageMark(SourceDC, picture, {shown.left, shown.top},
                     {part.right - part.left, part.bottom - part.top}, mark.pixels(),
                     MarkTransparent);
  mark.Free();
  return S_OK;
}

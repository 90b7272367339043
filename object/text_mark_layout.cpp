#include "object/text_mark_layout.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "object/mark_area.h"

namespace vx {

LOGFONTW TextMarkLogFont(const TextMarkFontSettings& settings) {
  LOGFONTW logfont{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logfont, &logfont);
  std::fill(std::begin(logfont.lfFaceName), std::end(logfont.lfFaceName), WCHAR(0));
  for (int i = 0; settings.face && i < LF_FACESIZE - 1 && settings.face[i]; ++i) {
    logfont.lfFaceName[i] = settings.face[i];
  }
  logfont.lfHeight = settings.height;
  logfont.lfQuality = ANTIALIASED_QUALITY;
  if (settings.bold) logfont.lfWeight = FW_BOLD;
  if (settings.italic) logfont.lfItalic = BYTE(settings.italic & 0xFF);
  // Whole turns taken off first, so that ten times the angle cannot overflow.
  if (settings.rotate > 0) logfont.lfEscapement = (settings.rotate % 360) * 10;
  if (settings.underline) logfont.lfUnderline = BYTE(settings.underline & 0xFF);
  return logfont;
}

SIZE MeasureMarkText(HDC measuring, const WCHAR* text) {
  RECT rect{0, 0, 0, 0};
  DrawTextW(measuring, text, -1, &rect, DT_CALCRECT);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

LONG AreaLimitedWidth(LONG measured_width, LONG area_width) {
  return area_width >= 1 && measured_width >= area_width ? area_width : measured_width;
}

RECT TextMarkRect(const MarkPlacement& placement, POINT position, SIZE picture, SIZE text) {
  const bool named = placement.rule >= 0 && placement.rule <= 4;
  // The image watermark's placement, without lPosX and lPosY under the named places.
  const POINT at = ImageMarkOrigin(placement, named ? POINT{0, 0} : position, picture, text);
  const bool reaches_bottom = placement.rule >= 0 && placement.rule <= 2;
  const std::int64_t bottom = reaches_bottom ? std::int64_t{picture.cy} : std::int64_t{at.y} + text.cy;
  return {at.x, at.y, HoldInRange(std::int64_t{at.x} + text.cx), HoldInRange(bottom)};
}

}  // namespace vx

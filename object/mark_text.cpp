#include "object/mark_text.h"

#include <algorithm>
#include <cmath>

#include "object/mark_area.h"

namespace vx {

namespace {

constexpr UINT kWrapped = DT_WORDBREAK | DT_EXTERNALLEADING;

RECT WrappedBounds(HDC measuring, const MarkText& text, const TEXTMETRICW& metrics) {
  const RECT& rect = text.rect;
  if (rect.left >= rect.right || rect.top >= rect.bottom) return {0, 0, 0, 0};
  // The lines drawing would make at this width; a glyph may hang below its line's cell.
  RECT lines{rect.left, rect.top, rect.right, rect.top};
  const int height = DrawTextW(measuring, text.text.c_str(), -1, &lines, DT_CALCRECT | kWrapped);
  const std::int64_t bottom = std::int64_t{rect.top} + height + metrics.tmHeight;
  return {rect.left, rect.top, rect.right, HoldInRange(std::min<std::int64_t>(bottom, rect.bottom))};
}

RECT SingleLineBounds(HDC measuring, const MarkText& text, const TEXTMETRICW& metrics) {
  SIZE run{0, 0};
  if (!GetTextExtentPoint32W(measuring, text.text.c_str(), int(text.text.size()), &run)) {
    return {0, 0, 0, 0};  // drawing refuses the text too
  }
  LOGFONTW logfont{};
  GetObjectW(text.font, sizeof logfont, &logfont);
  // The baseline's direction, counter-clockwise; quarter turns exact.
  const LONG tenths = ((logfont.lfEscapement % 3600) + 3600) % 3600;
  double cos = 1, sin = 0;
  if (tenths == 900) cos = 0, sin = 1;
  else if (tenths == 1800) cos = -1, sin = 0;
  else if (tenths == 2700) cos = 0, sin = -1;
  else if (tenths != 0) {
    const double radians = tenths * 3.14159265358979323846 / 1800.0;
    cos = std::cos(radians);
    sin = std::sin(radians);
  }
  // The cell box of the run, widened, from the reference point: along the baseline and down
  // across it.
  const double margin = double(metrics.tmHeight) + 1;
  const double along[2] = {-margin, double(run.cx) + margin + 2.0 * double(text.text.size())};
  const double down[2] = {-margin, double(metrics.tmHeight) + margin};
  double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
  for (double x : along) {
    for (double d : down) {
      const double dx = text.rect.left + x * cos + d * sin;
      const double dy = text.rect.top - x * sin + d * cos;
      left = std::min(left, dx);
      right = std::max(right, dx);
      top = std::min(top, dy);
      bottom = std::max(bottom, dy);
    }
  }
  return {HoldInRange(std::int64_t(std::floor(left)) - 1), HoldInRange(std::int64_t(std::floor(top)) - 1),
          HoldInRange(std::int64_t(std::ceil(right)) + 1), HoldInRange(std::int64_t(std::ceil(bottom)) + 1)};
}

}  // namespace

MarkText Shifted(const MarkText& text, std::int64_t dx, std::int64_t dy) {
  MarkText moved = text;
  moved.rect = {HoldInRange(text.rect.left + dx), HoldInRange(text.rect.top + dy),
                HoldInRange(text.rect.right + dx), HoldInRange(text.rect.bottom + dy)};
  return moved;
}

void DrawMarkText(HDC dc, const MarkText& text, COLORREF color) {
  const COLORREF previous_color = SetTextColor(dc, color);
  const int previous_mode = SetBkMode(dc, TRANSPARENT);
  const HGDIOBJ previous_font = SelectObject(dc, text.font);
  if (text.single_line) {
    TextOutW(dc, text.rect.left, text.rect.top, text.text.c_str(), int(text.text.size()));
  } else {
    RECT rect = text.rect;
    // DrawTextExW only reads the text without DT_MODIFYSTRING.
    DrawTextExW(dc, const_cast<WCHAR*>(text.text.c_str()), -1, &rect, kWrapped, nullptr);
  }
  SelectObject(dc, previous_font);
  SetBkMode(dc, previous_mode);
  SetTextColor(dc, previous_color);
}

RECT MarkTextBounds(HDC measuring, const MarkText& text) {
  TEXTMETRICW metrics{};
  if (text.text.empty() || !GetTextMetricsW(measuring, &metrics)) return {0, 0, 0, 0};
  return text.single_line ? SingleLineBounds(measuring, text, metrics)
                          : WrappedBounds(measuring, text, metrics);
}

MeasuringContext::MeasuringContext(HDC reference, HFONT font) {
  dc_ = CreateCompatibleDC(reference);
  if (!dc_) return;
  const HGDIOBJ previous = SelectObject(dc_, font);
  if (previous && previous != HGDI_ERROR) previous_font_ = previous;
}

MeasuringContext::~MeasuringContext() {
  if (previous_font_) SelectObject(dc_, previous_font_);
  if (dc_) DeleteDC(dc_);
}

}  // namespace vx

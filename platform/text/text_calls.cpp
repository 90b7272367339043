// The GDI calls that measure and draw text: GetTextExtentPoint32W, TextOutW, DrawTextW,
// DrawTextExW, and the text alignment.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <mutex>
#include <new>
#include <string_view>

#include "platform/text/font_face.h"
#include "platform/text/font_object.h"
#include "platform/gdi.h"
#include "platform/text/text_layout.h"
#include "platform/text/text_run.h"

using namespace vx::gdi;
using namespace vx::text;

namespace {

// Longest text measured or drawn: 2^17 UTF-16 units (256 KiB), some forty pages, far
// beyond any caption. Longer text fails the call. The cost of a call is linear in the text
// but not small: a text whose lines are all different is shaped in full by every call
// that lays it out anew, up to a few tenths of a second for text at this limit.
constexpr std::size_t kMaxTextUnits = std::size_t{1} << 17;

constexpr UINT kDrawTextFormats = DT_WORDBREAK | DT_SINGLELINE | DT_NOCLIP | DT_EXTERNALLEADING |
                                  DT_CALCRECT | DT_NOPREFIX;

// The text a call is given: null is the empty text, a negative count (where allowed) means
// up to the terminating zero, and a count beyond the string stops at its zero. False when
// the text is too long or the count is refused.
bool TextArgument(LPCWSTR text, int count, bool zero_terminated_allowed, std::u16string_view& out) {
  out = {};
  if (!text) return count >= 0 || zero_terminated_allowed;
  if (count < 0 && !zero_terminated_allowed) return false;
  const std::size_t limit = count < 0 ? kMaxTextUnits + 1 : std::size_t(count);
  std::size_t length = 0;
  while (length < limit && text[length] != 0) ++length;
  if (length > kMaxTextUnits) return false;
  out = std::u16string_view(text, length);
  return true;
}

// Where a context's text goes: its bitmap's pixels (32-bit words, or a 24-bit DIB
// section's own rows), or nowhere (the screen, a context without a bitmap of its own).
PixelTarget TargetOf(const Dc& dc) {
  const Bitmap* bitmap = FindBitmap(dc.bitmap);
  if (!dc.screen && bitmap && !bitmap->stock && bitmap->dib.top_row) {
    return {bitmap->dib.top_row, bitmap->dib.stride, bitmap->dib.bytes_per_pixel, bitmap->width, bitmap->height};
  }
  const Surface s = SurfaceOf(dc);
  if (!s.writable) return {};
  return {reinterpret_cast<std::uint8_t*>(s.pixels), s.row_step * 4, 4, s.width, s.height};
}

TextPaint PaintOf(const Dc& dc, const RECT* clip) {
  TextPaint paint;
  paint.target = TargetOf(dc);
  paint.clip = {0, 0, paint.target.width, paint.target.height};
  if (clip) {
    paint.clip.left = std::max(paint.clip.left, clip->left);
    paint.clip.top = std::max(paint.clip.top, clip->top);
    paint.clip.right = std::min(paint.clip.right, clip->right);
    paint.clip.bottom = std::min(paint.clip.bottom, clip->bottom);
  }
  const COLORREF c = dc.text_color;
  paint.color = GetBValue(c) | (std::uint32_t{GetGValue(c)} << 8) | (std::uint32_t{GetRValue(c)} << 16);
  return paint;
}

// A coordinate or height held at the ends of the 32-bit range: text placed near its edge,
// or long and large enough to pass it, measures and draws as far as the range reaches.
LONG Held(std::int64_t value) {
  return static_cast<LONG>(std::clamp<std::int64_t>(value, std::numeric_limits<LONG>::min(),
                                                    std::numeric_limits<LONG>::max()));
}

std::u16string_view Slice(std::u16string_view text, TextLine line) {
  return text.substr(line.begin, line.end - line.begin);
}

int DrawTextLaidOut(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format, DRAWTEXTPARAMS* params) {
  std::u16string_view input;
  if (!rect || (format & ~kDrawTextFormats) || !TextArgument(text, count, true, input)) return 0;
  if (params && params->cbSize != sizeof(DRAWTEXTPARAMS)) return 0;
  std::lock_guard lock(TextLock());
  Dc* dc = FindDc(hdc);
  RealizedFont* font = RealizedFontOf(hdc);
  if (!dc || !font) return 0;
  const TEXTMETRICW& tm = font->metrics();
  const std::int64_t advance = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const std::int64_t left = std::int64_t{rect->left} + (params ? params->iLeftMargin : 0);
  const std::int64_t right = std::int64_t{rect->right} - (params ? params->iRightMargin : 0);
  if (params) params->uiLengthDrawn = 0;
  if (input.empty()) {
    // No line at all, yet GDI answers with one line's height.
    if (format & DT_CALCRECT) {
      rect->right = rect->left;
      rect->bottom = rect->top;
    }
    return tm.tmHeight;
  }

  PrefixedText prefixed;
  if (format & DT_NOPREFIX) {
    prefixed.text = input;
    for (std::uint32_t i = 0; i < input.size(); ++i) prefixed.source.push_back(i);
  } else {
    prefixed = ResolvePrefixes(input);
  }
  const std::u16string_view shown = prefixed.text;
  std::vector<TextLine> lines;
  if (format & DT_SINGLELINE) {
    lines.push_back({0, std::uint32_t(shown.size())});
  } else {
    for (TextLine stretch : SplitAtBreaks(shown)) {
      if (!(format & DT_WORDBREAK)) {
        lines.push_back(stretch);
        continue;
      }
      for (TextLine line : WrapLine(*font, shown, stretch, right - left)) lines.push_back(line);
    }
  }

  const std::int64_t height = advance * std::int64_t(lines.size());
  if (format & DT_CALCRECT) {
    std::int64_t widest = 0;
    for (TextLine line : lines) widest = std::max(widest, ShapeTextOnce(*font, Slice(shown, line)).width);
    rect->right = Held(left + widest + (params ? params->iRightMargin : 0));
    rect->bottom = Held(rect->top + height);
    if (params) params->uiLengthDrawn = UINT(input.size());
    return Held(height);
  }

  const RECT clip{Held(left), rect->top, Held(right), rect->bottom};
  const TextPaint paint = PaintOf(*dc, (format & DT_NOCLIP) ? nullptr : &clip);
  std::int64_t y = rect->top;
  std::size_t drawn = 0;
  // The underlined characters are in order, as the lines are: each line takes the next few.
  auto next_underlined = prefixed.underlined.begin();
  for (TextLine line : lines) {
    // Drawing stops at the first line that would start at or below the bottom, or past the
    // 32-bit range, where no surface reaches.
    if ((!(format & DT_NOCLIP) && y >= rect->bottom) || y > std::numeric_limits<LONG>::max()) break;
    next_underlined = std::lower_bound(next_underlined, prefixed.underlined.end(), line.begin);
    std::vector<std::uint32_t> underlined;
    for (; next_underlined != prefixed.underlined.end() && *next_underlined < line.end; ++next_underlined) {
      underlined.push_back(*next_underlined - line.begin);
    }
    DrawRun(paint, *font, ShapeTextOnce(*font, Slice(shown, line)), Held(left), LONG(y), underlined);
    y += advance;
    ++drawn;
  }
  if (params) {
    params->uiLengthDrawn = drawn == lines.size() || lines[drawn].begin >= prefixed.source.size()
                                ? UINT(input.size())
                                : UINT(prefixed.source[lines[drawn].begin]);
  }
  return Held(advance * std::int64_t(drawn));
}

// Like GDI's, the text calls fail rather than throw when memory runs out.
int DrawTextImpl(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format, DRAWTEXTPARAMS* params) {
  try {
    return DrawTextLaidOut(hdc, text, count, rect, format, params);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

}  // namespace

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size) {
  std::u16string_view input;
  if (!size || !TextArgument(text, count, false, input)) return FALSE;
  std::lock_guard lock(TextLock());
  RealizedFont* font = RealizedFontOf(hdc);
  if (!font) return FALSE;
  try {
    size->cx = Held(ShapeTextOnce(*font, input).width);
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  size->cy = input.empty() ? 0 : font->metrics().tmHeight;
  return TRUE;
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count) {
  std::u16string_view input;
  if (!TextArgument(text, count, false, input)) return FALSE;
  std::lock_guard lock(TextLock());
  Dc* dc = FindDc(hdc);
  RealizedFont* font = RealizedFontOf(hdc);
  if (!dc || !font) return FALSE;
  try {
    DrawRun(PaintOf(*dc, nullptr), *font, ShapeTextOnce(*font, input), x, y);
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
  return TRUE;
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format) {
  return DrawTextImpl(hdc, text, count, rect, format, nullptr);
}

int DrawTextExW(HDC hdc, LPWSTR text, int count, LPRECT rect, UINT format, DRAWTEXTPARAMS* params) {
  return DrawTextImpl(hdc, text, count, rect, format, params);
}

UINT SetTextAlign(HDC hdc, UINT align) {
  if (!FindDc(hdc) || align != (TA_LEFT | TA_TOP)) return GDI_ERROR;
  return TA_LEFT | TA_TOP;
}

UINT GetTextAlign(HDC hdc) { return FindDc(hdc) ? TA_LEFT | TA_TOP : GDI_ERROR; }

// AddTextMark: a text stamped onto the source picture in the chosen font and colour,
// wrapped or as one turned run, at one of five named places or a free one, over an
// optional soft shadow, merged at the MarkTransparent opacity.
#include "object/text_mark.h"

#include <new>

#include "object/error_texts.h"
#include "object/mark_area.h"
#include "object/mark_text.h"
#include "object/resize.h"
#include "object/text_mark_layout.h"

namespace vx {

bool TextMarkFitsLimit(const OLECHAR* text) {
  if (!text) return true;
  for (unsigned length = 0; length <= kMaxTextMarkUnits; ++length) {
    if (text[length] == 0) return true;
  }
  return false;
}

void StampTextMark(HDC picture, SIZE picture_size, HFONT font, const TextMarkSettings& settings,
                   const OLECHAR* text, POINT position) {
  if (picture_size.cx <= 0 || picture_size.cy <= 0) return;
  MeasuringContext measuring(picture, font);
  if (!measuring) return;
  MarkText mark;
  mark.font = font;
  if (text) mark.text = text;
  mark.single_line = settings.rotate != 0;
  SIZE size = MeasureMarkText(measuring.dc(), mark.text.c_str());
  size.cx = AreaLimitedWidth(size.cx, settings.area_width);
  mark.rect = TextMarkRect(settings.placement, position, picture_size, size);

  const RECT bounds = MarkTextBounds(measuring.dc(), mark);
  const RECT text_area = PictureArea(bounds.left, bounds.top, bounds.right, bounds.bottom, picture_size);
  MaskPiece shadow;
  if (settings.shadow_visible) {
    shadow = ShadowMask(picture, measuring.dc(), mark, picture_size, settings.shadow);
  }
  const RECT area = AreaUnion(text_area, shadow.area);
  MergeDrawnBands(picture, area, settings.opacity, [&](HDC layer, const RECT& band) {
    LayShadow(layer, band, shadow, settings.shadow.color);
    DrawMarkText(layer, Shifted(mark, -band.left, -band.top), settings.color);
  });
}

}  // namespace vx

HRESULT CResize::AddTextMark(BSTR strText, LONG lPosX, LONG lPosY) {
  if (!SourceBitmap) return S_FALSE;
  // A text past the limit is refused as a failure the caller can see, rather than left
  // for the drawing layer to refuse while the call answers as if the mark were there.
  if (!vx::TextMarkFitsLimit(strText)) {
    ErrorText = vx::error_text::kTextMarkTooLong;
    return S_FALSE;
  }
  // Each call makes a font of the current properties and keeps it; the previous call's
  // goes, so that fonts do not gather over many calls.
  if (TextMarkFont) {
    DeleteObject(TextMarkFont);
    TextMarkFont = nullptr;
  }
  const LOGFONTW logfont = vx::TextMarkLogFont({TextMarkFontName, TextMarkHeight, TextMarkBold,
                                                TextMarkItatic, TextMarkUnderline, TextMarkRotate});
  TextMarkFont = CreateFontIndirectW(&logfont);
  const vx::TextMarkSettings settings{
      TextMarkColor,
      TextMarkAreaWidth,
      TextMarkRotate,
      {MarkPos, MarkPosOffsetX, MarkPosOffsetY},
      MarkTransparent,
      TextMarkShadowVisible,
      {TextMarkShadowColor, TextMarkShadowDistance, TextMarkShadowSize, TextMarkShadowTransparent}};
  try {
    vx::StampTextMark(SourceDC, {SourceWidth, SourceHeight}, TextMarkFont, settings, strText,
                      {lPosX, lPosY});
  } catch (const std::bad_alloc&) {
    // Nothing that throws runs once merging has begun, so the picture is as it was.
    return E_OUTOFMEMORY;
  }
  // The object keeps the call's font in a fresh handle: what the drawing layer made of the
  // old one to measure and draw this text (its shaped lines, up to megabytes for a long
  // text) goes with the call.
  DeleteObject(TextMarkFont);
  TextMarkFont = CreateFontIndirectW(&logfont);
  return S_OK;
}

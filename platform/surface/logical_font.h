// Inside the drawing layer: logical fonts, the GDI font objects. A logical font holds the
// LOGFONT it was made from; what it becomes when text is measured or drawn with it (a face,
// a size, metrics) is made by the text calls on first use and kept with it.
#pragma once

#include <memory>

#include "platform/gdi.h"
#include "platform/surface/gdi_objects.h"

namespace vx::gdi {

// What the text calls make of a logical font; owned by the font object.
struct FontRealization {
  virtual ~FontRealization() = default;
};

struct Font : Object {
  Font() : Object(Kind::kFont) {}
  LOGFONTW logfont{};
  std::unique_ptr<FontRealization> realized;  // made on first use, under the text lock
};

inline Font* FindFont(HGDIOBJ h) { return Find<Font>(h, Kind::kFont); }

// The stock fonts: DEFAULT_GUI_FONT and SYSTEM_FONT; null for other indices.
HGDIOBJ StockFont(int index);

// GetObjectW and GetObjectA of a font: a LOGFONTW or LOGFONTA; -1 when the handle is no font.
int GetFontObjectW(HGDIOBJ handle, int size, void* out);
int GetFontObjectA(HGDIOBJ handle, int size, void* out);

}  // namespace vx::gdi

// A logical font as callers of GDI make one: the stock GUI font's LOGFONTW with a face,
// height and style of their own, antialiased.
#pragma once

#include <algorithm>
#include <string_view>

#include "platform/gdi.h"

namespace vx::tools {

// A null face keeps the stock font's name; a longer one is cut to 31 characters.
inline LOGFONTW StockBasedLogFont(const char16_t* face, LONG height, LONG weight = FW_NORMAL,
                                  BYTE italic = 0, BYTE underline = 0, LONG escapement = 0) {
  LOGFONTW logfont{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logfont, &logfont);
  if (face) {
    const std::u16string_view name = std::u16string_view(face).substr(0, LF_FACESIZE - 1);
    std::fill(std::begin(logfont.lfFaceName), std::end(logfont.lfFaceName), 0);
    std::copy(name.begin(), name.end(), logfont.lfFaceName);
  }
  logfont.lfHeight = height;
  logfont.lfWeight = weight;
  logfont.lfItalic = italic;
  logfont.lfUnderline = underline;
  logfont.lfEscapement = escapement;
  logfont.lfQuality = ANTIALIASED_QUALITY;
  return logfont;
}

}  // namespace vx::tools

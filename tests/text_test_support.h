// Helpers of the text tests: logical fonts by face and height, and a surface with a font
// selected whose pixels a test reads back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "tests/gdi_test_surface.h"
#include "tools/stock_log_font.h"

namespace vx::testing {

// The stock GUI font's LOGFONTW with a face, height and style, as callers make fonts.
inline LOGFONTW TestLogFont(const char16_t* face, LONG height, LONG weight = FW_NORMAL,
                            BYTE italic = 0, BYTE underline = 0, LONG escapement = 0) {
  return tools::StockBasedLogFont(face, height, weight, italic, underline, escapement);
}

// A font selected into a context for the life of the object.
class SelectedFont {
 public:
  SelectedFont(HDC dc, const LOGFONTW& logfont) : dc_(dc), font_(CreateFontIndirectW(&logfont)) {
    previous_ = SelectObject(dc_, font_);
  }
  ~SelectedFont() {
    SelectObject(dc_, previous_);
    DeleteObject(font_);
  }
  SelectedFont(const SelectedFont&) = delete;
  SelectedFont& operator=(const SelectedFont&) = delete;
  HFONT font() const { return font_; }

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ previous_;
};

// Box of the pixels that differ from `background`, right and bottom exclusive; all -1
// when none does.
struct InkBox {
  int left = -1, top = -1, right = -1, bottom = -1;
  long count = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

inline InkBox InkOf(const std::vector<std::uint32_t>& words, int width,
                    const std::vector<std::uint32_t>& background) {
  InkBox box;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i] == background[i]) continue;
    const int x = int(i % std::size_t(width)), y = int(i / std::size_t(width));
    if (box.count++ == 0) {
      box = {x, y, x + 1, y + 1, 1};
      continue;
    }
    box.left = std::min(box.left, x);
    box.right = std::max(box.right, x + 1);
    box.top = std::min(box.top, y);
    box.bottom = std::max(box.bottom, y + 1);
  }
  return box;
}

inline InkBox InkOf(const TestSurface& surface, int width, std::uint32_t background) {
  const std::vector<std::uint32_t> words = surface.Words();
  return InkOf(words, width, std::vector<std::uint32_t>(words.size(), background));
}

inline SIZE Extent(HDC dc, const std::u16string& text) {
  SIZE size{-1, -1};
  GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
  return size;
}

inline TEXTMETRICW Metrics(HDC dc) {
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  return tm;
}

inline std::u16string Face(HDC dc) {
  WCHAR name[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, name);
  return name;
}

}  // namespace vx::testing

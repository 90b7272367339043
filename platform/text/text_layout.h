// Inside the drawing layer: how DrawText lays text out in lines. "&" prefixes, line
// breaks at CR LF, LF CR, CR and LF, and word wrapping by a greedy rule.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/font_object.h"

namespace vx::text {

// Text with its "&" prefixes resolved: "&&" shows "&", "&x" shows an underlined x (the
// "&" takes no room), a final lone "&" stays.
struct PrefixedText {
  std::u16string text;
  std::vector<std::uint32_t> underlined;  // UTF-16 indices into `text`, ascending
  std::vector<std::uint32_t> source;      // for each unit of `text`, its index in the input
};
PrefixedText ResolvePrefixes(std::u16string_view text);

struct TextLine {
  std::uint32_t begin = 0;  // UTF-16 range of the text
  std::uint32_t end = 0;
};

// Lines between line breaks: a break at the very end adds no line, one at the start adds
// an empty first line.
std::vector<TextLine> SplitAtBreaks(std::u16string_view text);

// The lines of one stretch without line breaks, wrapped to `width` pixels, greedily: a
// line ends at the last break opportunity (Unicode line breaking: after spaces, tabs and
// hyphens, between ideographs) before the first character that does not fit; the spaces
// before it stay on the line and count in its width, and one space after it is dropped.
// A word wider than `width` is not split: its line runs on to the next opportunity, and
// is wider than asked.
std::vector<TextLine> WrapLine(RealizedFont& font, std::u16string_view text, TextLine stretch,
                               std::int64_t width);

}  // namespace vx::text

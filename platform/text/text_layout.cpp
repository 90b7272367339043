#include "platform/text/text_layout.h"

#include <linebreak.h>

#include <mutex>
#include <string>

#include "platform/text/text_shaping.h"

namespace vx::text {

namespace {

constexpr char16_t kSpace = u' ';

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

// Break opportunities of a stretch: allowed[i] says a line may end after unit i.
std::vector<char> BreakOpportunities(std::u16string_view text) {
  static std::once_flag once;
  std::call_once(once, init_linebreak);
  std::vector<char> breaks(text.size(), LINEBREAK_NOBREAK);
  if (text.empty()) return breaks;
  // libunibreak 1.1 takes U+FFFF for the end of the text and fails an assertion on it; the
  // other noncharacter U+FFFE breaks alike.
  std::u16string copy;
  if (text.find(u'\uFFFF') != std::u16string_view::npos) {
    copy.assign(text);
    for (char16_t& c : copy) c = c == u'\uFFFF' ? u'\uFFFE' : c;
    text = copy;
  }
  set_linebreaks_utf16(reinterpret_cast<const utf16_t*>(text.data()), text.size(), nullptr,
                       breaks.data());
  return breaks;
}

}  // namespace

PrefixedText ResolvePrefixes(std::u16string_view text) {
  PrefixedText out;
  out.text.reserve(text.size());
  out.source.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != u'&') out.underlined.push_back(std::uint32_t(out.text.size()));
    }
    out.text.push_back(text[i]);
    out.source.push_back(std::uint32_t(i));
  }
  return out;
}

std::vector<TextLine> SplitAtBreaks(std::u16string_view text) {
  std::vector<TextLine> lines;
  std::uint32_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsBreak(text[i])) continue;
    lines.push_back({start, std::uint32_t(i)});
    // CR LF and LF CR are one break.
    if (i + 1 < text.size() && IsBreak(text[i + 1]) && text[i + 1] != text[i]) ++i;
    start = std::uint32_t(i + 1);
  }
  if (start < text.size() || lines.empty()) lines.push_back({start, std::uint32_t(text.size())});
  return lines;
}

std::vector<TextLine> WrapLine(RealizedFont& font, std::u16string_view whole, TextLine stretch,
                               std::int64_t width) {
  const std::u16string_view text = whole.substr(stretch.begin, stretch.end - stretch.begin);
  const std::size_t n = text.size();
  if (n == 0) return {stretch};
  const std::vector<std::int64_t>& advances = ShapeTextOnce(font, text).unit_advances;
  const std::vector<char> opportunities = BreakOpportunities(text);
  // A line may end before unit p where Unicode line breaking allows it: after a run of
  // spaces, a tab or a hyphen, between ideographs.
  auto can_end_before = [&](std::size_t p) {
    return p > 0 && p < n && opportunities[p - 1] == LINEBREAK_ALLOWBREAK;
  };
  std::vector<TextLine> lines;
  std::size_t a = 0;
  while (a < n) {
    // The units that fit.
    std::size_t fit = a;
    std::int64_t sum = 0;
    while (fit < n && sum + advances[fit] <= width) sum += advances[fit++];
    std::size_t end = n, next = n;
    if (fit < n) {
      // The last opportunity within what fits; a space that does not fit keeps the word
      // before it off the line too.
      std::size_t p = fit;
      while (p > a && !can_end_before(p)) --p;
      if (p > a) {
        end = p;
      } else {
        // A word wider than the line: it is kept whole, up to the next opportunity.
        end = a + 1;
        while (end < n && text[end] != kSpace && !can_end_before(end)) ++end;
      }
      next = end < n && text[end] == kSpace ? end + 1 : end;
    }
    lines.push_back({stretch.begin + std::uint32_t(a), stretch.begin + std::uint32_t(end)});
    a = next;
  }
  return lines;
}

}  // namespace vx::text

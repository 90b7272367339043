// Measuring text and laying it out in lines: extents, "&" prefixes, line breaks, word
// wrapping (spaces and ideographs), external leading, what DrawText returns, and the
// arguments GDI's text calls refuse.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/gdi.h"
#include "tests/resize_test_support.h"
#include "tests/text_test_support.h"

namespace vx::testing {
namespace {

class TextLayoutTest : public LeakCheckedTest {
 protected:
  // DT_CALCRECT from (0, 0) to (width, 0): the measured size and the return value.
  struct Measured {
    LONG width, height;
    int result;
  };
  Measured Calc(const std::u16string& text, UINT format, LONG width = 0) {
    RECT rect{0, 0, width, 0};
    const int result = DrawTextW(surface_.dc(), text.c_str(), int(text.size()), &rect, format | DT_CALCRECT);
    return {rect.right - rect.left, rect.bottom - rect.top, result};
  }
  int Width(const std::u16string& text) { return Extent(surface_.dc(), text).cx; }

  TestSurface surface_{8, 8, 0};
};

TEST_F(TextLayoutTest, ExtentsAddScaledAdvancesWithoutKerning) {
  SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -12));
  EXPECT_EQ(Width(u"Hxgy Hello"), 60);
  EXPECT_EQ(Extent(surface_.dc(), u"Hxgy Hello").cy, 14);
  // No kerning: a pair measures as its two characters.
  EXPECT_EQ(Width(u"AV"), Width(u"A") + Width(u"V"));
  EXPECT_EQ(Width(u"To"), Width(u"T") + Width(u"o"));
  SIZE size{-1, -1};
  EXPECT_TRUE(GetTextExtentPoint32W(surface_.dc(), nullptr, 0, &size));
  EXPECT_EQ(size.cx, 0);
  EXPECT_EQ(size.cy, 0);
  // A count beyond the string stops at its end; a negative one is refused.
  EXPECT_TRUE(GetTextExtentPoint32W(surface_.dc(), u"ab", 100, &size));
  EXPECT_EQ(size.cx, Width(u"ab"));
  EXPECT_FALSE(GetTextExtentPoint32W(surface_.dc(), u"ab", -1, &size));
  EXPECT_FALSE(GetTextExtentPoint32W(surface_.dc(), u"ab", 2, nullptr));
}

TEST_F(TextLayoutTest, ASurrogatePairIsOneCharacter) {
  SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -16));
  const std::u16string smile = u"\U0001F600";
  ASSERT_EQ(smile.size(), 2u);
  const int pair = Width(smile);
  const int lone = Width(std::u16string(1, smile[0]));
  EXPECT_GT(pair, 0);
  EXPECT_NE(pair, 2 * lone);  // not two missing-glyph boxes
  EXPECT_EQ(Width(smile + smile), 2 * pair);
}

TEST_F(TextLayoutTest, PrefixesTakeNoRoomUnlessTurnedOff) {
  SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -12));
  EXPECT_EQ(Calc(u"&File", 0).width, 20);
  EXPECT_EQ(Calc(u"&File", DT_NOPREFIX).width, 28);
  EXPECT_EQ(Calc(u"&&", 0).width, Width(u"&"));
  EXPECT_EQ(Calc(u"a&&&b", 0).width, Width(u"a&b"));
  EXPECT_EQ(Calc(u"trailing&", 0).width, Width(u"trailing&"));
  EXPECT_EQ(Calc(u"& space", 0).width, Width(u" space"));
}

TEST_F(TextLayoutTest, LineBreaksCountAsGdiCountsThem) {
  SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -12));
  const LONG h = Metrics(surface_.dc()).tmHeight;
  const struct {
    const char16_t* text;
    int lines;
  } cases[] = {
      {u"one", 1},          {u"one\r\ntwo", 2}, {u"one\n\rtwo", 2},   {u"one\rtwo", 2},
      {u"one\ntwo", 2},     {u"one\r\rtwo", 3}, {u"one\n\ntwo", 3},   {u"one\r\n\r\ntwo", 3},
      {u"one\r\n", 1},      {u"\r\none", 2},    {u"\r\n", 1},         {u"\n", 1},
  };
  for (const auto& c : cases) {
    const Measured m = Calc(c.text, 0);
    EXPECT_EQ(m.height, c.lines * h) << std::u16string(c.text).size();
    EXPECT_EQ(m.result, c.lines * h);
  }
  EXPECT_EQ(Calc(u"one\r\nthree", 0).width, Width(u"three"));
  // The empty text has no line, yet the call answers one line's height.
  const Measured empty = Calc(u"", 0);
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, 0);
  EXPECT_EQ(empty.result, h);
  // A single line shows breaks as characters.
  EXPECT_EQ(Calc(u"one\r\ntwo", DT_SINGLELINE).height, h);
}

TEST_F(TextLayoutTest, WordsWrapGreedilyKeepingTheSpaceAtTheBreak) {
  SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -12));
  const LONG h = Metrics(surface_.dc()).tmHeight;
  const std::u16string pangram = u"The quick brown fox jumps over the lazy dog";
  // The widest line is "The quick brown " with its space.
  const Measured at100 = Calc(pangram, DT_WORDBREAK, 100);
  EXPECT_EQ(at100.width, Width(u"The quick brown "));
  EXPECT_EQ(at100.width, 93);
  EXPECT_EQ(at100.height, 3 * h);
  // A space that does not fit takes the word before it to the next line too.
  const Measured tight = Calc(u"aaa bb cc", DT_WORDBREAK, Width(u"aaa bb"));
  EXPECT_EQ(tight.height, 2 * h);
  EXPECT_EQ(tight.width, Width(u"bb cc"));
  // A word wider than the line is not split and widens the measured rectangle.
  const Measured long_word = Calc(u"short Supercalifragilisticexpialidocious word", DT_WORDBREAK, 100);
  EXPECT_EQ(long_word.width, Width(u"Supercalifragilisticexpialidocious"));
  EXPECT_EQ(long_word.height, 3 * h);
  EXPECT_EQ(Calc(u"one two", DT_WORDBREAK, 1).height, 2 * h);
  // Hyphens break; the narrowest width still leaves each word whole.
  EXPECT_EQ(Calc(u"well-known", DT_WORDBREAK, Width(u"well-")).width, Width(u"known"));
  // Without DT_WORDBREAK only line breaks end lines.
  EXPECT_EQ(Calc(pangram, 0, 100).width, Width(pangram));
}

// The line-break library reads U+FFFF as the end of the text; it wraps as U+FFFE does.
TEST_F(TextLayoutTest, TheNoncharacterFFFFWrapsLikeAnyOther) {
  SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -12));
  const std::u16string ffff = u"ab \uFFFF\uFFFF cd \uFFFF", fffe = u"ab \uFFFE\uFFFE cd \uFFFE";
  const Measured with_ffff = Calc(ffff, DT_WORDBREAK, Width(u"ab "));
  const Measured with_fffe = Calc(fffe, DT_WORDBREAK, Width(u"ab "));
  EXPECT_EQ(with_ffff.height, with_fffe.height);
  EXPECT_EQ(with_ffff.height, 4 * Metrics(surface_.dc()).tmHeight);
}

TEST_F(TextLayoutTest, IdeographsWrapBetweenCharacters) {
  SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -16));
  const LONG h = Metrics(surface_.dc()).tmHeight;
  const std::u16string text = u"日本語の文字列です";
  const int one = Width(u"日");
  ASSERT_GT(one, 8);
  EXPECT_EQ(Width(text), 9 * one);  // one advance each, from the fallback face
  const Measured wrapped = Calc(text, DT_WORDBREAK, 4 * one + 1);
  EXPECT_EQ(wrapped.width, 4 * one);
  EXPECT_EQ(wrapped.height, 3 * h);
}

TEST_F(TextLayoutTest, ExternalLeadingWidensEveryLine) {
  SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -16));
  const TEXTMETRICW tm = Metrics(surface_.dc());
  ASSERT_EQ(tm.tmExternalLeading, 1);
  const std::u16string text = u"one two three four";
  const Measured plain = Calc(text, DT_WORDBREAK, 1);
  const Measured leading = Calc(text, DT_WORDBREAK | DT_EXTERNALLEADING, 1);
  EXPECT_EQ(plain.height, 4 * tm.tmHeight);
  EXPECT_EQ(leading.height, 4 * (tm.tmHeight + 1));
  EXPECT_EQ(leading.result, leading.height);
}

TEST_F(TextLayoutTest, DrawingStopsAfterTheLastLineThatStartsInTheRectangle) {
  SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -12));
  const LONG h = Metrics(surface_.dc()).tmHeight;  // 14
  const std::u16string text = u"a\nb\nc\nd\ne";
  RECT rect{0, 0, 8, 30};  // lines start at 0, 14 and 28
  EXPECT_EQ(DrawTextW(surface_.dc(), text.c_str(), -1, &rect, 0), 3 * h);
  rect = {0, 0, 8, 28};
  EXPECT_EQ(DrawTextW(surface_.dc(), text.c_str(), -1, &rect, 0), 2 * h);
  rect = {0, 0, 8, 28};
  EXPECT_EQ(DrawTextW(surface_.dc(), text.c_str(), -1, &rect, DT_NOCLIP), 5 * h);
  DRAWTEXTPARAMS params{sizeof params, 0, 0, 0, 0};
  std::u16string editable = text;
  rect = {0, 0, 8, 28};
  EXPECT_EQ(DrawTextExW(surface_.dc(), editable.data(), -1, &rect, 0, &params), 2 * h);
  EXPECT_EQ(params.uiLengthDrawn, 4u);  // "a\nb\n"
}

// Rectangles near the ends of the 32-bit range, and text long and large enough to pass it,
// measure as far as the range reaches: what passes it is held at its ends.
TEST_F(TextLayoutTest, MeasuresPastTheRangeAreHeldAtItsEnds) {
  constexpr LONG kMax = 0x7FFFFFFF;
  {
    SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -12));
    const LONG h = Metrics(surface_.dc()).tmHeight;
    RECT rect{kMax - 10, kMax - 5, kMax - 10, kMax - 5};
    EXPECT_EQ(DrawTextW(surface_.dc(), u"Hello", -1, &rect, DT_CALCRECT | DT_WORDBREAK), h);
    EXPECT_EQ(rect.right, kMax);
    EXPECT_EQ(rect.bottom, kMax);
    // The wrapping width of a rectangle across the whole range, and drawing there.
    rect = {-kMax - 1, -kMax - 1, kMax, kMax};
    EXPECT_EQ(DrawTextW(surface_.dc(), u"Hello world", -1, &rect, DT_CALCRECT | DT_WORDBREAK), h);
    rect = {-kMax - 1, kMax - 10, kMax, kMax};
    EXPECT_EQ(DrawTextW(surface_.dc(), u"Hello\nworld", -1, &rect, DT_WORDBREAK), h);
    // Unclipped lines stop where the range ends: the third would start past it.
    ASSERT_LE(h, 20);
    ASSERT_GT(2 * h, 20);
    rect = {kMax - 20, kMax - 20, kMax, kMax};
    EXPECT_EQ(DrawTextW(surface_.dc(), u"a\nb\nc", -1, &rect, DT_NOCLIP), 2 * h);
  }
  {
    // 2^17 "Ǳ" (1.34 em each) at 16 384 pixels per em are 2.9 x 10^9 pixels wide.
    SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -16384));
    const std::u16string wide(std::size_t{1} << 17, u'\u01F1');
    EXPECT_EQ(Extent(surface_.dc(), wide).cx, kMax);
    RECT rect{-100, 0, -100, 0};
    EXPECT_GT(DrawTextW(surface_.dc(), wide.c_str(), -1, &rect, DT_CALCRECT), 0);
    EXPECT_EQ(rect.right, kMax);
    EXPECT_EQ(Extent(surface_.dc(), wide.substr(0, 1000)).cx, 1000 * Extent(surface_.dc(), u"\u01F1").cx);
    EXPECT_GT(std::int64_t{Extent(surface_.dc(), u"\u01F1").cx} << 17, std::int64_t{kMax});
  }
  {
    // 2^17 lines of over 18 000 pixels are over 2^31 pixels high.
    SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -16384));
    const std::u16string lines(std::size_t{1} << 17, u'\n');
    RECT rect{0, -10, 0, -10};
    EXPECT_EQ(DrawTextW(surface_.dc(), lines.c_str(), -1, &rect, DT_CALCRECT), kMax);
    EXPECT_EQ(rect.bottom, kMax);
    rect = {0, -kMax - 1, 100, kMax};
    EXPECT_EQ(DrawTextW(surface_.dc(), lines.c_str(), -1, &rect, DT_WORDBREAK), kMax);
  }
}

TEST_F(TextLayoutTest, BadArgumentsFailOrCountAsEmpty) {
  SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -12));
  RECT rect{0, 0, 8, 8};
  EXPECT_EQ(DrawTextW(surface_.dc(), u"a", 1, nullptr, 0), 0);
  EXPECT_EQ(DrawTextW(nullptr, u"a", 1, &rect, 0), 0);
  EXPECT_EQ(DrawTextW(surface_.dc(), u"a", 1, &rect, DT_CENTER), 0);
  EXPECT_EQ(DrawTextW(surface_.dc(), u"a", 1, &rect, DT_END_ELLIPSIS), 0);
  DRAWTEXTPARAMS wrong_size{1, 0, 0, 0, 0};
  EXPECT_EQ(DrawTextExW(surface_.dc(), nullptr, 0, &rect, 0, &wrong_size), 0);
  // A null text is the empty text.
  rect = {0, 0, 8, 8};
  EXPECT_EQ(DrawTextW(surface_.dc(), nullptr, -1, &rect, DT_CALCRECT), 14);
  EXPECT_EQ(rect.right, 0);
  EXPECT_TRUE(TextOutW(surface_.dc(), 0, 0, nullptr, 0));
  EXPECT_FALSE(TextOutW(surface_.dc(), 0, 0, u"a", -1));
  // Text of more than 2^17 units is refused rather than measured.
  const std::u16string huge((std::size_t{1} << 17) + 1, u'a');
  SIZE size;
  EXPECT_FALSE(GetTextExtentPoint32W(surface_.dc(), huge.c_str(), int(huge.size()), &size));
  EXPECT_EQ(DrawTextW(surface_.dc(), huge.c_str(), -1, &rect, DT_CALCRECT), 0);
  EXPECT_FALSE(TextOutW(surface_.dc(), 0, 0, huge.c_str(), int(huge.size())));
  EXPECT_TRUE(GetTextExtentPoint32W(surface_.dc(), huge.c_str(), int(huge.size()) - 1, &size));
  // Only left and top alignment is kept.
  EXPECT_EQ(SetTextAlign(surface_.dc(), TA_LEFT | TA_TOP), 0u);
  EXPECT_EQ(SetTextAlign(surface_.dc(), 6), GDI_ERROR);
  EXPECT_EQ(GetTextAlign(surface_.dc()), 0u);
  EXPECT_EQ(GetTextAlign(nullptr), GDI_ERROR);
}

}  // namespace
}  // namespace vx::testing

// base/'s text helpers: the one UTF-8 converter with its policies, ASCII case folding, and
// the picture size limits.
#include <gtest/gtest.h>

#include <string>

#include "base/ascii_case.h"
#include "base/picture_limits.h"
#include "base/utf8.h"

namespace vx::testing {
namespace {

TEST(Utf8, UnpairedSurrogatesBecomeTheReplacementCharacterAndAreReported) {
  bool lone = true;
  EXPECT_EQ(Utf8FromWide(u"a\U0001F600\u00e9", &lone), "a\xF0\x9F\x98\x80\xC3\xA9");
  EXPECT_FALSE(lone);
  for (const char16_t* text : {u"x\xD800y", u"x\xDC00y", u"x\xDBFF"}) {
    lone = false;
    const std::string utf8 = Utf8FromWide(text, &lone);
    EXPECT_TRUE(lone);
    EXPECT_EQ(utf8.substr(0, 4), "x\xEF\xBF\xBD");
  }
  // The same text as a path has no UTF-8 name at all.
  EXPECT_EQ(Utf8PathFromWide(u"x\xD800y"), std::nullopt);
}

TEST(Utf8, DecodingTellsWhetherTheTextWasUtf8) {
  bool valid = false;
  EXPECT_EQ(WideFromUtf8("\xE5\x86\x99 \xF0\x9F\x98\x80", &valid), u"\u5199 \U0001F600");
  EXPECT_TRUE(valid);
  for (const char* broken : {"\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"}) {
    valid = true;
    EXPECT_EQ(WideFromUtf8(broken, &valid), u"\uFFFD") << broken;
    EXPECT_FALSE(valid);
  }
  // A zero byte is a character like any other.
  EXPECT_EQ(WideFromUtf8(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(AsciiCase, OnlyAsciiLettersFold) {
  EXPECT_EQ(LowerAscii(u'Q'), u'q');
  EXPECT_EQ(LowerAscii('@'), '@');
  EXPECT_EQ(LowerAscii(u'\u00C9'), u'\u00C9');  // É stays
  EXPECT_TRUE(SameIgnoringAsciiCase<char>("LoadSourceImage", "loadsourceIMAGE"));
  EXPECT_FALSE(SameIgnoringAsciiCase<char16_t>(u"\u00C9t\u00E9", u"\u00E9t\u00E9"));
  EXPECT_FALSE(SameIgnoringAsciiCase<char>("abc", "abcd"));
  EXPECT_FALSE(SameIgnoringAsciiCase<char>("[", "{"));  // 0x5B and 0x7B differ by 0x20 too
}

TEST(PictureLimits, SidesAndPixelsAtTheirEnds) {
  EXPECT_TRUE(PictureSizeAcceptable(65500, 8192));   // 536 576 000 pixels: just within 2^29
  EXPECT_FALSE(PictureSizeAcceptable(65500, 8197));  // just over
  EXPECT_FALSE(PictureSizeAcceptable(65501, 1));
  EXPECT_FALSE(PictureSizeAcceptable(1, 65501));
  EXPECT_FALSE(PictureSizeAcceptable(0, 10));
  EXPECT_FALSE(PictureSizeAcceptable(10, -1));
  EXPECT_TRUE(PictureSizeAcceptable(1, 1));
}

}  // namespace
}  // namespace vx::testing

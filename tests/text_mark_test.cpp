// The text watermark: its font, measuring, area width and placement; what it draws; the
// drawing held bit for bit against whole-picture layers; and AddTextMark on the object.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/color_mix.h"
#include "object/mark_area.h"
#include "object/mark_text.h"
#include "object/text_mark.h"
#include "object/text_mark_layout.h"
#include "platform/text/text_diagnostics.h"
#include "tests/gdi_test_surface.h"
#include "tests/resize_test_support.h"
#include "tests/text_mark_whole_picture.h"
#include "tests/text_test_support.h"

namespace vx::testing {
namespace {

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

// --- Placement, area width, font and measuring -------------------------------------------

TEST(TextMarkRect, EveryPlaceOfATextOnAPicture) {
  const SIZE picture{200, 100}, text{50, 20};
  ExpectRect(TextMarkRect({0, 0, 0}, {10, 30}, picture, text), 75, 40, 125, 100);
  ExpectRect(TextMarkRect({1, 0, 0}, {10, 30}, picture, text), 0, 0, 50, 100);
  ExpectRect(TextMarkRect({2, 0, 0}, {10, 30}, picture, text), 150, 0, 200, 100);
  ExpectRect(TextMarkRect({3, 0, 0}, {10, 30}, picture, text), 0, 80, 50, 100);
  ExpectRect(TextMarkRect({4, 0, 0}, {10, 30}, picture, text), 150, 80, 200, 100);
  ExpectRect(TextMarkRect({-1, 0, 0}, {10, 30}, picture, text), 10, 30, 60, 50);
}

TEST(TextMarkRect, PositionOnlyForTheFreePlaceOffsetsOnlyForTheNamedOnes) {
  const SIZE picture{200, 100}, text{50, 20};
  ExpectRect(TextMarkRect({1, 0, 0}, {50, 0}, picture, text), 0, 0, 50, 100);  // lPosX ignored
  ExpectRect(TextMarkRect({4, -10, -10}, {0, 0}, picture, text), 140, 70, 190, 90);
  ExpectRect(TextMarkRect({4, 10, 10}, {0, 0}, picture, text), 160, 90, 210, 110);
  ExpectRect(TextMarkRect({2, 5, 7}, {0, 0}, picture, text), 155, 7, 205, 100);
  ExpectRect(TextMarkRect({0, -3, 4}, {0, 0}, picture, text), 72, 44, 122, 100);
  for (LONG rule : {-1, 5, -2}) {
    ExpectRect(TextMarkRect({rule, 7, 9}, {10, 30}, picture, text), 10, 30, 60, 50);
  }
  // Centring halves toward zero: 200 - 203 = -3 gives -1.
  ExpectRect(TextMarkRect({0, 0, 0}, {0, 0}, {200, 100}, {203, 20}), -1, 40, 202, 100);
  // Beyond the 32-bit range the rectangle is held off the picture.
  const RECT far = TextMarkRect({4, 0x7FFFFFFF, 0x7FFFFFFF}, {0, 0}, picture, text);
  EXPECT_GE(far.left, 200);
  EXPECT_GE(far.top, 100);
}

TEST(AreaLimitedWidth, OnlyAnAreaOfOneOrMoreNotWiderThanTheTextLimitsIt) {
  EXPECT_EQ(AreaLimitedWidth(50, -1), 50);
  EXPECT_EQ(AreaLimitedWidth(50, 0), 50);
  EXPECT_EQ(AreaLimitedWidth(50, 1), 1);
  EXPECT_EQ(AreaLimitedWidth(50, 30), 30);
  EXPECT_EQ(AreaLimitedWidth(50, 50), 50);
  EXPECT_EQ(AreaLimitedWidth(50, 80), 50);
}

TextMarkFontSettings FontSettings(const char16_t* face, LONG height, LONG rotate = 0) {
  return {face, height, 0, 0, 0, rotate};
}

TEST(TextMarkLogFont, TheStockFontWithTheMarksFaceHeightAndStyle) {
  LOGFONTW stock{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
  TextMarkFontSettings s = FontSettings(u"DejaVu Sans", 30);
  LOGFONTW plain = TextMarkLogFont(s);
  EXPECT_EQ(std::u16string(plain.lfFaceName), u"DejaVu Sans");
  EXPECT_EQ(plain.lfHeight, 30);
  EXPECT_EQ(plain.lfQuality, ANTIALIASED_QUALITY);
  EXPECT_EQ(plain.lfWeight, stock.lfWeight);
  EXPECT_EQ(plain.lfItalic, stock.lfItalic);
  EXPECT_EQ(plain.lfUnderline, stock.lfUnderline);
  EXPECT_EQ(plain.lfEscapement, stock.lfEscapement);
  EXPECT_EQ(plain.lfOrientation, stock.lfOrientation);
  EXPECT_EQ(plain.lfWidth, stock.lfWidth);
  EXPECT_EQ(plain.lfCharSet, stock.lfCharSet);
  EXPECT_EQ(plain.lfPitchAndFamily, stock.lfPitchAndFamily);

  s.bold = -5;
  s.italic = 256;  // low 8 bits 0: upright
  s.underline = 257;
  LOGFONTW styled = TextMarkLogFont(s);
  EXPECT_EQ(styled.lfWeight, 700);
  EXPECT_EQ(styled.lfItalic, 0);
  EXPECT_EQ(styled.lfUnderline, 1);
  s.italic = -1;
  EXPECT_EQ(TextMarkLogFont(s).lfItalic, 255);

  // Only a positive rotation turns the font; whole turns come off first.
  for (auto [rotate, escapement] : {std::pair{-30, 0}, {0, 0}, {90, 900}, {30, 300}, {370, 100},
                                    {0x7FFFFFFF, (0x7FFFFFFF % 360) * 10}}) {
    s.rotate = rotate;
    EXPECT_EQ(TextMarkLogFont(s).lfEscapement, escapement) << rotate;
  }
  // The face is cut to 31 characters; a null face is the empty name.
  const std::u16string long_name(40, u'x');
  s.face = long_name.c_str();
  EXPECT_EQ(std::u16string(TextMarkLogFont(s).lfFaceName), long_name.substr(0, 31));
  s.face = nullptr;
  EXPECT_EQ(std::u16string(TextMarkLogFont(s).lfFaceName), u"");
}

HFONT MakeMarkFont(const TextMarkFontSettings& s) {
  const LOGFONTW logfont = TextMarkLogFont(s);
  return CreateFontIndirectW(&logfont);
}

class FontTest : public LeakCheckedTest {};

TEST_F(FontTest, MeasuringBreaksOnlyAtLineBreaksWithoutLeadingAndUnturned) {
  HFONT font = MakeMarkFont(FontSettings(u"DejaVu Sans", -20));
  HFONT turned = MakeMarkFont(FontSettings(u"DejaVu Sans", -20, 90));
  {
    MeasuringContext plain(nullptr, font), rotated(nullptr, turned);
    const TEXTMETRICW tm = Metrics(plain.dc());
    const SIZE one = MeasureMarkText(plain.dc(), u"First line");
    EXPECT_EQ(one.cy, tm.tmHeight);
    EXPECT_EQ(one.cx, Extent(plain.dc(), u"First line").cx);
    const SIZE two = MeasureMarkText(plain.dc(), u"First line\r\nSecond");
    EXPECT_EQ(two.cy, 2 * tm.tmHeight);  // no external leading
    EXPECT_EQ(two.cx, one.cx);
    // "&" is a prefix: "&&" measures as one "&", "&x" as "x".
    EXPECT_EQ(MeasureMarkText(plain.dc(), u"A&&B").cx, Extent(plain.dc(), u"A&B").cx);
    EXPECT_EQ(MeasureMarkText(plain.dc(), u"A&B").cx, Extent(plain.dc(), u"AB").cx);
    // A turned font measures as if it were not turned; a long line is not wrapped.
    const std::u16string long_line(300, u'w');
    EXPECT_EQ(MeasureMarkText(rotated.dc(), long_line.c_str()).cx, MeasureMarkText(plain.dc(), long_line.c_str()).cx);
    EXPECT_EQ(MeasureMarkText(rotated.dc(), u"First line\r\nSecond").cy, two.cy);
    const SIZE nothing = MeasureMarkText(plain.dc(), u"");
    EXPECT_EQ(nothing.cx, 0);
    EXPECT_EQ(nothing.cy, 0);
  }
  DeleteObject(font);
  DeleteObject(turned);
}

// --- What a stamp draws -------------------------------------------------------------------

// Words that differ from pixel to pixel, with the fourth byte 0 as in decoded pictures.
std::vector<std::uint32_t> Noise(std::size_t count, std::uint32_t seed = 17) {
  std::vector<std::uint32_t> words;
  for (std::size_t i = 0; i < count; ++i) {
    seed = seed * 1664525u + 1013904223u;
    words.push_back(seed >> 8);
  }
  return words;
}

TextMarkSettings Settings(LONG rule = -1, LONG rotate = 0) {
  TextMarkSettings s{};
  s.color = RGB(250, 240, 10);
  s.area_width = -1;
  s.rotate = rotate;
  s.placement = {rule, 0, 0};
  s.opacity = 101;
  s.shadow_visible = false;
  s.shadow = {RGB(20, 30, 200), 0, 5, 100};
  return s;
}

class StampTextMarkTest : public LeakCheckedTest {
 protected:
  // Stamps with the real drawing on a copy of `background`; returns the picture's words.
  std::vector<std::uint32_t> Stamp(const TextMarkFontSettings& font_settings, const TextMarkSettings& s,
                                   const char16_t* text, POINT position = {0, 0}) {
    TestSurface picture(size_.cx, size_.cy, 0);
    picture.SetWords(background_);
    HFONT font = MakeMarkFont(font_settings);
    StampTextMark(picture.dc(), size_, font, s, text, position);
    DeleteObject(font);
    return picture.Words();
  }
  std::vector<std::uint32_t> Whole(const TextMarkFontSettings& font_settings, const TextMarkSettings& s,
                                   const char16_t* text, POINT position = {0, 0}) {
    TestSurface picture(size_.cx, size_.cy, 0);
    picture.SetWords(background_);
    StampTextMarkOnWholeLayers(picture.dc(), size_, font_settings, s, text, position);
    return picture.Words();
  }
  InkBox Ink(const std::vector<std::uint32_t>& words) const { return InkOf(words, size_.cx, background_); }
  void Use(SIZE size, bool noisy) {
    size_ = size;
    background_ = noisy ? Noise(std::size_t(size.cx) * size.cy) : std::vector<std::uint32_t>(std::size_t(size.cx) * size.cy, 0);
  }

  SIZE size_{160, 90};
  std::vector<std::uint32_t> background_ = std::vector<std::uint32_t>(160 * 90, 0);
};

TEST_F(StampTextMarkTest, OpacityZeroLeavesThePictureBitForBit) {
  Use({160, 90}, true);
  TextMarkSettings s = Settings(0);
  s.opacity = 0;
  s.shadow_visible = true;
  EXPECT_EQ(Stamp(FontSettings(u"DejaVu Sans", -20), s, u"Unseen"), background_);
  s.opacity = -40;
  EXPECT_EQ(Stamp(FontSettings(u"DejaVu Sans", -20), s, u"Unseen"), background_);
  s.opacity = 100;
  EXPECT_NE(Stamp(FontSettings(u"DejaVu Sans", -20), s, u"Seen"), background_);
}

TEST_F(StampTextMarkTest, NullOrEmptyTextDrawsNothing) {
  Use({60, 40}, true);
  TextMarkSettings s = Settings(0);
  s.shadow_visible = true;
  s.opacity = 100;  // a whole-layer merge at 254 would darken every pixel; none is touched
  EXPECT_EQ(Stamp(FontSettings(u"DejaVu Sans", -20), s, nullptr), background_);
  EXPECT_EQ(Stamp(FontSettings(u"DejaVu Sans", -20), s, u""), background_);
}

TEST_F(StampTextMarkTest, TopLeftIgnoresThePositionAndOffsetsMoveTheBottomRight) {
  const TextMarkFontSettings font = FontSettings(u"DejaVu Sans", -16);
  TextMarkSettings s = Settings(1);
  EXPECT_EQ(Stamp(font, s, u"Top left", {50, 0}), Stamp(font, s, u"Top left", {0, 0}));

  s.placement = {4, 0, 0};
  const InkBox flush = Ink(Stamp(font, s, u"Corner"));
  s.placement = {4, -10, -10};
  const InkBox inset = Ink(Stamp(font, s, u"Corner"));
  EXPECT_EQ(inset.left, flush.left - 10);
  EXPECT_EQ(inset.top, flush.top - 10);
  EXPECT_EQ(inset.right, flush.right - 10);
  EXPECT_LE(inset.bottom, 80);
  s.placement = {4, 10, 10};
  const InkBox pushed = Ink(Stamp(font, s, u"Corner"));
  EXPECT_EQ(pushed.left, flush.left + 10);
  EXPECT_EQ(pushed.top, flush.top + 10);
  EXPECT_EQ(pushed.right, 160);  // cut at the picture's edge
}

TEST_F(StampTextMarkTest, AreaWidthWrapsIntoTheMeasuredHeight) {
  const TextMarkFontSettings font = FontSettings(u"DejaVu Sans", -16);
  TextMarkSettings s = Settings(-1);
  const std::vector<std::uint32_t> unlimited = Stamp(font, s, u"Alpha Beta", {5, 5});
  const InkBox whole = Ink(unlimited);
  for (LONG area : {0L, 200L}) {  // no limit, and wider than the text
    s.area_width = area;
    EXPECT_EQ(Stamp(font, s, u"Alpha Beta", {5, 5}), unlimited) << area;
  }
  // 60 pixels wrap before "Beta", but the rectangle is one line high: only "Alpha" shows.
  s.area_width = 60;
  const InkBox first = Ink(Stamp(font, s, u"Alpha Beta", {5, 5}));
  s.area_width = -1;
  const InkBox alpha = Ink(Stamp(font, s, u"Alpha", {5, 5}));
  EXPECT_EQ(first.left, alpha.left);
  EXPECT_EQ(first.right, alpha.right);
  EXPECT_EQ(first.bottom, alpha.bottom);
  EXPECT_LT(first.right, whole.right);
  // At the top left the rectangle reaches the bottom: the wrapped line shows below.
  s.area_width = 60;
  s.placement = {1, 5, 5};
  const InkBox wrapped = Ink(Stamp(font, s, u"Alpha Beta"));
  EXPECT_LT(wrapped.right, whole.right);
  EXPECT_GT(wrapped.height(), whole.height() + 8);
}

TEST_F(StampTextMarkTest, LineBreaksMakeLinesOnlyWhenWrapped) {
  const TextMarkFontSettings font = FontSettings(u"DejaVu Sans", -16);
  const InkBox one_line = Ink(Stamp(font, Settings(-1), u"One", {5, 5}));
  const InkBox wrapped = Ink(Stamp(font, Settings(-1), u"One\r\nTwo", {5, 5}));
  EXPECT_GT(wrapped.height(), one_line.height() + 10);  // two lines
  // Single-line mode draws one run, whose rectangle was measured two lines high.
  const InkBox run = Ink(Stamp(font, Settings(-1, -30), u"One\r\nTwo", {5, 5}));
  EXPECT_LT(run.height(), one_line.height() + 6);
  EXPECT_GT(run.width(), wrapped.width());
}

TEST_F(StampTextMarkTest, NegativeRotationIsUnturnedAndNinetyGoesUp) {
  Use({200, 200}, false);
  const TextMarkFontSettings font = FontSettings(u"DejaVu Sans", -20, -30);
  const InkBox level = Ink(Stamp(font, Settings(-1, -30), u"Level run", {20, 150}));
  EXPECT_GT(level.width(), 3 * level.height());
  EXPECT_GE(level.top, 150);
  EXPECT_LE(level.bottom, 150 + 25);
  EXPECT_EQ(Stamp(font, Settings(-1, -30), u"Level run", {20, 150}),
            Stamp(FontSettings(u"DejaVu Sans", -20), Settings(-1, -1), u"Level run", {20, 150}));

  const InkBox up = Ink(Stamp(FontSettings(u"DejaVu Sans", -20, 90), Settings(-1, 90), u"Level run", {20, 150}));
  EXPECT_GT(up.height(), 3 * up.width());
  EXPECT_GE(up.left, 19);  // the cell turns about the top-left corner: the run stands on it
  EXPECT_LE(up.right, 20 + 25);
  EXPECT_LE(up.bottom, 151);
  EXPECT_NEAR(up.height(), level.width(), 3);
}

TEST_F(StampTextMarkTest, AmpersandsArePrefixesOnlyWhenWrapped) {
  const TextMarkFontSettings font = FontSettings(u"DejaVu Sans", -20);
  // Wrapped: "&&" shows one "&", as "x&y" drawn literally would.
  const InkBox prefixed = Ink(Stamp(font, Settings(-1), u"x&&y", {10, 10}));
  const InkBox literal = Ink(Stamp(font, Settings(-1, -1), u"x&y", {10, 10}));
  EXPECT_EQ(prefixed.left, literal.left);
  EXPECT_EQ(prefixed.right, literal.right);
  // Single line: both characters show.
  const InkBox both = Ink(Stamp(font, Settings(-1, -1), u"x&&y", {10, 10}));
  EXPECT_GT(both.width(), literal.width() + 8);
}

TEST_F(StampTextMarkTest, ItalicTakesTheLowByte) {
  TextMarkFontSettings font = FontSettings(u"DejaVu Sans", -20);
  const std::vector<std::uint32_t> upright = Stamp(font, Settings(-1), u"Slanted", {10, 10});
  font.italic = 256;
  EXPECT_EQ(Stamp(font, Settings(-1), u"Slanted", {10, 10}), upright);
  font.italic = 1;
  const std::vector<std::uint32_t> italic = Stamp(font, Settings(-1), u"Slanted", {10, 10});
  EXPECT_NE(italic, upright);
  font.italic = -1;
  EXPECT_EQ(Stamp(font, Settings(-1), u"Slanted", {10, 10}), italic);
}

TEST_F(StampTextMarkTest, TextTakesItsColourExactly) {
  TextMarkSettings s = Settings(0);
  s.color = RGB(12, 34, 56);
  const std::vector<std::uint32_t> words = Stamp(FontSettings(u"DejaVu Sans", -30, 0), s, u"HH");
  int full = 0;
  for (std::uint32_t w : words) full += w == 0x0C2238u;  // 0xRRGGBB: red 12, green 34, blue 56
  EXPECT_GT(full, 50);
}

// --- The shadow ---------------------------------------------------------------------------

TEST(ShadowGrey, LowByteOfTheTruncatedLevel) {
  EXPECT_EQ(ShadowGrey(100), 255);
  EXPECT_EQ(ShadowGrey(50), 127);
  EXPECT_EQ(ShadowGrey(20), 51);
  EXPECT_EQ(ShadowGrey(0), 0);
  EXPECT_EQ(ShadowGrey(101), 1);   // 257
  EXPECT_EQ(ShadowGrey(-1), 254);  // -2
}

TEST_F(StampTextMarkTest, InvisibleShadowsChangeNothing) {
  Use({160, 90}, true);
  const TextMarkFontSettings font = FontSettings(u"DejaVu Sans", -20);
  TextMarkSettings s = Settings(0);
  const std::vector<std::uint32_t> plain = Stamp(font, s, u"Shadowless");
  s.shadow_visible = true;
  s.shadow.opacity = 0;
  EXPECT_EQ(Stamp(font, s, u"Shadowless"), plain);
  s.shadow.opacity = 100;
  s.shadow.size = -1;
  EXPECT_EQ(Stamp(font, s, u"Shadowless"), plain);
  s.shadow.size = 3;
  EXPECT_NE(Stamp(font, s, u"Shadowless"), plain);
}

class ShadowMaskTest : public LeakCheckedTest {
 protected:
  // The blurred mask of `text` drawn at (10, 10) in the given mode and font.
  MaskPiece Mask(const TextMarkFontSettings& font_settings, bool single_line, const ShadowStyle& style,
                 SIZE picture = {200, 120}) {
    HFONT font = MakeMarkFont(font_settings);
    MaskPiece mask;
    {
      MeasuringContext measuring(reference_.dc(), font);
      MarkText text{font, u"Shadow Ag", {40, 40, 140, 70}, single_line};
      mask = ShadowMask(reference_.dc(), measuring.dc(), text, picture, style);
    }
    DeleteObject(font);
    return mask;
  }
  // The same text drawn in grey `level` on a black picture-sized surface with the platform's
  // own text calls, moved by the distance.
  std::vector<std::uint8_t> Drawn(const TextMarkFontSettings& font_settings, bool single_line, std::uint8_t level,
                                  LONG d, SIZE picture = {200, 120}) {
    TestSurface surface(picture.cx, picture.cy, 0);
    const LOGFONTW logfont = TextMarkLogFont(font_settings);
    SelectedFont selected(surface.dc(), logfont);
    SetTextColor(surface.dc(), RGB(level, level, level));
    if (single_line) {
      TextOutW(surface.dc(), 40 + d, 40 + d, u"Shadow Ag", 9);
    } else {
      RECT rect{40 + d, 40 + d, 140 + d, 70 + d};
      DrawTextExW(surface.dc(), const_cast<char16_t*>(u"Shadow Ag"), -1, &rect, DT_WORDBREAK | DT_EXTERNALLEADING,
                  nullptr);
    }
    std::vector<std::uint8_t> levels;
    for (std::uint32_t w : surface.Words()) levels.push_back(std::uint8_t(w >> 16));
    return levels;
  }
  static std::vector<std::uint8_t> WholeOf(const MaskPiece& piece, SIZE picture = {200, 120}) {
    std::vector<std::uint8_t> whole(std::size_t(picture.cx) * picture.cy, 0);
    for (LONG y = piece.area.top; y < piece.area.bottom; ++y)
      for (LONG x = piece.area.left; x < piece.area.right; ++x) whole[std::size_t(y) * picture.cx + x] = piece.At(x, y);
    return whole;
  }

  TestSurface reference_{1, 1, 0};
};

TEST_F(ShadowMaskTest, SizeZeroIsTheTextInItsGreyMovedByTheDistance) {
  const TextMarkFontSettings font = FontSettings(u"DejaVu Sans", -20);
  for (LONG d : {0L, 4L, -3L}) {
    for (LONG opacity : {100L, 50L, 20L}) {
      SCOPED_TRACE(::testing::Message() << "distance " << d << ", opacity " << opacity);
      const std::vector<std::uint8_t> drawn = Drawn(font, false, ShadowGrey(opacity), d);
      EXPECT_EQ(WholeOf(Mask(font, false, {0, d, 0, opacity})), drawn);
    }
  }
}

TEST_F(ShadowMaskTest, SingleLineShadowUsesTheTurnedFont) {
  const TextMarkFontSettings turned = FontSettings(u"DejaVu Sans", -20, 45);
  const std::vector<std::uint8_t> drawn = Drawn(turned, true, 255, 3);
  EXPECT_EQ(WholeOf(Mask(turned, true, {0, 3, 0, 100})), drawn);
  EXPECT_NE(drawn, Drawn(FontSettings(u"DejaVu Sans", -20), true, 255, 3));
}

TEST_F(ShadowMaskTest, DistanceMovesTheBlurredShadowRightAndDown) {
  const TextMarkFontSettings font = FontSettings(u"DejaVu Sans", -20);
  const MaskPiece still = Mask(font, false, {0, 0, 3, 100});
  const MaskPiece moved = Mask(font, false, {0, 4, 3, 100});
  ASSERT_FALSE(still.empty());
  ExpectRect(moved.area, still.area.left + 4, still.area.top + 4, still.area.right + 4, still.area.bottom + 4);
  EXPECT_EQ(moved.levels, still.levels);
  // The blur reaches the radius beyond the ink on every side.
  const MaskPiece sharp = Mask(font, false, {0, 0, 0, 100});
  ExpectRect(still.area, sharp.area.left - 3, sharp.area.top - 3, sharp.area.right + 3, sharp.area.bottom + 3);
}

TEST_F(ShadowMaskTest, ShadowColourLaidThroughTheMask) {
  // A full level takes the colour exactly, 0 keeps the layer, grey mixes.
  TestSurface layer(4, 1, 0x00102030);
  MaskPiece mask;
  mask.area = {11, 20, 14, 21};
  mask.levels = {255, 0, 127};
  LayShadow(layer.dc(), {10, 20, 14, 21}, mask, RGB(200, 100, 50));
  EXPECT_EQ(layer.Words(), (std::vector<std::uint32_t>{0x00102030, 0x00C86432, 0x00102030,
                                                      ShadeColorsInline(0x00102030, 0x00C86432, 127)}));
}

// --- The drawing against whole-picture layers -------------------------------------------

TEST_F(StampTextMarkTest, DrawsAsMergingWholePictureLayersBitForBit) {
  Use({120, 72}, true);
  const struct Mode {
    const char* what;
    LONG rotate;
    LONG area_width;
    const char16_t* text;
  } modes[] = {
      {"wrapped", 0, 70, u"Shadow & light\r\nA&&B wraps here"},
      {"one run", -30, -1, u"Run (c) 2026"},
      {"turned", 30, -1, u"Turned run"},
      {"upwards", 90, -1, u"Up & on"},
      {"marks above and below the cell", 15, -1, u"\u01FA\u00C5 fj \u0E1B\u0E34\u0E4A f"},
  };
  const LONG sizes[] = {-1, 0, 1, 3, 5, 12};
  const LONG distances[] = {0, 4, -3};
  const LONG opacities[] = {0, 20, 50, 100, 101};
  int cases = 0, drawn = 0;
  for (LONG rule : {-1, 0, 1, 2, 3, 4}) {
    for (const Mode& mode : modes) {
      for (LONG size : sizes) {
        for (LONG distance : distances) {
          TextMarkFontSettings font = FontSettings(u"DejaVu Sans", cases % 2 ? -15 : 13, mode.rotate);
          font.bold = cases % 3 == 0;
          font.italic = cases % 5 == 0;
          font.underline = cases % 7 == 0;
          TextMarkSettings s = Settings(rule, mode.rotate);
          s.area_width = mode.area_width;
          s.opacity = opacities[cases % 5];
          s.shadow_visible = cases % 11 != 0;
          s.shadow = {RGB(5, 60, 250), distance, size, opacities[(cases / 5) % 5]};
          const POINT position{cases % 4 == 0 ? -6 : 40, cases % 3 == 0 ? 60 : 20};
          SCOPED_TRACE(::testing::Message() << mode.what << ", MarkPos " << rule << ", size " << size << ", distance "
                                            << distance << ", opacity " << s.opacity << ", shadow opacity "
                                            << s.shadow.opacity << ", shadow " << s.shadow_visible);
          const std::vector<std::uint32_t> fast = Stamp(font, s, mode.text, position);
          ASSERT_EQ(fast, Whole(font, s, mode.text, position));
          drawn += fast != background_;
          ++cases;
        }
      }
    }
  }
  EXPECT_GT(drawn, cases / 2);
}

// Shadows and text over each edge and corner, on a picture smaller than the text.
TEST_F(StampTextMarkTest, ShadowsOverEveryEdgeDrawAsWholePictureLayers) {
  Use({90, 50}, true);
  const struct Place {
    LONG rule, offset_x, offset_y;
    POINT position;
  } places[] = {
      {1, -6, -6, {0, 0}}, {2, 6, -6, {0, 0}}, {3, -6, 6, {0, 0}}, {4, 6, 6, {0, 0}},
      {0, 0, 0, {0, 0}},   {-1, 0, 0, {-30, 30}}, {-1, 0, 0, {60, -8}},
  };
  int cases = 0, drawn = 0;
  for (const Place& p : places) {
    for (LONG rotate : {0L, 20L}) {
      for (LONG distance : {-3L, 4L}) {
        SCOPED_TRACE(::testing::Message() << "MarkPos " << p.rule << ", offsets " << p.offset_x << ", "
                                          << p.offset_y << ", rotate " << rotate << ", distance " << distance);
        const TextMarkFontSettings font = FontSettings(u"DejaVu Sans", -26, rotate);
        TextMarkSettings s = Settings(p.rule, rotate);
        s.placement = {p.rule, p.offset_x, p.offset_y};
        s.opacity = 100;
        s.shadow_visible = true;
        s.shadow = {RGB(0, 0, 0), distance, 6, 100};
        const char16_t* text = u"Wide edge text";
        const std::vector<std::uint32_t> fast = Stamp(font, s, text, p.position);
        ASSERT_EQ(fast, Whole(font, s, text, p.position));
        drawn += fast != background_;
        ++cases;
      }
    }
  }
  EXPECT_GE(drawn, cases - 4);  // a turned run from the top right leaves the picture
}

// A text and shadow over more pixels than a band holds: mask, shadow and merge are drawn
// band by band and come out as the whole picture's layers.
TEST_F(StampTextMarkTest, BandsDrawAsWholePictureLayers) {
  Use({1400, 1000}, true);
  const TextMarkFontSettings font = FontSettings(u"DejaVu Sans", -160);
  TextMarkSettings s = Settings(1);
  s.area_width = 1300;
  s.opacity = 100;
  s.shadow_visible = true;
  s.shadow = {RGB(0, 0, 0), 7, 4, 50};
  const char16_t* text = u"Bands of a large watermark && its soft shadow over two bands";
  const std::vector<std::uint32_t> fast = Stamp(font, s, text);
  ASSERT_EQ(fast, Whole(font, s, text));
  const InkBox ink = Ink(fast);
  EXPECT_GT(std::int64_t{ink.width()} * ink.height(), kBandPixels);
}

// --- AddTextMark on the object ------------------------------------------------------------

class AddTextMarkTest : public LeakCheckedTest {
 protected:
  void LoadBlack(ResizeObject& r, int width, int height) {
    const std::string path = dir_.File("black.png");
    WritePngFile(path, width, height, Solid(0, 0, 0));
    ASSERT_EQ(r->LoadSourceImage(Bstr(path)), S_OK);
    r->put_Quality(100);
  }
  RgbImage Picture(ResizeObject& r) {
    const std::string path = dir_.File("out.jpg");
    EXPECT_EQ(r->MakeMarkImage(Bstr(path)), S_OK);
    return ReadJpegFile(path);
  }
  static int BrightPixels(const RgbImage& image, int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) count += image.At(x, y)[0] > 128;
    return count;
  }
  TempDir dir_;
};

TEST_F(AddTextMarkTest, NothingLoadedAnswersSFalseAndChangesNothing) {
  ResizeObject r;
  const long fonts = LiveGdiObjects().fonts;
  EXPECT_EQ(r->AddTextMark(Bstr(std::u16string(u"text")), 0, 0), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"");
  EXPECT_EQ(LiveGdiObjects().fonts, fonts);  // no font made either

  // Nor after a load that decoded nothing.
  const std::string garbage = dir_.File("garbage.jpg");
  WriteBytes(garbage, {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'});
  r->LoadSourceImage(Bstr(garbage));
  EXPECT_EQ(r->AddTextMark(Bstr(std::u16string(u"text")), 0, 0), S_FALSE);
}

TEST_F(AddTextMarkTest, MarksAccumulateAndShowInTheOutput) {
  ResizeObject r;
  LoadBlack(r, 200, 120);
  r->put_TextMarkColor(RGB(255, 255, 255));
  r->put_TextMarkHeight(-24);
  r->put_MarkTransparent(101);
  r->put_MarkPos(1);
  EXPECT_EQ(r->AddTextMark(Bstr(std::u16string(u"TL")), 0, 0), S_OK);
  r->put_MarkPos(4);
  EXPECT_EQ(r->AddTextMark(Bstr(std::u16string(u"BR")), 0, 0), S_OK);
  EXPECT_EQ(r->AddTextMark(nullptr, 0, 0), S_OK);  // the empty text
  const RgbImage image = Picture(r);
  ASSERT_EQ(image.width, 200);
  EXPECT_GT(BrightPixels(image, 0, 0, 60, 40), 20);
  EXPECT_GT(BrightPixels(image, 140, 80, 200, 120), 20);
  EXPECT_LT(BrightPixels(image, 60, 40, 140, 80), 3);
  EXPECT_EQ(r.ErrorText(), u"");
}

TEST_F(AddTextMarkTest, AThousandCallsKeepOneFontAndLeaveNothingBehind) {
  const GdiObjectCounts before = LiveGdiObjects();
  const long bstrs_before = LiveBstrCount();
  {
    ResizeObject r;
    LoadBlack(r, 120, 60);
    r->put_TextMarkShadowVisible(1);
    r->put_TextMarkShadowSize(2);
    r->put_TextMarkFontName(Bstr(std::u16string(u"DejaVu Sans")));
    const GdiObjectCounts loaded = LiveGdiObjects();
    for (int i = 0; i < 1000; ++i) {
      r->put_TextMarkRotate(i % 3 == 0 ? 30 : 0);
      r->put_MarkPos(i % 6 - 1);
      ASSERT_EQ(r->AddTextMark(Bstr(std::u16string(u"Mark & shadow")), i % 50, i % 30), S_OK);
    }
    GdiObjectCounts after = LiveGdiObjects();
    EXPECT_EQ(after.fonts, loaded.fonts + 1);  // the latest call's font
    after.fonts = loaded.fonts;
    EXPECT_EQ(after, loaded);
  }
  EXPECT_EQ(LiveGdiObjects(), before);
  EXPECT_EQ(LiveBstrCount(), bstrs_before);
}

// Captions placed near the ends of the 32-bit range, or long and large enough to pass it:
// each call answers S_OK and marks the picture where the text reaches it, measured and
// placed with what passes the range held at its ends.
TEST_F(AddTextMarkTest, CaptionsPastTheRangeAreHeldAtItsEnds) {
  const struct {
    const char* what;
    LONG rule, offset_x, offset_y, height;
    std::u16string text;
    POINT at;
    bool shows;
  } cases[] = {
      {"free place far down", -1, 0, 0, 12, u"Hello", {0, 2147483640}, false},
      {"free place far right", -1, 0, 0, 12, u"Hello", {2147483640, 0}, false},
      {"bottom right pushed far down", 4, 0, 2147482457, 12, u"Hello", {0, 0}, false},
      {"bottom right pulled far up and left", 4, -2147482457, -2147482457, 12, u"Hello", {0, 0}, false},
      {"wider than the range", -1, 0, 0, -16384, std::u16string(std::size_t{1} << 17, u'\u01F1'), {-1500, -3600}, true},
      {"taller than the range", 4, 0, 0, -16384, std::u16string(std::size_t{1} << 17, u'\n'), {0, 0}, false},
      {"taller than the range, its first line at the top", 1, -500, -3600, -16384,
       u"W" + std::u16string((std::size_t{1} << 17) - 1, u'\n'), {0, 0}, true},
  };
  for (const auto& c : cases) {
    for (LONG shadow : {0, 1}) {
      SCOPED_TRACE(::testing::Message() << c.what << (shadow ? ", with a shadow" : ""));
      ResizeObject r;
      LoadBlack(r, 160, 100);
      r->put_TextMarkColor(RGB(255, 255, 255));
      r->put_TextMarkShadowColor(RGB(255, 255, 255));
      r->put_TextMarkShadowVisible(shadow);
      r->put_TextMarkShadowSize(3);
      r->put_TextMarkHeight(c.height);
      r->put_MarkPos(c.rule);
      r->put_MarkPosOffsetX(c.offset_x);
      r->put_MarkPosOffsetY(c.offset_y);
      EXPECT_EQ(r->AddTextMark(Bstr(c.text), c.at.x, c.at.y), S_OK);
      EXPECT_EQ(BrightPixels(Picture(r), 0, 0, 160, 100) > 0, c.shows);
      EXPECT_EQ(r.ErrorText(), u"");
    }
  }
}

// One call measures and draws its text several times (its size, its bounds, the shadow's
// bounds and mask, the text itself, band by band): each line and each stretch between line
// breaks is shaped once.
TEST_F(AddTextMarkTest, EachLineIsShapedOncePerCall) {
  ResizeObject r;
  LoadBlack(r, 320, 200);
  r->put_TextMarkShadowVisible(1);
  r->put_TextMarkHeight(-20);
  r->put_TextMarkAreaWidth(60);
  r->put_MarkPos(1);
  // The stretches "Alpha beta gamma" and "delta", and the lines the first wraps into at
  // 60 pixels: at most "Alpha ", "beta " and "gamma".
  const TextWork before = TextWorkDone();
  EXPECT_EQ(r->AddTextMark(Bstr(std::u16string(u"Alpha beta gamma\r\ndelta")), 0, 0), S_OK);
  const TextWork after = TextWorkDone();
  EXPECT_GE(after.shapings - before.shapings, 3);
  EXPECT_LE(after.shapings - before.shapings, 5);
}

// Long captions within the text limit, wrapped, with a shadow: each is done within the
// test's time, its first lines drawn. Prefixes, one long word, many short lines, complex
// script clusters, stacked marks and nested direction controls.
TEST_F(AddTextMarkTest, LongCaptionsWithinTheLimitAreDrawnInLinearTime) {
  const auto repeated = [](const std::u16string& unit) {
    std::u16string text;
    while (text.size() + unit.size() <= (std::size_t{1} << 17)) text += unit;
    return text;
  };
  const struct {
    const char* what;
    std::u16string text;
  } cases[] = {
      {"prefixes", repeated(u"&x")},
      {"one word", repeated(u"W")},
      {"lines", repeated(u"x\n")},
      {"Devanagari clusters", repeated(u"\u0915\u094D\u0937\u093F")},
      {"stacked marks", repeated(u"a\u0300\u0301\u0302\u0303\u0304\u0305\u0306\u0307\u0308\u0309\u030A")},
      {"direction controls", repeated(u"\u202Ba\u202Ab")},
  };
  ResizeObject r;
  LoadBlack(r, 320, 200);
  r->put_TextMarkColor(RGB(255, 255, 255));
  r->put_TextMarkHeight(-20);
  r->put_TextMarkShadowVisible(1);
  r->put_TextMarkShadowSize(4);
  r->put_TextMarkAreaWidth(300);
  r->put_MarkPos(1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(r->AddTextMark(Bstr(c.text), 0, 0), S_OK);
    EXPECT_GT(BrightPixels(Picture(r), 0, 0, 320, 200), 100);
    LoadBlack(r, 320, 200);
  }
  // One unit more is refused unmeasured, and says so; up to a zero character it is the
  // text before the zero.
  EXPECT_EQ(r->AddTextMark(Bstr(repeated(u"W") + u"W"), 0, 0), S_FALSE);
  EXPECT_EQ(r.ErrorText(), u"Text mark is too long!");
  EXPECT_EQ(BrightPixels(Picture(r), 0, 0, 320, 200), 0);
  r->ClearErrorInfo();
  EXPECT_EQ(r->AddTextMark(Bstr(u"Short" + std::u16string(1, u'\0') + repeated(u"W")), 0, 0), S_OK);
  EXPECT_GT(BrightPixels(Picture(r), 0, 0, 320, 200), 0);
  EXPECT_EQ(r.ErrorText(), u"");
}

}  // namespace
}  // namespace vx::testing

// Drawing text: the colour mixing, what is left untouched, clipping, fallback glyphs for
// other scripts, shaped right-to-left text, rotation, synthesised styles, underlines, and
// 24-bit DIB sections.
#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <set>
#include <string>

#include "gdi/shade_colors.h"
#include "platform/text/font_face.h"
#include "platform/gdi.h"
#include "platform/text/text_diagnostics.h"
#include "platform/text/text_shaping.h"
#include "tests/resize_test_support.h"
#include "tests/text_test_support.h"

namespace vx::testing {
namespace {

class TextDrawingTest : public LeakCheckedTest {};

constexpr std::uint32_t kBlack = 0;

// A background in which every pixel differs: red x, green y, blue 0x40.
std::vector<std::uint32_t> Pattern(int width, int height) {
  std::vector<std::uint32_t> words(std::size_t(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) words[std::size_t(y) * width + x] = (x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x40;
  return words;
}

InkBox TextOutInk(const LOGFONTW& logfont, const std::u16string& text, int x, int y, int width = 400,
                  int height = 400) {
  TestSurface surface(width, height, kBlack);
  SelectedFont font(surface.dc(), logfont);
  SetBkMode(surface.dc(), TRANSPARENT);
  SetTextColor(surface.dc(), RGB(255, 255, 255));
  EXPECT_TRUE(TextOutW(surface.dc(), x, y, text.c_str(), int(text.size())));
  return InkOf(surface, width, kBlack);
}

TEST_F(TextDrawingTest, GlyphsMixTheTextColourByCoverageAndTouchNothingElse) {
  const int w = 300, h = 120;
  TestSurface surface(w, h, 0);
  const std::vector<std::uint32_t> before = Pattern(w, h);
  surface.SetWords(before);
  SelectedFont font(surface.dc(), TestLogFont(u"DejaVu Sans", -48));
  SetBkMode(surface.dc(), TRANSPARENT);
  const COLORREF colour = RGB(10, 200, 30);
  EXPECT_EQ(SetTextColor(surface.dc(), colour), RGB(0, 0, 0));
  EXPECT_EQ(SetTextColor(surface.dc(), colour), colour);  // the previous colour comes back
  const std::u16string text = u"Wavy";
  ASSERT_TRUE(TextOutW(surface.dc(), 20, 30, text.c_str(), int(text.size())));
  const std::vector<std::uint32_t> after = surface.Words();
  const std::uint32_t word = 0x000AC81E;  // the colour as a DIB word, top byte 0
  long exact = 0, mixed = 0;
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (after[i] == before[i]) continue;
    if (after[i] == word) {
      ++exact;
      continue;
    }
    // Every other changed pixel is the mixer's result at some weight.
    bool found = false;
    for (int weight = 1; weight < 255 && !found; ++weight) found = ShadeColorsInline(before[i], word, weight) == after[i];
    EXPECT_TRUE(found) << i;
    ++mixed;
  }
  EXPECT_GT(exact, 300);
  EXPECT_GT(mixed, 50);
  // Nothing changed outside the cell of the run.
  const InkBox ink = InkOf(after, w, before);
  const SIZE extent = Extent(surface.dc(), text);
  EXPECT_GE(ink.left, 20);
  EXPECT_GE(ink.top, 30);
  EXPECT_LE(ink.right, 20 + extent.cx + 1);
  EXPECT_LE(ink.bottom, 30 + extent.cy);
}

TEST_F(TextDrawingTest, SmallLiberationSansIsBilevelAndLargeIsGrey) {
  auto levels = [](LONG height) {
    TestSurface surface(300, 80, kBlack);
    SelectedFont font(surface.dc(), TestLogFont(u"Arial", height));
    SetTextColor(surface.dc(), RGB(255, 255, 255));
    TextOutW(surface.dc(), 2, 2, u"Grey or not", 11);
    std::set<std::uint32_t> seen;
    for (std::uint32_t w : surface.Words()) seen.insert(w);
    return seen.size();
  };
  EXPECT_EQ(levels(-12), 2u);  // black and white only: the gasp table asks for no grey
  EXPECT_EQ(levels(-16), 2u);
  EXPECT_GT(levels(-24), 4u);
  EXPECT_GT(levels(-7), 2u);
}

TEST_F(TextDrawingTest, DrawTextClipsToItsRectangle) {
  const int w = 200, h = 80;
  TestSurface surface(w, h, kBlack);
  SelectedFont font(surface.dc(), TestLogFont(u"Arial", -16));
  SetTextColor(surface.dc(), RGB(255, 255, 255));
  RECT rect{10, 5, 60, 22};  // one line and a sliver of the next
  const std::u16string text = u"Supercalifragilistic word\r\nsecond line";
  DrawTextW(surface.dc(), text.c_str(), -1, &rect, DT_WORDBREAK);
  const InkBox ink = InkOf(surface, w, kBlack);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 60);  // the long word runs to the edge and is cut there
  EXPECT_GE(ink.right, 57);
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.bottom, 22);
  // Without clipping it runs on.
  TestSurface free(w, h, kBlack);
  SelectedFont free_font(free.dc(), TestLogFont(u"Arial", -16));
  SetTextColor(free.dc(), RGB(255, 255, 255));
  DrawTextW(free.dc(), text.c_str(), -1, &rect, DT_WORDBREAK | DT_NOCLIP);
  const InkBox unclipped = InkOf(free, w, kBlack);
  EXPECT_GT(unclipped.right, 100);
  EXPECT_GT(unclipped.bottom, 40);
}

// The glyphs a text gets in Liberation Sans: none may be a missing-glyph box, and with
// `fallback` all come from other faces.
void ExpectAllGlyphsFound(const std::u16string& text, bool fallback = true) {
  const LOGFONTW logfont = TestLogFont(u"Liberation Sans", -24);
  std::lock_guard lock(text::TextLock());
  std::unique_ptr<text::RealizedFont> font = text::RealizedFont::Realize(logfont);
  ASSERT_NE(font, nullptr);
  const text::ShapedText shaped = text::ShapeText(*font, text);
  ASSERT_FALSE(shaped.glyphs.empty());
  for (const text::PlacedGlyph& g : shaped.glyphs) {
    if (text[g.cluster] == u' ') continue;
    EXPECT_NE(g.glyph, 0u) << "unit " << g.cluster;
    if (fallback) {
      EXPECT_NE(g.face, &font->primary()) << "unit " << g.cluster;
    }
  }
}

TEST_F(TextDrawingTest, OtherScriptsComeFromFallbackFaces) {
  ExpectAllGlyphsFound(u"日本語のテキスト");
  ExpectAllGlyphsFound(u"한국어 中文");
  ExpectAllGlyphsFound(u"مرحبا بالعالم");
  ExpectAllGlyphsFound(u"שלום עולם", false);  // Liberation Sans has Hebrew
  ExpectAllGlyphsFound(u"नमस्ते दुनिया");
  ExpectAllGlyphsFound(u"สวัสดีชาวโลก");
  // And they show: ink for each.
  for (const std::u16string text : {u"日本語", u"مرحبا", u"שלום", u"नमस्ते"}) {
    EXPECT_GT(TextOutInk(TestLogFont(u"Arial", -24), text, 10, 10).count, 50);
  }
}

TEST_F(TextDrawingTest, ArabicIsMeasuredAsItIsDrawn) {
  // The ink runs from the reference point to the measured width, but for the side
  // bearings of the end letters: a pixel in Liberation Sans's fallback face (KacstOne),
  // three in DejaVu Sans, whose initial meem stands off its advance.
  const struct {
    const char16_t* face;
    int bearing;
  } cases[] = {{u"Arial", 1}, {u"DejaVu Sans", 3}};
  for (const auto& c : cases) {
    const LOGFONTW logfont = TestLogFont(c.face, -24);
    const std::u16string text = u"مرحبا بالعالم";
    TestSurface surface(8, 8, 0);
    SelectedFont font(surface.dc(), logfont);
    const LONG measured = Extent(surface.dc(), text).cx;
    const InkBox ink = TextOutInk(logfont, text, 10, 10);
    EXPECT_NEAR(ink.left, 10, c.bearing) << c.bearing;
    EXPECT_NEAR(ink.right, 10 + measured, c.bearing) << c.bearing;
    // Joined letters are narrower than the letters one by one.
    LONG separate = 0;
    for (char16_t letter : text) separate += Extent(surface.dc(), std::u16string(1, letter)).cx;
    EXPECT_LT(measured, separate);
  }
}

TEST_F(TextDrawingTest, RightToLeftRunsAreDrawnRightToLeft) {
  // "abc" then Hebrew: the Hebrew word's first letter is its rightmost glyph.
  const std::u16string text = u"ab \u05D0\u05D1\u05D2";
  const LOGFONTW logfont = TestLogFont(u"DejaVu Sans", -24);
  std::lock_guard lock(text::TextLock());
  std::unique_ptr<text::RealizedFont> font = text::RealizedFont::Realize(logfont);
  const text::ShapedText shaped = text::ShapeText(*font, text);
  ASSERT_EQ(shaped.glyphs.size(), 6u);
  EXPECT_EQ(shaped.glyphs[0].cluster, 0u);
  EXPECT_EQ(shaped.glyphs[3].cluster, 5u);  // gimel first from the left
  EXPECT_EQ(shaped.glyphs[5].cluster, 3u);  // alef last
  for (std::size_t i = 1; i < shaped.glyphs.size(); ++i) EXPECT_GT(shaped.glyphs[i].x, shaped.glyphs[i - 1].x);
}

TEST_F(TextDrawingTest, NinetyDegreesRunsUpwardsFromTheReferencePoint) {
  const LOGFONTW logfont = TestLogFont(u"Arial", -24, FW_NORMAL, 0, 0, 900);
  const InkBox ink = TextOutInk(logfont, u"Rotated", 100, 100);
  // The reference draws this at (105, 18)-(122, 98).
  EXPECT_NEAR(ink.left, 105, 1);
  EXPECT_NEAR(ink.top, 18, 1);
  EXPECT_NEAR(ink.right, 122, 1);
  EXPECT_NEAR(ink.bottom, 98, 1);
  // Measuring ignores the escapement.
  TestSurface surface(8, 8, 0);
  SelectedFont turned(surface.dc(), logfont);
  const SIZE turned_extent = Extent(surface.dc(), u"Rotated");
  SelectedFont upright(surface.dc(), TestLogFont(u"Arial", -24));
  EXPECT_EQ(turned_extent.cx, Extent(surface.dc(), u"Rotated").cx);
  // A quarter turn is an exact turn of the upright text's outline: same ink extent, axes swapped.
  const InkBox flat = TextOutInk(TestLogFont(u"Arial", -24), u"Rotated", 100, 100);
  EXPECT_NEAR(ink.height(), flat.width(), 1);
  EXPECT_NEAR(ink.width(), flat.height(), 1);
}

TEST_F(TextDrawingTest, SynthesisedStylesChangeTheInk) {
  const std::u16string text = u"fjord WAVE";
  const InkBox regular = TextOutInk(TestLogFont(u"DejaVu Math TeX Gyre", -36), text, 20, 20);
  const InkBox bold = TextOutInk(TestLogFont(u"DejaVu Math TeX Gyre", -36, FW_BOLD), text, 20, 20);
  const InkBox italic = TextOutInk(TestLogFont(u"DejaVu Math TeX Gyre", -36, FW_NORMAL, 1), text, 20, 20);
  EXPECT_GT(bold.count, regular.count * 11 / 10);
  EXPECT_GE(bold.right, regular.right + int(text.size()) - 1);
  // Slanted: the tops lean right, the baseline stays.
  EXPECT_GT(italic.right, regular.right);
  EXPECT_EQ(italic.top, regular.top);
  EXPECT_NEAR(italic.count, regular.count, regular.count / 10);
}

TEST_F(TextDrawingTest, UnderlineRunsTheWholeAdvanceInFullColour) {
  const int w = 300, h = 80;
  TestSurface surface(w, h, kBlack);
  SelectedFont font(surface.dc(), TestLogFont(u"Arial", -24, FW_NORMAL, 0, 1));
  SetTextColor(surface.dc(), RGB(255, 255, 255));
  const std::u16string text = u"ago jump";
  TextOutW(surface.dc(), 10, 10, text.c_str(), int(text.size()));
  const int width = Extent(surface.dc(), text).cx;
  const std::vector<std::uint32_t> words = surface.Words();
  // Some row below the baseline is white exactly from x 10 to 10 + width, and only there.
  const int baseline = 10 + Metrics(surface.dc()).tmAscent;
  int full_rows = 0;
  for (int y = baseline; y < h; ++y) {
    bool full = true;
    for (int x = 0; x < w; ++x) full = full && (words[std::size_t(y) * w + x] == 0xFFFFFF) == (x >= 10 && x < 10 + width);
    full_rows += full;
  }
  EXPECT_GE(full_rows, 1);
  // A prefix underlines its one character.
  TestSurface prefixed(w, h, kBlack);
  SelectedFont plain(prefixed.dc(), TestLogFont(u"Arial", -24));
  SetTextColor(prefixed.dc(), RGB(255, 255, 255));
  RECT rect{10, 10, w, h};
  DrawTextW(prefixed.dc(), u"a&go", -1, &rect, 0);
  const std::vector<std::uint32_t> marked = prefixed.Words();
  const int a = Extent(prefixed.dc(), u"a").cx, g = Extent(prefixed.dc(), u"g").cx;
  int marked_rows = 0;
  for (int y = baseline + 1; y < h; ++y) {
    bool under_g = true;
    for (int x = 0; x < w; ++x) {
      under_g = under_g && (marked[std::size_t(y) * w + x] == 0xFFFFFF) == (x >= 10 + a && x < 10 + a + g);
    }
    marked_rows += under_g;
  }
  EXPECT_GE(marked_rows, 1);
}

// A glyph is loaded once per font, and again only where it can reach the clip: a long run
// costs loads for what shows, not for its length, and draws what its first glyphs draw.
TEST_F(TextDrawingTest, GlyphsThatCannotShowAreNotLoadedAgain) {
  const std::u16string run(std::size_t{1} << 17, u'W');
  for (LONG escapement : {0L, 300L}) {
    SCOPED_TRACE(escapement);
    TestSurface surface(40, 30, 0), few(40, 30, 0);
    SelectedFont font(surface.dc(), TestLogFont(u"Arial", -16, FW_NORMAL, 0, 0, escapement));
    SelectedFont same(few.dc(), TestLogFont(u"Arial", -16, FW_NORMAL, 0, 0, escapement));
    SetTextColor(surface.dc(), RGB(255, 255, 255));
    SetTextColor(few.dc(), RGB(255, 255, 255));
    const TextWork before = TextWorkDone();
    ASSERT_TRUE(TextOutW(surface.dc(), 2, 2, run.c_str(), int(run.size())));
    const TextWork after = TextWorkDone();
    EXPECT_EQ(after.shapings - before.shapings, 1);
    EXPECT_LE(after.glyph_loads - before.glyph_loads, 6);  // about three W show
    ASSERT_TRUE(TextOutW(few.dc(), 2, 2, u"WWWWWW", 6));
    EXPECT_NE(surface.Words(), std::vector<std::uint32_t>(40 * 30, 0));
    EXPECT_EQ(surface.Words(), few.Words());
  }
}

TEST_F(TextDrawingTest, TextDrawsTheSameOn24BitSections) {
  const int w = 181, h = 60;  // rows of 543 bytes, padded to 544
  const std::vector<std::uint32_t> background = Pattern(w, h);
  TestSurface reference(w, h, 0);
  reference.SetWords(background);
  const LOGFONTW logfont = TestLogFont(u"Arial", -20, FW_BOLD, 1, 1);
  const std::u16string text = u"Mixed 日本 שלום";
  {
    SelectedFont font(reference.dc(), logfont);
    SetTextColor(reference.dc(), RGB(200, 100, 50));
    TextOutW(reference.dc(), 3, 5, text.c_str(), int(text.size()));
  }
  const std::vector<std::uint32_t> expected = reference.Words();
  for (LONG height : {h, -h}) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    ASSERT_NE(bits, nullptr);
    BITMAP described{};
    ASSERT_EQ(GetObjectW(section, sizeof described, &described), int(sizeof described));
    EXPECT_EQ(described.bmBitsPixel, 24);
    EXPECT_EQ(described.bmWidthBytes, 544);
    EXPECT_EQ(described.bmBits, bits);
    auto* bytes = static_cast<std::uint8_t*>(bits);
    auto row = [&](int y) { return bytes + std::size_t(height > 0 ? h - 1 - y : y) * 544; };
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint32_t word = background[std::size_t(y) * w + x];
        row(y)[3 * x] = BYTE(word), row(y)[3 * x + 1] = BYTE(word >> 8), row(y)[3 * x + 2] = BYTE(word >> 16);
      }
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous_bitmap = SelectObject(dc, section);
    {
      SelectedFont font(dc, logfont);
      SetTextColor(dc, RGB(200, 100, 50));
      EXPECT_TRUE(TextOutW(dc, 3, 5, text.c_str(), int(text.size())));
    }
    int differing = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* p = row(y) + 3 * x;
        const std::uint32_t got = p[0] | p[1] << 8 | p[2] << 16;
        differing += got != (expected[std::size_t(y) * w + x] & 0xFFFFFF);
      }
    EXPECT_EQ(differing, 0) << "height " << height;
    EXPECT_EQ(row(0)[543], 0);  // the padding stays as it was
    SelectObject(dc, previous_bitmap);
    DeleteObject(section);
    DeleteDC(dc);
  }
}

TEST_F(TextDrawingTest, ThreadsDrawWithTheSharedStockFontAlike) {
  auto draw = [] {
    TestSurface surface(200, 40, kBlack);
    SelectObject(surface.dc(), GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(surface.dc(), RGB(255, 255, 255));
    for (int i = 0; i < 20; ++i) TextOutW(surface.dc(), i, 5, u"Shared 日本 مرحبا", 15);
    std::vector<std::uint32_t> words = surface.Words();
    SelectObject(surface.dc(), GetStockObject(SYSTEM_FONT));
    return words;
  };
  std::vector<std::uint32_t> a, b;
  std::thread first([&] { a = draw(); });
  std::thread second([&] { b = draw(); });
  first.join();
  second.join();
  EXPECT_EQ(a, b);
  EXPECT_NE(a, std::vector<std::uint32_t>(a.size(), kBlack));
}

TEST_F(TextDrawingTest, AScreenContextMeasuresButHasNothingToDrawOn) {
  HDC screen = GetDC(nullptr);
  {
    SelectedFont font(screen, TestLogFont(u"Arial", -12));
    EXPECT_EQ(Extent(screen, u"Hxgy Hello").cx, 60);
    EXPECT_TRUE(TextOutW(screen, 0, 0, u"nothing", 7));
  }
  ReleaseDC(nullptr, screen);
  EXPECT_FALSE(TextOutW(nullptr, 0, 0, u"a", 1));
}

}  // namespace
}  // namespace vx::testing

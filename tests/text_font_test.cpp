// Logical fonts on the drawing layer: the stock fonts, face matching, metrics by GDI's
// rules, bad sizes, and the lifetime of font objects.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/surface/gdi_diagnostics.h"
#include "platform/text/font_catalog.h"
#include "tests/resize_test_support.h"
#include "tests/text_test_support.h"

namespace vx::testing {
namespace {

class TextFontTest : public LeakCheckedTest {
 protected:
  TestSurface surface_{8, 8, 0};
};

TEST_F(TextFontTest, StockGuiFontDescribesItselfAsGdiDoes) {
  HGDIOBJ gui = GetStockObject(DEFAULT_GUI_FONT);
  ASSERT_NE(gui, nullptr);
  EXPECT_EQ(GetObjectType(gui), OBJ_FONT);
  EXPECT_EQ(GetObjectW(gui, 0, nullptr), 92);
  LOGFONTW logfont;
  std::memset(&logfont, 0x5A, sizeof logfont);
  ASSERT_EQ(GetObjectW(gui, sizeof logfont, &logfont), 92);
  EXPECT_EQ(logfont.lfHeight, -11);
  EXPECT_EQ(logfont.lfWidth, 0);
  EXPECT_EQ(logfont.lfEscapement, 0);
  EXPECT_EQ(logfont.lfWeight, 400);
  EXPECT_EQ(logfont.lfItalic, 0);
  EXPECT_EQ(logfont.lfCharSet, 0);
  EXPECT_EQ(logfont.lfQuality, 0);
  EXPECT_EQ(logfont.lfPitchAndFamily, 34);
  EXPECT_EQ(std::u16string(logfont.lfFaceName), u"MS Shell Dlg");
  // A short buffer takes what fits.
  LONG height = 0;
  EXPECT_EQ(GetObjectW(gui, sizeof height, &height), int(sizeof height));
  EXPECT_EQ(height, -11);
  LOGFONTA ansi{};
  ASSERT_EQ(GetObjectA(gui, sizeof ansi, &ansi), 60);
  EXPECT_STREQ(ansi.lfFaceName, "MS Shell Dlg");
  EXPECT_EQ(ansi.lfHeight, -11);
  // Deleting a stock font does nothing.
  EXPECT_TRUE(DeleteObject(gui));
  EXPECT_EQ(GetObjectW(gui, 0, nullptr), 92);
}

TEST_F(TextFontTest, StockGuiFontSelectsTheBaseFont) {
  HGDIOBJ previous = SelectObject(surface_.dc(), GetStockObject(DEFAULT_GUI_FONT));
  EXPECT_EQ(Face(surface_.dc()), u"Liberation Sans");
  const TEXTMETRICW tm = Metrics(surface_.dc());
  EXPECT_EQ(tm.tmHeight, 12);
  EXPECT_EQ(tm.tmAscent, 10);
  EXPECT_EQ(tm.tmDescent, 2);
  EXPECT_EQ(tm.tmInternalLeading, 1);
  EXPECT_EQ(tm.tmExternalLeading, 0);
  EXPECT_EQ(tm.tmAveCharWidth, 6);
  EXPECT_EQ(tm.tmOverhang, 0);
  SelectObject(surface_.dc(), previous);
}

TEST_F(TextFontTest, NewContextStartsWithABoldSixteenPixelFont) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(Face(dc), u"Liberation Sans");
  const TEXTMETRICW tm = Metrics(dc);
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmAscent, 13);
  EXPECT_EQ(tm.tmWeight, 700);
  // Its font is a stock object: nothing to release.
  DeleteDC(dc);
}

TEST_F(TextFontTest, FacesMatchByNameOrByMetricCompatibleFamily) {
  const struct {
    const char16_t* asked;
    const char16_t* selected;
  } cases[] = {
      {u"Arial", u"Liberation Sans"},
      {u"ARIAL", u"Liberation Sans"},
      {u"times new roman", u"Liberation Serif"},
      {u"Courier New", u"Liberation Mono"},
      {u"Calibri", u"Carlito"},
      {u"Cambria", u"Caladea"},
      {u"liberation serif", u"Liberation Serif"},
      {u"DejaVu Sans Mono", u"DejaVu Sans Mono"},
      {u"dejavu sans light", u"DejaVu Sans Light"},
      {u"MS Shell Dlg", u"Liberation Sans"},
      {u"", u"Liberation Sans"},
      {u"NoSuchFont", u"Liberation Sans"},
      {u"Helvetica", u"Liberation Sans"},
      {u"Liberation Sans Narrow Condense", u"Liberation Sans"},
      {u"LiberationSans", u"Liberation Sans"},  // blanks count
  };
  for (const auto& c : cases) {
    SelectedFont font(surface_.dc(), TestLogFont(c.asked, -16));
    EXPECT_EQ(Face(surface_.dc()), c.selected) << std::string(c.asked, c.asked + std::char_traits<char16_t>::length(c.asked));
  }
}

TEST_F(TextFontTest, MetricsFollowTheWindowsMetricsOfTheFace) {
  const struct {
    const char16_t* face;
    LONG height;
    LONG tm_height, ascent, descent, internal, external;
  } cases[] = {
      // Liberation Sans: 2048 units, win 1854/434, line gap 67.
      {u"Arial", -12, 14, 11, 3, 1, 0},
      {u"Arial", -24, 27, 22, 5, 3, 1},
      {u"Arial", -48, 53, 43, 10, 6, 2},
      {u"Arial", 12, 12, 10, 2, 1, 0},
      {u"Arial", 8, 7, 6, 1, 1, 0},
      {u"Arial", 24, 23, 19, 4, 2, 1},
      {u"Arial", 72, 72, 58, 14, 8, 2},
      {u"Arial", 200, 200, 162, 38, 21, 6},
      {u"Arial", 0, 16, 13, 3, 2, 0},  // as 16
      // DejaVu Sans: win 1901/483, no line gap.
      {u"DejaVu Sans", -12, 14, 11, 3, 2, 0},
      {u"DejaVu Sans", 12, 11, 9, 2, 2, 0},
      {u"DejaVu Sans", 200, 201, 160, 41, 28, 0},
  };
  for (const auto& c : cases) {
    SelectedFont font(surface_.dc(), TestLogFont(c.face, c.height));
    const TEXTMETRICW tm = Metrics(surface_.dc());
    SCOPED_TRACE(::testing::Message() << "height " << c.height);
    EXPECT_EQ(tm.tmHeight, c.tm_height);
    EXPECT_EQ(tm.tmAscent, c.ascent);
    EXPECT_EQ(tm.tmDescent, c.descent);
    EXPECT_EQ(tm.tmInternalLeading, c.internal);
    EXPECT_EQ(tm.tmExternalLeading, c.external);
  }
}

TEST_F(TextFontTest, FamiliesWithoutBoldOrItalicFacesSynthesiseThem) {
  const std::u16string text = u"fjord WAVE";
  SIZE regular, bold, real_bold, real_regular;
  TEXTMETRICW regular_tm, bold_tm;
  {
    SelectedFont font(surface_.dc(), TestLogFont(u"DejaVu Sans Light", -36));
    regular = Extent(surface_.dc(), text);
    regular_tm = Metrics(surface_.dc());
  }
  {
    SelectedFont font(surface_.dc(), TestLogFont(u"DejaVu Sans Light", -36, FW_BOLD));
    bold = Extent(surface_.dc(), text);
    bold_tm = Metrics(surface_.dc());
    EXPECT_EQ(Face(surface_.dc()), u"DejaVu Sans Light");
  }
  // Emboldening adds a pixel to every glyph and to the average and widest widths.
  EXPECT_EQ(bold.cx, regular.cx + LONG(text.size()));
  EXPECT_EQ(bold_tm.tmAveCharWidth, regular_tm.tmAveCharWidth + 1);
  EXPECT_EQ(bold_tm.tmMaxCharWidth, regular_tm.tmMaxCharWidth + 1);
  EXPECT_EQ(bold_tm.tmHeight, regular_tm.tmHeight);
  // A family with a bold face uses it: wider by its own advances, not by a pixel a glyph.
  {
    SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -24));
    real_regular = Extent(surface_.dc(), text);
  }
  {
    SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -24, FW_BOLD));
    real_bold = Extent(surface_.dc(), text);
  }
  EXPECT_NE(real_bold.cx, real_regular.cx + LONG(text.size()));
  EXPECT_GT(real_bold.cx, real_regular.cx);
  // Italic keeps the advances.
  {
    SelectedFont font(surface_.dc(), TestLogFont(u"DejaVu Sans Light", -36, FW_NORMAL, 1));
    EXPECT_EQ(Extent(surface_.dc(), text).cx, regular.cx);
    EXPECT_EQ(Metrics(surface_.dc()).tmItalic, 255);
  }
}

TEST_F(TextFontTest, TextFaceIsCutToTheBuffer) {
  SelectedFont font(surface_.dc(), TestLogFont(u"Arial", -12));
  EXPECT_EQ(GetTextFaceW(surface_.dc(), 0, nullptr), 16);  // "Liberation Sans" and its zero
  WCHAR name[6];
  std::fill(std::begin(name), std::end(name), u'#');
  EXPECT_EQ(GetTextFaceW(surface_.dc(), 6, name), 6);
  EXPECT_EQ(std::u16string(name), u"Liber");
  EXPECT_EQ(GetTextFaceW(surface_.dc(), 0, name), 0);
  EXPECT_EQ(GetTextFaceW(nullptr, 6, name), 0);
}

TEST_F(TextFontTest, SizesBeyondTheLimitFailAsGdiCallsFail) {
  for (LONG height : {LONG{-16385}, LONG{-1000000}, LONG{INT32_MIN}, LONG{40000}}) {
    SelectedFont font(surface_.dc(), TestLogFont(u"Arial", height));
    ASSERT_NE(font.font(), nullptr);
    TEXTMETRICW tm;
    EXPECT_FALSE(GetTextMetricsW(surface_.dc(), &tm)) << height;
    SIZE size;
    EXPECT_FALSE(GetTextExtentPoint32W(surface_.dc(), u"a", 1, &size));
    EXPECT_FALSE(TextOutW(surface_.dc(), 0, 0, u"a", 1));
    RECT rect{0, 0, 8, 8};
    EXPECT_EQ(DrawTextW(surface_.dc(), u"a", 1, &rect, DT_CALCRECT), 0);
  }
  SelectedFont largest(surface_.dc(), TestLogFont(u"Arial", -16384));
  EXPECT_EQ(Metrics(surface_.dc()).tmAscent, 14832);
}

TEST_F(TextFontTest, FontsAreCountedAndASelectedFontCannotBeDeleted) {
  const long before = LiveGdiObjects().fonts;
  const LOGFONTW logfont = TestLogFont(u"Arial", -12);
  HFONT font = CreateFontIndirectW(&logfont);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(LiveGdiObjects().fonts, before + 1);
  HGDIOBJ previous = SelectObject(surface_.dc(), font);
  EXPECT_EQ(GetObjectType(previous), OBJ_FONT);
  EXPECT_FALSE(DeleteObject(font));
  EXPECT_EQ(SelectObject(surface_.dc(), previous), font);
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_EQ(LiveGdiObjects().fonts, before);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
  // A face name that fills the array without a terminating zero is cut, not overrun.
  LOGFONTW unterminated = logfont;
  std::fill(std::begin(unterminated.lfFaceName), std::end(unterminated.lfFaceName), u'x');
  HFONT long_name = CreateFontIndirectW(&unterminated);
  LOGFONTW back{};
  GetObjectW(long_name, sizeof back, &back);
  EXPECT_EQ(std::u16string(back.lfFaceName).size(), 31u);
  DeleteObject(long_name);
}

// A font file with its revision (the head table's fontRevision, 16.16) set.
std::vector<std::uint8_t> WithRevision(std::vector<std::uint8_t> font, std::uint32_t revision) {
  auto u16 = [&](std::size_t at) { return std::size_t(font.at(at) << 8 | font.at(at + 1)); };
  auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
  for (std::size_t table = 0; table < u16(4); ++table) {
    const std::size_t record = 12 + 16 * table;
    if (std::string(font.begin() + std::ptrdiff_t(record), font.begin() + std::ptrdiff_t(record) + 4) != "head") continue;
    const std::size_t at = u32(record + 8) + 4;
    for (int i = 0; i < 4; ++i) font.at(at + std::size_t(i)) = std::uint8_t(revision >> (24 - 8 * i));
    return font;
  }
  ADD_FAILURE() << "no head table";
  return font;
}

// Two revisions of one face side by side, as when an older package of a family is installed
// beside a newer one: the newer is chosen whichever comes first by path, and the choice of
// equal revisions goes by path alone.
TEST(FontCatalogTest, TheNewestRevisionOfAFaceIsChosenWhateverItsPath) {
  const text::FaceChoice installed = text::MatchFace(u"Caladea", FW_NORMAL, false);
  ASSERT_NE(installed.face, nullptr);
  ASSERT_EQ(installed.family, u"Caladea");
  const std::vector<std::uint8_t> face = ReadBytes(installed.face->path);
  const struct {
    std::uint32_t first, second;  // revisions of "a/face.ttf" and "b/face.ttf"
    const char* chosen;
  } cases[] = {
      {0x00010000, 0x00020000, "b"},
      {0x00020000, 0x00010000, "a"},
      {0x00011EB8, 0x00011EB8, "a"},  // 1.07 twice
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen);
    TempDir dir;
    std::filesystem::create_directories(dir.File("fonts/a"));
    std::filesystem::create_directories(dir.File("fonts/b"));
    WriteBytes(dir.File("fonts/a/face.ttf"), WithRevision(face, c.first));
    WriteBytes(dir.File("fonts/b/face.ttf"), WithRevision(face, c.second));
    const text::FontCatalog catalog({dir.File("fonts")}, dir.File("cache"));
    ASSERT_EQ(catalog.faces().size(), 2u);
    for (const char16_t* name : {u"Caladea", u"Cambria", u"No such face"}) {
      const text::FaceChoice choice = catalog.Match(name, FW_NORMAL, false);
      ASSERT_NE(choice.face, nullptr);
      EXPECT_EQ(choice.face->path, dir.File("fonts/") + c.chosen + "/face.ttf");
      EXPECT_EQ(choice.face->version, std::int32_t(std::max(c.first, c.second)));
    }
    EXPECT_EQ(catalog.Fallback(U'C', FW_NORMAL, false).face->path, dir.File("fonts/") + c.chosen + "/face.ttf");
  }
}

}  // namespace
}  // namespace vx::testing

// Pens and Rectangle in the drawing layer.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "tests/gdi_test_surface.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

constexpr std::uint32_t kGrey = 0x00808080, kWhite = 0x00FFFFFF, kBlack = 0, kRed = 0x00FF0000;

// A picture as rows of letters, one a pixel: '.' grey, 'W' white, 'B' black, 'R' red.
std::vector<std::string> Letters(const TestSurface& s, int width, int height) {
  std::vector<std::string> rows;
  const auto words = s.Words();
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      switch (words[std::size_t(y) * width + x] & 0x00FFFFFF) {
        case kGrey: row += '.'; break;
        case kWhite: row += 'W'; break;
        case kBlack: row += 'B'; break;
        case kRed: row += 'R'; break;
        default: row += '?';
      }
    }
    rows.push_back(row);
  }
  return rows;
}

class PenTest : public LeakCheckedTest {};

TEST_F(PenTest, DefaultPenOutlinesTheOutermostPixelsAndTheBrushFillsWithin) {
  TestSurface s(7, 6, kGrey);  // a new context: black pen, white brush
  EXPECT_TRUE(Rectangle(s.dc(), 1, 1, 6, 5));
  EXPECT_EQ(Letters(s, 7, 6), (std::vector<std::string>{
                                  ".......",
                                  ".BBBBB.",
                                  ".BWWWB.",
                                  ".BWWWB.",
                                  ".BBBBB.",
                                  ".......",
                              }));
  // Corners in any order draw the same; a rectangle of no width draws nothing.
  TestSurface t(7, 6, kGrey);
  EXPECT_TRUE(Rectangle(t.dc(), 6, 5, 1, 1));
  EXPECT_EQ(t.Words(), s.Words());
  EXPECT_TRUE(Rectangle(t.dc(), 3, 0, 3, 6));
  EXPECT_EQ(t.Words(), s.Words());
  EXPECT_FALSE(Rectangle(nullptr, 0, 0, 2, 2));
}

TEST_F(PenTest, ANullPenLeavesTheBrushOnePixelShortAndANullBrushFillsNothing) {
  TestSurface s(6, 5, kGrey);
  HGDIOBJ previous = SelectObject(s.dc(), GetStockObject(NULL_PEN));
  Rectangle(s.dc(), 1, 1, 5, 4);
  EXPECT_EQ(Letters(s, 6, 5), (std::vector<std::string>{
                                  "......",
                                  ".WWW..",
                                  ".WWW..",
                                  "......",
                                  "......",
                              }));
  SelectObject(s.dc(), previous);
  TestSurface t(6, 5, kGrey);
  previous = SelectObject(t.dc(), GetStockObject(NULL_BRUSH));
  Rectangle(t.dc(), 0, 0, 6, 5);
  EXPECT_EQ(Letters(t, 6, 5), (std::vector<std::string>{
                                  "BBBBBB",
                                  "B....B",
                                  "B....B",
                                  "B....B",
                                  "BBBBBB",
                              }));
  SelectObject(t.dc(), previous);
}

TEST_F(PenTest, WidePensAreCentredOnTheOutlineWithRoundedOuterCorners) {
  HPEN three = CreatePen(PS_SOLID, 3, RGB(255, 0, 0));
  HPEN two = CreatePen(PS_SOLID, 2, RGB(255, 0, 0));
  HPEN five = CreatePen(PS_SOLID, -5, RGB(255, 0, 0));  // the sign of a width means nothing
  ASSERT_TRUE(three && two && five);

  TestSurface s(10, 10, kGrey);
  HGDIOBJ previous = SelectObject(s.dc(), three);
  Rectangle(s.dc(), 2, 2, 8, 8);  // outline through columns and rows 2 and 7
  EXPECT_EQ(Letters(s, 10, 10), (std::vector<std::string>{
                                    "..........",
                                    ".RRRRRRRR.",
                                    ".RRRRRRRR.",
                                    ".RRRRRRRR.",
                                    ".RRRWWRRR.",
                                    ".RRRWWRRR.",
                                    ".RRRRRRRR.",
                                    ".RRRRRRRR.",
                                    ".RRRRRRRR.",
                                    "..........",
                                }));
  SelectObject(s.dc(), previous);
  // An even width reaches one pixel further up and left.
  TestSurface t(10, 10, kGrey);
  SelectObject(t.dc(), two);
  Rectangle(t.dc(), 2, 2, 8, 8);
  EXPECT_EQ(Letters(t, 10, 10), (std::vector<std::string>{
                                    "..........",
                                    "..RRRRRR..",
                                    ".RRRRRRR..",
                                    ".RRWWWRR..",
                                    ".RRWWWRR..",
                                    ".RRWWWRR..",
                                    ".RRRRRRR..",
                                    ".RRRRRRR..",
                                    "..........",
                                    "..........",
                                }));
  SelectObject(t.dc(), previous);
  TestSurface u(12, 12, kGrey);
  SelectObject(u.dc(), five);
  Rectangle(u.dc(), 3, 3, 9, 9);
  EXPECT_EQ(Letters(u, 12, 12)[1], "..RRRRRRRR..");  // the corners are cut
  EXPECT_EQ(Letters(u, 12, 12)[2], ".RRRRRRRRRR.");
  SelectObject(u.dc(), previous);
  for (HPEN pen : {three, two, five}) EXPECT_TRUE(DeleteObject(pen));
}

TEST_F(PenTest, OutlinesClipToTheSurface) {
  TestSurface s(4, 4, kGrey);
  HPEN wide = CreatePen(PS_SOLID, 7, RGB(255, 0, 0));
  HGDIOBJ previous = SelectObject(s.dc(), wide);
  Rectangle(s.dc(), -100, -100, 3, 3);
  EXPECT_EQ(Letters(s, 4, 4), (std::vector<std::string>{"RRRR", "RRRR", "RRRR", "RRRR"}));
  SelectObject(s.dc(), previous);
  DeleteObject(wide);
  TestSurface t(4, 4, kGrey);
  Rectangle(t.dc(), INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);  // all inside: white
  EXPECT_EQ(t.At(0, 0), kWhite);
}

TEST_F(PenTest, StockPensAndPenStyles) {
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), OBJ_PEN);
  EXPECT_EQ(GetObjectType(GetStockObject(WHITE_PEN)), OBJ_PEN);
  EXPECT_EQ(GetObjectType(GetStockObject(NULL_PEN)), OBJ_PEN);
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));  // ignored
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_PEN)), OBJ_PEN);

  TestSurface s(3, 3, kGrey);
  HGDIOBJ previous = SelectObject(s.dc(), GetStockObject(WHITE_PEN));
  SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
  Rectangle(s.dc(), 0, 0, 3, 3);
  EXPECT_EQ(Letters(s, 3, 3), (std::vector<std::string>{"WWW", "WBW", "WWW"}));
  SelectObject(s.dc(), previous);
  SelectObject(s.dc(), GetStockObject(WHITE_BRUSH));

  HPEN zero = CreatePen(PS_SOLID, 0, RGB(255, 0, 0));  // width 0: one pixel
  TestSurface t(3, 3, kGrey);
  previous = SelectObject(t.dc(), zero);
  Rectangle(t.dc(), 0, 0, 3, 3);
  EXPECT_EQ(Letters(t, 3, 3), (std::vector<std::string>{"RRR", "RWR", "RRR"}));
  SelectObject(t.dc(), previous);
  DeleteObject(zero);
  EXPECT_EQ(CreatePen(1 /* PS_DASH */, 1, 0), nullptr);  // no style but solid and null
}

}  // namespace
}  // namespace vx::testing

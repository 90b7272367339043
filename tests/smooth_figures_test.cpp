// Antialiased lines and ellipses: the exact pixel values of the worked examples, end points,
// corner orders, degenerate boxes and pixels off the surface.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "gdi/vxgdi.h"
#include "tests/gdi_test_surface.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

using Greys = std::vector<std::vector<int>>;

constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The grey level of every pixel; a pixel whose channels differ shows as -1.
Greys GreysOf(const TestSurface& s) {
  Greys rows(std::size_t(s.height()), std::vector<int>(std::size_t(s.width())));
  const auto words = s.Words();
  for (int y = 0; y < s.height(); ++y) {
    for (int x = 0; x < s.width(); ++x) {
      const std::uint32_t w = words[std::size_t(y) * s.width() + x];
      const int b = w & 0xFF, g = (w >> 8) & 0xFF, r = (w >> 16) & 0xFF;
      rows[y][x] = b == g && g == r ? b : -1;
    }
  }
  return rows;
}

Greys Line(int w, int h, int x1, int y1, int x2, int y2) {
  TestSurface s(w, h, kWhite);
  CvxGDI::DrawSmoothLine(s.dc(), x1, y1, x2, y2, kBlack);
  return GreysOf(s);
}

Greys Ellipse(int w, int h, int x1, int y1, int x2, int y2) {
  TestSurface s(w, h, kWhite);
  CvxGDI::DrawSmoothEllipse(s.dc(), x1, y1, x2, y2, kBlack);
  return GreysOf(s);
}

class SmoothFigureTest : public LeakCheckedTest {};

TEST_F(SmoothFigureTest, ShallowLineSplitsEachColumnBetweenTwoRows) {
  const Greys expected = {
      {0, 63, 127, 191, 255},
      {255, 191, 127, 63, 0},
      {255, 255, 255, 255, 255},
  };
  EXPECT_EQ(Line(5, 3, 0, 0, 4, 1), expected);
  EXPECT_EQ(Line(5, 3, 4, 1, 0, 0), expected);  // either way round
  // Steep: the same, columns and rows exchanged.
  EXPECT_EQ(Line(3, 5, 0, 0, 1, 4), (Greys{{0, 255, 255}, {63, 191, 255}, {127, 127, 255},
                                           {191, 63, 255}, {255, 0, 255}}));
}

TEST_F(SmoothFigureTest, LinesAlongAnAxisOrADiagonalAreExact) {
  EXPECT_EQ(Line(4, 2, 0, 0, 3, 0), (Greys{{0, 0, 0, 0}, {255, 255, 255, 255}}));
  EXPECT_EQ(Line(2, 3, 1, 2, 1, 0), (Greys{{255, 0}, {255, 0}, {255, 0}}));
  // An exact diagonal takes the steep path: every near pixel gets the colour, and the far
  // pixels to its right are written back unchanged.
  EXPECT_EQ(Line(3, 3, 0, 0, 2, 2), (Greys{{0, 255, 255}, {255, 0, 255}, {255, 255, 0}}));
  EXPECT_EQ(Line(3, 3, 2, 0, 0, 2), (Greys{{255, 255, 0}, {255, 0, 255}, {0, 255, 255}}));
  EXPECT_EQ(Line(3, 2, 1, 1, 1, 1), (Greys{{255, 255, 255}, {255, 0, 255}}));  // a point
  EXPECT_EQ(Line(3, 2, 0, 0, 1, 1), (Greys{{0, 255, 255}, {255, 0, 255}}));    // ends only
}

TEST_F(SmoothFigureTest, ExactPlotsTakeTheColourAndBlendsOnlyItsChannels) {
  TestSurface s(5, 3, 0x00102030);
  const COLORREF colour = 0x02C08040;  // a top byte that is no colour
  CvxGDI::DrawSmoothLine(s.dc(), 0, 0, 4, 1, colour);
  EXPECT_EQ(s.At(0, 0), 0x004080C0u);  // the colour as a DIB word, without its top byte
  // (1, 0) near with f = 0.25: trunc(B x 0.25) + trunc(C x 0.75) for each channel.
  const int red = 0x10 / 4 + 0x40 * 3 / 4, green = 0x20 / 4 + 0x80 * 3 / 4, blue = 0x30 / 4 + 0xC0 * 3 / 4;
  EXPECT_EQ(s.At(1, 0), std::uint32_t(red << 16 | green << 8 | blue));
}

TEST_F(SmoothFigureTest, PixelsOffTheSurfaceAreSkipped) {
  // The part of the line within the surface is as if the surface were larger.
  const Greys whole = Line(9, 4, -3, 0, 8, 3);
  Greys wider = Line(15, 4, 3, 0, 14, 3);  // the same line moved 6 right on a wider surface
  for (auto& row : wider) row.erase(row.begin(), row.begin() + 6);
  EXPECT_EQ(whole, wider);
  // Wholly off the surface, or on no surface: nothing, and no failure.
  TestSurface t(3, 3, kWhite);
  CvxGDI::DrawSmoothLine(t.dc(), 100, 100, 200, 150, kBlack);
  CvxGDI::DrawSmoothEllipse(t.dc(), 100, 100, 200, 150, kBlack);
  CvxGDI::DrawSmoothLine(nullptr, 0, 0, 2, 2, kBlack);
  EXPECT_EQ(GreysOf(t), Greys(3, std::vector<int>(3, 255)));
}

// Positions below zero truncate toward zero, as the arithmetic is written: the fraction is
// then negative and the weights leave 0 to 1. From (0, 0) to (4, -1), the columns between
// stay on rows 0 and 1 with these values.
TEST_F(SmoothFigureTest, PositionsBelowZeroFollowTheTruncation) {
  // (1, 0): trunc(255 x -0.25) = -63, low 8 bits 193; (1, 1): trunc(255 x 1.25) = 318 -> 62.
  EXPECT_EQ(Line(5, 2, 0, 0, 4, -1), (Greys{{0, 193, 129, 65, 255}, {255, 62, 126, 190, 255}}));
}

TEST_F(SmoothFigureTest, SmallEllipseHasTheWorkedValues) {
  const Greys expected = {
      {255, 68, 0, 68, 255},
      {68, 136, 255, 136, 68},
      {0, 255, 255, 255, 0},
      {68, 136, 255, 136, 68},
      {255, 68, 0, 68, 255},
  };
  EXPECT_EQ(Ellipse(5, 5, 0, 0, 4, 4), expected);
  EXPECT_EQ(Ellipse(5, 5, 4, 4, 0, 0), expected);
  EXPECT_EQ(Ellipse(5, 5, 0, 4, 4, 0), expected);
  EXPECT_EQ(Ellipse(5, 5, 4, 0, 0, 4), expected);
}

TEST_F(SmoothFigureTest, CirclesIgnoreTheOddPixelOfTheirBox) {
  const Greys ten = Ellipse(13, 13, 0, 0, 10, 10);
  EXPECT_EQ(Ellipse(13, 13, 0, 0, 11, 11), ten);
  EXPECT_EQ(Ellipse(13, 13, 10, 10, 0, 0), ten);
  EXPECT_EQ(Ellipse(13, 13, 0, 10, 10, 0), ten);
  for (auto [x, y] : std::initializer_list<std::pair<int, int>>{{5, 0}, {5, 10}, {0, 5}, {10, 5}}) EXPECT_EQ(ten[y][x], 0);
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(ten[11][i], 255);  // the ellipse never reaches the box's last row or column
    EXPECT_EQ(ten[i][11], 255);
  }
}

// a = 10, b = 5, K = 2: values from an independent rendering of the same arithmetic.
TEST_F(SmoothFigureTest, WideEllipseHasTheArithmeticsValues) {
  const Greys expected = {
      {255, 255, 255, 255, 255, 170, 106, 58, 25, 6, 0, 6, 25, 58, 106, 170, 255, 255, 255, 255, 255, 255},
      {255, 255, 255, 109, 0, 84, 148, 196, 229, 248, 255, 248, 229, 196, 148, 84, 0, 109, 255, 255, 255, 255},
      {255, 209, 0, 145, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 145, 0, 209, 255, 255},
      {212, 7, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 7, 212, 255},
      {51, 203, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 203, 51, 255},
      {0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 255},
      {51, 203, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 203, 51, 255},
      {212, 7, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 7, 212, 255},
      {255, 209, 0, 145, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 145, 0, 209, 255, 255},
      {255, 255, 255, 109, 0, 84, 148, 196, 229, 248, 255, 248, 229, 196, 148, 84, 0, 109, 255, 255, 255, 255},
      {255, 255, 255, 255, 255, 170, 106, 58, 25, 6, 0, 6, 25, 58, 106, 170, 255, 255, 255, 255, 255, 255},
      std::vector<int>(22, 255),
  };
  EXPECT_EQ(Ellipse(22, 12, 0, 0, 20, 10), expected);
}

// A box less than 2 pixels wide or high has a zero semi-axis: the ellipse is drawn as the
// segment it flattens to, in the exact colour.
TEST_F(SmoothFigureTest, FlatBoxesDrawTheirSegment) {
  // Box rows 0 to 5: centre row 2, semi-axis 2, so rows 0 to 4 (as the ellipse would).
  EXPECT_EQ(Ellipse(3, 6, 1, 0, 1, 5), (Greys{{255, 0, 255}, {255, 0, 255}, {255, 0, 255},
                                              {255, 0, 255}, {255, 0, 255}, {255, 255, 255}}));
  EXPECT_EQ(Ellipse(7, 2, 6, 1, 0, 0), (Greys{std::vector<int>(7, 0), std::vector<int>(7, 255)}));
  EXPECT_EQ(Ellipse(3, 3, 1, 1, 1, 1), (Greys{{255, 255, 255}, {255, 0, 255}, {255, 255, 255}}));
}

}  // namespace
}  // namespace vx::testing

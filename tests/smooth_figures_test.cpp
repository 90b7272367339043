// Antialiased lines and ellipses: the exact pixel values of the worked examples, end points,
// corner orders, degenerate boxes and pixels off the surface.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

#include "gdi/float_steps.h"
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

// The line as its arithmetic reads, every step made, each pixel read and written where it
// lies on the surface: what DrawSmoothLine must draw however far off the surface it starts.
void PlainLine(const TestSurface& s, int x1, int y1, int x2, int y2, COLORREF colour) {
  auto blend = [&](std::int64_t x, std::int64_t y, double below_weight, double colour_weight) {
    if (x < 0 || y < 0 || x >= s.width() || y >= s.height()) return;
    const COLORREF below = GetPixel(s.dc(), int(x), int(y));
    COLORREF mixed = 0;
    for (int shift : {0, 8, 16}) {
      const int channel = int(((below >> shift) & 0xFF) * below_weight) + int(((colour >> shift) & 0xFF) * colour_weight);
      mixed |= COLORREF(channel & 0xFF) << shift;
    }
    SetPixel(s.dc(), int(x), int(y), mixed);
  };
  SetPixel(s.dc(), x1, y1, colour);
  const bool shallow = std::llabs(std::int64_t{x2} - x1) > std::llabs(std::int64_t{y2} - y1);
  std::int64_t m1 = shallow ? x1 : y1, c1 = shallow ? y1 : x1, m2 = shallow ? x2 : y2, c2 = shallow ? y2 : x2;
  if (m2 < m1) {
    std::swap(m1, m2);
    std::swap(c1, c2);
  }
  if (m2 - m1 >= 2) {
    const float gradient = static_cast<float>(c2 - c1) / static_cast<float>(m2 - m1);
    float c = static_cast<float>(c1) + gradient;
    for (std::int64_t m = m1 + 1; m < m2; ++m) {
      const auto whole = static_cast<std::int64_t>(c);
      const float f = c - static_cast<float>(whole);
      const std::int64_t near_x = shallow ? m : whole, near_y = shallow ? whole : m;
      blend(near_x, near_y, f, 1.0 - double(f));
      blend(shallow ? m : whole + 1, shallow ? whole + 1 : m, 1.0 - double(f), f);
      c = c + gradient;
    }
  }
  SetPixel(s.dc(), x2, y2, colour);
}

// Many additions of a float step, found without making them, against making them.
TEST_F(SmoothFigureTest, FloatStepsSkippedEqualFloatStepsMade) {
  // Steps that tie on the grid of the values they meet, and runs through many binades and
  // across zero.
  struct Run {
    float start, step;
    std::uint64_t steps;
  };
  const Run runs[] = {
      {25165824.f, 3.f, 1u << 20}, {25165826.f, 3.f, 1u << 20},  {25165826.f, -3.f, 1u << 20},
      {-25165826.f, 5.f, 1u << 20}, {8388609.f, 0.5f, 1u << 12}, {8388609.f, 1.5f, 1u << 22},
      {1.f, 1.f / 3.f, 1u << 22},   {-1e6f, 0.7f, 1u << 22},     {3e9f, -777.25f, 1u << 22},
      {0.f, 1.f / 1024.f, 1u << 22}, {-0.f, -2.5e-7f, 1u << 20}, {4e9f, 1e-3f, 1u << 10},
  };
  for (const Run& r : runs) {
    float value = r.start;
    for (std::uint64_t made = 1; made <= r.steps; ++made) {
      value = vx::AddInFloat(value, r.step);
      if (made == r.steps || made % 1009 == 0) {
        ASSERT_EQ(vx::AfterFloatSteps(r.start, r.step, made), value)
            << "start " << r.start << " step " << r.step << " steps " << made;
      }
    }
  }
  std::mt19937_64 random(18);
  for (int run = 0; run < 400; ++run) {
    // Steps as lines make them: whole rises over whole runs, some with halves that tie.
    const std::int64_t length = std::int64_t(1) << (random() % 33);
    const std::int64_t rise = std::int64_t(random() % (2 * length + 1)) - length;
    const float step = run % 4 == 0 ? std::ldexp(float(random() % 64) + 0.5f, -int(random() % 30))
                                     : static_cast<float>(rise) / static_cast<float>(length + 1);
    float value = static_cast<float>(std::int64_t(random() % (std::uint64_t(1) << 34)) - (std::int64_t(1) << 33));
    if (run % 3 == 0) value = std::ldexp(value, -int(random() % 40));
    const float start = value;
    const std::uint64_t total = 1 + random() % (run < 20 ? (1u << 22) : (1u << 16));
    for (std::uint64_t made = 1; made <= total; ++made) {
      value = vx::AddInFloat(value, step);
      if (made == total || made % 997 == 0) {
        ASSERT_EQ(vx::AfterFloatSteps(start, step, made), value)
            << "start " << start << " step " << step << " steps " << made;
      }
    }
  }
}

// Lines reaching far off a small surface: their pixels on it are those of every step made.
TEST_F(SmoothFigureTest, LinesFarOffTheSurfaceDrawWhatEveryStepWouldDraw) {
  struct Ends {
    int x1, y1, x2, y2;
  };
  const Ends lines[] = {
      {-3000000, 11, 3000000, 29},  {3000000, 40, -3000000, -7},    {-1000003, -99997, 50, 20},
      {17, -2000000, 23, 2000000},  {60, 999999, -5, -1000000},     {-700001, 700001, 700001, -700001},
      {-2500000, 24, 40, 24},       {-1234567, 1, 1234567, 46},     {31, 47, -1999999, -98765},
  };
  for (const Ends& e : lines) {
    TestSurface fast(64, 48, 0x00C08040), plain(64, 48, 0x00C08040);
    CvxGDI::DrawSmoothLine(fast.dc(), e.x1, e.y1, e.x2, e.y2, RGB(10, 200, 90));
    PlainLine(plain, e.x1, e.y1, e.x2, e.y2, RGB(10, 200, 90));
    EXPECT_EQ(fast.Words(), plain.Words()) << e.x1 << ", " << e.y1 << " to " << e.x2 << ", " << e.y2;
    EXPECT_NE(fast.Words(), TestSurface(64, 48, 0x00C08040).Words());
  }
}

// Figures across the whole coordinate range cost what their part on the surface costs.
TEST_F(SmoothFigureTest, FiguresAcrossTheWholeRangeDrawOnlyWhatShows) {
  TestSurface s(640, 480, kWhite);
  CvxGDI::DrawSmoothLine(s.dc(), INT_MIN + 1, 240, INT_MAX - 1, 240, kBlack);
  CvxGDI::DrawSmoothLine(s.dc(), 320, INT_MAX, 320, INT_MIN, kBlack);
  CvxGDI::DrawSmoothLine(s.dc(), -100000000, 100, 100000000, 100, kBlack);
  CvxGDI::DrawSmoothLine(nullptr, INT_MIN, INT_MIN, INT_MAX, INT_MAX, kBlack);
  const Greys after_lines = GreysOf(s);
  for (int x = 0; x < 640; ++x) {
    EXPECT_EQ(after_lines[240][x], 0);
    EXPECT_EQ(after_lines[100][x], 0);
    EXPECT_EQ(after_lines[241][x], x == 320 ? 0 : 255);  // the far row is written back unchanged
  }
  for (int y = 0; y < 480; ++y) EXPECT_EQ(after_lines[y][320], 0);
  EXPECT_EQ(after_lines[0][0], 255);
  // An ellipse 640 wide and 10^8 high, and one across the whole range: only their sides and
  // nothing of the rest.
  TestSurface e(640, 480, kWhite);
  CvxGDI::DrawSmoothEllipse(e.dc(), 0, -50000000, 640, 50000000, kBlack);
  CvxGDI::DrawSmoothEllipse(e.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, kBlack);
  CvxGDI::DrawSmoothEllipse(e.dc(), 100, INT_MIN, 100, INT_MAX, kBlack);  // flat: a column
  CvxGDI::DrawSmoothEllipse(nullptr, INT_MIN, INT_MIN, INT_MAX, INT_MAX, kBlack);
  const Greys ellipse = GreysOf(e);
  for (int y = 0; y < 480; ++y) {
    EXPECT_EQ(ellipse[y][0], 0) << y;  // the left side, a = 320 wide of the centre 320
    EXPECT_EQ(ellipse[y][100], 0) << y;
    EXPECT_EQ(ellipse[y][320], 255) << y;
  }
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

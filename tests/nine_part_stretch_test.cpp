// DrawDCtoDC2: the nine-part stretch between contexts.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "gdi/vxgdi.h"
#include "tests/gdi_test_surface.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class NinePartStretchTest : public LeakCheckedTest {};

// The words of a picture whose pixel (x, y) has red 10x, green 10y, blue 7.
std::vector<std::uint32_t> CodedWords(int width, int height) {
  std::vector<std::uint32_t> words;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) words.push_back(std::uint32_t(10 * x) << 16 | std::uint32_t(10 * y) << 8 | 7);
  return words;
}

int Red(std::uint32_t word) { return int(word >> 16) & 0xFF; }
int Green(std::uint32_t word) { return int(word >> 8) & 0xFF; }

struct Slices {
  int left, right, top, bottom;
};

TEST_F(NinePartStretchTest, EqualSizesReproduceTheSourceRectangle) {
  TestSurface source(12, 10, 0);
  source.SetWords(CodedWords(12, 10));
  for (Slices s : {Slices{0, 0, 0, 0}, Slices{2, 3, 1, 4}, Slices{5, 0, 0, 6}, Slices{4, 4, 3, 3},
                   Slices{8, 0, 6, 0}}) {
    SCOPED_TRACE(::testing::Message() << s.left << " " << s.right << " " << s.top << " " << s.bottom);
    TestSurface dest(12, 10, 0x00404040);
    CvxGDI::DrawDCtoDC2(dest.dc(), 1, 2, 8, 6, source.dc(), 3, 1, 8, 6, s.left, s.right, s.top, s.bottom);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) {
        const bool inside = x >= 1 && x < 9 && y >= 2 && y < 8;
        const std::uint32_t expected = inside ? source.At(x + 2, y - 1) : 0x00404040u;
        ASSERT_EQ(dest.At(x, y), expected) << "at (" << x << ", " << y << ")";
      }
  }
}

TEST_F(NinePartStretchTest, WithoutSlicesItIsAPlainHalftoneStretch) {
  TestSurface source(9, 7, 0);
  source.SetWords(CodedWords(9, 7));
  struct Case {
    int width, height;
  };
  for (Case c : {Case{4, 3}, Case{20, 15}, Case{5, 12}}) {
    TestSurface nine(20, 15, 0), plain(20, 15, 0);
    CvxGDI::DrawDCtoDC2(nine.dc(), 0, 0, c.width, c.height, source.dc(), 1, 1, 7, 5, 0, 0, 0, 0);
    SetStretchBltMode(plain.dc(), HALFTONE);
    StretchBlt(plain.dc(), 0, 0, c.width, c.height, source.dc(), 1, 1, 7, 5, SRCCOPY);
    EXPECT_EQ(nine.Words(), plain.Words()) << c.width << "x" << c.height;
  }
}

// A 10 x 8 source onto 20 x 16 with slices left 2, right 3, top 1, bottom 4.
TEST_F(NinePartStretchTest, CornersKeepTheirSizeAndEdgesStretchOneWay) {
  TestSurface source(10, 8, 0);
  source.SetWords(CodedWords(10, 8));
  TestSurface dest(20, 16, 0);
  const int W = 20, H = 16, SW = 10, SH = 8, L = 2, R = 3, T = 1, B = 4;
  CvxGDI::DrawDCtoDC2(dest.dc(), 0, 0, W, H, source.dc(), 0, 0, SW, SH, L, R, T, B);
  // Source column of destination column x when it lies in a slice, -1 in the middle.
  auto slice_column = [&](int x) { return x < L ? x : x >= W - R ? x - (W - SW) : -1; };
  auto slice_row = [&](int y) { return y < T ? y : y >= H - B ? y - (H - SH) : -1; };
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      SCOPED_TRACE(::testing::Message() << "at (" << x << ", " << y << ")");
      const int sx = slice_column(x), sy = slice_row(y);
      const std::uint32_t word = dest.At(x, y);
      if (sx >= 0 && sy >= 0) {
        ASSERT_EQ(word, source.At(sx, sy));  // a corner: copied
      } else if (sy >= 0) {
        ASSERT_EQ(Green(word), 10 * sy);  // top or bottom edge: only stretched across
        ASSERT_GE(Red(word), 10 * L);
        ASSERT_LE(Red(word), 10 * (SW - R - 1));
      } else if (sx >= 0) {
        ASSERT_EQ(Red(word), 10 * sx);  // left or right edge: only stretched down
        ASSERT_GE(Green(word), 10 * T);
        ASSERT_LE(Green(word), 10 * (SH - B - 1));
      }
    }
  }
  // The top edge's 5 middle columns spread over 15: the first centre lies before that of
  // source column 2, which it repeats; the third lies a third of the way to column 3.
  EXPECT_EQ(Red(dest.At(L, 0)), 20);
  EXPECT_EQ(Red(dest.At(L + 1, 0)), 20);
  EXPECT_EQ(Red(dest.At(L + 2, 0)), 23);  // 20 + 10 / 3, rounded
}

// Only what can show is composed: a rectangle reaching past every edge of the destination
// shows what it shows on a destination large enough to hold it, and one no layer could hold
// still draws its visible corner.
TEST_F(NinePartStretchTest, RectangleOverhangingTheDestinationShowsTheSamePixels) {
  TestSurface source(10, 8, 0);
  source.SetWords(CodedWords(10, 8));
  // On the large destination the small one's (0, 0) lies at (30, 20).
  TestSurface large(100, 80, 0x00404040), small(9, 7, 0x00404040);
  CvxGDI::DrawDCtoDC2(large.dc(), 3, 2, 94, 75, source.dc(), 0, 0, 10, 8, 2, 3, 1, 4);
  CvxGDI::DrawDCtoDC2(small.dc(), -27, -18, 94, 75, source.dc(), 0, 0, 10, 8, 2, 3, 1, 4);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) ASSERT_EQ(small.At(x, y), large.At(x + 30, y + 20)) << x << ", " << y;

  TestSurface huge(4, 3, 0x00404040);
  CvxGDI::DrawDCtoDC2(huge.dc(), 0, 0, 1 << 30, 1 << 30, source.dc(), 0, 0, 10, 8, 2, 3, 1, 4);
  for (int x = 0; x < 2; ++x) EXPECT_EQ(huge.At(x, 0), source.At(x, 0)) << x;  // the top-left corner
  EXPECT_EQ(Green(huge.At(0, 2)), 10);  // the left edge stretched down from source row 1
}

TEST_F(NinePartStretchTest, LeavesTheDestinationStretchModeAlone) {
  TestSurface source(4, 4, 0), dest(8, 8, 0);
  source.SetWords(CodedWords(4, 4));
  SetStretchBltMode(dest.dc(), COLORONCOLOR);
  CvxGDI::DrawDCtoDC2(dest.dc(), 0, 0, 8, 8, source.dc(), 0, 0, 4, 4, 1, 1, 1, 1);
  EXPECT_EQ(GetStretchBltMode(dest.dc()), COLORONCOLOR);
}

TEST_F(NinePartStretchTest, BadSizesAndSlicesDrawNothing) {
  TestSurface source(8, 8, 0);
  source.SetWords(CodedWords(8, 8));
  struct Case {
    int width, height, source_width, source_height;
    Slices slices;
  };
  const Case cases[] = {
      {0, 6, 6, 6, {0, 0, 0, 0}},  {6, 0, 6, 6, {0, 0, 0, 0}},  {6, 6, 0, 6, {0, 0, 0, 0}},
      {6, 6, 6, -1, {0, 0, 0, 0}}, {-6, 6, 6, 6, {0, 0, 0, 0}}, {6, 6, 6, 6, {-1, 0, 0, 0}},
      {6, 6, 6, 6, {0, 0, 0, -2}}, {6, 6, 4, 6, {2, 3, 0, 0}},  {3, 6, 6, 6, {2, 2, 0, 0}},
      {6, 5, 6, 6, {0, 0, 3, 3}},  {6, 6, 6, 4, {0, 0, 3, 2}},  {6, 6, 6, 6, {INT_MAX, INT_MAX, 0, 0}},
  };
  for (const Case& c : cases) {
    TestSurface dest(8, 8, 0x00404040);
    CvxGDI::DrawDCtoDC2(dest.dc(), 0, 0, c.width, c.height, source.dc(), 0, 0, c.source_width,
                        c.source_height, c.slices.left, c.slices.right, c.slices.top, c.slices.bottom);
    EXPECT_EQ(dest.Words(), std::vector<std::uint32_t>(64, 0x00404040))
        << c.width << "x" << c.height << " from " << c.source_width << "x" << c.source_height;
  }
  // A source rectangle past the largest coordinate, and missing contexts.
  TestSurface dest(8, 8, 0x00404040);
  CvxGDI::DrawDCtoDC2(dest.dc(), 0, 0, 4, 4, source.dc(), INT_MAX - 2, 0, 4, 4, 1, 1, 1, 1);
  CvxGDI::DrawDCtoDC2(nullptr, 0, 0, 4, 4, source.dc(), 0, 0, 4, 4, 1, 1, 1, 1);
  EXPECT_EQ(dest.Words(), std::vector<std::uint32_t>(64, 0x00404040));
}

}  // namespace
}  // namespace vx::testing

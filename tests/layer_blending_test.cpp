// BitBltDCByTransparent and BitBltDCByMaskDC: one surface laid over another with one
// opacity or through a mask.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "gdi/vxgdi.h"
#include "tests/gdi_test_surface.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class LayerBlendingTest : public LeakCheckedTest {};

// Words that differ from pixel to pixel in every byte, the fourth included.
std::vector<std::uint32_t> Pattern(int count, std::uint32_t seed) {
  std::vector<std::uint32_t> words;
  for (int i = 0; i < count; ++i) {
    seed = seed * 1664525u + 1013904223u;
    words.push_back(seed);
  }
  return words;
}

std::vector<std::uint32_t> ColoursOnly(std::vector<std::uint32_t> words) {
  for (std::uint32_t& w : words) w &= 0x00FFFFFF;
  return words;
}

// The words of a picture whose pixel (x, y) has red x, green y, blue 7 and a fourth byte of 0.
std::vector<std::uint32_t> CodedWords(int width, int height) {
  std::vector<std::uint32_t> words;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) words.push_back(std::uint32_t(x) << 16 | std::uint32_t(y) << 8 | 7);
  return words;
}

// White laid over black at a weight leaves that weight in each channel.
int WeightOf(int opacity) {
  TestSurface below(1, 1, 0), above(1, 1, 0x00FFFFFF);
  CvxGDI::BitBltDCByTransparent(below.dc(), 0, 0, 1, 1, above.dc(), 0, 0, opacity);
  const std::uint32_t word = below.At(0, 0);
  EXPECT_EQ(word & 0xFFu, (word >> 8) & 0xFFu);
  EXPECT_EQ(word & 0xFFu, (word >> 16) & 0xFFu);
  return int(word & 0xFF);
}

TEST_F(LayerBlendingTest, OpacityBecomesTruncatedWeight) {
  for (int opacity = 0; opacity < 100; ++opacity)
    EXPECT_EQ(WeightOf(opacity), opacity * 255 / 100) << opacity;
  EXPECT_EQ(WeightOf(20), 51);
  EXPECT_EQ(WeightOf(50), 127);
  EXPECT_EQ(WeightOf(75), 191);
  EXPECT_EQ(WeightOf(100), 254);  // white over black gives 0xFE
  for (int opacity : {101, 150, 1000, INT_MAX}) EXPECT_EQ(WeightOf(opacity), 255) << opacity;
  for (int opacity : {-1, -100, INT_MIN}) EXPECT_EQ(WeightOf(opacity), 0) << opacity;
}

TEST_F(LayerBlendingTest, OpacityZeroOrBelowLeavesEveryBitAndAboveHundredCopiesEveryBit) {
  const std::vector<std::uint32_t> below = Pattern(6 * 5, 1), above = Pattern(6 * 5, 2);
  for (int opacity : {0, -1, -50, INT_MIN}) {
    TestSurface dest(6, 5, 0), source(6, 5, 0);
    dest.SetWords(below);
    source.SetWords(above);
    CvxGDI::BitBltDCByTransparent(dest.dc(), 0, 0, 6, 5, source.dc(), 0, 0, opacity);
    EXPECT_EQ(dest.Words(), below) << opacity;
  }
  for (int opacity : {101, 255, INT_MAX}) {
    TestSurface dest(6, 5, 0), source(6, 5, 0);
    dest.SetWords(below);
    source.SetWords(above);
    CvxGDI::BitBltDCByTransparent(dest.dc(), 0, 0, 6, 5, source.dc(), 0, 0, opacity);
    EXPECT_EQ(dest.Words(), above) << opacity;
  }
}

// The mixer keeps a pixel mixed with itself as it was, so a merge darkens nothing.
TEST_F(LayerBlendingTest, SourceEqualToDestinationStaysUnchangedAtEveryOpacity) {
  const std::vector<std::uint32_t> words = ColoursOnly(Pattern(7 * 3, 3));
  for (int opacity : {1, 20, 50, 99, 100}) {
    TestSurface dest(7, 3, 0), source(7, 3, 0);
    dest.SetWords(words);
    source.SetWords(words);
    CvxGDI::BitBltDCByTransparent(dest.dc(), 0, 0, 7, 3, source.dc(), 0, 0, opacity);
    EXPECT_EQ(dest.Words(), words) << opacity;
  }
  TestSurface grey(1, 1, 0x00646464), same(1, 1, 0x00646464);
  CvxGDI::BitBltDCByTransparent(grey.dc(), 0, 0, 1, 1, same.dc(), 0, 0, 50);
  EXPECT_EQ(grey.At(0, 0), 0x00646464u);
}

TEST_F(LayerBlendingTest, PartialOpacityMixesEveryChannel) {
  // Below red 30, green 20, blue 10; above 250, 200, 100; opacity 50 is weight 127:
  // red (250 * 127 + 30 * 128) / 255 = 139, green 109, blue 54.
  TestSurface dest(2, 2, 0xAB1E140A), source(2, 2, 0xCDFAC864);
  CvxGDI::BitBltDCByTransparent(dest.dc(), 0, 0, 2, 2, source.dc(), 0, 0, 50);
  EXPECT_EQ(dest.Words(), std::vector<std::uint32_t>(4, 0x008B6D36));
}

// The source's top-left pixel lands at (10, 5) inside the rectangle: the source's last 10
// columns and 5 rows are not used, and the part of the rectangle it does not reach is
// mixed with black.
TEST_F(LayerBlendingTest, SourceOffsetShiftsTheSourceInsideTheRectangle) {
  const std::uint32_t fill = 0x00404040;
  TestSurface dest(30, 20, fill);
  TestSurface source(20, 12, 0);
  source.SetWords(CodedWords(20, 12));
  CvxGDI::BitBltDCByTransparent(dest.dc(), 3, 2, 20, 12, source.dc(), 10, 5, 101);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) {
      const int i = x - 3, j = y - 2;  // inside the rectangle
      const bool in_rectangle = i >= 0 && i < 20 && j >= 0 && j < 12;
      std::uint32_t expected = fill;
      if (in_rectangle) {
        const bool reached = i >= 10 && j >= 5;
        expected = reached ? (std::uint32_t(i - 10) << 16 | std::uint32_t(j - 5) << 8 | 7) : 0;
      }
      ASSERT_EQ(dest.At(x, y), expected) << "at (" << x << ", " << y << ")";
    }
  }
}

TEST_F(LayerBlendingTest, RectangleOverhangingTheDestinationChangesOnlyWhatLiesOnIt) {
  const std::uint32_t fill = 0x00404040;
  TestSurface dest(4, 4, fill), source(4, 4, 0x00FFFFFF);
  CvxGDI::BitBltDCByTransparent(dest.dc(), -2, 3, 4, 4, source.dc(), 0, 0, 101);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(dest.At(x, y), x < 2 && y == 3 ? 0x00FFFFFFu : fill) << x << ", " << y;
}

// A rectangle far larger than the destination costs only what lies on it, and mixes the
// same pixels as the rectangle cut to the destination: layers of 2^30 x 2^30 could never be had.
TEST_F(LayerBlendingTest, HugeRectanglesMixWhatLiesOnTheDestinationAsACutOneDoes) {
  constexpr int kHuge = 1 << 30;
  const std::vector<std::uint32_t> below = Pattern(6 * 5, 9);
  TestSurface source(4, 3, 0), mask(3, 2, 0x00800000);
  source.SetWords(CodedWords(4, 3));
  const auto blended = [&](auto draw) {
    TestSurface dest(6, 5, 0);
    dest.SetWords(below);
    draw(dest.dc());
    return dest.Words();
  };
  // The source's corner lands at (3, 2) of the destination either way.
  const auto cut = blended([&](HDC d) { CvxGDI::BitBltDCByTransparent(d, 0, 0, 6, 5, source.dc(), 3, 2, 60); });
  EXPECT_NE(cut, below);
  EXPECT_EQ(blended([&](HDC d) {
              CvxGDI::BitBltDCByTransparent(d, -1000, -500, kHuge, kHuge, source.dc(), 1003, 502, 60);
            }),
            cut);
  EXPECT_EQ(blended([&](HDC d) { CvxGDI::BitBltDCByTransparent(d, 0, 0, kHuge, kHuge, source.dc(), 3, 2, 60); }), cut);
  // Source and mask from their origin at the rectangle's corner, (2, 1).
  const auto masked = blended([&](HDC d) { CvxGDI::BitBltDCByMaskDC(d, 2, 1, 4, 4, source.dc(), mask.dc()); });
  EXPECT_NE(masked, below);
  EXPECT_EQ(blended([&](HDC d) { CvxGDI::BitBltDCByMaskDC(d, 2, 1, kHuge, kHuge, source.dc(), mask.dc()); }), masked);
  // Corners so far out that nothing of the source lands: only black is mixed in.
  const auto black = blended([&](HDC d) { CvxGDI::BitBltDCByTransparent(d, 0, 0, 6, 5, source.dc(), 100, 100, 60); });
  EXPECT_EQ(blended([&](HDC d) {
              CvxGDI::BitBltDCByTransparent(d, -kHuge, -kHuge, INT_MAX, INT_MAX, source.dc(), INT_MAX, INT_MIN, 60);
            }),
            black);
}

TEST_F(LayerBlendingTest, MaskWeightIsTheRedByteAlone) {
  const std::vector<std::uint32_t> below = Pattern(5 * 4, 4), above = Pattern(5 * 4, 5);
  struct Case {
    std::uint32_t mask;
    const std::vector<std::uint32_t>* expected;
  };
  // Red 0 keeps the destination whatever green and blue say; red 255 takes the source.
  for (Case c : {Case{0x0000FFFF, &below}, Case{0xFF00FFFF, &below}, Case{0x00FF0000, &above}}) {
    TestSurface dest(5, 4, 0), source(5, 4, 0), mask(5, 4, c.mask);
    dest.SetWords(below);
    source.SetWords(above);
    CvxGDI::BitBltDCByMaskDC(dest.dc(), 0, 0, 5, 4, source.dc(), mask.dc());
    EXPECT_EQ(dest.Words(), *c.expected) << std::hex << c.mask;
  }
}

TEST_F(LayerBlendingTest, GreyMaskMixesEachPixelByItsOwnWeight) {
  const int width = 16, height = 16;
  const std::vector<std::uint32_t> below = Pattern(width * height, 6), above = Pattern(width * height, 7);
  std::vector<std::uint32_t> weights;
  for (int k = 0; k < width * height; ++k) weights.push_back(std::uint32_t(k) << 16 | 0x5A5A);
  TestSurface dest(width, height, 0), source(width, height, 0), mask(width, height, 0);
  dest.SetWords(below);
  source.SetWords(above);
  mask.SetWords(weights);
  CvxGDI::BitBltDCByMaskDC(dest.dc(), 0, 0, width, height, source.dc(), mask.dc());
  const std::vector<std::uint32_t> result = dest.Words();
  for (int k = 0; k < width * height; ++k)
    EXPECT_EQ(result[k], std::uint32_t(CvxGDI::ShadeColors(LONG(below[k]), LONG(above[k]), k))) << k;
}

// Source and mask are read from their own (0, 0), whatever rectangle of the destination
// they are laid over; a mask smaller than the rectangle weighs 0 (black) beyond its edge.
TEST_F(LayerBlendingTest, MaskedBlitReadsSourceAndMaskFromTheirOrigin) {
  const std::uint32_t fill = 0x00404040;
  TestSurface dest(8, 6, fill);
  TestSurface source(8, 6, 0);
  source.SetWords(CodedWords(8, 6));
  TestSurface mask(2, 3, 0x00FF0000);
  CvxGDI::BitBltDCByMaskDC(dest.dc(), 4, 2, 3, 4, source.dc(), mask.dc());
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const int i = x - 4, j = y - 2;
      const bool masked_in = i >= 0 && i < 2 && j >= 0 && j < 3;
      const std::uint32_t expected = masked_in ? (std::uint32_t(i) << 16 | std::uint32_t(j) << 8 | 7) : fill;
      EXPECT_EQ(dest.At(x, y), expected) << "at (" << x << ", " << y << ")";
    }
  }
}

TEST_F(LayerBlendingTest, EmptyRectanglesAndBadContextsDrawNothing) {
  const std::vector<std::uint32_t> below = Pattern(3 * 3, 8);
  struct Size {
    int width, height;
  };
  for (Size size : {Size{0, 3}, Size{3, 0}, Size{-1, 3}, Size{3, -2}, Size{INT_MIN, INT_MIN}}) {
    TestSurface dest(3, 3, 0), source(3, 3, 0x00FFFFFF), mask(3, 3, 0x00FFFFFF);
    dest.SetWords(below);
    CvxGDI::BitBltDCByTransparent(dest.dc(), 0, 0, size.width, size.height, source.dc(), 0, 0, 101);
    CvxGDI::BitBltDCByMaskDC(dest.dc(), 0, 0, size.width, size.height, source.dc(), mask.dc());
    EXPECT_EQ(dest.Words(), below) << size.width << "x" << size.height;
  }
  TestSurface dest(3, 3, 0x00123456), source(3, 3, 0x00FFFFFF);
  // A missing source or mask reads as black; a missing destination takes nothing.
  CvxGDI::BitBltDCByTransparent(nullptr, 0, 0, 3, 3, source.dc(), 0, 0, 101);
  CvxGDI::BitBltDCByMaskDC(nullptr, 0, 0, 3, 3, source.dc(), source.dc());
  CvxGDI::BitBltDCByMaskDC(dest.dc(), 0, 0, 3, 3, source.dc(), nullptr);
  EXPECT_EQ(dest.Words(), std::vector<std::uint32_t>(9, 0x00123456));
  // A rectangle too large for any layer still mixes what lies on the destination.
  CvxGDI::BitBltDCByTransparent(dest.dc(), 0, 0, 40000, 40000, source.dc(), 0, 0, 101);
  EXPECT_EQ(dest.Words(), std::vector<std::uint32_t>(9, 0x00FFFFFF));
  TestSurface grey(3, 3, 0x00808080);
  CvxGDI::BitBltDCByMaskDC(grey.dc(), 0, 0, 40000, 40000, dest.dc(), source.dc());
  EXPECT_EQ(grey.Words(), std::vector<std::uint32_t>(9, 0x00FFFFFF));
}

}  // namespace
}  // namespace vx::testing

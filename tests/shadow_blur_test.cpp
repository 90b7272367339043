// The shadow's blur: its weights, the level rule, and the blur of the drawn piece against
// both passes run over a whole picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "object/shadow_blur.h"
#include "tests/text_mark_whole_picture.h"

namespace vx::testing {
namespace {

// Weights rounded to the six decimals they are usually printed with.
std::vector<long> Printed(const std::vector<double>& weights) {
  std::vector<long> printed;
  for (double w : weights) printed.push_back(std::lround(w * 1e6));
  return printed;
}

TEST(ShadowKernel, WeightsComeOutToTheLastPrintedDigit) {
  EXPECT_EQ(Printed(ShadowKernel(1)), (std::vector<long>{10868, 978265, 10868}));
  EXPECT_EQ(Printed(ShadowKernel(3)),
            (std::vector<long>{4433, 54006, 242036, 399050, 242036, 54006, 4433}));
  const std::vector<long> five = Printed(ShadowKernel(5));
  ASSERT_EQ(five.size(), 11u);
  EXPECT_EQ(five.front(), 2661);
  EXPECT_EQ(five[5], 239559);
  EXPECT_EQ(five.back(), 2661);
}

TEST(ShadowKernel, SizeZeroKeepsTheMaskAndNegativeSizesHaveNoWeights) {
  EXPECT_EQ(ShadowKernel(0), std::vector<double>{1.0});
  EXPECT_TRUE(ShadowKernel(-1).empty());
  EXPECT_TRUE(ShadowKernel(-1000).empty());
  EXPECT_EQ(ShadowKernel(12).size(), 25u);
}

TEST(MaskLevel, WithinOneTenThousandthOf255IsFullElseTruncated) {
  EXPECT_EQ(MaskLevel(255.0), 255);
  EXPECT_EQ(MaskLevel(254.99991), 255);
  EXPECT_EQ(MaskLevel(255.00009), 255);
  EXPECT_EQ(MaskLevel(254.9999), 254);  // 0.0001 away, not within
  EXPECT_EQ(MaskLevel(254.9), 254);
  EXPECT_EQ(MaskLevel(127.999), 127);
  EXPECT_EQ(MaskLevel(0.7), 0);
  EXPECT_EQ(MaskLevel(0.0), 0);
}

// The whole picture's mask blurred by the literal passes.
std::vector<std::uint8_t> BlurWholePicture(std::vector<std::uint8_t> mask, int width, int height, int s) {
  BlurWholeMask(width, height, 1, s, [&](int x, int y, int) -> std::uint8_t& { return mask[std::size_t(y) * width + x]; });
  return mask;
}

// The blurred piece laid into a whole picture that is 0 elsewhere.
std::vector<std::uint8_t> Whole(const MaskPiece& piece, int width, int height) {
  std::vector<std::uint8_t> whole(std::size_t(width) * height, 0);
  for (LONG y = piece.area.top; y < piece.area.bottom; ++y)
    for (LONG x = piece.area.left; x < piece.area.right; ++x) whole[std::size_t(y) * width + x] = piece.At(x, y);
  return whole;
}

// A piece `area` of a width x height mask, with its levels.
MaskPiece Cut(const std::vector<std::uint8_t>& mask, int width, RECT area) {
  MaskPiece piece;
  piece.area = area;
  for (LONG y = area.top; y < area.bottom; ++y)
    for (LONG x = area.left; x < area.right; ++x) piece.levels.push_back(mask[std::size_t(y) * width + x]);
  return piece;
}

struct Blob {
  RECT box;
  std::uint8_t level;
};

std::vector<std::uint8_t> MaskOf(int width, int height, const std::vector<Blob>& blobs) {
  std::vector<std::uint8_t> mask(std::size_t(width) * height, 0);
  std::uint32_t seed = 5;
  for (const Blob& b : blobs)
    for (LONG y = b.box.top; y < b.box.bottom; ++y)
      for (LONG x = b.box.left; x < b.box.right; ++x) {
        seed = seed * 1664525u + 1013904223u;
        // Full level at most pixels, some grey, some holes: as drawn text is.
        const std::uint32_t pick = (seed >> 24) % 4;
        mask[std::size_t(y) * width + x] = pick == 0 ? 0 : pick == 1 ? std::uint8_t(b.level * (seed >> 16 & 0xFF) / 255) : b.level;
      }
  return mask;
}

TEST(BlurShadowMask, GivesTheWholePictureBlurBitForBit) {
  const int width = 61, height = 37;
  const struct {
    const char* what;
    std::vector<Blob> blobs;
  } masks[] = {
      {"inside", {{{20, 12, 35, 20}, 255}}},
      {"on the left edge", {{{0, 10, 9, 16}, 255}}},
      {"on the right edge", {{{50, 10, 61, 16}, 200}}},
      {"on the top edge", {{{20, 0, 30, 5}, 255}}},
      {"on the bottom edge", {{{20, 30, 30, 37}, 127}}},
      {"over every edge", {{{0, 0, 61, 37}, 255}}},
      {"two apart", {{{2, 3, 8, 6}, 255}, {{45, 28, 58, 34}, 51}}},
      {"one pixel", {{{30, 18, 31, 19}, 1}}},
  };
  for (const auto& m : masks) {
    const std::vector<std::uint8_t> mask = MaskOf(width, height, m.blobs);
    for (int s : {-1, 0, 1, 2, 3, 5, 12, 40}) {
      SCOPED_TRACE(::testing::Message() << m.what << ", size " << s);
      const std::vector<std::uint8_t> expected = BlurWholePicture(mask, width, height, s);
      // The drawn piece may be the whole mask or just a box around its ink.
      const RECT whole{0, 0, width, height};
      EXPECT_EQ(Whole(BlurShadowMask(Cut(mask, width, whole), {width, height}, s), width, height), expected);
      RECT ink = m.blobs.front().box;
      for (const Blob& b : m.blobs) {
        ink = {std::min(ink.left, b.box.left), std::min(ink.top, b.box.top), std::max(ink.right, b.box.right),
               std::max(ink.bottom, b.box.bottom)};
      }
      EXPECT_EQ(Whole(BlurShadowMask(Cut(mask, width, ink), {width, height}, s), width, height), expected);
    }
  }
}

// Wider than a strip of columns and taller than the kept rows, with large radii: strips,
// kept rows and the edges still give the whole picture's bits.
TEST(BlurShadowMask, StripsAndKeptRowsGiveTheWholePictureBlurBitForBit) {
  const int width = 700, height = 90;
  const std::vector<std::uint8_t> mask =
      MaskOf(width, height, {{{240, 10, 275, 80}, 255}, {{500, 0, 530, 90}, 127}, {{0, 40, 12, 50}, 51}, {{690, 5, 700, 20}, 200}});
  for (int s : {0, 1, 4, 37, 130}) {
    SCOPED_TRACE(::testing::Message() << "size " << s);
    EXPECT_EQ(Whole(BlurShadowMask(Cut(mask, width, {0, 0, width, height}), {width, height}, s), width, height),
              BlurWholePicture(mask, width, height, s));
  }
}

// The radius is cut only where the blur would pass its budget, to the largest within it.
TEST(AffordableShadowSize, CutsOnlyBlursPastTheBudget) {
  const SIZE photo{5472, 3648};
  const RECT caption{100, 3400, 1400, 3560}, covering{0, 0, 5472, 3648};
  for (LONG size : {-1000L, -1L, 0L, 5L, 200L, 1000L}) {
    EXPECT_EQ(AffordableShadowSize({10, 10, 50, 30}, {200, 100}, size), size) << size;
  }
  EXPECT_EQ(AffordableShadowSize({10, 10, 50, 30}, {200, 100}, 5000), kLargestShadowSize);
  EXPECT_EQ(AffordableShadowSize(caption, photo, 200), 200);
  for (const RECT& ink : {caption, covering}) {
    const LONG r = AffordableShadowSize(ink, photo, 1000);
    EXPECT_LT(r, 1000);
    EXPECT_LE(ShadowBlurWork(ink, photo, r), kShadowBlurBudget);
    EXPECT_GT(ShadowBlurWork(ink, photo, r + 1), kShadowBlurBudget);
    EXPECT_EQ(AffordableShadowSize(ink, photo, r), r);
  }
  // (2r + 1) x 5472 x (3648 + 3648) multiply-adds: at most 2^32 up to r = 53.
  EXPECT_EQ(AffordableShadowSize(covering, photo, 1000), 53);
  EXPECT_EQ(ShadowBlurWork(covering, photo, 5), 11 * 5472 * std::int64_t{2 * 3648});
}

TEST(BlurShadowMask, CoversOnlyTheInkGrownByTheRadius) {
  const std::vector<std::uint8_t> mask = MaskOf(100, 80, {{{40, 30, 50, 36}, 255}});
  const MaskPiece blurred = BlurShadowMask(Cut(mask, 100, {0, 0, 100, 80}), {100, 80}, 5);
  // The drawn blob's first and last rows and columns may hold holes; none is wider than it.
  EXPECT_GE(blurred.area.left, 35);
  EXPECT_LE(blurred.area.right, 55);
  EXPECT_GE(blurred.area.top, 25);
  EXPECT_LE(blurred.area.bottom, 41);
  const MaskPiece huge = BlurShadowMask(Cut(mask, 100, {0, 0, 100, 80}), {100, 80}, 5000);
  EXPECT_EQ(huge.area.left, 0);  // held to the picture
  EXPECT_EQ(huge.area.right, 100);
  EXPECT_EQ(Whole(huge, 100, 80), Whole(BlurShadowMask(Cut(mask, 100, {0, 0, 100, 80}), {100, 80}, 1000), 100, 80));
}

TEST(BlurShadowMask, NothingDrawnOrNoWeightsGiveNoShadow) {
  std::vector<std::uint8_t> black(30 * 20, 0);
  EXPECT_TRUE(BlurShadowMask(Cut(black, 30, {0, 0, 30, 20}), {30, 20}, 3).empty());
  EXPECT_TRUE(BlurShadowMask(MaskPiece{}, {30, 20}, 3).empty());
  const std::vector<std::uint8_t> mask = MaskOf(30, 20, {{{5, 5, 10, 10}, 255}});
  EXPECT_TRUE(BlurShadowMask(Cut(mask, 30, {0, 0, 30, 20}), {30, 20}, -1).empty());
}

TEST(BlurShadowMask, SizeZeroKeepsTheMaskAsDrawn) {
  const std::vector<std::uint8_t> mask = MaskOf(30, 20, {{{5, 5, 20, 12}, 200}});
  EXPECT_EQ(Whole(BlurShadowMask(Cut(mask, 30, {0, 0, 30, 20}), {30, 20}, 0), 30, 20), mask);
}

// Past the edge the edge pixels repeat, so a full band along an edge stays full there,
// while the same band away from the edge fades on both sides.
TEST(BlurShadowMask, BorderPixelsDoNotFade) {
  const auto band_from = [](int left) {
    std::vector<std::uint8_t> mask(40 * 30, 0);
    for (int y = 0; y < 30; ++y)
      for (int x = left; x < left + 6; ++x) mask[std::size_t(y) * 40 + x] = 255;
    return Whole(BlurShadowMask(Cut(mask, 40, {0, 0, 40, 30}), {40, 30}, 5), 40, 30);
  };
  const std::vector<std::uint8_t> at_edge = band_from(0), inside = band_from(10);
  for (int y : {0, 15, 29}) {  // the corners too: rows repeat as well
    SCOPED_TRACE(y);
    const std::uint8_t* row = &at_edge[std::size_t(y) * 40];
    EXPECT_EQ(row[0], 255);
    EXPECT_LT(row[5], 255);  // the band's inner side fades
    EXPECT_GT(row[6], 0);
    EXPECT_EQ(row[11], 0);
    const std::uint8_t* away = &inside[std::size_t(y) * 40];
    EXPECT_LT(away[10], 255);
    EXPECT_EQ(away[10], row[5]);
    EXPECT_EQ(away[15], row[5]);
  }
}

}  // namespace
}  // namespace vx::testing

// ResamplePixels: area averages against the exact mean, both filters against the same
// arithmetic written out plainly (and Lanczos-3 against its formula in double precision),
// the settled edge cases, and refused arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <ostream>
#include <random>
#include <vector>

#include "object/resample.h"
#include "object/resample_plan.h"

namespace vx::testing {
namespace {

using resample::AreaGrid;
using resample::LanczosAxis;
using resample::Plan;

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> words;  // rows top first, no padding
  std::uint32_t At(int x, int y) const { return words[std::size_t(y) * width + x]; }
};

// Random words, top bytes included, so that the top byte of the results is seen to be 0.
Picture RandomPicture(int width, int height, unsigned seed) {
  Picture p{width, height, std::vector<std::uint32_t>(std::size_t(width) * height)};
  std::mt19937 random(seed);
  for (auto& w : p.words) w = random();
  return p;
}

int Channel(std::uint32_t word, int c) { return int(word >> (8 * c)) & 0xFF; }

// ResamplePixels with the source upside down in memory (negative stride) when asked, and
// a destination wider than its rows.
std::vector<std::uint32_t> Resample(const Picture& source, SourceWindow window, int width,
                                    int height, ResampleFilter filter, bool bottom_up = false) {
  std::vector<std::uint32_t> flipped;
  const std::uint32_t* src = source.words.data();
  std::ptrdiff_t src_stride = source.width;
  if (bottom_up) {
    for (int y = source.height - 1; y >= 0; --y) {
      flipped.insert(flipped.end(), source.words.begin() + std::ptrdiff_t(y) * source.width,
                     source.words.begin() + std::ptrdiff_t(y + 1) * source.width);
    }
    src = flipped.data() + std::ptrdiff_t(source.height - 1) * source.width;
    src_stride = -src_stride;
  }
  const int dst_stride = width + 3;
  std::vector<std::uint32_t> padded(std::size_t(dst_stride) * height, 0xEEEEEEEEu);
  EXPECT_TRUE(ResamplePixels(src, source.width, source.height, src_stride, window,
                             padded.data(), width, height, dst_stride, filter));
  std::vector<std::uint32_t> out;
  for (int y = 0; y < height; ++y) {
    const auto row = padded.begin() + std::ptrdiff_t(y) * dst_stride;
    out.insert(out.end(), row, row + width);
    EXPECT_EQ(row[width], 0xEEEEEEEEu) << "written past row " << y;
  }
  return out;
}

// The exact mean of the area grids (units as in resample_area.h), each channel rounded half
// up, in 128-bit integers.
Picture ExactMeans(const Picture& source, const AreaGrid& gx, const AreaGrid& gy) {
  Picture out{gx.count, gy.count, std::vector<std::uint32_t>(std::size_t(gx.count) * gy.count)};
  auto overlap = [](const AreaGrid& g, int i, int k) {
    const std::int64_t lo = std::max(g.origin + i * g.length, k * g.per_pixel);
    const std::int64_t hi = std::min(g.origin + (i + 1) * g.length, (k + 1) * g.per_pixel);
    return std::max<std::int64_t>(0, hi - lo);
  };
  using Wide = unsigned __int128;
  const Wide d = Wide(gx.length) * Wide(gy.length);
  for (int j = 0; j < gy.count; ++j) {
    const int l0 = int((gy.origin + j * gy.length) / gy.per_pixel);
    const int l1 = int((gy.origin + (j + 1) * gy.length - 1) / gy.per_pixel);
    for (int i = 0; i < gx.count; ++i) {
      const int k0 = int((gx.origin + i * gx.length) / gx.per_pixel);
      const int k1 = int((gx.origin + (i + 1) * gx.length - 1) / gx.per_pixel);
      std::uint32_t word = 0;
      for (int c = 0; c < 3; ++c) {
        Wide sum = 0;
        for (int l = l0; l <= l1; ++l) {
          for (int k = k0; k <= k1; ++k) {
            sum += Wide(overlap(gx, i, k)) * Wide(overlap(gy, j, l)) * Wide(Channel(source.At(k, l), c));
          }
        }
        word |= std::uint32_t((2 * sum + d) / (2 * d)) << (8 * c);
      }
      out.words[std::size_t(j) * gx.count + i] = word;
    }
  }
  return out;
}

// An axis of the area average by its definition: the window edges to 1/256 of a pixel, the
// outputs sharing the window equally.
AreaGrid DefinedGrid(double start, double length, int count) {
  const auto left = std::int64_t(std::floor(start * 256 + 0.5));
  const auto right = std::int64_t(std::floor((start + length) * 256 + 0.5));
  return {left * count, right - left, std::int64_t{256} * count, count};
}

// The Lanczos stage with the plan's tables, plainly: every column of a row, then the row.
Picture PlainLanczos(const Picture& input, const LanczosAxis& x, const LanczosAxis& y) {
  Picture out{x.count(), y.count(), std::vector<std::uint32_t>(std::size_t(x.count()) * y.count())};
  std::vector<int> columns(std::size_t(input.width) * 4);
  for (int j = 0; j < y.count(); ++j) {
    for (int k = 0; k < input.width; ++k) {
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (int t = 0; t < y.taps[j]; ++t) sum += y.WeightsOf(j)[t] * Channel(input.At(k, y.first[j] + t), c);
        columns[std::size_t(k) * 4 + c] = std::clamp((sum + 128) >> 8, -32768, 32767);
      }
    }
    for (int i = 0; i < x.count(); ++i) {
      std::uint32_t word = 0;
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int t = 0; t < x.taps[i]; ++t) sum += x.WeightsOf(i)[t] * columns[std::size_t(x.first[i] + t) * 4 + c];
        word |= std::uint32_t(std::clamp((sum + (1 << 19)) >> 20, 0, 255)) << (8 * c);
      }
      out.words[std::size_t(j) * x.count() + i] = word;
    }
  }
  return out;
}

resample::Plan PlanOf(const Picture& source, SourceWindow window, int width, int height,
                      ResampleFilter filter) {
  resample::Window snapped;
  EXPECT_TRUE(resample::SnapWindow(window, source.width, source.height, &snapped));
  return resample::MakePlan(source.width, source.height, snapped, width, height, filter);
}

// The whole resampler written plainly, stage by stage, over the plan's tables.
std::vector<std::uint32_t> PlainResample(const Picture& source, const Plan& plan) {
  Picture stage = source;
  if (plan.area) stage = ExactMeans(source, plan.area_x.grid, plan.area_y.grid);
  if (plan.lanczos) stage = PlainLanczos(stage, plan.lanczos_x, plan.lanczos_y);
  return stage.words;
}

struct Case {
  int src_width, src_height;
  SourceWindow window;  // width 0: the whole picture
  int width, height;
};

SourceWindow WindowOf(const Case& c) {
  return c.window.width > 0 ? c.window : SourceWindow{0, 0, double(c.src_width), double(c.src_height)};
}

void PrintTo(const Case& c, std::ostream* os) {
  const SourceWindow w = WindowOf(c);
  *os << c.src_width << "x" << c.src_height << " (" << w.x << ", " << w.y << ", " << w.width
      << ", " << w.height << ") -> " << c.width << "x" << c.height;
}

// Shrinking, growing, mixed, heavy shrinks that go through the between size, windows with
// fractional edges, single pixels, and widths around the vector lengths.
const Case kCases[] = {
    {1, 1, {}, 1, 1},
    {1, 1, {}, 7, 3},
    {17, 9, {}, 1, 1},
    {8, 6, {}, 4, 3},
    {8, 6, {}, 8, 6},
    {10, 7, {}, 4, 3},
    {7, 10, {}, 3, 7},
    {33, 21, {}, 13, 8},
    {100, 75, {}, 15, 11},
    {240, 161, {}, 23, 16},
    {311, 47, {}, 17, 47},
    {300, 5, {}, 7, 9},
    {5, 300, {}, 9, 7},
    {9, 6, {}, 23, 17},
    {37, 29, {0.5, 0.25, 30.75, 27.5}, 11, 9},
    {37, 29, {3.1, 2.9, 20.0, 20.0}, 20, 20},
    {64, 48, {10.3, 4.7, 40.2, 30.6}, 9, 40},
    {129, 70, {1.0 / 3, 0, 128.5, 70}, 40, 13},
    {50, 40, {12.5, 0, 25, 40}, 60, 60},
    {2, 2, {0.75, 0.75, 0.5, 0.5}, 3, 3},
    {70, 3, {}, 70, 1},
    {3, 70, {}, 1, 70},
    {20, 600, {}, 3, 1},
};

// The cases where both axes shrink or keep their size.
std::vector<Case> Averages() {
  std::vector<Case> cases;
  for (const Case& c : kCases) {
    const SourceWindow w = WindowOf(c);
    if (w.width >= c.width && w.height >= c.height) cases.push_back(c);
  }
  return cases;
}

class ResampleAverages : public ::testing::TestWithParam<Case> {};

TEST_P(ResampleAverages, AreaIsTheExactMeanOfTheCoveredArea) {
  const Case& c = GetParam();
  const SourceWindow w = WindowOf(c);
  const Picture source = RandomPicture(c.src_width, c.src_height, 7);
  const Picture expected = ExactMeans(source, DefinedGrid(w.x, w.width, c.width),
                                      DefinedGrid(w.y, w.height, c.height));
  EXPECT_EQ(Resample(source, w, c.width, c.height, ResampleFilter::kArea), expected.words);
}

INSTANTIATE_TEST_SUITE_P(Table, ResampleAverages, ::testing::ValuesIn(Averages()));

class ResampleCases : public ::testing::TestWithParam<Case> {};

TEST_P(ResampleCases, BothFiltersMatchThePlainArithmetic) {
  const Case& c = GetParam();
  const SourceWindow w = WindowOf(c);
  const Picture source = RandomPicture(c.src_width, c.src_height, 11);
  for (ResampleFilter filter : {ResampleFilter::kArea, ResampleFilter::kLanczos3}) {
    SCOPED_TRACE(int(filter));
    const Plan plan = PlanOf(source, w, c.width, c.height, filter);
    const std::vector<std::uint32_t> expected = PlainResample(source, plan);
    std::vector<std::uint32_t> plain(expected.size());
    ASSERT_TRUE(resample::RunPlan(plan, resample::PlainKernels(), source.words.data(),
                                  source.width, plain.data(), c.width));
    EXPECT_EQ(plain, expected);
    for (bool bottom_up : {false, true}) {
      EXPECT_EQ(Resample(source, w, c.width, c.height, filter, bottom_up), expected);
    }
  }
}

// White too, whose sums are the largest.
TEST_P(ResampleCases, AConstantPictureStaysConstant) {
  const Case& c = GetParam();
  for (std::uint32_t colour : {0x7FC80537u, 0xFFFFFFFFu}) {
    const Picture source{c.src_width, c.src_height,
                         std::vector<std::uint32_t>(std::size_t(c.src_width) * c.src_height, colour)};
    for (ResampleFilter filter : {ResampleFilter::kArea, ResampleFilter::kLanczos3}) {
      const auto out = Resample(source, WindowOf(c), c.width, c.height, filter);
      EXPECT_EQ(std::count(out.begin(), out.end(), colour & 0xFFFFFFu), std::ptrdiff_t(out.size()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, ResampleCases, ::testing::ValuesIn(kCases));

// Rounding half up, on 2 x 2 blocks whose sums end in .25, .5 and .75 of the four.
TEST(ResampleArea, BlocksOfFourAreRoundedHalfUp) {
  const Picture source{4, 4, {0, 1, 1, 1, 0, 0, 0, 1,   // block means 0.25 and 0.75
                              2, 3, 254, 255, 3, 2, 255, 255}};  // 2.5 and 254.75
  const auto out = Resample(source, {0, 0, 4, 4}, 2, 2, ResampleFilter::kArea);
  // Only the blue channel varies; green and red are 0.
  EXPECT_EQ(out, (std::vector<std::uint32_t>{0, 1, 3, 255}));
}

// Same size, whole pixels: both filters give the picture back.
TEST(Resample, SameSizeIsACopy) {
  const Picture source = RandomPicture(31, 17, 3);
  for (ResampleFilter filter : {ResampleFilter::kArea, ResampleFilter::kLanczos3}) {
    const auto out = Resample(source, {0, 0, 31, 17}, 31, 17, filter);
    for (std::size_t k = 0; k < out.size(); ++k) ASSERT_EQ(out[k], source.words[k] & 0xFFFFFFu) << k;
  }
}

// Lanczos-3 by its formula, in double precision: within 1 of the integer arithmetic (where
// no area stage comes in).
TEST(ResampleLanczos, WithinOneOfTheFormula) {
  struct Size { int sw, sh; SourceWindow w; int dw, dh; };
  for (const Size& s : {Size{40, 30, {0, 0, 40, 30}, 17, 13}, Size{12, 9, {0, 0, 12, 9}, 31, 20},
                        Size{50, 40, {3.25, 1.5, 30, 30.5}, 25, 60}}) {
    const Picture source = RandomPicture(s.sw, s.sh, 5);
    const auto out = Resample(source, s.w, s.dw, s.dh, ResampleFilter::kLanczos3);
    auto weights = [](int extent, double start, double length, int count, int i) {
      const double scale = length / count, widening = std::max(1.0, scale);
      const double centre = start + (i + 0.5) * scale;
      std::vector<double> w(static_cast<std::size_t>(extent));
      double sum = 0;
      for (int k = 0; k < extent; ++k) {
        const double x = (k + 0.5 - centre) / widening;
        const double px = std::numbers::pi * x;
        w[std::size_t(k)] = x == 0 ? 1 : std::fabs(x) >= 3 ? 0 : 3 * std::sin(px) * std::sin(px / 3) / (px * px);
        sum += w[std::size_t(k)];
      }
      for (double& v : w) v /= sum;
      return w;
    };
    for (int j = 0; j < s.dh; ++j) {
      const auto wy = weights(s.sh, s.w.y, s.w.height, s.dh, j);
      for (int i = 0; i < s.dw; ++i) {
        const auto wx = weights(s.sw, s.w.x, s.w.width, s.dw, i);
        for (int c = 0; c < 3; ++c) {
          double v = 0;
          for (int l = 0; l < s.sh; ++l) {
            for (int k = 0; k < s.sw; ++k) v += wy[std::size_t(l)] * wx[std::size_t(k)] * Channel(source.At(k, l), c);
          }
          const double expected = std::clamp(v, 0.0, 255.0);
          ASSERT_NEAR(Channel(out[std::size_t(j) * s.dw + i], c), expected, 1.0) << i << "," << j << "," << c;
        }
      }
    }
  }
}

// Weights sum to one, fit 16 bits, and all but one are the exact weights rounded.
TEST(ResampleLanczos, WeightsAreTheKernelRounded) {
  for (int count : {1, 2, 7, 64, 150}) {
    for (double length : {1.0, 5.5, 64.0, 150.0, 451.25, 900.0}) {
      const int extent = int(std::ceil(length)) + 3;
      const LanczosAxis axis = resample::MakeLanczosAxis(extent, 1.5, length, count);
      for (int i = 0; i < count; ++i) {
        int sum = 0, magnitude = 0, off = 0;
        const double scale = length / count, widening = std::max(1.0, scale);
        const double centre = 1.5 + (i + 0.5) * scale;
        double exact_sum = 0;
        for (int k = 0; k < extent; ++k) exact_sum += resample::Lanczos3((k + 0.5 - centre) / widening);
        for (int t = 0; t < axis.taps[i]; ++t) {
          const int w = axis.WeightsOf(i)[t];
          sum += w;
          magnitude += std::abs(w);
          const double exact = resample::Lanczos3((axis.first[i] + t + 0.5 - centre) / widening) / exact_sum * 16384;
          off += std::fabs(w - exact) > 0.5 + 1e-9;
        }
        EXPECT_EQ(sum, 16384);
        EXPECT_LE(magnitude, 2 * 16384);
        EXPECT_LE(off, 1) << count << " " << length << " " << i;
      }
    }
  }
}

// The longest sides, to a single pixel and from one: exact means, flat results, and tables
// no bigger than the output needs.
TEST(Resample, HugeRatios) {
  const Picture row = RandomPicture(resample::kMaxSide, 1, 9);
  const Picture column{row.height, row.width, row.words};
  for (const Picture* source : {&row, &column}) {
    const SourceWindow whole{0, 0, double(source->width), double(source->height)};
    const Picture mean = ExactMeans(*source, DefinedGrid(0, source->width, 1), DefinedGrid(0, source->height, 1));
    EXPECT_EQ(Resample(*source, whole, 1, 1, ResampleFilter::kArea), mean.words);
    const Plan plan = PlanOf(*source, whole, 1, 1, ResampleFilter::kLanczos3);
    EXPECT_LE(plan.lanczos_x.weights.size() + plan.lanczos_y.weights.size(), 100u);
    EXPECT_EQ(Resample(*source, whole, 1, 1, ResampleFilter::kLanczos3), PlainResample(*source, plan));
  }
  const Picture dot = RandomPicture(1, 1, 13);
  for (ResampleFilter filter : {ResampleFilter::kArea, ResampleFilter::kLanczos3}) {
    const auto out = Resample(dot, {0, 0, 1, 1}, resample::kMaxSide, 2, filter);
    EXPECT_EQ(std::count(out.begin(), out.end(), dot.words[0] & 0xFFFFFFu), std::ptrdiff_t(out.size()));
  }
}

TEST(Resample, BadArgumentsAreRefusedWithoutWriting) {
  const Picture source = RandomPicture(20, 10, 1);
  std::vector<std::uint32_t> dst(100, 0xABCDEF01u);
  struct Call {
    const std::uint32_t* src;
    int sw, sh;
    std::ptrdiff_t ss;
    SourceWindow w;
    std::uint32_t* dst;
    int dw, dh;
    std::ptrdiff_t ds;
    int filter;
  };
  const std::uint32_t* s = source.words.data();
  std::uint32_t* d = dst.data();
  const SourceWindow all{0, 0, 20, 10};
  const double nan = std::nan("");
  const Call calls[] = {
      {nullptr, 20, 10, 20, all, d, 5, 5, 5, 1},
      {s, 20, 10, 20, all, nullptr, 5, 5, 5, 1},
      {s, 0, 10, 20, {0, 0, 0, 10}, d, 5, 5, 5, 1},
      {s, 20, 10, 20, all, d, 0, 5, 5, 1},
      {s, 20, 10, 20, all, d, 5, -1, 5, 1},
      {s, 20, 10, 20, all, d, 65501, 1, 65501, 1},
      {s, 20, 10, 19, all, d, 5, 5, 5, 1},
      {s, 20, 10, 20, all, d, 5, 5, 4, 2},
      {s, 20, 10, 20, all, d, 5, 5, 5, 0},
      {s, 20, 10, 20, all, d, 5, 5, 5, 3},
      {s, 20, 10, 20, {-0.5, 0, 10, 10}, d, 5, 5, 5, 1},
      {s, 20, 10, 20, {0, 0, 20.01, 10}, d, 5, 5, 5, 2},
      {s, 20, 10, 20, {0, 5, 20, 5.5}, d, 5, 5, 5, 1},
      {s, 20, 10, 20, {3, 3, 0, 5}, d, 5, 5, 5, 2},
      {s, 20, 10, 20, {3, 3, 1e-3, 5}, d, 5, 5, 5, 2},
      {s, 20, 10, 20, {3, 3, -2, 5}, d, 5, 5, 5, 1},
      {s, 20, 10, 20, {nan, 0, 10, 10}, d, 5, 5, 5, 1},
      {s, 20, 10, 20, {0, 0, INFINITY, 10}, d, 5, 5, 5, 2},
      {s, 20, 10, 20, {0, 1e300, 10, 10}, d, 5, 5, 5, 1},
  };
  for (const Call& c : calls) {
    EXPECT_FALSE(ResamplePixels(c.src, c.sw, c.sh, c.ss, c.w, c.dst, c.dw, c.dh, c.ds,
                                static_cast<ResampleFilter>(c.filter)))
        << (&c - calls);
  }
  EXPECT_EQ(std::count(dst.begin(), dst.end(), 0xABCDEF01u), 100);
}

}  // namespace
}  // namespace vx::testing

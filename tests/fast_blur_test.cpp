// FastBlur: the worked values, the settled edge cases, and bit-for-bit agreement with the
// convolution written out plainly.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <limits>
#include <random>
#include <vector>

#include "gdi/vxgdi.h"
#include "tests/gdi_test_surface.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

std::uint32_t Grey(int v) { return std::uint32_t(v) * 0x010101u; }

// The convolution as it reads: for each pixel, the window's rows top to bottom and each row
// left to right, neighbours outside the area skipped, one double sum per channel. Offsets
// farther than the area is wide or high never fall inside it, so the window stops there.
std::vector<std::uint32_t> PlainBlur(const std::vector<std::uint32_t>& source, int width,
                                     int height, int n, double sigma) {
  const int half = std::min(n / 2, std::max(width, height) - 1);
  n = 2 * half + 1;
  std::vector<double> weight(std::size_t(n) * n);
  const double c = 1.0 / ((6.283 * sigma) * sigma);
  for (int dy = -half; dy <= half; ++dy) {
    for (int dx = -half; dx <= half; ++dx) {
      const int e = -(dy * dy + dx * dx);
      weight[std::size_t(dy + half) * n + (dx + half)] = std::exp(e / ((2.0 * sigma) * sigma)) * c;
    }
  }
  std::vector<std::uint32_t> out(source.size());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double red = 0, green = 0, blue = 0, sum = 0;
      for (int dy = -half; dy <= half; ++dy) {
        for (int dx = -half; dx <= half; ++dx) {
          if (x + dx < 0 || x + dx >= width || y + dy < 0 || y + dy >= height) continue;
          const std::uint32_t p = source[std::size_t(y + dy) * width + (x + dx)];
          const double k = weight[std::size_t(dy + half) * n + (dx + half)];
          red += ((p >> 16) & 0xFF) * k;
          green += ((p >> 8) & 0xFF) * k;
          blue += (p & 0xFF) * k;
          sum += k;
        }
      }
      auto channel = [&](double total) {
        double v = total / sum;
        if (v > 255.0) v = 255.0;
        return std::uint32_t(int(v)) & 0xFF;
      };
      out[std::size_t(y) * width + x] = channel(blue) | channel(green) << 8 | channel(red) << 16;
    }
  }
  return out;
}

std::vector<std::uint32_t> Blurred(const std::vector<std::uint32_t>& words, int width, int height,
                                   int n, double sigma) {
  TestSurface s(width, height, 0);
  s.SetWords(words);
  CvxGDI::FastBlur(s.dc(), width, height, n, sigma);
  return s.Words();
}

class FastBlurTest : public LeakCheckedTest {};

TEST_F(FastBlurTest, OnePixelWindowKeepsValuesUpToTruncation) {
  // 59 x k / k lands just below 59 and truncates; 60 x k / k does not.
  EXPECT_EQ(Blurred({Grey(59), Grey(60)}, 2, 1, 1, 1.0), (std::vector<std::uint32_t>{Grey(58), Grey(60)}));
}

TEST_F(FastBlurTest, ThreeByThreeSpreadsOneBrightPixel) {
  std::vector<std::uint32_t> dot(7 * 7, 0);
  dot[3 * 7 + 3] = Grey(255);
  const auto out = Blurred(dot, 7, 7, 3, 1.0);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 7; ++x) {
      const int d = std::abs(x - 3) + std::abs(y - 3);
      const bool diagonal = std::abs(x - 3) == 1 && std::abs(y - 3) == 1;
      const int expected = d == 0 ? 52 : d == 1 ? 31 : diagonal ? 19 : 0;
      EXPECT_EQ(out[std::size_t(y) * 7 + x], Grey(expected)) << x << ", " << y;
    }
  }
  // In the corner the window is cut to 2 x 2 and renormalised.
  std::vector<std::uint32_t> corner(7 * 7, 0);
  corner[0] = Grey(255);
  EXPECT_EQ(Blurred(corner, 7, 7, 3, 1.0)[0], Grey(98));
}

TEST_F(FastBlurTest, UniformAreasStayWithinOneLevelAndNothingExceeds255) {
  for (int v : {0, 1, 100, 200, 254, 255}) {
    for (std::uint32_t p : Blurred(std::vector<std::uint32_t>(6 * 5, Grey(v)), 6, 5, 5, 1.5)) {
      EXPECT_GE(int(p & 0xFF), v - 1);
      EXPECT_LE(int(p & 0xFF), v);
    }
  }
}

TEST_F(FastBlurTest, WritesFourthByteZeroAndLeavesTheRestOfTheSurface) {
  TestSurface s(5, 4, 0xAB000000);
  CvxGDI::FastBlur(s.dc(), 3, 2, 3, 1.0);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(s.At(x, y), x < 3 && y < 2 ? 0u : 0xAB000000u) << x << ", " << y;
    }
  }
}

TEST_F(FastBlurTest, SizesAndSigmasThatMakeNoKernelDrawNothing) {
  std::vector<std::uint32_t> picture(4 * 4);
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = 0xAB000000u | Grey(int(i * 15));
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  for (int n : {0, -1, -4}) EXPECT_EQ(Blurred(picture, 4, 4, n, 1.0), picture) << n;
  for (double sigma : {0.0, -0.0, nan, inf, 1e-300}) EXPECT_EQ(Blurred(picture, 4, 4, 3, sigma), picture) << sigma;
  TestSurface s(4, 4, 0);
  s.SetWords(picture);
  for (auto [w, h] : std::initializer_list<std::pair<int, int>>{{0, 4}, {4, 0}, {-1, 4}}) CvxGDI::FastBlur(s.dc(), w, h, 3, 1.0);
  CvxGDI::FastBlur(nullptr, 4, 4, 3, 1.0);
  EXPECT_EQ(s.Words(), picture);
}

TEST_F(FastBlurTest, EvenSizesWidenAndSigmaCountsOnlySquared) {
  std::vector<std::uint32_t> picture(9 * 6);
  std::mt19937 random(7);
  for (auto& p : picture) p = random();
  EXPECT_EQ(Blurred(picture, 9, 6, 2, 1.3), Blurred(picture, 9, 6, 3, 1.3));
  EXPECT_EQ(Blurred(picture, 9, 6, 4, -1.3), Blurred(picture, 9, 6, 5, 1.3));
}

TEST_F(FastBlurTest, EqualsThePlainConvolutionBitForBit) {
  std::mt19937 random(2024);
  struct Size {
    int width, height;
  };
  for (Size size : {Size{1, 1}, Size{2, 3}, Size{9, 4}, Size{17, 13}, Size{40, 9}}) {
    // Noise, and flat patches: over a flat window the exact mean is a whole number, so the
    // last bit of the sums decides between it and the level below, and any change in the
    // order of summation shows.
    std::vector<std::uint32_t> noise(std::size_t(size.width) * size.height), patches(noise.size());
    for (auto& p : noise) p = random();
    std::vector<std::uint32_t> levels(64);
    for (auto& level : levels) level = random() & 0x00FFFFFF;
    for (int y = 0; y < size.height; ++y) {
      for (int x = 0; x < size.width; ++x) patches[std::size_t(y) * size.width + x] = levels[(y / 6) * 8 + x / 6];
    }
    for (const auto* picture : {&noise, &patches}) {
      for (int n : {1, 3, 5, 9, 15, 41}) {
        for (double sigma : {0.5, 1.0, 2.0, 3.7}) {
          EXPECT_EQ(Blurred(*picture, size.width, size.height, n, sigma),
                    PlainBlur(*picture, size.width, size.height, n, sigma))
              << size.width << "x" << size.height << " n " << n << " sigma " << sigma;
        }
      }
    }
  }
  // Large enough to be shared among threads.
  std::vector<std::uint32_t> picture(203 * 150);
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = i % 203 < 100 ? 0x00C8C8C8 : random();
  EXPECT_EQ(Blurred(picture, 203, 150, 15, 2.5), PlainBlur(picture, 203, 150, 15, 2.5));
}

// Noise and flat patches of random levels (see above), for bit-for-bit comparisons.
std::vector<std::uint32_t> Patches(int width, int height, std::mt19937& random) {
  std::vector<std::uint32_t> levels(64), picture(std::size_t(width) * height);
  for (auto& level : levels) level = random() & 0x00FFFFFF;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture[std::size_t(y) * width + x] = x % 11 == 3 ? random() : levels[(y / 6 % 8) * 8 + x / 6 % 8];
  }
  return picture;
}

// Kernel sizes up to the largest: wherever the weights beyond some offset are all exactly
// 0 (sigma up to 1.6), or the area is small, the pixels are those of the plain convolution.
TEST_F(FastBlurTest, AnyKernelSizeEqualsThePlainConvolutionWhereItsTailIsZero) {
  std::mt19937 random(99);
  struct Size {
    int width, height;
  };
  const int sizes_n[] = {1, 3, 101, 129, 131, 1001, INT_MAX};
  for (Size size : {Size{135, 3}, Size{2, 140}, Size{24, 17}}) {
    const auto picture = Patches(size.width, size.height, random);
    for (int n : sizes_n) {
      for (double sigma : {0.4, 1.55}) {
        EXPECT_EQ(Blurred(picture, size.width, size.height, n, sigma),
                  PlainBlur(picture, size.width, size.height, n, sigma))
            << size.width << "x" << size.height << " n " << n << " sigma " << sigma;
      }
    }
    // A small area cuts any window to its own size, whatever sigma.
    if (size.width < 64 && size.height < 64) {
      for (int n : sizes_n) {
        for (double sigma : {3.0, 40.0, 1e9}) {
          EXPECT_EQ(Blurred(picture, size.width, size.height, n, sigma),
                    PlainBlur(picture, size.width, size.height, n, sigma))
              << size.width << "x" << size.height << " n " << n << " sigma " << sigma;
        }
      }
    }
  }
}

// Windows wider than 129 pixels with weights that never vanish are summed separably: the
// same mean up to the rounding of the sums, so each channel is that of the plain
// convolution or, where the mean lies within rounding of a whole level, one below or above.
TEST_F(FastBlurTest, WideWindowsGiveThePlainConvolutionsMeans) {
  std::mt19937 random(5);
  struct Case {
    int width, height, n;
    double sigma;
  };
  for (Case c : {Case{150, 4, 301, 2.0}, Case{3, 140, INT_MAX, 50.0}, Case{140, 3, 1001, 1e6}, Case{131, 2, 263, -7.5}}) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " n " << c.n << " sigma " << c.sigma);
    const auto picture = Patches(c.width, c.height, random);
    const auto fast = Blurred(picture, c.width, c.height, c.n, c.sigma);
    const auto plain = PlainBlur(picture, c.width, c.height, c.n, c.sigma);
    int differing = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
      for (int shift : {0, 8, 16}) {
        const int a = int(fast[i] >> shift & 0xFF), b = int(plain[i] >> shift & 0xFF);
        EXPECT_LE(std::abs(a - b), 1) << "pixel " << i;
        differing += a != b;
      }
      EXPECT_EQ(fast[i] >> 24, 0u);
    }
    EXPECT_LT(differing, int(plain.size()) / 20);
  }
}

// The largest kernels on a picture of 640 x 480 cost what a window of the picture's size
// costs along each axis, not its area: this used to run for hours.
TEST_F(FastBlurTest, TheLargestKernelsFinish) {
  std::vector<std::uint32_t> picture(640 * 480);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) picture[std::size_t(y) * 640 + x] = x < 320 ? Grey(200) : Grey(40);
  }
  struct Case {
    int n;
    double sigma;
    int low, high;  // the levels every pixel keeps to
  };
  // Nearly flat weights over the whole picture give its mean, 120, everywhere.
  for (Case c : {Case{INT_MAX, 1e6, 119, 120}, Case{1001, 100.0, 39, 200}, Case{INT_MAX, 2.0, 39, 200}}) {
    const auto out = Blurred(picture, 640, 480, c.n, c.sigma);
    auto level = [&](int x, int y) { return int(out[std::size_t(y) * 640 + x] & 0xFF); };
    for (int y = 0; y < 480; y += 7) {
      for (int x = 0; x < 640; ++x) {
        EXPECT_GE(level(x, y), c.low) << c.n << " " << c.sigma;
        EXPECT_LE(level(x, y), c.high) << c.n << " " << c.sigma;
      }
      EXPECT_GE(level(0, y), level(639, y));
    }
    if (c.sigma == 2.0) {
      EXPECT_GE(level(0, 240), 199);  // far from the edge the two sides keep their levels
      EXPECT_LE(level(639, 240), 40);
    } else if (c.sigma == 100.0) {
      EXPECT_GT(level(0, 240), level(639, 240) + 100);
    }
  }
}

}  // namespace
}  // namespace vx::testing

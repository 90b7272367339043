// FastBlur: the worked values, the settled edge cases, and bit-for-bit agreement with the
// convolution written out plainly.
#include <gtest/gtest.h>

#include <cmath>
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
// left to right, neighbours outside the area skipped, one double sum per channel.
std::vector<std::uint32_t> PlainBlur(const std::vector<std::uint32_t>& source, int width,
                                     int height, int n, double sigma) {
  const int half = n / 2;
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

}  // namespace
}  // namespace vx::testing

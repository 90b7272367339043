// Turning pictures and regions: whole turns move every pixel, other angles match a
// pixel-by-pixel rendering of the same arithmetic, and regions turn their outline.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "gdi/vxgdi.h"
#include "tests/gdi_test_surface.h"
#include "tests/hostile_files.h"
#include "tests/region_test_support.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

constexpr std::uint32_t kSentinel = 0x00FEFDFC;

// A BGRA picture whose opaque pixel (c, r) is red c, green r, blue 7.
std::vector<unsigned char> CodedBgra(int w, int h) {
  std::vector<unsigned char> bytes;
  for (int r = 0; r < h; ++r) {
    for (int c = 0; c < w; ++c) bytes.insert(bytes.end(), {7, (unsigned char)r, (unsigned char)c, 255});
  }
  return bytes;
}
std::uint32_t Coded(int c, int r) { return std::uint32_t(c) << 16 | std::uint32_t(r) << 8 | 7; }

// Where source pixel (c, r) lands in the box of a turn by `quarters` x 90 degrees clockwise.
struct Turn {
  int w, h, quarters;
  int box_w() const { return quarters % 2 ? h : w; }
  int box_h() const { return quarters % 2 ? w : h; }
  // The source pixel shown at box pixel (q, r).
  std::uint32_t At(int q, int r) const {
    switch (quarters) {
      case 0: return Coded(q, r);
      case 1: return Coded(r, h - 1 - q);
      case 2: return Coded(w - 1 - q, h - 1 - r);
      default: return Coded(w - 1 - r, q);
    }
  }
};

// The surface shows exactly the turned picture, whole, in one box, and the box keeps the
// picture's centre (x + w/2, y + h/2) to within a pixel. Returns the box's top-left corner.
POINT ExpectWholeTurn(const TestSurface& s, const Turn& turn, int x, int y) {
  const auto words = s.Words();
  int left = s.width(), top = s.height(), right = -1, bottom = -1;
  for (int ty = 0; ty < s.height(); ++ty) {
    for (int tx = 0; tx < s.width(); ++tx) {
      if ((words[std::size_t(ty) * s.width() + tx] & 0x00FFFFFF) == kSentinel) continue;
      left = std::min(left, tx), right = std::max(right, tx);
      top = std::min(top, ty), bottom = std::max(bottom, ty);
    }
  }
  EXPECT_EQ(right - left + 1, turn.box_w());
  EXPECT_EQ(bottom - top + 1, turn.box_h());
  EXPECT_LE(std::abs(2 * left + turn.box_w() - (2 * x + turn.w)), 2);
  EXPECT_LE(std::abs(2 * top + turn.box_h() - (2 * y + turn.h)), 2);
  for (int r = 0; r < turn.box_h() && !::testing::Test::HasFailure(); ++r) {
    for (int q = 0; q < turn.box_w(); ++q) {
      EXPECT_EQ(s.At(left + q, top + r) & 0x00FFFFFF, turn.At(q, r)) << "box pixel " << q << ", " << r;
    }
  }
  return {left, top};
}

class RotationTest : public LeakCheckedTest {};

TEST_F(RotationTest, WholeTurnsMoveEveryPixelWholeAndInPlace) {
  struct Size {
    int w, h;
  };
  for (Size size : {Size{1, 1}, Size{2, 1}, Size{4, 2}, Size{3, 5}, Size{7, 7}, Size{8, 3},
                    Size{16, 9}, Size{31, 17}}) {
    auto picture = CodedBgra(size.w, size.h);
    for (int degrees : {0, 90, 180, 270, -90, 360, 450}) {
      const Turn turn{size.w, size.h, ((degrees / 90) % 4 + 4) % 4};
      SCOPED_TRACE(::testing::Message() << size.w << "x" << size.h << " by " << degrees);
      TestSurface data(60, 60, kSentinel);
      CvxGDI::DrawDCByRotateData(data.dc(), 20, 20, size.w, size.h, picture.data(), float(degrees), 0, 0);
      ExpectWholeTurn(data, turn, 20, 20);

      TestSurface source(size.w, size.h, 0);
      CvxGDI::DrawDCByData2(source.dc(), 0, 0, size.w, size.h, picture.data(),
                            0, 0, size.w, size.h);
      TestSurface copy(60, 60, kSentinel);
      CvxGDI::RotateDC(copy.dc(), 20, 20, source.dc(), size.w, size.h, degrees);
      ExpectWholeTurn(copy, turn, 20, 20);
    }
  }
}

// A 4 x 2 picture turned by 90 degrees: a 2 x 4 box, the picture's top row in its right
// column. The blending rotation places it from the truncated box sizes, one column right of
// where RotateDC places it from the exact ones.
TEST_F(RotationTest, QuarterTurnOfFourByTwoLandsWhereItsBoxSays) {
  auto picture = CodedBgra(4, 2);
  TestSurface data(10, 10, kSentinel);
  CvxGDI::DrawDCByRotateData(data.dc(), 3, 3, 4, 2, picture.data(), 90, 0, 0);
  const POINT at = ExpectWholeTurn(data, {4, 2, 1}, 3, 3);
  EXPECT_EQ(at.x, 3 + 1);
  EXPECT_EQ(at.y, 3 - 1);
  EXPECT_EQ(data.At(5, 2) & 0x00FFFFFF, Coded(0, 0));  // top row, right column

  TestSurface source(4, 2, 0);
  CvxGDI::DrawDCByData2(source.dc(), 0, 0, 4, 2, picture.data(), 0, 0, 4, 2);
  TestSurface copy(10, 10, kSentinel);
  CvxGDI::RotateDC(copy.dc(), 3, 3, source.dc(), 4, 2, 90);
  const POINT copied = ExpectWholeTurn(copy, {4, 2, 1}, 3, 3);
  EXPECT_EQ(copied.x, 3);
  EXPECT_EQ(copied.y, 3 - 1);
}

// What the two inverse-mapping rotations must give, pixel by pixel, written as plainly as
// the arithmetic reads: every box pixel maps its centre back into the picture.
struct PlainRotation {
  int w, h;
  double s, c, min_x, min_y, box_w, box_h;

  PlainRotation(int width, int height, double theta) : w(width), h(height) {
    s = std::sin(theta);
    c = std::cos(theta);
    const double xs[] = {0, -h * s, w * c - h * s, w * c}, ys[] = {0, h * c, w * s + h * c, w * s};
    min_x = *std::min_element(xs, xs + 4);
    min_y = *std::min_element(ys, ys + 4);
    box_w = *std::max_element(xs, xs + 4) - min_x;
    box_h = *std::max_element(ys, ys + 4) - min_y;
  }
  // Source index under the centre of box pixel (q, r), or -1.
  long Sample(int q, int r) const {
    const double X = q + 0.5 + min_x, Y = r + 0.5 + min_y;
    const double u = X * c + Y * s, v = Y * c - X * s;
    if (u < 0 || u >= w || v < 0 || v >= h) return -1;
    return long(v) * w + long(u);
  }
};

TEST_F(RotationTest, AnyAngleMatchesThePlainArithmetic) {
  std::mt19937 random(12345);
  struct Size {
    int w, h;
  };
  for (Size size : {Size{1, 1}, Size{5, 3}, Size{13, 8}, Size{24, 31}}) {
    std::vector<unsigned char> picture(std::size_t(size.w) * size.h * 4);
    for (auto& b : picture) b = static_cast<unsigned char>(random());
    std::vector<std::uint32_t> below(70 * 70);
    for (auto& word : below) word = random();
    for (double degrees : {30.0, 45.0, -12.3, 171.0, 89.99, 269.5, 1000.0}) {
      SCOPED_TRACE(::testing::Message() << size.w << "x" << size.h << " by " << degrees);
      // DrawDCByRotateData: the angle in radians kept as a float; offsets from whole sizes.
      const float theta = float(float(degrees) * 3.1415926 / 180);
      const PlainRotation plain(size.w, size.h, theta);
      const int W = int(plain.box_w), H = int(plain.box_h);
      const int left = 30 - (W - size.w) / 2, top = 30 - (H - size.h) / 2;
      std::vector<std::uint32_t> expected = below;
      for (int r = 0; r < H; ++r) {
        for (int q = 0; q < W; ++q) {
          const long i = plain.Sample(q, r);
          const int tx = left + q, ty = top + r;
          if (i < 0 || tx < 0 || ty < 0 || tx >= 70 || ty >= 70) continue;
          const unsigned char* p = &picture[std::size_t(i) * 4];
          std::uint32_t& word = expected[std::size_t(ty) * 70 + tx];
          word = std::uint32_t(CvxGDI::ShadeColors(LONG(word), LONG(p[0] | p[1] << 8 | p[2] << 16), p[3]));
        }
      }
      TestSurface data(70, 70, 0);
      data.SetWords(below);
      CvxGDI::DrawDCByRotateData(data.dc(), 30, 30, size.w, size.h, picture.data(), float(degrees), 0, 0);
      EXPECT_EQ(data.Words(), expected);

      // RotateDC: the angle as a double, offsets from the exact box sizes, black where the
      // box has no sample.
      const PlainRotation exact(size.w, size.h, degrees * 3.1415926 / 180);
      const int W2 = int(exact.box_w), H2 = int(exact.box_h);
      const int left2 = 30 - int((exact.box_w - size.w) / 2), top2 = 30 - int((exact.box_h - size.h) / 2);
      TestSurface source(size.w, size.h, 0);
      std::vector<std::uint32_t> pixels(std::size_t(size.w) * size.h);
      for (auto& word : pixels) word = random();
      source.SetWords(pixels);
      expected = below;
      for (int r = 0; r < H2; ++r) {
        for (int q = 0; q < W2; ++q) {
          const long i = exact.Sample(q, r);
          const int tx = left2 + q, ty = top2 + r;
          if (tx >= 0 && ty >= 0 && tx < 70 && ty < 70) expected[std::size_t(ty) * 70 + tx] = i < 0 ? 0 : pixels[i];
        }
      }
      TestSurface copy(70, 70, 0);
      copy.SetWords(below);
      CvxGDI::RotateDC(copy.dc(), 30, 30, source.dc(), size.w, size.h, degrees);
      EXPECT_EQ(copy.Words(), expected);
    }
  }
}

// RotateDC asked for a picture larger than its source's surface: what lies beyond the
// surface reads black, and only the part of the box on the target is made. Against the
// plain arithmetic over the whole picture and the whole box.
TEST_F(RotationTest, PicturesBeyondTheSourceReadBlackAndOnlyTheShownPartIsMade) {
  std::mt19937 random(777);
  TestSurface source(13, 8, 0);
  std::vector<std::uint32_t> pixels(13 * 8);
  for (auto& word : pixels) word = random();
  source.SetWords(pixels);
  std::vector<std::uint32_t> below(40 * 30);
  for (auto& word : below) word = random();
  struct Case {
    int x, y, w, h;
    double degrees;
  };
  for (Case k : {Case{5, 4, 60, 50, 0.0}, Case{-20, -10, 90, 70, 33.0}, Case{30, 25, 60, 50, -70.0},
                 Case{-100, -80, 13, 8, 200.0}, Case{2, 3, 200, 7, 91.0}, Case{-3, 0, 9, 300, 180.0}}) {
    SCOPED_TRACE(::testing::Message() << k.w << "x" << k.h << " at " << k.x << ", " << k.y << " by " << k.degrees);
    const PlainRotation exact(k.w, k.h, k.degrees * 3.1415926 / 180);
    const int W = int(exact.box_w), H = int(exact.box_h);
    const int left = k.x - int((exact.box_w - k.w) / 2), top = k.y - int((exact.box_h - k.h) / 2);
    std::vector<std::uint32_t> expected = below;
    for (int r = 0; r < H; ++r) {
      for (int q = 0; q < W; ++q) {
        const long i = exact.Sample(q, r);
        const int tx = left + q, ty = top + r;
        if (tx < 0 || ty < 0 || tx >= 40 || ty >= 30) continue;
        const long u = i < 0 ? 0 : i % k.w, v = i < 0 ? 0 : i / k.w;
        expected[std::size_t(ty) * 40 + tx] = i < 0 || u >= 13 || v >= 8 ? 0 : pixels[std::size_t(v) * 13 + u];
      }
    }
    TestSurface copy(40, 30, 0);
    copy.SetWords(below);
    CvxGDI::RotateDC(copy.dc(), k.x, k.y, source.dc(), k.w, k.h, k.degrees);
    EXPECT_EQ(copy.Words(), expected);
  }
}

// 20 000 x 20 000 from a 200 x 150 surface onto 640 x 480: the memory of the two surfaces,
// not of the 400-megapixel box (it took 3 GB).
TEST_F(RotationTest, AHugePictureFromASmallSurfaceTakesTheSurfacesMemory) {
  TestSurface source(200, 150, 0x00ABCDEF);
  TestSurface target(640, 480, 0x00123456);
  const std::size_t before = PeakResidentBytes();
  // Unturned at (100, 100): the source there, black over the rest of the box, the target's
  // own pixels left of and above it.
  CvxGDI::RotateDC(target.dc(), 100, 100, source.dc(), 20000, 20000, 0.0);
  const auto words = target.Words();
  for (int y = 0; y < 480; y += 3) {
    for (int x = 0; x < 640; x += 3) {
      const std::uint32_t expected = x >= 100 && y >= 100 ? (x < 300 && y < 250 ? 0x00ABCDEFu : 0u) : 0x00123456u;
      EXPECT_EQ(words[std::size_t(y) * 640 + x] & 0x00FFFFFF, expected) << x << ", " << y;
    }
  }
  CvxGDI::RotateDC(target.dc(), -5000, -7000, source.dc(), 20000, 20000, 30.0);
  CvxGDI::RotateDC(target.dc(), 0, 0, source.dc(), 20000, 4, 90.0);
  EXPECT_LT(PeakResidentBytes() - before, std::size_t{64} << 20);
}

TEST_F(RotationTest, AtNoAngleTheBlendingRotationsEqualThePlainBlit) {
  std::vector<unsigned char> picture;
  for (int i = 0; i < 5 * 3; ++i) {
    picture.insert(picture.end(), {(unsigned char)(i * 40), (unsigned char)(200 - i), (unsigned char)(i * 7),
                                   (unsigned char)(i * 18)});
  }
  std::vector<std::uint32_t> below;
  for (int i = 0; i < 8 * 6; ++i) below.push_back(0x00102030u * (i % 7) + 0x00010101u * i);
  TestSurface blit(8, 6, 0), data(8, 6, 0), bitmap_turn(8, 6, 0);
  for (auto* s : {&blit, &data, &bitmap_turn}) s->SetWords(below);
  CvxGDI::DrawDCByData2(blit.dc(), 2, 1, 5, 3, picture.data(), 0, 0, 5, 3);
  CvxGDI::DrawDCByRotateData(data.dc(), 2, 1, 5, 3, picture.data(), 0, 0, 0);

  // RotateDC2 reads the same pixels from a bitmap whose fourth byte is the alpha.
  TestSurface source(5, 3, 0);
  std::vector<std::uint32_t> words;
  for (int i = 0; i < 15; ++i) {
    const unsigned char* p = &picture[std::size_t(i) * 4];
    words.push_back(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24);
  }
  source.SetWords(words);
  CvxGDI::RotateDC2(bitmap_turn.dc(), 2, 1, source.dc(), source.bitmap(), 5, 3, 0);
  for (std::size_t i = 0; i < below.size(); ++i) {
    EXPECT_EQ(data.Words()[i] & 0x00FFFFFF, blit.Words()[i] & 0x00FFFFFF) << i;
    EXPECT_EQ(bitmap_turn.Words()[i] & 0x00FFFFFF, blit.Words()[i] & 0x00FFFFFF) << i;
  }
}

// RotateDC2 maps forward, source pixel by source pixel, truncating. For a 4 x 2 picture by
// 180 degrees the arithmetic sends (1, 0) to box pixel (3, 1), (2, 0) and then (2, 1) both to
// (2, 1), (0, 1) to (3, 0), (1, 1) to (2, 0), (3, 1) to (1, 1), and (0, 0) and (3, 0)
// outside the 4 x 2 box at (x, y).
TEST_F(RotationTest, TheForwardMapBlendsLaterSourcePixelsOverEarlierOnes) {
  auto word = [](int c, int r, std::uint32_t alpha) { return alpha << 24 | Coded(c, r); };
  TestSurface source(4, 2, 0);
  source.SetWords({word(0, 0, 255), word(1, 0, 255), word(2, 0, 255), word(3, 0, 255),
                   word(0, 1, 255), word(1, 1, 255), word(2, 1, 100), word(3, 1, 255)});
  TestSurface target(6, 4, kSentinel);
  CvxGDI::RotateDC2(target.dc(), 1, 1, source.dc(), source.bitmap(), 4, 2, 180);
  const std::uint32_t under = CvxGDI::ShadeColors(LONG(word(2, 0, 255)), LONG(word(2, 1, 100)), 100);
  const std::vector<std::uint32_t> expected = {
      kSentinel, kSentinel,       kSentinel,       kSentinel,       kSentinel,       kSentinel,
      kSentinel, kSentinel,       kSentinel,       word(1, 1, 255), word(0, 1, 255), kSentinel,
      kSentinel, kSentinel,       word(3, 1, 255), under,           word(1, 0, 255), kSentinel,
      kSentinel, kSentinel,       kSentinel,       kSentinel,       kSentinel,       kSentinel};
  EXPECT_EQ(target.Words(), expected);
}

// Only the part of the box on the target is made: a box reaching past the target's edges
// lays the same pixels there as on a target large enough to hold it.
TEST_F(RotationTest, TheForwardMapMakesOnlyWhatShows) {
  TestSurface source(60, 40, 0);
  std::vector<std::uint32_t> words;
  for (int r = 0; r < 40; ++r)
    for (int c = 0; c < 60; ++c) words.push_back(std::uint32_t(55 + (c * 3 + r) % 200) << 24 | Coded(c, r));
  source.SetWords(words);
  // On the large target the small one's (0, 0) lies at (70, 60).
  TestSurface large(200, 200, kSentinel), small(20, 15, kSentinel);
  CvxGDI::RotateDC2(large.dc(), 50, 50, source.dc(), source.bitmap(), 60, 40, 30);
  CvxGDI::RotateDC2(small.dc(), -20, -10, source.dc(), source.bitmap(), 60, 40, 30);
  EXPECT_NE(small.Words(), std::vector<std::uint32_t>(20 * 15, kSentinel));
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(small.At(x, y), large.At(x + 70, y + 60)) << x << ", " << y;
}

TEST_F(RotationTest, NothingIsDrawnForPicturesOfNoSize) {
  auto picture = CodedBgra(2, 2);
  TestSurface target(4, 4, kSentinel), source(2, 2, 0);
  for (int w : {0, -3, 2}) {
    const int h = w == 2 ? 0 : 2;
    CvxGDI::DrawDCByRotateData(target.dc(), 1, 1, w, h, picture.data(), 30, 0, 0);
    CvxGDI::RotateDC(target.dc(), 1, 1, source.dc(), w, h, 30);
    CvxGDI::RotateDC2(target.dc(), 1, 1, source.dc(), source.bitmap(), w, h, 30);
  }
  EXPECT_EQ(target.Words(), std::vector<std::uint32_t>(16, kSentinel));
  // Angles that are no number make no box.
  CvxGDI::RotateDC(target.dc(), 1, 1, source.dc(), 2, 2, std::nan(""));
  CvxGDI::DrawDCByRotateData(target.dc(), 1, 1, 2, 2, picture.data(),
                             INFINITY, 0, 0);
  EXPECT_EQ(target.Words(), std::vector<std::uint32_t>(16, kSentinel));
}

// RotateRgn builds its outline from the region's bands and turns it point by point; the
// result is the polygon region of that turned outline.
TEST_F(RotationTest, RegionsTurnTheirOutline) {
  struct Case {
    std::vector<RECT> rects;
    float angle;
    int cx, cy;
    std::vector<POINT> outline;  // as the documented arithmetic turns it
  };
  const Case cases[] = {
      {{{0, 0, 10, 10}}, 0, 5, 5, {{0, 0}, {0, 10}, {10, 10}, {10, 0}}},
      {{{0, 0, 10, 10}}, 90, 5, 5, {{0, 9}, {9, 10}, {10, 0}, {0, 0}}},
      {{{0, 0, 10, 10}}, 90, 0, 0, {{0, 0}, {9, 0}, {10, -9}, {0, -9}}},
      {{{0, 0, 4, 2}, {0, 2, 6, 4}}, 0, 0, 0, {{0, 0}, {0, 2}, {0, 4}, {6, 4}, {4, 2}, {4, 0}}},
      {{{0, 0, 2, 2}, {4, 0, 6, 2}}, 0, 0, 0, {{0, 0}, {4, 0}, {4, 2}, {6, 2}, {2, 2}, {2, 0}}},
  };
  for (const Case& k : cases) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : k.rects) {
      OwnedRegion piece(CreateRectRgn(r.left, r.top, r.right, r.bottom));
      CombineRgn(region, region, piece, RGN_OR);
    }
    ASSERT_EQ(Rects(region), k.rects);
    OwnedRegion turned(CvxGDI::RotateRgn(region, k.angle, k.cx, k.cy));
    ASSERT_NE(static_cast<HRGN>(turned), nullptr);
    EXPECT_EQ(GetObjectType(region), 0u) << "the input region is deleted";
    OwnedRegion outline(CreatePolygonRgn(k.outline.data(), int(k.outline.size()), WINDING));
    EXPECT_EQ(Rects(turned), Rects(outline)) << "angle " << k.angle;
  }
  // The square turned by 90 degrees about its centre, as pixels.
  HRGN square = CreateRectRgn(0, 0, 10, 10);
  OwnedRegion turned(CvxGDI::RotateRgn(square, 90, 5, 5));
  EXPECT_EQ(Rects(turned), (std::vector<RECT>{{0, 0, 10, 5}, {0, 5, 9, 9}, {4, 9, 9, 10}}));
  // Two boxes side by side in one band: the zigzag outline encloses the gap between them.
  HRGN pair = CreateRectRgn(0, 0, 2, 2);
  OwnedRegion right(CreateRectRgn(4, 0, 6, 2));
  CombineRgn(pair, pair, right, RGN_OR);
  OwnedRegion zigzag(CvxGDI::RotateRgn(pair, 0, 0, 0));
  EXPECT_EQ(Rects(zigzag), (std::vector<RECT>{{2, 0, 4, 2}}));
}

TEST_F(RotationTest, EmptyAndInvalidRegions) {
  HRGN empty = CreateRectRgn(0, 0, 0, 0);
  OwnedRegion turned(CvxGDI::RotateRgn(empty, 30, 1, 1));
  ASSERT_NE(static_cast<HRGN>(turned), nullptr);
  EXPECT_TRUE(Rects(turned).empty());
  EXPECT_EQ(GetObjectType(empty), 0u);
  EXPECT_EQ(CvxGDI::RotateRgn(nullptr, 30, 0, 0), nullptr);
  // An outline too large to scan convert: no new region, and the old one stays the caller's.
  OwnedRegion huge(CreateRectRgn(-1000000000, -1000000000, 1000000000, 1000000000));
  EXPECT_EQ(CvxGDI::RotateRgn(huge, 30, 0, 0), nullptr);
  EXPECT_EQ(GetObjectType(huge), DWORD(OBJ_REGION));
}

}  // namespace
}  // namespace vx::testing

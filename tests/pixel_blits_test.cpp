#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "gdi/vxgdi.h"
#include "platform/surface/gdi_diagnostics.h"
#include "tests/gdi_test_surface.h"

namespace {

using vx::testing::TestSurface;

enum class Order { kRgba, kBgra };

// A picture whose pixel (c, r) names itself: red c, green r, blue 7.
std::vector<unsigned char> CodedPicture(int width, int height, Order order,
                                        unsigned char alpha = 255) {
  std::vector<unsigned char> bytes;
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) {
      const unsigned char red = static_cast<unsigned char>(c), blue = 7;
      if (order == Order::kRgba) {
        bytes.insert(bytes.end(), {red, static_cast<unsigned char>(r), blue, alpha});
      } else {
        bytes.insert(bytes.end(), {blue, static_cast<unsigned char>(r), red, alpha});
      }
    }
  }
  return bytes;
}

// What an opaque pixel (c, r) of a coded picture leaves on the target.
std::uint32_t CodedWord(int c, int r) {
  return 0xFF000000u | std::uint32_t(c) << 16 | std::uint32_t(r) << 8 | 7u;
}

// A picture of one colour and alpha, given in RGBA and laid out in `order`.
std::vector<unsigned char> PlainPicture(int width, int height, Order order, unsigned char red,
                                        unsigned char green, unsigned char blue,
                                        unsigned char alpha) {
  std::vector<unsigned char> bytes;
  for (int i = 0; i < width * height; ++i) {
    if (order == Order::kRgba) {
      bytes.insert(bytes.end(), {red, green, blue, alpha});
    } else {
      bytes.insert(bytes.end(), {blue, green, red, alpha});
    }
  }
  return bytes;
}

// Each blit asked to draw a whole picture of the area's size one to one; the nine-part ones
// with margins that keep it unscaled.
struct Blit {
  const char* name;
  Order order;
  void (*draw)(HDC target, LONG x, LONG y, LONG width, LONG height, unsigned char* pixels);
};

const Blit kBlits[] = {
    {"DrawDCByData", Order::kRgba,
     [](HDC dc, LONG x, LONG y, LONG w, LONG h, unsigned char* p) {
       CvxGDI::DrawDCByData(dc, x, y, w, h, p);
     }},
    {"DrawDCByData2", Order::kBgra,
     [](HDC dc, LONG x, LONG y, LONG w, LONG h, unsigned char* p) {
       CvxGDI::DrawDCByData2(dc, x, y, w, h, p, 0, 0, w, h);
     }},
    {"DrawStretchDCByData", Order::kBgra,
     [](HDC dc, LONG x, LONG y, LONG w, LONG h, unsigned char* p) {
       CvxGDI::DrawStretchDCByData(dc, x, y, w, h, p, 0, 0, w, h, w, h);
     }},
    {"DrawDCByData3", Order::kBgra,
     [](HDC dc, LONG x, LONG y, LONG w, LONG h, unsigned char* p) {
       CvxGDI::DrawDCByData3(dc, x, y, w, h, p, w, h, 1, 1, 1, 1);
     }},
    {"DrawDCByDataEx", Order::kRgba,
     [](HDC dc, LONG x, LONG y, LONG w, LONG h, unsigned char* p) {
       RECT margins{1, 1, 1, 1};
       CvxGDI::DrawDCByDataEx(dc, x, y, w, h, p, 0, 0, w, h, w, h, margins);
     }},
};

// Every test also checks that nothing it drew left a context or bitmap behind.
class PixelBlit : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(vx::LiveGdiObjects(), before_); }

  // Asserts that the target pixel at (x + i, y + j) came from coded pixel
  // (columns[i], rows[j]), for the whole grid.
  static void ExpectGrid(const TestSurface& target, int x, int y, const std::vector<int>& columns,
                         const std::vector<int>& rows) {
    for (std::size_t j = 0; j < rows.size(); ++j) {
      for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(target.At(x + int(i), y + int(j)), CodedWord(columns[i], rows[j]))
            << "at destination column " << i << ", row " << j;
      }
    }
  }

 private:
  const vx::GdiObjectCounts before_ = vx::LiveGdiObjects();
};

TEST_F(PixelBlit, EachFunctionReadsItsOwnByteOrder) {
  unsigned char bytes[4] = {255, 0, 0, 255};
  const std::uint32_t red = 0xFFFF0000, blue = 0xFF0000FF;
  for (const Blit& blit : kBlits) {
    TestSurface target(1, 1, 0x00808080);
    blit.draw(target.dc(), 0, 0, 1, 1, bytes);
    EXPECT_EQ(target.At(0, 0), blit.order == Order::kRgba ? red : blue) << blit.name;
  }
}

TEST_F(PixelBlit, TransparentSourceKeepsColoursAndZeroesFourthByte) {
  for (const Blit& blit : kBlits) {
    TestSurface target(3, 3, 0xAB123456);
    auto picture = CodedPicture(3, 3, blit.order, 0);
    blit.draw(target.dc(), 0, 0, 3, 3, picture.data());
    EXPECT_EQ(target.Words(), std::vector<std::uint32_t>(9, 0x00123456)) << blit.name;
  }
}

TEST_F(PixelBlit, OpaqueSourceReplacesColoursExactly) {
  for (const Blit& blit : kBlits) {
    TestSurface target(3, 3, 0xAB123456);
    auto picture = CodedPicture(3, 3, blit.order);
    blit.draw(target.dc(), 0, 0, 3, 3, picture.data());
    SCOPED_TRACE(blit.name);
    ExpectGrid(target, 0, 0, {0, 1, 2}, {0, 1, 2});
  }
}

TEST_F(PixelBlit, PartialAlphaMixesEachChannelAndStoresAlpha) {
  // Below: red 30, green 20, blue 10. Above: red 250, green 200, blue 100 at alpha 128.
  // Red (250*128 + 30*127) / 255 = 140, green 110, blue 55.
  for (const Blit& blit : kBlits) {
    TestSurface target(3, 3, 0x001E140A);
    auto picture = PlainPicture(3, 3, blit.order, 250, 200, 100, 128);
    blit.draw(target.dc(), 0, 0, 3, 3, picture.data());
    EXPECT_EQ(target.Words(), std::vector<std::uint32_t>(9, 0x808C6E37)) << blit.name;
  }
}

TEST_F(PixelBlit, AreaPartlyOffTheTargetChangesOnlyWhatLiesOnIt) {
  const std::uint32_t fill = 0x00404040;
  struct Placement {
    int x, y;
  };
  for (const Blit& blit : kBlits) {
    for (Placement at : {Placement{-2, -1}, Placement{3, 2}, Placement{10, 0}}) {
      TestSurface target(4, 4, fill);
      auto picture = CodedPicture(4, 3, blit.order);
      blit.draw(target.dc(), at.x, at.y, 4, 3, picture.data());
      for (int ty = 0; ty < 4; ++ty) {
        for (int tx = 0; tx < 4; ++tx) {
          const int c = tx - at.x, r = ty - at.y;
          const bool covered = c >= 0 && c < 4 && r >= 0 && r < 3;
          EXPECT_EQ(target.At(tx, ty), covered ? CodedWord(c, r) : fill)
              << blit.name << " at (" << at.x << ", " << at.y << "), target pixel (" << tx
              << ", " << ty << ")";
        }
      }
    }
  }
}

TEST_F(PixelBlit, EmptyOrNegativeAreaDrawsNothing) {
  auto picture = CodedPicture(2, 2, Order::kRgba);
  struct Size {
    LONG width, height;
  };
  for (const Blit& blit : kBlits) {
    for (Size size : {Size{0, 2}, Size{2, 0}, Size{-1, 2}, Size{2, -5}, Size{0, 0}}) {
      TestSurface target(2, 2, 0xAB123456);
      const vx::GdiObjectCounts before = vx::LiveGdiObjects();
      blit.draw(target.dc(), 0, 0, size.width, size.height, picture.data());
      EXPECT_EQ(target.Words(), std::vector<std::uint32_t>(4, 0xAB123456))
          << blit.name << " " << size.width << "x" << size.height;
      EXPECT_EQ(vx::LiveGdiObjects(), before) << blit.name;
    }
  }
}

TEST_F(PixelBlit, UnusableTargetDrawsNothingAndLeaksNothing) {
  auto picture = CodedPicture(2, 2, Order::kRgba);
  for (const Blit& blit : kBlits) {
    const vx::GdiObjectCounts before = vx::LiveGdiObjects();
    blit.draw(nullptr, 0, 0, 2, 2, picture.data());
    EXPECT_EQ(vx::LiveGdiObjects(), before) << blit.name;
  }
}

TEST_F(PixelBlit, NullBufferDrawsNothing) {
  for (const Blit& blit : kBlits) {
    TestSurface target(3, 3, 0xAB123456);
    blit.draw(target.dc(), 0, 0, 3, 3, nullptr);
    EXPECT_EQ(target.Words(), std::vector<std::uint32_t>(9, 0xAB123456)) << blit.name;
  }
  TestSurface target(3, 3, 0xAB123456);
  CvxGDI::DrawDCByRotateData(target.dc(), 0, 0, 3, 3, nullptr, 30.0f, 0, 0);
  EXPECT_EQ(target.Words(), std::vector<std::uint32_t>(9, 0xAB123456));
}

// Each blit told the picture's size is asked for pieces, margins and offsets that reach
// outside a 100 x 80 picture held in a buffer of exactly its size: nothing is read beyond
// it (AddressSanitizer would stop the test) and nothing is drawn.
TEST_F(PixelBlit, PiecesMarginsAndOffsetsOutsideThePictureDrawNothing) {
  constexpr LONG kW = 100, kH = 80, kMax = INT32_MAX, kMin = INT32_MIN;
  auto bgra = CodedPicture(kW, kH, Order::kBgra);
  auto rgba = CodedPicture(kW, kH, Order::kRgba);
  unsigned char* b = bgra.data();
  unsigned char* a = rgba.data();
  auto ex = [&](LONG w, LONG h, LONG sx, LONG sy, LONG sw, LONG sh, RECT margins) {
    return [=](HDC dc) mutable { CvxGDI::DrawDCByDataEx(dc, 0, 0, w, h, a, sx, sy, sw, sh, kW, kH, margins); };
  };
  struct Case {
    const char* name;
    std::function<void(HDC)> draw;
  };
  const Case cases[] = {
      {"nine parts, bottom margin past the picture",
       [&](HDC dc) { CvxGDI::DrawDCByData3(dc, 0, 0, 300, 200, b, kW, kH, 0, 0, 0, 90); }},
      {"nine parts, negative margins",
       [&](HDC dc) { CvxGDI::DrawDCByData3(dc, 0, 0, 300, 200, b, kW, kH, -5, -5, -5, -5); }},
      {"nine parts, a side margin wider than the picture",
       [&](HDC dc) { CvxGDI::DrawDCByData3(dc, 0, 0, 300, 200, b, kW, kH, 120, 0, 0, 0); }},
      {"nine parts, top margin past the picture",
       [&](HDC dc) { CvxGDI::DrawDCByData3(dc, 0, 0, 30, 200, b, kW, kH, 1, 1, 81, 1); }},
      {"nine parts, extreme margins",
       [&](HDC dc) { CvxGDI::DrawDCByData3(dc, 0, 0, 30, 20, b, kW, kH, kMax, kMin, kMin, kMax); }},
      {"one pass, margins of the picture's size", ex(300, 200, 0, 0, kW, kH, {100, 100, 100, 100})},
      {"one pass, piece at (-1, -1)", ex(30, 20, -1, -1, 10, 10, {0, 0, 0, 0})},
      {"one pass, piece past the right edge", ex(30, 20, 95, 0, 10, 10, {1, 1, 1, 1})},
      {"one pass, piece past the bottom", ex(30, 20, 0, 75, 10, 10, {0, 0, 0, 0})},
      {"one pass, offsets near the ends of the range", ex(30, 20, kMax - 1, kMin + 1, 10, 10, {0, 0, 0, 0})},
      {"one pass, extreme sizes", ex(30, 20, 0, 0, kMax, kMin, {2, 2, 2, 2})},
      {"stretch, piece larger than the picture",
       [&](HDC dc) { CvxGDI::DrawStretchDCByData(dc, 0, 0, 300, 200, b, 0, 0, 1000, 1000, kW, kH); }},
      {"stretch, negative piece running off the picture",
       [&](HDC dc) { CvxGDI::DrawStretchDCByData(dc, 0, 0, 30, 20, b, 5, 5, -10, -10, kW, kH); }},
      {"stretch, offsets near the ends of the range",
       [&](HDC dc) { CvxGDI::DrawStretchDCByData(dc, 0, 0, 30, 20, b, kMin, kMax - 5, 10, 10, kW, kH); }},
      {"piece, past the right edge",
       [&](HDC dc) { CvxGDI::DrawDCByData2(dc, 0, 0, 30, 20, b, 71, 0, kW, kH); }},
      {"piece, past the bottom by one row",
       [&](HDC dc) { CvxGDI::DrawDCByData2(dc, 0, 0, 30, 20, b, 0, 61, kW, kH); }},
      {"piece, at (-1, 0)", [&](HDC dc) { CvxGDI::DrawDCByData2(dc, 0, 0, 30, 20, b, -1, 0, kW, kH); }},
      {"piece, offsets near the ends of the range",
       [&](HDC dc) { CvxGDI::DrawDCByData2(dc, 0, 0, 30, 20, b, kMax, kMin, kW, kH); }},
      {"piece, picture of no width", [&](HDC dc) { CvxGDI::DrawDCByData2(dc, 0, 0, 3, 2, b, 0, 0, 0, kH); }},
  };
  for (const Case& c : cases) {
    TestSurface target(40, 30, 0xAB123456);
    c.draw(target.dc());
    EXPECT_EQ(target.Words(), std::vector<std::uint32_t>(40 * 30, 0xAB123456)) << c.name;
  }
}

// The same blits flush with the picture's right and bottom edges still draw every pixel.
TEST_F(PixelBlit, PiecesFlushWithThePicturesEdgesStillDraw) {
  auto bgra = CodedPicture(10, 8, Order::kBgra);
  auto rgba = CodedPicture(10, 8, Order::kRgba);
  TestSurface piece(3, 2, 0), stretch(3, 2, 0), ex(3, 2, 0), pieces(10, 8, 0);
  CvxGDI::DrawDCByData2(piece.dc(), 0, 0, 3, 2, bgra.data(), 7, 6, 10, 8);
  ExpectGrid(piece, 0, 0, {7, 8, 9}, {6, 7});
  CvxGDI::DrawStretchDCByData(stretch.dc(), 0, 0, 3, 2, bgra.data(), 4, 4, 6, 4, 10, 8);
  ExpectGrid(stretch, 0, 0, {4, 6, 8}, {4, 6});
  RECT margins{1, 1, 1, 1};
  CvxGDI::DrawDCByDataEx(ex.dc(), 0, 0, 3, 2, rgba.data(), 5, 6, 5, 2, 10, 8, margins);
  ExpectGrid(ex, 0, 0, {5, 6, 9}, {6, 7});
  CvxGDI::DrawDCByData3(pieces.dc(), 0, 0, 10, 8, bgra.data(), 10, 8, 4, 6, 3, 5);
  ExpectGrid(pieces, 0, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 1, 2, 3, 4, 5, 6, 7});
  // A negative piece that stays on the picture is read backwards, as it always was.
  TestSurface mirrored(3, 1, 0);
  CvxGDI::DrawStretchDCByData(mirrored.dc(), 0, 0, 3, 1, bgra.data(), 9, 2, -3, 1, 10, 8);
  ExpectGrid(mirrored, 0, 0, {9, 8, 7}, {2});
}

// No bitmap of 40000 x 40000 can be made, so the call must stop before it reads the
// 2 x 2 picture as if it were that large.
TEST_F(PixelBlit, AreaTooLargeForABitmapDrawsNothingAndLeaksNothing) {
  auto picture = CodedPicture(2, 2, Order::kRgba);
  for (const Blit& blit : kBlits) {
    TestSurface target(2, 2, 0xAB123456);
    const vx::GdiObjectCounts before = vx::LiveGdiObjects();
    blit.draw(target.dc(), 0, 0, 40000, 40000, picture.data());
    EXPECT_EQ(target.Words(), std::vector<std::uint32_t>(4, 0xAB123456)) << blit.name;
    EXPECT_EQ(vx::LiveGdiObjects(), before) << blit.name;
  }
}

TEST_F(PixelBlit, DrawDCByData2TakesPieceFromRowsOfPictureWidth) {
  TestSurface target(4, 4, 0x00404040);
  auto picture = CodedPicture(5, 4, Order::kBgra);
  CvxGDI::DrawDCByData2(target.dc(), 1, 1, 2, 2, picture.data(), 2, 1, 5, 4);
  ExpectGrid(target, 1, 1, {2, 3}, {1, 2});
  EXPECT_EQ(target.At(0, 0), 0x00404040u);
  EXPECT_EQ(target.At(3, 3), 0x00404040u);
}

TEST_F(PixelBlit, StretchPicksSourcePixelsByTruncation) {
  auto picture = CodedPicture(6, 4, Order::kBgra);
  struct Case {
    LONG sx, sy, sw, sh, width, height;
    std::vector<int> columns, rows;
  };
  const Case cases[] = {
      {2, 1, 3, 1, 2, 1, {2, 3}, {1}},              // 3 -> 2: the last column is never reached
      {4, 0, 1, 1, 4, 1, {4, 4, 4, 4}, {0}},        // 1 -> 4: one column everywhere
      {0, 1, 1, 2, 1, 4, {0}, {1, 1, 2, 2}},        // 2 -> 4 rows: each twice
      {1, 0, 5, 4, 2, 2, {1, 3}, {0, 2}},           // 5 -> 2 (scale 2.5), 4 -> 2
      {0, 0, 6, 4, 6, 4, {0, 1, 2, 3, 4, 5}, {0, 1, 2, 3}},  // same size: one to one
  };
  for (const Case& k : cases) {
    TestSurface target(6, 4, 0);
    CvxGDI::DrawStretchDCByData(target.dc(), 0, 0, k.width, k.height, picture.data(), k.sx, k.sy,
                                k.sw, k.sh, 6, 4);
    SCOPED_TRACE(::testing::Message() << "piece " << k.sw << "x" << k.sh << " onto " << k.width
                                      << "x" << k.height);
    ExpectGrid(target, 0, 0, k.columns, k.rows);
  }
}

TEST_F(PixelBlit, NinePartWithoutMarginsIsAPlainStretch) {
  // Piece (1, 1, 5, 3) onto 3 x 4: columns 1 + trunc(c * 5/3), rows 1 + trunc(r * 3/4).
  const std::vector<int> columns{1, 2, 4}, rows{1, 1, 2, 3};
  auto rgba = CodedPicture(7, 5, Order::kRgba);
  auto bgra = CodedPicture(7, 5, Order::kBgra);
  TestSurface ex(3, 4, 0), stretch(3, 4, 0);
  RECT no_margins{0, 0, 0, 0};
  CvxGDI::DrawDCByDataEx(ex.dc(), 0, 0, 3, 4, rgba.data(), 1, 1, 5, 3, 7, 5, no_margins);
  CvxGDI::DrawStretchDCByData(stretch.dc(), 0, 0, 3, 4, bgra.data(), 1, 1, 5, 3, 7, 5);
  ExpectGrid(ex, 0, 0, columns, rows);
  ExpectGrid(stretch, 0, 0, columns, rows);
}

TEST_F(PixelBlit, NinePartOntoAreaOfPieceSizeMapsOneToOne) {
  // DrawDCByDataEx: piece (1, 1, 5, 4) of an 8 x 6 picture, uneven margins.
  auto rgba = CodedPicture(8, 6, Order::kRgba);
  TestSurface ex(7, 6, 0);
  RECT margins{1, 1, 2, 1};
  CvxGDI::DrawDCByDataEx(ex.dc(), 1, 1, 5, 4, rgba.data(), 1, 1, 5, 4, 8, 6, margins);
  ExpectGrid(ex, 1, 1, {1, 2, 3, 4, 5}, {1, 2, 3, 4});

  // DrawDCByData3: the whole 5 x 4 picture, margins left 1, right 2, top 1, bottom 1.
  auto bgra = CodedPicture(5, 4, Order::kBgra);
  TestSurface pieces(5, 4, 0);
  CvxGDI::DrawDCByData3(pieces.dc(), 0, 0, 5, 4, bgra.data(), 5, 4, 1, 2, 1, 1);
  ExpectGrid(pieces, 0, 0, {0, 1, 2, 3, 4}, {0, 1, 2, 3});
}

// A 4 x 6 picture onto 6 x 10 with margins left 1, right 1, top 1, bottom 2: corners keep
// their size, the bottom two rows come from the last two picture rows, and the band between
// stretches (rows: 3 -> 7, scale 3/7; columns: 2 -> 4, scale 1/2). Both nine-part blits agree.
TEST_F(PixelBlit, NinePartKeepsUnevenMarginsAndStretchesTheBand) {
  const std::vector<int> columns{0, 1, 1, 2, 2, 3};
  const std::vector<int> rows{0, 1, 1, 1, 2, 2, 3, 3, 4, 5};

  auto bgra = CodedPicture(4, 6, Order::kBgra);
  TestSurface pieces(6, 10, 0x00404040);
  CvxGDI::DrawDCByData3(pieces.dc(), 0, 0, 6, 10, bgra.data(), 4, 6, 1, 1, 1, 2);
  ExpectGrid(pieces, 0, 0, columns, rows);

  auto rgba = CodedPicture(4, 6, Order::kRgba);
  TestSurface ex(6, 10, 0x00404040);
  RECT margins{1, 1, 1, 2};
  CvxGDI::DrawDCByDataEx(ex.dc(), 0, 0, 6, 10, rgba.data(), 0, 0, 4, 6, 4, 6, margins);
  ExpectGrid(ex, 0, 0, columns, rows);
}

// With margins that fit, drawing piece by piece and in one pass give the same pixels, also
// where partly transparent pixels blend over a patterned target.
TEST_F(PixelBlit, NinePartFromPiecesEqualsNinePartInOnePass) {
  const int pw = 6, ph = 7, width = 9, height = 9;
  std::vector<unsigned char> bgra, rgba;
  for (int i = 0; i < pw * ph; ++i) {
    const unsigned char b = static_cast<unsigned char>(i * 37), g = static_cast<unsigned char>(i * 11);
    const unsigned char r = static_cast<unsigned char>(200 - i), a = static_cast<unsigned char>(i * 53);
    bgra.insert(bgra.end(), {b, g, r, a});
    rgba.insert(rgba.end(), {r, g, b, a});
  }
  std::vector<std::uint32_t> below;
  for (int i = 0; i < width * height; ++i) below.push_back(0x01000000u * i + 0x00102030u * (i % 5));

  TestSurface pieces(width, height, 0), ex(width, height, 0);
  pieces.SetWords(below);
  ex.SetWords(below);
  // Left 2, right 1, top 3, bottom 1.
  CvxGDI::DrawDCByData3(pieces.dc(), 0, 0, width, height, bgra.data(), pw, ph, 2, 1, 3, 1);
  RECT margins{2, 3, 1, 1};
  CvxGDI::DrawDCByDataEx(ex.dc(), 0, 0, width, height, rgba.data(), 0, 0, pw, ph, pw, ph,
                         margins);
  EXPECT_EQ(pieces.Words(), ex.Words());
  EXPECT_NE(pieces.Words(), below);
}

TEST_F(PixelBlit, NinePartPieceSitsAtItsSourceOffset) {
  // Piece (2, 1, 4, 4) of a 7 x 6 picture onto 6 x 4, margins 1 all round: the right margin
  // comes from the piece's last column (5), not the picture's (6).
  auto rgba = CodedPicture(7, 6, Order::kRgba);
  TestSurface ex(6, 4, 0);
  RECT margins{1, 1, 1, 1};
  CvxGDI::DrawDCByDataEx(ex.dc(), 0, 0, 6, 4, rgba.data(), 2, 1, 4, 4, 7, 6, margins);
  ExpectGrid(ex, 0, 0, {2, 3, 3, 4, 4, 5}, {1, 2, 3, 4});
}

// Margins wider than the area: a row at the top margin's edge still counts as top, while a
// column at the left margin's edge already counts as right.
TEST_F(PixelBlit, NinePartOverlappingMarginsTakeTheFirstRuleThatHolds) {
  auto rgba = CodedPicture(5, 5, Order::kRgba);
  TestSurface ex(3, 3, 0);
  RECT margins{2, 2, 2, 2};
  CvxGDI::DrawDCByDataEx(ex.dc(), 0, 0, 3, 3, rgba.data(), 0, 0, 5, 5, 5, 5, margins);
  ExpectGrid(ex, 0, 0, {0, 1, 4}, {0, 1, 2});
}

}  // namespace

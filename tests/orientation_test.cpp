// Exif orientations: the tag read from hostile TIFF blocks, the eXIf chunk found in PNG
// data, and the eight turns placed row by row or made in place.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "object/exif_orientation.h"
#include "object/orientation.h"
#include "object/png_exif_chunk.h"
#include "tests/exif_blocks.h"

namespace vx::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ExifOrientation, ReadsEveryValueInBothByteOrders) {
  for (bool big_endian : {false, true}) {
    for (int value = 1; value <= 8; ++value) {
      EXPECT_EQ(ExifOrientation(TiffWithOrientation(value, big_endian)), value) << value << big_endian;
    }
  }
}

TEST(ExifOrientation, FindsTheTagAmongOthers) {
  TiffBuilder tiff(true);
  tiff.Entry(0x010F, 2, 4, 0x41424300).Entry(0x0112, 3, 1, 6).Entry(0x8769, 4, 1, 0x100);
  EXPECT_EQ(ExifOrientation(tiff.bytes()), 6);
}

TEST(ExifOrientation, BrokenOrHostileBlocksGiveUpright) {
  EXPECT_EQ(ExifOrientation({}), 1);
  EXPECT_EQ(ExifOrientation(Bytes{'M', 'M', 0, 42}), 1);
  for (int value : {0, 9, 0xFFFF}) EXPECT_EQ(ExifOrientation(TiffWithOrientation(value, false)), 1);
  // Wrong type or count.
  EXPECT_EQ(ExifOrientation(TiffBuilder(false).Entry(0x0112, 4, 1, 6).bytes()), 1);
  EXPECT_EQ(ExifOrientation(TiffBuilder(false).Entry(0x0112, 3, 2, 6).bytes()), 1);
  // Not TIFF: another byte order mark, another magic number.
  Bytes block = TiffWithOrientation(6, false);
  block[0] = 'X';
  EXPECT_EQ(ExifOrientation(block), 1);
  block = TiffWithOrientation(6, false);
  block[2] = 43;
  EXPECT_EQ(ExifOrientation(block), 1);
  // A directory past the end, at the very end, or at the largest offset.
  for (std::uint32_t offset : {0xFFFFFFFFu, 0xFFFFFFF0u, std::uint32_t(block.size()), std::uint32_t(block.size() - 1)}) {
    block = TiffWithOrientation(6, false);
    block[4] = offset & 0xFF;
    block[5] = offset >> 8 & 0xFF;
    block[6] = offset >> 16 & 0xFF;
    block[7] = offset >> 24;
    EXPECT_EQ(ExifOrientation(block), 1) << offset;
  }
  // An entry count far past the data reads only the entries that are there.
  block = TiffWithOrientation(3, false);
  block[8] = 0xFF;
  block[9] = 0xFF;
  EXPECT_EQ(ExifOrientation(block), 3);
  // Cut anywhere before the value's end, the block has no orientation; never a read past it.
  const Bytes whole = TiffWithOrientation(8, true);
  for (std::size_t size = 0; size < 8 + 2 + 10; ++size) {
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + size);
    EXPECT_EQ(ExifOrientation(cut), 1) << size;
  }
}

TEST(ExifOrientation, App1SegmentsMustBeExif) {
  const Bytes tiff = TiffWithOrientation(6, false);
  Bytes segment = {'E', 'x', 'i', 'f', 0, 0};
  segment.insert(segment.end(), tiff.begin(), tiff.end());
  EXPECT_EQ(ExifBlockOfApp1(segment).size(), tiff.size());
  EXPECT_EQ(ExifOrientation(ExifBlockOfApp1(segment)), 6);
  segment[4] = 1;
  EXPECT_TRUE(ExifBlockOfApp1(segment).empty());
  EXPECT_TRUE(ExifBlockOfApp1(Bytes{'E', 'x', 'i', 'f', 0}).empty());
  const Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/'};
  EXPECT_TRUE(ExifBlockOfApp1(xmp).empty());
}

TEST(PngExifChunk, IsFoundBeforeOrAfterThePixels) {
  const Bytes tiff = TiffWithOrientation(5, true);
  for (bool after_pixels : {false, true}) {
    const Bytes png = PngWithExif(tiff, after_pixels);
    EXPECT_EQ(ExifOrientation(PngExifChunk(png)), 5) << after_pixels;
  }
}

TEST(PngExifChunk, BrokenDataHasNone) {
  const Bytes png = PngWithExif(TiffWithOrientation(5, true), true);
  EXPECT_TRUE(PngExifChunk({}).empty());
  EXPECT_TRUE(PngExifChunk(Bytes(png.begin(), png.begin() + 8)).empty());
  Bytes not_png = png;
  not_png[1] = 'J';
  EXPECT_TRUE(PngExifChunk(not_png).empty());
  // A chunk length past the end stops the walk; so does IEND before the chunk.
  Bytes long_chunk = png;
  long_chunk[8] = 0x7F;
  EXPECT_TRUE(PngExifChunk(long_chunk).empty());
  for (std::size_t size = 0; size < png.size(); size += 7) {
    PngExifChunk(Bytes(png.begin(), png.begin() + size));  // no read past the data
  }
}

// The stored pixel that lands at upright (u, v), by the tag's definitions.
std::uint32_t StoredAt(const std::vector<std::uint32_t>& stored, int w, int h, int orientation, int u, int v) {
  int x = u, y = v;
  switch (orientation) {
    case 2: x = w - 1 - u; break;
    case 3: x = w - 1 - u; y = h - 1 - v; break;
    case 4: y = h - 1 - v; break;
    case 5: x = v; y = u; break;
    case 6: x = v; y = h - 1 - u; break;
    case 7: x = w - 1 - v; y = h - 1 - u; break;
    case 8: x = w - 1 - v; y = u; break;
  }
  return stored[std::size_t(y) * w + x];
}

TEST(Orientation, RowsPlacedInPiecesLandWhereTheTagSays) {
  const int w = 37, h = 23;  // more rows than a group, in pieces that do not divide it
  std::vector<std::uint32_t> stored(std::size_t(w) * h);
  for (std::size_t i = 0; i < stored.size(); ++i) stored[i] = std::uint32_t(i) * 2654435761u;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const int uw = SwapsSides(orientation) ? h : w, uh = SwapsSides(orientation) ? w : h;
    const std::ptrdiff_t stride = uw + 3;  // rows with a gap after them
    std::vector<std::uint32_t> upright(std::size_t(stride) * uh, 0xDEADBEEF);
    for (int first = 0; first < h; first += 7) {
      const int count = std::min(7, h - first);
      PlaceOrientedRows(stored.data() + std::size_t(first) * w, w, first, count, w, h, orientation, upright.data(),
                        stride);
    }
    for (int v = 0; v < uh; ++v) {
      for (int u = 0; u < uw; ++u) {
        ASSERT_EQ(upright[std::size_t(v) * stride + u], StoredAt(stored, w, h, orientation, u, v)) << u << "," << v;
      }
      for (int gap = uw; gap < stride; ++gap) ASSERT_EQ(upright[std::size_t(v) * stride + gap], 0xDEADBEEFu);
    }
    // Those that keep the sides give the same in place.
    std::vector<std::uint32_t> in_place = stored;
    EXPECT_EQ(OrientInPlace(in_place.data(), w, h, w, orientation), !SwapsSides(orientation));
    if (!SwapsSides(orientation)) {
      for (int v = 0; v < h; ++v) {
        for (int u = 0; u < w; ++u) ASSERT_EQ(in_place[std::size_t(v) * w + u], StoredAt(stored, w, h, orientation, u, v));
      }
    } else {
      EXPECT_EQ(in_place, stored);
    }
  }
}

}  // namespace
}  // namespace vx::testing

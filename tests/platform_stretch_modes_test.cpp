// StretchBlt in BLACKONWHITE, the mode of every new context, and WHITEONBLACK.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gdi.h"
#include "tests/gdi_test_surface.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class StretchModeTest : public LeakCheckedTest {};

// Words with bits that AND and OR apart: each has two of its own bits set.
const std::vector<std::uint32_t> kRow = {0x00F0F0F3, 0x000F0F0F, 0x00FF00FC, 0x0000FF3F,
                                         0x00123456, 0x00654321};

TEST_F(StretchModeTest, ShrinkingCombinesTheDroppedPixelsBitByBit) {
  TestSurface src(6, 1, 0);
  src.SetWords(kRow);
  TestSurface dst(3, 1, 0x00ABCDEF);
  ASSERT_EQ(GetStretchBltMode(dst.dc()), BLACKONWHITE);
  ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 3, 1, src.dc(), 0, 0, 6, 1, SRCCOPY));
  EXPECT_EQ(dst.Words(), (std::vector<std::uint32_t>{kRow[0] & kRow[1], kRow[2] & kRow[3],
                                                     kRow[4] & kRow[5]}));
  SetStretchBltMode(dst.dc(), WHITEONBLACK);
  ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 3, 1, src.dc(), 0, 0, 6, 1, SRCCOPY));
  EXPECT_EQ(dst.Words(), (std::vector<std::uint32_t>{kRow[0] | kRow[1], kRow[2] | kRow[3],
                                                     kRow[4] | kRow[5]}));
  // Uneven: 5 -> 2 gives the first destination pixel source pixels 0 and 1, the second 2 to 4.
  SetStretchBltMode(dst.dc(), BLACKONWHITE);
  ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 2, 1, src.dc(), 0, 0, 5, 1, SRCCOPY));
  EXPECT_EQ(dst.At(0, 0), kRow[0] & kRow[1]);
  EXPECT_EQ(dst.At(1, 0), kRow[2] & kRow[3] & kRow[4]);
}

TEST_F(StretchModeTest, RowsAreCombinedTooAndMirroringComesFirst) {
  TestSurface src(2, 3, 0);
  src.SetWords({0x00FF00F1, 0x00F0F0F2, 0x0000FFF4, 0x000F0FF8, 0x00FFFFF0, 0x00FF0FF0});
  TestSurface dst(1, 1, 0);
  ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 2, 3, SRCCOPY));
  EXPECT_EQ(dst.At(0, 0), 0x00FF00F1u & 0x00F0F0F2u & 0x0000FFF4u & 0x000F0FF8u & 0x00FFFFF0u &
                              0x00FF0FF0u);
  // 3 -> 2 rows, mirrored: the first destination row takes the last source row alone.
  TestSurface two(2, 2, 0);
  ASSERT_TRUE(StretchBlt(two.dc(), 0, 2, 2, -2, src.dc(), 0, 0, 2, 3, SRCCOPY));
  EXPECT_EQ(two.Words(), (std::vector<std::uint32_t>{0x00FFFFF0, 0x00FF0FF0, 0x00FF00F1 & 0x0000FFF4,
                                                     0x00F0F0F2 & 0x000F0FF8}));
}

TEST_F(StretchModeTest, EnlargingRepeatsPixelsAsColorOnColorDoes) {
  TestSurface src(3, 2, 0);
  src.SetWords({1, 2, 3, 4, 5, 6});
  for (int mode : {BLACKONWHITE, WHITEONBLACK}) {
    TestSurface combined(7, 5, 0), plain(7, 5, 0);
    SetStretchBltMode(combined.dc(), mode);
    SetStretchBltMode(plain.dc(), COLORONCOLOR);
    StretchBlt(combined.dc(), 0, 0, 7, 5, src.dc(), 0, 0, 3, 2, SRCCOPY);
    StretchBlt(plain.dc(), 0, 0, 7, 5, src.dc(), 0, 0, 3, 2, SRCCOPY);
    EXPECT_EQ(combined.Words(), plain.Words()) << mode;
  }
}

TEST_F(StretchModeTest, OnlySourcePixelsOnTheSurfaceTakePart) {
  TestSurface src(3, 1, 0);
  src.SetWords({0x00FFFF0F, 0x00F0FFFF, 0x00FFFFF1});
  TestSurface dst(2, 1, 0x00ABCDEF);
  // Source columns 2 to 5 shrunk to two: 2 and 3 fall to the first, 4 and 5 (beyond the
  // surface) to the second, which keeps its own pixel.
  ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 2, 1, src.dc(), 2, 0, 4, 1, SRCCOPY));
  EXPECT_EQ(dst.Words(), (std::vector<std::uint32_t>{0x00FFFFF1, 0x00ABCDEF}));
  // Destination pixels off the surface are not computed.
  ASSERT_TRUE(StretchBlt(dst.dc(), -1, 0, 2, 1, src.dc(), 0, 0, 3, 1, SRCCOPY));
  EXPECT_EQ(dst.At(0, 0), 0x00F0FFFFu & 0x00FFFFF1u);
}

}  // namespace
}  // namespace vx::testing

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "gdi/vxgdi.h"

namespace {

// A colour with the same value in each of the three channels and `top` in the fourth byte.
LONG Grey(std::uint32_t channel, std::uint32_t top = 0) {
  return LONG(channel | channel << 8 | channel << 16 | top << 24);
}

std::uint32_t Shade(std::uint32_t base, std::uint32_t overlay, int weight) {
  return std::uint32_t(CvxGDI::ShadeColors(LONG(base), LONG(overlay), weight));
}

// Channel `shift` (0, 8 or 16) of a colour.
int Channel(std::uint32_t colour, int shift) { return int(colour >> shift) & 0xFF; }

TEST(ShadeColors, EndWeightsReturnOneColourWhole) {
  EXPECT_EQ(Shade(0xAB123456, 0xCD654321, 0), 0xAB123456u);
  EXPECT_EQ(Shade(0xAB123456, 0xCD654321, 255), 0xCD654321u);
}

TEST(ShadeColors, WeightsOutsideTheRangeCountAsTheNearestEnd) {
  EXPECT_EQ(Shade(0xAB123456, 0xCD654321, -1), 0xAB123456u);
  EXPECT_EQ(Shade(0xAB123456, 0xCD654321, INT_MIN), 0xAB123456u);
  EXPECT_EQ(Shade(0xAB123456, 0xCD654321, 256), 0xCD654321u);
  EXPECT_EQ(Shade(0xAB123456, 0xCD654321, INT_MAX), 0xCD654321u);
}

TEST(ShadeColors, EveryChannelMixesAlikeWithTruncation) {
  EXPECT_EQ(CvxGDI::ShadeColors(Grey(10), Grey(100), 128), Grey(55));
  EXPECT_EQ(CvxGDI::ShadeColors(Grey(1), Grey(2), 1), Grey(1));
  EXPECT_EQ(CvxGDI::ShadeColors(Grey(0), Grey(255), 128), Grey(128));
  EXPECT_EQ(CvxGDI::ShadeColors(Grey(255), Grey(0), 1), Grey(254));
  EXPECT_EQ(CvxGDI::ShadeColors(Grey(0), Grey(255), 254), Grey(254));
}

TEST(ShadeColors, ThirdByteBlendsWithoutOverflow) {
  EXPECT_EQ(Shade(0, 0x00FF0000, 200), 0x00C80000u);
  EXPECT_EQ(Shade(0x00FF0000, 0, 50), 0x00CD0000u);
  EXPECT_EQ(Shade(0x00FFFFFF, 0x00FFFFFF, 254), 0x00FFFFFFu);
}

TEST(ShadeColors, ChannelsDoNotBleedIntoEachOther) {
  // blue 255 -> 0, green 0 -> 255, red 255 -> 0
  EXPECT_EQ(Shade(0x00FF00FF, 0x0000FF00, 128), 0x007F807Fu);
  EXPECT_EQ(Shade(0x000000FF, 0x00FF0000, 128), 0x0080007Fu);
}

TEST(ShadeColors, MiddleWeightsClearTheTopByte) {
  EXPECT_EQ(Shade(0xFF102030, 0xFF102030, 1), 0x00102030u);
  EXPECT_EQ(Shade(0x80000000, 0xFF000000, 128), 0u);
}

TEST(ShadeColors, ColourMixedWithItselfIsUnchanged) {
  for (std::uint32_t colour : {0x00000000u, 0x00FFFFFFu, 0x00010203u, 0x00FE7F01u, 0x00123456u}) {
    for (int weight = 1; weight <= 254; ++weight) {
      ASSERT_EQ(Shade(colour | 0xAA000000u, colour, weight), colour) << "weight " << weight;
    }
  }
}

// The low and high bytes are treated identically, so a COLORREF (red low) and a DIB word
// (blue low) of the same colour mix to the same colour.
TEST(ShadeColors, RedBlueSwapCommutesWithMixing) {
  auto swap = [](std::uint32_t c) { return (c & 0x00FF00) | (c & 0xFF) << 16 | (c >> 16 & 0xFF); };
  const std::uint32_t base = 0x00C81E05, overlay = 0x000A64F0;
  for (int weight = 1; weight <= 254; weight += 7) {
    EXPECT_EQ(swap(Shade(base, overlay, weight)), Shade(swap(base), swap(overlay), weight))
        << "weight " << weight;
  }
}

// Raising the weight moves each channel monotonically from base towards overlay and never
// past either.
TEST(ShadeColors, MixStaysBetweenTheTwoAndFollowsTheWeight) {
  for (std::uint32_t b = 0; b <= 255; b += 15) {
    for (std::uint32_t o = 0; o <= 255; o += 17) {
      const std::uint32_t base = b | (255 - b) << 8 | b << 16;
      const std::uint32_t overlay = o | (255 - o) << 8 | o << 16;
      std::uint32_t previous = Shade(base, overlay, 0);
      for (int weight = 1; weight <= 255; ++weight) {
        const std::uint32_t mixed = Shade(base, overlay, weight);
        for (int shift : {0, 8, 16}) {
          const int from = Channel(base, shift), to = Channel(overlay, shift);
          const int now = Channel(mixed, shift), before = Channel(previous, shift);
          ASSERT_GE(now, std::min(from, to)) << b << " " << o << " " << weight;
          ASSERT_LE(now, std::max(from, to)) << b << " " << o << " " << weight;
          if (to >= from) {
            ASSERT_GE(now, before) << b << " " << o << " " << weight;
          }
          if (to <= from) {
            ASSERT_LE(now, before) << b << " " << o << " " << weight;
          }
        }
        previous = mixed;
      }
    }
  }
}

}  // namespace

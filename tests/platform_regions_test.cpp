// Regions of the drawing layer: banding as GDI keeps it, combining, polygon scan conversion
// and the RGNDATA that GetRegionData hands out.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi.h"
#include "tests/region_test_support.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class RegionTest : public LeakCheckedTest {};

TEST_F(RegionTest, RectangleRegionsTakeCornersInAnyOrder) {
  OwnedRegion r(CreateRectRgn(10, 8, 2, 3));
  EXPECT_EQ(Rects(r), (std::vector<RECT>{{2, 3, 10, 8}}));
  RECT box{};
  EXPECT_EQ(GetRgnBox(r, &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{2, 3, 10, 8}));
  EXPECT_TRUE(PtInRegion(r, 2, 3));
  EXPECT_TRUE(PtInRegion(r, 9, 7));
  EXPECT_FALSE(PtInRegion(r, 10, 7));  // right and bottom lie outside
  EXPECT_FALSE(PtInRegion(r, 9, 8));

  OwnedRegion flat(CreateRectRgn(0, 5, 7, 5));
  EXPECT_TRUE(Rects(flat).empty());
  EXPECT_EQ(GetRgnBox(flat, &box), NULLREGION);
  EXPECT_EQ(box, (RECT{0, 0, 0, 0}));
}

TEST_F(RegionTest, CombiningKeepsBandsSplitAtEveryEdgeAndMerged) {
  OwnedRegion a(CreateRectRgn(0, 0, 4, 2)), b(CreateRectRgn(2, 1, 6, 3));
  OwnedRegion out(CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(CombineRgn(out, a, b, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(Rects(out), (std::vector<RECT>{{0, 0, 4, 1}, {0, 1, 6, 2}, {2, 2, 6, 3}}));
  EXPECT_EQ(CombineRgn(out, a, b, RGN_AND), SIMPLEREGION);
  EXPECT_EQ(Rects(out), (std::vector<RECT>{{2, 1, 4, 2}}));
  EXPECT_EQ(CombineRgn(out, a, b, RGN_XOR), COMPLEXREGION);
  EXPECT_EQ(Rects(out), (std::vector<RECT>{{0, 0, 4, 1}, {0, 1, 2, 2}, {4, 1, 6, 2}, {2, 2, 6, 3}}));
  EXPECT_EQ(CombineRgn(out, a, b, RGN_DIFF), COMPLEXREGION);
  EXPECT_EQ(Rects(out), (std::vector<RECT>{{0, 0, 4, 1}, {0, 1, 2, 2}}));
  EXPECT_EQ(CombineRgn(out, b, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_EQ(Rects(out), (std::vector<RECT>{{2, 1, 6, 3}}));

  // Neighbours that touch side by side, or band over band with the same columns, are one.
  OwnedRegion left(CreateRectRgn(0, 0, 2, 2)), right(CreateRectRgn(2, 0, 4, 2));
  OwnedRegion below(CreateRectRgn(0, 2, 4, 5));
  EXPECT_EQ(CombineRgn(out, left, right, RGN_OR), SIMPLEREGION);
  EXPECT_EQ(CombineRgn(out, out, below, RGN_OR), SIMPLEREGION);  // the target may be a source
  EXPECT_EQ(Rects(out), (std::vector<RECT>{{0, 0, 4, 5}}));
  EXPECT_EQ(CombineRgn(out, out, out, RGN_DIFF), NULLREGION);

  // Two pieces in one band stay apart, left to right.
  OwnedRegion far(CreateRectRgn(6, 0, 8, 2));
  EXPECT_EQ(CombineRgn(out, far, left, RGN_OR), COMPLEXREGION);
  EXPECT_EQ(Rects(out), (std::vector<RECT>{{0, 0, 2, 2}, {6, 0, 8, 2}}));

  EXPECT_EQ(CombineRgn(out, a, b, 9), ERROR);
  EXPECT_EQ(CombineRgn(out, a, nullptr, RGN_OR), ERROR);
  EXPECT_EQ(CombineRgn(nullptr, a, b, RGN_OR), ERROR);
}

TEST_F(RegionTest, RegionDataIsAHeaderAndTheRectangles) {
  OwnedRegion a(CreateRectRgn(0, 0, 4, 2)), b(CreateRectRgn(2, 1, 6, 3));
  CombineRgn(a, a, b, RGN_OR);
  const DWORD size = GetRegionData(a, 0, nullptr);
  ASSERT_EQ(size, 32u + 3 * sizeof(RECT));
  std::vector<char> bytes(size);
  auto* data = reinterpret_cast<RGNDATA*>(bytes.data());
  EXPECT_EQ(GetRegionData(a, size - 1, data), 0u);  // too small: nothing
  ASSERT_EQ(GetRegionData(a, size, data), size);
  EXPECT_EQ(data->rdh.dwSize, 32u);
  EXPECT_EQ(data->rdh.iType, RDH_RECTANGLES);
  EXPECT_EQ(data->rdh.nCount, 3u);
  EXPECT_EQ(data->rdh.nRgnSize, 3 * sizeof(RECT));
  EXPECT_EQ(data->rdh.rcBound, (RECT{0, 0, 6, 3}));
  EXPECT_EQ(GetRegionData(nullptr, 0, nullptr), 0u);
  EXPECT_FALSE(PtInRegion(nullptr, 0, 0));
}

TEST_F(RegionTest, PolygonsCoverThePixelsWhoseCentresLieInside) {
  const POINT square[] = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};
  OwnedRegion r(CreatePolygonRgn(square, 4, WINDING));
  EXPECT_EQ(Rects(r), (std::vector<RECT>{{0, 0, 10, 10}}));

  const POINT triangle[] = {{0, 0}, {4, 0}, {0, 4}};
  OwnedRegion t(CreatePolygonRgn(triangle, 3, ALTERNATE));
  EXPECT_EQ(Rects(t), (std::vector<RECT>{{0, 0, 3, 1}, {0, 1, 2, 2}, {0, 2, 1, 3}}));

  // The diagonal of a square passes through pixel centres: a centre on a left edge is
  // inside and on a right edge outside, so the two halves share no pixel and miss none.
  const POINT upper[] = {{0, 0}, {4, 0}, {4, 4}}, lower[] = {{0, 0}, {4, 4}, {0, 4}};
  OwnedRegion up(CreatePolygonRgn(upper, 3, WINDING)), down(CreatePolygonRgn(lower, 3, WINDING));
  EXPECT_EQ(Rects(up), (std::vector<RECT>{{0, 0, 4, 1}, {1, 1, 4, 2}, {2, 2, 4, 3}, {3, 3, 4, 4}}));
  OwnedRegion both(CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(CombineRgn(both, up, down, RGN_AND), NULLREGION);
  EXPECT_EQ(CombineRgn(both, up, down, RGN_OR), SIMPLEREGION);
  EXPECT_EQ(Rects(both), (std::vector<RECT>{{0, 0, 4, 4}}));

  // A square walked twice the same way round: WINDING fills it, ALTERNATE leaves the hole.
  const POINT twice[] = {{0, 0}, {6, 0}, {6, 6}, {0, 6}, {0, 0},
                         {2, 2}, {4, 2}, {4, 4}, {2, 4}, {2, 2}};
  OwnedRegion winding(CreatePolygonRgn(twice, 10, WINDING));
  EXPECT_EQ(Rects(winding), (std::vector<RECT>{{0, 0, 6, 6}}));
  OwnedRegion alternate(CreatePolygonRgn(twice, 10, ALTERNATE));
  EXPECT_EQ(Rects(alternate),
            (std::vector<RECT>{{0, 0, 6, 2}, {0, 2, 2, 4}, {4, 2, 6, 4}, {0, 4, 6, 6}}));

  // A line has no inside.
  OwnedRegion line(CreatePolygonRgn(square, 2, WINDING));
  EXPECT_TRUE(Rects(line).empty());
  EXPECT_EQ(CreatePolygonRgn(square, 1, WINDING), nullptr);
  EXPECT_EQ(CreatePolygonRgn(nullptr, 4, WINDING), nullptr);
  EXPECT_EQ(CreatePolygonRgn(square, 4, 7), nullptr);
}

TEST_F(RegionTest, HugePolygonsAreRefusedOrBandedCheaply) {
  // Upright edges over the whole coordinate range make one band, at once.
  const POINT tall[] = {{0, INT32_MIN}, {0, INT32_MAX}, {5, INT32_MAX}, {5, INT32_MIN}};
  OwnedRegion r(CreatePolygonRgn(tall, 4, WINDING));
  EXPECT_EQ(Rects(r), (std::vector<RECT>{{0, INT32_MIN, 5, INT32_MAX}}));
  // Slanted ones over billions of rows would need a band a row: refused.
  const POINT slanted[] = {{0, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MAX}};
  EXPECT_EQ(CreatePolygonRgn(slanted, 3, WINDING), nullptr);
}

TEST_F(RegionTest, DeletedRegionsAreGone) {
  HRGN r = CreateRectRgn(0, 0, 1, 1);
  EXPECT_EQ(GetObjectType(r), OBJ_REGION);
  EXPECT_TRUE(DeleteObject(r));
  EXPECT_EQ(GetRegionData(r, 0, nullptr), 0u);
  EXPECT_FALSE(DeleteObject(r));
}

}  // namespace
}  // namespace vx::testing

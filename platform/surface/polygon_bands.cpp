// Scan conversion of polygons into banded rectangle lists (CreatePolygonRgn).
//
// Pixel (x, y) covers [x, x + 1) x [y, y + 1); it belongs to the polygon when its centre
// (x + 0.5, y + 0.5) lies inside. With whole-number vertices no centre row passes through a
// vertex, so each edge crosses a row once or not at all. Crossings are found exactly, in
// 128-bit integers, so that a centre on an edge is decided the same way every time.
#include <algorithm>
#include <cstdint>

#include "platform/surface/region_bands.h"

namespace vx::gdi {

namespace {

// More rows than this of slanted edges, and a polygon is refused.
constexpr std::int64_t kMaxSlantedRows = std::int64_t{1} << 22;

struct Edge {
  std::int64_t x0, y0, x1, y1;
  int direction;  // +1 running down, -1 running up
  std::int64_t top() const { return std::min(y0, y1); }
  std::int64_t bottom() const { return std::max(y0, y1); }
  bool vertical() const { return x0 == x1; }

  // The first column whose centre lies at or right of where the edge crosses the centre row
  // of row y: ceil(X - 0.5) for the crossing X.
  std::int64_t FirstColumnAtOrRight(std::int64_t y) const {
    __int128 numerator = __int128(2 * x0 - 1) * (y1 - y0) + __int128(2 * y + 1 - 2 * y0) * (x1 - x0);
    __int128 denominator = __int128(2) * (y1 - y0);
    if (denominator < 0) {
      numerator = -numerator;
      denominator = -denominator;
    }
    __int128 quotient = numerator / denominator;  // truncates: already the ceiling below zero
    if (numerator > 0 && numerator % denominator != 0) ++quotient;
    return std::int64_t(quotient);
  }
};

bool Inside(int winding, int fill_mode) {
  return fill_mode == WINDING ? winding != 0 : (winding & 1) != 0;
}

// The columns of row y inside the polygon, from the edges that cross it.
std::vector<ColumnRun> RowRuns(const std::vector<const Edge*>& active, std::int64_t y,
                               int fill_mode) {
  std::vector<std::pair<std::int64_t, int>> crossings;
  crossings.reserve(active.size());
  for (const Edge* e : active) crossings.emplace_back(e->FirstColumnAtOrRight(y), e->direction);
  // Crossings at one column may come in any order: between them lie no pixels.
  std::sort(crossings.begin(), crossings.end());
  std::vector<ColumnRun> runs;
  int winding = 0;
  std::int64_t start = 0;
  for (const auto& [column, direction] : crossings) {
    const bool was_inside = Inside(winding, fill_mode);
    winding += direction;
    const bool inside = Inside(winding, fill_mode);
    if (!was_inside && inside) start = column;
    if (was_inside && !inside) runs.push_back({start, column});
  }
  for (ColumnRun& run : runs) {
    run.left = std::clamp<std::int64_t>(run.left, INT32_MIN, INT32_MAX);
    run.right = std::clamp<std::int64_t>(run.right, INT32_MIN, INT32_MAX);
  }
  NormaliseRuns(runs);
  return runs;
}

}  // namespace

bool PolygonBands(const POINT* points, int count, int fill_mode, std::vector<RECT>& out) {
  std::vector<Edge> edges;
  for (int i = 0; i < count; ++i) {
    const POINT& p = points[i];
    const POINT& q = points[(i + 1) % count];
    if (p.y == q.y) continue;  // a level edge crosses no centre row
    edges.push_back({p.x, p.y, q.x, q.y, q.y > p.y ? 1 : -1});
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.top() < b.top(); });
  // Rows where edges begin or end; between two of them the same edges cross every row.
  std::vector<std::int64_t> stops;
  for (const Edge& e : edges) stops.insert(stops.end(), {e.y0, e.y1});
  std::sort(stops.begin(), stops.end());
  stops.erase(std::unique(stops.begin(), stops.end()), stops.end());

  BandBuilder builder;
  std::vector<const Edge*> active;
  std::size_t next = 0;
  std::int64_t slanted_rows = 0;
  for (std::size_t k = 0; k + 1 < stops.size(); ++k) {
    const std::int64_t top = stops[k], bottom = stops[k + 1];
    std::erase_if(active, [&](const Edge* e) { return e->bottom() <= top; });
    while (next < edges.size() && edges[next].top() <= top) active.push_back(&edges[next++]);
    if (active.empty()) continue;
    const bool all_vertical =
        std::all_of(active.begin(), active.end(), [](const Edge* e) { return e->vertical(); });
    if (all_vertical) {
      builder.AddRows(top, bottom, RowRuns(active, top, fill_mode));
      continue;
    }
    slanted_rows += bottom - top;
    if (slanted_rows > kMaxSlantedRows) return false;
    for (std::int64_t y = top; y < bottom; ++y) builder.AddRows(y, y + 1, RowRuns(active, y, fill_mode));
  }
  out = builder.Take();
  return true;
}

}  // namespace vx::gdi

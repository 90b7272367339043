// BLACKONWHITE and WHITEONBLACK stretching: dropped pixels are combined, not discarded.
#include "platform/surface/stretch_scans.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vx::gdi {

namespace {

// Source offsets [first, last) that destination offset i takes along one axis.
struct Run {
  std::int64_t first;
  std::int64_t last;
};

// For each destination offset from `begin` to `end`: when shrinking, the source offsets
// whose start falls in it, so that every source pixel goes to exactly one destination pixel;
// otherwise the one source pixel under its centre. A flip mirrors the source offsets.
std::vector<Run> AxisRuns(std::int64_t begin, std::int64_t end, std::int64_t dest_extent,
                          std::int64_t src_extent, bool flip) {
  std::vector<Run> runs;
  runs.reserve(std::size_t(std::max<std::int64_t>(end - begin, 0)));
  for (std::int64_t i = begin; i < end; ++i) {
    Run run;
    if (src_extent > dest_extent) {
      run = {i * src_extent / dest_extent, (i + 1) * src_extent / dest_extent};
    } else {
      const std::int64_t s = (2 * i + 1) * src_extent / (2 * dest_extent);
      run = {s, s + 1};
    }
    if (flip) run = {src_extent - run.last, src_extent - run.first};
    runs.push_back(run);
  }
  return runs;
}

// The part of `run` (offsets from `origin`) that lies on [0, size).
Run OnSurface(Run run, std::int64_t origin, std::int64_t size) {
  return {std::max(origin + run.first, std::int64_t{0}), std::min(origin + run.last, size)};
}

}  // namespace

void StretchCombiningScans(const Surface& dest, const Surface& src, const StretchRects& r,
                           int mode) {
  const bool use_and = mode != WHITEONBLACK;
  // Only destination pixels on the surface are computed.
  const std::int64_t i0 = std::max<std::int64_t>(0, -std::int64_t{r.x});
  const std::int64_t i1 = std::min<std::int64_t>(r.cx, std::int64_t{dest.width} - r.x);
  const std::int64_t j0 = std::max<std::int64_t>(0, -std::int64_t{r.y});
  const std::int64_t j1 = std::min<std::int64_t>(r.cy, std::int64_t{dest.height} - r.y);
  if (i0 >= i1 || j0 >= j1) return;
  const std::vector<Run> columns = AxisRuns(i0, i1, r.cx, r.cx_src, r.flip_x);
  const std::vector<Run> rows = AxisRuns(j0, j1, r.cy, r.cy_src, r.flip_y);

  for (std::int64_t j = j0; j < j1; ++j) {
    const Run sy = OnSurface(rows[std::size_t(j - j0)], r.y_src, src.height);
    if (sy.first >= sy.last) continue;  // no source here: the destination keeps its row
    std::uint32_t* out = dest.Row(int(r.y + j));
    for (std::int64_t i = i0; i < i1; ++i) {
      const Run sx = OnSurface(columns[std::size_t(i - i0)], r.x_src, src.width);
      if (sx.first >= sx.last) continue;
      std::uint32_t combined = use_and ? 0xFFFFFFFFu : 0u;
      for (std::int64_t v = sy.first; v < sy.last; ++v) {
        const std::uint32_t* in = src.Row(int(v));
        for (std::int64_t u = sx.first; u < sx.last; ++u) {
          combined = use_and ? combined & in[u] : combined | in[u];
        }
      }
      out[r.x + i] = combined;
    }
  }
}

}  // namespace vx::gdi

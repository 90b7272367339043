// Banded rectangle lists: building them row by row and combining two of them.
#include <algorithm>
#include <cstdint>

#include "platform/surface/region_bands.h"

namespace vx::gdi {

namespace {

LONG Clamp32(std::int64_t v) { return LONG(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }

struct Band {
  std::int64_t top;
  std::int64_t bottom;
  std::vector<ColumnRun> runs;
};

std::vector<Band> BandsOf(const std::vector<RECT>& rects) {
  std::vector<Band> bands;
  for (const RECT& r : rects) {
    if (bands.empty() || bands.back().top != r.top) bands.push_back({r.top, r.bottom, {}});
    bands.back().runs.push_back({r.left, r.right});
  }
  return bands;
}

bool Keeps(int op, bool in_a, bool in_b) {
  switch (op) {
    case RGN_AND: return in_a && in_b;
    case RGN_OR: return in_a || in_b;
    case RGN_XOR: return in_a != in_b;
    default: return in_a && !in_b;  // RGN_DIFF
  }
}

// The columns of one row under `op`, walking the edges of both rows left to right.
std::vector<ColumnRun> CombineRuns(const std::vector<ColumnRun>& a,
                                   const std::vector<ColumnRun>& b, int op) {
  std::vector<std::int64_t> edges;
  for (const auto* runs : {&a, &b}) {
    for (const ColumnRun& run : *runs) edges.insert(edges.end(), {run.left, run.right});
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  std::vector<ColumnRun> out;
  std::size_t ia = 0, ib = 0;
  for (std::size_t k = 0; k + 1 < edges.size(); ++k) {
    const std::int64_t x = edges[k];
    while (ia < a.size() && a[ia].right <= x) ++ia;
    while (ib < b.size() && b[ib].right <= x) ++ib;
    const bool in_a = ia < a.size() && a[ia].left <= x;
    const bool in_b = ib < b.size() && b[ib].left <= x;
    if (!Keeps(op, in_a, in_b)) continue;
    if (!out.empty() && out.back().right == x) {
      out.back().right = edges[k + 1];
    } else {
      out.push_back({x, edges[k + 1]});
    }
  }
  return out;
}

}  // namespace

void BandBuilder::AddRows(std::int64_t top, std::int64_t bottom,
                          const std::vector<ColumnRun>& runs) {
  if (runs.empty() || bottom <= top) return;
  // Rows that continue the last band with the same columns only make it taller.
  const std::size_t band_size = rects_.size() - last_band_;
  if (band_size == runs.size() && rects_[last_band_].bottom == Clamp32(top)) {
    bool same = true;
    for (std::size_t i = 0; i < runs.size() && same; ++i) {
      const RECT& r = rects_[last_band_ + i];
      same = r.left == Clamp32(runs[i].left) && r.right == Clamp32(runs[i].right);
    }
    if (same) {
      for (std::size_t i = last_band_; i < rects_.size(); ++i) rects_[i].bottom = Clamp32(bottom);
      return;
    }
  }
  last_band_ = rects_.size();
  for (const ColumnRun& run : runs) {
    rects_.push_back({Clamp32(run.left), Clamp32(top), Clamp32(run.right), Clamp32(bottom)});
  }
}

void NormaliseRuns(std::vector<ColumnRun>& runs) {
  std::sort(runs.begin(), runs.end(),
            [](const ColumnRun& a, const ColumnRun& b) { return a.left < b.left; });
  std::size_t kept = 0;
  for (const ColumnRun& run : runs) {
    if (run.right <= run.left) continue;
    if (kept > 0 && runs[kept - 1].right >= run.left) {
      runs[kept - 1].right = std::max(runs[kept - 1].right, run.right);
    } else {
      runs[kept++] = run;
    }
  }
  runs.resize(kept);
}

std::vector<RECT> CombineBands(const std::vector<RECT>& a, const std::vector<RECT>& b, int op) {
  const std::vector<Band> bands_a = BandsOf(a), bands_b = BandsOf(b);
  std::vector<std::int64_t> rows;
  for (const auto* bands : {&bands_a, &bands_b}) {
    for (const Band& band : *bands) rows.insert(rows.end(), {band.top, band.bottom});
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

  static const std::vector<ColumnRun> kNone;
  BandBuilder builder;
  std::size_t ia = 0, ib = 0;
  for (std::size_t k = 0; k + 1 < rows.size(); ++k) {
    const std::int64_t y = rows[k];
    while (ia < bands_a.size() && bands_a[ia].bottom <= y) ++ia;
    while (ib < bands_b.size() && bands_b[ib].bottom <= y) ++ib;
    const bool in_a = ia < bands_a.size() && bands_a[ia].top <= y;
    const bool in_b = ib < bands_b.size() && bands_b[ib].top <= y;
    builder.AddRows(y, rows[k + 1],
                    CombineRuns(in_a ? bands_a[ia].runs : kNone, in_b ? bands_b[ib].runs : kNone, op));
  }
  return builder.Take();
}

RECT BoundsOf(const std::vector<RECT>& rects) {
  if (rects.empty()) return RECT{0, 0, 0, 0};
  RECT bounds = rects.front();
  for (const RECT& r : rects) {
    bounds.left = std::min(bounds.left, r.left);
    bounds.right = std::max(bounds.right, r.right);
    bounds.bottom = std::max(bounds.bottom, r.bottom);
  }
  return bounds;
}

}  // namespace vx::gdi

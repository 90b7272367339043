// The pixel sets behind region handles, kept as GDI keeps them: rectangles in y-x bands.
//
// A band is a run of rows that all hold the same columns. Its rectangles share top and
// bottom, lie left to right, and neither overlap nor touch; bands lie top to bottom, and two
// bands that meet hold different columns (else they would be one). So every set of pixels
// has exactly one list of rectangles, which is what GetRegionData hands out.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_types.h"

namespace vx::gdi {

// Columns [left, right) of one row.
struct ColumnRun {
  std::int64_t left;
  std::int64_t right;
  bool operator==(const ColumnRun&) const = default;
};

// Builds a banded list from rows given top to bottom.
class BandBuilder {
 public:
  // Rows [top, bottom) hold `runs`: sorted, and neither overlapping nor touching. Rows must
  // come in order, each call starting at or below the previous bottom.
  void AddRows(std::int64_t top, std::int64_t bottom, const std::vector<ColumnRun>& runs);
  std::vector<RECT> Take() { return std::move(rects_); }

 private:
  std::vector<RECT> rects_;
  std::size_t last_band_ = 0;  // index of the first rectangle of the last band
};

// Sorts runs and joins those that overlap or touch.
void NormaliseRuns(std::vector<ColumnRun>& runs);

// The set `a` op `b`, for op RGN_AND, RGN_OR, RGN_XOR or RGN_DIFF.
std::vector<RECT> CombineBands(const std::vector<RECT>& a, const std::vector<RECT>& b, int op);

// The smallest rectangle around every rectangle; all zero for none.
RECT BoundsOf(const std::vector<RECT>& rects);

// Fills with `fill_mode` (ALTERNATE or WINDING) the polygon through `points`, closed from the
// last point back to the first: a pixel belongs to it when its centre lies inside, a centre on
// a left edge counting as inside and one on a right edge as outside. False when the polygon
// would need more rows of work than the layer allows.
bool PolygonBands(const POINT* points, int count, int fill_mode, std::vector<RECT>& out);

}  // namespace vx::gdi

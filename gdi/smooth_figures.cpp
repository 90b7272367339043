// Antialiased one-pixel lines and ellipse outlines, drawn with GetPixel and SetPixel.
//
// Positions along a figure are single-precision floats. A step with position p mixes the
// colour into the near pixel, trunc(p), by 1 - f and into the far pixel beside it by f, where
// f = p - trunc(p); each channel product is formed in double precision and truncated on its
// own. The line accumulates its position one float addition a step, never recomputing it,
// so that every pixel comes out the same on every platform.
//
// Only the steps that can touch the drawable box of the context are made: a figure far
// larger than the surface costs what its part over the surface costs. A line that starts
// off the surface finds its position at the first step that shows without making the
// additions before it (gdi/float_steps.h), so the pixels are those of the whole run.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "gdi/float_steps.h"
#include "gdi/surface_extent.h"
#include "gdi/vxgdi.h"

namespace {

bool OnGrid(std::int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// Each channel: trunc(below x below_weight) + trunc(colour x colour_weight), its low 8 bits.
COLORREF Mix(COLORREF below, COLORREF colour, double below_weight, double colour_weight) {
  COLORREF mixed = 0;
  for (int shift : {0, 8, 16}) {
    const double b = (below >> shift) & 0xFF, c = (colour >> shift) & 0xFF;
    const int channel = static_cast<int>(b * below_weight) + static_cast<int>(c * colour_weight);
    mixed |= COLORREF(channel & 0xFF) << shift;
  }
  return mixed;
}

class Plotter {
 public:
  Plotter(HDC dc, COLORREF colour) : dc_(dc), colour_(colour) {}

  // The colour as given, nothing read.
  void Exact(std::int64_t x, std::int64_t y) const {
    if (OnGrid(x) && OnGrid(y)) SetPixel(dc_, int(x), int(y), colour_);
  }
  // The pixel the position falls in: mostly colour when f is small.
  void Near(std::int64_t x, std::int64_t y, float f) const { Blend(x, y, f, 1.0 - double(f)); }
  // Its neighbour: mostly what was there when f is small.
  void Far(std::int64_t x, std::int64_t y, float f) const { Blend(x, y, 1.0 - double(f), f); }

 private:
  void Blend(std::int64_t x, std::int64_t y, double below_weight, double colour_weight) const {
    if (!OnGrid(x) || !OnGrid(y)) return;
    const COLORREF below = GetPixel(dc_, int(x), int(y));
    if (below == CLR_INVALID) return;  // off the surface
    SetPixel(dc_, int(x), int(y), Mix(below, colour_, below_weight, colour_weight));
  }

  HDC dc_;
  COLORREF colour_;
};

// Integer part, truncated toward zero, and the float fraction left over.
struct Split {
  explicit Split(float position)
      : whole(static_cast<std::int64_t>(position)), fraction(position - static_cast<float>(whole)) {}
  std::int64_t whole;
  float fraction;
};

// The main coordinates [first, last] on which a step can show.
struct Span {
  std::int64_t first, last;
};

// The run of a line along its main axis, between (and excluding) its end points: at each
// main coordinate m within `shown`, the cross coordinate c of the ideal line, as a float.
template <class PlotStep>
void RunBetween(std::int64_t m1, std::int64_t c1, std::int64_t m2, std::int64_t c2, Span shown,
                PlotStep plot) {
  if (m2 < m1) {  // run from the lower main coordinate up
    std::swap(m1, m2);
    std::swap(c1, c2);
  }
  if (m2 - m1 < 2) return;  // nothing lies between
  const float rise = vx::RoundToFloat(double(c2 - c1)), run = vx::RoundToFloat(double(m2 - m1));
  const float gradient = vx::RoundToFloat(double(rise) / double(run));
  const std::int64_t first = std::max(m1 + 1, shown.first), last = std::min(m2 - 1, shown.last);
  if (first > last) return;
  float c = vx::AddInFloat(vx::RoundToFloat(double(c1)), gradient);
  c = vx::AfterFloatSteps(c, gradient, std::uint64_t(first - (m1 + 1)));
  for (std::int64_t m = first; m <= last; ++m) {
    plot(m, Split(c));
    c = vx::AddInFloat(c, gradient);
  }
}

// Calls each(i) for every i of [low, high] whose column (or row) centre + i or centre - i
// lies within `shown`, in ascending order, each once.
template <class Each>
void ForEachShownOffset(std::int64_t low, std::int64_t high, std::int64_t centre, Span shown,
                        Each each) {
  // centre + i shown: i in [first - centre, last - centre]; centre - i shown: i in
  // [centre - last, centre - first].
  Span a{std::max(low, shown.first - centre), std::min(high, shown.last - centre)};
  Span b{std::max(low, centre - shown.last), std::min(high, centre - shown.first)};
  if (a.first > a.last) a = b;
  if (b.first > b.last) b = a;
  if (a.first > a.last) return;
  if (b.first < a.first) std::swap(a, b);
  for (std::int64_t i = a.first; i <= a.last; ++i) each(i);
  for (std::int64_t i = std::max(b.first, a.last + 1); i <= b.last; ++i) each(i);
}

// b x sqrt(1 - i^2 / a^2) in double precision, then rounded to float: the offset across the
// axis of length a at offset i along it.
float ArcOffset(std::int64_t b, std::int64_t i, std::int64_t a) {
  const double ii = double(i) * double(i), aa = double(a) * double(a);
  return static_cast<float>(double(b) * std::sqrt(1.0 - ii / aa));
}

}  // namespace

void CvxGDI::DrawSmoothLine(HDC target, int x1, int y1, int x2, int y2, COLORREF colour) {
  const RECT box = vx::DrawableBox(target);
  if (box.left >= box.right || box.top >= box.bottom) return;  // nothing can show
  const Plotter plot(target, colour);
  plot.Exact(x1, y1);
  const std::int64_t dx = std::int64_t{x2} - x1, dy = std::int64_t{y2} - y1;
  if (std::llabs(dx) > std::llabs(dy)) {
    // Shallow: one column at a time, the row below as the far pixel.
    RunBetween(x1, y1, x2, y2, {box.left, std::int64_t{box.right} - 1}, [&](std::int64_t x, Split y) {
      plot.Near(x, y.whole, y.fraction);
      plot.Far(x, y.whole + 1, y.fraction);
    });
  } else {
    // Steep, or exactly diagonal: one row at a time, the column to the right as the far pixel.
    RunBetween(y1, x1, y2, x2, {box.top, std::int64_t{box.bottom} - 1}, [&](std::int64_t y, Split x) {
      plot.Near(x.whole, y, x.fraction);
      plot.Far(x.whole + 1, y, x.fraction);
    });
  }
  plot.Exact(x2, y2);
}

void CvxGDI::DrawSmoothEllipse(HDC target, int x1, int y1, int x2, int y2, COLORREF colour) {
  const RECT box = vx::DrawableBox(target);
  if (box.left >= box.right || box.top >= box.bottom) return;  // nothing can show
  const Span columns{box.left, std::int64_t{box.right} - 1}, rows{box.top, std::int64_t{box.bottom} - 1};
  const Plotter plot(target, colour);
  const std::int64_t cx = (std::int64_t{x1} + x2) / 2, cy = (std::int64_t{y1} + y2) / 2;
  const std::int64_t a = std::llabs(std::int64_t{x2} - x1) / 2;
  const std::int64_t b = std::llabs(std::int64_t{y2} - y1) / 2;
  if (a == 0 || b == 0) {
    // A flat box: the ellipse is the segment along its long side (a point when both are 0).
    for (std::int64_t i = std::max(-a, columns.first - cx); i <= std::min(a, columns.last - cx); ++i) {
      for (std::int64_t j = std::max(-b, rows.first - cy); j <= std::min(b, rows.last - cy); ++j) {
        plot.Exact(cx + i, cy + j);
      }
    }
    return;
  }
  // Column pass: every column of the ellipse, upper and lower arc.
  ForEachShownOffset(-a, a, cx, columns, [&](std::int64_t i) {
    const Split y(ArcOffset(b, i, a));
    plot.Near(cx + i, cy + y.whole, y.fraction);
    plot.Far(cx + i, cy + y.whole + 1, y.fraction);
    plot.Near(cx - i, cy - y.whole, y.fraction);
    plot.Far(cx - i, cy - y.whole - 1, y.fraction);
  });
  // Row pass: the rows within K of the centre, where the arcs are steeper than 45 degrees
  // and the column pass leaves gaps.
  const double aa = double(a) * double(a), bb = double(b) * double(b);
  const float t = static_cast<float>(std::sqrt(aa + bb) / double(b));
  const auto K = static_cast<std::int64_t>(double(b) / double(t));
  ForEachShownOffset(-K, K, cy, rows, [&](std::int64_t j) {
    const Split x(ArcOffset(a, j, b));
    plot.Near(cx + x.whole, cy + j, x.fraction);
    plot.Far(cx + x.whole + 1, cy + j, x.fraction);
    plot.Near(cx - x.whole, cy - j, x.fraction);
    plot.Far(cx - x.whole - 1, cy - j, x.fraction);
  });
}

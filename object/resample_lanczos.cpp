// The Lanczos-3 stage: the weights of an axis, and output rows from input rows.
#include "object/resample_lanczos.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vx::resample {

double Lanczos3(double x) {
  if (x == 0.0) return 1.0;
  if (x <= -3.0 || x >= 3.0) return 0.0;
  const double pi_x = 3.14159265358979323846 * x;
  return 3.0 * std::sin(pi_x) * std::sin(pi_x / 3.0) / (pi_x * pi_x);
}

namespace {

constexpr int kOne = 1 << kWeightBits;

// The exact weights of one output pixel's `n` taps, scaled to sum to kOne and rounded;
// returns the range of taps [begin, end) whose rounded weight is not zero.
std::pair<int, int> RoundWeights(const double* exact, int n, std::int16_t* rounded) {
  double sum = 0.0;
  int largest = 0;
  for (int k = 0; k < n; ++k) {
    sum += exact[k];
    if (exact[k] > exact[largest]) largest = k;
  }
  int total = 0;
  for (int k = 0; k < n; ++k) {
    rounded[k] = static_cast<std::int16_t>(std::floor(exact[k] / sum * kOne + 0.5));
    total += rounded[k];
  }
  rounded[largest] = static_cast<std::int16_t>(rounded[largest] + (kOne - total));
  int begin = 0, end = n;
  while (rounded[begin] == 0) ++begin;
  while (rounded[end - 1] == 0) --end;
  return {begin, end};
}

}  // namespace

LanczosAxis MakeLanczosAxis(int extent, double start, double length, int count) {
  const double scale = length / count;
  const double widening = std::max(scale, 1.0);
  const double support = 3.0 * widening;
  LanczosAxis axis;
  // A multiple of 4, so that loops may take weights four at a time (the rest are zeros).
  axis.stride = (static_cast<int>(2.0 * support) + 2 + 3) / 4 * 4;
  axis.first.resize(std::size_t(count));
  axis.taps.resize(std::size_t(count));
  axis.weights.assign(std::size_t(count) * std::size_t(axis.stride), 0);
  std::vector<double> exact(std::size_t(axis.stride));
  std::vector<std::int16_t> rounded(std::size_t(axis.stride));
  axis.span_first = extent;
  for (int i = 0; i < count; ++i) {
    const double centre = start + (i + 0.5) * scale;
    int lo = std::max(0, static_cast<int>(std::floor(centre - support + 0.5)));
    int hi = std::min(extent, static_cast<int>(std::floor(centre + support + 0.5)));
    double sum = 0.0;
    for (int k = lo; k < hi; ++k) {
      exact[std::size_t(k - lo)] = Lanczos3((k + 0.5 - centre) / widening);
      sum += exact[std::size_t(k - lo)];
    }
    if (!(sum > 0.0)) {  // cannot happen for a centre inside the input; the nearest pixel then
      lo = std::clamp(static_cast<int>(centre), 0, extent - 1);
      hi = lo + 1;
      exact[0] = 1.0;
    }
    const auto [begin, end] = RoundWeights(exact.data(), hi - lo, rounded.data());
    axis.first[std::size_t(i)] = lo + begin;
    axis.taps[std::size_t(i)] = end - begin;
    std::copy(rounded.begin() + begin, rounded.begin() + end,
              axis.weights.begin() + std::ptrdiff_t(i) * axis.stride);
    axis.span_first = std::min(axis.span_first, lo + begin);
    axis.span_end = std::max(axis.span_end, lo + end);
    axis.max_taps = std::max(axis.max_taps, end - begin);
  }
  return axis;
}

void LanczosAxis::MoveOrigin(int origin) {
  for (int& f : first) f -= origin;
  span_first -= origin;
  span_end -= origin;
}

int RowsHeldAtOnce(const LanczosAxis& y) {
  int held = 0, end = 0;
  for (int j = 0; j < y.count(); ++j) {
    end = std::max(end, y.first[std::size_t(j)] + y.taps[std::size_t(j)]);
    held = std::max(held, end - y.first[std::size_t(j)]);
  }
  return held;
}

LanczosStage::LanczosStage(const LanczosAxis& x, const LanczosAxis& y, const RowKernels& kernels)
    : x_(x),
      y_(y),
      kernels_(kernels),
      rows_(std::size_t(y.max_taps)),
      columns_(std::size_t(x.span_end - x.span_first + kPadPixels) * 4),
      first_(x.first) {
  for (int& f : first_) f -= x.span_first;
}

void LanczosStage::Row(int j, RowSupply& rows, std::uint32_t* out) {
  const int first = y_.first[std::size_t(j)], taps = y_.taps[std::size_t(j)];
  for (int t = 0; t < taps; ++t) {
    rows_[std::size_t(t)] = reinterpret_cast<const std::uint8_t*>(rows.Row(first + t) + x_.span_first);
  }
  const std::size_t bytes = columns_.size() - kPadPixels * 4;
  kernels_.lanczos_columns(rows_.data(), y_.WeightsOf(j), taps, bytes, columns_.data());
  kernels_.lanczos_pixels(columns_.data(), first_.data(), x_.taps.data(), x_.weights.data(),
                          x_.stride, x_.count(), out);
}

}  // namespace vx::resample

// Within one binade (the floats of one exponent and sign, a grid of spacing u) the sum
// value + step rounds to value + d for one fixed multiple d of u: the step rounded to the
// grid, ties going to the even neighbour. Once a value with an even last bit is reached
// (every tie ends on one), each further addition that stays inside the binade adds the
// same d, so a run of them is one multiplication. Additions that cross into another binade
// are made one by one.
#include "gdi/float_steps.h"

#include <algorithm>
#include <cmath>

namespace vx {
namespace {

constexpr std::int64_t kBinadeLow = std::int64_t{1} << 23;  // |value| / u at the binade's bottom
constexpr std::int64_t kBinadeHigh = std::int64_t{1} << 24;  // ... and just past its top

// The binary exponent of a normal, finite, non-zero float; 0 for anything else.
int Exponent(float value) {
  if (!std::isfinite(value) || std::fabs(value) < 1e-30f) return 0;
  int exponent = 0;
  std::frexp(value, &exponent);
  return exponent;
}

bool SameBinade(float a, float b) {
  return Exponent(a) != 0 && Exponent(a) == Exponent(b) && std::signbit(a) == std::signbit(b);
}

}  // namespace

float RoundToFloat(double value) {
  volatile float rounded = static_cast<float>(value);
  return rounded;
}

float AfterFloatSteps(float value, float step, std::uint64_t steps) {
  while (steps > 0) {
    if (steps < 3) {
      value = AddInFloat(value, step);
      --steps;
      continue;
    }
    // Two additions to reach a value whose last bit is even if the step ties, and a third
    // to see the increment of this binade.
    const float a = AddInFloat(value, step);
    const float b = AddInFloat(a, step);
    const float c = AddInFloat(b, step);
    steps -= 3;
    value = c;
    if (c == b) return c;  // the step is lost in rounding: nothing changes any more
    if (!SameBinade(a, b) || !SameBinade(b, c)) continue;
    // Grid units of this binade: |value| / u lies in [2^23, 2^24).
    const double unit = std::ldexp(1.0, Exponent(c) - 24);
    const std::int64_t magnitude = std::int64_t(std::fabs(double(c)) / unit);
    const std::int64_t change = std::int64_t((std::fabs(double(c)) - std::fabs(double(b))) / unit);
    // Every value reached must stay inside the binade and, going down, a unit clear of its
    // bottom, so that no exact sum falls on the finer grid below.
    const std::int64_t room = change > 0 ? kBinadeHigh - 1 - magnitude : magnitude - kBinadeLow - 1;
    const std::uint64_t jumps = std::min<std::uint64_t>(std::uint64_t(std::max<std::int64_t>(room, 0)) /
                                                            std::uint64_t(change > 0 ? change : -change),
                                                        steps);
    value = RoundToFloat(double(c) + double(jumps) * (double(c) - double(b)));
    steps -= jumps;
  }
  return value;
}

}  // namespace vx

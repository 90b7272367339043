// A running position kept in single precision: the value after each step is the float
// nearest to the value before it plus the step, and where a run starts far off the surface
// the value after many steps is found without making every addition.
#pragma once

#include <cstdint>

namespace vx {

// `value` rounded to single precision, also where the compiler would keep more (x87).
float RoundToFloat(double value);

// value + step, rounded to single precision: one step of a run.
inline float AddInFloat(float value, float step) { return RoundToFloat(double(value) + double(step)); }

// What `value` becomes after `steps` calls of value = AddInFloat(value, step), bit for bit,
// at a cost that grows with the number of binary exponents the value passes through rather
// than with `steps`.
float AfterFloatSteps(float value, float step, std::uint64_t steps);

}  // namespace vx

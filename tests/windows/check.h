// The checks of the Windows test programs: each failure is printed with its line, and the
// program's exit status is the number of failures.
#pragma once

#include <cstdio>

namespace vx::test {

inline int failures = 0;

inline void Check(bool ok, const char* what, int line) {
  if (ok) return;
  ++failures;
  std::printf("line %d: %s\n", line, what);
}

}  // namespace vx::test

#define VX_CHECK(condition) ::vx::test::Check((condition), #condition, __LINE__)

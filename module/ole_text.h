// Text in OLECHARs as the module handles it: strings, views, and the ASCII case folding
// by which names and keywords are matched.
#pragma once

#include <string>
#include <string_view>

#include "platform/win_types.h"

namespace vx {

using OleString = std::basic_string<OLECHAR>;
using OleStringView = std::basic_string_view<OLECHAR>;

// "A" to "Z" become "a" to "z"; every other character stays.
inline OLECHAR LowerAscii(OLECHAR c) { return c >= 'A' && c <= 'Z' ? static_cast<OLECHAR>(c - 'A' + 'a') : c; }

inline bool SameIgnoringAsciiCase(OleStringView a, OleStringView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace vx

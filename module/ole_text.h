// Text in OLECHARs as the module handles it: strings, views, and the ASCII case folding
// by which names and keywords are matched.
#pragma once

#include <string>
#include <string_view>

#include "base/ascii_case.h"
#include "platform/win_types.h"

namespace vx {

using OleString = std::basic_string<OLECHAR>;
using OleStringView = std::basic_string_view<OLECHAR>;

inline bool SameIgnoringAsciiCase(OleStringView a, OleStringView b) {
  return SameIgnoringAsciiCase<OLECHAR>(a, b);
}

}  // namespace vx

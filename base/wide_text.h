// UTF-16 text as the system's own calls take it: wchar_t on Windows, char16_t elsewhere
// (where wchar_t has 32 bits). It is the OLECHAR and WCHAR of each system.
#pragma once

#include <string>
#include <string_view>

namespace vx {

#ifdef _WIN32
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif
using WideString = std::basic_string<WideChar>;
using WideStringView = std::basic_string_view<WideChar>;

}  // namespace vx

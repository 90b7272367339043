// Text from a script quoted in a message: a long string or word is cut, so that a message
// stays one readable line whatever the script holds.
#pragma once

#include <string>
#include <string_view>

namespace vx::cli {

// The text itself when short; else its start, cut at a character boundary, then
// "... (N bytes)".
std::string Excerpt(std::string_view text);

}  // namespace vx::cli

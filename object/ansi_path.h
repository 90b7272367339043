// A UTF-16 path in the system's ANSI code page, the form in which libpng opens files.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace vx {

// Any length; a null or empty path gives the empty text, which opens nothing.
std::string AnsiPath(const OLECHAR* path);

}  // namespace vx

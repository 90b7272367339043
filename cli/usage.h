// The text of "vximage --help".
#pragma once

#include <ostream>

namespace vx::cli {

void PrintUsage(std::ostream& out);

}  // namespace vx::cli

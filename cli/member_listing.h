// The member table of IResize as a readable listing for "vximage members".
#pragma once

#include <ostream>

namespace vx::cli {

void ListMembers(std::ostream& out);

}  // namespace vx::cli

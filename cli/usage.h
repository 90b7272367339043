// The text of "vximage --help" (and so of the manual page, made from it) and of
// "vximage --version".
#pragma once

#include <ostream>
#include <string>

namespace vx::cli {

void PrintUsage(std::ostream& out);

// Every member's entry, or the one named; false when there is no member of that name.
bool PrintMemberGuide(std::ostream& out, const std::string& member);

void PrintVersion(std::ostream& out);

}  // namespace vx::cli

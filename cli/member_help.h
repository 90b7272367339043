// Help on each member in the command's own words: how to write the call, the units and the
// values of its parameters. One entry a member name; "vximage help NAME" shows one,
// "vximage help" and "vximage --help" all of them.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

namespace vx::cli {

struct MemberHelp {
  std::string_view name;   // as the member table spells it
  std::string_view usage;  // how a script writes it
  std::string_view text;   // what it does, lines of at most 72 characters
};

std::span<const MemberHelp> MemberHelps();

// The entry of a member name, matched without regard to case; null when there is none.
const MemberHelp* FindMemberHelp(std::string_view name);

void PrintMemberHelp(const MemberHelp& help, std::ostream& out);

}  // namespace vx::cli

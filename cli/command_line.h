// What the command line asks for.
#pragma once

#include <string>
#include <vector>

#include "cli/script.h"

namespace vx::cli {

enum class Command { kHelp, kMemberHelp, kMembers, kVersion, kRun, kBatch };

struct CommandLine {
  Command command = Command::kHelp;
  bool time = false;                     // --time
  bool strict = false;                   // --strict
  std::string script_path;               // run SCRIPT, batch SCRIPT ("-": standard input for run)
  std::vector<std::string> statements;   // -e STATEMENT, in order
  std::vector<std::string> arguments;    // run: %1, %2 ...; batch: the inputs
  std::string member;                    // help MEMBER; empty: every member
  unsigned jobs = 0;                     // batch -j N; 0: one a core
};

// Throws UsageError for an unknown subcommand or option, or a missing operand.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace vx::cli

// What the command line asks for.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vx::cli {

enum class Command { kHelp, kMembers, kRun };

// A statement and the number its error messages give: its line in a script, its
// position among -e statements.
struct NumberedStatement {
  int number;
  std::string text;
};

struct CommandLine {
  Command command = Command::kHelp;
  bool time = false;                     // --time
  std::string script_path;               // run SCRIPT ("-": standard input)
  std::vector<std::string> statements;   // -e STATEMENT, in order
};

class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// Throws UsageError for an unknown subcommand or option, or a missing operand.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The statements to run: the script's lines, or the -e statements. Throws UsageError
// when the script cannot be read.
std::vector<NumberedStatement> StatementsToRun(const CommandLine& command_line);

}  // namespace vx::cli

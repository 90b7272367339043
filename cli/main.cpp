// vximage: runs automation statements on Resize objects, one script or a batch of inputs,
// explains the members, or lists them.
#include <iostream>

#include "cli/batch.h"
#include "cli/command_line.h"
#include "cli/interruption.h"
#include "cli/member_listing.h"
#include "cli/script_run.h"
#include "cli/usage.h"

namespace vx::cli {
namespace {

Script ScriptOf(const CommandLine& command_line) {
  if (command_line.script_path.empty()) return Script::FromStatements(command_line.statements);
  return Script::FromText(ReadScript(command_line.script_path));
}

int Main(const std::vector<std::string>& args) {
  CommandLine command_line;
  Script script;
  std::vector<std::string> inputs;
  try {
    command_line = ParseCommandLine(args);
    if (command_line.command == Command::kRun || command_line.command == Command::kBatch) script = ScriptOf(command_line);
    if (command_line.command == Command::kBatch) {
      inputs = command_line.arguments;
      if (inputs.empty() || (inputs.size() == 1 && inputs[0] == "-")) inputs = ReadInputList();
      if (inputs.empty()) throw UsageError("batch has no inputs: give files after the script or list them on standard input");
    }
  } catch (const UsageError& e) {
    std::cerr << "vximage: " << e.what() << "\nTry 'vximage --help'.\n";
    return kStatementFailed;
  }
  const RunSettings settings{command_line.strict, command_line.time};
  switch (command_line.command) {
    case Command::kHelp:
      PrintUsage(std::cout);
      return kSuccess;
    case Command::kVersion:
      PrintVersion(std::cout);
      return kSuccess;
    case Command::kMemberHelp:
      if (PrintMemberGuide(std::cout, command_line.member)) return kSuccess;
      std::cerr << "vximage: no member " << command_line.member << " (\"vximage members\" lists them)\n";
      return kStatementFailed;
    case Command::kMembers:
      ListMembers(std::cout);
      return kSuccess;
    case Command::kRun: {
      CatchInterruptions();
      const int status = RunScript(script, ScriptArguments(command_line.arguments), settings, std::cout, std::cerr).status;
      if (status == kInterrupted) std::cerr << "vximage: interrupted\n";
      return status;
    }
    case Command::kBatch:
      CatchInterruptions();
      return RunBatch(script, inputs, command_line.jobs, settings);
  }
  return kStatementFailed;
}

}  // namespace
}  // namespace vx::cli

int main(int argc, char** argv) {
  try {
    return vx::cli::Main(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::cerr << "vximage: " << e.what() << '\n';
    return 2;
  }
}

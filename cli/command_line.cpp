#include "cli/command_line.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

namespace vx::cli {
namespace {

std::string ReadAll(const std::string& path) {
  if (path == "-") return std::string(std::istreambuf_iterator<char>(std::cin), {});
  std::ifstream file(path, std::ios::binary);
  if (!file) throw UsageError("cannot read " + path + ": " + std::strerror(errno));
  std::string text((std::istreambuf_iterator<char>(file)), {});
  if (file.bad()) throw UsageError("cannot read " + path + ": " + std::strerror(errno));
  return text;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine result;
  bool run_asked = false;
  const auto operand = [&args](std::size_t* i, const std::string& what) {
    if (*i + 1 >= args.size()) throw UsageError(args[*i] + " needs " + what);
    return args[++*i];
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      return CommandLine{};
    } else if (arg == "--time") {
      result.time = true;
    } else if (arg == "-e") {
      result.statements.push_back(operand(&i, "a statement"));
    } else if (arg == "run" && !run_asked && result.statements.empty()) {
      run_asked = true;
      result.script_path = operand(&i, "a script file");
    } else if (arg == "members" && args.size() == 1) {
      result.command = Command::kMembers;
      return result;
    } else if (arg == "members") {
      throw UsageError("members takes no other arguments");
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      throw UsageError("unknown option " + arg);
    } else if (arg == "run") {
      throw UsageError("give either one script with run or statements with -e");
    } else {
      throw UsageError("unknown subcommand " + arg);
    }
  }
  if (run_asked && !result.statements.empty()) throw UsageError("give either one script with run or statements with -e");
  if (run_asked || !result.statements.empty()) {
    result.command = Command::kRun;
  } else if (result.time) {
    throw UsageError("--time needs statements to run");
  }
  return result;
}

std::vector<NumberedStatement> StatementsToRun(const CommandLine& command_line) {
  std::vector<NumberedStatement> statements;
  if (command_line.script_path.empty()) {
    for (const std::string& text : command_line.statements) {
      statements.push_back({static_cast<int>(statements.size()) + 1, text});
    }
    return statements;
  }
  std::string text = ReadAll(command_line.script_path);
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);  // a UTF-8 byte order mark
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    statements.push_back({static_cast<int>(statements.size()) + 1, text.substr(start, end - start)});
    start = end + 1;
  }
  return statements;
}

}  // namespace vx::cli

#include "cli/command_line.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

namespace vx::cli {
namespace {

namespace fs = std::filesystem;

// Far more than any script needs; a larger "script" is some other file.
constexpr std::size_t kMaxScriptBytes = 16 << 20;

std::string ReadBounded(std::istream& in, const std::string& name) {
  std::string text;
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    text.append(block, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxScriptBytes) throw UsageError("cannot read " + name + ": a script may not exceed 16 MiB");
  }
  if (in.bad()) throw UsageError("cannot read " + name + ": " + std::strerror(errno));
  return text;
}

// Only a plain file is read as a script: a device or a pipe may never end.
std::string ReadAll(const std::string& path) {
  if (path == "-") return ReadBounded(std::cin, "standard input");
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error) throw UsageError("cannot read " + path + ": " + error.message());
  if (!fs::is_regular_file(status)) throw UsageError("cannot read " + path + ": not a regular file");
  std::ifstream file(path, std::ios::binary);
  if (!file) throw UsageError("cannot read " + path + ": " + std::strerror(errno));
  return ReadBounded(file, path);
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

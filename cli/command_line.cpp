#include "cli/command_line.h"

#include <charconv>

namespace vx::cli {
namespace {

constexpr unsigned kMostJobs = 1024;

unsigned JobCount(const std::string& text) {
  unsigned jobs = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
  if (error != std::errc() || end != text.data() + text.size() || jobs == 0 || jobs > kMostJobs) {
    throw UsageError("-j takes a number of workers from 1 to " + std::to_string(kMostJobs) + ", not '" + text + "'");
  }
  return jobs;
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {}

  CommandLine Run() {
    for (; i_ < args_.size(); ++i_) {
      const std::string& arg = args_[i_];
      if (arg == "--help" || arg == "-h") return CommandLine{};
      if (arg == "--version") return Only(Command::kVersion);
      if (Option(arg)) continue;
      if (arg == "-e") {
        result_.statements.push_back(Operand("a statement"));
      } else if (arg == "run" || arg == "batch") {
        if (!result_.statements.empty()) throw UsageError("give either a script with " + arg + " or statements with -e");
        return arg == "run" ? RunCommand() : BatchCommand();
      } else if (arg == "members") {
        if (i_ + 1 != args_.size()) throw UsageError("members takes no other arguments");
        return Only(Command::kMembers);
      } else if (arg == "help") {
        return HelpCommand();
      } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
        throw UsageError("unknown option " + arg);
      } else {
        throw UsageError("unknown subcommand " + arg);
      }
    }
    if (!result_.statements.empty()) {
      result_.command = Command::kRun;
    } else if (result_.time || result_.strict) {
      throw UsageError(std::string(result_.time ? "--time" : "--strict") + " needs statements to run");
    }
    return result_;
  }

 private:
  // The options that may stand anywhere before the script.
  bool Option(const std::string& arg) {
    if (arg == "--time") return result_.time = true;
    if (arg == "--strict") return result_.strict = true;
    return false;
  }

  const std::string& Operand(const std::string& what) {
    if (i_ + 1 >= args_.size()) throw UsageError(args_[i_] + " needs " + what);
    return args_[++i_];
  }

  CommandLine Only(Command command) {
    result_.command = command;
    return result_;
  }

  // run [--time] [--strict] SCRIPT ARG...: everything after the script is its arguments.
  CommandLine RunCommand() {
    result_.command = Command::kRun;
    while (i_ + 1 < args_.size() && Option(args_[i_ + 1])) ++i_;
    result_.script_path = Operand("a script file");
    result_.arguments.assign(args_.begin() + static_cast<std::ptrdiff_t>(i_ + 1), args_.end());
    return result_;
  }

  // batch [-j N] SCRIPT [FILE...]: no FILE (or "-") reads the inputs from standard input.
  CommandLine BatchCommand() {
    result_.command = Command::kBatch;
    while (i_ + 1 < args_.size()) {
      const std::string& next = args_[i_ + 1];
      if (next == "-j" || next == "--jobs") {
        ++i_;
        result_.jobs = JobCount(Operand("a number of workers"));
      } else if (next.starts_with("-j") && next.size() > 2 && next[2] != '-') {
        result_.jobs = JobCount(next.substr(2));
        ++i_;
      } else if (next.starts_with("--jobs=")) {
        result_.jobs = JobCount(next.substr(7));
        ++i_;
      } else if (Option(next)) {
        ++i_;
      } else {
        break;
      }
    }
    result_.script_path = Operand("a script file");
    if (result_.script_path == "-") throw UsageError("batch reads its inputs from standard input, so its script must be a file");
    result_.arguments.assign(args_.begin() + static_cast<std::ptrdiff_t>(i_ + 1), args_.end());
    return result_;
  }

  CommandLine HelpCommand() {
    result_.command = Command::kMemberHelp;
    if (i_ + 2 < args_.size()) throw UsageError("help takes at most one member name");
    if (i_ + 1 < args_.size()) result_.member = args_[i_ + 1];
    return result_;
  }

  const std::vector<std::string>& args_;
  std::size_t i_ = 0;
  CommandLine result_;
};

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) { return Parser(args).Run(); }

}  // namespace vx::cli

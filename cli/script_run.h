// One run of a script on a new Resize object: each statement in turn, warnings and errors
// written as "line N: ..." lines, and the exit status the run earns.
#pragma once

#include <ostream>
#include <string>

#include "cli/script.h"
#include "cli/script_arguments.h"

namespace vx::cli {

enum ExitStatus {
  kSuccess = 0,
  kReported = 1,         // the object reported a problem, or (--strict) a warning was given
  kStatementFailed = 2,  // a statement could not be read or dispatched, or the command line was wrong
  kInterrupted = 130,    // Ctrl-C, as a shell counts it
};

struct RunSettings {
  bool strict = false;  // a warning stops the run with status 1
  bool time = false;    // "time <ms> ms: <statement>" after each statement
};

struct RunResult {
  int status = kSuccess;
  std::string first_problem;  // the first warning or error line, for a batch's summary
};

// `out` receives what '?' statements print, `diagnostics` the warnings, errors and times.
RunResult RunScript(const Script& script, const ScriptArguments& arguments, const RunSettings& settings,
                    std::ostream& out, std::ostream& diagnostics);

}  // namespace vx::cli

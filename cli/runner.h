// Runs statements on one Resize object by member name, through IDispatch alone, as an
// automation script does, and keeps what the end of the run reports.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/statement.h"
#include "platform/oleauto.h"

namespace vx::cli {

class Runner {
 public:
  // `out` receives what '?' statements print.
  Runner(IDispatch* object, std::ostream& out) : object_(object), out_(out) {}

  // Runs one statement; a blank or comment-only one does nothing. Throws ScriptError
  // when the statement cannot be read or its call fails.
  void Run(std::string_view text, int line);

  // What the object reported during the run: its error text, else which call answered
  // S_FALSE; empty when all went well. Throws ScriptError if the text cannot be fetched.
  std::string ReportedProblem();

 private:
  DISPID IdOf(const std::string& name);
  void Execute(const Statement& statement, DISPID id, int line);

  IDispatch* object_;
  std::ostream& out_;
  std::vector<std::string> false_answers_;  // "line N: Member returned S_FALSE"
};

}  // namespace vx::cli

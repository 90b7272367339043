// Runs statements on one Resize object by member name, through IDispatch alone, as an
// automation script does, and says after each call what went wrong in it that the object
// answers only quietly (S_FALSE, a new error text) or not at all (call_checks.h).
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "cli/call_checks.h"
#include "cli/script_arguments.h"
#include "cli/statement.h"
#include "platform/oleauto.h"

namespace vx::cli {

// A call that went wrong without failing.
struct Warning {
  std::string text;             // "AddImageMark \"lgoo.png\": cannot open the mark file ..."
  bool reported_by_object;      // S_FALSE or a new error text, not only vximage's own finding
};

class Runner {
 public:
  // `out` receives what '?' statements print.
  Runner(IDispatch* object, const ScriptArguments& arguments, std::ostream& out)
      : object_(object), arguments_(arguments), out_(out) {}

  // Runs one statement; a blank or comment-only one does nothing. Throws ScriptError
  // when the statement cannot be read or its call fails.
  std::optional<Warning> Run(std::string_view text);

 private:
  DISPID IdOf(const std::string& name);
  std::optional<Warning> Execute(const Statement& statement, DISPID id);
  // A property's value or a method's result through Invoke; throws ScriptError on failure.
  void Fetch(DISPID id, const char* name, VARIANT* result);
  std::string ErrorText();
  std::u16string FaceName();
  std::string OwnFindings(std::u16string_view member, const std::string& file, const FileIdentity& before);

  IDispatch* object_;
  const ScriptArguments& arguments_;
  std::ostream& out_;
  std::string error_text_;        // the object's error text after the last call
  std::u16string faces_checked_;  // the face of the last AddTextMark checked
};

}  // namespace vx::cli

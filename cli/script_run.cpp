#include "cli/script_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli/excerpt.h"
#include "cli/hresult_text.h"
#include "cli/interruption.h"
#include "cli/lexer.h"
#include "cli/runner.h"
#include "cli/script_error.h"
#include "module/iresize.h"

namespace vx::cli {
namespace {

std::string TimeLine(std::chrono::steady_clock::duration elapsed, std::string_view text) {
  char number[32];
  std::snprintf(number, sizeof number, "%.3f", std::chrono::duration<double, std::milli>(elapsed).count());
  return std::string("time ") + number + " ms: " + Excerpt(text);
}

}  // namespace

RunResult RunScript(const Script& script, const ScriptArguments& arguments, const RunSettings& settings,
                    std::ostream& out, std::ostream& diagnostics) {
  RunResult result;
  const auto note = [&](const std::string& line) {
    out.flush();
    diagnostics << line << '\n';
    if (result.first_problem.empty()) result.first_problem = line;
  };
  IDispatch* object = nullptr;
  const HRESULT created = CreateResize(IID_IDispatch, reinterpret_cast<void**>(&object));
  if (FAILED(created)) {
    note("cannot create the Resize object: " + HresultText(created));
    result.status = kStatementFailed;
    return result;
  }
  Runner runner(object, arguments, out);
  Script::Cursor cursor;
  NumberedStatement statement{};
  while (script.Next(&cursor, &statement)) {
    if (Interrupted()) {
      result.status = kInterrupted;
      break;
    }
    const auto line = [&statement] { return "line " + std::to_string(statement.number) + ": "; };
    try {
      const auto start = std::chrono::steady_clock::now();
      const std::optional<Warning> warning = runner.Run(statement.text);
      if (settings.time) {
        const std::string_view text = StatementText(statement.text);
        if (!text.empty()) diagnostics << TimeLine(std::chrono::steady_clock::now() - start, text) << '\n';
      }
      if (!warning) continue;
      if (warning->reported_by_object || settings.strict) result.status = std::max<int>(result.status, kReported);
      if (settings.strict) {
        note(line() + "warning: " + warning->text + " (--strict: the run stops here)");
        break;
      }
      note(line() + "warning: " + warning->text);
    } catch (const ScriptError& e) {
      note(line() + e.what());
      result.status = kStatementFailed;
      break;
    }
  }
  object->Release();
  out.flush();
  return result;
}

}  // namespace vx::cli

// vximage: runs automation statements on one Resize object, lists its members, or
// explains itself.
#include <chrono>
#include <cstdio>
#include <iostream>

#include "cli/command_line.h"
#include "cli/hresult_text.h"
#include "cli/lexer.h"
#include "cli/member_listing.h"
#include "cli/runner.h"
#include "cli/script_error.h"
#include "cli/usage.h"
#include "module/iresize.h"

namespace vx::cli {
namespace {

constexpr int kSuccess = 0;
constexpr int kObjectReportedError = 1;
constexpr int kStatementFailed = 2;

void PrintTime(std::chrono::steady_clock::duration elapsed, std::string_view text) {
  const double ms = std::chrono::duration<double, std::milli>(elapsed).count();
  char number[32];
  std::snprintf(number, sizeof number, "%.3f", ms);
  std::cerr << "time " << number << " ms: " << text << '\n';
}

int RunStatements(const std::vector<NumberedStatement>& statements, bool time) {
  IDispatch* object = nullptr;
  const HRESULT created = CreateResize(IID_IDispatch, reinterpret_cast<void**>(&object));
  if (FAILED(created)) {
    std::cerr << "vximage: cannot create the Resize object: " << HresultText(created) << '\n';
    return kStatementFailed;
  }
  Runner runner(object, std::cout);
  int status = kSuccess;
  for (const NumberedStatement& statement : statements) {
    try {
      const auto start = std::chrono::steady_clock::now();
      runner.Run(statement.text, statement.number);
      const std::string_view text = StatementText(statement.text);
      if (time && !text.empty()) PrintTime(std::chrono::steady_clock::now() - start, text);
    } catch (const ScriptError& e) {
      std::cout.flush();
      std::cerr << "line " << statement.number << ": " << e.what() << '\n';
      status = kStatementFailed;
      break;
    }
  }
  if (status == kSuccess) {
    try {
      const std::string problem = runner.ReportedProblem();
      if (!problem.empty()) {
        std::cout.flush();
        std::cerr << problem << '\n';
        status = kObjectReportedError;
      }
    } catch (const ScriptError& e) {
      std::cerr << "vximage: " << e.what() << '\n';
      status = kStatementFailed;
    }
  }
  object->Release();
  return status;
}

int Main(const std::vector<std::string>& args) {
  CommandLine command_line;
  std::vector<NumberedStatement> statements;
  try {
    command_line = ParseCommandLine(args);
    if (command_line.command == Command::kRun) statements = StatementsToRun(command_line);
  } catch (const UsageError& e) {
    std::cerr << "vximage: " << e.what() << "\nTry 'vximage --help'.\n";
    return kStatementFailed;
  }
  switch (command_line.command) {
    case Command::kHelp:
      PrintUsage(std::cout);
      return kSuccess;
    case Command::kMembers:
      ListMembers(std::cout);
      return kSuccess;
    case Command::kRun:
      return RunStatements(statements, command_line.time);
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

#include "cli/runner.h"

#include "cli/argument_list.h"
#include "cli/call_failure.h"
#include "cli/hresult_text.h"
#include "cli/member_text.h"
#include "cli/script_error.h"
#include "cli/text_encoding.h"

namespace vx::cli {
namespace {

WORD FlagsFor(StatementKind kind) {
  switch (kind) {
    case StatementKind::kCall: return DISPATCH_METHOD;
    case StatementKind::kAssign: return DISPATCH_PROPERTYPUT;
    case StatementKind::kPrint: return DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  }
  return 0;
}

// The value as text; false when it has none. Frees the value.
bool TakeAsText(VARIANT* value, std::string* text) {
  VARIANT converted;
  VariantInit(&converted);
  const bool shown = SUCCEEDED(VariantChangeType(&converted, value, 0, VT_BSTR));
  if (shown) *text = BstrToUtf8(converted.bstrVal);
  VariantClear(&converted);
  VariantClear(value);
  return shown;
}

}  // namespace

void Runner::Run(std::string_view text, int line) {
  const std::optional<Statement> statement = ParseStatement(text);
  if (!statement) return;
  Execute(*statement, IdOf(statement->member), line);
}

DISPID Runner::IdOf(const std::string& name) {
  std::u16string wide(name.begin(), name.end());  // names are ASCII: the lexer saw to it
  OLECHAR* names[] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  if (object_->GetIDsOfNames(IID_NULL, names, 1, 0, &id) != S_OK) {
    throw ScriptError("unknown member " + name + " (\"vximage members\" lists them)");
  }
  return id;
}

void Runner::Execute(const Statement& statement, DISPID id, int line) {
  const WORD flags = FlagsFor(statement.kind);
  const Member* row = FindMember(id, flags);
  const bool print = statement.kind == StatementKind::kPrint;
  if (print && row && !RetvalParameter(*row)) {
    throw ScriptError(Utf16ToUtf8(row->name) + " returns no value: call it without '?'");
  }
  ArgumentList arguments(statement.arguments);
  DISPPARAMS params = arguments.Params(statement.kind == StatementKind::kAssign);
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception{};
  UINT arg_error = 0;
  const HRESULT hr = object_->Invoke(id, IID_NULL, 0, flags, &params,
                                     print ? &result : nullptr, &exception, &arg_error);
  if (FAILED(hr)) {
    throw ScriptError(ExplainCallFailure({statement, id, flags, params.cArgs, hr, exception.scode, arg_error}));
  }
  const std::string member = Utf16ToUtf8(row ? row->name : std::u16string_view());
  if (hr == S_FALSE) false_answers_.push_back("line " + std::to_string(line) + ": " + member + " returned S_FALSE");
  if (print) {
    std::string printed;
    if (!TakeAsText(&result, &printed)) throw ScriptError(member + " returned a value that cannot be shown as text");
    out_ << printed << '\n';
  }
}

std::string Runner::ReportedProblem() {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception{};
  const HRESULT hr = object_->Invoke(IdOf("GetErrorInfo"), IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                     &none, &result, &exception, nullptr);
  if (FAILED(hr)) throw ScriptError("GetErrorInfo failed: " + HresultText(hr == DISP_E_EXCEPTION ? exception.scode : hr));
  std::string text;
  TakeAsText(&result, &text);
  if (!text.empty()) return "error: " + text;
  return false_answers_.empty() ? std::string() : false_answers_.front();
}

}  // namespace vx::cli

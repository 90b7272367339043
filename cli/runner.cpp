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

std::string PrintableText(const VARIANT& value) {
  VARIANT text;
  VariantInit(&text);
  if (FAILED(VariantChangeType(&text, &value, 0, VT_BSTR))) throw ScriptError("the result cannot be shown as text");
  std::string printed = BstrToUtf8(text.bstrVal);
  VariantClear(&text);
  return printed;
}

}  // namespace

void Runner::Run(std::string_view text, int line) {
  const std::optional<Statement> statement = ParseStatement(text);
  if (!statement) return;
  Execute(*statement, IdOf(statement->member), line);
}

DISPID Runner::IdOf(const std::string& name) {
  std::optional<std::u16string> wide = Utf8ToUtf16(name);
  OLECHAR* names[] = {wide->data()};
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
  if (print && row && !RetvalParameter(*row) && !FillsOutText(*row)) {
    throw ScriptError(Utf16ToUtf8(row->name) + " returns no value: call it without '?'");
  }
  ArgumentList arguments(statement.arguments);
  const bool fill_out_text = print && row && FillsOutText(*row) && statement.arguments.size() + 1 == ArgumentCount(*row);
  if (fill_out_text) arguments.AddOutText();

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
    const std::string printed = fill_out_text ? BstrToUtf8(arguments.out_text()) : PrintableText(result);
    VariantClear(&result);
    out_ << printed << '\n';
  }
}

std::string Runner::ReportedProblem() {
  ArgumentList arguments({});
  arguments.AddOutText();
  DISPPARAMS params = arguments.Params(false);
  EXCEPINFO exception{};
  const HRESULT hr =
      object_->Invoke(IdOf("GetErrorInfo"), IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &exception, nullptr);
  if (FAILED(hr)) throw ScriptError("GetErrorInfo failed: " + HresultText(hr == DISP_E_EXCEPTION ? exception.scode : hr));
  const std::string text = BstrToUtf8(arguments.out_text());
  if (!text.empty()) return "error: " + text;
  return false_answers_.empty() ? std::string() : false_answers_.front();
}

}  // namespace vx::cli

#include "cli/runner.h"

#include <algorithm>

#include "base/ascii_case.h"
#include "cli/argument_list.h"
#include "cli/call_failure.h"
#include "cli/excerpt.h"
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

bool Is(std::u16string_view member, std::u16string_view name) { return SameIgnoringAsciiCase(member, name); }

bool WritesFile(std::u16string_view member) {
  return Is(member, u"MakeMarkImage") || Is(member, u"MakeThumbImage") || Is(member, u"MakeCropImage");
}

// The first argument when it is a string: the file of every call that has one.
std::string FileArgument(const Statement& statement) {
  if (statement.arguments.empty()) return {};
  const auto* text = std::get_if<std::u16string>(&statement.arguments.front().value);
  return text ? Utf16ToUtf8(*text) : std::string();
}

void Append(std::string* text, const std::string& more) {
  if (more.empty()) return;
  if (!text->empty()) *text += "; ";
  *text += more;
}

}  // namespace

std::optional<Warning> Runner::Run(std::string_view text) {
  const std::optional<Statement> statement = ParseStatement(text, arguments_);
  if (!statement) return std::nullopt;
  return Execute(*statement, IdOf(statement->member));
}

DISPID Runner::IdOf(const std::string& name) {
  constexpr std::size_t kLongestName = 255;  // far longer than any member's
  std::u16string wide(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(std::min(name.size(), kLongestName)));
  OLECHAR* names[] = {wide.data()};  // names are ASCII: the lexer saw to it
  DISPID id = DISPID_UNKNOWN;
  if (name.size() > kLongestName || object_->GetIDsOfNames(IID_NULL, names, 1, 0, &id) != S_OK) {
    throw ScriptError("unknown member " + Excerpt(name) + " (\"vximage members\" lists them)");
  }
  return id;
}

std::optional<Warning> Runner::Execute(const Statement& statement, DISPID id) {
  const WORD flags = FlagsFor(statement.kind);
  const Member* row = FindMember(id, flags);
  const bool print = statement.kind == StatementKind::kPrint;
  if (print && row && !RetvalParameter(*row)) {
    throw ScriptError(Utf16ToUtf8(row->name) + " returns no value: call it without '?'");
  }
  const std::u16string_view member = row ? std::u16string_view(row->name) : std::u16string_view();
  const bool method_call = statement.kind == StatementKind::kCall && row && row->kind == MemberKind::kMethod;
  const std::string file = FileArgument(statement);
  const FileIdentity before = WritesFile(member) ? IdentityOf(file) : FileIdentity{};

  ArgumentList arguments(statement.arguments);
  DISPPARAMS params = arguments.Params(statement.kind == StatementKind::kAssign);
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception{};
  UINT arg_error = 0;
  const HRESULT hr = object_->Invoke(id, IID_NULL, 0, flags, &params, print ? &result : nullptr, &exception, &arg_error);
  if (FAILED(hr)) {
    std::string text = ExplainCallFailure({statement, id, flags, params.cArgs, hr, exception.scode, arg_error});
    if (hr == DISP_E_BADPARAMCOUNT && row && statement.arguments.size() < ArgumentCount(*row)) {
      text += CommentHint(statement);
    }
    // The member's own failure may say why in the error text (a value a choice does not have).
    const std::string error_text = hr == DISP_E_EXCEPTION ? ErrorText() : error_text_;
    if (error_text != error_text_) text += "; the object reports \"" + error_text + "\"";
    throw ScriptError(text);
  }
  if (print) {
    std::string printed;
    if (!TakeAsText(&result, &printed)) throw ScriptError(Utf16ToUtf8(member) + " returned a value that cannot be shown as text");
    out_ << printed << '\n';
  }
  if (!method_call) return std::nullopt;

  // What the object said: a new error text, or S_FALSE.
  std::string said;
  const std::string error_text = ErrorText();
  if (error_text != error_text_) {
    said = "the object reports \"" + error_text + "\"";
    error_text_ = error_text;
  } else if (hr == S_FALSE) {
    said = Is(member, u"AddTextMark") ? "returned S_FALSE: no picture is loaded, nothing was drawn" : "returned S_FALSE";
  }
  std::string warning = said;
  Append(&warning, OwnFindings(member, file, before));
  if (warning.empty()) return std::nullopt;
  std::string call = Utf16ToUtf8(member);
  if (!file.empty()) call += " \"" + Excerpt(file) + "\"";
  return Warning{call + ": " + warning, !said.empty()};
}

std::string Runner::OwnFindings(std::u16string_view member, const std::string& file, const FileIdentity& before) {
  std::string found;
  if (WritesFile(member)) {
    Append(&found, WrittenProblem(before, file));
    if (!found.empty() && Is(member, u"MakeMarkImage")) Append(&found, MarkImageNameProblem(file));
  } else if (Is(member, u"AddImageMark")) {
    Append(&found, MarkFileProblem(file));
  } else if (Is(member, u"AddTextMark")) {
    const std::u16string face = FaceName();
    if (face != faces_checked_) {  // once for each change of face
      faces_checked_ = face;
      Append(&found, FaceProblem(face));
    }
  }
  return found;
}

void Runner::Fetch(DISPID id, const char* name, VARIANT* result) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXCEPINFO exception{};
  const HRESULT hr = object_->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, result, &exception,
                                     nullptr);
  if (FAILED(hr)) {
    throw ScriptError(std::string(name) + " failed: " + HresultText(hr == DISP_E_EXCEPTION ? exception.scode : hr));
  }
}

std::string Runner::ErrorText() {
  VARIANT result;
  VariantInit(&result);
  Fetch(IdOf("GetErrorInfo"), "GetErrorInfo", &result);
  std::string text;
  TakeAsText(&result, &text);
  return text;
}

std::u16string Runner::FaceName() {
  VARIANT result;
  VariantInit(&result);
  Fetch(IdOf("TextMarkFontName"), "TextMarkFontName", &result);
  std::u16string face;
  if (result.vt == VT_BSTR && result.bstrVal) face.assign(result.bstrVal, SysStringLen(result.bstrVal));
  VariantClear(&result);
  return face;
}

}  // namespace vx::cli

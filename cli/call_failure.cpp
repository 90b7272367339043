#include "cli/call_failure.h"

#include "cli/hresult_text.h"
#include "cli/member_text.h"
#include "cli/text_encoding.h"
#include "module/member_table.h"

namespace vx::cli {
namespace {

constexpr WORD kAnyKind = DISPATCH_METHOD | DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string Misuse(const std::string& name, const CallFailure& f) {
  const Member* method = FindMember(f.id, DISPATCH_METHOD);
  if (!method) {
    return name + " is a property: set it with " + Quoted(name + " = value") + " or print it with " +
           Quoted("? " + name);
  }
  std::string call = name;
  if (ArgumentCount(*method) > 0) call += " " + ArgumentNames(*method);
  return name + " is a method, not a property: call it as " + Quoted(call);
}

std::string WrongCount(const std::string& name, const Member& row, const CallFailure& f) {
  const std::size_t expected = ArgumentCount(row);
  std::string text = name + " takes ";
  if (expected == 0) {
    text += "no arguments";
  } else {
    text += std::to_string(expected) + (expected == 1 ? " argument (" : " arguments (") + ArgumentNames(row) + ")";
  }
  return text + ", got " + std::to_string(f.statement.arguments.size());
}

std::string BadArgument(const std::string& name, const Member& row, const CallFailure& f) {
  const std::size_t index = f.argument_count - 1 - f.arg_error;  // rgvarg runs last first
  if (index >= f.statement.arguments.size() || index >= row.parameters.size()) {
    return name + ": an argument does not convert (" + HresultText(f.hr) + ")";
  }
  const MemberParameter& parameter = row.parameters[index];
  const std::string& given = f.statement.arguments[index].source;
  std::string text = f.statement.kind == StatementKind::kAssign
                         ? "value of " + name + ": "
                         : "argument " + std::to_string(index + 1) + " (" + Utf16ToUtf8(parameter.name) + ") of " + name + ": ";
  if (parameter.passing == ParameterPassing::kRetval) {  // a value where a variable is taken by reference
    return text + given + " cannot be passed as " + PointerTypeName(parameter) + "; print the text with " +
           Quoted("? " + name);
  }
  if (f.hr == DISP_E_OVERFLOW) return text + given + " is out of the range of " + TypeName(parameter);
  return text + given + " does not convert to " + TypeName(parameter);
}

}  // namespace

std::string ExplainCallFailure(const CallFailure& f) {
  const Member* any = FindMember(f.id, kAnyKind);
  const std::string name = any ? Utf16ToUtf8(any->name) : f.statement.member;
  const Member* row = FindMember(f.id, f.flags);
  switch (f.hr) {
    case DISP_E_MEMBERNOTFOUND:
      return any ? Misuse(name, f) : name + " is not a member (" + HresultText(f.hr) + ")";
    case DISP_E_BADPARAMCOUNT:
      if (row) return WrongCount(name, *row, f);
      break;
    case DISP_E_TYPEMISMATCH:
    case DISP_E_OVERFLOW:
      if (row) return BadArgument(name, *row, f);
      break;
    case DISP_E_EXCEPTION:
      return name + " failed: " + HresultText(f.scode);
    default:
      break;
  }
  return name + ": the call failed with " + HresultText(f.hr);
}

}  // namespace vx::cli

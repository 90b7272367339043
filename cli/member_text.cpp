#include "cli/member_text.h"

#include "cli/text_encoding.h"

namespace vx::cli {
namespace {

const char* ValueTypeName(VARTYPE type) {
  switch (type) {
    case VT_I4: return "long";
    case VT_R8: return "double";
    case VT_BSTR: return "BSTR";
    case VT_UI4: return "OLE_COLOR";
    default: return "?";
  }
}

// Joins the parameters a caller passes (all of them with retvals_too) as text.
template <typename Describe>
std::string Join(const Member& member, bool retvals_too, Describe describe) {
  std::string text;
  for (const MemberParameter& p : member.parameters) {
    if (p.passing == ParameterPassing::kRetval && !retvals_too) continue;
    if (!text.empty()) text += ", ";
    text += describe(p);
  }
  return text;
}

}  // namespace

std::string TypeName(const MemberParameter& parameter) {
  const std::string value = ValueTypeName(parameter.type);
  switch (parameter.passing) {
    case ParameterPassing::kIn: return value;
    case ParameterPassing::kInOut: return value + "*";
    case ParameterPassing::kRetval: return "[out, retval] " + value + "*";
  }
  return value;
}

std::string Signature(const Member& member) {
  return Join(member, true, [](const MemberParameter& p) { return TypeName(p) + " " + Utf16ToUtf8(p.name); });
}

std::string ArgumentNames(const Member& member) {
  return Join(member, false, [](const MemberParameter& p) { return Utf16ToUtf8(p.name); });
}

bool FillsOutText(const Member& member) {
  for (const MemberParameter& p : member.parameters) {
    if (p.passing == ParameterPassing::kInOut) return true;
  }
  return false;
}

const char* KindName(MemberKind kind) {
  switch (kind) {
    case MemberKind::kMethod: return "method";
    case MemberKind::kPropertyGet: return "get";
    case MemberKind::kPropertyPut: return "put";
  }
  return "?";
}

}  // namespace vx::cli

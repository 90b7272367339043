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
  if (parameter.passing == ParameterPassing::kRetval) return "[out, retval] " + PointerTypeName(parameter);
  return ValueTypeName(parameter.type);
}

std::string PointerTypeName(const MemberParameter& parameter) {
  return std::string(ValueTypeName(parameter.type)) + "*";
}

std::string Signature(const Member& member) {
  return Join(member, true, [](const MemberParameter& p) { return TypeName(p) + " " + Utf16ToUtf8(p.name); });
}

std::string ArgumentNames(const Member& member) {
  return Join(member, false, [](const MemberParameter& p) { return Utf16ToUtf8(p.name); });
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

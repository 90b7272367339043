// The member table in words: type names, parameter lists and kinds, for the listing and
// for error messages.
#pragma once

#include <string>

#include "module/member_table.h"

namespace vx::cli {

// "long", "double", "BSTR", "OLE_COLOR"; a retval as declared: "[out, retval] long*".
std::string TypeName(const MemberParameter& parameter);

// The parameter's type as a pointer: "BSTR*".
std::string PointerTypeName(const MemberParameter& parameter);

// Every parameter with its type: "BSTR strImageFile, long lPosX".
std::string Signature(const Member& member);

// The names of the arguments a caller passes: "strImageFile, lPosX".
std::string ArgumentNames(const Member& member);

// "method", "get" or "put".
const char* KindName(MemberKind kind);

}  // namespace vx::cli

// The members of IResize2 (IResize's first) as late binding sees them: one row a vtable
// slot, with the member's name, DISPID, kind, parameters, help string and a call on an
// IResize2*.
// GetIDsOfNames and Invoke answer from this table, and the command-line tool lists it.
#pragma once

#include <span>

#include "module/iresize.h"
#include "module/ole_text.h"

namespace vx {

enum class MemberKind { kMethod, kPropertyGet, kPropertyPut };

enum class ParameterPassing {
  kIn,      // a value of the parameter's type
  kRetval,  // [out, retval]: the member's result, not passed by the caller
};

struct MemberParameter {
  OleStringView name;
  VARTYPE type;  // VT_I4 (long), VT_R8 (double), VT_BSTR or VT_UI4 (OLE_COLOR)
  ParameterPassing passing;
  // A retval that a caller may instead pass as one reference to fill (VT_BYREF with the
  // parameter's type or VT_VARIANT): the call shape of a declaration without direction
  // attributes, which older clients of GetErrorInfo use.
  bool reference_accepted = false;
};

// Calls the member. args holds the parameters in declaration order: a kIn value in the
// union member of its type, a kRetval parameter as a pointer in byref.
using MemberCall = HRESULT (*)(IResize2* object, const VARIANT* args);

// The longest parameter list of any member (MakeCropImage).
inline constexpr std::size_t kMostParameters = 5;

struct Member {
  OleStringView name;
  DISPID id;
  MemberKind kind;
  std::span<const MemberParameter> parameters;
  OleStringView help;
  MemberCall call;
};

// The rows in the order of IResize2's vtable slots; a property's getter comes before its
// setter.
std::span<const Member> ResizeMembers();

// How many arguments a caller passes: every parameter but the retval.
std::size_t ArgumentCount(const Member& member);

// The row that IDispatch::Invoke with these DISPATCH_ flags reaches: the first of this
// DISPID whose kind the flags include. Null when there is none.
const Member* FindMember(DISPID id, WORD flags);

// The [out, retval] parameter, or null when the member has none.
const MemberParameter* RetvalParameter(const Member& member);

}  // namespace vx

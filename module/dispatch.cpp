// GetIDsOfNames and Invoke of a Resize object, answered from the member table the way
// type information answers them for a dual interface.
#include "module/dispatch.h"

#include <array>

#include "module/member_table.h"
#include "module/ole_text.h"

namespace vx {
namespace {

DISPID FindId(const OLECHAR* name) {
  if (!name) return DISPID_UNKNOWN;
  const OleStringView wanted(name);
  for (const Member& m : ResizeMembers()) {
    if (m.name == wanted) return m.id;
  }
  for (const Member& m : ResizeMembers()) {
    if (SameIgnoringAsciiCase(m.name, wanted)) return m.id;
  }
  return DISPID_UNKNOWN;
}

// A setter takes exactly its value as the argument named DISPID_PROPERTYPUT; nothing
// else takes named arguments.
HRESULT CheckNamedArguments(const Member& member, const DISPPARAMS& params) {
  if (params.cNamedArgs > 0 && !params.rgdispidNamedArgs) return E_INVALIDARG;
  bool value_named = false;
  for (UINT i = 0; i < params.cNamedArgs; ++i) {
    const bool is_value = member.kind == MemberKind::kPropertyPut &&
                          params.rgdispidNamedArgs[i] == DISPID_PROPERTYPUT;
    if (!is_value) return DISP_E_NONAMEDARGS;
    value_named = true;
  }
  if (member.kind == MemberKind::kPropertyPut && !value_named) return DISP_E_PARAMNOTFOUND;
  return S_OK;
}

// The converted arguments of one call and the retval slot; frees what it converted.
class CallFrame {
 public:
  CallFrame() {
    for (VARIANT& v : args_) VariantInit(&v);
    VariantInit(&retval_);
  }
  ~CallFrame() {
    for (VARIANT& v : args_) VariantClear(&v);
    VariantClear(&retval_);
  }
  CallFrame(const CallFrame&) = delete;
  CallFrame& operator=(const CallFrame&) = delete;

  // Fills the arguments from rgvarg (last argument first); with retval_by_reference the
  // caller passed the retval too, as a reference. On a value that does not convert,
  // *bad_index is its index in rgvarg.
  HRESULT Prepare(const Member& member, const DISPPARAMS& params, bool retval_by_reference, UINT* bad_index) {
    UINT next = params.cArgs;  // the first argument is the last in rgvarg
    for (std::size_t i = 0; i < member.parameters.size(); ++i) {
      const MemberParameter& p = member.parameters[i];
      if (p.passing == ParameterPassing::kRetval && !retval_by_reference) {
        PointAtRetval(p.type, &args_[i]);
        continue;
      }
      VARIANT& given = params.rgvarg[--next];
      const HRESULT hr = p.passing == ParameterPassing::kRetval ? ReferToVariable(given, p.type, &args_[i])
                                                                : VariantChangeType(&args_[i], &given, 0, p.type);
      if (FAILED(hr)) {
        *bad_index = next;
        return hr;
      }
    }
    return S_OK;
  }

  const VARIANT* args() const { return args_.data(); }

  // Hands the retval to the caller's variable or result (or drops it when the caller
  // wants none).
  void TakeRetval(VARIANT* result) {
    VARIANT* target = result;
    if (variable_) {
      VariantClear(variable_);  // the variable is assigned: its old value goes
      target = variable_;
    }
    if (target) {
      *target = retval_;
      VariantInit(&retval_);
    }
  }

 private:
  void PointAtRetval(VARTYPE type, VARIANT* arg) {
    retval_.vt = type;
    arg->vt = VT_BYREF | type;
    arg->byref = &retval_.lVal;  // every value member of the union starts here
  }

  // A retval passed by the caller: a reference to a value of its type, filled in place by
  // the member, or to a VARIANT, which takes the result after the call.
  HRESULT ReferToVariable(const VARIANT& given, VARTYPE type, VARIANT* arg) {
    if (given.vt == (VT_BYREF | type)) {
      *arg = given;  // borrowed: clearing a VT_BYREF frees nothing
      return S_OK;
    }
    if (given.vt != (VT_BYREF | VT_VARIANT)) return DISP_E_TYPEMISMATCH;
    PointAtRetval(type, arg);
    variable_ = given.pvarVal;
    if (!variable_) arg->byref = nullptr;  // the member answers a null pointer itself
    return S_OK;
  }

  std::array<VARIANT, kMostParameters> args_;
  VARIANT retval_;
  VARIANT* variable_ = nullptr;  // the caller's variable that takes the retval
};

}  // namespace

HRESULT ResizeGetIDsOfNames(OLECHAR** names, UINT count, DISPID* ids) {
  if (count == 0) return S_OK;
  if (!names || !ids) return E_INVALIDARG;
  ids[0] = FindId(names[0]);
  // Parameter names are not answered: no member takes named arguments.
  for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT ResizeInvoke(IResize2* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                     EXCEPINFO* exception, UINT* arg_error) {
  // The result is an out value: whatever it held is overwritten, as callers expect.
  if (result) VariantInit(result);
  if (!object || !params || (params->cArgs > 0 && !params->rgvarg)) return E_INVALIDARG;
  // Every named argument is one of the arguments: more names than arguments is no call.
  if (params->cNamedArgs > params->cArgs) return DISP_E_BADPARAMCOUNT;
  const Member* member = FindMember(id, flags);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  HRESULT hr = CheckNamedArguments(*member, *params);
  if (FAILED(hr)) return hr;
  const std::size_t expected = ArgumentCount(*member);
  const MemberParameter* retval = RetvalParameter(*member);
  const bool retval_by_reference = retval && retval->reference_accepted && params->cArgs == expected + 1;
  if (params->cArgs != expected && !retval_by_reference) return DISP_E_BADPARAMCOUNT;

  CallFrame frame;
  UINT bad_index = 0;
  hr = frame.Prepare(*member, *params, retval_by_reference, &bad_index);
  if (FAILED(hr)) {
    if (arg_error) *arg_error = bad_index;
    return hr;
  }
  hr = member->call(object, frame.args());
  if (FAILED(hr)) {
    if (exception) {
      *exception = EXCEPINFO{};
      exception->scode = hr;
    }
    return DISP_E_EXCEPTION;
  }
  frame.TakeRetval(result);
  return hr;
}

}  // namespace vx

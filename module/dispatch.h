// Late binding for IResize2 (and so IResize): member names to DISPIDs, and calls by DISPID
// with automation values, as the type information of IResize2 answers them.
#pragma once

#include "module/iresize.h"

namespace vx {

// IDispatch::GetIDsOfNames of a Resize object: names[0] is a member name, matched
// case-sensitively first and then case-insensitively. DISP_E_UNKNOWNNAME (with
// DISPID_UNKNOWN in ids) for a name that is no member.
HRESULT ResizeGetIDsOfNames(OLECHAR** names, UINT count, DISPID* ids);

// IDispatch::Invoke of a Resize object: finds the member of that DISPID and kind,
// converts the arguments to its parameter types and calls it on `object`. A retval that
// the table marks reference_accepted may instead come as one more argument, a reference
// to a variable that receives it.
HRESULT ResizeInvoke(IResize2* object, DISPID id, WORD flags, DISPPARAMS* params,
                     VARIANT* result, EXCEPINFO* exception, UINT* arg_error);

}  // namespace vx

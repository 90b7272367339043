// IDispatch of a Resize object on Windows: the type information of IResize from the
// registered type library, loaded on first use and kept for the life of the module, with
// a table of the members' names in front of it.
#pragma once

#include <oaidl.h>

struct IResize;

namespace vx {

// IDispatch::GetTypeInfo: index 0 is the type information of IResize.
HRESULT GetResizeTypeInfo(UINT index, LCID lcid, ITypeInfo** info);

// IDispatch::GetIDsOfNames: a member name alone is looked up in the table first (same
// length, same characters); the type information answers the rest, and every name
// with parameter names.
HRESULT TypeInfoGetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids);

// IDispatch::Invoke: the type information calls the member of that DISPID on `object`.
// GetErrorInfo with one argument, the variable to fill, is the older call shape that the
// type information does not know: the member table takes that call.
HRESULT TypeInfoInvoke(IResize* object, DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* exception, UINT* arg_error);

}  // namespace vx

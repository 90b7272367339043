// IDispatch of the Resize object where there is no type library to register: the member
// table answers names and calls, and there is no ITypeInfo to hand out.
#include "module/resize_object.h"

#include "module/dispatch.h"

namespace vx {

HRESULT STDMETHODCALLTYPE ResizeComObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ResizeComObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ResizeComObject::GetIDsOfNames(REFIID riid, OLECHAR** names, UINT count, LCID,
                                                         DISPID* ids) {
  if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return ResizeGetIDsOfNames(names, count, ids);
}

HRESULT STDMETHODCALLTYPE ResizeComObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                                  VARIANT* result, EXCEPINFO* exception, UINT* arg_error) {
  if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return ResizeInvoke(this, id, flags, params, result, exception, arg_error);
}

}  // namespace vx

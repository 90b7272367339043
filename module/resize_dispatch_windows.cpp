// IDispatch of the Resize object on Windows: the type information of IResize2 from the
// registered type library, loaded on first use and kept for the life of the module, with
// a table of the members' names in front of it.
#include <vector>

#include "module/dispatch.h"
#include "module/ole_text.h"
#include "module/resize_object.h"
#include "platform/oleauto.h"

namespace vx {
namespace {

// DISPID of GetErrorInfo, whose argument older clients pass as a variable to fill.
constexpr DISPID kGetErrorInfo = 15;
// The locale of the type library (vximage.idl), under which it is registered.
constexpr LCID kLibraryLocale = 0x0409;

class TypeInfoCache {
 public:
  TypeInfoCache() { InitializeCriticalSection(&lock_); }
  ~TypeInfoCache() {
    if (info_) info_->Release();
    DeleteCriticalSection(&lock_);
  }
  TypeInfoCache(const TypeInfoCache&) = delete;
  TypeInfoCache& operator=(const TypeInfoCache&) = delete;

  // The cached type information (the cache keeps the reference), loaded with the first
  // caller's locale. The failure of that load when it fails; a later call tries again.
  HRESULT Get(LCID lcid, ITypeInfo** info) {
    EnterCriticalSection(&lock_);
    HRESULT hr = info_ ? S_OK : Load(lcid);
    *info = info_;
    LeaveCriticalSection(&lock_);
    return hr;
  }

  // The member's DISPID, or DISPID_UNKNOWN when the table has no such name. Only after
  // Get succeeded: the table is made before the information is published and never
  // changes after.
  DISPID Find(const OLECHAR* name) const {
    const OleStringView wanted(name);
    for (const MemberName& member : names_) {
      if (member.name == wanted) return member.id;
    }
    return DISPID_UNKNOWN;
  }

 private:
  struct MemberName {
    OleString name;
    DISPID id;
  };

  // The library is registered under its own locale alone; the system finds it for a
  // caller's locale only through that locale's language, so a caller of another language
  // or of the neutral locale 0 (as script engines pass) is given it under its own.
  HRESULT Load(LCID lcid) {
    ITypeLib* library = nullptr;
    HRESULT hr = LoadRegTypeLib(LIBID_vxImage, 1, 0, lcid, &library);
    if (hr == TYPE_E_LIBNOTREGISTERED && lcid != kLibraryLocale) {
      hr = LoadRegTypeLib(LIBID_vxImage, 1, 0, kLibraryLocale, &library);
    }
    if (FAILED(hr)) return hr;
    ITypeInfo* info = nullptr;
    hr = library->GetTypeInfoOfGuid(IID_IResize2, &info);
    library->Release();
    if (FAILED(hr)) return hr;
    std::vector<MemberName> names;
    hr = ReadNames(info, &names);
    if (FAILED(hr)) {
      info->Release();
      return hr;
    }
    names_ = std::move(names);
    info_ = info;
    return S_OK;
  }

  static HRESULT ReadNames(ITypeInfo* info, std::vector<MemberName>* names) {
    TYPEATTR* attributes = nullptr;
    HRESULT hr = info->GetTypeAttr(&attributes);
    if (FAILED(hr)) return hr;
    const WORD functions = attributes->cFuncs;
    info->ReleaseTypeAttr(attributes);
    for (UINT i = 0; i < functions && SUCCEEDED(hr); ++i) {
      FUNCDESC* function = nullptr;
      hr = info->GetFuncDesc(i, &function);
      if (FAILED(hr)) break;
      BSTR name = nullptr;
      UINT count = 0;
      hr = info->GetNames(function->memid, &name, 1, &count);
      if (SUCCEEDED(hr) && count == 1) names->push_back({OleString(name, SysStringLen(name)), function->memid});
      SysFreeString(name);
      info->ReleaseFuncDesc(function);
    }
    return hr;
  }

  CRITICAL_SECTION lock_;
  ITypeInfo* info_ = nullptr;
  std::vector<MemberName> names_;
};

TypeInfoCache& Cache() {
  static TypeInfoCache cache;  // made on first use, released when the module goes
  return cache;
}

// GetErrorInfo called with the variable to fill as its one argument.
bool IsErrorTextByReference(DISPID id, WORD flags, const DISPPARAMS* params) {
  return id == kGetErrorInfo && (flags & DISPATCH_METHOD) && params && params->cArgs == 1;
}

}  // namespace

HRESULT STDMETHODCALLTYPE ResizeComObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ResizeComObject::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  ITypeInfo* cached = nullptr;
  const HRESULT hr = Cache().Get(lcid, &cached);
  if (FAILED(hr)) return hr;
  cached->AddRef();
  *info = cached;
  return S_OK;
}

// A member name alone is looked up in the table first (same length, same characters); the
// type information answers the rest, and every name with parameter names.
HRESULT STDMETHODCALLTYPE ResizeComObject::GetIDsOfNames(REFIID riid, OLECHAR** names, UINT count, LCID lcid,
                                                         DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* info = nullptr;
  const HRESULT hr = Cache().Get(lcid, &info);
  if (FAILED(hr)) return hr;
  if (count == 1 && names && names[0] && ids) {
    ids[0] = Cache().Find(names[0]);
    if (ids[0] != DISPID_UNKNOWN) return S_OK;
  }
  return info->GetIDsOfNames(names, count, ids);
}

// The type information calls the member of that DISPID. GetErrorInfo with one argument,
// the variable to fill, is the older call shape that the type information does not know:
// the member table takes that call.
HRESULT STDMETHODCALLTYPE ResizeComObject::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                                  VARIANT* result, EXCEPINFO* exception, UINT* arg_error) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (IsErrorTextByReference(id, flags, params)) {
    return ResizeInvoke(this, id, flags, params, result, exception, arg_error);
  }
  ITypeInfo* info = nullptr;
  const HRESULT hr = Cache().Get(lcid, &info);
  if (FAILED(hr)) return hr;
  return info->Invoke(static_cast<IResize2*>(this), id, flags, params, result, exception, arg_error);
}

}  // namespace vx

#include "module/class_factory.h"

#include "module/module_lock.h"

namespace vx {

ClassFactory::ClassFactory(InstanceCreator create) : create_(create) { InitializeCriticalSection(&lock_); }

ClassFactory::~ClassFactory() { DeleteCriticalSection(&lock_); }

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() {
  EnterCriticalSection(&lock_);
  const ULONG count = ++references_;
  if (count == 2) LockModule();  // a client took it beside the module's own reference
  LeaveCriticalSection(&lock_);
  return count;
}

ULONG STDMETHODCALLTYPE ClassFactory::Release() {
  EnterCriticalSection(&lock_);
  const ULONG count = --references_;
  if (count == 1) UnlockModule();  // only the module's own reference is left
  LeaveCriticalSection(&lock_);
  if (count == 0) delete this;
  return count;
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  // An aggregate asks for the inner object's own IUnknown, the only way to reach its other
  // interfaces without going round to the outer object.
  if (outer && !(riid == IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  return create_(outer, riid, object);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    LockModule();
  } else {
    UnlockModule();
  }
  return S_OK;
}

}  // namespace vx

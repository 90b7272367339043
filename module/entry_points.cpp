// How clients reach the Resize class: DllGetClassObject hands out its class object (made
// once and cached for the life of the module), DllCanUnloadNow reports the lock count, and
// CreateResize makes an object through the class object in one call.
#include <new>

#include "module/class_factory.h"
#include "module/module_lock.h"
#include "module/module_object.h"
#include "module/resize_object.h"
#include "platform/objbase.h"

namespace vx {
namespace {

// The class object of Resize, made on first request under a critical section. The module
// keeps one reference to it until it is unloaded.
class ClassObjectCache {
 public:
  ClassObjectCache() { InitializeCriticalSection(&lock_); }
  ~ClassObjectCache() {
    if (factory_) factory_->Release();
    DeleteCriticalSection(&lock_);
  }
  ClassObjectCache(const ClassObjectCache&) = delete;
  ClassObjectCache& operator=(const ClassObjectCache&) = delete;

  // Null when there is no memory for it.
  IClassFactory* Get() {
    EnterCriticalSection(&lock_);
    if (!factory_) {
      factory_ = new (std::nothrow) ClassFactory(&CreateInstance<ResizeComObject>);
      if (factory_) factory_->AddRef();
    }
    IClassFactory* factory = factory_;
    LeaveCriticalSection(&lock_);
    return factory;
  }

 private:
  CRITICAL_SECTION lock_;
  IClassFactory* factory_ = nullptr;
};

ClassObjectCache& ResizeClassObject() {
  static ClassObjectCache cache;  // made on first use, released when the module goes
  return cache;
}

}  // namespace
}  // namespace vx

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!(clsid == CLSID_Resize)) return CLASS_E_CLASSNOTAVAILABLE;
  IClassFactory* factory = vx::ResizeClassObject().Get();
  if (!factory) return E_OUTOFMEMORY;
  return factory->QueryInterface(riid, object);
}

STDAPI DllCanUnloadNow() { return vx::ModuleLockCount() == 0 ? S_OK : S_FALSE; }

HRESULT CreateResize(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = DllGetClassObject(CLSID_Resize, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, riid, object);
  factory->Release();
  return hr;
}

// How the module makes the objects of a class T: plain, or aggregated inside an outer
// object. T implements IUnknown over its own interface map and reference count, has a
// virtual destructor and starts with one reference. Every object holds a module lock
// count for its whole life.
#pragma once

#include <atomic>
#include <new>

#include "module/module_lock.h"
#include "platform/unknwn.h"

namespace vx {

// A plain object: T as it is.
template <class T>
class ModuleObject final : private ModuleLockHolder, public T {};

// T inside an aggregate: its interfaces answer IUnknown through the controlling unknown,
// so that the outer object's identity and lifetime rule them.
template <class T>
class ContainedObject final : public T {
 public:
  explicit ContainedObject(IUnknown* outer) : outer_(outer) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return outer_->QueryInterface(riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return outer_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return outer_->Release(); }

 private:
  IUnknown* outer_;  // not counted: the outer object owns the aggregate
};

// The aggregate as its outer object holds it: the inner, non-delegating IUnknown, which
// owns the contained T.
template <class T>
class AggregatedObject final : private ModuleLockHolder, public IUnknown {
 public:
  explicit AggregatedObject(IUnknown* outer) : contained_(outer) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    // T's own interface map; the reference it takes goes to the outer object.
    return contained_.T::QueryInterface(riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ~AggregatedObject() = default;

  std::atomic<ULONG> references_{1};
  ContainedObject<T> contained_;
};

// The instance creator of T for its class object (which has checked object).
template <class T>
HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  *object = nullptr;
  IUnknown* created = nullptr;
  if (outer) {
    created = new (std::nothrow) AggregatedObject<T>(outer);
  } else if (T* plain = new (std::nothrow) ModuleObject<T>) {
    created = plain;
  }
  if (!created) return E_OUTOFMEMORY;
  const HRESULT hr = created->QueryInterface(riid, object);
  created->Release();  // the creation's reference: the object lives on only if asked for
  return hr;
}

}  // namespace vx

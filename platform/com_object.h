// The IUnknown of an object with one interface: it answers IUnknown, that interface and
// the interfaces it derives from (listed by their IIDs) with one pointer, and counts its
// references. Written against COM's own names alone, so that the module's objects use it
// over the system's IUnknown on Windows as the drawing layer's objects do here.
#pragma once

#include <atomic>

#include "platform/unknwn.h"

namespace vx {

template <class Interface, const IID&... kInterfaceIds>
class ComObject : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || ((riid == kInterfaceIds) || ...)) {
      *object = static_cast<Interface*>(this);
      this->AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;

 private:
  std::atomic<ULONG> references_{1};
};

}  // namespace vx

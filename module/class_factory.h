// The class object of a creatable class: IClassFactory over the function that makes one
// instance. While a client holds it (a count of two or more: the module's cache holds the
// first) it keeps the module loaded.
#pragma once

#include "platform/synchapi.h"
#include "platform/unknwn.h"

namespace vx {

// Makes an object, plain (outer null) or aggregated, and answers riid on it; the object
// lives only if that succeeds. E_OUTOFMEMORY when it cannot be allocated.
using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID riid, void** object);

class ClassFactory final : public IClassFactory {
 public:
  // Starts with no reference: the first AddRef is the creator's.
  explicit ClassFactory(InstanceCreator create);
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ~ClassFactory();

  InstanceCreator create_;
  CRITICAL_SECTION lock_;  // guards references_
  ULONG references_ = 0;
};

}  // namespace vx

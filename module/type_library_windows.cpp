#include "module/type_library.h"

#include "module/module_instance.h"

namespace vx {
namespace {

// The .tlb beside a file: its name's extension (from the last "." after the folder)
// replaced, or ".tlb" appended when it has none.
OleString TypeLibraryFileBeside(const OleString& path) {
  const std::size_t dot = path.find_last_of(OLECHAR('.'));
  const std::size_t folder_end = FolderOf(path).size();
  const bool has_extension = dot != OleString::npos && dot >= folder_end;
  return (has_extension ? path.substr(0, dot) : path) + OLESTR(".tlb");
}

// LoadTypeLibEx with REGKIND_NONE: loading alone must never register, or unregistration
// would write what it is about to remove.
HRESULT LoadModuleTypeLibrary(ITypeLib** library, OleString* loaded_from) {
  *library = nullptr;
  OleString module;
  HRESULT hr = ModuleFileName(&module);
  if (FAILED(hr)) return hr;
  *loaded_from = module;
  hr = LoadTypeLibEx(module.c_str(), REGKIND_NONE, library);
  if (SUCCEEDED(hr)) return hr;
  *loaded_from = TypeLibraryFileBeside(module);
  return LoadTypeLibEx(loaded_from->c_str(), REGKIND_NONE, library);
}

// Whether a registration of the library exists to be removed: unregistering twice is no
// failure.
bool IsRegistered(const TLIBATTR& attributes) {
  BSTR path = nullptr;
  const HRESULT hr =
      QueryPathOfRegTypeLib(attributes.guid, attributes.wMajorVerNum, attributes.wMinorVerNum, attributes.lcid, &path);
  SysFreeString(path);
  return hr != TYPE_E_LIBNOTREGISTERED;
}

using UnRegisterTypeLibFunction = HRESULT(STDAPICALLTYPE*)(REFGUID, WORD, WORD, LCID, SYSKIND);

}  // namespace

HRESULT RegisterModuleTypeLibrary() {
  ITypeLib* library = nullptr;
  OleString path;
  HRESULT hr = LoadModuleTypeLibrary(&library, &path);
  if (FAILED(hr)) return hr;
  OleString module;
  hr = ModuleFileName(&module);
  if (SUCCEEDED(hr)) {
    OleString help_folder = FolderOf(module);
    hr = RegisterTypeLib(library, path.data(), help_folder.data());
  }
  library->Release();
  return hr;
}

HRESULT UnregisterModuleTypeLibrary() {
  ITypeLib* library = nullptr;
  OleString path;
  HRESULT hr = LoadModuleTypeLibrary(&library, &path);
  if (FAILED(hr)) return hr;
  TLIBATTR* attributes = nullptr;
  hr = library->GetLibAttr(&attributes);
  if (SUCCEEDED(hr)) {
    HMODULE automation = LoadLibraryW(OLESTR("oleaut32.dll"));
    const auto unregister = automation ? reinterpret_cast<UnRegisterTypeLibFunction>(
                                             reinterpret_cast<void*>(GetProcAddress(automation, "UnRegisterTypeLib")))
                                       : nullptr;
    if (unregister && IsRegistered(*attributes)) {
      hr = unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                      attributes->syskind);
    }
    if (automation) FreeLibrary(automation);
    library->ReleaseTLibAttr(attributes);
  }
  library->Release();
  return hr;
}

}  // namespace vx

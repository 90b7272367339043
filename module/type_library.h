// Registration of the module's type library (resource TYPELIB 1), as DllRegisterServer and
// DllUnregisterServer do it.
#pragma once

#include "platform/oleauto.h"

namespace vx {

// Loads the type library from the module, or failing that from the .tlb file beside it,
// and registers it with the path it came from and the module's folder as help folder.
HRESULT RegisterModuleTypeLibrary();

// Loads the type library the same way and removes its registration through
// UnRegisterTypeLib, looked up in oleaut32.dll at the time of the call: a system without
// it has nothing to remove. A library that is not registered is no failure.
HRESULT UnregisterModuleTypeLibrary();

}  // namespace vx

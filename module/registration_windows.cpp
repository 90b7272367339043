// DllRegisterServer and DllUnregisterServer: the registration script (resource REGISTRY
// 101) run in register or unregister mode, then the type library.
#include "module/module_instance.h"
#include "module/registrar.h"
#include "module/resource.h"
#include "module/type_library.h"
#include "platform/olectl.h"

namespace vx {
namespace {

// The script as it is stored: narrow text in the module's resources.
HRESULT LoadScriptText(OleString* script) {
  const HINSTANCE module = ModuleInstance();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_VXIMAGE), OLESTR("REGISTRY"));
  if (!found) return HRESULT_FROM_WIN32(GetLastError());
  const DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const char* text = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!text) return HRESULT_FROM_WIN32(GetLastError());
  if (size == 0) return E_FAIL;
  const int length = MultiByteToWideChar(CP_ACP, 0, text, int(size), nullptr, 0);
  if (length <= 0) return HRESULT_FROM_WIN32(GetLastError());
  script->assign(std::size_t(length), OLECHAR(0));
  MultiByteToWideChar(CP_ACP, 0, text, int(size), script->data(), length);
  while (!script->empty() && script->back() == 0) script->pop_back();  // a resource compiler's padding
  return S_OK;
}

// The module's file name in its short (8.3) form, which has no blanks to trouble the
// clients that read InprocServer32 unquoted. Where the volume keeps no short names the
// system answers the long one.
HRESULT ShortModulePath(OleString* path) {
  OleString module;
  HRESULT hr = ModuleFileName(&module);
  if (FAILED(hr)) return hr;
  const DWORD needed = GetShortPathNameW(module.c_str(), nullptr, 0);
  if (needed == 0) return HRESULT_FROM_WIN32(GetLastError());
  OleString short_path(needed, OLECHAR(0));
  const DWORD length = GetShortPathNameW(module.c_str(), short_path.data(), needed);
  if (length == 0 || length >= needed) return HRESULT_FROM_WIN32(GetLastError());
  short_path.resize(length);
  *path = std::move(short_path);
  return S_OK;
}

HRESULT RunRegistrationScript(RegistryMode mode) {
  OleString script, module, expanded;
  HRESULT hr = LoadScriptText(&script);
  if (SUCCEEDED(hr)) hr = ShortModulePath(&module);
  if (FAILED(hr)) return hr;
  const ScriptReplacement replacements[] = {{OLESTR("MODULE"), module}};
  std::vector<RegistryKey> roots;
  hr = ExpandRegistryScript(script, replacements, &expanded);
  if (SUCCEEDED(hr)) hr = ParseRegistryScript(expanded, &roots);
  if (FAILED(hr)) return hr;
  hr = ApplyRegistryScript(roots, mode);
  // A registration that stopped partway takes back what it wrote.
  if (FAILED(hr) && mode == RegistryMode::kRegister) ApplyRegistryScript(roots, RegistryMode::kUnregister);
  return hr;
}

}  // namespace
}  // namespace vx

STDAPI DllRegisterServer() {
  const HRESULT hr = vx::RunRegistrationScript(vx::RegistryMode::kRegister);
  if (FAILED(hr)) return hr;
  return vx::RegisterModuleTypeLibrary();
}

// Both steps run whatever the first gives; the first failure is the answer, so that a
// registration that could not be removed is never reported as removed.
STDAPI DllUnregisterServer() {
  const HRESULT script = vx::RunRegistrationScript(vx::RegistryMode::kUnregister);
  const HRESULT type_library = vx::UnregisterModuleTypeLibrary();
  return FAILED(script) ? script : type_library;
}

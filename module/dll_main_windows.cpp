// Process attach and detach of vxImage.DLL.
#include "module/module_instance.h"

namespace {

HINSTANCE module_instance = nullptr;

}  // namespace

namespace vx {

HINSTANCE ModuleInstance() { return module_instance; }

HRESULT ModuleFileName(OleString* path) {
  path->clear();
  // GetModuleFileNameW gives no length ahead: grow the buffer until the name fits.
  OleString name(MAX_PATH, OLECHAR(0));
  for (;;) {
    const DWORD length = GetModuleFileNameW(module_instance, name.data(), DWORD(name.size()));
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (length < name.size()) {
      name.resize(length);
      *path = std::move(name);
      return S_OK;
    }
    if (name.size() >= 32768) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);  // the longest path there is
    name.resize(name.size() * 2);
  }
}

OleString FolderOf(const OleString& path) {
  const std::size_t separator = path.find_last_of(OLESTR("\\/:"));
  return separator == OleString::npos ? OleString() : path.substr(0, separator + 1);
}

}  // namespace vx

// The module needs no notice of threads coming and going. At detach the runtime then
// destroys the module's static objects: the cached class object and the cached type
// information with its name table, each with its critical section.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module_instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

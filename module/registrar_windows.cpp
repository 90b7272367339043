#include "module/registrar.h"

namespace vx {
namespace {

HRESULT FromStatus(LSTATUS status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

// The first failure of a sequence of steps.
void Keep(HRESULT* first, HRESULT next) {
  if (SUCCEEDED(*first) && FAILED(next)) *first = next;
}

HKEY RootKey(OleStringView name) {
  struct Root {
    const OLECHAR* short_name;
    const OLECHAR* long_name;
    HKEY key;
  };
  static const Root kRoots[] = {
      {OLESTR("HKCR"), OLESTR("HKEY_CLASSES_ROOT"), HKEY_CLASSES_ROOT},
      {OLESTR("HKCU"), OLESTR("HKEY_CURRENT_USER"), HKEY_CURRENT_USER},
      {OLESTR("HKLM"), OLESTR("HKEY_LOCAL_MACHINE"), HKEY_LOCAL_MACHINE},
      {OLESTR("HKU"), OLESTR("HKEY_USERS"), HKEY_USERS},
  };
  for (const Root& root : kRoots) {
    if (SameIgnoringAsciiCase(name, root.short_name) || SameIgnoringAsciiCase(name, root.long_name)) return root.key;
  }
  return nullptr;
}

// An open key, closed when it goes.
class OpenedKey {
 public:
  OpenedKey() = default;
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  ~OpenedKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

HRESULT SetText(HKEY key, const OLECHAR* name, const OleString& text) {
  const DWORD bytes = DWORD((text.size() + 1) * sizeof(OLECHAR));  // with the terminating zero
  return FromStatus(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes));
}

// Deletes a key with everything below it; a key that is not there is already deleted.
HRESULT DeleteTree(HKEY parent, const OleString& name) {
  const LSTATUS status = RegDeleteTreeW(parent, name.c_str());
  return status == ERROR_FILE_NOT_FOUND ? S_OK : FromStatus(status);
}

HRESULT DeleteValue(HKEY key, const OLECHAR* name) {
  const LSTATUS status = RegDeleteValueW(key, name);
  return status == ERROR_FILE_NOT_FOUND ? S_OK : FromStatus(status);
}

HRESULT Register(HKEY parent, const RegistryKey& key) {
  if (key.mark == KeyMark::kDelete) return DeleteTree(parent, key.name);
  if (key.mark == KeyMark::kForceRemove) {
    const HRESULT hr = DeleteTree(parent, key.name);
    if (FAILED(hr)) return hr;
  }
  OpenedKey opened;
  HRESULT hr = FromStatus(RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_READ | KEY_WRITE, nullptr, opened.out(), nullptr));
  if (FAILED(hr)) return hr;
  if (key.default_value) hr = SetText(opened.get(), nullptr, *key.default_value);
  for (const RegistryNamedValue& value : key.values) {
    if (SUCCEEDED(hr)) hr = SetText(opened.get(), value.name.c_str(), value.text);
  }
  for (const RegistryKey& subkey : key.subkeys) {
    if (SUCCEEDED(hr)) hr = Register(opened.get(), subkey);
  }
  return hr;
}

bool IsEmpty(HKEY key) {
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return subkeys == 0 && values == 0;
}

HRESULT Unregister(HKEY parent, const RegistryKey& key) {
  if (key.mark == KeyMark::kDelete) return S_OK;  // an instruction for registration only
  // Registration wrote this key whole, so everything below it is the script's.
  if (key.mark == KeyMark::kForceRemove) return DeleteTree(parent, key.name);

  HRESULT hr = S_OK;
  bool empty = false;
  {
    OpenedKey opened;
    const LSTATUS status = RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_READ | KEY_WRITE, opened.out());
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) return FromStatus(status);
    for (const RegistryKey& subkey : key.subkeys) Keep(&hr, Unregister(opened.get(), subkey));
    if (key.mark == KeyMark::kNoRemove) return hr;
    for (const RegistryNamedValue& value : key.values) Keep(&hr, DeleteValue(opened.get(), value.name.c_str()));
    if (key.default_value) Keep(&hr, DeleteValue(opened.get(), nullptr));
    empty = IsEmpty(opened.get());
  }
  // What another program keeps in the key keeps the key.
  if (empty) Keep(&hr, FromStatus(RegDeleteKeyW(parent, key.name.c_str())));
  return hr;
}

}  // namespace

HRESULT ApplyRegistryScript(const std::vector<RegistryKey>& roots, RegistryMode mode) {
  HRESULT hr = S_OK;
  for (const RegistryKey& root : roots) {
    const HKEY root_key = RootKey(root.name);
    if (!root_key) return E_INVALIDARG;
    for (const RegistryKey& key : root.subkeys) {
      if (mode == RegistryMode::kRegister) {
        hr = Register(root_key, key);
        if (FAILED(hr)) return hr;
      } else {
        Keep(&hr, Unregister(root_key, key));
      }
    }
  }
  return hr;
}

}  // namespace vx

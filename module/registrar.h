// Applies a parsed registration script (module/registration_script.h) to the registry.
#pragma once

#include <vector>

#include "module/registration_script.h"

namespace vx {

enum class RegistryMode {
  // Writes every key and value of the script. ForceRemove keys are deleted with their
  // subkeys first; Delete keys are deleted and nothing is written in their place.
  kRegister,
  // Removes what registration wrote: ForceRemove keys with everything below them, other
  // keys' values, and the keys themselves once nothing else is left in them. NoRemove
  // keys stay; the script's keys below them go. Keys already gone are no failure.
  kUnregister,
};

// The first registry failure as its HRESULT (facility Win32), S_OK when there was none.
// Unregistering goes on past a failure so that as much as possible is removed.
HRESULT ApplyRegistryScript(const std::vector<RegistryKey>& roots, RegistryMode mode);

}  // namespace vx

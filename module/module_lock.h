// The module lock count: one for every live object of the module, every LockServer(TRUE)
// not yet undone and every client's hold on a class object. The module may be unloaded
// only while it is zero (DllCanUnloadNow).
#pragma once

#include "platform/win_types.h"

namespace vx {

void LockModule();
void UnlockModule();
LONG ModuleLockCount();

// Holds one count for as long as it lives. As the first base of an object it is made
// before the object and goes after it, so that the count covers the whole destructor.
class ModuleLockHolder {
 public:
  ModuleLockHolder() { LockModule(); }
  ~ModuleLockHolder() { UnlockModule(); }
  ModuleLockHolder(const ModuleLockHolder&) = delete;
  ModuleLockHolder& operator=(const ModuleLockHolder&) = delete;
};

}  // namespace vx

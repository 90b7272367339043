// The lock count is changed from any thread, so only through interlocked operations.
#include "module/module_lock.h"

#include "platform/synchapi.h"

namespace vx {
namespace {

LONG volatile lock_count = 0;

}  // namespace

void LockModule() { InterlockedIncrement(&lock_count); }

void UnlockModule() { InterlockedDecrement(&lock_count); }

// An exchange that never changes anything: an interlocked read.
LONG ModuleLockCount() { return InterlockedCompareExchange(&lock_count, 0, 0); }

}  // namespace vx

// Critical sections over a recursive mutex built in the section's own storage.
#include <new>

#include "platform/synchapi.h"

namespace {

std::recursive_mutex& LockOf(LPCRITICAL_SECTION section) {
  return *std::launder(reinterpret_cast<std::recursive_mutex*>(section->lock));
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section) { new (section->lock) std::recursive_mutex; }

void EnterCriticalSection(LPCRITICAL_SECTION section) { LockOf(section).lock(); }

void LeaveCriticalSection(LPCRITICAL_SECTION section) { LockOf(section).unlock(); }

void DeleteCriticalSection(LPCRITICAL_SECTION section) { LockOf(section).~recursive_mutex(); }

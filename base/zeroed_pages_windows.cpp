#include <windows.h>

#include "base/zeroed_memory.h"

namespace vx {

// Committed pages read as zero until written, and take memory only then.
void* AllocateZeroedPages(std::size_t bytes) {
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeZeroedPages(void* pages, std::size_t) { VirtualFree(pages, 0, MEM_RELEASE); }

void KeepFreedPagesFor(std::chrono::milliseconds) {}  // freed pages go back at once

}  // namespace vx

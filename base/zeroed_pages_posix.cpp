#include <sys/mman.h>

#include "base/zeroed_memory.h"

namespace vx {

void* AllocateZeroedPages(std::size_t bytes) {
  void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) return nullptr;
  madvise(pages, bytes, MADV_HUGEPAGE);
  return pages;
}

void FreeZeroedPages(void* pages, std::size_t bytes) { munmap(pages, bytes); }

}  // namespace vx

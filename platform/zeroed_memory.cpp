#include "platform/zeroed_memory.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <utility>

#include "platform/gdi_diagnostics.h"

namespace vx {

namespace {
// Below this size the C library's allocator is cheaper than a mapping of our own.
constexpr std::size_t kMapThreshold = 1 << 20;

// Blocks still to be handed out before memory "runs out"; negative: no limit.
std::atomic<int> g_blocks_left{-1};

bool TakeBlock() {
  int left = g_blocks_left.load();
  while (left > 0 && !g_blocks_left.compare_exchange_weak(left, left - 1)) {
  }
  return left != 0;
}

}  // namespace

void FailPixelMemoryAfter(int blocks) { g_blocks_left = blocks < 0 ? -1 : blocks; }

ZeroedMemory::ZeroedMemory(std::size_t bytes) {
  if (bytes == 0 || !TakeBlock()) return;
  if (bytes < kMapThreshold) {
    data_ = std::calloc(bytes, 1);
    if (data_) size_ = bytes;
    return;
  }
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return;
  madvise(p, bytes, MADV_HUGEPAGE);
  data_ = p;
  size_ = bytes;
  mapped_ = true;
}

ZeroedMemory::~ZeroedMemory() { Release(); }

ZeroedMemory::ZeroedMemory(ZeroedMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, false)) {}

ZeroedMemory& ZeroedMemory::operator=(ZeroedMemory&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapped_ = std::exchange(other.mapped_, false);
  }
  return *this;
}

void ZeroedMemory::Release() {
  if (!data_) return;
  if (mapped_) {
    munmap(data_, size_);
  } else {
    std::free(data_);
  }
  data_ = nullptr;
  size_ = 0;
  mapped_ = false;
}

}  // namespace vx

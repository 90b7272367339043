#include "base/zeroed_memory.h"

#include <atomic>
#include <cstdlib>
#include <utility>

namespace vx {

namespace {

// Blocks still to be handed out before memory "runs out"; negative: no limit. Then the
// blocks still to be refused before it is there again; negative: none is.
std::atomic<int> g_blocks_left{-1};
std::atomic<int> g_refusals_left{-1};

// Counts one down unless it is 0 (or negative: no count); returns what it was.
int CountDown(std::atomic<int>& count) {
  int left = count.load();
  while (left > 0 && !count.compare_exchange_weak(left, left - 1)) {
  }
  return left;
}

bool TakeBlock() {
  if (CountDown(g_blocks_left) != 0) return true;
  if (CountDown(g_refusals_left) == 1) g_blocks_left = -1;  // the last refusal: memory is back
  return false;
}

}  // namespace

void FailZeroedMemoryAfter(int blocks, int refusals) {
  g_refusals_left = refusals;
  g_blocks_left = blocks < 0 ? -1 : blocks;
}

ZeroedMemory::ZeroedMemory(std::size_t bytes) {
  if (bytes == 0 || !TakeBlock()) return;
  // Below the threshold the C library's allocator is cheaper than pages of our own.
  paged_ = bytes >= kPagedBlockBytes;
  data_ = paged_ ? AllocateZeroedPages(bytes) : std::calloc(bytes, 1);
  if (data_) {
    size_ = bytes;
  } else {
    paged_ = false;
  }
}

ZeroedMemory::~ZeroedMemory() { Release(); }

ZeroedMemory::ZeroedMemory(ZeroedMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      paged_(std::exchange(other.paged_, false)) {}

ZeroedMemory& ZeroedMemory::operator=(ZeroedMemory&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    paged_ = std::exchange(other.paged_, false);
  }
  return *this;
}

void ZeroedMemory::Release() {
  if (!data_) return;
  if (paged_) {
    FreeZeroedPages(data_, size_);
  } else {
    std::free(data_);
  }
  data_ = nullptr;
  size_ = 0;
  paged_ = false;
}

}  // namespace vx

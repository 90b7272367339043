// Large zero-filled blocks for pixel storage.
//
// Big blocks come straight from the operating system: they start as zero pages that cost
// nothing until written (and, on Linux, ask for transparent huge pages so that filling a
// picture of tens of megabytes does not take tens of thousands of page faults). On POSIX
// systems the last big block freed is kept a moment for a next picture of its size (see
// zeroed_pages_posix.cpp).
#pragma once

#include <chrono>
#include <cstddef>

namespace vx {

class ZeroedMemory {
 public:
  ZeroedMemory() = default;
  // An empty block when the memory cannot be had; check with data().
  explicit ZeroedMemory(std::size_t bytes);
  ~ZeroedMemory();
  ZeroedMemory(ZeroedMemory&& other) noexcept;
  ZeroedMemory& operator=(ZeroedMemory&& other) noexcept;
  ZeroedMemory(const ZeroedMemory&) = delete;
  ZeroedMemory& operator=(const ZeroedMemory&) = delete;

  void* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void Release();
  void* data_ = nullptr;
  std::size_t size_ = 0;
  bool paged_ = false;  // pages of the system's own, not the C library's
};

// Makes memory run out, for tests of what the code does then: after `blocks` more blocks
// have been handed out, the next `refusals` are refused (every further one when negative),
// until this is called again; a negative count of blocks lifts the limit.
void FailZeroedMemoryAfter(int blocks, int refusals = -1);

// Zeroed pages straight from the operating system, for blocks of kPagedBlockBytes and
// more; null when there are none. Each system has its own (zeroed_pages_*.cpp).
inline constexpr std::size_t kPagedBlockBytes = std::size_t{1} << 20;
void* AllocateZeroedPages(std::size_t bytes);
void FreeZeroedPages(void* pages, std::size_t bytes);

// How long a freed block of pages is kept for a next one of its size at most (2 s unless
// changed; 0 keeps none). For tests; systems that keep no pages ignore it.
void KeepFreedPagesFor(std::chrono::milliseconds time);

}  // namespace vx

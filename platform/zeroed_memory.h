// Large zero-filled blocks for pixel storage.
//
// Big blocks come straight from the kernel: they start as zero pages that cost nothing
// until written, and they ask for transparent huge pages so that filling a picture of
// tens of megabytes does not take tens of thousands of page faults.
#pragma once

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
  bool mapped_ = false;
};

}  // namespace vx

// A count of the decoders' helper threads at work in the process. A decoder that could
// split its work over a second thread first takes a slot; when none is free the machine's
// cores are already busy (typically with other loads), and the decoder does the work
// alone rather than add to the total work for no gain in time.
#pragma once

#include <atomic>

namespace vx {

class HelperThreadSlot {
 public:
  // A slot of a process-wide count limited to one less than the machine's cores (none on
  // a machine of one core).
  HelperThreadSlot();
  // A slot of the given count, limited to `limit`.
  HelperThreadSlot(std::atomic<unsigned>& count, unsigned limit);
  ~HelperThreadSlot();
  HelperThreadSlot(const HelperThreadSlot&) = delete;
  HelperThreadSlot& operator=(const HelperThreadSlot&) = delete;

  bool taken() const { return count_ != nullptr; }

 private:
  std::atomic<unsigned>* count_ = nullptr;  // null when no slot was free
};

}  // namespace vx

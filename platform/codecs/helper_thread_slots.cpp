#include "platform/codecs/helper_thread_slots.h"

#include <thread>

namespace vx {

namespace {

std::atomic<unsigned> helper_threads_at_work{0};

unsigned ProcessLimit() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 1 ? cores - 1 : 0;
}

}  // namespace

HelperThreadSlot::HelperThreadSlot() : HelperThreadSlot(helper_threads_at_work, ProcessLimit()) {}

HelperThreadSlot::HelperThreadSlot(std::atomic<unsigned>& count, unsigned limit) {
  if (count.fetch_add(1) < limit) {
    count_ = &count;
  } else {
    count.fetch_sub(1);
  }
}

HelperThreadSlot::~HelperThreadSlot() {
  if (count_) count_->fetch_sub(1);
}

}  // namespace vx

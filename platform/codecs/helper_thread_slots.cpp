#include "platform/codecs/helper_thread_slots.h"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <thread>

namespace vx {

namespace {

std::atomic<unsigned> helper_threads_at_work{0};

unsigned Cores() { return std::thread::hardware_concurrency(); }

unsigned ProcessLimit() {
  const unsigned cores = Cores();
  return cores > 1 ? cores - 1 : 0;
}

// Read afresh at every asking: the count changes from one moment to the next, and the
// report costs a few microseconds against a decode of tens of milliseconds.
int RunnableTasksNow() {
  const int fd = open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  char text[128];
  const ssize_t length = read(fd, text, sizeof text);
  close(fd);
  return length > 0 ? RunnableTasks(std::string_view(text, std::size_t(length))) : -1;
}

}  // namespace

int RunnableTasks(std::string_view load_report) {
  // The fourth field, "running/total".
  std::size_t at = 0;
  for (int field = 0; field < 3; ++field) {
    at = load_report.find(' ', at);
    if (at == std::string_view::npos) return -1;
    ++at;
  }
  int runnable = -1;
  const char* first = load_report.data() + at;
  const char* last = load_report.data() + load_report.size();
  const auto [end, error] = std::from_chars(first, last, runnable);
  if (error != std::errc() || end == first || end == last || *end != '/' || runnable < 0) return -1;
  return runnable;
}

bool IdleCoreAmong(int runnable_tasks, unsigned cores) {
  return runnable_tasks < 0 || static_cast<unsigned>(runnable_tasks) < cores;
}

HelperThreadSlot::HelperThreadSlot() : HelperThreadSlot(helper_threads_at_work, ProcessLimit()) {
  if (taken() && !IdleCoreAmong(RunnableTasksNow(), Cores())) {
    count_->fetch_sub(1);
    count_ = nullptr;
  }
}

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

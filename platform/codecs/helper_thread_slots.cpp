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

// The start of a report of the system's; empty when there is none. Read afresh at every
// asking: the figures change from one moment to the next, and a report costs a few
// microseconds against a decode of tens of milliseconds.
struct Report {
  char text[128];
  std::size_t length = 0;
  explicit Report(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    const ssize_t got = read(fd, text, sizeof text);
    close(fd);
    length = got > 0 ? std::size_t(got) : 0;
  }
  std::string_view view() const { return std::string_view(text, length); }
};

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

double CoreWaitPercent(std::string_view pressure_report) {
  constexpr std::string_view kField = "some avg10=";
  if (pressure_report.substr(0, kField.size()) != kField) return -1;
  const char* first = pressure_report.data() + kField.size();
  const char* last = pressure_report.data() + pressure_report.size();
  double percent = -1;
  const auto [end, error] = std::from_chars(first, last, percent, std::chars_format::fixed);
  if (error != std::errc() || end == first || percent < 0 || percent > 100) return -1;
  return percent;
}

bool IdleCoreAmong(int runnable_tasks, double wait_percent, unsigned cores) {
  const bool idle_now = runnable_tasks < 0 || static_cast<unsigned>(runnable_tasks) < cores;
  const bool seldom_waited = wait_percent < 10;
  return idle_now && seldom_waited;
}

HelperThreadSlot::HelperThreadSlot() : HelperThreadSlot(helper_threads_at_work, ProcessLimit()) {
  if (taken() && !IdleCoreAmong(RunnableTasks(Report("/proc/loadavg").view()),
                                CoreWaitPercent(Report("/proc/pressure/cpu").view()), Cores())) {
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

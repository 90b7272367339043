// A count of the decoders' helper threads at work in the process, and a look at the
// machine's cores. A decoder that could split its work over a second thread first takes a
// slot. One is had only while a core of the machine is idle, and has been of late, and the
// process's own helpers number fewer than its cores less one; otherwise the cores are busy
// (typically with other loads, of this process or of others), and the decoder does the work
// alone rather than add to the total work for no gain in time.
#pragma once

#include <atomic>
#include <string_view>

namespace vx {

class HelperThreadSlot {
 public:
  // A slot of a process-wide count limited to one less than the machine's cores (none on
  // a machine of one core), had only while the machine has an idle core.
  HelperThreadSlot();
  // A slot of the given count, limited to `limit`, whatever the machine does.
  HelperThreadSlot(std::atomic<unsigned>& count, unsigned limit);
  ~HelperThreadSlot();
  HelperThreadSlot(const HelperThreadSlot&) = delete;
  HelperThreadSlot& operator=(const HelperThreadSlot&) = delete;

  bool taken() const { return count_ != nullptr; }

 private:
  std::atomic<unsigned>* count_ = nullptr;  // null when no slot was free
};

// The number of tasks running or waiting to run on the machine's cores, from the system's
// load report (Linux's /proc/loadavg: "0.42 0.35 0.30 2/318 4711", the 2 before the
// slash); -1 when the report says no such thing.
int RunnableTasks(std::string_view load_report);

// The share of the last ten seconds, in percent, in which some task waited for a core, from
// the system's report of pressure on the cores (Linux's /proc/pressure/cpu: "some
// avg10=1.52 avg60=..."); -1 when the report says no such thing.
double CoreWaitPercent(std::string_view pressure_report);

// Whether a core is idle now, and tasks have seldom waited for one of late: fewer tasks run
// or wait to run than there are cores (the asking thread being one of them), and some task
// waited for a core less than a tenth of the last ten seconds. A momentary lull between the
// runs of a steady load passes the first test but not the second. What the system does not
// report (-1) is taken as idle: with neither, the process's own count decides alone.
bool IdleCoreAmong(int runnable_tasks, double wait_percent, unsigned cores);

}  // namespace vx

#include "cli/batch.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <sstream>
#include <thread>

#include "cli/interruption.h"
#include "cli/progress.h"

namespace vx::cli {
namespace {

struct Failure {
  std::size_t index;
  std::string problem;
};

// Each line of `text` with the input's name before it.
std::string Prefixed(const std::string& input, const std::string& text) {
  std::string lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines += input + ": " + line + '\n';
  return lines;
}

class Batch {
 public:
  Batch(const Script& script, const std::vector<std::string>& inputs, const RunSettings& settings)
      : script_(script), inputs_(inputs), settings_(settings), progress_(inputs.size(), isatty(STDERR_FILENO), std::cerr) {}

  int Run(unsigned jobs) {
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < jobs; ++i) workers.emplace_back([this] { Work(); });
    for (std::thread& worker : workers) worker.join();
    progress_.Finish();
    Summary(jobs);
    return Interrupted() ? kInterrupted : status_;
  }

 private:
  void Work() {
    while (!Interrupted()) {
      const std::size_t index = next_.fetch_add(1);
      if (index >= inputs_.size()) return;
      const std::string& input = inputs_[index];
      std::ostringstream printed, diagnostics;
      const RunResult result = RunScript(script_, ScriptArguments({input}), settings_, printed, diagnostics);
      if (result.status == kInterrupted) return;  // neither done nor failed
      {
        std::lock_guard lock(mutex_);
        status_ = std::max(status_, result.status);
        if (result.status != kSuccess) failures_.push_back({index, result.first_problem});
      }
      progress_.Done(input, result.status == kSuccess, printed.str(), std::cout, Prefixed(input, diagnostics.str()));
    }
  }

  void Summary(unsigned jobs) {
    const double seconds = progress_.Seconds();
    const std::size_t done = progress_.done();
    char figures[128];
    std::snprintf(figures, sizeof figures, "in %.1f s (%.1f images/s, %u workers)", seconds,
                  seconds > 0 ? static_cast<double>(done) / seconds : 0.0, jobs);
    std::sort(failures_.begin(), failures_.end(), [](const Failure& a, const Failure& b) { return a.index < b.index; });
    std::cerr << "batch: ";
    if (Interrupted()) std::cerr << "interrupted: ";
    std::cerr << done << " of " << inputs_.size() << " inputs done, " << failures_.size() << " failed, " << figures
              << '\n';
    for (const Failure& failure : failures_) {
      std::cerr << "failed: " << inputs_[failure.index] << ": " << failure.problem << '\n';
    }
  }

  const Script& script_;
  const std::vector<std::string>& inputs_;
  const RunSettings settings_;
  Progress progress_;
  std::atomic<std::size_t> next_{0};
  std::mutex mutex_;
  int status_ = kSuccess;
  std::vector<Failure> failures_;
};

}  // namespace

int RunBatch(const Script& script, const std::vector<std::string>& inputs, unsigned jobs, const RunSettings& settings) {
  if (jobs == 0) jobs = std::max(1u, std::thread::hardware_concurrency());
  jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, std::max<std::size_t>(inputs.size(), 1)));
  return Batch(script, inputs, settings).Run(jobs);
}

std::vector<std::string> ReadInputList() {
  std::vector<std::string> inputs;
  for (std::string line; std::getline(std::cin, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) inputs.push_back(line);
  }
  return inputs;
}

}  // namespace vx::cli

// How far a batch has got, on standard error: on a terminal one line redrawn in place
// (a bar, inputs done, rate, time left), elsewhere one plain line for each input done.
// Safe to call from several workers.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>

namespace vx::cli {

class Progress {
 public:
  Progress(std::size_t total, bool terminal, std::ostream& out);

  // An input is done: what it printed goes to `printed_out` (standard output) and its
  // messages (`lines`, each ending in a line break) above the progress line.
  void Done(const std::string& input, bool ok, const std::string& printed, std::ostream& printed_out,
            const std::string& lines);

  // Clears the progress line for what comes after it.
  void Finish();

  std::size_t done() const;
  double Seconds() const;

 private:
  std::string Line() const;  // the progress line without its line break

  const std::size_t total_;
  const bool terminal_;
  std::ostream& out_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point drawn_{};
  mutable std::mutex mutex_;
  std::size_t done_ = 0;
  std::size_t failed_ = 0;
};

}  // namespace vx::cli

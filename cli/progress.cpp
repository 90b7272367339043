#include "cli/progress.h"

#include <cstdio>

namespace vx::cli {
namespace {

constexpr int kBarWidth = 24;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr const char* kClearLine = "\r\033[K";

std::string Clock(double seconds) {
  const long whole = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

}  // namespace

Progress::Progress(std::size_t total, bool terminal, std::ostream& out) : total_(total), terminal_(terminal), out_(out) {}

double Progress::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::size_t Progress::done() const {
  std::lock_guard lock(mutex_);
  return done_;
}

std::string Progress::Line() const {
  const double seconds = Seconds();
  const double rate = seconds > 0 ? static_cast<double>(done_) / seconds : 0;
  const int filled = total_ ? static_cast<int>(kBarWidth * done_ / total_) : kBarWidth;
  char figures[96];
  std::snprintf(figures, sizeof figures, " %zu/%zu  %.1f images/s  ", done_, total_, rate);
  std::string line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "]" + figures;
  line += rate > 0 ? Clock(static_cast<double>(total_ - done_) / rate) + " left" : "--:-- left";
  if (failed_) line += "  " + std::to_string(failed_) + " failed";
  return line;
}

void Progress::Done(const std::string& input, bool ok, const std::string& printed, std::ostream& printed_out,
                    const std::string& lines) {
  std::lock_guard lock(mutex_);
  ++done_;
  if (!ok) ++failed_;
  if (!printed.empty()) {
    if (terminal_) out_ << kClearLine << std::flush;  // standard output may share the terminal
    printed_out << printed << std::flush;
    if (terminal_) drawn_ = {};                        // draw the line again below it
  }
  if (!terminal_) {
    out_ << lines << done_ << '/' << total_ << ' ' << (ok ? "ok" : "FAILED") << ' ' << input << '\n';
    out_.flush();
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (lines.empty() && done_ != total_ && now - drawn_ < kRedrawEvery) return;
  drawn_ = now;
  out_ << kClearLine << lines << Line();
  out_.flush();
}

void Progress::Finish() {
  std::lock_guard lock(mutex_);
  if (terminal_) out_ << kClearLine;
  out_.flush();
}

}  // namespace vx::cli

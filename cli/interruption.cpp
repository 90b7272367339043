#include "cli/interruption.h"

#include <signal.h>

#include <atomic>

namespace vx::cli {
namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void Note(int) { interrupted.store(true); }

}  // namespace

void CatchInterruptions() {
  struct sigaction action {};
  action.sa_handler = Note;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // calls under way go on; the run stops after them
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return interrupted.load(); }

}  // namespace vx::cli

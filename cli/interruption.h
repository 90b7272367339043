// Ctrl-C (SIGINT) and SIGTERM end a run between two statements: the call under way
// finishes, so the file it writes appears whole or not at all, and no statement after it
// starts.
#pragma once

namespace vx::cli {

// From now on, the signals only set the flag that Interrupted() reads.
void CatchInterruptions();

bool Interrupted();

}  // namespace vx::cli

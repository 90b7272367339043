// One script over many inputs: each input runs the whole script on a new Resize object,
// with %1 standing for it, on a pool of worker threads.
#pragma once

#include <string>
#include <vector>

#include "cli/script.h"
#include "cli/script_run.h"

namespace vx::cli {

// Runs the batch, with progress and a summary on standard error and what '?' statements
// print on standard output, input by input. Returns the exit status: the worst of the
// inputs', or kInterrupted.
int RunBatch(const Script& script, const std::vector<std::string>& inputs, unsigned jobs, const RunSettings& settings);

// The inputs listed on standard input, one a line; blank lines are skipped.
std::vector<std::string> ReadInputList();

}  // namespace vx::cli

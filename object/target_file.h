// An output file that appears whole or not at all.
//
// The data goes into a temporary file beside the target; Commit renames it over the
// target. Until then, and whenever the write fails, the target stays as it was and the
// temporary file is removed. A target that is a device or a pipe is written directly.
#pragma once

#include <cstdio>
#include <string>

namespace vx {

class TargetFile {
 public:
  TargetFile() = default;
  ~TargetFile() { Abandon(); }
  TargetFile(const TargetFile&) = delete;
  TargetFile& operator=(const TargetFile&) = delete;

  // False when the target cannot be written: its folder is missing or closed to us, or the
  // target exists and may not be written (a read-only file, a folder).
  bool Open(const std::string& path);
  FILE* stream() const { return stream_; }
  // Closes the data and puts it in the target's place; false when that fails.
  bool Commit();
  void Abandon();

 private:
  std::string target_;
  std::string temporary_;
  FILE* stream_ = nullptr;
};

}  // namespace vx

// An output file that appears whole or not at all.
//
// The data goes into a temporary file beside the target; Commit renames it over the
// target. Until then, and whenever the write fails, the target stays as it was and the
// temporary file is removed. Where the file system allows, the temporary file has no name
// until Commit, so a process killed while writing leaves nothing behind. A target that is
// a device or a pipe is written directly; a pipe that nobody reads is refused.
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
  static constexpr int kNameAttempts = 16;

  // Returns the descriptor, or -1 with temporary_ empty.
  int CreateNamedTemporary();
  // Links the unnamed file open in stream_ in as temporary_; false when that fails.
  bool NameUnnamed();

  std::string target_;
  std::string temporary_;  // the temporary file's name, once it has one
  FILE* stream_ = nullptr;
  bool direct_ = false;   // writing the target itself (a device or a pipe)
  bool unnamed_ = false;  // stream_ writes a file that has no name yet
};

}  // namespace vx

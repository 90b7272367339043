// An output file that appears whole or not at all.
//
// The data goes into a temporary file beside the target; Commit renames it over the
// target. Until then, and whenever the write fails, the target stays as it was and the
// temporary file is removed. Where the file system allows (Linux), the temporary file has
// no name until Commit, so a process killed while writing leaves nothing behind. A target
// that is a device or a pipe is written directly; a pipe that nobody reads is refused.
#pragma once

#include <cstdio>
#include <string>

#include "base/wide_text.h"

namespace vx {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { Abandon(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // False when the target cannot be written: its folder is missing or closed to us, the
  // target exists and may not be written (a read-only file, a folder), or its name cannot
  // be used (on POSIX systems, a path with an unpaired surrogate).
  bool Open(const WideChar* path);
  FILE* stream() const { return stream_; }
  // Closes the data and puts it in the target's place; false when that fails.
  bool Commit();
  void Abandon();

 private:
#ifdef _WIN32
  using NativePath = std::wstring;
#else
  using NativePath = std::string;  // UTF-8
#endif
  NativePath target_;
  NativePath temporary_;  // the temporary file's name, once it has one
  FILE* stream_ = nullptr;
  bool direct_ = false;   // writing the target itself (a device or a pipe)
  bool unnamed_ = false;  // stream_ writes a file that has no name yet
};

}  // namespace vx

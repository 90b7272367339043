// Reading a file whole into memory, as a picture decoder wants it.
//
// The file is opened for reading only, so read-only files can be read, and without
// waiting: only plain files are read, and a pipe, a device or a folder is refused at once
// (a pipe that nobody writes would otherwise stall the caller).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/wide_text.h"

namespace vx {

enum class FileReadFailure {
  kNone,
  kCannotOpen,  // missing, unreadable, not a plain file, an unusable name, or it shrank
  kTooLarge,    // more bytes than the caller takes
  kNoMemory,    // no memory for its bytes
};

struct WholeFile {
  std::unique_ptr<unsigned char[]> bytes;  // never null when the file was read
  std::size_t size = 0;
  FileReadFailure failure = FileReadFailure::kNone;
};

// Reads the file at a zero-terminated UTF-16 path, of at most most_bytes bytes. On POSIX
// systems a path holding an unpaired surrogate cannot be opened (see Utf8PathFromWide).
WholeFile ReadWholeFile(const WideChar* path, std::uint64_t most_bytes);

// For the systems' ReadWholeFile: room for a file of `size` bytes in file->bytes, or false
// with file->failure set.
bool TakeFileBytes(std::uint64_t size, std::uint64_t most_bytes, WholeFile* file);

}  // namespace vx

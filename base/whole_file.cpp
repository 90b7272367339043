#include "base/whole_file.h"

#include <cstdint>
#include <new>

namespace vx {

bool TakeFileBytes(std::uint64_t size, std::uint64_t most_bytes, WholeFile* file) {
  // A size the address space cannot hold is as much too large as one the caller refuses.
  if (size > most_bytes || size > SIZE_MAX) {
    file->failure = FileReadFailure::kTooLarge;
    return false;
  }
  file->size = static_cast<std::size_t>(size);
  file->bytes.reset(new (std::nothrow) unsigned char[file->size ? file->size : 1]);
  if (!file->bytes) {
    file->size = 0;
    file->failure = FileReadFailure::kNoMemory;
    return false;
  }
  return true;
}

}  // namespace vx

// What the PNG-reading fuzz targets share: the reader opens files by name, so each input
// is written to a file in memory-backed /dev/shm first.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace vx {

// A file name of this process's own in /dev/shm, ending in `suffix`.
inline std::string ShmPath(const std::string& suffix) {
  return "/dev/shm/vximage-fuzz-" + std::to_string(getpid()) + suffix;
}

inline bool WriteInputFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

}  // namespace vx

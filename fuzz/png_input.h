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

// Whether the IHDR of the data claims more than 2^22 pixels. Large pictures are the
// reader's size checks, tested elsewhere; here they would only make each run slow.
inline bool PngClaimsManyPixels(const std::uint8_t* data, std::size_t size) {
  if (size < 24) return false;
  auto be32 = [&](std::size_t i) {
    return std::uint64_t{data[i]} << 24 | data[i + 1] << 16 | data[i + 2] << 8 | data[i + 3];
  };
  return be32(16) * be32(20) > (std::uint64_t{1} << 22);
}

inline bool WriteInputFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

}  // namespace vx

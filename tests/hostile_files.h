// Files built to make a loader work too long, allocate too much or read the wrong thing:
// PNG chunks put together by hand, JPEG files with repeated scans or lying frame headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vx::testing {

using Bytes = std::vector<std::uint8_t>;

// A chunk of a PNG file.
struct PngChunk {
  std::string type;
  Bytes data;
};

std::vector<PngChunk> SplitPngChunks(const Bytes& png);
// The PNG signature and the chunks, each with its true length and CRC.
Bytes JoinPngChunks(const std::vector<PngChunk>& chunks);
// The header chunk of an 8-bit RGB picture.
PngChunk PngHeader(std::uint32_t width, std::uint32_t height);
// A signature, a header, and a chunk of `type` whose length field claims 2^31 - 1 bytes
// that the file does not have: 45 bytes that once made libpng allocate 2 GiB.
Bytes PngWithLyingChunkLength(const std::string& type);
// A small RGB picture whose header is followed by `count` compressed text chunks that
// each inflate to almost 8 MB.
Bytes PngWithTextBombs(int count);

// A progressive JPEG of a grey (1) or colour (3) picture, at quality 75.
Bytes ProgressiveJpeg(int width, int height, int components);
// The same file with its last scan `copies` more times before the end.
Bytes WithLastScanRepeated(const Bytes& jpeg, int copies);
// The same file with the frame header claiming another size.
Bytes WithFrameSize(Bytes jpeg, int width, int height);

// The largest resident set of this process so far, in bytes.
std::size_t PeakResidentBytes();

}  // namespace vx::testing

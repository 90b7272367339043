// Fuzz target: PNG data through CPngReader from memory, as LoadSourceImage reads it: the
// header, then the pixels decoded straight into black words; and the RGBA buffer that
// image marks take.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "object/png_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CPngReader reader;
  if (!reader.Begin(data, size)) return 0;
  const std::int64_t width = reader.width(), height = reader.height();
  if (width <= 0 || height <= 0) std::abort();
  // Large pictures are the loader's size checks, tested elsewhere; here they would only
  // make each run slow.
  if (width * height > (std::int64_t{1} << 22)) return 0;
  std::vector<std::uint32_t> words(static_cast<std::size_t>(width * height), 0);
  const CPngReader::Rows rows = reader.DecodeOverBlack(words.data());
  for (std::uint32_t word : words) {
    // A colour laid over black with weight alpha: no channel exceeds the alpha, and
    // nothing is written when no row was decoded.
    const std::uint32_t alpha = word >> 24;
    const bool over_black = ((word >> 16) & 0xFF) <= alpha && ((word >> 8) & 0xFF) <= alpha && (word & 0xFF) <= alpha;
    if (!over_black || (rows == CPngReader::Rows::kNone && word != 0)) std::abort();
  }
  CPngReader rgba;
  if (!rgba.Begin(data, size)) std::abort();  // the same header reads the same way
  rgba.Finish();
  return 0;
}

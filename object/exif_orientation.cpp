#include "object/exif_orientation.h"

#include <algorithm>

#include "object/tiff_numbers.h"

namespace vx {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;
constexpr std::size_t kEntryBytes = 12;

// Reads 16- and 32-bit numbers in the block's byte order; the caller has checked the range.
class ByteOrder {
 public:
  explicit ByteOrder(bool big_endian) : big_endian_(big_endian) {}
  std::uint16_t U16(const std::uint8_t* p) const { return TiffU16(p, big_endian_); }
  std::uint32_t U32(const std::uint8_t* p) const { return TiffU32(p, big_endian_); }

 private:
  bool big_endian_;
};

}  // namespace

int ExifOrientation(std::span<const std::uint8_t> tiff) {
  if (tiff.size() < 8) return kUpright;
  const std::uint8_t* const data = tiff.data();
  bool big_endian = false;
  if (data[0] == 'M' && data[1] == 'M') {
    big_endian = true;
  } else if (!(data[0] == 'I' && data[1] == 'I')) {
    return kUpright;
  }
  const ByteOrder order(big_endian);
  if (order.U16(data + 2) != 42) return kUpright;
  // Offsets are 32-bit and counted from the block's start; compared as 64-bit values so
  // that no sum can wrap.
  const std::uint64_t directory = order.U32(data + 4);
  if (directory + 2 > tiff.size()) return kUpright;
  const std::uint64_t entries = order.U16(data + directory);
  const std::uint64_t room = (tiff.size() - directory - 2) / kEntryBytes;
  const std::uint64_t usable = std::min(entries, room);  // a count past the end reads what is there
  for (std::uint64_t i = 0; i < usable; ++i) {
    const std::uint8_t* entry = data + directory + 2 + i * kEntryBytes;
    if (order.U16(entry) != kOrientationTag) continue;
    // A SHORT value of count 1 sits in the first two bytes of the value field.
    if (order.U16(entry + 2) != kShortType || order.U32(entry + 4) != 1) return kUpright;
    const int value = order.U16(entry + 8);
    return value >= 1 && value <= 8 ? value : kUpright;
  }
  return kUpright;
}

std::span<const std::uint8_t> ExifBlockOfApp1(std::span<const std::uint8_t> segment) {
  static constexpr std::uint8_t kExifName[] = {'E', 'x', 'i', 'f', 0, 0};
  if (segment.size() < sizeof kExifName || !std::equal(std::begin(kExifName), std::end(kExifName), segment.begin())) {
    return {};
  }
  return segment.subspan(sizeof kExifName);
}

}  // namespace vx

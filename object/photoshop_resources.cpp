#include "object/photoshop_resources.h"

#include <algorithm>
#include <cstring>

namespace vx {
namespace {

constexpr char kPhotoshopName[] = "Photoshop 3.0";  // with its zero byte: 14 bytes
constexpr std::uint16_t kIptcRecord = 0x0404;
constexpr std::uint16_t kIptcDigest = 0x0425;

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

}  // namespace

bool IsPhotoshopSegment(std::span<const std::uint8_t> data) {
  return data.size() >= kPhotoshopHeaderBytes && std::memcmp(data.data(), kPhotoshopName, sizeof kPhotoshopName) == 0;
}

std::vector<std::uint8_t> IptcResources(std::span<const std::uint8_t> resources) {
  std::vector<std::uint8_t> kept;
  bool has_record = false;
  std::size_t at = 0;
  const std::size_t size = resources.size();
  // Signature, id and the name's length byte; then the name padded to even, the size and
  // the data padded to even, each checked against what is left before it is passed.
  while (size - at >= 7 && std::memcmp(resources.data() + at, "8BIM", 4) == 0) {
    const std::uint8_t* p = resources.data() + at;
    const std::uint16_t id = std::uint16_t(p[4] << 8 | p[5]);
    const std::size_t name_bytes = (std::size_t{p[6]} + 2) & ~std::size_t{1};  // length byte included
    if (size - at - 6 < name_bytes + 4) break;
    const std::uint64_t data_bytes = BigEndian32(p + 6 + name_bytes);
    const std::uint64_t whole = 6 + name_bytes + 4 + ((data_bytes + 1) & ~std::uint64_t{1});
    if (whole > size - at) {
      // The last resource may leave out its padding byte.
      if (6 + name_bytes + 4 + data_bytes != size - at) break;
    }
    const std::size_t taken = static_cast<std::size_t>(std::min<std::uint64_t>(whole, size - at));
    if (id == kIptcRecord || id == kIptcDigest) {
      kept.insert(kept.end(), p, p + taken);
      if (taken % 2) kept.push_back(0);
      has_record = has_record || id == kIptcRecord;
    }
    at += taken;
  }
  if (!has_record) kept.clear();
  return kept;
}

std::vector<std::uint8_t> PhotoshopSegmentOf(std::span<const std::uint8_t> resources) {
  std::vector<std::uint8_t> data(kPhotoshopHeaderBytes + resources.size());
  std::memcpy(data.data(), kPhotoshopName, kPhotoshopHeaderBytes);
  std::copy(resources.begin(), resources.end(), data.begin() + kPhotoshopHeaderBytes);
  return data;
}

}  // namespace vx
